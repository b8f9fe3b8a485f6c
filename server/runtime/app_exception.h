#pragma once

#include <string>
#include <string_view>

namespace kvt::runtime {

// What the application-wide error handler does with an error nobody caught,
// decided from its message (substring tests are case-sensitive) in this order.
enum class DestinoErro {
  FalhaInicializacao,  // before start-up completed (and not the port): SQL connection failure, ends
  ConexaoPerdida,      // the database link is gone: close both databases, ends
  FalhaGrave,          // write or access fault: close both databases, ends
  FalhaAplicativo,     // anything else: shown on screen, ends
  ListaClientes,       // "List index": the client list changed under a flush, goes on
};

DestinoErro ClassificaErro(std::string_view message, bool inicializado, bool falhaPorta);

// The log text of each outcome (FalhaInicializacao has its own box text too).
std::string TextoLogErro(DestinoErro destino, std::string_view message);
std::string TextoCaixaFalhaInicializacao();

}  // namespace kvt::runtime
