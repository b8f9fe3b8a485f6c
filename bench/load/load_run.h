#pragma once

// One load run of the real korvatel program: a demo central in a temporary
// folder, the server started on it with its production timers, ten clients
// logged in, and a feeder that inserts position Posts into tEvtPost02 at a
// fixed rate. Each Post carries its own number in the odometer field (#2C),
// which comes back in the client's <Hodometro> element, so every arrival is
// matched with the moment its row was committed.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kvt::load {

struct LoadSettings {
  std::string label;
  int rate = 100;  // event Posts inserted per second
  // KORVATEL.INI keys written before the start: "Key" (section KORVATEL) or
  // "SECTION.Key", with their values.
  std::vector<std::pair<std::string, std::string>> ini;
};

struct LoadOptions {
  std::string korvatel;     // the server program
  int clients = 10;
  double warmupSeconds = 8;  // after every client logged in, before measuring
  double seconds = 20;       // the measured window
  double drainSeconds = 20;  // after the feeder stops, for the window's events to arrive
  bool keepFolder = false;   // leave the central, logs and server output behind
  std::string perfData;      // when set, `perf record` samples the server over the window into this file
};

struct LoadResult {
  double deliveredPerSecond = 0;   // the window's events that reached the slowest client by the end of the drain, per second
  double completeFraction = 0;     // of the window's events, delivered to every client by the end of the drain
  double p50Ms = -1, p99Ms = -1, maxMs = -1;  // insert to arrival over every (client, event); -1: not arrived
  double flushesPerSecond = -1;    // successful flushes of the outbound buffer over the window (monitoring endpoint)
  double serverCores = 0;          // server processor time over the window, in cores
  long peakRssKib = 0;
  double loadBefore = 0, loadAfter = 0;  // one-minute load average of the machine
  std::int64_t duplicates = 0;     // documents a client received more than once
  double insertedPerSecond = 0;    // events committed during the window, per second
  std::string folder;              // when kept
};

// Runs one load; throws std::runtime_error when the server cannot be started
// or the clients cannot log in.
LoadResult runLoad(const LoadSettings& settings, const LoadOptions& options);

}  // namespace kvt::load
