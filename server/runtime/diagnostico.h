#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/db/db.h"

namespace kvt::runtime {

// The rows of tDiagnostico that say who is alive: this server's own heartbeat,
// the communication base's heartbeat, and the single-instance check.

struct ResultadoInstancia {
  bool livre = true;          // no other instance refreshed its row meanwhile
  std::string maquina;        // machine of the row (empty without a row)
  std::uint32_t intervaloMs;  // heartbeat interval of this server (IntervaloAtualizacao x 1000)
};

// Reads the row of `nomeApp`, sleeps its interval through `dorme`, reads it
// again; the check fails when the row was refreshed during the sleep.
ResultadoInstancia VerificaInstancia(db::Connection& dbZenthora, const std::string& nomeApp,
                                     const std::function<void(std::uint32_t ms)>& dorme);

// Records this instance's start (row CodigoPrograma = NumModCom + 10).
void AtualizaDataHoraCarga(db::Connection& dbZenthora, int numModCom, const std::string& versao,
                           const std::string& maquina);

// This server's heartbeat.
void AtualizaIntervaloCodigo(db::Connection& dbZenthora, int numModCom);

// True when the "Quillon" row exists and is not older than its interval (3 s when null).
bool VerificaStatusBase(db::Connection& dbZenthora);

// The module's row in tModRas, if any.
struct ModuloBase {
  int modCom = 0;
  std::string descr;
  int ccro = 0;
};
std::optional<ModuloBase> LeModulo(db::Connection& dbBase, int numModCom);

// The computer's network name, at most 15 characters.
std::string NomeMaquina();

}  // namespace kvt::runtime
