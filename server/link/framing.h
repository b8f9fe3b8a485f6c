#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kvt::link {

// The receive text of one connection, cut into telecomando documents. Bytes
// are lower-cased (ASCII letters only) as they arrive, so the closing tag is
// recognised whatever case the client wrote; a document ends right after the
// first "</telecomando>", and the blanks and control characters after it are
// dropped, also when they arrive with a later read. Bytes before the first
// opening tag travel with the first document.
class CortadorTelecomando {
 public:
  static constexpr std::string_view kFimDocumento = "</telecomando>";

  void Acrescenta(std::string_view bytes);

  // True when a complete document is waiting.
  bool TemDocumento() const { return fim_ != std::string::npos; }
  // Takes the first complete document, or nothing when none is complete.
  std::optional<std::string> ProximoDocumento();

  // The text not yet taken (an incomplete document once every complete one is taken).
  std::string_view Texto() const { return std::string_view(texto_).substr(inicio_); }
  std::size_t Tamanho() const { return texto_.size() - inicio_; }
  bool Vazio() const { return Tamanho() == 0; }
  // Drops the text not yet taken and returns it.
  std::string Descarta();

 private:
  void procuraFim(std::size_t de);
  void compacta();

  std::string texto_;
  std::size_t inicio_ = 0;               // first byte not yet taken
  std::size_t fim_ = std::string::npos;  // end of the closing tag of the first document, when found
  std::size_t buscado_ = 0;              // the closing tag does not start before this offset
  bool entreDocumentos_ = false;         // a document was just taken and nothing followed it yet
};

}  // namespace kvt::link
