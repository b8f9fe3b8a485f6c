#pragma once

// The imports wired as the server wires them: the telecommand processor on a
// fresh embedded central, the electronic-security module on the security
// database's own connection filling its slots, one logged-in client on a real
// socket, and a few vehicles in the central.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/db/db.h"
#include "platform/text/cp1252.h"
#include "server/security/seg_eletronica.h"
#include "server/telecmd/resposta_erro.h"
#include "tests/server/telecmd/ambiente_telecmd.h"

namespace kvt::test {

using namespace kvt::text::literals;

struct AmbienteImportacao : AmbienteTeleCmd {
  std::unique_ptr<db::Connection> dbSSE;
  std::unique_ptr<security::TdmSegEletronica> seg;
  int cliente = -1;

  AmbienteImportacao() : AmbienteTeleCmd("-11,-15,-27") {
    dbSSE = db::Connection::open(central.urlSse);
    cliente = canal.conecta("Sim");
    seg = std::make_unique<security::TdmSegEletronica>(
        security::TdmSegEletronica::Dependencias{canal, *respostas, *logs, *dbZenthora, *dbSSE});
    seg->RegistraTratadores(*teleCmd);
    // vehicles 0A, 0B and 0C of carrier 7, fleet 70
    for (int id : {0xA, 0xB, 0xC})
      executa("INSERT INTO tVeiculo (IdTerminal, IdTransp, IdFrota, Veiculo) VALUES (" + std::to_string(id) +
              ", 7, 70, '  " + "Caminhão "_cp + std::to_string(id) + "  ')");
  }

  // Sends a telecomando with the given CodMsg and body from the client.
  void importa(const std::string& codMsg, const std::string& corpo) {
    envia(cliente, "<telecomando><CodMsg>" + codMsg + "</CodMsg>" + corpo + "</telecomando>");
  }

  void sse(const std::string& sql) {
    db::Statement st(*dbSSE, sql);
    st.execute();
  }
  // The rows of a query on the security database, each as its values' texts
  // joined with "|".
  std::vector<std::string> linhas(const std::string& sql) { return linhasDe(*dbSSE, sql); }
  std::vector<std::string> linhasZenthora(const std::string& sql) { return linhasDe(*dbZenthora, sql); }
  std::int64_t conta(const std::string& sql) { return numeroDe(*dbSSE, sql); }
};

// A status/error reply of the imports as the client receives it.
inline std::string erroImportacao(const std::string& mensagem, const std::string& telecomando = "",
                                  const std::string& terminal = "", std::int32_t stsEnvio = 0) {
  return documento(telecmd::CorpoStatusErroXML(kAgora, {mensagem, telecomando, terminal, stsEnvio, -1}));
}

}  // namespace kvt::test
