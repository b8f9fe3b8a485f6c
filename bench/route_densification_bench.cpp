// Densification of a 2,000 km route of 200 points against computing the same
// number of geodesic distances alone (the baseline of the same run), so the
// ratio shows what the coordinate texts and generated points cost on top of
// the distances. At every tolerance a 2,000 km route needs more than 5,000
// points, so the route is refused at the pair that reaches the limit, before
// any point is generated; the baseline computes as many distances as it did.
// A 1,000 km route of 200 points, which fits and gets its points generated, is
// measured the same way. The ratios are printed after the runs.
#include <benchmark/benchmark.h>

#include "bench/ratio_reporter.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/geo/distance.h"
#include "server/security/coordinate_text.h"
#include "server/security/route_densification.h"

using namespace kvt::security;

namespace {

// 200 points from Teresina towards the south-west, 'km' long in total, with a
// gentle zigzag so the segments are not all alike.
typRegRota rotaDe(double km) {
  typRegRota r;
  r.Nome = "Rota";
  r.Tolerancia = 3;
  const double graus = km / 111.2;
  for (int i = 0; i < 200; ++i) {
    const double f = i / 199.0;
    const double lat = -5.09 - graus * f * 0.92;
    const double lon = -42.80 - graus * f * 0.38 + ((i % 2) ? 0.004 : -0.004);
    r.Pontos.push_back({GrausParaGMS(Eixo::Latitude, static_cast<float>(lat)),
                        GrausParaGMS(Eixo::Longitude, static_cast<float>(lon)), kOrigemCliente});
  }
  return r;
}

struct Graus {
  double lat, lon;
};

// The degrees of the pairs DensificaRota measures before it ends (all of them,
// or up to the one that reaches the limit).
std::vector<Graus> paresMedidos(const typRegRota& r) {
  std::vector<Graus> g;
  for (const typPontoRota& p : r.Pontos)
    g.push_back({GMSParaGraus(Eixo::Latitude, p.Latitude), GMSParaGraus(Eixo::Longitude, p.Longitude)});
  const double passo = PassoDensificacao(r.Tolerancia);
  double pontos = 0;
  for (std::size_t i = 0; i + 1 < g.size(); ++i) {
    pontos += 1;
    const double d = kvt::geo::Distance(g[i].lon, g[i].lat, g[i + 1].lon, g[i + 1].lat);
    if (d > passo) {
      if (pontos + std::ceil(d / passo) >= MAX_PONTO_ROTA_VEICULO) {
        g.resize(i + 2);
        return g;
      }
      pontos += std::ceil(d / passo) - 1;
    }
  }
  return g;
}

void densifica(benchmark::State& state, double km) {
  const typRegRota original = rotaDe(km);
  std::int32_t total = 0;
  for (auto _ : state) {
    typRegRota r = original;
    total = DensificaRota(r);
    benchmark::DoNotOptimize(r.Pontos.data());
  }
  state.counters["pontos"] = total;
  state.counters["distancias"] = static_cast<double>(paresMedidos(original).size() - 1);
}

void distancias(benchmark::State& state, double km) {
  const std::vector<Graus> g = paresMedidos(rotaDe(km));
  for (auto _ : state) {
    double soma = 0;
    for (std::size_t i = 0; i + 1 < g.size(); ++i) soma += kvt::geo::Distance(g[i].lon, g[i].lat, g[i + 1].lon, g[i + 1].lat);
    benchmark::DoNotOptimize(soma);
  }
  state.counters["distancias"] = static_cast<double>(g.size() - 1);
}

void BM_Distancias_2000km(benchmark::State& state) { distancias(state, 2000); }
void BM_DensificaRota_2000km(benchmark::State& state) { densifica(state, 2000); }
void BM_Distancias_1000km(benchmark::State& state) { distancias(state, 1000); }
void BM_DensificaRota_1000km(benchmark::State& state) { densifica(state, 1000); }
BENCHMARK(BM_Distancias_2000km);
BENCHMARK(BM_DensificaRota_2000km);
BENCHMARK(BM_Distancias_1000km);
BENCHMARK(BM_DensificaRota_1000km);

}  // namespace

int main(int argc, char** argv) {
  return kvt::bench::executaBenchmarks(argc, argv, [](const kvt::bench::Coletor& coletor) {
    for (const char* km : {"2000km", "1000km"}) {
      const double base = coletor.tempo(std::string("BM_Distancias_") + km);
      const double densifica = coletor.tempo(std::string("BM_DensificaRota_") + km);
      if (base > 0 && densifica > 0)
        std::printf("DensificaRota %s: %.2f times the time of its geodesic distances alone\n", km, densifica / base);
    }
  });
}
