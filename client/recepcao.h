#pragma once

// The text received from the server (TextoRecebido): bytes are appended as
// they arrive, the ASCII capitals of the whole text are lowered, and complete
// documents are cut after each "</teleevento>". The original-case bytes are
// kept beside it, cut at the same places, for the command-line mode, which
// prints documents as the server sent them.

#include <string>
#include <string_view>
#include <vector>

namespace kvt::cliente {

struct DocumentoRecebido {
  std::string texto;     // lower-cased, trimmed: what the window shows and checks
  std::string original;  // the same bytes in the server's letter case
};

class TextoRecebido {
 public:
  static constexpr std::string_view kFechamento = "</teleevento>";

  // Appends bytes and lowers the ASCII capitals A-Z.
  void acrescenta(std::string_view bytes);
  bool vazio() const { return texto_.empty(); }
  // A closing tag is waiting in the text.
  bool temDocumentoCompleto() const;
  // Trims the text and takes every complete document, in order; what follows
  // the last closing tag stays, trimmed, for the next read.
  std::vector<DocumentoRecebido> cortaDocumentos();
  const std::string& texto() const { return texto_; }

 private:
  std::string texto_;
  std::string original_;
};

}  // namespace kvt::cliente
