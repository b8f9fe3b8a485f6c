#include "central/quillon/fleet.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kvt::quillon {

namespace {

constexpr double kKmPerDegree = 111.2;
// Legs run to a town between these distances, as a truck drives through the
// towns along a road; a town closer than kAtTownKm is the one it stands at.
constexpr double kMinLegKm = 15;
constexpr double kMaxLegKm = 120;
constexpr double kAtTownKm = 1;

double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// Heading from north, clockwise, in whole degrees 0..359.
int heading(double lat1, double lon1, double lat2, double lon2) {
  const double north = lat2 - lat1;
  const double east = (lon2 - lon1) * std::cos(radians((lat1 + lat2) / 2));
  if (north == 0 && east == 0) return 0;
  const int h = static_cast<int>(std::lround(std::atan2(east, north) * 180.0 / std::numbers::pi));
  return (h % 360 + 360) % 360;
}

}  // namespace

double distanceKm(double lat1, double lon1, double lat2, double lon2) {
  const double north = (lat2 - lat1) * kKmPerDegree;
  const double east = (lon2 - lon1) * kKmPerDegree * std::cos(radians((lat1 + lat2) / 2));
  return std::sqrt(north * north + east * east);
}

Fleet::Fleet(std::vector<Place> places, std::uint32_t seed) : places_(std::move(places)), random_(seed) {}

void Fleet::add(std::int64_t terminal, std::optional<std::pair<double, double>> start) {
  Vehicle v;
  v.terminal = terminal;
  if (start) {
    v.latitude = start->first;
    v.longitude = start->second;
  } else if (!places_.empty()) {
    const Place& p = places_[random_.below(static_cast<std::uint32_t>(places_.size()))];
    v.latitude = p.latitude;
    v.longitude = p.longitude;
  } else {
    v.latitude = -15.7939;  // Brasília, for a central without towns
    v.longitude = -47.8828;
  }
  v.odometerKm = random_.between(20000, 400000);
  v.cruiseKmh = random_.between(55, 90);
  v.satellites = 7 + static_cast<int>(random_.below(6));
  v.refrigerated = random_.chance(0.25);
  v.stopsLeft = static_cast<int>(random_.below(3));
  v.ignition = v.stopsLeft == 0;
  vehicles_.push_back(v);
  lastTown_.push_back(-1);
}

int Fleet::chooseNextTown(const Vehicle& v) {
  std::vector<int> candidates;
  int nearestBeyond = -1;
  double nearestBeyondKm = 0;
  for (std::size_t k = 0; k < places_.size(); ++k) {
    const double d = distanceKm(v.latitude, v.longitude, places_[k].latitude, places_[k].longitude);
    if (d >= kMinLegKm && d <= kMaxLegKm) candidates.push_back(static_cast<int>(k));
    if (d > kAtTownKm && (nearestBeyond < 0 || d < nearestBeyondKm)) {
      nearestBeyond = static_cast<int>(k);
      nearestBeyondKm = d;
    }
  }
  if (candidates.empty()) return nearestBeyond;  // a remote town: the nearest other one
  return candidates[random_.below(static_cast<std::uint32_t>(candidates.size()))];
}

Fleet::Happening Fleet::advance(std::size_t i, double seconds) {
  Vehicle& v = vehicles_.at(i);
  if (v.target < 0) {
    v.speedKmh = 0;
    if (v.stopsLeft > 0) {
      --v.stopsLeft;
      if (random_.chance(0.3)) v.ignition = false;
      return Happening::None;
    }
    v.target = chooseNextTown(v);
    if (v.target < 0) {  // nowhere to go
      v.stopsLeft = 3;
      return Happening::None;
    }
    v.ignition = true;
    v.cruiseKmh = random_.between(55, 90);
    const bool leftTown = lastTown_[i] >= 0;
    v.headingDegrees = heading(v.latitude, v.longitude, places_[v.target].latitude, places_[v.target].longitude);
    v.speedKmh = static_cast<int>(std::lround(v.cruiseKmh / 3));  // pulling away
    const double km = v.speedKmh * seconds / 3600.0 / 2;
    const Place& to = places_[v.target];
    const double total = distanceKm(v.latitude, v.longitude, to.latitude, to.longitude);
    const double f = total > 0 ? std::min(1.0, km / total) : 1.0;
    v.latitude += (to.latitude - v.latitude) * f;
    v.longitude += (to.longitude - v.longitude) * f;
    v.odometerKm += km;
    return leftTown ? Happening::Departed : Happening::None;
  }

  const Place& to = places_[v.target];
  const double speed = std::clamp(v.cruiseKmh * random_.between(0.85, 1.2), 5.0, 110.0);
  const double step = speed * seconds / 3600.0;
  const double remaining = distanceKm(v.latitude, v.longitude, to.latitude, to.longitude);
  v.speedKmh = static_cast<int>(std::lround(speed));
  v.headingDegrees = heading(v.latitude, v.longitude, to.latitude, to.longitude);
  if (remaining <= step) {
    v.latitude = to.latitude;
    v.longitude = to.longitude;
    v.odometerKm += remaining;
    v.speedKmh = 0;
    lastTown_[i] = v.target;
    v.target = -1;
    v.stopsLeft = 1 + static_cast<int>(random_.below(4));
    return Happening::Arrived;
  }
  const double f = step / remaining;
  v.latitude += (to.latitude - v.latitude) * f;
  v.longitude += (to.longitude - v.longitude) * f;
  v.odometerKm += step;
  return Happening::None;
}

std::string Fleet::placeName(std::size_t i) const {
  const Vehicle& v = vehicles_.at(i);
  const int town = v.target >= 0 ? v.target : lastTown_.at(i);
  return town >= 0 ? places_[static_cast<std::size_t>(town)].name : std::string();
}

}  // namespace kvt::quillon
