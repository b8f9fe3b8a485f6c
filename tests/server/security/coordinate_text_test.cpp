// Coordinate texts: every notation a client may send, the markers and zero
// texts, the truncating 32-bit arithmetic, our readings of degrees below 10
// and of longitudes of 100 degrees or more, a round trip over random values
// and random input that must always give one of the three allowed answers.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "platform/text/cp1252.h"
#include "server/security/coordinate_text.h"
#include "tests/server/security/coordinate_shape.h"

using namespace kvt::text::literals;
using kvt::security::Eixo;
using kvt::security::FormataCoordenada;
using kvt::security::GMSParaGraus;
using kvt::security::GrausParaGMS;

namespace {

constexpr Eixo LAT = Eixo::Latitude;
constexpr Eixo LON = Eixo::Longitude;

struct Caso {
  Eixo eixo;
  const char* entrada;  // UTF-8 in the source, Windows-1252 on the wire
  const char* esperado;
};

std::string cp(const char* utf8) { return kvt::text::utf8ToCp1252(utf8); }

TEST(FormataCoordenada, EveryNotationAndEveryRefusal) {
  const Caso casos[] = {
      // blank input
      {LAT, "", ""},
      {LON, "  \t ", ""},
      // decimal degrees, point or comma, no range test per axis
      {LAT, "-23.5", "23°30'00.0\" S"},
      {LON, "-46,6333", "46°37'59.8\" W"},
      {LON, "-23.5", "23°30'00.0\" W"},
      {LAT, " 23.5 ", "23°30'00.0\" N"},
      {LON, "46.6333", "46°37'59.8\" E"},
      {LAT, "-0.5", "00°30'00.0\" S"},
      {LAT, "-.5", "00°30'00.0\" S"},
      // zero texts
      {LAT, "0", "00°00'00.0\" S"},
      {LON, "0", "00°00'00.0\" W"},
      {LAT, "0000000S", "00°00'00.0\" S"},
      // symbols, either degree sign, any case
      {LAT, "23°32'51.3\" S", "23°32'51.3\" S"},
      {LAT, "23º32'51.3\" s", "23°32'51.3\" S"},
      {LAT, "23°32'51\" S", "23°32'51.0\" S"},
      {LON, "046°37'59.8\" W", "46°37'59.8\" W"},
      // compact digits with a hemisphere letter
      {LAT, "2332513S", "23°32'51.3\" S"},
      {LAT, "2332513 s", "23°32'51.3\" S"},
      {LAT, "233251399S", "23°32'51.3\" S"},
      {LON, "4637598O", "46°37'59.8\" W"},
      {LON, "4637598L", "46°37'59.8\" E"},
      {LON, "04637598W", "46°37'59.8\" W"},
      {LON, "463759W", "46°37'59.0\" W"},
      {LAT, "2332513L", "90°00'00.0\" S"},
      {LAT, "2332513W", "23°32'51.3\" W"},  // a latitude with W is returned as built
      {LON, "4637598N", "46°37'59.8\" N"},
      // compact texts that are not plain whole numbers
      {LON, "46°37'59.8\" O", ""},
      {LAT, "23 32 51.3 S", ""},
      {LAT, "S", ""},
      {LAT, "99999999999S", ""},
      {LAT, "$1AS", ""},
      // tenths of an arc-second, truncated at every step
      {LAT, "-845000", "23°28'19.9\" S"},
      {LAT, "845000", "23°28'19.9\" N"},
      // unreadable: the marker of the axis
      {LAT, "12345.6", "90°00'00.0\" S"},
      {LON, "12345.6", "90°00'00.0\" W"},
      {LAT, ".5", "90°00'00.0\" S"},
      {LAT, "ABC", "90°00'00.0\" S"},
      {LON, "ABC", "90°00'00.0\" W"},
      {LAT, "1.5.3", "90°00'00.0\" S"},
      {LAT, "NAN", ""},  // ends in N: a compact text whose digits are not a number
      {LAT, "INF", "90°00'00.0\" S"},
      {LAT, "0x1B", "90°00'00.0\" S"},
      // ours: degrees below 10 written with symbols or leading zeros
      {LAT, "05°03'00.0\" S", "05°03'00.0\" S"},
      {LAT, "5°03'00.0\" S", "05°03'00.0\" S"},
      {LAT, "0°30'00.0\" N", "00°30'00.0\" N"},
      {LAT, "0503000S", "05°03'00.0\" S"},
      {LON, "00503000W", "05°03'00.0\" W"},
      {LON, "0463759W", "46°37'59.0\" W"},  // 04°63' cannot be: 046 degrees
      {LAT, "503000S", "50°30'00.0\" S"},   // no leading zero: two-digit degrees
      {LAT, "-2332513S", ""},               // a sign inside a compact text
      // ours: 100 degrees or more do not fit the degree field
      {LON, "-123.5", "90°00'00.0\" W"},
      {LON, "100", "90°00'00.0\" W"},
      {LON, "-4500000", "90°00'00.0\" W"},  // 125 degrees in tenths of a second
      {LON, "-99.5", "99°30'00.0\" W"},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(FormataCoordenada(c.eixo, cp(c.entrada)), cp(c.esperado))
        << (c.eixo == LAT ? "latitude " : "longitude ") << c.entrada;
  }
}

TEST(GrausParaGMS, TruncatesAtEveryStep) {
  EXPECT_EQ(GrausParaGMS(LAT, -23.5f), cp("23°30'00.0\" S"));
  EXPECT_EQ(GrausParaGMS(LAT, 0.0f), cp("00°00'00.0\" S"));
  EXPECT_EQ(GrausParaGMS(LON, 0.0f), cp("00°00'00.0\" W"));
  EXPECT_EQ(GrausParaGMS(LON, 46.99999f), cp("46°59'59.9\" E"));  // never rounded up to 47
  EXPECT_EQ(GrausParaGMS(LON, 100.0f), cp("90°00'00.0\" W"));
  EXPECT_EQ(GrausParaGMS(LAT, std::nanf("")), cp("90°00'00.0\" S"));
  EXPECT_EQ(GrausParaGMS(LON, -INFINITY), cp("90°00'00.0\" W"));
}

TEST(GMSParaGraus, SignFromTheHemisphereAndZeroForWhatDoesNotRead) {
  EXPECT_NEAR(GMSParaGraus(LON, cp("46°37'59.8\" W")), -46.6333f, 1e-4f);
  EXPECT_NEAR(GMSParaGraus(LON, cp("46°37'59.8\" O")), -46.6333f, 1e-4f);
  EXPECT_NEAR(GMSParaGraus(LON, cp("46°37'59.8\" L")), 46.6333f, 1e-4f);
  EXPECT_NEAR(GMSParaGraus(LAT, cp(" 23°30'00.0\" S ")), -23.5f, 1e-6f);
  EXPECT_NEAR(GMSParaGraus(LAT, cp("23°30'00.0\" N")), 23.5f, 1e-6f);
  EXPECT_EQ(GMSParaGraus(LAT, cp("23°30'00.0\" X")), 0.0f);
  EXPECT_EQ(GMSParaGraus(LAT, cp("23°30'00.0\" W")), 0.0f);  // W is no latitude letter
  EXPECT_EQ(GMSParaGraus(LON, cp("23°30'00.0\" S")), 0.0f);
  EXPECT_EQ(GMSParaGraus(LAT, cp("2x°30'00.0\" S")), 0.0f);
  EXPECT_EQ(GMSParaGraus(LAT, "23"), 0.0f);
  EXPECT_EQ(GMSParaGraus(LAT, ""), 0.0f);
}

TEST(ParCoordenadasRecusado, OnlyPairsOfMarkersZerosOrBlanks) {
  using kvt::security::ParCoordenadasRecusado;
  const std::string mLat = cp("90°00'00.0\" S"), mLon = cp("90°00'00.0\" W");
  const std::string zLat = cp("00°00'00.0\" S"), zLon = cp("00°00'00.0\" W");
  const std::string lat = cp("23°32'51.3\" S"), lon = cp("46°37'59.8\" W");
  EXPECT_TRUE(ParCoordenadasRecusado(mLat, mLon));
  EXPECT_TRUE(ParCoordenadasRecusado(zLat, zLon));
  EXPECT_TRUE(ParCoordenadasRecusado("", ""));
  EXPECT_FALSE(ParCoordenadasRecusado(mLat, lon));
  EXPECT_FALSE(ParCoordenadasRecusado(lat, zLon));
  EXPECT_FALSE(ParCoordenadasRecusado("", lon));
  EXPECT_FALSE(ParCoordenadasRecusado(mLat, zLon));
  EXPECT_FALSE(ParCoordenadasRecusado(lat, lon));
}

// For random degrees in range on both axes: the text never reads back further
// than a tenth of an arc-second from the value (plus the rounding of the
// 32-bit float that holds the result), never beyond it, keeps its sign, and
// reads again as itself when a client sends it back.
TEST(CoordinateText, RoundTripStaysWithinATenthOfAnArcSecond) {
  std::mt19937 rng(61);
  for (Eixo eixo : {LAT, LON}) {
    const float limite = eixo == LAT ? 90.0f : 99.999f;
    std::uniform_real_distribution<float> dist(-limite, limite);
    for (int i = 0; i < 20000; ++i) {
      const float x = i < 4 ? std::vector<float>{0.0f, 9.99999f, -5.05f, 0.00001f}[static_cast<std::size_t>(i)]
                            : dist(rng);
      const std::string texto = GrausParaGMS(eixo, x);
      ASSERT_TRUE(kvt::test::formaCanonica(texto)) << x;
      const float y = GMSParaGraus(eixo, texto);
      const float folga = 1.0f / 36000.0f + 2.0f * (std::nextafter(std::fabs(x), 200.0f) - std::fabs(x));
      ASSERT_LE(std::fabs(x - y), folga) << x << " " << texto;
      ASSERT_LE(std::fabs(y), std::fabs(x) + folga - 1.0f / 36000.0f) << x << " " << texto;
      if (y != 0.0f) {
        ASSERT_EQ(y < 0, x < 0) << x << " " << texto;
      }
      ASSERT_EQ(FormataCoordenada(eixo, texto), texto) << x;
    }
  }
}

// Random bytes and mutated coordinate texts: never a crash, and the answer is
// always empty, the marker of the axis or a canonical text.
TEST(CoordinateText, RandomInputAlwaysGivesAnAllowedAnswer) {
  std::mt19937 rng(2026);
  auto ate = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  const std::string sementes[] = {cp("23°32'51.3\" S"), "2332513S", "04637598O", "-845000", "-46,6333",
                                  cp("5º3'0\" n"),     "0503000L", "1E2",       "-.5",      "99.9999999"};
  const std::string alfabeto = cp("0123456789NSEWLOnsewlo°º'\".,+-E $x\t ");
  for (int i = 0; i < 50000; ++i) {
    std::string t;
    if (ate(4) == 0) {
      t.resize(static_cast<std::size_t>(ate(24)));
      for (char& c : t) c = static_cast<char>(ate(256));
    } else {
      t = sementes[ate(static_cast<int>(std::size(sementes)))];
      const int n = 1 + ate(4);
      for (int k = 0; k < n; ++k) {
        const auto p = static_cast<std::size_t>(ate(static_cast<int>(t.size()) + 1));
        const char c = alfabeto[static_cast<std::size_t>(ate(static_cast<int>(alfabeto.size())))];
        switch (ate(3)) {
          case 0: t.insert(p, 1, c); break;
          case 1: if (p < t.size()) t.erase(p, 1); break;
          default: if (p < t.size()) t[p] = c; break;
        }
      }
    }
    for (Eixo eixo : {LAT, LON}) {
      const std::string r = FormataCoordenada(eixo, t);
      ASSERT_TRUE(kvt::test::saidaAceita(eixo, r)) << "[" << t << "] -> [" << r << "]";
    }
  }
}

}  // namespace
