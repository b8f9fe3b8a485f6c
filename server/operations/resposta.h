#pragma once

// Pieces shared by the reply builders of the operations module.

#include <string>
#include <string_view>

#include "platform/db/db.h"

namespace kvt::operations {

// " <DataHoraEm> " + now + " </DataHoraEm> " + " <CodMsg> " + code + " </CodMsg> ",
// the start of every reply body.
std::string CabecalhoResposta(std::string_view codigo);

// A text inserted into a reply as the database or the client gave it. Texts
// with "&", "<" or ">" get those as entities, so a reply can never carry
// markup that was not built here; every other text is written unchanged.
std::string Literal(std::string_view texto);

// A column as text, or a number column in decimal.
std::string Texto(const db::Statement& st, std::string_view coluna);
std::string Numero(const db::Statement& st, std::string_view coluna);

}  // namespace kvt::operations
