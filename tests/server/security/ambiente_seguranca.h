#pragma once

// The electronic-security data module wired as the server wires it: the
// telecommand processor of AmbienteTeleCmd (embedded central, socket client
// link, log files) with the security connection and TdmSegEletronica's
// handlers in its dispatch table.

#include <memory>
#include <string>
#include <vector>

#include "platform/db/db.h"
#include "server/security/seg_eletronica.h"
#include "tests/server/telecmd/ambiente_telecmd.h"

namespace kvt::test {

struct AmbienteSeguranca : AmbienteTeleCmd {
  std::unique_ptr<db::Connection> dbSSE;
  std::unique_ptr<security::TdmSegEletronica> dm;

  explicit AmbienteSeguranca(const std::string& telecmd = "-6,-7,-8,-9,-10") : AmbienteTeleCmd(telecmd) {
    dbSSE = db::Connection::open(central.urlSse);
    dm = std::make_unique<security::TdmSegEletronica>(
        security::TdmSegEletronica::Dependencias{canal, *respostas, *logs, *dbZenthora, *dbSSE});
    dm->RegistraTratadores(*teleCmd);
  }

  // Runs a statement on the security database.
  void executaSSE(const std::string& sql) {
    db::Statement st(*dbSSE, sql);
    st.execute();
  }

  // The rows of a query on the security database, each as its values' texts
  // joined with "|".
  std::vector<std::string> linhas(const std::string& sql) { return linhasDe(*dbSSE, sql); }
  std::int64_t conta(const std::string& sql) { return numeroDe(*dbSSE, sql); }

  // A telecomando with the given CodMsg and inner elements.
  static std::string telecomando(const std::string& codMsg, const std::string& corpo = "") {
    return "<telecomando><codmsg>" + codMsg + "</codmsg>" + corpo + "</telecomando>";
  }
};

}  // namespace kvt::test
