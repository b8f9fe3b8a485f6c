// The ODBC backend (unixODBC C API): FreeTDS for SQL Server in production, the
// SQLite ODBC driver in tests. Texts travel as SQL_C_CHAR only (the SQLite
// driver's wide-character path drops bytes such as 0xB0), binary values as
// SQL_C_BINARY.

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstring>

#include "platform/db/backend.h"
#include "platform/text/cp1252.h"

namespace kvt::db::detail {

using namespace kvt::text::literals;

namespace {

constexpr SQLULEN kLoginTimeoutSeconds = 15;
constexpr int kBusyTimeoutMs = 10000;
// Longer values go as long types (SQL Server's varchar/varbinary limit).
constexpr std::size_t kShortLimit = 8000;

// The driver's diagnostics of a handle: their texts, and whether one says the
// connection is gone (SQLSTATE class 08).
DbError diagnose(SQLSMALLINT type, SQLHANDLE handle, SQLRETURN rc, const char* what) {
  std::string text;
  bool lost = false;
  for (SQLSMALLINT i = 1;; ++i) {
    SQLCHAR state[6] = {0};
    SQLINTEGER native = 0;
    std::vector<SQLCHAR> message(1024);
    SQLSMALLINT length = 0;
    SQLRETURN r = SQLGetDiagRec(type, handle, i, state, &native, message.data(),
                                static_cast<SQLSMALLINT>(message.size()), &length);
    if (r == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.resize(static_cast<std::size_t>(length) + 1);
      r = SQLGetDiagRec(type, handle, i, state, &native, message.data(), static_cast<SQLSMALLINT>(message.size()),
                        &length);
    }
    if (!SQL_SUCCEEDED(r)) break;
    if (!text.empty()) text += "\r\n";
    text.append(reinterpret_cast<const char*>(message.data()),
                std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)), message.size() - 1));
    text += " (SQLSTATE " + std::string(reinterpret_cast<const char*>(state)) + ")";
    if (state[0] == '0' && state[1] == '8') lost = true;
  }
  if (text.empty()) text = std::string("ODBC: ") + what + " falhou (retorno "_cp + std::to_string(rc) + ")";
  return lost ? lostError(text) : DbError(text);
}

class StmtHandle {
 public:
  StmtHandle() = default;
  ~StmtHandle() {
    if (h != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, h);
  }
  StmtHandle(const StmtHandle&) = delete;
  StmtHandle& operator=(const StmtHandle&) = delete;
  SQLHSTMT h = SQL_NULL_HSTMT;
};

// The storage of one bound parameter; it must stay put until the statement ran.
struct ParamBuffer {
  std::string bytes;
  SQLBIGINT integer = 0;
  double floating = 0;
  SQL_TIMESTAMP_STRUCT timestamp{};
  SQLLEN indicator = 0;
};

enum class Fetch { Integer, Float, Timestamp, Time, Text, Binary };

struct ColumnInfo {
  std::string name;
  Fetch fetch;
};

Fetch fetchFor(SQLSMALLINT type, SQLSMALLINT digits) {
  switch (type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: return Fetch::Integer;
    case SQL_DECIMAL:
    case SQL_NUMERIC: return digits == 0 ? Fetch::Integer : Fetch::Float;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return Fetch::Float;
    case SQL_DATE:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIMESTAMP: return Fetch::Timestamp;
    case SQL_TIME:
    case SQL_TYPE_TIME: return Fetch::Time;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return Fetch::Binary;
    default: return Fetch::Text;
  }
}

class OdbcConnection final : public Connection {
 public:
  OdbcConnection(std::string url, std::string connectionString, Dialect dialect, std::vector<Attachment> attachments)
      : Connection(std::move(url)),
        connectionString_(std::move(connectionString)),
        dialect_(dialect),
        attachments_(std::move(attachments)) {
    connect();
  }
  ~OdbcConnection() override { close(); }

  Dialect dialect() const override { return dialect_; }
  bool isOpen() const override { return dbc_ != SQL_NULL_HDBC; }

