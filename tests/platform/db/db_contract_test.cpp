// The contract of platform/db, run against every backend: native SQLite and
// ODBC through the SQLite ODBC driver.

#include <gtest/gtest.h>

#include <random>

#include <functional>

#include "platform/db/db.h"
#include "platform/db/sql_parse.h"
#include "tests/support/temp_dir.h"

namespace kvt::db {
namespace {

// Registered like the server's statements, for the prepareAllSqlite test.
KVT_SQL(sqlContratoBom, "SELECT i FROM t WHERE i = :i", "SELECT i FROM t WHERE i = :i; SELECT 1 AS um");
KVT_SQL(sqlContratoRuim, "SELECT x FROM t", "SELECT nao_existe FROM t");
SqlText sqlContratoComposto(std::string_view tabela) {
  return {"SELECT TOP 1 i FROM " + std::string(tabela), "SELECT i FROM " + std::string(tabela) + " LIMIT 1"};
}
KVT_SQL_COMPOSED(sqlContratoComposto, sqlContratoComposto("t"));

struct Backend {
  std::string name;
  // the URL of a database file with optional "NAME:PATH" attachments
  std::function<std::string(const std::string& file, const std::string& attach)> url;
};

void PrintTo(const Backend& b, std::ostream* os) { *os << b.name; }

const Backend kNative{"sqlite", [](const std::string& file, const std::string& attach) {
                        return "sqlite:" + file + (attach.empty() ? "" : ";Attach=" + attach);
                      }};
const Backend kOdbc{"odbc", [](const std::string& file, const std::string& attach) {
                      return "odbc:Driver=SQLite3;Database=" + file + (attach.empty() ? "" : ";Attach=" + attach) +
                             ";Dialect=sqlite";
                    }};

class DbContract : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    db = Connection::open(url("central.db"));
    run("CREATE TABLE t (i INTEGER, f FLOAT, s TEXT, d DATETIME, m TEXT, b BLOB, n INTEGER)");
  }
  std::string url(const std::string& file, const std::string& attach = "") {
    return GetParam().url(dir.file(file), attach);
  }
  std::int64_t run(const std::string& sql) { return Statement(*db, sql).execute(); }

  test::TempDir dir;
  std::unique_ptr<Connection> db;
};

TEST_P(DbContract, DialectFollowsTheUrl) { EXPECT_EQ(db->dialect(), Dialect::Sqlite); }

TEST_P(DbContract, EveryBindTypeRoundTrips) {
  const text::DateTime when{2024, 3, 5, 14, 7, 9, 0};
  const std::string memo(100000, 'x');  // longer than any fetch buffer
  const std::string digest("\x01\x00\xff\x10\x20\x30\x40\x50\x60\x70\x80\x90\xa0\xb0\xc0\xd0", 16);
  Statement ins(*db, "INSERT INTO t (i, f, s, d, m, b, n) VALUES (:i, :f, :s, :d, :m, :b, :n)");
  ins.bindInt("i", 1234567890123).bindFloat("f", 3.25).bindText("s", "abc").bindDateTime("d", when);
  ins.bindMemo("m", memo).bindBinary("b", digest).bindNull("n");
  EXPECT_EQ(ins.execute(), 1);

  Statement q(*db, "SELECT i, f, s, d, m, b, n, d || '' AS dtexto FROM t");
  q.open();
  ASSERT_EQ(q.rowCount(), 1u);
  EXPECT_EQ(q.columnCount(), 8u);
  EXPECT_EQ(q.field("I").asInt64(), 1234567890123);
  EXPECT_EQ(q.field("f").asFloat(), 3.25);
  EXPECT_EQ(q.field("S").asString(), "abc");
  EXPECT_EQ(q.field("d").asDateTime(), when);
  EXPECT_EQ(q.field("dtexto").asString(), "2024-03-05 14:07:09");
  EXPECT_EQ(q.field("dtexto").asDateTime(), when);
  EXPECT_EQ(q.field("m").asString(), memo);
  EXPECT_EQ(q.field("b").asString(), digest);
  EXPECT_TRUE(q.field("n").isNull());
  EXPECT_EQ(q.field(std::size_t{2}).asString(), "abc");
  EXPECT_EQ(q.columnName(7), "dtexto");
  EXPECT_TRUE(q.hasColumn("DTEXTO"));
  EXPECT_THROW(q.field("nada"), DbError);
  q.next();
  EXPECT_TRUE(q.eof());
}

TEST_P(DbContract, Windows1252BytesPassUnchanged) {
  std::string high;
  for (int c = 0x80; c <= 0xff; ++c) high += static_cast<char>(c);
  Statement ins(*db, "INSERT INTO t (s, m) VALUES (:s, :m)");
  ins.bindText("s", high).bindMemo("m", "Informa\xe7\xe3o " + high);
  ins.execute();
  Statement q(*db, "SELECT s, m, length(CAST(s AS BLOB)) AS bytes FROM t");
  q.open();
  EXPECT_EQ(q.field("s").asString(), high);
  EXPECT_EQ(q.field("m").asString(), "Informa\xe7\xe3o " + high);
  EXPECT_EQ(q.field("bytes").asInt(), 128);
  Statement literal(*db, "SELECT '" + high + "' AS lit");
  literal.open();
  EXPECT_EQ(literal.field("lit").asString(), high);
}

