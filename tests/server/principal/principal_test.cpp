#include <gtest/gtest.h>

#include <QTcpSocket>
#include <QCoreApplication>

#include <filesystem>
#include <optional>

#include "central/central.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/text/cp1252.h"
#include "server/principal.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::text::literals;

namespace {

// A server object on a fresh embedded central in a temporary folder, listening
// on an ephemeral port, with the fatal exits recorded instead of taken.
struct ServidorFixture : ::testing::Test {
  test::TempDir dir;
  central::CentralFiles files;
  runtime::Bancos bancos;
  std::optional<int> codigoSaida;
  std::vector<std::string> mensagens;
  std::unique_ptr<server::TFPrincipal> principal;

  void SetUp() override {
    central::CentralOptions opt;
    opt.port = 0;
    files = central::createCentral(dir.path().string(), opt);
  }

  void exec(const std::string& sql) {
    auto c = db::Connection::open(files.urlZenthora);
    db::Statement(*c, sql).execute();
  }
  void execBase(const std::string& sql) {
    auto c = db::Connection::open(files.urlBase);
    db::Statement(*c, sql).execute();
  }

  server::TFPrincipal& cria(std::uint32_t intervaloDiagnosticoMs = 1000) {
    bancos.dbZenthora = db::Connection::open(files.urlZenthora);
    server::OpcoesServidor opcoes;
    opcoes.programDir = dir.path().string();
    opcoes.workDir = dir.path().string();
    opcoes.termina = [this](int code) { codigoSaida = code; };
    opcoes.mostraMensagem = [this](const std::string& m) { mensagens.push_back(m); };
    principal = std::make_unique<server::TFPrincipal>(opcoes, bancos, intervaloDiagnosticoMs);
    return *principal;
  }

  std::string logText() { return test::readFile(dir.file("KORVATEL01.log")); }
};

}  // namespace

TEST_F(ServidorFixture, CleanStartListensAndLogsEachStep) {
  auto& p = cria();
  ASSERT_TRUE(p.FormCreate()) << logText();
  EXPECT_TRUE(p.estado().Inicializado);
  EXPECT_TRUE(p.estado().ModuloValido);
  EXPECT_FALSE(p.estado().Integracao);
  EXPECT_TRUE(p.timersAtivos());
  EXPECT_EQ(p.status().caption, "Interface de Acesso à Central Talvero - Versão 6.32.002z"_cp);
  const std::string log = logText();
  std::size_t at = 0;
  for (const char* step : {"] Iniciando Korvatel [V6.32.002z]...", "] Conectando ao banco dbZenthora...",
                           "] dbZenthora conectado com sucesso", "] Conectando ao banco dbBase...",
                           "] dbBase conectado com sucesso", "] Ponto 1", "] Ponto 2", "] Ponto 3",
                           "] Korvatel inicializado corretamente", "[TFPrincipal.AtualizaDataHoraCarga] inicio KORVATEL2",
                           "[TFPrincipal.AtualizaDataHoraCarga] fim KORVATEL2"}) {
    at = log.find(step, at);
    ASSERT_NE(at, std::string::npos) << step << "\n" << log;
  }
  // the load record of this instance
  auto c = db::Connection::open(files.urlZenthora);
  db::Statement q(*c, std::string("SELECT NomePrograma, Versao FROM tDiagnostico WHERE CodigoPrograma = 12"));
  q.open();
  ASSERT_FALSE(q.eof());
  EXPECT_EQ(q.field("NomePrograma").asString(), "KORVATEL2");
  EXPECT_EQ(q.field("Versao").asString(), "6.32.002z");

  QTcpSocket s;
  s.connectToHost("127.0.0.1", p.portaEscuta());
  EXPECT_TRUE(s.waitForConnected(2000));
  bool fechado = false;
  p.FormClose([&] { fechado = true; });
  EXPECT_TRUE(fechado);
  EXPECT_FALSE(codigoSaida);
}

