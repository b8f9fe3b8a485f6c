#pragma once

// The schema and the stand-in stored procedures of the embedded central, as
// kept in central/schema: <database>.sql holds the tables, and
// procedures/<database>/<name>.sql one procedure each, whose first line names
// its parameters ("-- params: IdTerminal, FusoHorario"). Files are UTF-8 and are
// loaded as Windows-1252.

#include <string>
#include <vector>

namespace kvt::central {

class SqliteFile;

// The three databases by the names of their schema files.
inline constexpr const char* kDatabases[] = {"zenthora", "base", "sse"};

struct Procedure {
  std::string nome;        // the file name without .sql
  std::string parametros;  // names without ':', separated by ", "
  std::string corpo;       // SQLite statements separated by ';', comment lines left out
};

// The DDL of one database, converted to Windows-1252.
std::string schemaScript(const std::string& database);

// The procedures of one database in name order; throws std::runtime_error for
// a file without its parameter line or with a malformed parameter name.
std::vector<Procedure> readProcedures(const std::string& database);

// Creates the tables of the database and fills kvtProcedimento.
void loadSchema(SqliteFile& file, const std::string& database);

// Reads a whole file; throws std::runtime_error when it cannot.
std::string readTextFile(const std::string& path);

}  // namespace kvt::central
