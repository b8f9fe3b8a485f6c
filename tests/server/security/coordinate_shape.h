#pragma once

// What FormataCoordenada may ever return: an empty text, the marker of the
// axis, or 13 characters of the canonical shape DD°MM'SS.T" L.

#include <string>

#include "server/security/coordinate_text.h"

namespace kvt::test {

inline bool formaCanonica(const std::string& s) {
  auto d = [&](std::size_t i) { return s[i] >= '0' && s[i] <= '9'; };
  return s.size() == 13 && d(0) && d(1) && s[2] == '\xB0' && d(3) && d(4) && s[5] == '\'' && d(6) && d(7) &&
         s[8] == '.' && d(9) && s[10] == '"' && s[11] == ' ' &&
         (s[12] == 'N' || s[12] == 'S' || s[12] == 'E' || s[12] == 'W');
}

inline bool saidaAceita(security::Eixo eixo, const std::string& s) {
  return s.empty() || s == security::MarcadorInvalido(eixo) || formaCanonica(s);
}

}  // namespace kvt::test
