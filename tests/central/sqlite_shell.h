#pragma once

// Runs the sqlite3 command-line shell on a database file and returns what it
// printed, so tests see the central as any other tool would.

#include <cstdio>
#include <memory>
#include <string>

namespace kvt::test {

inline std::string sqliteShell(const std::string& database, const std::string& sql) {
  const std::string command = "sqlite3 -batch '" + database + "' \"" + sql + "\" 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[4096];
  for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

}  // namespace kvt::test
