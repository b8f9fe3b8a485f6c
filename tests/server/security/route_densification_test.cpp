#include "server/security/route_densification.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "platform/geo/distance.h"
#include "server/security/coordinate_text.h"

namespace kvt::security {
namespace {

// The canonical text of a coordinate given in tenths of an arc-second.
std::string gms(long decimos, char letra) {
  char t[32];
  std::snprintf(t, sizeof t, "%02ld\xB0%02ld'%02ld.%ld\" %c", decimos / 36000, decimos / 600 % 60, decimos / 10 % 60,
                decimos % 10, letra);
  return t;
}

// A point south of the equator and west of Greenwich, in tenths of an arc-second.
typPontoRota ponto(long latDecimos, long lonDecimos) { return {gms(latDecimos, 'S'), gms(lonDecimos, 'W'), kOrigemCliente}; }

double distancia(const typPontoRota& a, const typPontoRota& b) {
  return geo::Distance(GMSParaGraus(Eixo::Longitude, a.Longitude), GMSParaGraus(Eixo::Latitude, a.Latitude),
                       GMSParaGraus(Eixo::Longitude, b.Longitude), GMSParaGraus(Eixo::Latitude, b.Latitude));
}

typRegRota rota(std::int32_t tolerancia, typArrayPontoRota pontos) { return {"R", std::move(pontos), tolerancia}; }

TEST(DensificaRota, StepIsTheToleranceCappedAt370Metres) {
  const double passos[] = {0.1, 0.2, 0.3, 0.37, 0.37, 0.37, 0.37, 0.37, 0.37};
  for (std::int32_t i = 0; i < 9; ++i) {
    EXPECT_TRUE(ToleranciaRotaValida(i));
    EXPECT_DOUBLE_EQ(PassoDensificacao(i), passos[i]) << i;
  }
  for (std::int32_t fora : {-1, 9, 255, 65535}) {
    EXPECT_FALSE(ToleranciaRotaValida(fora));
    EXPECT_DOUBLE_EQ(PassoDensificacao(fora), 0.37) << fora;
  }
}

// A route of 100 km along the meridian 46°30' W in three unequal segments:
// at every tolerance each segment gets ceil(d / step) - 1 generated points,
// spread evenly along the geodesic between its ends.
TEST(DensificaRota, HundredKilometresAtEveryToleranceIndex) {
  const long lon = 46 * 36000 + 30 * 600;
  const long inicio = 22 * 36000;
  const long km = 324;  // about a kilometre of meridian, in tenths of an arc-second
  const typArrayPontoRota original = {ponto(inicio, lon), ponto(inicio + 17 * km, lon),
                                      ponto(inicio + 58 * km, lon), ponto(inicio + 100 * km, lon)};
  ASSERT_NEAR(distancia(original.front(), original.back()), 100.0, 0.5);
  for (std::int32_t indice = 0; indice < 9; ++indice) {
    typRegRota r = rota(indice, original);
    const double passo = PassoDensificacao(indice);
    const std::int32_t total = DensificaRota(r);
    ASSERT_EQ(total, static_cast<std::int32_t>(r.Pontos.size()));

    std::size_t k = 0;
    std::int32_t esperado = 1;
    for (std::size_t seg = 0; seg + 1 < original.size(); ++seg) {
      const typPontoRota& a = original[seg];
      const typPontoRota& b = original[seg + 1];
      const double d = distancia(a, b);
      const auto n = static_cast<long>(std::ceil(d / passo));
      ASSERT_EQ(r.Pontos[k].Latitude, a.Latitude) << indice;
      ASSERT_EQ(r.Pontos[k].Origem, kOrigemCliente);
      for (long h = 1; h < n; ++h) {
        const typPontoRota& g = r.Pontos[k + static_cast<std::size_t>(h)];
        ASSERT_EQ(g.Origem, kOrigemGerado) << "index " << indice << " segment " << seg << " point " << h;
        ASSERT_EQ(g.Longitude, a.Longitude);
        // a tenth of an arc-second of truncation is about 3 m
        ASSERT_NEAR(distancia(a, g), d * h / n, 0.004) << "index " << indice << " segment " << seg << " point " << h;
      }
      k += static_cast<std::size_t>(n);
      esperado += static_cast<std::int32_t>(n);
    }
    EXPECT_EQ(r.Pontos[k].Latitude, original.back().Latitude);
    EXPECT_EQ(r.Pontos[k].Origem, kOrigemCliente);
    EXPECT_EQ(total, esperado) << indice;
  }
}

TEST(DensificaRota, TwoPointsOneKilometreApartGetTwoPointsAtTheThirds) {
  const long lon = 46 * 36000;
  const typPontoRota a = ponto(23 * 36000, lon), b = ponto(23 * 36000 + 325, lon);
  ASSERT_NEAR(distancia(a, b), 1.0, 0.002);
  typRegRota r = rota(3, {a, b});  // 400 m: the step is 0.37, so three parts, not two or three of 0.4
  ASSERT_EQ(DensificaRota(r), 4);
  ASSERT_EQ(r.Pontos.size(), 4u);
  const std::int32_t origens[] = {1, 2, 2, 1};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(r.Pontos[i].Origem, origens[i]) << i;
  EXPECT_EQ(r.Pontos[0].Latitude, a.Latitude);
  EXPECT_EQ(r.Pontos[3].Latitude, b.Latitude);
  const float latA = GMSParaGraus(Eixo::Latitude, a.Latitude), latB = GMSParaGraus(Eixo::Latitude, b.Latitude);
  for (int h = 1; h <= 2; ++h) {
    EXPECT_NEAR(GMSParaGraus(Eixo::Latitude, r.Pontos[static_cast<std::size_t>(h)].Latitude),
                latA + h * (latB - latA) / 3, 0.1 / 3600 + 1e-6);
    EXPECT_EQ(r.Pontos[static_cast<std::size_t>(h)].Longitude, a.Longitude);
  }
}

// Only a distance greater than the step is densified: pairs on the equator
// just within and just beyond one step (0.1" of longitude there is 3.09 m).
TEST(DensificaRota, OnlyDistancesBeyondTheStepAreDensified) {
  struct Caso {
    std::int32_t tolerancia;
    long decimos;
    std::int32_t pontos;
  };
  const Caso casos[] = {
      {3, 119, 2},  // 0.3680 km, step 0.37
      {3, 120, 3},  // 0.3711 km
      {8, 119, 2},
      {0, 32, 2},   // 0.0989 km, step 0.1
      {0, 33, 3},   // 0.1020 km
  };
  for (const Caso& c : casos) {
    const typPontoRota a{gms(0, 'S'), gms(45 * 36000, 'W')}, b{gms(0, 'S'), gms(45 * 36000 + c.decimos, 'W')};
    typRegRota r = rota(c.tolerancia, {a, b});
    EXPECT_EQ(DensificaRota(r), c.pontos) << c.tolerancia << " " << c.decimos << " " << distancia(a, b);
    EXPECT_EQ(r.Pontos.size(), static_cast<std::size_t>(c.pontos));
  }
}

TEST(DensificaRota, FewerThanTwoPointsStayAsTheyAre) {
  typRegRota vazia = rota(0, {});
  EXPECT_EQ(DensificaRota(vazia), 0);
  EXPECT_TRUE(vazia.Pontos.empty());
  typRegRota um = rota(0, {ponto(23 * 36000, 46 * 36000)});
  EXPECT_EQ(DensificaRota(um), 0);
  ASSERT_EQ(um.Pontos.size(), 1u);
  EXPECT_EQ(um.Pontos[0].Latitude, gms(23 * 36000, 'S'));
}

// Points 3 m apart need no densification; the limit counts them all, and a
// pair that would carry the route to the limit leaves every point in place.
TEST(DensificaRota, ReachingTheLimitLeavesThePointsUnchanged) {
  auto proximos = [](int quantos) {
    typArrayPontoRota p;
    for (int i = 0; i < quantos; ++i) p.push_back(ponto(0, 45 * 36000 + i));
    return p;
  };
  typRegRota cabe = rota(3, proximos(4999));
  EXPECT_EQ(DensificaRota(cabe), 4999);
  typRegRota cheia = rota(3, proximos(5000));
  EXPECT_EQ(DensificaRota(cheia), 5000);

  // 4998 points, then one 0.5 km further: two parts make 4998 + 2 = 5000
  typArrayPontoRota pontos = proximos(4998);
  pontos.push_back(ponto(0, 45 * 36000 + 4997 + 162));
  typRegRota longe = rota(3, pontos);
  EXPECT_EQ(DensificaRota(longe), 5000);
  ASSERT_EQ(longe.Pontos.size(), 4999u);
  for (const typPontoRota& p : longe.Pontos) ASSERT_EQ(p.Origem, kOrigemCliente);
  EXPECT_EQ(longe.Pontos.back().Longitude, pontos.back().Longitude);

  // an ocean between two points: the sum is far past the limit and still a count
  typRegRota oceano = rota(0, {ponto(0, 45 * 36000), typPontoRota{gms(0, 'N'), gms(45 * 36000, 'E')}});
  EXPECT_GE(DensificaRota(oceano), 5000);
  EXPECT_EQ(oceano.Pontos.size(), 2u);
}

// Random routes, including texts that are no coordinates and tolerances
// outside the table: the client's points always survive in order, generated
// points are canonical texts, and a refused route keeps its points.
TEST(DensificaRota, RandomRoutesKeepTheirPointsInOrder) {
  std::mt19937 gerador(1818);
  std::uniform_int_distribution<int> quantos(0, 12), tolerancia(-2, 11), tipo(0, 9);
  std::uniform_real_distribution<float> lat(-89.9f, 89.9f), lon(-99.9f, 99.9f), perto(-0.05f, 0.05f);
  const std::string lixo[] = {"", "abc", "90\xB0" "00'00.0\" S", "99\xB0" "59'59.9\" N", "00\xB0" "00'00.0\" X"};
  for (int iteracao = 0; iteracao < 300; ++iteracao) {
    typRegRota r = rota(tolerancia(gerador), {});
    float la = lat(gerador), lo = lon(gerador);
    const int n = quantos(gerador);
    for (int i = 0; i < n; ++i) {
      const int t = tipo(gerador);
      if (t == 0) {
        r.Pontos.push_back({lixo[static_cast<std::size_t>(i) % 5], lixo[static_cast<std::size_t>(i + 1) % 5]});
      } else {
        if (t == 1) la = lat(gerador), lo = lon(gerador);  // a jump far away
        la = std::clamp(la + perto(gerador), -89.9f, 89.9f);
        lo = std::clamp(lo + perto(gerador), -99.9f, 99.9f);
        r.Pontos.push_back({GrausParaGMS(Eixo::Latitude, la), GrausParaGMS(Eixo::Longitude, lo)});
      }
    }
    const typArrayPontoRota antes = r.Pontos;
    const std::int32_t total = DensificaRota(r);
    if (antes.size() < 2) {
      ASSERT_EQ(total, 0);
      continue;
    }
    if (total >= MAX_PONTO_ROTA_VEICULO) {
      ASSERT_EQ(r.Pontos.size(), antes.size());
      continue;
    }
    ASSERT_EQ(static_cast<std::size_t>(total), r.Pontos.size());
    std::size_t k = 0;
    for (const typPontoRota& p : r.Pontos) {
      if (p.Origem == kOrigemCliente) {
        ASSERT_LT(k, antes.size());
        ASSERT_EQ(p.Latitude, antes[k].Latitude);
        ASSERT_EQ(p.Longitude, antes[k].Longitude);
        ++k;
      } else {
        ASSERT_EQ(p.Origem, kOrigemGerado);
        ASSERT_EQ(p.Latitude.size(), 13u) << p.Latitude;
        ASSERT_EQ(p.Longitude.size(), 13u) << p.Longitude;
      }
    }
    ASSERT_EQ(k, antes.size());
  }
}

}  // namespace
}  // namespace kvt::security
