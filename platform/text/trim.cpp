#include "platform/text/trim.h"

namespace kvt::text {

static std::size_t firstKept(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && isBlankOrControl(s[i])) ++i;
  return i;
}

static std::size_t endKept(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && isBlankOrControl(s[n - 1])) --n;
  return n;
}

std::string trimLeft(std::string_view s) { return std::string(s.substr(firstKept(s))); }
std::string trimRight(std::string_view s) { return std::string(s.substr(0, endKept(s))); }

std::string trim(std::string_view s) {
  const std::size_t b = firstKept(s);
  if (b == s.size()) return {};
  return std::string(s.substr(b, endKept(s) - b));
}

}  // namespace kvt::text