TEST_P(DbContract, NamedParameterMayRepeat) {
  Statement q(*db, "SELECT :a + :A AS dobro, :b AS b, ':a' AS literal -- :c\n");
  q.bindInt("a", 21).bindText(":B", "x");
  q.open();
  EXPECT_EQ(q.field("dobro").asInt(), 42);
  EXPECT_EQ(q.field("b").asString(), "x");
  EXPECT_EQ(q.field("literal").asString(), ":a");
  EXPECT_THROW(Statement(*db, "SELECT :semvalor").open(), DbError);
}

TEST_P(DbContract, ExecRunsTheProcedureBody) {
  run("CREATE TABLE kvtProcedimento (Nome TEXT PRIMARY KEY COLLATE NOCASE, Parametros TEXT NOT NULL DEFAULT '', "
      "Corpo TEXT NOT NULL)");
  Statement def(*db, "INSERT INTO kvtProcedimento (Nome, Parametros, Corpo) VALUES ('spGrava', :p, :c)");
  def.bindText("p", "Valor, Nome,Quando");
  def.bindText("c",
               "INSERT INTO t (i, s, d) VALUES (:Valor, :Nome, :Quando);\n"
               "UPDATE t SET i = i + 1 WHERE s = :nome;\n"
               "SELECT i, s, d FROM t WHERE s = :Nome");
  def.execute();

  Statement call(*db, "exec spGrava 5, :Nome,\r\n:Quando");
  call.bindText("Nome", "a;b").bindDateTime("Quando", {2024, 1, 2, 3, 4, 5, 0});
  EXPECT_EQ(call.execute(), 2);  // one insert, one update
  Statement opened(*db, "EXEC  spGrava 7, 'c''d', NULL");
  opened.open();
  ASSERT_EQ(opened.rowCount(), 1u);
  EXPECT_EQ(opened.field("i").asInt(), 8);
  EXPECT_EQ(opened.field("s").asString(), "c'd");
  Statement q(*db, "SELECT d FROM t WHERE s = 'a;b'");
  q.open();
  EXPECT_EQ(q.field("d").asDateTime(), (text::DateTime{2024, 1, 2, 3, 4, 5, 0}));
  Statement numerado(*db, "exec spGrava;1 @Quando = :Quando, @Nome = :Nome, @Valor = 9");
  numerado.bindText("Nome", "e").bindNull("Quando").open();
  ASSERT_EQ(numerado.rowCount(), 1u);
  EXPECT_EQ(numerado.field("i").asInt(), 10);

  try {
    Statement(*db, "exec spNaoExiste 1").execute();
    FAIL() << "no error";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("spNaoExiste"), std::string::npos) << e.what();
    EXPECT_FALSE(e.connectionLost());
  }
}

TEST_P(DbContract, MultiStatementTextRunsInOrder) {
  const std::string text =
      "INSERT INTO t (i, s) VALUES (1, 'x;y'); /* ; */ INSERT INTO t (i) VALUES (:i);\r\n"
      "SELECT count(*) AS n, sum(i) AS soma FROM t;";
  Statement ins(*db, text);
  ins.bindInt("i", 2);
  EXPECT_EQ(ins.execute(), 2);
  ins.open();
  EXPECT_EQ(ins.field("n").asInt(), 4);
  EXPECT_EQ(ins.field("soma").asInt(), 6);
}

TEST_P(DbContract, UpdateMatchingNothingCountsZero) {
  EXPECT_EQ(run("UPDATE t SET i = 1 WHERE i = 99"), 0);
  EXPECT_EQ(run("DELETE FROM t"), 0);
}

TEST_P(DbContract, SyntaxErrorKeepsTheDriverText) {
  try {
    run("SELEC i FROM t");
    FAIL() << "no error";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("syntax error"), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).find("General SQL error"), std::string::npos) << e.what();
    EXPECT_FALSE(e.connectionLost());
  }
}

TEST_P(DbContract, UnopenableDatabaseIsLost) {
  try {
    Connection::open(url("pasta-que-nao-existe/central.db"));
    FAIL() << "opened";
  } catch (const DbError& e) {
    EXPECT_TRUE(e.connectionLost());
    EXPECT_NE(std::string(e.what()).find("General SQL error"), std::string::npos) << e.what();
  }
}

TEST_P(DbContract, ClosedConnectionIsLostAndReopens) {
  db->close();
  EXPECT_FALSE(db->isOpen());
  try {
    run("SELECT 1");
    FAIL() << "ran";
  } catch (const DbError& e) {
    EXPECT_TRUE(e.connectionLost());
    EXPECT_NE(std::string(e.what()).find("General SQL error"), std::string::npos) << e.what();
  }
  db->reopen();
  EXPECT_EQ(run("INSERT INTO t (i) VALUES (1)"), 1);
}