TEST_F(ServidorFixture, ModuleWithoutRowEndsStartUp) {
  execBase("DELETE FROM tModRas");
  auto& p = cria();
  EXPECT_FALSE(p.FormCreate());
  const std::string texto = "ModCom02 inválido, verifique a configuração na Quillon e no arquivo KORVATEL.INI"_cp;
  ASSERT_EQ(mensagens.size(), 1u);
  EXPECT_EQ(mensagens[0], texto);
  EXPECT_NE(logText().find("[INFO]"), std::string::npos);
  EXPECT_NE(logText().find(texto), std::string::npos);
  EXPECT_FALSE(p.timersAtivos());
  EXPECT_FALSE(p.estado().Inicializado);
}

TEST_F(ServidorFixture, IntegrationModuleChangesTheCaption) {
  execBase("UPDATE tModRas SET CCRO = 1");
  auto& p = cria();
  ASSERT_TRUE(p.FormCreate());
  EXPECT_TRUE(p.estado().Integracao);
  EXPECT_EQ(p.status().caption, "KVT(6.32.002z) INTEGRAÇÃO ZENTHORA (ModCom02)"_cp);
  p.FormClose(nullptr);
}

TEST_F(ServidorFixture, BaseStatusFollowsTheQuillonHeartbeat) {
  auto& p = cria();
  ASSERT_TRUE(p.FormCreate());
  using Cor = runtime::StatusModel::Cor;
  EXPECT_EQ(p.status().icone, runtime::StatusModel::IconeBandeja::Nenhum);
  struct Caso {
    const char* preparo;
    bool ativa;
  } casos[] = {
      {"DELETE FROM tDiagnostico WHERE NomePrograma = 'Quillon'", false},
      {"INSERT INTO tDiagnostico(CodigoPrograma, NomePrograma, DataHoraUltimaAtualizacao, IntervaloAtualizacao) "
       "VALUES (1, 'Quillon', datetime('now', 'localtime', '-1 seconds'), NULL)",
       true},  // a null interval counts as 3 s
      {"UPDATE tDiagnostico SET DataHoraUltimaAtualizacao = datetime('now', 'localtime', '-10 seconds') "
       "WHERE NomePrograma = 'Quillon'",
       false},  // stale
      {"UPDATE tDiagnostico SET IntervaloAtualizacao = 30 WHERE NomePrograma = 'Quillon'", true},
  };
  for (const auto& caso : casos) {
    exec(caso.preparo);
    p.tmrStatusQuillonTimer();
    EXPECT_EQ(p.estado().BaseAtiva, caso.ativa) << caso.preparo;
    EXPECT_EQ(p.status().st_Sts_Base.fundo, caso.ativa ? Cor::Verde : Cor::Amarelo) << caso.preparo;
    EXPECT_EQ(p.status().st_Sts_Base.texto, caso.ativa ? "Conectado à Base"_cp : "Quillon fora do ar !");
    EXPECT_EQ(p.status().mnuBase, caso.ativa ? "Base: Conectada" : "Base: Quillon fora do ar !");
    EXPECT_EQ(p.status().dicaBandeja, caso.ativa ? "KORVATEL - Ativo" : "KORVATEL - Aguardando...");
  }
  p.FormClose(nullptr);
}

