#pragma once

#include "platform/db/db.h"

namespace kvt::service {

enum class BancoSondado { dbZenthora, dbBase, dbSSE };

// True when the connection is open and answers a query that reads one of its
// tables (a query that touches no table would pass even with the database
// gone). Never throws: a failure is the answer.
bool SondaBanco(db::Connection* conexao, BancoSondado banco);

}  // namespace kvt::service
