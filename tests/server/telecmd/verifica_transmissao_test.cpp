// The transmission check and the console text filter on a real embedded
// central: GPRS/satellite trackers in power-saving mode, without recent GPRS,
// and the satellite permissions of the command table and the tracker catalogue.
#include <gtest/gtest.h>

#include <string>

#include "central/central.h"
#include "platform/db/db.h"
#include "platform/text/cp1252.h"
#include "server/telecmd/texto_terminal.h"
#include "server/telecmd/verifica_transmissao.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::telecmd;
using namespace kvt::text::literals;

namespace {

struct CentralTransmissao : ::testing::Test {
  test::TempDir dir;
  central::CentralFiles files = central::createCentral(dir.file("c"));
  std::unique_ptr<db::Connection> zenthora = db::Connection::open(files.urlZenthora);
  int proximoEvento = 1;

  void sql(const std::string& texto) { db::Statement(*zenthora, texto).execute(); }

  void SetUp() override {
    sql("INSERT INTO tMensagem (CodMsg, ZETA) VALUES (1, 'S'), (2, 'N'), (19, 'N'), (106, 'N')");
    sql("INSERT INTO tRegraRastreadorKVT (Regra, Rastreador, VersaoMinima, VersaoMaxima) VALUES "
        "('AceitaTextoSatelite', 3, '3.0', NULL), ('AceitaFormatadaSatelite', 3, '3.2', '3.9')");
  }

  // A vehicle whose last connection was event `evento`, `idade` ago ("-1 hour"),
  // over GPRS (tecnologia 2) or not.
  void veiculo(std::int32_t id, int tipoComunicacao, int rastreador, const std::string& versao, int evento,
               const std::string& idade, int tecnologia = 2) {
    const std::string n = std::to_string(proximoEvento++);
    sql("INSERT INTO tVeiculo (IdTerminal, Rastreador, Versao, TipoComunicacao) VALUES (" + std::to_string(id) + ", " +
        std::to_string(rastreador) + ", '" + versao + "', " + std::to_string(tipoComunicacao) + ")");
    sql("INSERT INTO tTeleEvento (IdSequencia, IdTerminal, CodMsg, Evento, DataHoraRec, TecnologiaEvento) VALUES (" +
        n + ", " + std::to_string(id) + ", 2, " + std::to_string(evento) + ", datetime('now','localtime','" + idade +
        "'), " + std::to_string(tecnologia) + ")");
    sql("INSERT INTO tGridVeiculos (IdTerminal, IdSeq_LastCnx) VALUES (" + std::to_string(id) + ", " + n + ")");
  }
  // An older event of the vehicle that is not its last connection.
  void eventoAnterior(std::int32_t id, const std::string& idade, int tecnologia) {
    sql("INSERT INTO tTeleEvento (IdSequencia, IdTerminal, CodMsg, Evento, DataHoraRec, TecnologiaEvento) VALUES (" +
        std::to_string(100 + proximoEvento++) + ", " + std::to_string(id) + ", 2, 2, datetime('now','localtime','" +
        idade + "'), " + std::to_string(tecnologia) + ")");
  }
};

std::string texto(const Transmissao& t) {
  if (!t.permitido) return t.sleep ? "sleep" : "recusado";
  return t.DESABILITAR_GPRS ? "satelite" : "gprs";
}

}  // namespace

TEST_F(CentralTransmissao, DecidesTheChannelOfEveryKindOfTracker) {
  veiculo(10, 1, 1, "2.0", 2, "-1 day");             // GPRS only: always by GPRS
  veiculo(20, 6, 2, "2.0", 2, "-2 minutes");          // GPRS/satellite, GPRS recent
  veiculo(30, 6, 2, "2.0", 2, "-1 hour");             // no recent GPRS, model without satellite texts
  veiculo(40, 6, 3, "3.2.1", 2, "-1 hour");           // Zeta 3.2.1: texts and formatted by satellite
  veiculo(41, 6, 3, "3.1", 2, "-1 hour");             // Zeta 3.1: texts only
  veiculo(50, 6, 3, "3.2.1", 57, "-1 minute");        // power-saving mode
  tVerificaTransmissao v(*zenthora, 10);

  struct Caso {
    const char* codigo;
    std::int32_t terminal;
    const char* esperado;
  };
  const Caso casos[] = {
      {"02", 10, "gprs"},     {"13", 10, "gprs"},     {"02", 20, "gprs"},     {"13", 20, "gprs"},
      {"02", 30, "recusado"}, {"13", 30, "recusado"}, {"1", 30, "satelite"},  {"01", 30, "satelite"},
      {"5F", 30, "satelite"}, {"11", 30, "satelite"}, {"13", 40, "satelite"}, {"6B", 40, "satelite"},
      {"6A", 40, "satelite"}, {"02", 40, "recusado"}, {"13", 41, "satelite"}, {"6A", 41, "recusado"},
      {"02", 50, "sleep"},    {"13", 50, "sleep"},    {"01", 50, "sleep"},    {"5F", 50, "gprs"},
      {"11", 50, "gprs"},
  };
  for (const Caso& c : casos) EXPECT_EQ(texto(v.VerificaTransmissao(c.codigo, c.terminal)), c.esperado)
      << c.codigo << " para " << c.terminal;
}

