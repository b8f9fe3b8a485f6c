#pragma once

// Feedback of the telecommands sent to vehicles. The communication base
// reports each command's fate in the control event table: event 81 (send
// status: delivered, refused, timed out ...) and event 8C (call progress:
// another attempt to reach the vehicle). Both update the telecommand's row in
// tTelecomando; a send status of a stand-alone telecommand is also passed on to
// the clients, so that the sender learns the outcome (items of an operation
// transmission reach the client through the operation status report instead).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/db/db.h"
#include "server/runtime/log_files.h"

namespace kvt::events {

struct ComandoViaStatus {
  bool encontrado = false;
  std::int32_t IdTerminal = 0;
  std::int32_t IdSequencia = 0;
  std::int32_t CodMsg = 0;
  std::string TerminalID;
  std::int32_t IdTransOperacao = -1;  // -1: not an item of an operation transmission
};

// The fields of a status Post, each with its default.
struct CamposStatus {
  std::int32_t IdStatus = 0;      // field 27: IdSeqMsg of the telecommand
  std::int32_t StatusEnvio = 0;   // field 28
  std::int32_t CallProgress = 0;  // field A4
  std::string IP = "0.0.0.0";     // field B0
  std::int32_t Port = 0;          // field B1
  std::int32_t Operadora = 255;   // field E3
};
// Reads the fields of an 81 (eventoStatus) or 8C Post; nothing when a number
// field holds something that is not an integer (the Post cannot be applied).
std::optional<CamposStatus> LeCamposStatus(std::string_view post, bool eventoStatus);

const db::SqlText& sqlAtualizaStatusEnvio();
const db::SqlText& sqlObtemCmdViaStatus();
const db::SqlText& sqlAtualizaCallProgress();
const db::SqlText& sqlTentativasTelecomando();

class tRetornoTelecomando {
 public:
  using Enfileira = std::function<void(const std::string& post)>;

  // `enfileira` is the outbound buffer's Enfileira_Post_Envio.
  tRetornoTelecomando(db::Connection& dbZenthora, runtime::LogFiles& logs, Enfileira enfileira);

  // Event 81. Database errors propagate.
  void Processa_StatusEnvio_Telecomando(const std::string& post);
  // Event 8C. Database errors propagate; nothing is passed on.
  void Processa_CallProgress_Telecomando(const std::string& post);
  // The newest telecommand with this IdSeqMsg.
  ComandoViaStatus ObtemCmdViaStatus(std::int32_t idStatus);

 private:
  void log(std::string_view rotina, std::string_view mensagem);

  db::Connection& dbZenthora_;
  runtime::LogFiles& logs_;
  Enfileira enfileira_;
};

}  // namespace kvt::events
