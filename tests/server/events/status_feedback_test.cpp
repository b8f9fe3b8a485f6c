#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "central/central.h"
#include "platform/clock/clock.h"
#include "platform/db/db.h"
#include "platform/text/cp1252.h"
#include "platform/text/regional.h"
#include "server/events/status_feedback.h"
#include "server/runtime/log_files.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::text::literals;
using namespace std::string_literals;

namespace {

struct StatusFixture : ::testing::Test {
  test::TempDir dir;
  clk::ManualClock relogio{1000, {2024, 6, 11, 10, 20, 30, 0}};
  clk::ScopedClock escopo{relogio};
  central::CentralFiles files = central::createCentral(dir.file("central"));
  std::unique_ptr<db::Connection> dbZenthora = db::Connection::open(files.urlZenthora);
  runtime::LogSettings logSettings;
  runtime::HistoryList historico;
  runtime::LogFiles logs{logSettings, files.ini, historico, dir.path().string()};
  std::vector<std::string> passados;
  events::tRetornoTelecomando retorno{*dbZenthora, logs, [this](const std::string& p) { passados.push_back(p); }};

  void SetUp() override { text::setRegional({}); }
  void exec(const std::string& sql) { db::Statement(*dbZenthora, sql).execute(); }
  // A telecommand row; returns its IdSequencia.
  int telecomando(int idSeqMsg, int status, int terminal = 6699) {
    exec("insert into tTelecomando (IdSeqMsg, IdTerminal, CodMsg, StatusEnvio) values (" + std::to_string(idSeqMsg) +
         ", " + std::to_string(terminal) + ", 92, " + std::to_string(status) + ")");
    db::Statement st(*dbZenthora, std::string("select max(IdSequencia) from tTelecomando"));
    st.open();
    return st.field(std::size_t{0}).asInt();
  }
  struct Linha {
    int status, port, operadora, callProgress, tentativas;
    std::string ip;
    bool recebido;
  };
  Linha linha(int idSequencia) {
    db::Statement st(*dbZenthora, "select StatusEnvio, IP, Port, Operadora, CallProgress, Tentativas, DataHoraRec "
                                  "from tTelecomando where IdSequencia = " + std::to_string(idSequencia));
    st.open();
    return {st.field("StatusEnvio").asInt(), st.field("Port").asInt(),         st.field("Operadora").asInt(),
            st.field("CallProgress").asInt(), st.field("Tentativas").asInt(), st.field("IP").asString(),
            !st.field("DataHoraRec").isNull()};
  }
  std::string log() { return test::readFile(dir.file("KORVATEL01.log")); }
};

TEST_F(StatusFixture, FieldDefaults) {
  struct Caso {
    std::string post;
    bool status;
    events::CamposStatus esperado;
  };
  const Caso casos[] = {
      {"#5,2,81", true, {0, 0, 255, "0.0.0.0", 0, 255}},
      {"#5,2,81#27,3,500#28,1,1#A4,1,2#B0,9,10.0.0.7#B1,4,5001#E3,2,11", true, {500, 1, 2, "10.0.0.7", 5001, 11}},
      {"#5,2,81#27,3,500#B0,3,   #B1,2,  #E3,1, ", true, {500, 0, 255, "0.0.0.0", 0, 255}},
      {"#5,2,81#B0,10, 10.0.0.7 ", true, {0, 0, 255, " 10.0.0.7 ", 0, 255}},  // the address as written
      {"#5,2,81#27,3,500#E3,4,12\r\n", true, {500, 0, 255, "0.0.0.0", 0, 12}},
      {"#5,2,8C#27,3,500", false, {500, 0, 0, "0.0.0.0", 0, 255}},
      {"#5,2,8C#27,3,500#A4,1,3#28,1,9", false, {500, 0, 3, "0.0.0.0", 0, 255}},
  };
  for (const auto& c : casos) {
    const auto r = events::LeCamposStatus(c.post, c.status);
    ASSERT_TRUE(r) << c.post;
    EXPECT_EQ(r->IdStatus, c.esperado.IdStatus) << c.post;
    EXPECT_EQ(r->StatusEnvio, c.esperado.StatusEnvio) << c.post;
    EXPECT_EQ(r->CallProgress, c.esperado.CallProgress) << c.post;
    EXPECT_EQ(r->IP, c.esperado.IP) << c.post;
    EXPECT_EQ(r->Port, c.esperado.Port) << c.post;
    EXPECT_EQ(r->Operadora, c.esperado.Operadora) << c.post;
  }
  for (const char* ruim : {"#27,2,5x", "#28,1,a", "#A4,3,1.5", "#B1,2,ab", "#E3,1,-", "#27,11,99999999999"})
    EXPECT_FALSE(events::LeCamposStatus(ruim, true)) << ruim;
  EXPECT_TRUE(events::LeCamposStatus("#28,1,a", false));  // 8C reads only 27 and A4
}

TEST_F(StatusFixture, StandAloneStatusUpdatesTheRowAndIsPassedOn) {
  const int id = telecomando(500, 16);
  const int outro = telecomando(501, 16);
  const std::string post = "#5,2,81#21,4,1A2B#27,3,500#28,1,1#A4,1,2#B0,9,10.0.0.7#B1,4,5001#E3,2,11";
  retorno.Processa_StatusEnvio_Telecomando(post);
  const Linha l = linha(id);
  EXPECT_EQ(l.status, 1);
  EXPECT_EQ(l.ip, "10.0.0.7");
  EXPECT_EQ(l.port, 5001);
  EXPECT_EQ(l.operadora, 11);
  EXPECT_EQ(l.callProgress, 2);
  EXPECT_TRUE(l.recebido);
  EXPECT_EQ(linha(outro).status, 16);
  EXPECT_EQ(passados, std::vector<std::string>{post});

  // the row has left the states a status may change: no change, still passed on
  retorno.Processa_StatusEnvio_Telecomando("#5,2,81#27,3,500#28,1,7");
  EXPECT_EQ(linha(id).status, 1);
  EXPECT_EQ(passados.size(), 2u);

  const std::string texto = log();
  std::size_t at = 0;
  for (const std::string& passo :
       {"[TFPrincipal.Processa_StatusEnvio_Telecomando] inicio"s, "[TFPrincipal.ObtemCmdViaStatus] inicio"s,
        "[TFPrincipal.ObtemCmdViaStatus] ponto 1"s, "[TFPrincipal.ObtemCmdViaStatus] ponto 2"s,
        "[TFPrincipal.ObtemCmdViaStatus] fim"s,
        "[TFPrincipal.Processa_StatusEnvio_Telecomando] Atualização do Status de Envio [0x81] na tabela tTeleComando "
        "para o IdSeqMsg=[500] IdStatus[1]\r\n"_cp,
        "[TFPrincipal.Processa_StatusEnvio_Telecomando] [1]"s, "[TFPrincipal.Processa_StatusEnvio_Telecomando] [2]"s,
        "[TFPrincipal.Processa_StatusEnvio_Telecomando] fim"s}) {
    at = texto.find(passo, at);
    ASSERT_NE(at, std::string::npos) << passo;
  }
  EXPECT_EQ(texto.find("[ERRO]"), std::string::npos);
  EXPECT_EQ(historico.size(), 0u);
}

TEST_F(StatusFixture, StatusOfAnOperationItemIsNotPassedOn) {
  const int id = telecomando(600, 200);
  exec("insert into tTransItensOperacao (IdTransOperacao, IdSequencia) values (33, " + std::to_string(id) + ")");
  EXPECT_EQ(retorno.ObtemCmdViaStatus(600).IdTransOperacao, 33);
  retorno.Processa_StatusEnvio_Telecomando("#5,2,81#27,3,600#28,1,0");
  EXPECT_EQ(linha(id).status, 0);
  EXPECT_TRUE(passados.empty());
  EXPECT_EQ(log().find("] [1]"), std::string::npos);
}

TEST_F(StatusFixture, NewestCommandDecidesButEveryWaitingRowChanges) {
  exec("insert into tVeicZeta (IdTerminal, TerminalID) values (6700, 'Z-77')");
  const int velho = telecomando(700, 16, 6699);
  const int novo = telecomando(700, 200, 6700);
  exec("insert into tTransItensOperacao (IdTransOperacao, IdSequencia) values (5, " + std::to_string(velho) + ")");
  const auto cmd = retorno.ObtemCmdViaStatus(700);
  ASSERT_TRUE(cmd.encontrado);
  EXPECT_EQ(cmd.IdSequencia, novo);
  EXPECT_EQ(cmd.IdTerminal, 6700);
  EXPECT_EQ(cmd.CodMsg, 92);
  EXPECT_EQ(cmd.TerminalID, "Z-77");
  EXPECT_EQ(cmd.IdTransOperacao, -1);
  telecomando(701, 16, 6699);  // a terminal without a Zeta record
  EXPECT_EQ(retorno.ObtemCmdViaStatus(701).TerminalID, "0");
  retorno.Processa_StatusEnvio_Telecomando("#5,2,81#27,3,700#28,1,3");
  EXPECT_EQ(linha(velho).status, 3);
  EXPECT_EQ(linha(novo).status, 3);
  EXPECT_EQ(passados.size(), 1u);  // the newest is stand-alone
}

TEST_F(StatusFixture, UnknownOrMissingIdStatusChangesNothing) {
  const int id = telecomando(800, 16);
  retorno.Processa_StatusEnvio_Telecomando("#5,2,81#28,1,1");  // IdStatus 0
  retorno.Processa_StatusEnvio_Telecomando("#5,2,81#27,3,999#28,1,1");
  EXPECT_EQ(linha(id).status, 16);
  EXPECT_TRUE(passados.empty());
  EXPECT_EQ(log().find("Atualização"_cp), std::string::npos);
  EXPECT_FALSE(retorno.ObtemCmdViaStatus(0).encontrado);
}

TEST_F(StatusFixture, AnUnreadableNumberLeavesTheRowAlone) {
  const int id = telecomando(900, 16);
  const std::string post = "#5,2,81#27,3,900#28,2,1x";
  retorno.Processa_StatusEnvio_Telecomando(post);
  EXPECT_EQ(linha(id).status, 16);
  EXPECT_TRUE(passados.empty());
  EXPECT_NE(log().find("[TFPrincipal.Processa_StatusEnvio_Telecomando] Post de status com campo numérico inválido, "
                       "não aplicado [" + post + "]"_cp),
            std::string::npos);
  retorno.Processa_CallProgress_Telecomando("#5,2,8C#27,3,9x0");
  EXPECT_EQ(linha(id).tentativas, 0);
}

TEST_F(StatusFixture, CallProgressCountsAttemptsWhileWaitingForConnection) {
  const int id = telecomando(1000, 16);
  const int transmitido = telecomando(1000, 200);
  retorno.Processa_CallProgress_Telecomando("#5,2,8C#27,4,1000#A4,1,1");
  retorno.Processa_CallProgress_Telecomando("#5,2,8C#27,4,1000#A4,1,3");
  EXPECT_EQ(linha(id).tentativas, 2);
  EXPECT_EQ(linha(id).callProgress, 3);
  EXPECT_EQ(linha(transmitido).tentativas, 0);
  EXPECT_TRUE(passados.empty());
  EXPECT_NE(log().find("[TFPrincipal.Processa_CallProgress_Telecomando] Atualização do CallProgress  [0x8C] na tabela "
                       "tTeleComando para o IdSeqMsg=[1000], Controlador tentou enviar o TeleComando [2] vez(es) "
                       "para o RI\r\n"_cp),
            std::string::npos);
  retorno.Processa_CallProgress_Telecomando("#5,2,8C#27,4,4242");
  EXPECT_NE(log().find("IdSeqMsg=[4242], Controlador tentou enviar o TeleComando [0] vez(es)"), std::string::npos);
  retorno.Processa_CallProgress_Telecomando("#5,2,8C");  // IdStatus 0, call progress 0
  EXPECT_NE(log().find("IdSeqMsg=[0], Controlador tentou enviar o TeleComando [0] vez(es)"), std::string::npos);
}

TEST_F(StatusFixture, DatabaseErrorsReachTheCaller) {
  telecomando(1100, 16);
  exec("drop table tTransItensOperacao");
  EXPECT_THROW(retorno.Processa_StatusEnvio_Telecomando("#5,2,81#27,4,1100"), db::DbError);
  exec("drop table tTelecomando");
  EXPECT_THROW(retorno.Processa_CallProgress_Telecomando("#5,2,8C#27,4,1100"), db::DbError);
  EXPECT_TRUE(passados.empty());
}

}  // namespace
