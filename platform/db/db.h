#pragma once

// The database link: connections opened from a URL, statements with :name
// parameters, rows read by column name or position. Texts are Windows-1252
// bytes in both directions. Every statement commits on its own.
//
// URLs:
//   sqlite:PATH[;Attach=NAME:PATH]...       native SQLite (WAL, busy time-out);
//                                           each Attach adds a database under NAME
//   odbc:CONNECTION-STRING                  unixODBC (FreeTDS for SQL Server)
//   odbc:...;Dialect=sqlite                 ODBC to SQLite: the SQLite texts are used
// Relative paths are taken from the current working directory.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/date_time.h"

namespace kvt::db {

enum class Dialect { MsSql, Sqlite };

// A failure of the database layer. A lost or unopenable connection is flagged
// and its message always contains "General SQL error"; other errors keep the
// driver's text.
class DbError : public std::runtime_error {
 public:
  DbError(const std::string& message, bool connectionLost = false)
      : std::runtime_error(message), connectionLost_(connectionLost) {}
  bool connectionLost() const { return connectionLost_; }

 private:
  bool connectionLost_;
};

class Value {
 public:
  enum class Type { Null, Integer, Float, Text, DateTime, Memo, Binary };

  Value() = default;
  static Value null() { return {}; }
  static Value integer(std::int64_t v);
  static Value floating(double v);
  static Value text(std::string v);
  static Value memo(std::string v);
  static Value binary(std::string bytes);
  static Value dateTime(const text::DateTime& v);

  Type type() const { return type_; }
  bool isNull() const { return type_ == Type::Null; }

  // Conversions follow the usual field rules: a null reads as 0, "" or the
  // default date; numbers and texts convert into each other where they can
  // (an unparsable text reads as 0).
  std::int64_t asInt64() const;
  std::int32_t asInt() const { return static_cast<std::int32_t>(asInt64()); }
  double asFloat() const;
  // Text, memo and binary bytes; integers as decimal text; floats and date-times
  // in the regional formats (decimal comma, dd/mm/yyyy hh:nn:ss), as the
  // platform's fields gave them.
  std::string asString() const;
  text::DateTime asDateTime() const;
  bool asBool() const { return asInt64() != 0; }

 private:
  Type type_ = Type::Null;
  std::int64_t int_ = 0;
  double float_ = 0;
  std::string text_;
  text::DateTime dateTime_{};
};

// One statement declared once with the text for each dialect.
struct SqlText {
  std::string mssql;   // exactly as the central's SQL Server expects it
  std::string sqlite;  // what the embedded central understands
  const std::string& of(Dialect d) const { return d == Dialect::MsSql ? mssql : sqlite; }
};

class Statement;
class Connection;

namespace detail {
// What a backend reports for one run of a text.
struct Outcome {
  bool hasColumns = false;  // a result set with columns was seen (rows may be empty)
  std::vector<std::string> columns;
  std::vector<std::vector<Value>> rows;
  std::int64_t changed = 0;  // rows changed (a negative driver count reads as 0)
};
struct Access;  // the dialect layer's door to the backend (platform/db/backend.h)
}  // namespace detail

class Connection {
 public:
  // Opens the connection; throws DbError (flagged lost) when it cannot.
  static std::unique_ptr<Connection> open(const std::string& url);

  virtual ~Connection() = default;
  virtual Dialect dialect() const = 0;
  virtual bool isOpen() const = 0;
  virtual void close() = 0;
  // Reopens a closed connection with the same URL.
  virtual void reopen() = 0;
  const std::string& url() const { return url_; }

 protected:
  explicit Connection(std::string url) : url_(std::move(url)) {}

  // The backend's part, called by the dialect layer only. `sql` has its
  // parameters as '?' markers, bound in order from `args`: one statement in the
  // Sqlite dialect, possibly a batch in MsSql (result sets without columns are
  // skipped until one has columns). Rows are kept only with keepRows. Both
  // throw DbError; on a closed connection, flagged lost.
  virtual detail::Outcome run(const std::string& sql, const std::vector<Value>& args, bool keepRows) = 0;
  // Compiles `sql` (same form) without running it.
  virtual void prepare(const std::string& sql) = 0;

