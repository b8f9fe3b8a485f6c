#include "server/security/import_names.h"

#include <cstdio>

#include "platform/text/trim.h"

namespace kvt::security {

std::string CortaTexto(std::string_view texto, std::size_t largura) {
  return std::string(texto.substr(0, largura));
}

std::string NomeSemNome(std::string_view nomeGrupo, std::int32_t numero) {
  char numeroTexto[16];
  std::snprintf(numeroTexto, sizeof numeroTexto, "%.8d", numero);
  return text::trim(nomeGrupo) + " [" + numeroTexto + "]";
}

std::string NomeLivre(std::string_view nome, std::size_t largura, const std::function<bool(const std::string&)>& existe) {
  for (std::int32_t n = 1;; ++n) {
    char sufixo[24];
    const int tamanho = std::snprintf(sufixo, sizeof sufixo, " [%.5d]", n);
    const std::size_t espaco = largura > static_cast<std::size_t>(tamanho) ? largura - static_cast<std::size_t>(tamanho) : 0;
    const std::string candidato = CortaTexto(nome, espaco) + sufixo;
    if (!existe(candidato)) return candidato;
  }
}

}  // namespace kvt::security