TEST_P(DbContract, AttachedDatabaseAnswersByName) {
  db = Connection::open(url("central.db", "dbModRas:" + dir.file("sse.db")));
  run("CREATE TABLE dbModRas.tAlvo (IdAlvo INTEGER PRIMARY KEY, Nome TEXT)");
  run("INSERT INTO dbModRas.tAlvo (Nome) VALUES ('Base')");
  Statement q(*db, "SELECT a.Nome FROM dbModRas.tAlvo a");
  q.open();
  EXPECT_EQ(q.field("nome").asString(), "Base");
}

TEST_P(DbContract, PrepareAllReportsTheTextsThatFail) {
  EXPECT_EQ(registeredStatements().size(), 3u);
  const std::vector<std::string> failures = prepareAllSqlite(*db);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].rfind("sqlContratoRuim: ", 0), 0u) << failures[0];
  EXPECT_NE(failures[0].find("nao_existe"), std::string::npos) << failures[0];
  EXPECT_EQ(prepareSqlite(*db, "SELECT 1; exec spNaoExiste :a").size(), 1u);
  EXPECT_EQ(run("SELECT count(*) FROM t"), 0);  // preparing ran nothing
}

TEST(SqlParse, OnlyColonsBeforeANameOutsideLiteralsAreParameters) {
  const detail::PositionalSql p =
      detail::toPositional("SELECT :a, '::x :b', \":c\", [:d], x::y, 10 : 2, :A -- :e\n/* :f */ :g_1");
  EXPECT_EQ(p.sql, "SELECT ?, '::x :b', \":c\", [:d], x::y, 10 : 2, ? -- :e\n/* :f */ ?");
  EXPECT_EQ(p.names, (std::vector<std::string>{"a", "A", "g_1"}));
  EXPECT_EQ(detail::splitStatements("CREATE TRIGGER g AFTER INSERT ON t BEGIN UPDATE t SET i = 1; END; SELECT 1;").size(),
            2u);
  const auto call = detail::parseExec("execute dbo.spX @B = :b, 'a,b', -1.5");
  ASSERT_TRUE(call);
  EXPECT_EQ(call->procedure, "spX");
  ASSERT_EQ(call->arguments.size(), 3u);
  EXPECT_EQ(call->arguments[0].target, "B");
  EXPECT_EQ(call->arguments[1].literal.asString(), "a,b");
  EXPECT_EQ(call->arguments[2].literal.type(), Value::Type::Float);
  EXPECT_FALSE(detail::parseExec("executar spX"));
}

// Stored-procedure components name a procedure with its number and pass
// parameters by their "@" names, in any order.
TEST(SqlParse, NumberedProcedureIsOneStatementCallingTheProcedure) {
  const auto partes = detail::splitStatements("exec spX;1 @B = :b, @A = 2; SELECT 1;2");
  ASSERT_EQ(partes.size(), 2u);
  EXPECT_EQ(partes[0], "exec spX;1 @B = :b, @A = 2");
  const auto call = detail::parseExec(partes[0]);
  ASSERT_TRUE(call);
  EXPECT_EQ(call->procedure, "spX");
  ASSERT_EQ(call->arguments.size(), 2u);
  EXPECT_EQ(call->arguments[0].target, "B");
  EXPECT_EQ(call->arguments[0].parameter, "b");
  EXPECT_EQ(call->arguments[1].target, "A");
  EXPECT_EQ(detail::parseExec("exec [dbo].[spX];12")->procedure, "spX");
  EXPECT_EQ(detail::parseExec("exec spX;a")->procedure, "spX;a");  // not a number: the name as written
}

// Random texts of the pieces statements are made of: splitting and reading
// "exec" calls never crash and fail only with DbError; a numbered procedure's
// name never keeps its number.
TEST(SqlParse, RandomTextsSplitAndReadSafely) {
  const std::vector<std::string> pecas = {"exec ", "execute ", "spX", ";1", ";", "12", " @A = ", ":a", ", ", "'",
                                          "''", "\"", "[", "]", "--", "\n", "/*", "*/", "null", "-1.5", " ",
                                          "BEGIN ", "END", "SELECT 1", "\x01", "\xB0"};
  std::mt19937 gerador(36);
  for (int i = 0; i < 20000; ++i) {
    std::string texto;
    for (int n = static_cast<int>(gerador() % 12); n > 0; --n) texto += pecas[gerador() % pecas.size()];
    try {
      for (const std::string& parte : detail::splitStatements(texto)) {
        const auto call = detail::parseExec(parte);
        if (call) {
          ASSERT_FALSE(call->procedure.empty()) << texto;
          const auto ponto = call->procedure.find(';');
          ASSERT_FALSE(ponto != std::string::npos && ponto + 1 < call->procedure.size() &&
                       call->procedure[ponto + 1] >= '0' && call->procedure[ponto + 1] <= '9')
              << texto;
        }
        detail::toPositional(parte);
      }
    } catch (const DbError&) {
      // an unreadable argument or statement: refused, as it should be
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, DbContract, testing::Values(kNative, kOdbc),
                         [](const testing::TestParamInfo<Backend>& p) { return p.param.name; });

}  // namespace
}  // namespace kvt::db
