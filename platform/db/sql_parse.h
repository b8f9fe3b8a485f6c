#pragma once

// Reading statement texts: named parameters, statement boundaries, "exec" calls.
// Quoted literals ('...', "...", [...], `...`) and comments (-- and /* */) are
// skipped by every scan.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/db.h"

namespace kvt::db::detail {

// The text with every ":name" replaced by "?", and the name of each marker in
// order (a name may repeat). "::" and a ':' not followed by a name character
// stay as they are.
struct PositionalSql {
  std::string sql;
  std::vector<std::string> names;
};
PositionalSql toPositional(std::string_view sql);

// The statements of a text, split at the ';' that end a complete SQLite
// statement (so trigger bodies stay whole), but not at a ';' followed by a
// digit, which numbers a procedure ("exec spX;1"); blank pieces and pieces holding
// only comments are left out. The ';' is not kept, and comments become blanks
// (the SQLite ODBC driver takes a ';' inside a comment for a second statement).
std::vector<std::string> splitStatements(std::string_view sql);

// One argument of an exec call: a parameter (":name"), or a literal value;
// "@Name = ..." names the procedure parameter it goes to.
struct ExecArgument {
  std::string target;     // procedure parameter name without '@', or empty (by position)
  std::string parameter;  // the call's own parameter name without ':', or empty (a literal)
  Value literal;
};
struct ExecCall {
  std::string procedure;
  std::vector<ExecArgument> arguments;
};
// A procedure's number after its name ("exec spX;1 @A = :a") is dropped.
// nullopt when the statement is not "exec"/"execute"; throws DbError when it is
// but an argument cannot be read.
std::optional<ExecCall> parseExec(std::string_view statement);

}  // namespace kvt::db::detail
