#pragma once

// The status/error reply (message code -40): built, logged and written at once
// to every open connection, logged in or not, without passing through the
// outbound buffer. Nothing at all happens when no connection is open.

#include <cstdint>
#include <string>
#include <string_view>

#include "server/runtime/log_files.h"
#include "server/telecmd/canal_clientes.h"

namespace kvt::telecmd {

// The pieces of one status/error reply. `idStatus` is the IdSeqMsg of the
// telecommand at fault (-1 when there is none); `telecomando` the offending
// code as the client wrote it; `stsEnvio` 0 leaves the StsEnvio element out.
struct StatusErro {
  std::string mensagem;
  std::string telecomando;
  std::string terminal;
  std::int32_t stsEnvio = 0;
  std::int32_t idStatus = -1;
};

// The two bodies, for a given date-time text. The telecommand processor's own
// builder writes Telecomando only when there is a text, before StsEnvio; the
// one every other subsystem uses writes StsEnvio only together with a
// telecommand text and always writes a Telecomando element after it.
std::string CorpoRetornaErroXML(std::string_view agora, const StatusErro& erro);
std::string CorpoStatusErroXML(std::string_view agora, const StatusErro& erro);

// Sends both kinds of status/error reply over the client link.
class RespostaStatusErro {
 public:
  RespostaStatusErro(CanalClientes& canal, runtime::LogFiles& logs) : canal_(canal), logs_(logs) {}

  // The telecommand processor's reply; logged under "tTeleCmd".
  void RetornaErroXML(const std::string& mensagem, const std::string& telecomando, const std::string& terminal,
                      std::int32_t stsEnvio, std::int32_t idStatus);
  // The reply of the server object, used by every handler outside the
  // telecommand processor; logged under "TFPrincipal.Retorna_Status_Erro_XML".
  void Retorna_Status_Erro_XML(const std::string& mensagem, const std::string& telecomando,
                               const std::string& terminal, std::int32_t stsEnvio, std::int32_t idStatus);

 private:
  void envia(std::string_view rotina, const std::string& corpo);

  CanalClientes& canal_;
  runtime::LogFiles& logs_;
};

}  // namespace kvt::telecmd
