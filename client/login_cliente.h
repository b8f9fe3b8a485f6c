#pragma once

// The operator's log-in from the client's side: the -27 document it sends and
// the check of every valid received document for the -58 reply.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/xml/xml_document.h"

namespace kvt::cliente {

// "<Telecomando> <CodMsg>-27</CodMsg>..." exactly as sent: no declaration, not
// lower-cased; the last processed event goes only when enviarUltimo is set.
std::string DocumentoLogin(const std::string& operador, const std::string& senha, bool enviarUltimo,
                           std::int32_t ultimoTeleEventoProcessado, const std::string& dataHora);

struct VerificacaoLogin {
  // an UltimoTeleEventoProcessado read before the check ended
  std::optional<std::int32_t> ultimoTeleEvento;
  // the document is a -58 reply with StsLogin 0
  bool logado = false;
  std::string nomeOperador;
};

// Walks the root's children in order (names compared in upper case).
VerificacaoLogin VerificaRespostaLogin(const xml::Element& raiz);

}  // namespace kvt::cliente
