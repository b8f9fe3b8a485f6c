#include "server/events/event_sinks.h"

#include "server/runtime/history_list.h"
#include "server/runtime/log_files.h"

namespace kvt::events {

RegistroLog registroInformativo(runtime::LogFiles& log) {
  return [&log](std::string_view rotina, std::string_view mensagem) { log.log(rotina, mensagem, false, false); };
}

ListaAtividades listaAtividades(runtime::HistoryList& lista) {
  return [&lista](const std::string& linha) { lista.append(linha); };
}

std::string TextoElemento(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size());
  for (char c : texto) {
    if (c == '&')
      saida += "&amp;";
    else if (c == '<')
      saida += "&lt;";
    else
      saida += c;
  }
  return saida;
}

}  // namespace kvt::events
