#include "platform/text/ascii_case.h"

namespace kvt::text {

static char upperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
static char lowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string upperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = upperChar(c);
  return out;
}

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  lowerAsciiInPlace(out);
  return out;
}

void lowerAsciiInPlace(std::string& s) {
  for (char& c : s) c = lowerChar(c);
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upperChar(a[i]) != upperChar(b[i])) return false;
  return true;
}

}  // namespace kvt::text
