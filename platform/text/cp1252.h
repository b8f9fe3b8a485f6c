#pragma once

// Every protocol, database, log and INI text of the system is a std::string of
// Windows-1252 bytes. Source files are UTF-8, so literals with accents go
// through "..."_cp, which converts them at compile time.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kvt::text {

namespace detail {

// Windows-1252 bytes 0x80..0x9F and the code points they stand for (0 = unused).
inline constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char codePointToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(static_cast<unsigned char>(cp));
  for (std::size_t i = 0; i < 32; ++i)
    if (kHighControls[i] == cp && cp != 0) return static_cast<char>(static_cast<unsigned char>(0x80 + i));
  return '?';
}

// Decodes one UTF-8 sequence at s[i], advancing i; a malformed byte stands for itself.
constexpr char32_t decodeUtf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  int extra = b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : 0;
  if (extra == 0 || i + static_cast<std::size_t>(extra) >= s.size()) {
    ++i;
    return b0;
  }
  char32_t cp = b0 & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return b0;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  i += static_cast<std::size_t>(extra) + 1;
  return cp;
}

constexpr std::size_t cp1252Length(std::string_view utf8) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < utf8.size(); ++n) decodeUtf8(utf8, i);
  return n;
}

template <std::size_t N>
struct Utf8Literal {
  char bytes[N]{};
  constexpr Utf8Literal(const char (&s)[N]) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = s[i];
  }
  constexpr std::string_view view() const { return {bytes, N - 1}; }
};

template <Utf8Literal L>
struct Converted {
  static constexpr std::size_t size = cp1252Length(L.view());
  static constexpr std::array<char, size + 1> bytes = [] {
    std::array<char, size + 1> out{};
    std::string_view s = L.view();
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size();) out[n++] = codePointToCp1252(decodeUtf8(s, i));
    return out;
  }();
};

}  // namespace detail

// UTF-8 → Windows-1252; characters the code page lacks become '?'.
std::string utf8ToCp1252(std::string_view utf8);
// Windows-1252 → UTF-8 (for the GUI boundary and for tools that print).
std::string cp1252ToUtf8(std::string_view cp1252);

namespace literals {
// "não está cadastrado !"_cp is the Windows-1252 text, converted at compile time.
template <detail::Utf8Literal L>
const std::string& operator""_cp() {
  static const std::string value(detail::Converted<L>::bytes.data(), detail::Converted<L>::size);
  return value;
}
}  // namespace literals

}  // namespace kvt::text
