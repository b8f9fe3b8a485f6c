#pragma once

// Reading the hexadecimal digit groups of event complements.

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/text/hex_text.h"

namespace kvt::events {

using text::HexParaInt;
using text::HexParaNum;

// Characters `primeiro` to `ultimo` (counted from 1, both included) of a
// complement; the part beyond its end is left out, and a start before 1 starts
// at 1, so a short complement gives a short or empty piece.
std::string_view Pedaco(std::string_view texto, int primeiro, int ultimo);

}  // namespace kvt::events
