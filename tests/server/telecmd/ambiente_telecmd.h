#pragma once

// The telecommand processor wired as the server wires it: a fresh embedded
// central in a temporary folder, its KORVATEL.INI read by the runtime, the log
// files in the same folder, a manual clock and a socket client link.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "central/central.h"
#include "platform/clock/clock.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/text/regional.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/runtime/status_model.h"
#include "server/telecmd/permissao_central.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/tele_cmd.h"
#include "tests/server/telecmd/canal_sockets.h"
#include "tests/support/temp_dir.h"

namespace kvt::test {

// The rows of a query, one text per row with its values joined by "|".
inline std::vector<std::string> linhasDe(db::Connection& c, const std::string& sql) {
  db::Statement st(c, sql);
  st.open();
  std::vector<std::string> out;
  for (; !st.eof(); st.next()) {
    std::string l;
    for (std::size_t i = 0; i < st.columnCount(); ++i) l += (i ? "|" : "") + st.field(i).asString();
    out.push_back(l);
  }
  return out;
}

// The first value of a query's first row as a number (a count).
inline std::int64_t numeroDe(db::Connection& c, const std::string& sql) {
  db::Statement st(c, sql);
  st.open();
  return st.field(std::size_t{0}).asInt64();
}

// The clock's "now" as every reply and list line shows it.
inline constexpr const char* kAgora = "02/01/2024 03:04:05";

struct AmbienteTeleCmd {
  TempDir dir;
  clk::ManualClock relogio{0, {2024, 1, 2, 3, 4, 5, 0}};
  clk::ScopedClock escopoRelogio{relogio};
  central::CentralFiles central;
  std::unique_ptr<db::Connection> dbZenthora;
  runtime::tConfiguracao cfg;
  runtime::EstadoServidor estado;
  runtime::StatusModel status;
  std::unique_ptr<runtime::LogFiles> logs;
  CanalSockets canal;
  std::unique_ptr<telecmd::RespostaStatusErro> respostas;
  std::unique_ptr<telecmd::tPermissaoCentral> permissao;
  std::unique_ptr<telecmd::tTeleCmd> teleCmd;

  // `telecmd` replaces the TELECMD key of the central's KORVATEL.INI.
  explicit AmbienteTeleCmd(const std::string& telecmd = "-1,-2,-27,-33,1,92,106,130") {
    text::setRegional({});
    central = central::createCentral(dir.file("central"));
    ini::IniFile ini(central.ini);
    ini.writeString("KORVATEL", "TELECMD", telecmd);
    ini.reload();
    runtime::LeChavesLog(ini, cfg);
    runtime::LeChavesKorvatel(ini, cfg);
    runtime::LeChavesControle(ini, cfg);
    dbZenthora = db::Connection::open(central.urlZenthora);
    logs = std::make_unique<runtime::LogFiles>(cfg.log, central.ini, status.lberro, dir.path().string());
    respostas = std::make_unique<telecmd::RespostaStatusErro>(canal, *logs);
    permissao = std::make_unique<telecmd::tPermissaoCentral>(*dbZenthora, *respostas);
    teleCmd = std::make_unique<telecmd::tTeleCmd>(
        telecmd::tTeleCmd::Dependencias{canal, cfg, estado, status, *logs, *dbZenthora, *respostas, *permissao});
  }

  // The log file's text.
  std::string log() const { return readFile(dir.file("KORVATEL01.log")); }

  // Sends a document as the given client sent it.
  void envia(int cliente, const std::string& xml) { teleCmd->ExecutaTeleCmd(xml, canal.ip(cliente), canal.porta(cliente)); }

  void executa(const std::string& sql) {
    db::Statement st(*dbZenthora, sql);
    st.execute();
  }
};

// A reply document as it reaches the clients.
inline std::string documento(const std::string& corpo) { return "<?xml version=\"1.0\" ?>  <TeleEvento> " + corpo + " </TeleEvento>"; }

// A status/error reply of the processor as the clients receive it, at the
// clock's 02/01/2024 03:04:05; a zero idStatus or sts and empty texts leave
// their element out.
inline std::string respostaErro(int idStatus, const std::string& terminal, const std::string& telecomando, int sts,
                                const std::string& mensagemAscii) {
  std::string c = " <DataHoraEm> 02/01/2024 03:04:05 </DataHoraEm> <CodMsg> -40</CodMsg> ";
  if (idStatus > 0) c += "<IdStatus> " + std::to_string(idStatus) + " </IdStatus>";
  if (!terminal.empty()) c += " <IdTerminal> " + terminal + " </IdTerminal>";
  if (!telecomando.empty()) c += "<Telecomando> " + telecomando + " </Telecomando>";
  if (sts != 0) c += " <StsEnvio>" + std::to_string(sts) + "</StsEnvio> ";
  return documento(c + " <MsgErro> " + mensagemAscii + " </MsgErro>");
}

// Every code a client may send, for the TELECMD key, so the handler alone decides.
inline std::string todosOsCodigos() {
  std::string s;
  for (int c = -40; c <= 255; ++c) s += std::to_string(c) + ",";
  return s;
}

}  // namespace kvt::test
