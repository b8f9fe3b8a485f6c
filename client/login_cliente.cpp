#include "client/login_cliente.h"

#include "platform/text/integer_text.h"

namespace kvt::cliente {

std::string DocumentoLogin(const std::string& operador, const std::string& senha, bool enviarUltimo,
                           std::int32_t ultimoTeleEventoProcessado, const std::string& dataHora) {
  std::string doc = "<Telecomando> <CodMsg>-27</CodMsg><DataHoraEmissao>" + dataHora + "</DataHoraEmissao>" +
                    "<LoginOperador>" + operador + "</LoginOperador>" + "<Senha>" + senha + "</Senha>";
  if (enviarUltimo)
    doc += " <UltimoTeleEventoProcessado> " + std::to_string(ultimoTeleEventoProcessado) +
           " </UltimoTeleEventoProcessado>";
  doc += "</Telecomando> ";
  return doc;
}

VerificacaoLogin VerificaRespostaLogin(const xml::Element& raiz) {
  VerificacaoLogin v;
  std::int32_t status = -1;
  for (xml::Element e = raiz.firstChildElement(); e; e = e.nextSiblingElement()) {
    const std::string nome = e.upperName();
    if (nome == "ULTIMOTELEEVENTOPROCESSADO") {
      const auto valor = text::tryParseInt(e.value());
      if (!valor) return v;
      v.ultimoTeleEvento = *valor;
    } else if (nome == "CODMSG") {
      const auto valor = text::tryParseInt(e.value());
      if (!valor || *valor != -58) return v;
    } else if (nome == "NOMEOPERADOR") {
      v.nomeOperador = e.value();
    } else if (nome == "STSLOGIN") {
      const auto valor = text::tryParseInt(e.value());
      if (!valor) return v;
      status = *valor;
    }
  }
  v.logado = status == 0;
  return v;
}

}  // namespace kvt::cliente
