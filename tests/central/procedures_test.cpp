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
      // Dummy arguments: numbers, which every column type accepts, that name
      // no row of the demo.
      std::vector<SqlValue> args;
      for (std::size_t k = 0; k < parameters(p).size(); ++k) args.push_back(std::int64_t(900001 + k));
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
                                  {std::string(c.code), std::int64_t{0x1001}, std::string("ModCom02"), std::int64_t{1},
                                   std::int64_t{2}, std::string("#26,2,OI"), std::string(""), ++idSeqMsg});
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(z->scalar("SELECT max(IdSequencia) FROM tTelecomando"), *id);
    const std::string where = " FROM tTelecomando WHERE IdSequencia = " + std::to_string(*id);
    EXPECT_EQ(z->scalar("SELECT CodMsg" + where), c.codMsg);
    EXPECT_EQ(z->scalar("SELECT StatusEnvio" + where), 16);
    EXPECT_EQ(z->scalar("SELECT IdSeqMsg" + where), idSeqMsg);
    EXPECT_EQ(z->scalar("SELECT IdTerminal = 4097 AND DesabilitarGPRS = 1 AND IdUsuario = 2 AND Origem = 'ModCom02' "
                        "AND Token1 = '#26,2,OI' AND DataHoraEm IS NOT NULL" +
                        where),
              1);
  }
}

TEST_F(Procedures, ProceduresThatQueueATelecommandAnswerItsIdSequencia) {
  auto z = open("zenthora");
  z->exec("INSERT INTO tTransOperacao (IdTransOperacao, IdOperacao, IdTerminal, Status) VALUES (77, 1, 4096, 0)");
  const std::string mr = "ModCom02";
  const struct {
    const char* procedure;
    std::vector<SqlValue> args;
    std::int64_t codMsg;
  } cases[] = {
      {"spRecMacro",
       {std::int64_t{0}, std::int64_t{4102}, mr, std::int64_t{0}, std::int64_t{1}, std::int64_t{31}},
       0x5C},
      {"spMensagemFormatada",
       {std::int64_t{4102}, std::string("NF 123"), std::int64_t{1}, std::string("439041101"), mr, std::int64_t{0},
        std::int64_t{1}, std::int64_t{32}, std::int64_t{9}},
       0x6A},
      // An item of an operation transmission, and a profile sent on its own.
      {"spTransItemOperacao",
       {std::int64_t{77}, std::int64_t{201}, std::string("Rodovia"), std::int64_t{2}, std::string("Velocidade"),
        std::int64_t{4096}, mr, std::int64_t{0}, std::int64_t{1}, std::int64_t{0}},
       0x70},
      {"spTransItemOperacao",
       {std::int64_t{0}, std::int64_t{101}, std::string(""), std::int64_t{1}, std::string(""), std::int64_t{4096}, mr,
        std::int64_t{0}, std::int64_t{1}, std::int64_t{33}},
       0xE4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.procedure);
    const auto id = callProcedure(*z, procedure("zenthora", c.procedure), c.args);
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(*id, z->scalar("SELECT max(IdSequencia) FROM tTelecomando"));
    EXPECT_EQ(
        z->scalar("SELECT CodMsg FROM tTelecomando WHERE StatusEnvio = 16 AND IdSequencia = " + std::to_string(*id)),
        c.codMsg);
  }
  // The operation item is found from its telecommand, so its status events are
  // not passed on as those of a stand-alone command.
  EXPECT_EQ(z->scalar("SELECT count(*) FROM tTransItensOperacao WHERE IdTransOperacao = 77 AND IdSequencia = "
                      "(SELECT IdSequencia FROM tTelecomando WHERE CodMsg = 112)"),
            1);
  EXPECT_EQ(z->scalar("SELECT count(*) FROM tTransItensOperacao"), 1);
  // A kind without a command stores nothing and answers 0.
  EXPECT_EQ(callProcedure(*z, procedure("zenthora", "spTransItemOperacao"),
                          {std::int64_t{0}, std::int64_t{1}, std::string(""), std::int64_t{99}, std::string(""),
                           std::int64_t{4096}, mr, std::int64_t{0}, std::int64_t{1}, std::int64_t{34}}),
            0);
}

TEST_F(Procedures, TargetConfigurationNumbersTheVehiclesTargetsUnderItsTelecommand) {
  auto z = open("zenthora");
  callProcedure(*z, procedure("zenthora", "spCfgAlvo"),
                {std::int64_t{4097}, std::int64_t{1}, std::int64_t{0}, std::int64_t{1}, std::string("ModCom02"),
                 std::int64_t{0}, std::int64_t{1}, std::int64_t{40}});
  const std::int64_t id = z->scalar("SELECT IdSequencia FROM tTelecomando WHERE IdSeqMsg = 40");
  ASSERT_GT(id, 0);
  const std::int64_t targets = z->scalar("SELECT count(*) FROM dbModRas.tAlvoVeic WHERE IdVeiculo = 4097");
  ASSERT_GT(targets, 1);
  EXPECT_EQ(
      z->scalar("SELECT count(*) FROM tCfgAlvoVeic WHERE IdTerminal = 4097 AND IdSequencia = " + std::to_string(id)),
      targets);
  EXPECT_EQ(z->scalar("SELECT group_concat(NumOrdemRef) = '1,2,3,4' FROM (SELECT NumOrdemRef FROM tCfgAlvoVeic "
                      "ORDER BY NumOrdemRef)"),
            1);
  EXPECT_EQ(z->scalar("SELECT count(*) FROM tCfgAlvoVeic C JOIN dbModRas.tAlvo A ON A.IdAlvo = C.IdAlvo "
                      "WHERE C.Nome_Alvo = A.Nome_Alvo"),
            targets);
}