TEST_F(CentralTransmissao, GprsTimeOutUsesTheSlightlyShortDayFactor) {
  // 10 minutes are 599.99 s: an event 600 s old is already too old.
  veiculo(1, 6, 2, "2.0", 2, "-600 seconds");
  veiculo(2, 6, 2, "2.0", 2, "-598 seconds");
  // the last connection was not over GPRS: no GPRS, however recent another GPRS event
  veiculo(3, 6, 2, "2.0", 2, "-2 minutes", 1);
  eventoAnterior(3, "-3 minutes", 2);
  veiculo(6, 6, 2, "2.0", 2, "-1 hour");  // last connection old, a newer GPRS event recent
  eventoAnterior(6, "-1 minute", 2);
  tVerificaTransmissao v(*zenthora, 10);
  EXPECT_TRUE(v.SemGPRS(1));
  EXPECT_FALSE(v.SemGPRS(2));
  EXPECT_TRUE(v.SemGPRS(3));
  EXPECT_FALSE(v.SemGPRS(6));
  EXPECT_TRUE(v.SemGPRS(99));  // no grid row
  EXPECT_FALSE(tVerificaTransmissao(*zenthora, 11).SemGPRS(1));
}

TEST_F(CentralTransmissao, TrackerDataAndCommandTable) {
  veiculo(40, 6, 3, "3.2.1", 2, "-1 hour");
  tVerificaTransmissao v(*zenthora, 10);
  const DadosDoRastreador d = v.DadosRastreador(40);
  EXPECT_EQ(d.TipoComunicacao, 6);
  EXPECT_EQ(d.Rastreador, 3);
  EXPECT_EQ(d.Versao, "3.2.1");
  EXPECT_TRUE(v.ComandoZeta("01"));
  EXPECT_TRUE(v.ComandoZeta("1"));
  EXPECT_FALSE(v.ComandoZeta("02"));
  EXPECT_FALSE(v.ComandoZeta("FF"));
  EXPECT_FALSE(v.EmModoSleep(40));
  EXPECT_TRUE(v.Catalogo().AceitaFormatadaSatelite(3, "3.9"));
  EXPECT_FALSE(v.Catalogo().AceitaFormatadaSatelite(3, "4.0"));
  EXPECT_FALSE(v.Catalogo().ModeloComPlano().has_value());
}

TEST(TextoTerminal, FoldsWhatConsolesCannotShowIntoZeroBytes) {
  struct Caso {
    std::string entrada;
    std::int32_t console;
    std::string esperado;
  };
  const Caso casos[] = {
      {"olá, 50%!"_cp, 1, std::string("OL\0, 50%!", 9)},
      {"olá, 50%!"_cp, 5, "olá, 50%!"_cp},
      {"ação"_cp, -1, std::string("A\xC7\0O", 4)},
      {"a\b\r\n{|}~\\_[]`", 0, std::string("A\b\r\0\0\0\0\0\\_\0\0\0", 13)},
      {"", 1, ""},
  };
  for (const Caso& c : casos) EXPECT_EQ(FiltraTextoTerminal(c.entrada, c.console), c.esperado) << c.entrada;
}

TEST_F(CentralTransmissao, ConsoleTypeOfTheTerminal) {
  sql("INSERT INTO tVeiculo (IdTerminal, TipoConsole) VALUES (7, 5), (8, NULL)");
  EXPECT_EQ(TipoConsoleTerminal(*zenthora, 7), 5);
  EXPECT_EQ(TipoConsoleTerminal(*zenthora, 8), 0);
  EXPECT_EQ(TipoConsoleTerminal(*zenthora, 9), -1);
}
