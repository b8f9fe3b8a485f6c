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

// The same trims as views into the text, for readers that keep only part of
// what they trim.
inline std::string_view trimLeftView(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && isBlankOrControl(s[i])) ++i;
  return s.substr(i);
}
inline std::string_view trimRightView(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && isBlankOrControl(s[n - 1])) --n;
  return s.substr(0, n);
}
inline std::string_view trimView(std::string_view s) { return trimRightView(trimLeftView(s)); }

}  // namespace kvt::text
