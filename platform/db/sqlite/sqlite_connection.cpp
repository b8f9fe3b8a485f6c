// The native SQLite backend (SQLite C API).

#include <sqlite3.h>

#include "platform/db/backend.h"
#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "platform/text/trim.h"

namespace kvt::db::detail {

using namespace kvt::text::literals;

namespace {

// Long enough for the server and quillon-sim to take turns on the same files.
constexpr int kBusyTimeoutMs = 10000;

bool isLost(int rc) {
  switch (rc & 0xff) {
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB: return true;
    default: return false;
  }
}

DbError errorOf(sqlite3* db, int rc) {
  std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  if (isLost(rc)) return lostError(message);
  return DbError(message);
}

// A date-time column: its declared type names a date or a time.
bool isDateTimeType(const char* declared) {
  if (!declared) return false;
  const std::string t = text::upperAscii(declared);
  return t.find("DATE") != std::string::npos || t.find("TIME") != std::string::npos;
}

// INSERT, UPDATE, DELETE and REPLACE (also behind WITH) report changed rows;
// sqlite3_changes() keeps the count of the last such statement otherwise.
bool reportsChanges(std::string_view sql) {
  std::size_t i = 0;
  while (i < sql.size()) {
    if (text::isBlankOrControl(sql[i])) {
      ++i;
    } else if (sql.substr(i, 2) == "--") {
      const auto nl = sql.find('\n', i);
      i = nl == std::string_view::npos ? sql.size() : nl + 1;
    } else if (sql.substr(i, 2) == "/*") {
      const auto end = sql.find("*/", i + 2);
      i = end == std::string_view::npos ? sql.size() : end + 2;
    } else {
      break;
    }
  }
  std::size_t j = i;
  while (j < sql.size() && ((sql[j] | 0x20) >= 'a' && (sql[j] | 0x20) <= 'z')) ++j;
  const std::string word = text::upperAscii(sql.substr(i, j - i));
  return word == "INSERT" || word == "UPDATE" || word == "DELETE" || word == "REPLACE" || word == "WITH";
}

class StmtGuard {
 public:
  explicit StmtGuard(sqlite3_stmt* s) : s_(s) {}
  ~StmtGuard() { sqlite3_finalize(s_); }
  StmtGuard(const StmtGuard&) = delete;
  StmtGuard& operator=(const StmtGuard&) = delete;

 private:
  sqlite3_stmt* s_;
};

class SqliteConnection final : public Connection {
 public:
  SqliteConnection(std::string url, std::string path, std::vector<Attachment> attachments)
      : Connection(std::move(url)), path_(std::move(path)), attachments_(std::move(attachments)) {
    connect();
  }
  ~SqliteConnection() override { close(); }

  Dialect dialect() const override { return Dialect::Sqlite; }
  bool isOpen() const override { return db_ != nullptr; }

  void close() override {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
  }

  void reopen() override {
    close();
    connect();
  }

 protected:
  Outcome run(const std::string& sql, const std::vector<Value>& args, bool keepRows) override {
    sqlite3_stmt* st = compile(sql);
    Outcome out;
    if (!st) return out;
    StmtGuard guard(st);
    bindAll(st, args);
    const int columns = sqlite3_column_count(st);
    out.hasColumns = columns > 0;
    for (int i = 0; i < columns; ++i) out.columns.emplace_back(sqlite3_column_name(st, i));
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      if (!keepRows) continue;
      std::vector<Value>& row = out.rows.emplace_back();
      row.reserve(static_cast<std::size_t>(columns));
      for (int i = 0; i < columns; ++i) row.push_back(column(st, i));
    }
    if (rc != SQLITE_DONE) throw errorOf(db_, rc);
    if (!sqlite3_stmt_readonly(st) && reportsChanges(sql)) out.changed = sqlite3_changes64(db_);
    if (!keepRows) out.rows.clear();
    return out;
  }

  void prepare(const std::string& sql) override {
    sqlite3_stmt* st = compile(sql);
    sqlite3_finalize(st);
  }

