#pragma once

// The validation routine shared by reception and sending: parses a document
// and says, in the lines it gives for the message list, whether it was valid
// and where it came from.

#include <string>
#include <vector>

#include "platform/xml/xml_document.h"

namespace kvt::cliente {

// The source of a document about to be sent.
inline constexpr const char* kOrigemLocal = "Localhost";

struct Validacao {
  bool valido = false;
  xml::Document documento;           // the parsed document when valid
  std::vector<std::string> mensagens;  // lines for the message list, in order
};

// origem: the server's address for a received document, "Localhost" (any
// case) for one about to be sent.
Validacao ValidaXML(const std::string& documento, const std::string& origem);

}  // namespace kvt::cliente
