// The location description (nearest place in the k-d tree, then the text)
// against a linear scan over the same places that builds the same text, the
// baseline of the same run. The tree is built from the places in the order
// the central returns them and, for its degenerate shape, sorted by latitude.
// The ratios are printed after the runs.
#include <benchmark/benchmark.h>

#include "bench/ratio_reporter.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/text/float_text.h"
#include "server/common/kd_tree.h"
#include "server/events/debug_output.h"
#include "server/events/location.h"
#include "tests/server/common/br_places.h"

using kvt::common::Ponto;

namespace {

// The demo cities followed by reference points near some of them.
std::vector<Ponto> lugaresDoBanco() {
  std::vector<Ponto> lugares = kvt::test::brPlaces();
  std::mt19937 gerador(1);
  std::uniform_int_distribution<std::size_t> qual(0, lugares.empty() ? 0 : lugares.size() - 1);
  std::uniform_real_distribution<double> desvio(-0.05, 0.05);
  const std::size_t cidades = lugares.size();
  for (int i = 0; cidades > 0 && i < 100; ++i) {
    const Ponto& perto = lugares[qual(gerador)];
    lugares.emplace_back("Referencia " + std::to_string(i), perto.latitude() + desvio(gerador),
                         perto.longitude() + desvio(gerador));
  }
  return lugares;
}

struct Memoria : kvt::events::FonteLugares {
  std::vector<Ponto> cidades, referencias;
  std::int32_t ContadorRefer() override { return 1; }
  std::vector<Ponto> Cidades() override { return cidades; }
  std::vector<Ponto> Referencias() override { return referencias; }
};

std::unique_ptr<kvt::events::tLocalizacao> indice(std::vector<Ponto> lugares) {
  Memoria fonte;
  for (Ponto& p : lugares) (p.tipo() == kvt::common::kCidade ? fonte.cidades : fonte.referencias).push_back(p);
  auto localizacao = std::make_unique<kvt::events::tLocalizacao>();
  localizacao->CarregaLocalizacao(fonte);
  return localizacao;
}

// Half anywhere in the bounding box (much of it sea or forest), half within a
// few kilometres of a place, where vehicles usually are.
std::vector<std::pair<double, double>> consultas(const std::vector<Ponto>& lugares) {
  double latMin = 90, latMax = -90, lonMin = 180, lonMax = -180;
  for (const Ponto& p : lugares) {
    latMin = std::min(latMin, p.latitude());
    latMax = std::max(latMax, p.latitude());
    lonMin = std::min(lonMin, p.longitude());
    lonMax = std::max(lonMax, p.longitude());
  }
  std::mt19937 gerador(2);
  std::uniform_real_distribution<double> lat(latMin, latMax), lon(lonMin, lonMax), perto(-0.05, 0.05);
  std::uniform_int_distribution<std::size_t> qual(0, lugares.size() - 1);
  std::vector<std::pair<double, double>> q;
  for (int i = 0; i < 4096; ++i) {
    if (i % 2) {
      q.emplace_back(lat(gerador), lon(gerador));
    } else {
      const Ponto& p = lugares[qual(gerador)];
      q.emplace_back(p.latitude() + perto(gerador), p.longitude() + perto(gerador));
    }
  }
  return q;
}

struct Dados {
  std::vector<Ponto> lugares = lugaresDoBanco();
  std::vector<std::pair<double, double>> q = consultas(lugares);
  std::unique_ptr<kvt::events::tLocalizacao> naOrdem = indice(lugares);
  std::unique_ptr<kvt::events::tLocalizacao> ordenado = indice([this] {
    std::vector<Ponto> v = lugares;
    std::stable_sort(v.begin(), v.end(), [](const Ponto& a, const Ponto& b) { return a.latitude() < b.latitude(); });
    return v;
  }());
};

const Dados& dados() {
  static const Dados d;
  return d;
}

// The same description as the index gives, found by visiting every place.
std::string descricaoLinear(const std::vector<Ponto>& lugares, double latitude, double longitude) {
  const Ponto q(latitude, longitude);
  const Ponto* melhor = nullptr;
  double distancia = kvt::common::kDistanciaInicial;
  for (const Ponto& p : lugares) {
    const double d = kvt::common::Distancia(p, q);
    if (d < distancia) {
      distancia = d;
      melhor = &p;
    }
  }
  const double km = melhor ? distancia * 108.0 : 1000000;
  const std::string nome = melhor ? melhor->nome() : std::string();
  if (km < 0.03) return "Em " + nome;
  return kvt::text::formatThousands2(km) + " km a " +
         kvt::events::Direcao(latitude, longitude, melhor ? melhor->latitude() : latitude,
                              melhor ? melhor->longitude() : longitude) +
         " de " + nome;
}

void BM_VarreduraLinear(benchmark::State& state) {
  const Dados& d = dados();
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& [lat, lon] = d.q[i++ % d.q.size()];
    benchmark::DoNotOptimize(descricaoLinear(d.lugares, lat, lon));
  }
  state.counters["lugares"] = static_cast<double>(d.lugares.size());
}
BENCHMARK(BM_VarreduraLinear);

