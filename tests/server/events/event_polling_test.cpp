#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "central/central.h"
#include "platform/clock/clock.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/text/cp1252.h"
#include "platform/text/regional.h"
#include "server/common/lista_veiculo.h"
#include "server/events/event_polling.h"
#include "server/events/post_format.h"
#include "server/events/post_xml.h"
#include "server/events/status_feedback.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/runtime/watchdog.h"
#include "tests/support/temp_dir.h"

#include "tests/server/events/central_eventos.h"

using namespace kvt;
using namespace kvt::text::literals;

namespace {

// The link as the passes see it, recording what they do with it.
struct CanalGravador : events::CanalEventos {
  bool conectado = true;
  std::vector<std::string> posts;
  std::vector<events::LinhaEvento> linhasPosts, linhasConcluidas;
  int renumeracoes = 0;
  int chamadasComando = 0;
  int comandosNaFila = 0;
  std::function<void(const std::string&)> aoEnfileirar;
  bool HaConexaoAberta() const override { return conectado; }
  void Enfileira_Post_Envio(const std::string& post, events::LinhaEvento linha) override {
    posts.push_back(post);
    linhasPosts.push_back(linha);
    if (aoEnfileirar) aoEnfileirar(post);
  }
  void LinhaConcluida(events::LinhaEvento linha) override { linhasConcluidas.push_back(linha); }
  void LinhasRenumeradas(bool) override { ++renumeracoes; }
  bool tratarTelecmd() override {
    ++chamadasComando;
    if (comandosNaFila == 0) return false;
    --comandosNaFila;
    return true;
  }
};

// The passes over a fresh central, with its real files, tables and log.
struct PollingFixture : ::testing::Test {
  test::TempDir dir;
  clk::ManualClock relogio{100000, {2024, 6, 11, 10, 20, 30, 0}};
  clk::ScopedClock escopo{relogio};
  central::CentralFiles files = central::createCentral(dir.file("central"));
  std::unique_ptr<db::Connection> dbZenthora = db::Connection::open(files.urlZenthora);
  std::unique_ptr<db::Connection> dbBase = db::Connection::open(files.urlBase);
  runtime::tConfiguracao cfg;
  runtime::EstadoServidor estado;
  runtime::HistoryList historico;
  runtime::StatusModel status;
  std::unique_ptr<runtime::LogFiles> logs;
  runtime::SinalDeVida sinal;
  std::optional<int> saida;
  CanalGravador canal;
  std::unique_ptr<common::tListaVeiculo> lista;
  std::unique_ptr<events::tLeituraEventos> leitura;

