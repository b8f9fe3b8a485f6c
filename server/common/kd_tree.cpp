#include "server/common/kd_tree.h"

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
  std::int32_t* indice = nullptr;
  int eixo = kEixoLatitude;
  const double lat = p->latitude();
  const double lon = p->longitude();
  while (*lugar) {
    No& no = **lugar;
    NoCompacto& c = compactos_[static_cast<std::size_t>(indice ? *indice : 0)];
    c.latMin = std::fmin(c.latMin, lat);
    c.latMax = std::fmax(c.latMax, lat);
    c.lonMin = std::fmin(c.lonMin, lon);
    c.lonMax = std::fmax(c.lonMax, lon);
    const bool esquerda = Compara(*no.ponto, *p, eixo) > 0;
    lugar = esquerda ? &no.esquerda : &no.direita;
    indice = esquerda ? &c.esquerda : &c.direita;
    eixo = proximoEixo(eixo);
  }
  const auto novo = static_cast<std::int32_t>(compactos_.size());
  if (indice) *indice = novo;
  compactos_.push_back({lat, lon, lat, lat, lon, lon, -1, -1, p.get()});
  *lugar = std::make_unique<No>(std::move(p));
}

namespace {

// The square of the distance from q to the box, computed so that it never
// exceeds the square of the distance to any point inside it as Distancia
// computes it (the same subtractions, rounded the same way).
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

PontoProx& KDTree::MaisProximo(const Ponto& consulta, const Retangulo&, PontoProx& resultado) const {
  if (compactos_.empty()) return resultado;
  const double lat = consulta.latitude();
  const double lon = consulta.longitude();
  // The square of the best distance so far; a subtree whose box is at least
  // that far holds no point strictly nearer. Squares order like distances,
  // but two different squares may give the same distance, so a nearer square
  // still takes the point only when its distance is strictly smaller.
  double melhorQuadrado = HUGE_VAL;
  const auto podado = [&](const NoCompacto& n) {
    return quadradoAteCaixa(lat, lon, n.latMin, n.latMax, n.lonMin, n.lonMax) >= melhorQuadrado;
  };

  struct Passo {
    std::int32_t no;
    std::int32_t eixo;
  };
  // Reused by every search on this thread: no allocation once it has grown.
  thread_local std::vector<Passo> pilha;
  pilha.clear();
  pilha.push_back({0, kEixoLatitude});
  const NoCompacto* nos = compactos_.data();
  while (!pilha.empty()) {
    const Passo passo = pilha.back();
    pilha.pop_back();
    const NoCompacto& n = nos[passo.no];
    if (podado(n)) continue;
    const double dLat = n.latitude - lat;
    const double dLon = n.longitude - lon;
    const double quadrado = dLat * dLat + dLon * dLon;
    if (quadrado < melhorQuadrado) {
      const double d = std::sqrt(quadrado);
      if (d < resultado.distancia) {
        resultado.distancia = d;
        resultado.ponto = n.ponto;
        melhorQuadrado = quadrado;
      }
    }
    const std::int32_t seguinte = proximoEixo(passo.eixo);
    const double q = passo.eixo == kEixoLatitude ? lat : lon;
    const double c = passo.eixo == kEixoLatitude ? n.latitude : n.longitude;
    const bool esquerdaPrimeiro = q < c;  // Compara(consulta, ponto, eixo) < 0
    const std::int32_t primeiro = esquerdaPrimeiro ? n.esquerda : n.direita;
    const std::int32_t segundo = esquerdaPrimeiro ? n.direita : n.esquerda;
    if (segundo >= 0 && !podado(nos[segundo])) pilha.push_back({segundo, seguinte});
    if (primeiro >= 0 && !podado(nos[primeiro])) pilha.push_back({primeiro, seguinte});
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
