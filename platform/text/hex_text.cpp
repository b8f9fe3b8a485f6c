#include "platform/text/hex_text.h"

namespace kvt::text {

namespace {

std::uint32_t valorDigito(char c) {
  if (c >= '1' && c <= '9') return static_cast<std::uint32_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<std::uint32_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a' + 10);
  return 0;
}

}  // namespace

std::optional<std::uint32_t> HexParaNum(std::string_view texto) {
  if (texto.empty()) return std::nullopt;
  std::uint32_t valor = 0;
  for (char c : texto) valor = valor * 16u + valorDigito(c);  // wraps like the 32-bit original
  return valor;
}

std::optional<std::int32_t> HexParaInt(std::string_view texto) {
  const auto valor = HexParaNum(texto);
  if (!valor) return std::nullopt;
  const std::uint32_t v = texto.front() == '-' ? 0u - *valor : *valor;
  return static_cast<std::int32_t>(v);
}

}  // namespace kvt::text