  void SetUp() override {
    text::setRegional({});
    cfg.TELEEVT = ",32,129,";
    exec("insert into tVeiculo (IdTerminal) values (6699), (6700)");  // 1A2B, 1A2C
    logs = std::make_unique<runtime::LogFiles>(cfg.log, files.ini, historico, dir.path().string());
  }
  events::tLeituraEventos& cria() {
    lista = std::make_unique<common::tListaVeiculo>(*dbZenthora);
    leitura = std::make_unique<events::tLeituraEventos>(events::DependenciasLeitura{
        cfg, estado, *logs, sinal, files.ini, *dbBase, *dbZenthora, *lista, canal, [this](int c) { saida = c; },
        &status});
    return *leitura;
  }
  void exec(const std::string& sql) { db::Statement(*dbZenthora, sql).execute(); }
  void execBase(const std::string& sql) { db::Statement(*dbBase, sql).execute(); }
  void posta(const char* tabela, const std::string& post) { test::postaEvento(*dbBase, tabela, post); }
  void postaEm(const char* tabela, int numSeq, const std::string& post) {
    db::Statement st(*dbBase, std::string("insert into ") + tabela + " (NumSeq, Post) values (:n, :Post)");
    st.bindInt("n", numSeq).bindMemo("Post", post).execute();
  }
  int conta(db::Connection& c, const std::string& sql) { return test::contaLinhas(c, sql); }
  std::vector<std::string> comandosPost() { return test::codigosComandoPost(*dbZenthora); }
  std::int32_t ini(const char* chave) { return ini::IniFile(files.ini).readInteger("CONTROLE", chave, -99); }
  std::string log() { return test::readFile(dir.file("KORVATEL01.log")); }
  // The monitor asks the base to pause (D0), as it does once the event table
  // has grown; a pause answer posted after this answers the request.
  void pedePausa(events::tLeituraEventos& l) {
    const auto limite = cfg.MAX_EVT_PROCESSADOS;
    cfg.MAX_EVT_PROCESSADOS = -1;
    l.tmrMonitorAcumuloTimer();
    cfg.MAX_EVT_PROCESSADOS = limite;
    ASSERT_TRUE(l.PausaSolicitada());
  }
  // A tick of each kind, in the order the timer takes them.
  void ciclo() {
    for (int i = 0; i < 3; ++i) leitura->ProcessFromDatabase();
  }
};

std::string evento(const char* codigo, const char* terminal = "1A2B") {
  return std::string("#5,") + std::to_string(std::string(codigo).size()) + "," + codigo + "#21,4," + terminal;
}

// Every statement of the event road, in the text the embedded central runs.
TEST_F(PollingFixture, EveryStatementPreparesOnTheEmbeddedCentral) {
  const db::SqlText base[] = {events::sqlLeituraEventos("tEvtPost02", 100), events::sqlLeituraEventos("tEvtPostCtrl05", 7),
                              events::sqlUltimoNumSeq("tEvtPostCtrl02"), events::sqlApagaEventos("tEvtPost03")};
  for (const auto& s : base) EXPECT_EQ(db::prepareSqlite(*dbBase, s.sqlite), std::vector<std::string>{}) << s.sqlite;
  const db::SqlText* zenthora[] = {
      &events::sqlSendPost(),           &events::sqlGeraAlertaGenerico(),     &events::sqlCatalogoTokens(),
      &events::sqlMensagensPreZeta(),   &events::sqlAtualizaStatusEnvio(),    &events::sqlObtemCmdViaStatus(),
      &events::sqlAtualizaCallProgress(), &events::sqlTentativasTelecomando(), &common::sqlListaTodosVeiculos(),
      &common::sqlListaVeiculosUsuario(), &common::sqlRefreshUsuarioVeiculo(), &common::sqlRefreshVeiculoIns()};
  for (const auto* s : zenthora)
    EXPECT_EQ(db::prepareSqlite(*dbZenthora, s->sqlite), std::vector<std::string>{}) << s->sqlite;
  // the texts for the central's SQL Server, as the passes compose them
  EXPECT_EQ(events::sqlLeituraEventos("tEvtPost02", 100).mssql,
            "SELECT TOP 100 NumSeq, Post\r\nFROM tEvtPost02 WITH (NOLOCK)\r\nWHERE NumSeq >:NumSeq ");
  EXPECT_EQ(events::sqlUltimoNumSeq("tEvtPostCtrl02").mssql, "SELECT TOP 1 NumSeq\r\nFROM tEvtPostCtrl02\r\nORDER BY NumSeq DESC");
  EXPECT_EQ(events::sqlApagaEventos("tEvtPost02").mssql, "TRUNCATE TABLE tEvtPost02");
}

TEST_F(PollingFixture, EventFilter) {
  cfg.TELEEVT = ",129,";
  cfg.ListaEvtLogistico = ",169,178,";
  auto& l = cria();
  struct Caso {
    std::int32_t codigo;
    std::string post;
    bool filtraLogistico;
    bool permitido;
  };
  const Caso casos[] = {
      {0x81, "", false, true},
      {0x1, "", false, true},   // "1", "2", "9", "12" and "29" are all inside ",129,"
      {0x2, "", false, true},
      {0x9, "", false, true},
      {0x0C, "", false, true},
      {0x1D, "", false, true},
      {0x20, "", false, false},
      {0x95, "#38,3,169", false, false},   // without the logistic filter: TELEEVT decides
      {0x95, "#38,3,169", true, true},     // by field 38 alone
      {0x95, "#38,3,149", true, false},
      {0x95, "#5,2,95", true, false},      // no field 38
      {0x95, "#38,0,", true, false},
      {0x81, "#38,3,999", true, true},     // the list only concerns 95
  };
  for (const auto& c : casos) {
    cfg.FiltraEvtLogistico = c.filtraLogistico ? 1 : 0;
    EXPECT_EQ(l.EventoPermitido(c.codigo, c.post), c.permitido) << std::hex << c.codigo << " " << c.post;
  }
}

TEST_F(PollingFixture, TurnsTakeControlEventsThenEventsThenCommands) {
  cfg.Comandos_Por_Ciclo = 3;
  auto& l = cria();
  posta("tEvtPostCtrl02", evento("20"));
  posta("tEvtPost02", evento("20"));
  posta("tEvtPost02", evento("20"));
  canal.comandosNaFila = 2;

  relogio.setTick(200000);
  l.ProcessFromDatabase();
  EXPECT_EQ(sinal.ultimo(), 200000u);
  EXPECT_EQ(estado.UltimoNumSeqProcessadoCtrl, 1);
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 0);
  l.ProcessFromDatabase();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 2);
  EXPECT_EQ(canal.posts.size(), 3u);
  EXPECT_EQ(canal.chamadasComando, 0);
  l.ProcessFromDatabase();
  EXPECT_EQ(canal.chamadasComando, 3);  // up to 3 per tick; the third finds the queue empty
  EXPECT_EQ(l.VezProcessamento(), 0);
  canal.comandosNaFila = 10;
  ciclo();
  EXPECT_EQ(canal.chamadasComando, 6);
  // nothing was committed by the passes themselves
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO"), 0);
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO_CTRL"), 0);
}

