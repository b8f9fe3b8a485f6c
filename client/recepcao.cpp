#include "client/recepcao.h"

#include <tuple>

#include "platform/text/trim.h"

namespace kvt::cliente {

namespace {

// [inicio, fim) of the text without blanks and control characters at both ends
std::pair<std::size_t, std::size_t> limitesSemBrancos(const std::string& s, std::size_t inicio, std::size_t fim) {
  while (inicio < fim && text::isBlankOrControl(s[inicio])) ++inicio;
  while (fim > inicio && text::isBlankOrControl(s[fim - 1])) --fim;
  return {inicio, fim};
}

}  // namespace

void TextoRecebido::acrescenta(std::string_view bytes) {
  const std::size_t antes = texto_.size();
  texto_.append(bytes);
  original_.append(bytes);
  // the text before was lowered already; lowering only the new part is the same
  for (std::size_t i = antes; i < texto_.size(); ++i) {
    const char c = texto_[i];
    if (c >= 'A' && c <= 'Z') texto_[i] = static_cast<char>(c - 'A' + 'a');
  }
}

bool TextoRecebido::temDocumentoCompleto() const { return texto_.find(kFechamento) != std::string::npos; }

std::vector<DocumentoRecebido> TextoRecebido::cortaDocumentos() {
  std::vector<DocumentoRecebido> documentos;
  // Work with offsets and cut the consumed part once, so many documents in one
  // read cost one pass over the text.
  auto [inicio, fim] = limitesSemBrancos(texto_, 0, texto_.size());
  while (inicio < fim) {
    const std::size_t p = texto_.find(kFechamento, inicio);
    if (p == std::string::npos || p + kFechamento.size() > fim) break;
    const std::size_t final = p + kFechamento.size();
    const auto [di, df] = limitesSemBrancos(texto_, inicio, final);
    documentos.push_back({texto_.substr(di, df - di), original_.substr(di, df - di)});
    std::tie(inicio, fim) = limitesSemBrancos(texto_, final, fim);
  }
  texto_ = texto_.substr(inicio, fim - inicio);
  original_ = original_.substr(inicio, fim - inicio);
  return documentos;
}

}  // namespace kvt::cliente
