#include "server/events/location.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text/cp1252.h"
#include "platform/text/regional.h"
#include "server/events/debug_output.h"
#include "tests/server/common/br_places.h"

using namespace kvt::events;
using kvt::common::Ponto;
using namespace kvt::text::literals;

namespace {

constexpr double kGrausPorKm = 1 / 108.0;

// Places held in memory, as the central would return them.
struct Lugares : FonteLugares {
  std::int32_t contador = 0;
  std::vector<Ponto> cidades, referencias;
  int leituras = 0;
  bool falha = false;

  std::int32_t ContadorRefer() override { return contador; }
  std::vector<Ponto> Cidades() override {
    ++leituras;
    return cidades;
  }
  std::vector<Ponto> Referencias() override {
    if (falha) throw std::runtime_error("General SQL error");
    return referencias;
  }
};

struct Localizacao : ::testing::Test {
  Lugares lugares;
  tLocalizacao localizacao;
  void SetUp() override { kvt::text::setRegional({}); }
  void carrega(std::int32_t contador) {
    lugares.contador = contador;
    localizacao.CarregaLocalizacao(lugares);
  }
};

}  // namespace

TEST_F(Localizacao, NoIndexUntilTheCounterChanges) {
  EXPECT_EQ(localizacao.CalculaLocalizacao(-22.9, -47.06), "1.000.000,00 km a S de ");
  lugares.cidades = {Ponto("Campinas", "SP", -22.9, -47.06)};
  carrega(0);  // the counter starts at 0: nothing is read
  EXPECT_EQ(lugares.leituras, 0);
  EXPECT_EQ(localizacao.indice(), nullptr);
  EXPECT_EQ(localizacao.CalculaLocalizacao(-22.9, -47.06), "1.000.000,00 km a S de ");
  EXPECT_EQ(localizacao.ElementoLocalizacao(0, "022 54 00 0 S", "047 03 36 0 O"),
            " <Localizacao> 1.000.000,00 km a S de  </Localizacao> ");
  carrega(3);
  EXPECT_EQ(lugares.leituras, 1);
  EXPECT_EQ(localizacao.ContadorRefer(), 3);
  EXPECT_EQ(localizacao.CalculaLocalizacao(-22.9, -47.06), "Em Campinas");
}

TEST_F(Localizacao, ReloadsOnlyWhenTheCounterChanges) {
  lugares.cidades = {Ponto("Campinas", "SP", -22.9, -47.06)};
  carrega(1);
  carrega(1);
  carrega(1);
  EXPECT_EQ(lugares.leituras, 1);
  lugares.cidades = {Ponto("Santos", "SP", -23.96, -46.33)};
  carrega(1);  // a change of tcidades alone is not seen
  EXPECT_EQ(localizacao.CalculaLocalizacao(-22.9, -47.06), "Em Campinas");
  carrega(2);
  EXPECT_EQ(lugares.leituras, 2);
  EXPECT_EQ(localizacao.CalculaLocalizacao(-23.96, -46.33), "Em Santos");
}

TEST_F(Localizacao, CitiesBeforeReferencePointsAndTheBoundingRegion) {
  lugares.cidades = {Ponto("Cidade", "MG", -20, -44), Ponto("Norte", "PA", -1, -48)};
  lugares.referencias = {Ponto("Posto", -20, -44), Ponto("Leste", -21, -35)};
  carrega(1);
  // the city and the reference point stand on the same spot: the city came first
  EXPECT_EQ(localizacao.CalculaLocalizacao(-20, -44), "Em Cidade");
  EXPECT_EQ(localizacao.CalculaLocalizacao(-21, -35), "Em Leste");
  const auto& r = localizacao.regiao();
  EXPECT_EQ(r.latMin, -21);
  EXPECT_EQ(r.latMax, -1);
  EXPECT_EQ(r.lonMin, -48);
  EXPECT_EQ(r.lonMax, -35);
  EXPECT_EQ(localizacao.indice()->tamanho(), 4u);
}

TEST_F(Localizacao, AFailedReloadKeepsTheIndexInUse) {
  lugares.cidades = {Ponto("Campinas", "SP", -22.9, -47.06)};
  carrega(1);
  lugares.cidades = {Ponto("Santos", "SP", -23.96, -46.33)};
  lugares.falha = true;
  EXPECT_THROW(carrega(2), std::runtime_error);
  EXPECT_EQ(localizacao.ContadorRefer(), 1);
  EXPECT_EQ(localizacao.CalculaLocalizacao(-22.9, -47.06), "Em Campinas");
  lugares.falha = false;
  carrega(2);  // the next tick tries again
  EXPECT_EQ(localizacao.CalculaLocalizacao(-23.96, -46.33), "Em Santos");
}

