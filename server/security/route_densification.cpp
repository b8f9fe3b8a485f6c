#include "server/security/route_densification.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/geo/distance.h"
#include "server/security/coordinate_text.h"

namespace kvt::security {

namespace {

struct Graus {
  double lat;
  double lon;
};

Graus grausDoPonto(const typPontoRota& p) {
  return {GMSParaGraus(Eixo::Latitude, p.Latitude), GMSParaGraus(Eixo::Longitude, p.Longitude)};
}

typPontoRota pontoGerado(double lat, double lon) {
  return {GrausParaGMS(Eixo::Latitude, static_cast<float>(lat)), GrausParaGMS(Eixo::Longitude, static_cast<float>(lon)),
          kOrigemGerado};
}

}  // namespace

bool ToleranciaRotaValida(std::int32_t indice) {
  return indice >= 0 && static_cast<std::size_t>(indice) < TabelaToleranciaRota.size();
}

double PassoDensificacao(std::int32_t indice) {
  if (!ToleranciaRotaValida(indice)) return kPassoMaximoKm;
  return std::min(TabelaToleranciaRota[static_cast<std::size_t>(indice)] / 1000.0, kPassoMaximoKm);
}

std::int32_t DensificaRota(typRegRota& rota) {
  const typArrayPontoRota& pontos = rota.Pontos;
  if (pontos.size() < 2) return 0;
  const double passo = PassoDensificacao(rota.Tolerancia);

  // First the distances and the parts of every pair, so that a route reaching
  // the limit is refused before any point text is generated.
  struct Par {
    Graus a, b;
    double d;
    std::int32_t partes;  // 1 when the pair needs no point between its ends
  };
  std::vector<Par> pares(pontos.size() - 1);
  double total = 0;  // points gathered before the current pair's end
  Graus a = grausDoPonto(pontos[0]);
  for (std::size_t i = 0; i < pares.size(); ++i) {
    const Graus b = grausDoPonto(pontos[i + 1]);
    Par& par = pares[i];
    par = {a, b, geo::Distance(a.lon, a.lat, b.lon, b.lat), 1};
    total += 1;  // the pair's first point
    if (par.d > passo) {
      const double partes = std::ceil(par.d / passo);
      if (total + partes >= MAX_PONTO_ROTA_VEICULO)
        return static_cast<std::int32_t>(std::min(total + partes, 2147483647.0));
      par.partes = static_cast<std::int32_t>(partes);
      total += partes - 1;
    }
    a = b;
  }

  typArrayPontoRota novos;
  novos.reserve(static_cast<std::size_t>(total) + 1);
  for (std::size_t i = 0; i < pares.size(); ++i) {
    novos.push_back(pontos[i]);
    const Par& par = pares[i];
    const double s = par.d / par.partes;
    for (std::int32_t h = 1; h < par.partes; ++h)
      novos.push_back(pontoGerado(par.a.lat + h * s * (par.b.lat - par.a.lat) / par.d,
                                  par.a.lon + h * s * (par.b.lon - par.a.lon) / par.d));
  }
  novos.push_back(pontos.back());
  rota.Pontos = std::move(novos);
  return static_cast<std::int32_t>(rota.Pontos.size());
}

}  // namespace kvt::security
