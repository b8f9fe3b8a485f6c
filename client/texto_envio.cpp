#include "client/texto_envio.h"

#include "platform/text/ascii_case.h"
#include "platform/text/trim.h"

namespace kvt::cliente {

void TextoEnvio::acrescenta(std::string_view texto) {
  if (!texto_.empty()) texto_ += "\r\n";
  texto_ += text::lowerAscii(texto);
  texto_ = text::trim(texto_);
}

PedacoEnvio TextoEnvio::proximo() {
  const std::size_t de = texto_.find(kAbertura);
  if (de == std::string::npos) {
    texto_.clear();
    return {};
  }
  const std::size_t fecha = texto_.find(kFechamento, de);
  if (fecha == std::string::npos) {
    PedacoEnvio p{PedacoEnvio::Tipo::Incompleto, texto_.substr(de), texto_.substr(de, 400)};
    texto_.clear();
    return p;
  }
  const std::size_t fim = fecha + kFechamento.size();
  PedacoEnvio p{PedacoEnvio::Tipo::Documento, texto_.substr(de, fim - de), texto_.substr(de, 400)};
  // Only through the closing tag: a document that follows without a separator
  // keeps its opening "<".
  texto_ = text::trim(std::string_view(texto_).substr(fim));
  return p;
}

bool TextoEnvio::temDocumento() const { return texto_.find(kAbertura) != std::string::npos; }

}  // namespace kvt::cliente
