#pragma once

// The text of documents to send (a composed template, an import file, the
// command line's files): lower-cased as a whole, then cut into the documents
// between "<telecomando>" and "</telecomando>", one at a time.

#include <string>
#include <string_view>

namespace kvt::cliente {

struct PedacoEnvio {
  enum class Tipo { Documento, Incompleto, Fim };
  Tipo tipo = Tipo::Fim;
  // Documento: from the opening through the closing tag; Incompleto: the
  // text from the opening tag on, which has no closing tag.
  std::string texto;
  // the first 400 characters of the text from the opening tag on, for the
  // error box of a document that does not parse
  std::string restante;
};

class TextoEnvio {
 public:
  static constexpr std::string_view kAbertura = "<telecomando>";
  static constexpr std::string_view kFechamento = "</telecomando>";

  // Appends text to send after what is waiting; its ASCII capitals are lowered.
  void acrescenta(std::string_view texto);
  // Takes the next document. Text before an opening tag is skipped; what
  // follows a closing tag stays, trimmed. An opening tag without a closing one
  // ends the text.
  PedacoEnvio proximo();
  // Another opening tag is waiting.
  bool temDocumento() const;
  void limpa() { texto_.clear(); }

 private:
  std::string texto_;
};

}  // namespace kvt::cliente
