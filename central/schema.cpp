#include "central/schema.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "central/central.h"
#include "central/sqlite_file.h"
#include "platform/text/cp1252.h"
#include "platform/text/trim.h"

namespace kvt::central {

namespace {

std::filesystem::path schemaDir() { return sourceDir() / "central" / "schema"; }

bool isIdentifier(const std::string& name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

// "-- params: A, B" → "A, B"; an empty list is allowed.
std::string parseParameterLine(const std::string& line, const std::string& path) {
  static const std::string prefix = "-- params:";
  if (line.compare(0, prefix.size(), prefix) != 0)
    throw std::runtime_error(path + ": the first line must be \"-- params: ...\"");
  std::vector<std::string> names;
  std::stringstream list(line.substr(prefix.size()));
  for (std::string name; std::getline(list, name, ',');) {
    name = text::trim(name);
    if (name.empty() && names.empty() && list.eof()) break;
    if (!isIdentifier(name)) throw std::runtime_error(path + ": bad parameter name \"" + name + "\"");
    names.push_back(name);
  }
  std::string joined;
  for (const auto& name : names) joined += (joined.empty() ? "" : ", ") + name;
  return joined;
}

Procedure readProcedure(const std::filesystem::path& file) {
  std::stringstream in(text::utf8ToCp1252(readTextFile(file.string())));
  Procedure p;
  p.nome = file.stem().string();
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  p.parametros = parseParameterLine(line, file.string());
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (text::trim(line).rfind("--", 0) == 0) continue;
    p.corpo += line + "\n";
  }
  p.corpo = text::trim(p.corpo);
  if (p.corpo.empty()) throw std::runtime_error(file.string() + ": the procedure has no body");
  return p;
}

}  // namespace

std::string readTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string schemaScript(const std::string& database) {
  return text::utf8ToCp1252(readTextFile((schemaDir() / (database + ".sql")).string()));
}

std::vector<Procedure> readProcedures(const std::string& database) {
  const auto folder = schemaDir() / "procedures" / database;
  std::vector<std::filesystem::path> files;
  if (std::filesystem::is_directory(folder))
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      if (entry.is_regular_file() && entry.path().extension() == ".sql") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::vector<Procedure> procedures;
  for (const auto& file : files) procedures.push_back(readProcedure(file));
  return procedures;
}

void loadSchema(SqliteFile& file, const std::string& database) {
  file.exec(schemaScript(database));
  std::vector<std::vector<SqlValue>> rows;
  for (const auto& p : readProcedures(database)) rows.push_back({p.nome, p.parametros, p.corpo});
  file.runEach("INSERT INTO kvtProcedimento (Nome, Parametros, Corpo) VALUES (?, ?, ?)", rows);
}

}  // namespace kvt::central
