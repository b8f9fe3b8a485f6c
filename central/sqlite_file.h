#pragma once

// A thin owner of one sqlite3 connection for the tools that build the embedded
// central: whole scripts, and one prepared statement at a time with positional
// binds. Every failure throws std::runtime_error naming the file.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kvt::central {

// A bound value: null, integer, float, text or binary bytes.
struct Blob {
  std::string bytes;
};
using SqlValue = std::variant<std::monostate, std::int64_t, double, std::string, Blob>;

class SqliteFile {
 public:
  explicit SqliteFile(const std::string& path);
  ~SqliteFile();
  SqliteFile(const SqliteFile&) = delete;
  SqliteFile& operator=(const SqliteFile&) = delete;

  const std::string& path() const { return path_; }
  sqlite3* handle() const { return db_; }

  // Runs every statement of the script.
  void exec(const std::string& script);
  // Runs one statement with positional values, once per row of values.
  void runEach(const std::string& sql, const std::vector<std::vector<SqlValue>>& rows);
  void run(const std::string& sql, const std::vector<SqlValue>& values) {
    runEach(sql, std::vector<std::vector<SqlValue>>{values});
  }
  // First column of the first row as an integer (0 when there is no row).
  std::int64_t scalar(const std::string& sql);

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
};

// One prepared statement of a SqliteFile.
class SqliteStatement {
 public:
  SqliteStatement(SqliteFile& file, const std::string& sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  void bind(int position, const SqlValue& value);  // positions from 1
  // The statement's parameters in position order, without their ':'.
  std::vector<std::string> parameterNames() const;
  // Steps once: true while a row is available.
  bool step();
  void reset();
  std::int64_t columnInt(int column) const;

 private:
  SqliteFile& file_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace kvt::central