TEST_F(PollingFixture, NoReadingWithoutConnectionOrDuringAFlush) {
  auto& l = cria();
  posta("tEvtPostCtrl02", evento("20"));
  posta("tEvtPost02", evento("20"));
  canal.conectado = false;
  ciclo();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 0);
  EXPECT_EQ(estado.UltimoNumSeqProcessadoCtrl, 0);
  EXPECT_EQ(canal.chamadasComando, 1);  // the third tick still takes a command
  canal.conectado = true;
  estado.EnviandoBuffer = true;
  ciclo();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 0);
  EXPECT_TRUE(canal.posts.empty());
  estado.EnviandoBuffer = false;
  ciclo();
  EXPECT_EQ(canal.posts.size(), 2u);
  (void)l;
}

TEST_F(PollingFixture, ACommandBeforeEverySixthRowAndLifeMarkedPerRow) {
  auto& l = cria();
  for (int i = 0; i < 150; ++i) posta("tEvtPost02", evento(i % 2 ? "20" : "99"));
  std::vector<std::uint32_t> marcas;
  canal.aoEnfileirar = [&](const std::string&) {
    relogio.advance(7);
    marcas.push_back(relogio.tickCount());
  };
  const std::uint32_t inicio = relogio.tickCount();
  l.processEvt();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 100);  // at most 100 rows a pass
  EXPECT_EQ(canal.posts.size(), 50u);              // filtered rows move the position too
  EXPECT_EQ(canal.chamadasComando, 16);            // before rows 6, 12, ... 96
  // the last row handed on was marked only after the clock moved for the one before
  EXPECT_EQ(sinal.ultimo(), inicio + 7 * 49);
  const std::string texto = log();
  std::size_t n = 0;
  const std::string entrada = "[TFPrincipal.processEvt] Processados 6Eventos - vamos processar 1 comando\r\n";
  for (std::size_t p = texto.find(entrada); p != std::string::npos; p = texto.find(entrada, p + 1)) ++n;
  EXPECT_EQ(n, 16u);
  EXPECT_EQ(texto.find("Processados 7"), std::string::npos);

  cfg.Eventos_Por_Leitura = 40;
  l.processEvt();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 140);
  cfg.Eventos_Por_Leitura = 0;  // nonsense reads as the default
  l.processEvt();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 150);
}