 private:
  void connect() {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
      const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
      sqlite3_close_v2(db);
      throw lostError(message + " (" + path_ + ")");
    }
    db_ = db;
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    try {
      run("PRAGMA journal_mode=WAL", {}, false);
      for (const Attachment& a : attachments_) {
        run("ATTACH DATABASE ? AS \"" + a.name + "\"", {Value::text(a.path)}, false);
        run("PRAGMA \"" + a.name + "\".journal_mode=WAL", {}, false);
      }
    } catch (const DbError& e) {
      close();
      const std::string what = e.what();
      throw lostError((what.rfind(kLostPrefix, 0) == 0 ? what.substr(std::string(kLostPrefix).size()) : what) +
                      " (" + path_ + ")");
    }
  }

  // The compiled statement, or null for a text without one; throws on an error
  // or when the text holds more than one statement.
  sqlite3_stmt* compile(const std::string& sql) {
    if (!db_) throw closedError();
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &st, &tail);
    if (rc != SQLITE_OK) throw errorOf(db_, rc);
    if (st && tail && tail < sql.c_str() + sql.size()) {
      sqlite3_stmt* more = nullptr;
      const std::string rest(tail, sql.c_str() + sql.size());
      const int rc2 = sqlite3_prepare_v2(db_, rest.c_str(), static_cast<int>(rest.size()), &more, nullptr);
      const bool another = rc2 != SQLITE_OK || more != nullptr;
      sqlite3_finalize(more);
      if (another) {
        sqlite3_finalize(st);
        throw DbError("Mais de um comando num só texto para o SQLite: "_cp + sql);
      }
    }
    return st;
  }

  void bindAll(sqlite3_stmt* st, const std::vector<Value>& args) {
    const int expected = sqlite3_bind_parameter_count(st);
    if (expected != static_cast<int>(args.size()))
      throw DbError("O comando tem "_cp + std::to_string(expected) + " parâmetros e recebeu "_cp +
                    std::to_string(args.size()));
    for (int i = 0; i < expected; ++i) {
      const Value& v = args[static_cast<std::size_t>(i)];
      int rc = SQLITE_OK;
      switch (v.type()) {
        case Value::Type::Null: rc = sqlite3_bind_null(st, i + 1); break;
        case Value::Type::Integer: rc = sqlite3_bind_int64(st, i + 1, v.asInt64()); break;
        case Value::Type::Float: rc = sqlite3_bind_double(st, i + 1, v.asFloat()); break;
        case Value::Type::DateTime: {
          const std::string t = text::toSqlText(v.asDateTime());
          rc = sqlite3_bind_text64(st, i + 1, t.data(), t.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
          break;
        }
        case Value::Type::Text:
        case Value::Type::Memo: {
          const std::string t = v.asString();
          rc = sqlite3_bind_text64(st, i + 1, t.data(), t.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
          break;
        }
        case Value::Type::Binary: {
          const std::string b = v.asString();
          rc = b.empty() ? sqlite3_bind_zeroblob(st, i + 1, 0)
                         : sqlite3_bind_blob64(st, i + 1, b.data(), b.size(), SQLITE_TRANSIENT);
          break;
        }
      }
      if (rc != SQLITE_OK) throw errorOf(db_, rc);
    }
  }

  static Value column(sqlite3_stmt* st, int i) {
    switch (sqlite3_column_type(st, i)) {
      case SQLITE_INTEGER: return Value::integer(sqlite3_column_int64(st, i));
      case SQLITE_FLOAT: return Value::floating(sqlite3_column_double(st, i));
      case SQLITE_TEXT: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        std::string t(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, i)));
        if (isDateTimeType(sqlite3_column_decltype(st, i)))
          if (auto dt = text::fromSqlText(t)) return Value::dateTime(*dt);
        return Value::text(std::move(t));
      }
      case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(st, i));
        const auto n = static_cast<std::size_t>(sqlite3_column_bytes(st, i));
        return Value::binary(p ? std::string(p, n) : std::string());
      }
      default: return Value::null();
    }
  }

  std::string path_;
  std::vector<Attachment> attachments_;
  sqlite3* db_ = nullptr;
};

}  // namespace

std::unique_ptr<Connection> openSqlite(const std::string& url, const std::string& path,
                                       const std::vector<Attachment>& attachments) {
  return std::make_unique<SqliteConnection>(url, path, attachments);
}

}  // namespace kvt::db::detail
