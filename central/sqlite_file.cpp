#include "central/sqlite_file.h"

#include <sqlite3.h>

#include <stdexcept>

namespace kvt::central {

SqliteFile::SqliteFile(const std::string& path) : path_(path) {
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw std::runtime_error(path + ": " + message);
  }
  sqlite3_busy_timeout(db_, 5000);
}

SqliteFile::~SqliteFile() { sqlite3_close(db_); }

void SqliteFile::exec(const std::string& script) {
  char* error = nullptr;
  if (sqlite3_exec(db_, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : sqlite3_errmsg(db_);
    sqlite3_free(error);
    throw std::runtime_error(path_ + ": " + message);
  }
}

void SqliteFile::runEach(const std::string& sql, const std::vector<std::vector<SqlValue>>& rows) {
  SqliteStatement statement(*this, sql);
  for (const auto& values : rows) {
    for (std::size_t i = 0; i < values.size(); ++i) statement.bind(static_cast<int>(i + 1), values[i]);
    while (statement.step()) {
    }
    statement.reset();
  }
}

std::int64_t SqliteFile::scalar(const std::string& sql) {
  SqliteStatement statement(*this, sql);
  return statement.step() ? statement.columnInt(0) : 0;
}

SqliteStatement::SqliteStatement(SqliteFile& file, const std::string& sql) : file_(file) {
  if (sqlite3_prepare_v2(file.handle(), sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK)
    throw std::runtime_error(file.path() + ": " + sqlite3_errmsg(file.handle()) + " in: " + sql);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }

void SqliteStatement::bind(int position, const SqlValue& value) {
  int rc = SQLITE_OK;
  if (std::holds_alternative<std::monostate>(value)) {
    rc = sqlite3_bind_null(stmt_, position);
  } else if (const auto* i = std::get_if<std::int64_t>(&value)) {
    rc = sqlite3_bind_int64(stmt_, position, *i);
  } else if (const auto* f = std::get_if<double>(&value)) {
    rc = sqlite3_bind_double(stmt_, position, *f);
  } else if (const auto* s = std::get_if<std::string>(&value)) {
    rc = sqlite3_bind_text(stmt_, position, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
  } else {
    const auto& b = std::get<Blob>(value).bytes;
    rc = sqlite3_bind_blob(stmt_, position, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
  }
  if (rc != SQLITE_OK) throw std::runtime_error(file_.path() + ": bind: " + sqlite3_errmsg(file_.handle()));
}

std::vector<std::string> SqliteStatement::parameterNames() const {
  std::vector<std::string> names;
  for (int i = 1; i <= sqlite3_bind_parameter_count(stmt_); ++i) {
    const char* name = sqlite3_bind_parameter_name(stmt_, i);
    names.emplace_back(name ? name + 1 : "");
  }
  return names;
}

bool SqliteStatement::step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throw std::runtime_error(file_.path() + ": " + sqlite3_errmsg(file_.handle()) + " in: " + sqlite3_sql(stmt_));
}

void SqliteStatement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

std::int64_t SqliteStatement::columnInt(int column) const { return sqlite3_column_int64(stmt_, column); }

}  // namespace kvt::central