TEST_F(PollingFixture, RowsAreTakenInAscendingOrderFromThePosition) {
  auto& l = cria();
  postaEm("tEvtPost02", 30, evento("20") + "#2A,1,c");
  postaEm("tEvtPost02", 10, evento("20") + "#2A,1,a");
  postaEm("tEvtPost02", 20, evento("20") + "#2A,1,b");
  estado.UltimoNumSeqProcessado = 10;
  l.processEvt();
  EXPECT_EQ(canal.posts, (std::vector<std::string>{evento("20") + "#2A,1,b", evento("20") + "#2A,1,c"}));
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 30);
}

TEST_F(PollingFixture, VisibilityAndIntegration) {
  exec("insert into tUsuarioVeiculo (idUsuario, IdTerminal) values (42, 6700)");
  auto& l = cria();
  posta("tEvtPost02", evento("20", "1A2B"));
  posta("tEvtPost02", evento("20", "1A2C"));
  posta("tEvtPost02", evento("20", "FFFF"));  // not a vehicle of the central
  l.processEvt();
  EXPECT_EQ(canal.posts.size(), 2u);
  canal.posts.clear();
  estado.UltimoNumSeqProcessado = 0;
  estado.IdUsuarioLogado = 42;
  l.processEvt();
  EXPECT_EQ(canal.posts, std::vector<std::string>{evento("20", "1A2C")});
  canal.posts.clear();
  estado.UltimoNumSeqProcessado = 0;
  estado.Integracao = true;
  l.processEvt();
  EXPECT_TRUE(canal.posts.empty());
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 3);
}

TEST_F(PollingFixture, APassStopsWhenAHandOnRewoundThePosition) {
  auto& l = cria();
  for (int i = 0; i < 5; ++i) posta("tEvtPost02", evento("20"));
  for (int i = 0; i < 5; ++i) posta("tEvtPostCtrl02", evento("20"));
  // the second hand-on fills the buffer past its limit and the flush fails:
  // the positions go back to what KORVATEL.INI holds
  canal.aoEnfileirar = [&](const std::string&) {
    if (canal.posts.size() == 2) {
      estado.UltimoNumSeqProcessado = ini("ULTIMO_NUM_SEQ_PROCESSADO");
      estado.UltimoNumSeqProcessadoCtrl = ini("ULTIMO_NUM_SEQ_PROCESSADO_CTRL");
    }
  };
  l.processEvt();
  EXPECT_EQ(canal.posts.size(), 2u);
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 0);
  canal.posts.clear();
  l.processEvtCtrl();
  EXPECT_EQ(canal.posts.size(), 2u);
  EXPECT_EQ(estado.UltimoNumSeqProcessadoCtrl, 0);
  EXPECT_NE(log().find("[TFPrincipal.ProcessFromDatabase] Recebido TeleEvento [0x20] para IdTerminal [6699] "
                       "NumSeqCtrl[2] na tEvtPostCtrlxx"),
            std::string::npos);
}

TEST_F(PollingFixture, ControlPassDatabaseFailureEndsTheProcess) {
  auto& l = cria();
  estado.UltimoNumSeqProcessadoCtrl = 7;
  execBase("drop table tEvtPostCtrl02");
  l.ProcessFromDatabase();
  EXPECT_EQ(saida, 1);
  const std::string texto = log();
  const std::size_t p = texto.find(
      "][TFPrincipal.ProcessFromDatabase] Falha no processamento da tabela qrProcessCtrlFromDatabase  NumSeqCtrl[7], "
      "tabela será fechada e processada novamente dentro de 1 segundo ["_cp);
  ASSERT_NE(p, std::string::npos) << texto;
  const std::size_t inicio = texto.rfind("\r\n\r\n", p);
  EXPECT_EQ(texto.compare(inicio == std::string::npos ? 0 : inicio + 4, 7, "[ERRO]["), 0);
  EXPECT_EQ(historico.size(), 0u);  // not shown
  // the event pass lets its errors through to the application's handler
  execBase("drop table tEvtPost02");
  saida.reset();
  EXPECT_THROW(l.ProcessFromDatabase(), db::DbError);
  EXPECT_FALSE(saida);
}

