#pragma once

// Whether this central may send a command to a vehicle, in a network of
// centrals where a vehicle may be configured from another central (its server
// central).

#include <cstdint>
#include <string>

#include "platform/db/db.h"
#include "server/telecmd/resposta_erro.h"

namespace kvt::telecmd {

const db::SqlText& sqlComunicacaoDaCentral();
const db::SqlText& sqlConfigCentral();
const db::SqlText& sqlCentralDestinoPermissoes();

class tPermissaoCentral {
 public:
  tPermissaoCentral(db::Connection& dbZenthora, RespostaStatusErro& respostas)
      : dbZenthora_(dbZenthora), respostas_(respostas) {}

  // True when the command may be sent. With `reporta` "S" a refusal is also
  // answered to the clients; with any other text it is silent. Database
  // errors go up to the caller.
  bool PermissaoCentral(std::int32_t codMsg, std::int32_t idTerminal, const std::string& reporta);

 private:
  db::Connection& dbZenthora_;
  RespostaStatusErro& respostas_;
};

}  // namespace kvt::telecmd