 private:
  friend class Statement;
  friend struct detail::Access;
  std::string url_;
};

// A statement with named parameters (":" before the name; the same name may
// appear several times). In the SQLite dialect "exec spName :a, :b" runs the
// procedure body kept by the embedded central, and texts with several
// statements run statement by statement; the rows are those of the last
// statement that returns rows.
class Statement {
 public:
  Statement(Connection& connection, const SqlText& sql);
  Statement(Connection& connection, std::string sqlForThisDialect);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  const std::string& sql() const { return sql_; }

  Statement& bind(std::string_view name, const Value& value);
  Statement& bindInt(std::string_view name, std::int64_t v) { return bind(name, Value::integer(v)); }
  Statement& bindText(std::string_view name, std::string v) { return bind(name, Value::text(std::move(v))); }
  Statement& bindFloat(std::string_view name, double v) { return bind(name, Value::floating(v)); }
  Statement& bindDateTime(std::string_view name, const text::DateTime& v) { return bind(name, Value::dateTime(v)); }
  Statement& bindMemo(std::string_view name, std::string v) { return bind(name, Value::memo(std::move(v))); }
  Statement& bindBinary(std::string_view name, std::string v) { return bind(name, Value::binary(std::move(v))); }
  Statement& bindNull(std::string_view name) { return bind(name, Value::null()); }

  // Runs the statement and keeps its rows; the cursor is on the first row.
  void open();
  // Runs the statement; the number of rows it changed (0 when none matched).
  std::int64_t execute();
  void close();

  bool isOpen() const { return open_; }
  bool eof() const { return row_ >= rows_.size(); }
  void next() { ++row_; }
  void first() { row_ = 0; }
  std::size_t rowCount() const { return rows_.size(); }
  std::size_t columnCount() const { return columns_.size(); }
  const std::string& columnName(std::size_t i) const { return columns_.at(i); }
  bool hasColumn(std::string_view name) const;
  // The current row's value by column name (ASCII case ignored) or position;
  // an unknown name throws DbError.
  const Value& field(std::string_view name) const;
  const Value& field(std::size_t position) const;

 private:
  Connection& connection_;
  std::string sql_;
  std::vector<std::pair<std::string, Value>> params_;
  std::vector<std::string> columns_;
  std::vector<std::vector<Value>> rows_;
  std::size_t row_ = 0;
  bool open_ = false;
};

// Every statement text the server sends, so one test can prepare each SQLite
// text against the embedded central. Declared next to the code that uses it:
//   const db::SqlText& sqlAtualizaDiagnostico();   // in the .cpp:
//   KVT_SQL(sqlAtualizaDiagnostico, "UPDATE tDiagnostico\r\n...", "UPDATE tDiagnostico ...");
// Composed statements register one representative text with kvt::db::registerComposed,
// or at namespace scope in the .cpp with
//   KVT_SQL_COMPOSED(sqlLeituraEventos, sqlLeituraEventos("tEvtPost02"));
//
// Registration runs at static initialisation. The linker drops the objects of a
// static library that nothing references, and their registrations with them: a
// test that checks every registered text must link the libraries whole, e.g.
//   target_link_libraries(t PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,kvt_runtime>")
struct RegisteredStatement {
  std::string name;
  SqlText sql;
};
const std::vector<RegisteredStatement>& registeredStatements();
const SqlText& registerStatement(std::string name, SqlText sql);
void registerComposed(std::string name, SqlText representative);

// Prepares (compiles without running) the SQLite text of every registered
// statement on a connection in the Sqlite dialect: multi-statement texts are
// split, "exec spName ..." is resolved to the procedure's body. Returns one
// readable text per failure ("name: message"), empty when all prepare.
std::vector<std::string> prepareAllSqlite(Connection& connection);
// The same for one SQLite text; the failures of its statements.
std::vector<std::string> prepareSqlite(Connection& connection, const std::string& sqliteText);

}  // namespace kvt::db

#define KVT_SQL(fn, mssqlText, sqliteText)                                                   \
  const ::kvt::db::SqlText& fn() {                                                          \
    static const ::kvt::db::SqlText& s = ::kvt::db::registerStatement(#fn, {mssqlText, sqliteText}); \
    return s;                                                                               \
  }                                                                                         \
  [[maybe_unused]] static const ::kvt::db::SqlText& fn##_registered = fn()

#define KVT_SQL_COMPOSED(name, representative)                                                  \
  [[maybe_unused]] static const bool name##_registered =                                        \
      (::kvt::db::registerComposed(#name, representative), true)
