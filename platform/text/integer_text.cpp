#include "platform/text/integer_text.h"

namespace kvt::text {

std::optional<std::int32_t> tryParseInt(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return std::nullopt;
  std::uint64_t value = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (base == 16) {
    // hexadecimal texts name the 32-bit pattern: $FFFFFFFF is -1
    const auto bits = static_cast<std::uint32_t>(value);
    const auto signedValue = static_cast<std::int32_t>(bits);
    return negative ? static_cast<std::int32_t>(0u - bits) : signedValue;
  }
  if (negative) {
    if (value > 2147483648ull) return std::nullopt;
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
  }
  if (value > 2147483647ull) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::int32_t strToIntDef(std::string_view s, std::int32_t fallback) {
  auto v = tryParseInt(s);
  return v ? *v : fallback;
}

}  // namespace kvt::text
