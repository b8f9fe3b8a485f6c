#pragma once

// How every handler that takes lists of vehicles from a client's document reads
// its elements: names matched trimmed and in upper case, texts trimmed, whole
// numbers with a caller's default, and terminal ids as hexadecimal texts.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/xml/xml_document.h"

namespace kvt::common {

// The element's name, trimmed and in ASCII upper case.
std::string NomeDoElemento(const xml::Element& elemento);
// Whether the element's trimmed name equals `nomeMaiusculo` (given in upper case).
bool ElementoChamado(const xml::Element& elemento, std::string_view nomeMaiusculo);

// The text of the element's first text child, trimmed; empty when it has none.
std::string TextoDoElemento(const xml::Element& elemento);
// The trimmed text read as a whole number; `padrao` when the element has no
// text or the text is not a whole number ("12a").
std::int32_t InteiroDoElemento(const xml::Element& elemento, std::int32_t padrao);
// Among `primeiro` and its following siblings, the first element named `nome`
// (compared trimmed and in upper case): its trimmed text, or empty when there
// is no such element or it has no text.
std::string TextoDoFilho(const xml::Element& primeiro, std::string_view nome);

// A terminal id as replies write it: six upper-case hexadecimal digits with
// leading zeros, more when the id needs them ("00A1B2", "1000000").
std::string TextoTerminal(std::int32_t idTerminal);

}  // namespace kvt::common
