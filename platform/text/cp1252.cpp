#include "platform/text/cp1252.h"

namespace kvt::text {

std::string utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) out.push_back(detail::codePointToCp1252(detail::decodeUtf8(utf8, i)));
  return out;
}

static void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string cp1252ToUtf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size() + cp1252.size() / 4);
  for (char c : cp1252) {
    const auto b = static_cast<unsigned char>(c);
    char32_t cp = b;
    if (b >= 0x80 && b < 0xA0) cp = detail::kHighControls[b - 0x80] ? detail::kHighControls[b - 0x80] : b;
    appendUtf8(out, cp);
  }
  return out;
}

}  // namespace kvt::text
