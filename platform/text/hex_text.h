#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kvt::text {

// Reads the text as hexadecimal digits, the last character being the lowest
// digit: "1"-"9" and "A"-"F" (either case) count their value, every other
// character counts 0; 32-bit arithmetic, so characters before the last eight
// contribute nothing. An empty text cannot be converted.
std::optional<std::uint32_t> HexParaNum(std::string_view texto);
// The same, negated when the first character is "-" ("-1A" is -26).
std::optional<std::int32_t> HexParaInt(std::string_view texto);

}  // namespace kvt::text
