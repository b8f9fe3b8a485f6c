#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kvt::text {

// Reads the text as hexadecimal digits, the last character being the lowest
// digit: "1"-"9" and "A"-"F" (either case) count their value, every other
// character counts 0; 32-bit arithmetic, so characters before the last eight
// contribute nothing. An empty text cannot be converted.
// (Inline: every field id of every event Post is read with it.)
inline std::optional<std::uint32_t> HexParaNum(std::string_view texto) {
  if (texto.empty()) return std::nullopt;
  std::uint32_t valor = 0;
  for (const char c : texto) {
    std::uint32_t digito = 0;
    if (c >= '1' && c <= '9')
      digito = static_cast<std::uint32_t>(c - '0');
    else if (c >= 'A' && c <= 'F')
      digito = static_cast<std::uint32_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f')
      digito = static_cast<std::uint32_t>(c - 'a' + 10);
    valor = valor * 16u + digito;  // wraps like the 32-bit original
  }
  return valor;
}

// The same, negated when the first character is "-" ("-1A" is -26).
inline std::optional<std::int32_t> HexParaInt(std::string_view texto) {
  const auto valor = HexParaNum(texto);
  if (!valor) return std::nullopt;
  const std::uint32_t v = texto.front() == '-' ? 0u - *valor : *valor;
  return static_cast<std::int32_t>(v);
}

}  // namespace kvt::text
