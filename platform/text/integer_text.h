#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kvt::text {

// The platform's integer reading: optional leading blanks, an optional sign,
// decimal digits, or hexadecimal after "$" or "0x"; nothing may follow, and the
// value must fit 32 bits. Anything else is unparsable.
std::optional<std::int32_t> tryParseInt(std::string_view s);

// A missing or unparsable value gives the caller's default.
std::int32_t strToIntDef(std::string_view s, std::int32_t fallback);

}  // namespace kvt::text
