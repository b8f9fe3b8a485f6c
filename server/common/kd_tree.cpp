#include "server/common/kd_tree.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/text/float_text.h"

namespace kvt::common {

namespace {

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
  std::int32_t pai = -1;
  bool esquerda = false;
  int eixo = kEixoLatitude;
  while (*lugar) {
    No& no = **lugar;
    if (pai < 0)
      pai = 0;
    else
      pai = esquerda ? nos_[static_cast<std::size_t>(pai)].esquerda : nos_[static_cast<std::size_t>(pai)].direita;
    esquerda = Compara(*no.ponto, *p, eixo) > 0;
    lugar = esquerda ? &no.esquerda : &no.direita;
    eixo = proximoEixo(eixo);
  }
  const auto novo = static_cast<std::int32_t>(nos_.size());
  NoPlano plano{p->latitude(), p->longitude(), -1, -1, pai, 0, p.get()};
  if (pai >= 0) {
    NoPlano& doPai = nos_[static_cast<std::size_t>(pai)];
    (esquerda ? doPai.esquerda : doPai.direita) = novo;
    plano.nivel = doPai.nivel + 1;
  }
  nos_.push_back(plano);
  *lugar = std::make_unique<No>(std::move(p));
  indiceAtual_ = false;
}

namespace {

constexpr std::int32_t kPontosPorFolha = 8;

// The square of the distance from a query to a box, never more than the
// square of the distance to any point inside it as Distancia computes it
// (the same subtractions, and rounding keeps their order).
inline double quadradoAteCaixa(double lat, double lon, double latMin, double latMax, double lonMin, double lonMax) {
  double dLat = 0;
  if (lat < latMin)
    dLat = latMin - lat;
  else if (lat > latMax)
    dLat = lat - latMax;
  double dLon = 0;
  if (lon < lonMin)
    dLon = lonMin - lon;
  else if (lon > lonMax)
    dLon = lon - lonMax;
  return dLat * dLat + dLon * dLon;
}

}  // namespace

void KDTree::ConstroiIndice() const {
  Indice& x = indice_;
  x.caixas.clear();
  x.nos.resize(nos_.size());
  for (std::size_t i = 0; i < nos_.size(); ++i) x.nos[i] = static_cast<std::int32_t>(i);
  x.latitudes.resize(nos_.size());
  x.longitudes.resize(nos_.size());
  if (!nos_.empty()) ConstroiCaixa(0, static_cast<std::int32_t>(nos_.size()));
  for (std::size_t i = 0; i < x.nos.size(); ++i) {
    const NoPlano& n = nos_[static_cast<std::size_t>(x.nos[i])];
    x.latitudes[i] = n.latitude;
    x.longitudes[i] = n.longitude;
  }
  indiceAtual_ = true;
}

std::int32_t KDTree::ConstroiCaixa(std::int32_t inicio, std::int32_t fim) const {
  Indice& x = indice_;
  const auto id = static_cast<std::int32_t>(x.caixas.size());
  Indice::Caixa caixa{HUGE_VAL, -HUGE_VAL, HUGE_VAL, -HUGE_VAL, inicio, fim, -1, -1};
  for (std::int32_t i = inicio; i < fim; ++i) {
    const NoPlano& n = nos_[static_cast<std::size_t>(x.nos[static_cast<std::size_t>(i)])];
    caixa.latMin = std::fmin(caixa.latMin, n.latitude);
    caixa.latMax = std::fmax(caixa.latMax, n.latitude);
    caixa.lonMin = std::fmin(caixa.lonMin, n.longitude);
    caixa.lonMax = std::fmax(caixa.lonMax, n.longitude);
  }
  x.caixas.push_back(caixa);
  if (fim - inicio <= kPontosPorFolha) return id;
  // split at the median of the wider side
  const bool porLatitude = caixa.latMax - caixa.latMin >= caixa.lonMax - caixa.lonMin;
  const std::int32_t meio = inicio + (fim - inicio) / 2;
  std::nth_element(x.nos.begin() + inicio, x.nos.begin() + meio, x.nos.begin() + fim,
                   [&](std::int32_t a, std::int32_t b) {
                     const NoPlano& na = nos_[static_cast<std::size_t>(a)];
                     const NoPlano& nb = nos_[static_cast<std::size_t>(b)];
                     return porLatitude ? na.latitude < nb.latitude : na.longitude < nb.longitude;
                   });
  const std::int32_t esquerda = ConstroiCaixa(inicio, meio);
  const std::int32_t direita = ConstroiCaixa(meio, fim);
  x.caixas[static_cast<std::size_t>(id)].esquerda = esquerda;
  x.caixas[static_cast<std::size_t>(id)].direita = direita;
  return id;
}

bool KDTree::AlcancaAntes(std::int32_t a, std::int32_t b, const Ponto& consulta) const {
  const auto no = [this](std::int32_t i) -> const NoPlano& { return nos_[static_cast<std::size_t>(i)]; };
  // climb to the same depth, then to the children of the lowest common node
  const std::int32_t originalA = a;
  while (no(a).nivel > no(b).nivel) a = no(a).pai;
  while (no(b).nivel > no(a).nivel) b = no(b).pai;
  if (a == b) return a == originalA;  // a node is reached before everything below it
  while (no(a).pai != no(b).pai) {
    a = no(a).pai;
    b = no(b).pai;
  }
  const NoPlano& comum = no(no(a).pai);
  const int eixo = comum.nivel % 2;
  const double q = eixo == kEixoLatitude ? consulta.latitude() : consulta.longitude();
  const double c = eixo == kEixoLatitude ? comum.latitude : comum.longitude;
  const bool esquerdaPrimeiro = q < c;  // as Compara(consulta, ponto, eixo) < 0
  return (a == comum.esquerda) == esquerdaPrimeiro;
}

PontoProx& KDTree::MaisProximo(const Ponto& consulta, const Retangulo&, PontoProx& resultado) const {
  if (nos_.empty()) return resultado;
  if (!indiceAtual_) ConstroiIndice();
  const Indice& x = indice_;
  const double lat = consulta.latitude();
  const double lon = consulta.longitude();

  // The smallest distance so far and its node; of several at it, the one
  // the walk reaches first.
  double melhor = resultado.distancia;
  double limite = HUGE_VAL;  // a box whose square exceeds it holds nothing as near as `melhor`
  std::int32_t achado = -1;

  thread_local std::vector<std::int32_t> pilha;  // no allocation once it has grown
  pilha.clear();
  pilha.push_back(0);
  while (!pilha.empty()) {
    const Indice::Caixa& c = x.caixas[static_cast<std::size_t>(pilha.back())];
    pilha.pop_back();
    if (quadradoAteCaixa(lat, lon, c.latMin, c.latMax, c.lonMin, c.lonMax) > limite) continue;
    if (c.esquerda < 0) {
      for (std::int32_t i = c.inicio; i < c.fim; ++i) {
        const double dLat = x.latitudes[static_cast<std::size_t>(i)] - lat;
        const double dLon = x.longitudes[static_cast<std::size_t>(i)] - lon;
        const double d = std::sqrt(dLat * dLat + dLon * dLon);
        if (!(d <= melhor)) continue;  // farther, or not a number
        const std::int32_t n = x.nos[static_cast<std::size_t>(i)];
        if (d < melhor) {
          melhor = d;
          // a little above the square, so that rounding never prunes a box
          // holding a point at exactly this distance
          limite = d * d * (1 + 1e-12);
          achado = n;
        } else if (achado >= 0 && AlcancaAntes(n, achado, consulta)) {
          achado = n;
        }
      }
      continue;
    }
    // the nearer box is searched first
    const Indice::Caixa& e = x.caixas[static_cast<std::size_t>(c.esquerda)];
    const Indice::Caixa& d = x.caixas[static_cast<std::size_t>(c.direita)];
    const double qe = quadradoAteCaixa(lat, lon, e.latMin, e.latMax, e.lonMin, e.lonMax);
    const double qd = quadradoAteCaixa(lat, lon, d.latMin, d.latMax, d.lonMin, d.lonMax);
    pilha.push_back(qe <= qd ? c.direita : c.esquerda);
    pilha.push_back(qe <= qd ? c.esquerda : c.direita);
  }
  if (achado >= 0) {
    resultado.distancia = melhor;
    resultado.ponto = nos_[static_cast<std::size_t>(achado)].ponto;
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
