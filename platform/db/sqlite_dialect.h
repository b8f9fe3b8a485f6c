#pragma once

// Running a text: in the MsSql dialect the whole text goes to the backend; in
// the Sqlite dialect it is split into statements and "exec spName ..." runs the
// procedure's body from the table kvtProcedimento of the connection's main
// database:
//   CREATE TABLE kvtProcedimento (Nome TEXT PRIMARY KEY COLLATE NOCASE,
//     Parametros TEXT NOT NULL DEFAULT '', Corpo TEXT NOT NULL)
// Parametros names the parameters in call order, without ':', separated by
// commas; Corpo holds SQLite statements separated by ';' that use them as :Name.

#include <functional>
#include <string>
#include <string_view>

#include "platform/db/backend.h"

namespace kvt::db::detail {

// The value bound to a parameter name (ASCII case ignored), or null when none is.
using ParamLookup = std::function<const Value*(std::string_view name)>;

Outcome runText(Connection& connection, const std::string& text, const ParamLookup& lookup, bool keepRows);

}  // namespace kvt::db::detail
