#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "central/central.h"
#include "platform/clock/clock.h"
#include "platform/db/db.h"
#include "server/common/lista_veiculo.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using common::tListaVeiculo;

namespace {

// A fresh central with a few vehicles, two users and the two refresh counters.
struct ListaVeiculoFixture : ::testing::Test {
  test::TempDir dir;
  central::CentralFiles files = central::createCentral(dir.path().string());
  std::unique_ptr<db::Connection> dbZenthora = db::Connection::open(files.urlZenthora);
  clk::ManualClock relogio{1000};
  clk::ScopedClock escopo{relogio};

  void SetUp() override {
    exec("insert into tVeiculo (IdTerminal) values (300), (100), (200), (2147483647), (-7)");
    exec("insert into tUsuarioVeiculo (idUsuario, IdTerminal) values (42, 100), (42, 300), (7, 200)");
    exec("insert or replace into tRefresh (Tabela, Contador) values ('tUsuarioVeiculo', 0), ('tVeiculo_INS', 0)");
  }
  void exec(const std::string& sql) { db::Statement(*dbZenthora, sql).execute(); }
  void contador(const char* tabela, int valor) {
    exec("update tRefresh set Contador = " + std::to_string(valor) + " where Tabela = '" + tabela + "'");
  }
};

TEST_F(ListaVeiculoFixture, BisectionFindsExactlyTheListedTerminals) {
  tListaVeiculo lista(*dbZenthora);
  EXPECT_EQ(lista.ids(), (std::vector<std::int32_t>{-7, 100, 200, 300, 2147483647}));
  struct Caso {
    std::int32_t terminal;
    bool visivel;
  };
  for (const Caso c : {Caso{-7, true}, Caso{2147483647, true}, Caso{200, true}, Caso{100, true}, Caso{300, true},
                       Caso{150, false}, Caso{-8, false}, Caso{0, false}, Caso{301, false},
                       Caso{2147483646, false}, Caso{-2147483647 - 1, false}})
    EXPECT_EQ(lista.VeiculoVisivel(c.terminal, tListaVeiculo::kTodos), c.visivel) << c.terminal;
}

TEST_F(ListaVeiculoFixture, EmptyListSeesNothing) {
  exec("delete from tVeiculo");
  tListaVeiculo lista(*dbZenthora);
  EXPECT_TRUE(lista.ids().empty());
  for (std::int32_t t : {0, 100, -1}) EXPECT_FALSE(lista.VeiculoVisivel(t, tListaVeiculo::kTodos));
}

TEST_F(ListaVeiculoFixture, FirstUserAfterAllVehiclesReloadsAtOnce) {
  tListaVeiculo lista(*dbZenthora);
  EXPECT_TRUE(lista.VeiculoVisivel(200, tListaVeiculo::kTodos));
  EXPECT_FALSE(lista.VeiculoVisivel(200, 42));  // reloaded for user 42 on this very call
  EXPECT_TRUE(lista.VeiculoVisivel(300, 42));
  EXPECT_EQ(lista.usuario(), 42);
}

TEST_F(ListaVeiculoFixture, AnotherUserWaitsForACounterChange) {
  tListaVeiculo lista(*dbZenthora);
  relogio.setTick(100000);
  EXPECT_TRUE(lista.VeiculoVisivel(100, 42));  // counters read: unchanged
  relogio.advance(120000);
  EXPECT_TRUE(lista.VeiculoVisivel(100, 7));   // still user 42's vehicles
  EXPECT_FALSE(lista.VeiculoVisivel(200, 7));
  EXPECT_EQ(lista.usuario(), 7);

  contador("tUsuarioVeiculo", 1);
  relogio.advance(30000);  // less than a minute since the last reading
  EXPECT_FALSE(lista.VeiculoVisivel(200, 7));
  relogio.advance(30000);
  EXPECT_TRUE(lista.VeiculoVisivel(200, 7));  // reloaded for user 7
  EXPECT_FALSE(lista.VeiculoVisivel(100, 7));
}

TEST_F(ListaVeiculoFixture, CountersAreNotReadInTheFirstMinuteOfTheMachine) {
  tListaVeiculo lista(*dbZenthora);
  exec("insert into tVeiculo (IdTerminal) values (400)");
  contador("tVeiculo_INS", 5);
  relogio.setTick(59999);
  EXPECT_FALSE(lista.ListaDesatualizada());
  EXPECT_FALSE(lista.VeiculoVisivel(400, tListaVeiculo::kTodos));
  relogio.setTick(60000);
  EXPECT_TRUE(lista.VeiculoVisivel(400, tListaVeiculo::kTodos));
}

TEST_F(ListaVeiculoFixture, TwoChangedCountersAreTakenOneCheckAtATime) {
  tListaVeiculo lista(*dbZenthora);
  contador("tUsuarioVeiculo", 3);
  contador("tVeiculo_INS", 9);
  relogio.setTick(70000);
  EXPECT_TRUE(lista.ListaDesatualizada());   // users' vehicles, stored
  EXPECT_FALSE(lista.ListaDesatualizada());  // within the minute: not read
  relogio.advance(60000);
  EXPECT_TRUE(lista.ListaDesatualizada());   // new vehicles, stored
  relogio.advance(60000);
  EXPECT_FALSE(lista.ListaDesatualizada());
  contador("tVeiculo_INS", 10);
  relogio.advance(59999);
  EXPECT_FALSE(lista.ListaDesatualizada());
  relogio.advance(1);
  EXPECT_TRUE(lista.ListaDesatualizada());
}

TEST_F(ListaVeiculoFixture, TickWrapStillCountsAMinute) {
  relogio.setTick(0xFFFFFF00u);
  tListaVeiculo lista(*dbZenthora);
  EXPECT_FALSE(lista.ListaDesatualizada());  // counters read, unchanged
  contador("tUsuarioVeiculo", 1);
  relogio.setTick(0xFFFFFF00u + 59999u);  // wraps past 0
  EXPECT_FALSE(lista.ListaDesatualizada());
  relogio.setTick(0xFFFFFF00u + 60000u);
  EXPECT_TRUE(lista.ListaDesatualizada());
}

TEST_F(ListaVeiculoFixture, ClosedConnectionKeepsListAndCounters) {
  tListaVeiculo lista(*dbZenthora, 42);
  dbZenthora->close();
  relogio.setTick(500000);
  EXPECT_FALSE(lista.ListaDesatualizada());
  lista.CarregaLista(7);
  EXPECT_EQ(lista.ids(), (std::vector<std::int32_t>{100, 300}));
  EXPECT_TRUE(lista.VeiculoVisivel(300, 7));
  dbZenthora->reopen();
  contador("tUsuarioVeiculo", 1);
  EXPECT_TRUE(lista.ListaDesatualizada());  // the closed period did not count as a reading
}

TEST_F(ListaVeiculoFixture, DatabaseErrorsReachTheCaller) {
  tListaVeiculo lista(*dbZenthora);
  exec("drop table tRefresh");
  relogio.setTick(100000);
  EXPECT_THROW(lista.VeiculoVisivel(100, tListaVeiculo::kTodos), db::DbError);
  exec("drop table tUsuarioVeiculo");
  EXPECT_THROW(lista.CarregaLista(42), db::DbError);
  EXPECT_EQ(lista.ids().size(), 5u);  // a failed load leaves the list
}

}  // namespace
