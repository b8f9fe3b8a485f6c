#include "server/events/complement_hex.h"

namespace kvt::events {

std::string_view Pedaco(std::string_view texto, int primeiro, int ultimo) {
  if (primeiro < 1) primeiro = 1;
  const auto tamanho = static_cast<long long>(texto.size());
  if (ultimo > tamanho) ultimo = static_cast<int>(tamanho);
  if (primeiro > ultimo) return {};
  return texto.substr(static_cast<std::size_t>(primeiro - 1), static_cast<std::size_t>(ultimo - primeiro + 1));
}

}  // namespace kvt::events