void calcula(benchmark::State& state, const kvt::events::tLocalizacao& localizacao) {
  const Dados& d = dados();
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& [lat, lon] = d.q[i++ % d.q.size()];
    benchmark::DoNotOptimize(localizacao.CalculaLocalizacao(lat, lon));
  }
  state.counters["profundidade"] = static_cast<double>(localizacao.indice()->profundidade());
}

void BM_CalculaLocalizacao_OrdemDoBanco(benchmark::State& state) { calcula(state, *dados().naOrdem); }
BENCHMARK(BM_CalculaLocalizacao_OrdemDoBanco);

void BM_CalculaLocalizacao_Ordenado(benchmark::State& state) { calcula(state, *dados().ordenado); }
BENCHMARK(BM_CalculaLocalizacao_Ordenado);

// Before timing anything: 100,000 random positions in and around the places'
// box, each answered by both indexes and by a scan over every place. The
// distance must be the scan's, and the place too wherever the nearest one is
// unique. Returns the number of disagreements.
int confereComVarredura() {
  const Dados& d = dados();
  double latMin = 90, latMax = -90, lonMin = 180, lonMax = -180;
  for (const Ponto& p : d.lugares) {
    latMin = std::min(latMin, p.latitude());
    latMax = std::max(latMax, p.latitude());
    lonMin = std::min(lonMin, p.longitude());
    lonMax = std::max(lonMax, p.longitude());
  }
  std::mt19937 gerador(3);
  std::uniform_real_distribution<double> lat(latMin - 1, latMax + 1), lon(lonMin - 1, lonMax + 1);
  int divergencias = 0, empates = 0;
  for (int i = 0; i < 100000; ++i) {
    const Ponto q(lat(gerador), lon(gerador));
    const Ponto* melhor = nullptr;
    double distancia = kvt::common::kDistanciaInicial;
    int iguais = 0;
    for (const Ponto& p : d.lugares) {
      const double dist = kvt::common::Distancia(p, q);
      if (dist < distancia) {
        distancia = dist;
        melhor = &p;
        iguais = 1;
      } else if (dist == distancia) {
        ++iguais;
      }
    }
    if (iguais > 1) ++empates;
    for (const auto* localizacao : {d.naOrdem.get(), d.ordenado.get()}) {
      kvt::common::PontoProx achado;
      localizacao->indice()->MaisProximo(q, localizacao->regiao(), achado);
      const bool mesmoLugar = achado.ponto && achado.ponto->nome() == melhor->nome() &&
                              achado.ponto->latitude() == melhor->latitude() &&
                              achado.ponto->longitude() == melhor->longitude();
      if (achado.distancia != distancia || (iguais == 1 && !mesmoLugar)) ++divergencias;
    }
  }
  std::printf("100000 random positions: %d answers differ from the linear scan (%d with equidistant places)\n",
              divergencias, empates);
  return divergencias;
}

using ::kvt::bench::Coletor;

}  // namespace

int main(int argc, char** argv) {
  kvt::events::setDebugOutput(false);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (dados().lugares.empty()) {
    std::fprintf(stderr, "br-places.csv not found\n");
    return 1;
  }
  if (confereComVarredura() != 0) return 1;
  Coletor coletor;
  benchmark::RunSpecifiedBenchmarks(&coletor);
  const auto tempo = [&](const char* nome) {
    const auto t = coletor.tempos.find(nome);
    return t == coletor.tempos.end() ? 0.0 : t->second;
  };
  const double linear = tempo("BM_VarreduraLinear");
  for (const char* nome : {"BM_CalculaLocalizacao_OrdemDoBanco", "BM_CalculaLocalizacao_Ordenado"}) {
    if (linear > 0 && tempo(nome) > 0)
      std::printf("%s: %.1f times faster than the linear scan over %zu places\n", nome, linear / tempo(nome),
                  dados().lugares.size());
  }
  benchmark::Shutdown();
  return 0;
}
