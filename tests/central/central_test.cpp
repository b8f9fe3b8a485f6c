#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdlib>

#include "central/central.h"
#include "central/demo_data.h"
#include "central/schema.h"
#include "central/sqlite_file.h"
#include "platform/crypto/md5.h"
#include "platform/text/cp1252.h"
#include "tests/central/sqlite_shell.h"
#include "tests/support/temp_dir.h"

using namespace kvt::text::literals;
using kvt::central::CentralOptions;
using kvt::central::createCentral;
using kvt::central::SqliteFile;
using kvt::test::sqliteShell;

TEST(CentralSchema, EverySchemaFileLoadsIntoAFreshDatabase) {
  for (const char* database : kvt::central::kDatabases) {
    SCOPED_TRACE(database);
    SqliteFile file(":memory:");
    EXPECT_NO_THROW(kvt::central::loadSchema(file, database));
    EXPECT_GT(file.scalar("SELECT count(*) FROM sqlite_master WHERE type = 'table'"), 1);
  }
}

TEST(CentralSchema, OnlyKeyColumnsAreMandatory) {
  // Columns other than the keys must be nullable or defaulted, so that tests
  // and tools can insert a row naming only the columns they know.
  kvt::test::TempDir dir;
  const auto files = createCentral(dir.path().string());
  for (const auto& path : {files.zenthora, files.base, files.sse}) {
    SqliteFile file(path);
    sqlite3_stmt* columns = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(file.handle(),
                                 "SELECT m.name, c.name FROM sqlite_master m, pragma_table_info(m.name) c "
                                 "WHERE m.type = 'table' AND m.name <> 'kvtProcedimento' "
                                 "AND c.\"notnull\" AND c.dflt_value IS NULL AND c.pk = 0",
                                 -1, &columns, nullptr),
              SQLITE_OK);
    while (sqlite3_step(columns) == SQLITE_ROW)
      ADD_FAILURE() << path << ": " << sqlite3_column_text(columns, 0) << "." << sqlite3_column_text(columns, 1)
                    << " is NOT NULL without a default";
    sqlite3_finalize(columns);
  }
}

TEST(CentralSchema, QueueNumbersAreNeverGivenTwice) {
  // The server drops a queued document whose number is not above the last one
  // it took, so a number freed when the queue empties must not come back, as
  // an identity column's never does.
  SqliteFile file(":memory:");
  kvt::central::loadSchema(file, "zenthora");
  file.exec("INSERT INTO tFilaComandoKVT (XML) VALUES ('a')");
  file.exec("DELETE FROM tFilaComandoKVT");
  file.exec("INSERT INTO tFilaComandoKVT (XML) VALUES ('b')");
  EXPECT_EQ(file.scalar("SELECT NroSeq FROM tFilaComandoKVT"), 2);
}

