#include "platform/geo/distance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

using kvt::geo::Distance;

// Reference lengths of the WGS84 ellipsoid (a = 6378137 m, f = 1/298.257223563).
TEST(Distance, KnownLengthsOfTheEllipsoidInKilometres) {
  struct Caso {
    double lon1, lat1, lon2, lat2, km, tolerancia;
  };
  const Caso casos[] = {
      {0, 0, 1, 0, 2 * M_PI * 6378.137 / 360, 1e-6},  // one degree along the equator
      {10, 0, 10, 1, 110.574389, 1e-5},               // one degree of meridian from the equator
      {-46, 0, -46, 90, 10001.965729, 1e-5},          // quarter meridian
      {-46.6333, -23.55, -46.6333, -23.55, 0.0, 0.0}, // the same point
  };
  for (const Caso& c : casos) {
    EXPECT_NEAR(Distance(c.lon1, c.lat1, c.lon2, c.lat2), c.km, c.tolerancia)
        << c.lon1 << "," << c.lat1 << " -> " << c.lon2 << "," << c.lat2;
  }
}

// Longitude comes first: the same four numbers in the other order measure a
// different pair of points.
TEST(Distance, TakesLongitudeBeforeLatitude) {
  EXPECT_NEAR(Distance(10, 0, 10, 1), 110.574389, 1e-5);
  EXPECT_NEAR(Distance(0, 10, 1, 10), 109.6397, 1e-3);  // one degree of longitude at 10 degrees north
}

TEST(Distance, PointsOffTheEllipsoidMeasureNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(Distance(0, 90.5, 0, 0), 0.0);
  EXPECT_EQ(Distance(0, 0, 0, -99.99), 0.0);
  EXPECT_EQ(Distance(nan, 0, 0, 0), 0.0);
  EXPECT_EQ(Distance(0, 0, inf, 0), 0.0);
  EXPECT_GT(Distance(0, 90, 0, -90), 20003.0);  // the poles themselves are points
}

// Random pairs, including antipodes and longitudes past 180: never negative,
// never more than half a meridian, the same both ways.
TEST(Distance, RandomPairsAreSymmetricAndBounded) {
  std::mt19937 gerador(18);
  std::uniform_real_distribution<double> lat(-90, 90), lon(-400, 400);
  for (int i = 0; i < 20000; ++i) {
    const double a = lon(gerador), b = lat(gerador);
    const double c = i % 10 == 0 ? a + 180 : lon(gerador);
    const double d = i % 10 == 0 ? -b : lat(gerador);
    const double ida = Distance(a, b, c, d);
    ASSERT_GE(ida, 0.0);
    ASSERT_LE(ida, 20004.0);
    ASSERT_NEAR(ida, Distance(c, d, a, b), 1e-6);
  }
}

}  // namespace