TEST_F(Localizacao, DistanceTextAndTheEmThreshold) {
  lugares.cidades = {Ponto("Campinas", "SP", -22.9, -47.06), Ponto("Manaus", "AM", -3.1, -60.02)};
  carrega(1);
  struct Caso {
    double dLat, dLon;
    std::string texto;
  } casos[] = {
      {0.02 * kGrausPorKm, 0, "Em Campinas"},                // 20 m north
      {0, -0.0299 * kGrausPorKm, "Em Campinas"},
      {0.04 * kGrausPorKm, 0, "0,04 km a N de Campinas"},
      {-12.34 * kGrausPorKm, 0, "12,34 km a S de Campinas"},
      {0.1 * kGrausPorKm, 1 * kGrausPorKm, "1,00 km a L de Campinas"},  // theta about 0.0997
      {5 * kGrausPorKm, 5 * kGrausPorKm, "7,07 km a NE de Campinas"},
      {-5 * kGrausPorKm, -5 * kGrausPorKm, "7,07 km a SO de Campinas"},
      {-4.0, 0, "432,00 km a S de Campinas"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    EXPECT_EQ(localizacao.CalculaLocalizacao(-22.9 + c.dLat, -47.06 + c.dLon), c.texto);
  }
  // thousands grouped with the regional separators
  EXPECT_EQ(localizacao.CalculaLocalizacao(-3.1 + 12, -60.02), "1.296,00 km a N de Manaus");
  kvt::text::RegionalSettings ingles;
  ingles.decimalSeparator = '.';
  ingles.thousandSeparator = ',';
  kvt::text::setRegional(ingles);
  EXPECT_EQ(localizacao.CalculaLocalizacao(-3.1 + 12, -60.02), "1,296.00 km a N de Manaus");
}

TEST(Direcao, SectorsQuadrantsAndBoundaries) {
  struct Caso {
    double teta;
    const char *lesteNorte, *lesteSul, *oesteNorte, *oesteSul;
  } casos[] = {
      {0.0001, "L", "L", "O", "O"},          {0.19, "L", "L", "O", "O"},
      {0.2, "LNE", "LSE", "ONO", "OSO"},     {0.588, "LNE", "LSE", "ONO", "OSO"},
      {0.5891, "NE", "SE", "NO", "SO"},      {0.785, "NE", "SE", "NO", "SO"},
      {0.9817, "NE", "SE", "NO", "SO"},      {0.982, "NNE", "SSE", "NNO", "SSO"},
      {1.3743, "NNE", "SSE", "NNO", "SSO"},  {1.3745, "N", "S", "N", "S"},
      {1.5707, "N", "S", "N", "S"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.teta);
    const double dLat = std::tan(c.teta);
    EXPECT_EQ(Direcao(10 + dLat, 21, 10, 20), c.lesteNorte);
    EXPECT_EQ(Direcao(10 - dLat, 21, 10, 20), c.lesteSul);
    EXPECT_EQ(Direcao(10 + dLat, 19, 10, 20), c.oesteNorte);
    EXPECT_EQ(Direcao(10 - dLat, 19, 10, 20), c.oesteSul);
  }
  // equal longitudes: north only when strictly greater
  EXPECT_EQ(Direcao(11, 20, 10, 20), "N");
  EXPECT_EQ(Direcao(9, 20, 10, 20), "S");
  EXPECT_EQ(Direcao(10, 20, 10, 20), "S");
  // equal latitudes count as south
  EXPECT_EQ(Direcao(10, 21, 10, 20), "L");
  EXPECT_EQ(Direcao(10, 20 + 1e-9, 10, 20), "L");
}

TEST(Direcao, TheAngleIsComparedAsA32BitFloat) {
  // On each boundary itself the float of the angle decides: the floats of
  // 0.1964 and 0.9818 lie above them, the float of 0.589 below it.
  struct Caso {
    double teta;
    const char* direcao;
  } casos[] = {{0.1964, "LNE"}, {0.589, "LNE"}, {0.9818, "NNE"}, {1.3744, "N"}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.teta);
    ASSERT_EQ(std::atan(std::tan(c.teta)), c.teta);
    EXPECT_EQ(Direcao(std::tan(c.teta), 1, 0, 0), c.direcao);
  }
}