TEST_F(PollingFixture, MonitorCorrectsPositionsAndCountsTheWaiting) {
  auto& l = cria();
  for (int i = 0; i < 7; ++i) posta("tEvtPost02", evento("20"));
  struct Caso {
    std::int32_t posicao, esperada;
    std::uint32_t aguardando;
  };
  // a position past the newest row goes to newest - 1; a stored negative one
  // (held as 2147483647) too
  for (const Caso c : {Caso{2, 2, 5}, Caso{7, 7, 0}, Caso{50, 6, 0}, Caso{2147483647, 6, 0}, Caso{-5, 6, 0}}) {
    estado.UltimoNumSeqProcessado = c.posicao;
    l.tmrMonitorAcumuloTimer();
    EXPECT_EQ(estado.UltimoNumSeqProcessado, c.esperada) << c.posicao;
    EXPECT_EQ(l.NumEvtAguardando(), c.aguardando) << c.posicao;
    EXPECT_EQ(status.lbNumEvtAguardando, std::to_string(c.aguardando)) << c.posicao;
    if (c.esperada != c.posicao) {
      EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO"), c.esperada);
    }
  }
  // an emptied table: 0, so that every row written after is read
  execBase("delete from tEvtPost02");
  posta("tEvtPostCtrl02", evento("81"));
  estado.UltimoNumSeqProcessado = 6;
  estado.UltimoNumSeqProcessadoCtrl = 3;
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 0);
  EXPECT_EQ(estado.UltimoNumSeqProcessadoCtrl, 0);
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO"), 0);
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO_CTRL"), 0);
  l.tmrMonitorAcumuloTimer();  // no client read meanwhile: nothing skipped
  for (int i = 0; i < 3; ++i) posta("tEvtPost02", evento("20"));
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 0);
  EXPECT_EQ(l.NumEvtAguardando(), 3u);
  l.processEvt();
  EXPECT_EQ(canal.posts.size(), 3u);
}

TEST_F(PollingFixture, BacklogAlertRecursAfterItsInterval) {
  cfg.Alarme_Tamanho_Buffer_Disco = 3;
  cfg.Tempo_Recorrencia_Alarme = 10;
  auto& l = cria();
  for (int i = 0; i < 4; ++i) posta("tEvtPost02", evento("20"));
  const auto alertas = [&] { return conta(*dbZenthora, "select count(*) from tAlertaGenerico"); };
  relogio.setTick(600000);  // not more than 10 minutes after tick 0
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(alertas(), 0);
  relogio.setTick(600001);
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(alertas(), 1);
  db::Statement a(*dbZenthora, std::string("select IdTerminal, FusoHorario, IdOcorrencia from tAlertaGenerico"));
  a.open();
  EXPECT_EQ(a.field("IdTerminal").asInt(), 0);
  EXPECT_DOUBLE_EQ(a.field("FusoHorario").asFloat(), 0.125);
  EXPECT_EQ(a.field("IdOcorrencia").asInt(), 123);
  EXPECT_EQ(l.TickUltimoAlarme(), 600001u);
  relogio.advance(600000);
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(alertas(), 1);
  relogio.advance(1);
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(alertas(), 2);
  estado.UltimoNumSeqProcessado = 1;  // 3 waiting: not more than the threshold
  relogio.advance(700000);
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(alertas(), 2);
}

