#include "server/common/elemento.h"

#include <cstdio>

#include "platform/text/ascii_case.h"
#include "platform/text/integer_text.h"
#include "platform/text/trim.h"

namespace kvt::common {

std::string NomeDoElemento(const xml::Element& elemento) {
  return text::upperAscii(text::trim(elemento.name()));
}

bool ElementoChamado(const xml::Element& elemento, std::string_view nomeMaiusculo) {
  return elemento && NomeDoElemento(elemento) == nomeMaiusculo;
}

std::string TextoDoElemento(const xml::Element& elemento) { return elemento.value(); }

std::int32_t InteiroDoElemento(const xml::Element& elemento, std::int32_t padrao) {
  if (!elemento.hasTextChild()) return padrao;
  return text::strToIntDef(elemento.value(), padrao);
}

std::string TextoDoFilho(const xml::Element& primeiro, std::string_view nome) {
  const std::string procurado = text::upperAscii(text::trim(nome));
  for (xml::Element e = primeiro; e; e = e.nextSiblingElement())
    if (NomeDoElemento(e) == procurado) return TextoDoElemento(e);
  return {};
}

std::string TextoTerminal(std::int32_t idTerminal) {
  char texto[16];
  std::snprintf(texto, sizeof texto, "%06X", static_cast<std::uint32_t>(idTerminal));
  return texto;
}

}  // namespace kvt::common
