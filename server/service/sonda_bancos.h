#pragma once

#include <cstdint>

#include "platform/db/db.h"

namespace kvt::service {

enum class BancoSondado { dbZenthora, dbBase, dbSSE };

// True when the connection is open and answers a query that reads one of its
// tables (a query that touches no table would pass even with the database
// gone). Never throws: a failure is the answer.
bool SondaBanco(db::Connection* conexao, BancoSondado banco);

// Documents of the module waiting in tFilaComandoKVT; -1 when the count fails.
std::int64_t ComandosNaFila(db::Connection* dbZenthora, int numModCom);
db::SqlText sqlContaComandos(int numModCom);

}  // namespace kvt::service
