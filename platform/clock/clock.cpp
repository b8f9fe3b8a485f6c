#include "platform/clock/clock.h"

#include <chrono>
#include <ctime>

namespace kvt::clk {

namespace {
std::atomic<Clock*>& installed() {
  static std::atomic<Clock*> c{nullptr};
  return c;
}
SystemClock& systemClock() {
  static SystemClock c;
  return c;
}
}  // namespace

Clock& clock() {
  Clock* c = installed().load();
  return c ? *c : systemClock();
}

void setClock(Clock* c) { installed().store(c); }

std::uint32_t SystemClock::tickCount() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<std::uint32_t>(ms.count());
}

text::DateTime SystemClock::now() {
  const auto point = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(point);
  std::tm local{};
  localtime_r(&t, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(point.time_since_epoch()).count() % 1000;
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
          static_cast<int>(ms)};
}

ManualClock::ManualClock(std::uint32_t tick, text::DateTime now) : tick_(tick), now_(now) {}

text::DateTime ManualClock::now() {
  std::lock_guard lock(mutex_);
  return now_;
}

void ManualClock::advance(std::uint32_t ms) {
  tick_.fetch_add(ms);
  std::lock_guard lock(mutex_);
  const int totalMs = now_.msec + static_cast<int>(ms % 1000);
  auto dt = text::fromEpochSeconds(text::toEpochSeconds(now_) + ms / 1000 + totalMs / 1000);
  dt.msec = totalMs % 1000;
  now_ = dt;
}

void ManualClock::setNow(const text::DateTime& now) {
  std::lock_guard lock(mutex_);
  now_ = now;
}

}  // namespace kvt::clk
