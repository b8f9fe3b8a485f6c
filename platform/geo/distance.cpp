#include "platform/geo/distance.h"

#include <GeographicLib/Geodesic.hpp>

#include <cmath>

namespace kvt::geo {

namespace {

bool noElipsoide(double lon, double lat) { return std::isfinite(lon) && std::isfinite(lat) && std::fabs(lat) <= 90.0; }

}  // namespace

double Distance(double lon1, double lat1, double lon2, double lat2) {
  if (!noElipsoide(lon1, lat1) || !noElipsoide(lon2, lat2)) return 0.0;
  double metros = 0.0;
  GeographicLib::Geodesic::WGS84().Inverse(lat1, lon1, lat2, lon2, metros);
  if (!std::isfinite(metros) || metros < 0.0) return 0.0;
  return metros / 1000.0;
}

}  // namespace kvt::geo
