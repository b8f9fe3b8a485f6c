#pragma once

// Timer intervals computed from settings and database values. A timer whose
// interval is 0 or less does not run (a Qt timer at 0 would fire on every
// pass of the event loop), and intervals are computed in 64 bits and clamped
// to what the timer can hold.

#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace kvt::runtime {

// ms clamped to [0, the largest interval a timer holds].
inline int IntervaloTimerMs(std::int64_t ms) {
  return static_cast<int>(std::clamp<std::int64_t>(ms, 0, std::numeric_limits<int>::max()));
}

// Seconds (or any unit) times a factor, without overflow, clamped as above.
inline int IntervaloTimerMs(std::int64_t valor, std::int64_t fator) {
  if (valor <= 0 || fator <= 0) return 0;
  if (valor > std::numeric_limits<int>::max() / fator) return std::numeric_limits<int>::max();
  return IntervaloTimerMs(valor * fator);
}

// (Re)starts the timer at ms, or stops it when ms is 0 or less.
inline void ArmaTimer(QTimer& timer, std::int64_t ms) {
  const int intervalo = IntervaloTimerMs(ms);
  if (intervalo <= 0) {
    timer.stop();
    return;
  }
  timer.start(intervalo);
}

}  // namespace kvt::runtime
