#pragma once

// Reading the hexadecimal digit groups of event complements.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kvt::events {

// Reads the text as hexadecimal digits, the last character being the lowest
// digit: "1"-"9" and "A"-"F" (either case) count their value, every other
// character counts 0; 32-bit arithmetic, so characters before the last eight
// contribute nothing. An empty text cannot be converted.
std::optional<std::uint32_t> HexParaNum(std::string_view texto);
// The same, negated when the first character is "-" ("-1A" is -26).
std::optional<std::int32_t> HexParaInt(std::string_view texto);

// Characters `primeiro` to `ultimo` (counted from 1, both included) of a
// complement; the part beyond its end is left out, and a start before 1 starts
// at 1, so a short complement gives a short or empty piece.
std::string_view Pedaco(std::string_view texto, int primeiro, int ultimo);

}  // namespace kvt::events
