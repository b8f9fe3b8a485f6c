#pragma once

// How the association and transmission requests read their elements: the
// root's children are walked in document order; an element of the request's
// list whose value cannot be read (no text, not a number, a number outside its
// range) ends the reading with that element's message; after the walk, an
// element still missing ends it with the request's "Telecomando incompleto"
// message.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xml/xml_document.h"

namespace kvt::operations {

enum class Leitura {
  Decimal,      // a decimal integer
  Hexadecimal,  // a terminal id: any text but an empty one (HexParaInt)
  Texto,        // a text that must not be empty
};

struct ElementoPedido {
  std::string_view nome;  // as the messages name it, e.g. "IdTerminal"; matched in upper case
  Leitura leitura = Leitura::Decimal;
  std::int32_t minimo = 0;  // the accepted range, checked when minimo <= maximo
  std::int32_t maximo = -1;
};

// The end of every message of one request, Windows-1252: "não é possível
// realizar a associação da operação"; `acaoFaixa` the same after a full stop,
// for a number outside its range.
struct MensagensPedido {
  std::string acao;
  std::string acaoFaixa;
};

struct ValoresPedido {
  std::vector<std::int32_t> numero;  // per element of the list; -1 while missing
  std::vector<std::string> texto;    // per element: the trimmed text as written
};

struct LeituraPedido {
  std::optional<std::string> erro;  // the message to answer, when the request is refused
  ValoresPedido valores;
  std::int32_t numero(std::size_t i) const { return valores.numero.at(i); }
  const std::string& texto(std::size_t i) const { return valores.texto.at(i); }
};

LeituraPedido LePedido(const xml::Element& raiz, std::span<const ElementoPedido> elementos,
                       const MensagensPedido& mensagens);

}  // namespace kvt::operations