TEST_F(PollingFixture, PauseRequestNeedsASmallBacklogAndWaitsForTheAnswer) {
  auto& l = cria();
  postaEm("tEvtPost02", 12700, evento("20"));
  estado.UltimoNumSeqProcessado = 12000;  // 700 waiting, more than MAX_EVT_ACUMULADOS
  l.tmrMonitorAcumuloTimer();
  EXPECT_TRUE(comandosPost().empty());
  estado.UltimoNumSeqProcessado = 12200;  // 500 waiting
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(comandosPost(), std::vector<std::string>{"D0"});
  EXPECT_TRUE(l.PausaSolicitada());
  EXPECT_EQ(l.TickUltimaPausa(), 100000u);
  ASSERT_GE(historico.size(), 2u);
  EXPECT_NE(historico.at(1).find("Eventos processados = 12200 > 10000."), std::string::npos);
  EXPECT_NE(historico.at(0).find("Solicitando para que a Quillon pare o processamento!"), std::string::npos);
  EXPECT_NE(log().find("[TFPrincipal.tmrMonitorAcumuloTimer] Eventos processados = 12200 > 10000."),
            std::string::npos);

  relogio.advance(120000);
  l.tmrMonitorAcumuloTimer();  // still waiting for the answer
  EXPECT_EQ(comandosPost().size(), 1u);

  // the answer comes; nothing is unread in either table but the control one
  postaEm("tEvtPost02", 12701, evento("D2"));
  posta("tEvtPostCtrl02", evento("81"));
  l.processEvt();
  EXPECT_FALSE(l.PausaSolicitada());
  EXPECT_EQ(comandosPost(), (std::vector<std::string>{"D0", "D1"}));
  relogio.advance(30000);
  l.tmrMonitorAcumuloTimer();  // answered, and 150 s after the last request
  EXPECT_EQ(comandosPost(), (std::vector<std::string>{"D0", "D1", "D0"}));
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(comandosPost().size(), 3u);
}

TEST_F(PollingFixture, PauseRequestsAreAtLeastAMinuteApart) {
  auto& l = cria();
  postaEm("tEvtPost02", 10100, evento("20"));
  estado.UltimoNumSeqProcessado = 10050;
  relogio.setTick(60000);
  l.tmrMonitorAcumuloTimer();  // exactly a minute after tick 0: not yet
  EXPECT_TRUE(comandosPost().empty());
  relogio.setTick(60001);
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(comandosPost().size(), 1u);
  postaEm("tEvtPost02", 10101, evento("D2"));
  posta("tEvtPostCtrl02", evento("20"));  // unread: no truncation
  l.processEvt();
  relogio.advance(59999);
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(comandosPost(), (std::vector<std::string>{"D0", "D1"}));
  relogio.advance(1);
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(comandosPost(), (std::vector<std::string>{"D0", "D1"}));
  relogio.advance(1);
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(comandosPost(), (std::vector<std::string>{"D0", "D1", "D0"}));
}

TEST_F(PollingFixture, D2WithUnreadRowsKeepsTheTablesAndResumes) {
  cfg.NOME_MR = "ModCom02";
  auto& l = cria();
  posta("tEvtPost02", evento("20"));
  pedePausa(l);
  historico.clear();
  posta("tEvtPost02", evento("D2"));
  posta("tEvtPost02", evento("20"));
  cfg.Eventos_Por_Leitura = 2;  // the last row stays unread
  l.processEvt();
  EXPECT_EQ(conta(*dbBase, "select count(*) from tEvtPost02"), 3);
  EXPECT_EQ(comandosPost(), (std::vector<std::string>{"D0", "D1"}));
  const std::string texto = log();
  EXPECT_NE(texto.find("[INFO]"), std::string::npos);
  EXPECT_NE(texto.find("][TFPrincipal.ProcessFromDatabase] Limpeza do tEvtPost02 e tEvtPostCtrl02 não realizada \r\n"_cp),
            std::string::npos);
  EXPECT_NE(texto.find("][TFPrincipal.ProcessFromDatabase] Ainda existem [1] acumulados após o recebimento do Evento "
                       "de PARAR PROCESSAMENTO da Quillon\r\n"_cp),
            std::string::npos);
  ASSERT_EQ(historico.size(), 1u);  // only the error is shown
  EXPECT_NE(historico.at(0).find("Ainda existem [1]"), std::string::npos);
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 2);
}

