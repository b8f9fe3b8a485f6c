#include "server/runtime/app_exception.h"

#include "platform/text/cp1252.h"

namespace kvt::runtime {

using namespace text::literals;

namespace {
bool containsAny(std::string_view message, std::initializer_list<std::string_view> needles) {
  for (auto n : needles)
    if (message.find(n) != std::string_view::npos) return true;
  return false;
}
}  // namespace

DestinoErro ClassificaErro(std::string_view message, bool inicializado, bool falhaPorta) {
  if (!inicializado && !falhaPorta) return DestinoErro::FalhaInicializacao;
  if (containsAny(message, {"comunicação"_cp, "communication", "closed", "Erro geral de rede", "Falha de conexão"_cp,
                            "SHUTDOWN", "cannot perform", "General SQL error"}))
    return DestinoErro::ConexaoPerdida;
  if (containsAny(message, {"Unable to write to", "Access violation"})) return DestinoErro::FalhaGrave;
  if (message.find("List index") == std::string_view::npos) return DestinoErro::FalhaAplicativo;
  return DestinoErro::ListaClientes;
}

std::string TextoCaixaFalhaInicializacao() {
  return "Falha na conexão com o Servidor SQL. Verifique o Driver ODBC!"_cp;
}

std::string TextoLogErro(DestinoErro destino, std::string_view message) {
  const std::string m(message);
  switch (destino) {
    case DestinoErro::FalhaInicializacao:
      return "Falha na conexão com o Servidor SQL. Verifique o Driver ODBC."_cp + m;
    case DestinoErro::ConexaoPerdida:
      return "A conexão com o Servidor SQL foi perdida, o KVT será finalizado com erro !"_cp + "\r\n[" + m + "]";
    case DestinoErro::FalhaGrave:
      return "Ocorreu uma falha no aplicativo, o KVT será finalizado com erro !"_cp + "\r\n[" + m + "]";
    case DestinoErro::FalhaAplicativo:
      return "Ocorreu uma falha no aplicativo. " + m;
    case DestinoErro::ListaClientes:
      return "Lista de Clientes atualizada em razão da falha de comunicação com os Clientes."_cp;
  }
  return m;
}

}  // namespace kvt::runtime
