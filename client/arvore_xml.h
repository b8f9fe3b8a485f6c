#pragma once

// The tree of received and sent documents (trvDadosXML) as a model: one top
// node per document, whose text sums up its CodMsg, Evento, DataHoraEvento and
// IdTerminal, and one node per element below it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xml/xml_document.h"

namespace kvt::cliente {

struct NoArvore {
  std::string texto;
  std::vector<NoArvore> filhos;
};

// Reads the text as hexadecimal from the right: after upper-casing, "1"-"9"
// count 1 to 9, "A"-"F" 10 to 15, every other character 0.
std::uint32_t DecimalDoHexadecimal(std::string_view texto);

// The top node of one document: empty text extended by the leaves below it.
NoArvore MontaNoDocumento(const xml::Element& raiz);

class ArvoreXML {
 public:
  static constexpr std::size_t kMaxNos = 90000;

  // Adds the document's node; returns it.
  const NoArvore& adiciona(const xml::Element& raiz);
  void limpa();
  std::size_t numNos() const { return numNos_; }
  const std::vector<NoArvore>& topos() const { return topos_; }

 private:
  std::vector<NoArvore> topos_;
  std::size_t numNos_ = 0;
};

}  // namespace kvt::cliente
