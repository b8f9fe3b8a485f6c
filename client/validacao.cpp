#include "client/validacao.h"

#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"

namespace kvt::cliente {

using namespace text::literals;

Validacao ValidaXML(const std::string& documento, const std::string& origem) {
  Validacao v;
  v.valido = v.documento.parse(documento);
  const bool local = text::upperAscii(origem) == "LOCALHOST";
  if (local) {
    v.mensagens.push_back(v.valido ? "Enviado XML válido para KVT"_cp : "Gerado XML com erros no Cliente"_cp);
  } else if (v.valido) {
    v.mensagens.push_back("Recebido XML válido do KVT:["_cp + origem + "]");
  } else {
    v.mensagens.push_back("Recebido XML com erros do KVT:["_cp + origem + "]");
    for (const std::string& erro : v.documento.errors()) v.mensagens.push_back(erro);
  }
  return v;
}

}  // namespace kvt::cliente
