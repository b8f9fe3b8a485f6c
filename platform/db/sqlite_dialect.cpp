#include "platform/db/sqlite_dialect.h"

#include <optional>

#include "platform/db/sql_parse.h"
#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "platform/text/trim.h"

namespace kvt::db {

using namespace kvt::text::literals;

namespace detail {

namespace {

// Procedures calling procedures: deep enough for any body, short of a loop.
constexpr int kMaxDepth = 16;

struct Procedure {
  std::vector<std::string> parameters;
  std::string body;
};

Procedure loadProcedure(Connection& c, const std::string& name) {
  Outcome found;
  try {
    found = Access::run(c, "SELECT Parametros, Corpo FROM main.kvtProcedimento WHERE Nome = ?", {Value::text(name)},
                        true);
  } catch (const DbError& e) {
    if (e.connectionLost()) throw;
    throw DbError("Procedimento "_cp + name + " não encontrado: "_cp + e.what());
  }
  if (found.rows.empty())
    throw DbError("Procedimento "_cp + name + " não encontrado na tabela kvtProcedimento do banco."_cp);
  Procedure p;
  const std::string list = found.rows[0][0].asString();
  std::size_t start = 0;
  while (start <= list.size()) {
    const auto comma = list.find(',', start);
    const auto end = comma == std::string::npos ? list.size() : comma;
    std::string n = text::trim(std::string_view(list).substr(start, end - start));
    if (!n.empty() && (n[0] == ':' || n[0] == '@')) n = n.substr(1);
    if (!n.empty()) p.parameters.push_back(n);
    start = end + 1;
  }
  p.body = found.rows[0][1].asString();
  return p;
}

// The values of a call's arguments, one per procedure parameter (null when the
// call leaves one out).
std::vector<Value> argumentValues(const ExecCall& call, const Procedure& proc, const ParamLookup& lookup) {
  std::vector<Value> values(proc.parameters.size());
  std::size_t position = 0;
  for (const ExecArgument& a : call.arguments) {
    std::size_t index = position++;
    if (!a.target.empty()) {
      index = proc.parameters.size();
      for (std::size_t k = 0; k < proc.parameters.size(); ++k)
        if (text::equalsIgnoreCase(proc.parameters[k], a.target)) index = k;
      if (index == proc.parameters.size())
        throw DbError("Procedimento "_cp + call.procedure + " não tem o parâmetro @"_cp + a.target);
    }
    if (index >= proc.parameters.size())
      throw DbError("Procedimento "_cp + call.procedure + " chamado com argumentos demais ("_cp +
                    std::to_string(call.arguments.size()) + " para " + std::to_string(proc.parameters.size()) + ")");
    if (a.parameter.empty()) {
      values[index] = a.literal;
    } else {
      const Value* v = lookup(a.parameter);
      if (!v) throw DbError("Parâmetro "_cp + a.parameter + " sem valor");
      values[index] = *v;
    }
  }
  return values;
}

void merge(Outcome& total, Outcome&& part) {
  total.changed += part.changed;
  if (part.hasColumns) {
    total.hasColumns = true;
    total.columns = std::move(part.columns);
    total.rows = std::move(part.rows);
  }
}

Outcome runOne(Connection& c, const std::string& statement, const ParamLookup& lookup, bool keepRows) {
  PositionalSql p = toPositional(statement);
  std::vector<Value> args;
  args.reserve(p.names.size());
  for (const std::string& name : p.names) {
    const Value* v = lookup(name);
    if (!v) throw DbError("Parâmetro "_cp + name + " sem valor");
    args.push_back(*v);
  }
  return Access::run(c, p.sql, args, keepRows);
}

Outcome runSqlite(Connection& c, const std::vector<std::string>& statements, const ParamLookup& lookup,
                  bool keepRows, int depth) {
  Outcome total;
  for (const std::string& statement : statements) {
    if (std::optional<ExecCall> call = parseExec(statement)) {
      if (depth >= kMaxDepth)
        throw DbError("Procedimentos aninhados demais ao chamar "_cp + call->procedure);
      const Procedure proc = loadProcedure(c, call->procedure);
      const std::vector<Value> values = argumentValues(*call, proc, lookup);
      const ParamLookup bodyLookup = [&](std::string_view name) -> const Value* {
        for (std::size_t k = 0; k < proc.parameters.size(); ++k)
          if (text::equalsIgnoreCase(proc.parameters[k], name)) return &values[k];
        return nullptr;
      };
      try {
        merge(total, runSqlite(c, splitStatements(proc.body), bodyLookup, keepRows, depth + 1));
      } catch (const DbError& e) {
        if (e.connectionLost()) throw;
        throw DbError(std::string(e.what()) + " (procedimento " + call->procedure + ")");
      }
    } else {
      merge(total, runOne(c, statement, lookup, keepRows));
    }
  }
  return total;
}

void prepareSqliteText(Connection& c, const std::string& text, std::vector<std::string>& failures, int depth,
                       const std::string& where) {
  std::vector<std::string> statements;
  try {
    statements = splitStatements(text);
  } catch (const DbError& e) {
    failures.push_back(where + e.what());
    return;
  }
  if (statements.empty() && depth == 0) failures.push_back(where + "Comando SQL vazio."_cp);
  for (const std::string& statement : statements) {
    try {
      if (std::optional<ExecCall> call = parseExec(statement)) {
        if (depth >= kMaxDepth) throw DbError("Procedimentos aninhados demais ao chamar "_cp + call->procedure);
        const Procedure proc = loadProcedure(c, call->procedure);
        const ParamLookup none = [](std::string_view) -> const Value* {
          static const Value null;
          return &null;
        };
        argumentValues(*call, proc, none);
        prepareSqliteText(c, proc.body, failures, depth + 1, where + "procedimento " + call->procedure + ": ");
      } else {
        Access::prepare(c, toPositional(statement).sql);
      }
    } catch (const DbError& e) {
      if (e.connectionLost()) throw;
      failures.push_back(where + e.what() + "\r\n  em: " + statement);
    }
  }
}

}  // namespace

Outcome runText(Connection& c, const std::string& text, const ParamLookup& lookup, bool keepRows) {
  if (c.dialect() == Dialect::MsSql) return runOne(c, text, lookup, keepRows);
  // a procedure's body may be empty; a statement may not (a missing SQLite text)
  const std::vector<std::string> statements = splitStatements(text);
  if (statements.empty()) throw DbError("Comando SQL vazio."_cp);
  return runSqlite(c, statements, lookup, keepRows, 0);
}

}  // namespace detail

std::vector<std::string> prepareSqlite(Connection& connection, const std::string& sqliteText) {
  if (connection.dialect() != Dialect::Sqlite) return {"A conexão não está no dialeto SQLite."_cp};
  std::vector<std::string> failures;
  detail::prepareSqliteText(connection, sqliteText, failures, 0, "");
  return failures;
}

std::vector<std::string> prepareAllSqlite(Connection& connection) {
  if (connection.dialect() != Dialect::Sqlite) return {"A conexão não está no dialeto SQLite."_cp};
  std::vector<std::string> failures;
  for (const RegisteredStatement& s : registeredStatements())
    detail::prepareSqliteText(connection, s.sql.sqlite, failures, 0, s.name + ": ");
  return failures;
}

}  // namespace kvt::db