  void close() override {
    if (dbc_ != SQL_NULL_HDBC) {
      SQLDisconnect(dbc_);
      SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
      dbc_ = SQL_NULL_HDBC;
    }
    if (env_ != SQL_NULL_HENV) {
      SQLFreeHandle(SQL_HANDLE_ENV, env_);
      env_ = SQL_NULL_HENV;
    }
  }

  void reopen() override {
    close();
    connect();
  }

 protected:
  Outcome run(const std::string& sql, const std::vector<Value>& args, bool keepRows) override {
    StmtHandle st;
    allocate(st);
    std::vector<ParamBuffer> buffers(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) bindParameter(st.h, i, args[i], buffers[i]);

    Outcome out;
    SQLRETURN rc = SQLExecDirect(st.h, sqlChars(sql), SQL_NTS);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) throw diagnose(SQL_HANDLE_STMT, st.h, rc, "SQLExecDirect");
    if (rc == SQL_NO_DATA) rc = nextAfterNoData(st.h);  // an UPDATE matching nothing: count 0
    // Every result of a batch in turn: result sets without columns count rows;
    // the first with columns gives the rows (the rest are drained).
    while (rc != SQL_NO_DATA) {
      SQLSMALLINT columns = 0;
      rc = SQLNumResultCols(st.h, &columns);
      if (!SQL_SUCCEEDED(rc)) throw diagnose(SQL_HANDLE_STMT, st.h, rc, "SQLNumResultCols");
      if (columns == 0) {
        SQLLEN count = 0;
        if (SQL_SUCCEEDED(SQLRowCount(st.h, &count)) && count > 0) out.changed += count;
      } else if (keepRows && !out.hasColumns) {
        readRows(st.h, columns, out);
      }
      rc = SQLMoreResults(st.h);
      if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) throw diagnose(SQL_HANDLE_STMT, st.h, rc, "SQLMoreResults");
    }
    return out;
  }

  // The first statement of a batch matched no row; later statements may still
  // have results. A driver that refuses the call has none.
  static SQLRETURN nextAfterNoData(SQLHSTMT st) {
    const SQLRETURN rc = SQLMoreResults(st);
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return rc;
    SQLCHAR state[6] = {0};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLCHAR message[256];
    if (SQL_SUCCEEDED(SQLGetDiagRec(SQL_HANDLE_STMT, st, 1, state, &native, message, sizeof message, &length)) &&
        std::strcmp(reinterpret_cast<const char*>(state), "HY010") == 0)
      return SQL_NO_DATA;  // function sequence error: nothing follows
    throw diagnose(SQL_HANDLE_STMT, st, rc, "SQLMoreResults");
  }

  void prepare(const std::string& sql) override {
    StmtHandle st;
    allocate(st);
    const SQLRETURN rc = SQLPrepare(st.h, sqlChars(sql), SQL_NTS);
    if (!SQL_SUCCEEDED(rc)) throw diagnose(SQL_HANDLE_STMT, st.h, rc, "SQLPrepare");
  }

 private:
  static SQLCHAR* sqlChars(const std::string& s) {
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s.c_str()));
  }

  void connect() {
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    if (!SQL_SUCCEEDED(rc)) {
      env_ = SQL_NULL_HENV;
      throw lostError("ODBC: não foi possível criar o ambiente."_cp);
    }
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    rc = SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    if (!SQL_SUCCEEDED(rc)) {
      dbc_ = SQL_NULL_HDBC;
      const DbError e = diagnose(SQL_HANDLE_ENV, env_, rc, "SQLAllocHandle");
      close();
      throw lostError(e.what());
    }
    SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds), 0);
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    rc = SQLDriverConnect(dbc_, nullptr, sqlChars(connectionString_), SQL_NTS, out, sizeof out, &outLength,
                          SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
      const DbError e = diagnose(SQL_HANDLE_DBC, dbc_, rc, "SQLDriverConnect");
      SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
      dbc_ = SQL_NULL_HDBC;
      close();
      throw e.connectionLost() ? e : lostError(e.what());
    }
    if (dialect_ != Dialect::Sqlite) return;
    try {
      run("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs), {}, false);
      run("PRAGMA journal_mode = WAL", {}, false);
      for (const Attachment& a : attachments_) {
        run("ATTACH DATABASE ? AS \"" + a.name + "\"", {Value::text(a.path)}, false);
        run("PRAGMA \"" + a.name + "\".journal_mode = WAL", {}, false);
      }
    } catch (const DbError& e) {
      close();
      throw e.connectionLost() ? e : lostError(e.what());
    }
  }

  void allocate(StmtHandle& st) {
    if (dbc_ == SQL_NULL_HDBC) throw closedError();
    const SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st.h);
    if (!SQL_SUCCEEDED(rc)) {
      st.h = SQL_NULL_HSTMT;
      throw diagnose(SQL_HANDLE_DBC, dbc_, rc, "SQLAllocHandle");
    }
  }

  void bindParameter(SQLHSTMT st, std::size_t index, const Value& v, ParamBuffer& b) {
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    SQLULEN size = 1;
    SQLSMALLINT digits = 0;
    SQLPOINTER data = nullptr;
    SQLLEN length = 0;
    auto asChars = [&](std::string bytes, bool longType) {
      b.bytes = std::move(bytes);
      cType = SQL_C_CHAR;
      sqlType = longType || b.bytes.size() > kShortLimit ? SQL_LONGVARCHAR : SQL_VARCHAR;
      size = std::max<SQLULEN>(b.bytes.size(), 1);
      data = b.bytes.data();
      length = static_cast<SQLLEN>(b.bytes.size());
      b.indicator = length;
    };
    switch (v.type()) {
      case Value::Type::Null:
        b.indicator = SQL_NULL_DATA;
        data = b.bytes.data();
        break;
      case Value::Type::Integer:
        b.integer = v.asInt64();
        cType = SQL_C_SBIGINT;
        sqlType = b.integer >= INT32_MIN && b.integer <= INT32_MAX ? SQL_INTEGER : SQL_BIGINT;
        size = sqlType == SQL_INTEGER ? 10 : 19;
        data = &b.integer;
        b.indicator = 0;
        break;
      case Value::Type::Float:
        b.floating = v.asFloat();
        cType = SQL_C_DOUBLE;
        sqlType = SQL_DOUBLE;
        size = 15;
        data = &b.floating;
        b.indicator = 0;
        break;
      case Value::Type::DateTime:
        if (dialect_ == Dialect::Sqlite) {
          asChars(text::toSqlText(v.asDateTime()), false);  // the embedded central's column text
        } else {
          const text::DateTime dt = v.asDateTime();
          b.timestamp.year = static_cast<SQLSMALLINT>(dt.year);
          b.timestamp.month = static_cast<SQLUSMALLINT>(dt.month);
          b.timestamp.day = static_cast<SQLUSMALLINT>(dt.day);
          b.timestamp.hour = static_cast<SQLUSMALLINT>(dt.hour);
          b.timestamp.minute = static_cast<SQLUSMALLINT>(dt.minute);
          b.timestamp.second = static_cast<SQLUSMALLINT>(dt.second);
          b.timestamp.fraction = static_cast<SQLUINTEGER>(dt.msec) * 1000000u;
          cType = SQL_C_TYPE_TIMESTAMP;
          sqlType = SQL_TYPE_TIMESTAMP;
          size = 23;
          digits = 3;
          data = &b.timestamp;
          b.indicator = 0;
        }
        break;
      case Value::Type::Text: asChars(v.asString(), false); break;
      case Value::Type::Memo: asChars(v.asString(), true); break;
      case Value::Type::Binary:
        b.bytes = v.asString();
        cType = SQL_C_BINARY;
        sqlType = b.bytes.size() > kShortLimit ? SQL_LONGVARBINARY : SQL_VARBINARY;
        size = std::max<SQLULEN>(b.bytes.size(), 1);
        data = b.bytes.data();
        length = static_cast<SQLLEN>(b.bytes.size());
        b.indicator = length;
        break;
    }
    const SQLRETURN rc = SQLBindParameter(st, static_cast<SQLUSMALLINT>(index + 1), SQL_PARAM_INPUT, cType, sqlType,
                                          size, digits, data, length, &b.indicator);
    if (!SQL_SUCCEEDED(rc)) throw diagnose(SQL_HANDLE_STMT, st, rc, "SQLBindParameter");
  }

  static void readRows(SQLHSTMT st, SQLSMALLINT count, Outcome& out) {
    std::vector<ColumnInfo> columns;
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
      SQLCHAR name[512] = {0};
      SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      const SQLRETURN rc = SQLDescribeCol(st, i, name, sizeof name, &nameLength, &type, &size, &digits, &nullable);
      if (!SQL_SUCCEEDED(rc)) throw diagnose(SQL_HANDLE_STMT, st, rc, "SQLDescribeCol");
      columns.push_back({reinterpret_cast<const char*>(name), fetchFor(type, digits)});
      out.columns.push_back(columns.back().name);
    }
    out.hasColumns = true;
    for (;;) {
      SQLRETURN rc = SQLFetch(st);
      if (rc == SQL_NO_DATA) break;
      if (!SQL_SUCCEEDED(rc)) throw diagnose(SQL_HANDLE_STMT, st, rc, "SQLFetch");
      std::vector<Value>& row = out.rows.emplace_back();
      row.reserve(columns.size());
      for (std::size_t i = 0; i < columns.size(); ++i)
        row.push_back(readValue(st, static_cast<SQLUSMALLINT>(i + 1), columns[i].fetch));
    }
  }

  static Value readValue(SQLHSTMT st, SQLUSMALLINT column, Fetch fetch) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQL_SUCCESS;
    auto check = [&](const char* what) {
      if (!SQL_SUCCEEDED(rc)) throw diagnose(SQL_HANDLE_STMT, st, rc, what);
    };
    switch (fetch) {
      case Fetch::Integer: {
        SQLBIGINT v = 0;
        rc = SQLGetData(st, column, SQL_C_SBIGINT, &v, 0, &indicator);
        check("SQLGetData");
        return indicator == SQL_NULL_DATA ? Value::null() : Value::integer(v);
      }
      case Fetch::Float: {
        double v = 0;
        rc = SQLGetData(st, column, SQL_C_DOUBLE, &v, 0, &indicator);
        check("SQLGetData");
        return indicator == SQL_NULL_DATA ? Value::null() : Value::floating(v);
      }
      case Fetch::Timestamp: {
        SQL_TIMESTAMP_STRUCT ts{};
        rc = SQLGetData(st, column, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator);
        check("SQLGetData");
        if (indicator == SQL_NULL_DATA) return Value::null();
        return Value::dateTime({ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second,
                                static_cast<int>(ts.fraction / 1000000u)});
      }
      case Fetch::Time: {
        SQL_TIME_STRUCT t{};
        rc = SQLGetData(st, column, SQL_C_TYPE_TIME, &t, sizeof t, &indicator);
        check("SQLGetData");
        if (indicator == SQL_NULL_DATA) return Value::null();
        text::DateTime dt;
        dt.hour = t.hour;
        dt.minute = t.minute;
        dt.second = t.second;
        return Value::dateTime(dt);
      }
      case Fetch::Text:
      case Fetch::Binary: {
        // in pieces until the driver has given all of it
        const bool chars = fetch == Fetch::Text;
        std::string bytes;
        char buffer[8192];
        for (;;) {
          rc = SQLGetData(st, column, chars ? SQL_C_CHAR : SQL_C_BINARY, buffer, sizeof buffer, &indicator);
          if (rc == SQL_NO_DATA) break;
          check("SQLGetData");
          if (indicator == SQL_NULL_DATA) return Value::null();
          // a piece fills the buffer (less the terminator of a text) unless it is the last
          const std::size_t room = chars ? sizeof buffer - 1 : sizeof buffer;
          const std::size_t piece = (indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) > room)
                                        ? room
                                        : static_cast<std::size_t>(indicator);
          bytes.append(buffer, piece);
          if (rc == SQL_SUCCESS) break;
        }
        return chars ? Value::text(std::move(bytes)) : Value::binary(std::move(bytes));
      }
    }
    return Value::null();
  }

  std::string connectionString_;
  Dialect dialect_;
  std::vector<Attachment> attachments_;
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
};

}  // namespace

std::unique_ptr<Connection> openOdbc(const std::string& url, const std::string& connectionString, Dialect dialect,
                                     const std::vector<Attachment>& attachments) {
  return std::make_unique<OdbcConnection>(url, connectionString, dialect, attachments);
}

}  // namespace kvt::db::detail
