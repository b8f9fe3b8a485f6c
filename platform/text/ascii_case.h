#pragma once

#include <string>
#include <string_view>

namespace kvt::text {

// Case changes touch the ASCII letters A-Z and a-z only; accented letters keep
// their case, as the platform's plain case routines did.
std::string upperAscii(std::string_view s);
std::string lowerAscii(std::string_view s);
void lowerAsciiInPlace(std::string& s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace kvt::text