TEST(Central, EmptyCentralIsQueryableByTheShellAndNamedInTheIni) {
  kvt::test::TempDir dir;
  const auto files = createCentral(dir.path().string(), CentralOptions{.nomeMr = "ModCom04", .port = 12400});

  EXPECT_EQ(sqliteShell(files.base, "SELECT ModCom, CCRO FROM tModRas"), "4|0");
  EXPECT_EQ(sqliteShell(files.zenthora, "SELECT count(*) FROM tVeiculo; SELECT NroSeq FROM tNroSeqComandoKVT"), "0\n0");
  EXPECT_EQ(sqliteShell(files.zenthora, "PRAGMA journal_mode"), "wal");
  // Procedures are found whatever the letter case of the call.
  EXPECT_EQ(
      sqliteShell(files.zenthora, "SELECT Nome, Parametros FROM kvtProcedimento WHERE Nome = 'SPGERAALERTAGENERICO'"),
      "spGeraAlertaGenerico|IdTerminal, FusoHorario, IdOcorrencia");

  const std::string ini = kvt::test::readFile(files.ini);
  const std::string z = (dir.path() / "zenthora.db").string(), s = (dir.path() / "sse.db").string();
  for (const std::string& line :
       std::vector<std::string>{"\r\nNOME_MR=ModCom04\r\n", "\r\nKORVATEL_PORT=12400\r\n", "\r\n[CONTROLE]\r\n",
                                "\r\n[BANCOS]\r\n", "\r\ndbZenthora=sqlite:" + z + ";Attach=dbModRas:" + s + "\r\n",
                                "\r\ndbBase=sqlite:" + (dir.path() / "base.db").string() + "\r\n",
                                "\r\ndbSSE=sqlite:" + s + ";Attach=dbZenthora:" + z + "\r\n"}) {
    EXPECT_NE(ini.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(ini.rfind("[KORVATEL]\r\n", 0), 0u);
}

TEST(Central, ThreePartNamesReachTheOtherDatabaseThroughAttach) {
  kvt::test::TempDir dir;
  const auto files = createCentral(dir.path().string());
  SqliteFile zenthora(files.zenthora);
  zenthora.exec("ATTACH DATABASE '" + files.sse + "' AS dbModRas");
  EXPECT_GT(zenthora.scalar("SELECT count(*) FROM dbModRas.sqlite_master WHERE name = 'tAlvo'"), 0);
  SqliteFile sse(files.sse);
  sse.exec("ATTACH DATABASE '" + files.zenthora + "' AS dbZenthora");
  EXPECT_EQ(sse.scalar("SELECT count(*) FROM dbZenthora.tVeiculo"), 0);
}

TEST(Central, DemoHasVehiclesOperatorsAndRealCities) {
  kvt::test::TempDir dir;
  const auto files = createCentral(dir.path().string(), CentralOptions{.demo = true});
  SqliteFile z(files.zenthora);

  EXPECT_EQ(z.scalar("SELECT count(*) FROM tVeiculo"), kvt::central::kDemoVehicles);
  EXPECT_GE(z.scalar("SELECT count(DISTINCT Rastreador) FROM tVeiculo"), 3);
  // Every vehicle belongs to a registered carrier, fleet and tracker model and
  // has a last position, so the list and grid queries find it.
  EXPECT_EQ(z.scalar("SELECT count(*) FROM tVeiculo V JOIN tTransp T ON V.IdTransp = T.IdTransp "
                     "JOIN tFrota F ON V.IdFrota = F.IdFrota JOIN tRastreador R ON V.Rastreador = R.Rastreador "
                     "JOIN tGridVeiculos G ON G.IdTerminal = V.IdTerminal"),
            kvt::central::kDemoVehicles);
  EXPECT_GT(z.scalar("SELECT count(*) FROM tRastreador WHERE ListaKVT = 1"), 0);
  EXPECT_GT(z.scalar("SELECT count(*) FROM tRastreador WHERE ListaKVT = 0"), 0);

  // The operator's digest is the MD5 of the upper-case password, 16 raw bytes.
  sqlite3_stmt* user = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(z.handle(), "SELECT Senha, Status, HabKVT FROM tUsuario WHERE Login = 'ADMIN'", -1,
                               &user, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(user), SQLITE_ROW);
  const std::string senha(static_cast<const char*>(sqlite3_column_blob(user, 0)),
                          static_cast<std::size_t>(sqlite3_column_bytes(user, 0)));
  EXPECT_EQ(senha, kvt::crypto::md5("ADMIN"));
  EXPECT_EQ(sqlite3_column_int(user, 1), 1);
  EXPECT_EQ(sqlite3_column_int(user, 2), 1);
  sqlite3_finalize(user);

  // Cities keep their real coordinates and are stored as Windows-1252.
  EXPECT_EQ(z.scalar("SELECT count(*) FROM tcidades"), 5882);
  sqlite3_stmt* city = nullptr;
  ASSERT_EQ(
      sqlite3_prepare_v2(z.handle(), "SELECT Latitude, Longitude FROM tcidades WHERE Cidade = ? AND Regiao = 'SP'", -1,
                         &city, nullptr),
      SQLITE_OK);
  const std::string saoPaulo = "São Paulo"_cp;
  sqlite3_bind_text(city, 1, saoPaulo.data(), static_cast<int>(saoPaulo.size()), SQLITE_STATIC);
  ASSERT_EQ(sqlite3_step(city), SQLITE_ROW);
  EXPECT_NEAR(sqlite3_column_double(city, 0), -23.5, 0.1);
  EXPECT_NEAR(sqlite3_column_double(city, 1), -46.6, 0.1);
  sqlite3_finalize(city);

  // The location index is loaded at start-up only when the counter is set.
  EXPECT_GT(z.scalar("SELECT count(*) FROM tRefer"), 0);
  EXPECT_GT(z.scalar("SELECT Contador FROM tRefresh WHERE Tabela = 'tRefer'"), 0);

  SqliteFile base(files.base);
  EXPECT_EQ(base.scalar("SELECT count(*) FROM tModRas WHERE ModCom BETWEEN 2 AND 5 AND CCRO = 0"), 4);
}

TEST(Central, RefusesAnExistingCentralUnlessToldToOverwrite) {
  kvt::test::TempDir dir;
  createCentral(dir.path().string(), CentralOptions{.demo = true});
  EXPECT_THROW(createCentral(dir.path().string()), kvt::central::CentralExists);
  EXPECT_EQ(sqliteShell(dir.file("zenthora.db"), "SELECT count(*) FROM tVeiculo"),
            std::to_string(kvt::central::kDemoVehicles));

  // A folder holding only the INI is a central too.
  kvt::test::TempDir other;
  kvt::test::writeFile(other.file("KORVATEL.INI"), "[KORVATEL]\r\n");
  EXPECT_THROW(createCentral(other.path().string()), kvt::central::CentralExists);

  createCentral(dir.path().string(), CentralOptions{.overwrite = true});
  EXPECT_EQ(sqliteShell(dir.file("zenthora.db"), "SELECT count(*) FROM tVeiculo"), "0");
}

TEST(Central, AFailedBuildLeavesNoCentralBehind) {
  // The schema is read from the folder KVT_SOURCE_DIR names; a broken one
  // fails the build, and the folder can be used again without overwriting.
  kvt::test::TempDir source, dir;
  std::filesystem::create_directories(source.path() / "central" / "schema");
  kvt::test::writeFile((source.path() / "central" / "schema" / "base.sql").string(),
                       "CREATE TABLE tModRas (ModCom INTEGER PRIMARY KEY, Descr TEXT, CCRO INTEGER);"
                       "CREATE TABLE kvtProcedimento (Nome TEXT PRIMARY KEY, Parametros TEXT, Corpo TEXT);");
  kvt::test::writeFile((source.path() / "central" / "schema" / "zenthora.sql").string(), "CREATE TABLE tVeiculo (;");
  kvt::test::writeFile((source.path() / "central" / "schema" / "sse.sql").string(), "");
  const char* previous = std::getenv("KVT_SOURCE_DIR");
  const std::string saved = previous ? previous : "";
  setenv("KVT_SOURCE_DIR", source.path().c_str(), 1);
  EXPECT_THROW(createCentral(dir.path().string()), std::runtime_error);
  if (previous)
    setenv("KVT_SOURCE_DIR", saved.c_str(), 1);
  else
    unsetenv("KVT_SOURCE_DIR");

  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  EXPECT_NO_THROW(createCentral(dir.path().string()));
}
