#include "server/events/debug_output.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "platform/text/cp1252.h"

namespace kvt::events {

namespace {

bool enabledFromEnvironment() {
  const char* value = std::getenv("KVT_DEBUG");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

std::atomic<bool>& enabled() {
  static std::atomic<bool> on{enabledFromEnvironment()};
  return on;
}

std::function<void(std::string_view)>& sink() {
  static std::function<void(std::string_view)> s;
  return s;
}

}  // namespace

bool debugOutputEnabled() { return enabled().load(std::memory_order_relaxed); }

void setDebugOutput(bool on) { enabled().store(on, std::memory_order_relaxed); }

void setDebugOutputSink(std::function<void(std::string_view)> s) { sink() = std::move(s); }

void debugOutput(std::string_view line) {
  if (!debugOutputEnabled()) return;
  if (sink()) {
    sink()(line);
    return;
  }
  const std::string utf8 = text::cp1252ToUtf8(line) + "\n";
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}

}  // namespace kvt::events
