#include "client/log_cliente.h"

#include <cstdio>
#include <filesystem>

namespace kvt::cliente {

bool GravaLogCliente(const std::string& caminho, std::int32_t tamMaxMiB, const std::string& texto) {
  std::error_code ec;
  const auto tamanho = std::filesystem::file_size(caminho, ec);
  const auto limite = static_cast<std::uintmax_t>(tamMaxMiB < 0 ? 0 : tamMaxMiB) * 1048576u;
  const bool recomeca = !ec && tamanho > limite;
  std::FILE* f = std::fopen(caminho.c_str(), recomeca ? "wb" : "ab");
  if (!f) return false;
  const std::size_t n = texto.find('\0');
  const std::size_t tam = n == std::string::npos ? texto.size() : n;
  const bool ok = std::fwrite(texto.data(), 1, tam, f) == tam && std::fflush(f) == 0;
  return std::fclose(f) == 0 && ok;
}

}  // namespace kvt::cliente
