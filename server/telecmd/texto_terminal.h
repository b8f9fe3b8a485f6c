#pragma once

// Texts that go to a tracker's console: consoles of type 5 show every
// character; the others show upper-case letters, digits, blanks and a few
// signs only, so a text for them is folded and what they cannot show becomes
// a zero byte, keeping every character in its place.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/db/db.h"

namespace kvt::telecmd {

// The console type that shows every character.
inline constexpr std::int32_t kConsoleCompleto = 5;

db::SqlText sqlTipoConsoleTerminal(std::int32_t idTerminal);

// Unchanged for console type 5. Otherwise "a" to "z" become upper case and "ç"
// becomes "Ç"; then every character other than backspace, carriage return,
// the blank to "Z", the backslash, "_" and "Ç" becomes the byte 0. The length
// never changes.
std::string FiltraTextoTerminal(std::string_view texto, std::int32_t tipoConsole);

// The terminal's console type (tVeiculo.TipoConsole), or -1 when the vehicle
// table does not hold the terminal.
std::int32_t TipoConsoleTerminal(db::Connection& dbZenthora, std::int32_t idTerminal);

}  // namespace kvt::telecmd
