#include "server/common/kd_tree.h"

#include <cmath>
#include <utility>
#include <vector>

#include "platform/text/float_text.h"

namespace kvt::common {

namespace {

// A right subtree holds points up to the tolerance below its node, so the
// region searched for it starts that far below the node's coordinate (plus a
// hair for rounding); starting at the coordinate itself would prune subtrees
// that hold the nearest place.
constexpr double kMargemDireita = kToleranciaCompara + 1e-9;

Retangulo subregiaoInferior(const Retangulo& r, const Ponto& n, int eixo) {
  if (eixo == kEixoLatitude) return {r.latMin, n.latitude(), r.lonMin, r.lonMax};
  return {r.latMin, r.latMax, r.lonMin, n.longitude()};
}

Retangulo subregiaoSuperior(const Retangulo& r, const Ponto& n, int eixo) {
  if (eixo == kEixoLatitude) return {n.latitude() - kMargemDireita, r.latMax, r.lonMin, r.lonMax};
  return {r.latMin, r.latMax, n.longitude() - kMargemDireita, r.lonMax};
}

int proximoEixo(int eixo) { return (eixo + 1) % 2; }

}  // namespace

Ponto::Ponto(std::string nome, std::string regiao, double latitude, double longitude)
    : tipo_(kCidade), nome_(std::move(nome)), regiao_(std::move(regiao)), latitude_(latitude), longitude_(longitude) {}

Ponto::Ponto(std::string nome, double latitude, double longitude)
    : tipo_(kReferencia), nome_(std::move(nome)), regiao_("--"), latitude_(latitude), longitude_(longitude) {}

Ponto::Ponto(double latitude, double longitude)
    : tipo_(kConsulta), latitude_(latitude), longitude_(longitude) {}

std::string Ponto::ComoTexto() const {
  if (tipo_ != kConsulta && tipo_ != kCidade) return {};
  std::string texto;
  if (tipo_ == kCidade) {
    texto += nome_;
    texto += ':';
  }
  texto += '(';
  texto += text::floatToStr(latitude_);
  texto += ',';
  texto += text::floatToStr(longitude_);
  texto += ')';
  return texto;
}

double Distancia(const Ponto& a, const Ponto& b) {
  const double dLat = a.latitude() - b.latitude();
  const double dLon = a.longitude() - b.longitude();
  return std::sqrt(dLat * dLat + dLon * dLon);
}

int Compara(const Ponto& a, const Ponto& b, int eixo) {
  const double x = a.coordenada(eixo);
  const double y = b.coordenada(eixo);
  if (x < y) return -1;
  return std::fabs(x - y) < kToleranciaCompara ? 0 : 1;
}

bool Retangulo::contem(const Ponto& p) const {
  return p.latitude() >= latMin && p.latitude() <= latMax && p.longitude() >= lonMin && p.longitude() <= lonMax;
}

double Retangulo::distancia(const Ponto& p) const {
  if (contem(p)) return 0.0;
  double d = kDistanciaInicial;
  if (p.latitude() < latMin) d = std::fmin(d, latMin - p.latitude());
  if (p.latitude() > latMax) d = std::fmin(d, p.latitude() - latMax);
  if (p.longitude() > lonMax) d = std::fmin(d, p.longitude() - lonMax);
  if (p.longitude() < lonMin) d = std::fmin(d, lonMin - p.longitude());
  return d;
}

No::~No() {
  // Children are taken out before their parent goes, so no destructor ever
  // recurses more than one level.
  std::vector<std::unique_ptr<No>> pendentes;
  if (esquerda) pendentes.push_back(std::move(esquerda));
  if (direita) pendentes.push_back(std::move(direita));
  while (!pendentes.empty()) {
    std::unique_ptr<No> no = std::move(pendentes.back());
    pendentes.pop_back();
    if (no->esquerda) pendentes.push_back(std::move(no->esquerda));
    if (no->direita) pendentes.push_back(std::move(no->direita));
  }
}

void KDTree::Insere(std::unique_ptr<Ponto> p) {
  if (!p) return;
  std::unique_ptr<No>* lugar = &raiz_;
  int eixo = kEixoLatitude;
  while (*lugar) {
    No& no = **lugar;
    lugar = Compara(*no.ponto, *p, eixo) > 0 ? &no.esquerda : &no.direita;
    eixo = proximoEixo(eixo);
  }
  *lugar = std::make_unique<No>(std::move(p));
  ++tamanho_;
}

PontoProx& KDTree::MaisProximo(const Ponto& consulta, const Retangulo& regiao, PontoProx& resultado) const {
  // Depth first with an explicit stack, in the order of the recursive search:
  // the subtree on the query's side first, then the other one, each pruned
  // when popped, with the best result found so far.
  struct Passo {
    const No* no;
    Retangulo regiao;
    int eixo;
  };
  std::vector<Passo> pilha;
  if (raiz_) pilha.push_back({raiz_.get(), regiao, kEixoLatitude});
  while (!pilha.empty()) {
    const Passo passo = pilha.back();
    pilha.pop_back();
    if (passo.regiao.distancia(consulta) >= resultado.distancia) continue;
    const Ponto& ponto = *passo.no->ponto;
    const double d = Distancia(ponto, consulta);
    if (d < resultado.distancia) {
      resultado.distancia = d;
      resultado.ponto = &ponto;
    }
    const int seguinte = proximoEixo(passo.eixo);
    const Passo esquerda{passo.no->esquerda.get(), subregiaoInferior(passo.regiao, ponto, passo.eixo), seguinte};
    const Passo direita{passo.no->direita.get(), subregiaoSuperior(passo.regiao, ponto, passo.eixo), seguinte};
    const bool esquerdaPrimeiro = Compara(consulta, ponto, passo.eixo) < 0;
    const Passo& primeiro = esquerdaPrimeiro ? esquerda : direita;
    const Passo& segundo = esquerdaPrimeiro ? direita : esquerda;
    if (segundo.no) pilha.push_back(segundo);
    if (primeiro.no) pilha.push_back(primeiro);
  }
  return resultado;
}

std::size_t KDTree::profundidade() const {
  std::size_t maior = 0;
  std::vector<std::pair<const No*, std::size_t>> pilha;
  if (raiz_) pilha.emplace_back(raiz_.get(), 1);
  while (!pilha.empty()) {
    const auto [no, nivel] = pilha.back();
    pilha.pop_back();
    if (nivel > maior) maior = nivel;
    if (no->esquerda) pilha.emplace_back(no->esquerda.get(), nivel + 1);
    if (no->direita) pilha.emplace_back(no->direita.get(), nivel + 1);
  }
  return maior;
}

}  // namespace kvt::common
