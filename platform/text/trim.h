#pragma once

#include <string>
#include <string_view>

namespace kvt::text {

// The platform's trim: blanks and every control character (bytes up to 0x20)
// are removed; bytes above 0x7F are text and stay.
std::string trim(std::string_view s);
std::string trimLeft(std::string_view s);
std::string trimRight(std::string_view s);

inline bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

}  // namespace kvt::text
