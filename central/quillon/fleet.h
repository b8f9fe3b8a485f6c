#pragma once

// The vehicles of the simulated base and how they move: each one drives from
// town to town of the central's city list, at road speeds, stops a little at
// each town and goes on to another town nearby.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace kvt::quillon {

// A repeatable source of choices (the same seed gives the same run).
class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  // A number in [0, 1).
  double unit() { return static_cast<double>(engine_()) / 4294967296.0; }
  double between(double low, double high) { return low + (high - low) * unit(); }
  // An integer in [0, bound); 0 when bound is 0.
  std::uint32_t below(std::uint32_t bound) { return bound == 0 ? 0 : static_cast<std::uint32_t>(unit() * bound); }
  bool chance(double probability) { return unit() < probability; }

 private:
  std::mt19937 engine_;
};

struct Place {
  std::string name;
  double latitude = 0, longitude = 0;
};

struct Vehicle {
  std::int64_t terminal = 0;
  double latitude = 0, longitude = 0;
  int speedKmh = 0;
  int headingDegrees = 0;
  bool ignition = true;
  double odometerKm = 0;
  int satellites = 9;
  bool refrigerated = false;  // carries a temperature sensor
  int target = -1;            // index of the place it drives to; -1 while stopped
  int stopsLeft = 0;          // reports it still stays where it is
  double cruiseKmh = 80;
};

// Approximate ground distance in kilometres (equirectangular; the legs are short).
double distanceKm(double lat1, double lon1, double lat2, double lon2);

class Fleet {
 public:
  enum class Happening { None, Arrived, Departed };

  Fleet(std::vector<Place> places, std::uint32_t seed);

  // Adds a vehicle at its last known position, or at a random town without one.
  void add(std::int64_t terminal, std::optional<std::pair<double, double>> start);

  std::size_t size() const { return vehicles_.size(); }
  const Vehicle& vehicle(std::size_t i) const { return vehicles_.at(i); }
  const std::vector<Place>& places() const { return places_; }
  Random& random() { return random_; }

  // Moves vehicle i on by `seconds` of driving (or keeps it standing) and says
  // whether it reached a town or left one.
  Happening advance(std::size_t i, double seconds);

  // The town the vehicle stands at or drives to; empty without towns.
  std::string placeName(std::size_t i) const;

 private:
  int chooseNextTown(const Vehicle& v);

  std::vector<Place> places_;
  std::vector<Vehicle> vehicles_;
  std::vector<int> lastTown_;  // per vehicle: the town it reached last
  Random random_;
};

}  // namespace kvt::quillon