TEST(CoordenadaEventoParaGraus, PiecesAndHemispheres) {
  struct Caso {
    const char* texto;
    int eixo;
    double graus;
  } casos[] = {
      {"046 38 00 0 L", 1, 46.6333333},
      {"046 38 00 0 E", 1, 46.6333333},
      {"046 38 00 0 W", 1, -46.6333333},
      {"046 38 00 0 O", 1, -46.6333333},
      {"023 32 51 3 S", 0, -(23 + 32 / 60.0 + 51 / 3600.0 + 3 / 36000.0)},
      {"023 32 51 3 N", 0, 23 + 32 / 60.0 + 51 / 3600.0 + 3 / 36000.0},
      {"023 32 51 3 X", 0, 0},
      {"023 32 51 3 s", 0, 0},   // letters are upper case
      {"023 32 51 3 L", 0, 0},   // a longitude letter on a latitude
      {"046 38 00 0 N", 1, 0},
      {"023 32 51 3", 0, 0},     // no letter
      {"0A3 32 51 3 S", 0, 0},   // a piece that is not a number
      {"023 32 51 x S", 0, 0},
      {"", 0, 0},
      {"023", 1, 0},
      {"180 00 00 0 O", 1, -180},
      {" 23 32 51 3 S", 0, -(23 + 32 / 60.0 + 51 / 3600.0 + 3 / 36000.0)},  // pieces read by the platform's rules
      {"-23 32 51 3 S", 0, -(-23 + 32 / 60.0 + 51 / 3600.0 + 3 / 36000.0)},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    const float v = CoordenadaEventoParaGraus(c.texto, c.eixo);
    EXPECT_NEAR(v, c.graus, 1e-5);
  }
}

TEST_F(Localizacao, ElementFoldsTheTextAndAnswersIndefinida) {
  lugares.cidades = {Ponto("São José dos Campos"_cp, "SP", -23.18, -45.88)};
  lugares.referencias = {Ponto("Pátio <A&B>"_cp, -10, -40)};
  carrega(1);
  EXPECT_EQ(localizacao.ElementoLocalizacao(1, "023 10 48 0 S", "045 52 48 0 O"),
            " <Localizacao> Indefinida </Localizacao> ");
  EXPECT_EQ(localizacao.ElementoLocalizacao(0, "023 10 48 0 S", "045 52 48 0 O"),
            " <Localizacao> Em Sao Jose dos Campos </Localizacao> ");
  EXPECT_EQ(localizacao.ElementoLocalizacao(0, "010 00 00 0 S", "040 00 00 0 O"),
            " <Localizacao> Em Patio &lt;AeB> </Localizacao> ");
  // unreadable coordinates describe the position (0, 0)
  EXPECT_EQ(localizacao.CalculaLocalizacao(0, 0), "4.452,95 km a LNE de P\xE1tio <A&B>");
  EXPECT_EQ(localizacao.ElementoLocalizacao(0, "lixo", "??"),
            " <Localizacao> 4.452,95 km a LNE de Patio &lt;AeB> </Localizacao> ");
}

TEST_F(Localizacao, NonFinitePositionsDoNotCrash) {
  lugares.cidades = {Ponto("Campinas", "SP", -22.9, -47.06)};
  carrega(1);
  for (const auto& [lat, lon] : std::vector<std::pair<double, double>>{
           {NAN, -47.0}, {-22.0, NAN}, {INFINITY, 0}, {0, -INFINITY}, {NAN, NAN}}) {
    const std::string texto = localizacao.CalculaLocalizacao(lat, lon);
    EXPECT_NE(texto.find(" km a "), std::string::npos) << texto;
  }
}

TEST_F(Localizacao, DemoCitiesGiveRealDistances) {
  lugares.cidades = kvt::test::brPlaces();
  ASSERT_GT(lugares.cidades.size(), 5000u);
  carrega(1);
  EXPECT_EQ(localizacao.indice()->tamanho(), lugares.cidades.size());
  for (const Ponto& cidade : lugares.cidades) {
    // at each place itself, or a few metres off: its own name (the places
    // are more than 30 m apart)
    const std::string texto = localizacao.CalculaLocalizacao(cidade.latitude() + 0.01 * kGrausPorKm, cidade.longitude());
    ASSERT_EQ(texto, "Em " + cidade.nome());
  }
}

TEST(CanalDepuracao, OffByDefaultAndTwoLinesWhenOn) {
  kvt::text::setRegional({});
  std::vector<std::string> linhas;
  setDebugOutputSink([&](std::string_view l) { linhas.emplace_back(l); });
  tLocalizacao localizacao;
  setDebugOutput(false);
  localizacao.CalculaLocalizacao(1, 2);
  EXPECT_TRUE(linhas.empty());
  setDebugOutput(true);
  const std::string texto = localizacao.CalculaLocalizacao(1, 2);
  setDebugOutput(false);
  setDebugOutputSink(nullptr);
  ASSERT_EQ(linhas.size(), 2u);
  const std::string inicio = "[KORVATEL-43] A função \"CalculaLocalizacao\" foi processada em "_cp;
  ASSERT_EQ(linhas[0].substr(0, inicio.size()), inicio);
  const std::string tempo = linhas[0].substr(inicio.size());
  // "%8.4f" milliseconds with the decimal comma
  EXPECT_EQ(tempo.size(), 8 + std::string(" milisegundos").size()) << tempo;
  EXPECT_EQ(tempo.substr(3, 1), ",");
  EXPECT_EQ(tempo.substr(8), " milisegundos");
  EXPECT_EQ(linhas[1], "[KORVATEL-43] Localização gerada: "_cp + texto);
}