TEST_F(PollingFixture, TruncationWaitsUntilTheEventsReadAreDelivered) {
  auto& l = cria();
  posta("tEvtPostCtrl02", evento("20"));
  posta("tEvtPost02", evento("20"));
  pedePausa(l);
  posta("tEvtPost02", evento("D2"));
  l.processEvtCtrl();
  canal.aoEnfileirar = [&](const std::string&) { ++estado.EvtNoBuffer; };
  l.processEvt();
  // read but still in the outbound buffer: not yet
  EXPECT_TRUE(l.TruncamentoPendente());
  EXPECT_EQ(conta(*dbBase, "select count(*) from tEvtPost02"), 2);
  EXPECT_EQ(comandosPost(), std::vector<std::string>{"D0"});
  EXPECT_EQ(l.VezProcessamento(), 0);
  l.ProcessFromDatabase();  // the flush has not run yet
  EXPECT_TRUE(l.TruncamentoPendente());

  // delivered: the flush committed the positions and emptied the buffer
  estado.EvtNoBuffer = 0;
  ini::IniFile(files.ini).writeInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", 2);
  l.ProcessFromDatabase();
  EXPECT_FALSE(l.TruncamentoPendente());
  EXPECT_EQ(conta(*dbBase, "select count(*) from tEvtPost02"), 0);
  EXPECT_EQ(conta(*dbBase, "select count(*) from tEvtPostCtrl02"), 0);
  EXPECT_EQ(comandosPost(), (std::vector<std::string>{"D0", "D1"}));
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 0);
  EXPECT_EQ(estado.UltimoNumSeqProcessadoCtrl, 0);
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO"), 0);
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO_CTRL"), 0);
  ASSERT_GE(historico.size(), 1u);
  EXPECT_NE(historico.at(0).find("Truncando a tabela de Teleeventos. Foram removidos [2] Eventos."),
            std::string::npos);
}

TEST_F(PollingFixture, AFailedDeliveryCancelsTheWaitingTruncation) {
  auto& l = cria();
  posta("tEvtPost02", evento("20"));
  pedePausa(l);
  posta("tEvtPost02", evento("D2"));
  canal.aoEnfileirar = [&](const std::string&) { ++estado.EvtNoBuffer; };
  l.processEvt();
  ASSERT_TRUE(l.TruncamentoPendente());
  // the flush failed: buffer discarded, positions back to KORVATEL.INI
  estado.EvtNoBuffer = 0;
  estado.UltimoNumSeqProcessado = 0;
  l.ProcessFromDatabase();
  EXPECT_FALSE(l.TruncamentoPendente());
  EXPECT_EQ(conta(*dbBase, "select count(*) from tEvtPost02"), 2);
  EXPECT_EQ(comandosPost(), (std::vector<std::string>{"D0", "D1"}));
  EXPECT_NE(log().find("Ainda existem [2]"), std::string::npos);
}

TEST_F(PollingFixture, AWaitingTruncationGivesUpAfterFiveMinutes) {
  auto& l = cria();
  posta("tEvtPost02", evento("20"));
  pedePausa(l);
  posta("tEvtPost02", evento("D2"));
  canal.aoEnfileirar = [&](const std::string&) { ++estado.EvtNoBuffer; };
  l.processEvt();
  relogio.advance(events::tLeituraEventos::kEsperaEntregaMaxMs - 1);
  l.ProcessFromDatabase();
  EXPECT_TRUE(l.TruncamentoPendente());
  // no new pause request meanwhile
  estado.UltimoNumSeqProcessado = 20000;
  l.tmrMonitorAcumuloTimer();
  EXPECT_EQ(comandosPost(), std::vector<std::string>{"D0"});
  estado.UltimoNumSeqProcessado = 2;
  relogio.advance(1);
  l.ProcessFromDatabase();
  EXPECT_FALSE(l.TruncamentoPendente());
  EXPECT_EQ(conta(*dbBase, "select count(*) from tEvtPost02"), 2);
  EXPECT_EQ(comandosPost(), (std::vector<std::string>{"D0", "D1"}));
  EXPECT_NE(log().find("Truncamento cancelado: o buffer de envio não foi entregue em 300 segundos"_cp),
            std::string::npos);
}

}  // namespace
