#include <gtest/gtest.h>

#include <optional>

#include "central/central.h"
#include "central/schema.h"
#include "central/sqlite_file.h"
#include "platform/text/ascii_case.h"
#include "platform/text/trim.h"
#include "tests/support/temp_dir.h"

using kvt::central::Procedure;
using kvt::central::SqliteFile;
using kvt::central::SqliteStatement;
using kvt::central::SqlValue;

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> pieces(1);
  for (char c : text) {
    if (c == separator)
      pieces.emplace_back();
    else
      pieces.back() += c;
  }
  for (auto& piece : pieces) piece = kvt::text::trim(piece);
  return pieces;
}

std::vector<std::string> parameters(const Procedure& p) {
  return p.parametros.empty() ? std::vector<std::string>{} : split(p.parametros, ',');
}

// Runs a procedure the way the database layer does: the arguments bound by
// position to the names of Parametros, the statements of Corpo (separated by
// ';') in order. Answers the first column of the first row of the last
// statement that returned rows.
std::optional<std::int64_t> callProcedure(SqliteFile& file, const Procedure& p, const std::vector<SqlValue>& args) {
  const auto names = parameters(p);
  std::optional<std::int64_t> result;
  for (const auto& sql : split(p.corpo, ';')) {
    if (sql.empty()) continue;
    SqliteStatement statement(file, sql);
    const auto used = statement.parameterNames();
    for (std::size_t i = 0; i < used.size(); ++i) {
      std::size_t k = 0;
      while (k < names.size() && !kvt::text::equalsIgnoreCase(names[k], used[i])) ++k;
      if (k == names.size()) throw std::runtime_error(":" + used[i] + " is not a parameter of " + p.nome);
      statement.bind(static_cast<int>(i + 1), k < args.size() ? args[k] : SqlValue{});
    }
    for (bool first = true; statement.step(); first = false)
      if (first) result = statement.columnInt(0);
  }
  return result;
}

class Procedures : public testing::Test {
 protected:
  void SetUp() override {
    files_ = kvt::central::createCentral(dir_.path().string(), kvt::central::CentralOptions{.demo = true});
  }

  // The database of a procedure folder, attached as the central's URLs say.
  std::unique_ptr<SqliteFile> open(const std::string& database) {
    if (database == "base") return std::make_unique<SqliteFile>(files_.base);
    const bool sse = database == "sse";
    auto file = std::make_unique<SqliteFile>(sse ? files_.sse : files_.zenthora);
    file->exec(sse ? "ATTACH DATABASE '" + files_.zenthora + "' AS dbZenthora"
                   : "ATTACH DATABASE '" + files_.sse + "' AS dbModRas");
    return file;
  }

  static const Procedure& procedure(const std::string& database, const std::string& name) {
    static std::map<std::string, std::vector<Procedure>> byDatabase;
    auto& list = byDatabase[database];
    if (list.empty()) list = kvt::central::readProcedures(database);
    for (const auto& p : list)
      if (p.nome == name) return p;
    throw std::runtime_error("no procedure " + name);
  }

  kvt::test::TempDir dir_;
  kvt::central::CentralFiles files_;
};

}  // namespace

TEST_F(Procedures, EveryBodyRunsAgainstTheSchema) {
  std::size_t total = 0;
  for (const char* database : kvt::central::kDatabases) {
    auto file = open(database);
    for (const auto& p : kvt::central::readProcedures(database)) {
      SCOPED_TRACE(std::string(database) + "/" + p.nome);
      ++total;
      EXPECT_EQ(file->scalar("SELECT count(*) FROM kvtProcedimento WHERE Nome = '" + p.nome + "'"), 1);
      // Dummy arguments: small numbers, which every column type accepts.
      std::vector<SqlValue> args;
      for (std::size_t k = 0; k < parameters(p).size(); ++k) args.push_back(std::int64_t(k + 1));
      file->exec("SAVEPOINT probe");
      EXPECT_NO_THROW(callProcedure(*file, p, args));
      file->exec("ROLLBACK TO probe");
      file->exec("RELEASE probe");
    }
  }
  EXPECT_GT(total, 0u);
}

TEST_F(Procedures, CmdAvulsoQueuesATelecommandForTheVehicleAndAnswersItsSequence) {
  auto z = open("zenthora");
  const auto& sp = procedure("zenthora", "spCmdAvulso");
  const struct {
    const char* code;
    std::int64_t codMsg;
  } cases[] = {{"13", 0x13}, {"6B", 0x6B}, {"e3", 0xE3}, {"5", 5}};
  std::int64_t idSeqMsg = 500;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const auto id = callProcedure(*z, sp,
                                  {std::string(c.code), std::int64_t{0x1001}, std::string("ModCom02"),
                                   std::int64_t{1}, std::int64_t{2}, std::string("#26,2,OI"), std::string(""),
                                   ++idSeqMsg});
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(z->scalar("SELECT max(IdSequencia) FROM tTelecomando"), *id);
    const std::string where = " FROM tTelecomando WHERE IdSequencia = " + std::to_string(*id);
    EXPECT_EQ(z->scalar("SELECT CodMsg" + where), c.codMsg);
    EXPECT_EQ(z->scalar("SELECT StatusEnvio" + where), 16);
    EXPECT_EQ(z->scalar("SELECT IdSeqMsg" + where), idSeqMsg);
    EXPECT_EQ(z->scalar("SELECT IdTerminal = 4097 AND DesabilitarGPRS = 1 AND IdUsuario = 2 AND Origem = 'ModCom02' "
                        "AND Token1 = '#26,2,OI' AND DataHoraEm IS NOT NULL" + where),
              1);
  }
}