TEST_F(ServidorFixture, ListIndexErrorResetsPositionsAndGoesOn) {
  auto& p = cria();
  ASSERT_TRUE(p.FormCreate());
  ini::IniFile(files.ini).writeInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", 40);
  ini::IniFile(files.ini).writeInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO_CTRL", 7);
  p.estado().UltimoNumSeqProcessado = 90;
  p.estado().UltimoNumSeqProcessadoCtrl = 12;
  p.estado().EnviandoBuffer = true;
  p.estado().EvtNoBuffer = 5;
  p.guard([] { throw std::out_of_range("List index out of bounds (3)"); });
  EXPECT_FALSE(codigoSaida);
  EXPECT_EQ(p.estado().UltimoNumSeqProcessado, 40);
  EXPECT_EQ(p.estado().UltimoNumSeqProcessadoCtrl, 7);
  EXPECT_FALSE(p.estado().EnviandoBuffer);
  EXPECT_EQ(p.estado().EvtNoBuffer, 0);
  ASSERT_GE(p.status().lberro.size(), 1u);
  EXPECT_NE(p.status().lberro.at(0).find("Lista de Clientes atualizada"), std::string::npos);

  // a lost database ends the process with code 1 after its log entry
  p.guard([] { throw db::DbError("General SQL error.\r\ngone", true); });
  EXPECT_EQ(codigoSaida, 1);
  EXPECT_NE(logText().find("[ERRO]"), std::string::npos);
  EXPECT_NE(logText().find("o KVT será finalizado com erro !\r\n[General SQL error.\r\ngone]"_cp), std::string::npos);
  EXPECT_FALSE(bancos.dbZenthora->isOpen());
  p.FormClose(nullptr);
}

TEST_F(ServidorFixture, ErrorBeforeStartUpCompletedIsAConnectionFailure) {
  auto& p = cria();
  p.guard([] { throw std::out_of_range("List index out of bounds (3)"); });
  EXPECT_EQ(codigoSaida, 1);
  ASSERT_EQ(mensagens.size(), 1u);
  EXPECT_EQ(mensagens[0], "Falha na conexão com o Servidor SQL. Verifique o Driver ODBC!"_cp);
}

TEST_F(ServidorFixture, HeartbeatRefreshesItsOwnRow) {
  auto& p = cria();
  ASSERT_TRUE(p.FormCreate());
  exec("UPDATE tDiagnostico SET DataHoraUltimaAtualizacao = '2001-01-01 00:00:00' WHERE CodigoPrograma = 12");
  p.tmrDiagnosticoTimer();
  auto c = db::Connection::open(files.urlZenthora);
  db::Statement q(*c, std::string("SELECT DataHoraUltimaAtualizacao AS d FROM tDiagnostico WHERE CodigoPrograma = 12"));
  q.open();
  EXPECT_GT(q.field("d").asDateTime().year, 2001);
  EXPECT_NE(logText().find("[TFPrincipal.AtualizaIntervaloCodigo - 12] Inicio"), std::string::npos);
  EXPECT_NE(logText().find("[TFPrincipal.AtualizaIntervaloCodigo] fim"), std::string::npos);
  p.FormClose(nullptr);
}

namespace {

// A heartbeat interval of 0 (IntervaloAtualizacao 0 or negative) must not make
// the timer fire on every pass of the loop: it does not run.
TEST_F(ServidorFixture, AHeartbeatIntervalOfZeroLeavesItsTimerStopped) {
  auto& p = cria(0);
  ASSERT_TRUE(p.FormCreate()) << logText();
  EXPECT_FALSE(p.tmrDiagnostico().isActive());
  principal.reset();
  auto& q = cria(3000);
  ASSERT_TRUE(q.FormCreate()) << logText();
  EXPECT_TRUE(q.tmrDiagnostico().isActive());
  EXPECT_EQ(q.tmrDiagnostico().interval(), 3000);
}

// A mistyped path in section BANCOS fails naming the path, before any
// "conectado com sucesso", and creates no empty database.
TEST_F(ServidorFixture, AMistypedDatabasePathFailsNamingItAndCreatesNothing) {
  const std::string errado = dir.file("bsae.db");
  ini::IniFile(dir.file("KORVATEL.INI")).writeString("BANCOS", "dbBase", "sqlite:" + errado);
  auto& p = cria();
  EXPECT_FALSE(p.FormCreate());
  EXPECT_FALSE(std::filesystem::exists(errado));
  const std::string log = logText();
  EXPECT_NE(log.find("Falha de conexão com dbBase: "_cp), std::string::npos) << log;
  EXPECT_NE(log.find(errado), std::string::npos) << log;
  EXPECT_EQ(log.find("dbBase conectado com sucesso"), std::string::npos) << log;
}

}  // namespace
