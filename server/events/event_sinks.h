#pragma once

// Where the event details report what they could not read: information entries
// of the log file (never shown on screen) and lines appended to the activity
// list of the status window. Plain functions, so the decoders stay testable.

#include <functional>
#include <string>
#include <string_view>

namespace kvt::runtime {
class LogFiles;
class HistoryList;
}  // namespace kvt::runtime

namespace kvt::events {

// One information entry under a routine name.
using RegistroLog = std::function<void(std::string_view rotina, std::string_view mensagem)>;
// One line appended at the end of the activity list, as it is.
using ListaAtividades = std::function<void(const std::string& linha)>;

RegistroLog registroInformativo(runtime::LogFiles& log);
ListaAtividades listaAtividades(runtime::HistoryList& lista);

// "&" and "<" of a database text written inside an element, so that a name
// such as "Posto A&B" keeps the document well formed.
std::string TextoElemento(std::string_view texto);

}  // namespace kvt::events
