#include "server/link/framing.h"

#include "platform/text/trim.h"

namespace kvt::link {

void CortadorTelecomando::Acrescenta(std::string_view bytes) {
  if (entreDocumentos_) {
    // Blanks after a document are dropped however the stream was split.
    std::size_t i = 0;
    while (i < bytes.size() && text::isBlankOrControl(bytes[i])) ++i;
    bytes.remove_prefix(i);
    if (bytes.empty()) return;
    entreDocumentos_ = false;
  }
  const std::size_t antes = texto_.size();
  texto_.append(bytes);
  for (std::size_t i = antes; i < texto_.size(); ++i) {
    char& c = texto_[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (!TemDocumento()) procuraFim(buscado_);
}

void CortadorTelecomando::procuraFim(std::size_t de) {
  const std::size_t p = texto_.find(kFimDocumento, de);
  if (p == std::string::npos) {
    fim_ = std::string::npos;
    // a tag cut by the end of the text may still complete with the next bytes
    buscado_ = texto_.size() >= kFimDocumento.size() - 1 ? texto_.size() - (kFimDocumento.size() - 1) : 0;
    if (buscado_ < inicio_) buscado_ = inicio_;
  } else {
    fim_ = p + kFimDocumento.size();
  }
}

std::optional<std::string> CortadorTelecomando::ProximoDocumento() {
  if (!TemDocumento()) return std::nullopt;
  std::string documento = texto_.substr(inicio_, fim_ - inicio_);
  inicio_ = fim_;
  while (inicio_ < texto_.size() && text::isBlankOrControl(texto_[inicio_])) ++inicio_;
  buscado_ = inicio_;
  entreDocumentos_ = inicio_ == texto_.size();
  compacta();
  procuraFim(buscado_);
  return documento;
}

std::string CortadorTelecomando::Descarta() {
  std::string resto(Texto());
  texto_.clear();
  inicio_ = 0;
  buscado_ = 0;
  fim_ = std::string::npos;
  entreDocumentos_ = false;
  return resto;
}

void CortadorTelecomando::compacta() {
  // Taken bytes are dropped from the front only now and then, so many small
  // documents in one read do not move the rest again for each of them.
  if (inicio_ == texto_.size()) {
    texto_.clear();
    buscado_ -= inicio_;
    inicio_ = 0;
  } else if (inicio_ > 4096 && inicio_ * 2 > texto_.size()) {
    texto_.erase(0, inicio_);
    buscado_ -= inicio_;
    inicio_ = 0;
  }
}

}  // namespace kvt::link
