#include "server/events/complement_hex.h"

namespace kvt::events {

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

std::string_view Pedaco(std::string_view texto, int primeiro, int ultimo) {
  if (primeiro < 1) primeiro = 1;
  const auto tamanho = static_cast<long long>(texto.size());
  if (ultimo > tamanho) ultimo = static_cast<int>(tamanho);
  if (primeiro > ultimo) return {};
  return texto.substr(static_cast<std::size_t>(primeiro - 1), static_cast<std::size_t>(ultimo - primeiro + 1));
}

}  // namespace kvt::events
