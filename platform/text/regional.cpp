#include "platform/text/regional.h"

namespace kvt::text {

static RegionalSettings& current() {
  static RegionalSettings settings;
  return settings;
}

const RegionalSettings& regional() { return current(); }
void setRegional(const RegionalSettings& settings) { current() = settings; }

}  // namespace kvt::text
