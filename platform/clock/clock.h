#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/text/date_time.h"

namespace kvt::clk {

// The platform's 32-bit millisecond tick (it wraps after about 49.7 days) and
// the local date and time. The watchdog thread reads the tick too, so every
// clock is safe to read from any thread.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t tickCount() = 0;
  virtual text::DateTime now() = 0;
};

// The clock in force: the system clock unless a test installed another.
Clock& clock();
void setClock(Clock* clock);  // nullptr restores the system clock

inline std::uint32_t tickCount() { return clock().tickCount(); }
inline text::DateTime now() { return clock().now(); }

// Milliseconds from `start` to `later`, correct across a wrap of the tick.
inline std::uint32_t ticksBetween(std::uint32_t start, std::uint32_t later) { return later - start; }

class SystemClock : public Clock {
 public:
  std::uint32_t tickCount() override;
  text::DateTime now() override;
};

// A clock that moves only when told; for tests.
class ManualClock : public Clock {
 public:
  explicit ManualClock(std::uint32_t tick = 0, text::DateTime now = {2024, 1, 2, 3, 4, 5, 0});
  std::uint32_t tickCount() override { return tick_.load(); }
  text::DateTime now() override;
  void setTick(std::uint32_t tick) { tick_.store(tick); }
  void advance(std::uint32_t ms);
  void setNow(const text::DateTime& now);

 private:
  std::atomic<std::uint32_t> tick_;
  std::mutex mutex_;
  text::DateTime now_;
};

// Installs a clock for the lifetime of the object (tests).
class ScopedClock {
 public:
  explicit ScopedClock(Clock& c) { setClock(&c); }
  ~ScopedClock() { setClock(nullptr); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace kvt::clk
