#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "central/central.h"
#include "central/quillon/quillon_sim.h"
#include "platform/clock/clock.h"
#include "platform/crypto/md5.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/text/cp1252.h"
#include "platform/text/regional.h"
#include "server/canal_eventos_link.h"
#include "server/common/lista_veiculo.h"
#include "server/events/event_polling.h"
#include "server/events/post_format.h"
#include "server/events/post_xml.h"
#include "server/link/client_link.h"
#include "server/link/command_queue.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/runtime/status_model.h"
#include "server/runtime/watchdog.h"
#include "server/telecmd/permissao_central.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/tele_cmd.h"
#include "tests/support/temp_dir.h"

#include "tests/support/cliente_qt.h"

#include "tests/server/events/central_eventos.h"

using namespace kvt;
using namespace kvt::text::literals;

namespace {

bool esperaAte(const std::function<bool()>& pred, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void giraLoop(int ms = 30) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

using Cliente = test::ClienteQt;

std::string documento(const std::string& corpo) { return "<?xml version=\"1.0\" ?>  <TeleEvento> " + corpo + " </TeleEvento>"; }

const std::string kLogin =
    "<telecomando><CodMsg>-27</CodMsg><LoginOperador>maria</LoginOperador><Senha>segredo</Senha></telecomando>";

// The event road as the server wires it: the embedded central, the client
// link on a real socket, the command queue and the telecommand processor
// behind it, the renderer, the visibility list and the passes. Timers are
// driven by calling their handlers; the clock is manual.
struct Pipeline : ::testing::Test {
  bool demo = false;
  test::TempDir dir;
  clk::ManualClock relogio{100000, {2024, 6, 11, 10, 20, 30, 0}};
  clk::ScopedClock escopo{relogio};
  central::CentralFiles files;
  std::unique_ptr<db::Connection> dbZenthora, dbBase;
  runtime::tConfiguracao cfg;
  runtime::EstadoServidor estado;
  runtime::StatusModel status;
  runtime::SinalDeVida sinal;
  std::unique_ptr<runtime::LogFiles> logs;
  std::vector<std::string> excecoes;
  std::optional<int> saida;

  std::unique_ptr<events::tRenderizadorPost> renderizador;
  std::unique_ptr<link::LinkClientes> link;
  std::unique_ptr<telecmd::RespostaStatusErro> respostas;
  std::unique_ptr<telecmd::tPermissaoCentral> permissao;
  std::unique_ptr<telecmd::tTeleCmd> teleCmd;
  std::unique_ptr<link::FilaComandos> fila;
  std::unique_ptr<common::tListaVeiculo> lista;

  // The seam of the passes, implemented by the link and the queue.
  std::unique_ptr<server::CanalEventosDoLink> canal;
  std::unique_ptr<events::tLeituraEventos> leitura;

  void SetUp() override {
    text::setRegional({});
    central::CentralOptions opcoes;
    opcoes.demo = demo;
    opcoes.port = 0;
    files = central::createCentral(dir.file("central"), opcoes);
    ini::IniFile ini(files.ini);
    runtime::LeChavesLog(ini, cfg);
    runtime::LeChavesKorvatel(ini, cfg);
    runtime::LeChavesControle(ini, cfg);
    cfg.TELEEVT = ",32,";
    cfg.SolicitaLogin = true;
    cfg.ListaTeleCmdPermitidos = "-27,-29,-30,-31,-32";
    dbZenthora = db::Connection::open(files.urlZenthora);
    dbBase = db::Connection::open(files.urlBase);
    exec("insert or replace into tToken (IdToken, NomeToken, TipoToken) values (5, 'CodMsg', '1'), "
         "(6, 'DataHoraEm', '1'), (33, 'IdTerminal', '1'), (38, 'Texto', '1'), (39, 'IdStatus', '1'), "
         "(40, 'StsEnvio', '1'), (42, 'Velocidade', '1'), (164, 'CallProgress', '1'), (176, 'IP', '1'), "
         "(177, 'Porta', '1'), (227, 'OperadoraCelular', '1')");
    db::Statement usuario(*dbZenthora, std::string("insert into tUsuario (Login, Nome, Senha, Status, HabKVT) "
                                                   "values ('MARIA', 'Maria', :Senha, 1, 1)"));
    usuario.bindBinary("Senha", crypto::md5("SEGREDO")).execute();
    exec("insert or ignore into tVeiculo (IdTerminal) values (6699), (6700)");
    exec("insert into tUsuarioVeiculo (idUsuario, IdTerminal) "
         "select idUsuario, 6699 from tUsuario where Login = 'MARIA'");
  }
  void TearDown() override {
    leitura.reset();
    link.reset();
    QCoreApplication::processEvents();
  }

  void cria() {
    logs = std::make_unique<runtime::LogFiles>(cfg.log, files.ini, status.lberro, dir.path().string());
    renderizador = std::make_unique<events::tRenderizadorPost>(dbZenthora.get(), events::registroInformativo(*logs));
    renderizador->CarregaTokens();
    link::OpcoesLink op;
    op.iniPath = files.ini;
    op.pastaBuffer = dir.path().string();
    op.guarda = [this](const std::function<void()>& f) {
      try {
        f();
      } catch (const std::exception& e) {
        excecoes.push_back(e.what());
      }
    };
    op.insereComando = [this](const std::string& d, const std::string& ip, std::int32_t porta) {
      fila->InsereComandoBanco(d, ip, porta);
    };
    op.post2xml = [this](const std::string& post) { return renderizador->Post2XML(post); };
    link = std::make_unique<link::LinkClientes>(cfg, estado, *logs, op);
    respostas = std::make_unique<telecmd::RespostaStatusErro>(*link, *logs);
    permissao = std::make_unique<telecmd::tPermissaoCentral>(*dbZenthora, *respostas);
    teleCmd = std::make_unique<telecmd::tTeleCmd>(
        telecmd::tTeleCmd::Dependencias{*link, cfg, estado, status, *logs, *dbZenthora, *respostas, *permissao});
    fila = std::make_unique<link::FilaComandos>(
        *dbZenthora, estado, *logs, link->Clientes(),
        [this](const std::string& d, const std::string& ip, std::int32_t porta) { teleCmd->ExecutaTeleCmd(d, ip, porta); });
    canal = std::make_unique<server::CanalEventosDoLink>(*link, *fila);
    lista = std::make_unique<common::tListaVeiculo>(*dbZenthora);
    leitura = std::make_unique<events::tLeituraEventos>(events::DependenciasLeitura{
        cfg, estado, *logs, sinal, files.ini, *dbBase, *dbZenthora, *lista, *canal, [this](int c) { saida = c; }});
    ASSERT_TRUE(link->Ativa(QHostAddress::LocalHost, 0));
  }

  std::unique_ptr<Cliente> conecta() {
    auto c = std::make_unique<Cliente>();
    const int antes = link->NumConexoes();
    c->conecta(link->PortaEscuta());
    EXPECT_TRUE(esperaAte([&] { return link->NumConexoes() == antes + 1 && c->socket.state() == QAbstractSocket::ConnectedState; }));
    return c;
  }
  int fila_() { return conta(*dbZenthora, "select count(*) from tFilaComandoKVT"); }
  // Logs the client in through the socket, the queue and the processor, and
  // lets the flush deliver the reply; returns what the client received.
  std::string login(Cliente& c) {
    c.envia(kLogin);
    EXPECT_TRUE(esperaAte([&] { return fila_() == 1; }));
    while (fila_() > 0) leitura->ProcessFromDatabase();
    flush();
    EXPECT_TRUE(esperaAte([&] { return c.recebido.find("<CodMsg> -58 </CodMsg>") != std::string::npos; }));
    giraLoop();
    std::string r = std::move(c.recebido);
    c.recebido.clear();
    return r;
  }
  void ciclo() {
    for (int i = 0; i < 3; ++i) leitura->ProcessFromDatabase();
  }
  link::ResultadoEnvio flush() {
    const auto r = link->Esvazia_Buffer_Envio();
    EXPECT_TRUE(esperaAte([&] { return !estado.EnviandoBuffer; }));
    return r;
  }
  bool recebe(Cliente& c, const std::string& esperado) {
    const bool ok = esperaAte([&] { return c.recebido.size() >= esperado.size(); });
    giraLoop();
    return ok && c.recebido == esperado;
  }

  void exec(const std::string& sql) { db::Statement(*dbZenthora, sql).execute(); }
  void posta(const char* tabela, const std::string& post) { test::postaEvento(*dbBase, tabela, post); }
  int conta(db::Connection& c, const std::string& sql) { return test::contaLinhas(c, sql); }
  std::vector<std::string> comandosPost() { return test::codigosComandoPost(*dbZenthora); }
  std::int32_t ini(const char* chave) { return ini::IniFile(files.ini).readInteger("CONTROLE", chave, -99); }
  std::string log() { return test::readFile(dir.file("KORVATEL01.log")); }
};

TEST_F(Pipeline, EventsReachALoggedInClientByteForByteAndCommitAfterTheFlush) {
  cria();
  auto cliente = conecta();
  const std::string resposta = login(*cliente);
  EXPECT_NE(resposta.find("<StsLogin> 0 </StsLogin>"), std::string::npos) << resposta;

  posta("tEvtPost02", "#5,2,20#6,19,11/06/2024 10:20:30#21,4,1A2B#2A,2,80");
  posta("tEvtPost02", "#5,2,21#21,4,1A2B#2A,2,81");    // code 33 is not in TELEEVT
  posta("tEvtPost02", "#5,2,20#21,4,1A2C#2A,2,82");    // not one of Maria's vehicles
  posta("tEvtPost02", "#5,2,20#21,4,1A2B#26,6,Oi^\x01" "1&");
  ciclo();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 4);
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO"), 0);  // nothing delivered yet
  giraLoop();
  EXPECT_TRUE(cliente->recebido.empty());

  EXPECT_EQ(flush(), link::ResultadoEnvio::Entregue);
  EXPECT_TRUE(recebe(*cliente,
                     documento(" <CodMsg> 20 </CodMsg>  <DataHoraEm> 11/06/2024 10:20:30 </DataHoraEm> "
                               " <IdTerminal> 1A2B </IdTerminal>  <Velocidade> 80 </Velocidade> ") +
                         documento(" <CodMsg> 20 </CodMsg>  <IdTerminal> 1A2B </IdTerminal>  <Texto> Oi #1&amp; </Texto> ")))
      << cliente->recebido;
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO"), 4);
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO_CTRL"), 0);
  EXPECT_TRUE(excecoes.empty());
}

TEST_F(Pipeline, AFailedFlushRewindsAndTheSameEventsArriveAgain) {
  cria();
  auto a = conecta();
  login(*a);
  auto naoLogado = conecta();
  posta("tEvtPost02", "#5,2,20#21,4,1A2B#2A,2,61");
  posta("tEvtPost02", "#5,2,20#21,4,1A2B#2A,2,62");
  ciclo();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 2);
  a->socket.abort();
  ASSERT_TRUE(esperaAte([&] { return link->NumConexoes() == 1; }));

  EXPECT_EQ(flush(), link::ResultadoEnvio::Falhou);  // only a client that may not receive
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 0);
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO"), 0);

  auto de_novo = conecta();
  const std::string recebido = login(*de_novo);
  const std::string eventos = documento(renderizador->Post2XML("#5,2,20#21,4,1A2B#2A,2,61")) +
                              documento(renderizador->Post2XML("#5,2,20#21,4,1A2B#2A,2,62"));
  EXPECT_EQ(recebido.substr(0, eventos.size()), eventos) << recebido;  // read again before the log-in took effect
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO"), 2);
  EXPECT_TRUE(naoLogado->recebido.empty());
}

TEST_F(Pipeline, NoReadingWithoutAClientWhileQueuedCommandsStillRun) {
  cria();
  posta("tEvtPost02", "#5,2,20#21,4,1A2B");
  posta("tEvtPostCtrl02", "#5,2,20#21,4,1A2B");
  fila->InsereComandoBanco(kLogin, "127.0.0.1", 5555);  // its sender has gone
  ciclo();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 0);
  EXPECT_EQ(estado.UltimoNumSeqProcessadoCtrl, 0);
  EXPECT_EQ(fila_(), 0);
  leitura->tmrMonitorAcumuloTimer();
  EXPECT_EQ(leitura->NumEvtAguardando(), 1u);
  EXPECT_EQ(sinal.ultimo(), 100000u);
}

TEST_F(Pipeline, IntegrationMovesPositionsWithoutPassingEventsOn) {
  cria();
  auto cliente = conecta();
  login(*cliente);
  estado.Integracao = true;
  exec("insert into tTelecomando (IdSeqMsg, IdTerminal, CodMsg, StatusEnvio) values (77, 6699, 92, 16)");
  posta("tEvtPost02", "#5,2,20#21,4,1A2B#2A,2,80");
  posta("tEvtPostCtrl02", "#5,2,20#21,4,1A2B");
  posta("tEvtPostCtrl02", "#5,2,8C#21,4,1A2B#27,2,77#A4,1,1");
  ciclo();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 1);
  EXPECT_EQ(estado.UltimoNumSeqProcessadoCtrl, 2);
  EXPECT_EQ(conta(*dbZenthora, "select Tentativas from tTelecomando where IdSeqMsg = 77"), 1);
  flush();
  giraLoop(60);
  EXPECT_TRUE(cliente->recebido.empty());
}

TEST_F(Pipeline, StatusOfAStandAloneCommandIsPassedOnAndOneOfAnOperationItemIsNot) {
  cria();
  auto cliente = conecta();
  login(*cliente);
  exec("insert into tTelecomando (IdSequencia, IdSeqMsg, IdTerminal, CodMsg, StatusEnvio) values "
       "(1, 500, 6699, 92, 16), (2, 600, 6699, 92, 16)");
  exec("insert into tTransItensOperacao (IdTransOperacao, IdSequencia) values (9, 2)");
  const std::string avulso = "#5,2,81#21,4,1A2B#27,3,500#28,1,0#A4,1,2#B0,9,10.1.2.3#B1,4,4001#E3,1,5";
  const std::string item = "#5,2,81#21,4,1A2B#27,3,600#28,1,0#A4,1,2";
  posta("tEvtPostCtrl02", avulso);
  posta("tEvtPostCtrl02", item);
  ciclo();
  flush();
  EXPECT_TRUE(recebe(*cliente, documento(" <CodMsg> 81 </CodMsg>  <IdTerminal> 1A2B </IdTerminal> "
                                         " <IdStatus> 500 </IdStatus>  <StsEnvio> 0 </StsEnvio> "
                                         " <CallProgress> 2 </CallProgress>  <IP> 10.1.2.3 </IP> "
                                         " <Porta> 4001 </Porta>  <OperadoraCelular> 5 </OperadoraCelular> ")))
      << cliente->recebido;
  db::Statement st(*dbZenthora, std::string("select StatusEnvio, IP, Port, Operadora, CallProgress from tTelecomando "
                                            "order by IdSequencia"));
  st.open();
  EXPECT_EQ(st.field("StatusEnvio").asInt(), 0);
  EXPECT_EQ(st.field("IP").asString(), "10.1.2.3");
  EXPECT_EQ(st.field("Port").asInt(), 4001);
  EXPECT_EQ(st.field("Operadora").asInt(), 5);
  st.next();
  EXPECT_EQ(st.field("StatusEnvio").asInt(), 0);  // updated, not passed on
  EXPECT_EQ(st.field("Operadora").asInt(), 255);
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO_CTRL"), 2);

  // with 129 in TELEEVT the filter passes the status on as well
  cliente->recebido.clear();
  cfg.TELEEVT = ",32,129,";
  exec("update tTelecomando set StatusEnvio = 16");
  posta("tEvtPostCtrl02", avulso);
  ciclo();
  flush();
  const std::string uma = documento(renderizador->Post2XML(avulso));
  EXPECT_TRUE(recebe(*cliente, uma + uma));
  EXPECT_NE(log().find("Recebido TeleEvento [0x81] para IdTerminal [6699] NumSeqCtrl[3] na tEvtPostCtrlxx"),
            std::string::npos);
}

TEST_F(Pipeline, APassStopsWhenTheFlushInsideAHandOnFails) {
  cfg.Tamanho_Buffer = 200;  // the second event does not fit
  cria();
  auto naoLogado = conecta();
  for (int i = 0; i < 5; ++i) posta("tEvtPost02", "#5,2,20#21,4,1A2B#2A,2,80");
  leitura->ProcessFromDatabase();
  leitura->ProcessFromDatabase();
  // the flush found nobody to serve and rewound; the pass did not carry on
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 0);
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO"), 0);
}

TEST_F(Pipeline, D2WithUnreadRowsDoesNotTruncateAndStillSendsD1) {
  cria();
  auto cliente = conecta();
  login(*cliente);
  posta("tEvtPost02", "#5,2,20#21,4,1A2B");
  cfg.MAX_EVT_PROCESSADOS = -1;
  leitura->tmrMonitorAcumuloTimer();  // the pause request
  posta("tEvtPost02", "#5,2,D2#2,8,ModCom02#3,7,Quillon");
  leitura->ProcessFromDatabase();             // control pass: nothing
  posta("tEvtPostCtrl02", "#5,2,20#21,4,1A2B");  // arrives before the event pass
  leitura->ProcessFromDatabase();
  EXPECT_EQ(conta(*dbBase, "select count(*) from tEvtPost02"), 2);
  EXPECT_EQ(conta(*dbBase, "select count(*) from tEvtPostCtrl02"), 1);
  EXPECT_EQ(comandosPost(), (std::vector<std::string>{"D0", "D1"}));
  EXPECT_NE(log().find("Limpeza do tEvtPost02 e tEvtPostCtrl02 não realizada "_cp), std::string::npos);
  EXPECT_NE(log().find("[ERRO]"), std::string::npos);
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 2);
}

// The pause handshake against the Quillon stand-in on a demo central.
struct PipelineQuillon : Pipeline {
  PipelineQuillon() { demo = true; }
};

TEST_F(PipelineQuillon, PauseHandshakeTruncatesBothTablesAndRestartsAtZero) {
  cfg.MAX_EVT_PROCESSADOS = 10;
  cfg.TELEEVT = "";  // nothing passes on: only positions move
  cria();
  auto cliente = conecta();
  login(*cliente);
  quillon::SimOptions opcoes;
  opcoes.vehicles = 4;
  quillon::QuillonSim sim(*dbZenthora, *dbBase, opcoes);
  sim.serveCommandPosts();
  ASSERT_EQ(sim.appendEvents(30), 30);
  posta("tEvtPostCtrl02", "#5,2,20#21,4,1A2B");
  ciclo();
  ASSERT_EQ(estado.UltimoNumSeqProcessado, 30);

  leitura->tmrMonitorAcumuloTimer();
  EXPECT_TRUE(leitura->PausaSolicitada());
  EXPECT_EQ(comandosPost(), std::vector<std::string>{"D0"});
  sim.serveCommandPosts();
  ASSERT_TRUE(sim.paused());
  EXPECT_EQ(sim.appendEvents(5), 0);

  ciclo();  // reads D2
  EXPECT_FALSE(leitura->PausaSolicitada());
  EXPECT_EQ(conta(*dbBase, "select count(*) from tEvtPost02"), 0);
  EXPECT_EQ(conta(*dbBase, "select count(*) from tEvtPostCtrl02"), 0);
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 0);
  EXPECT_EQ(estado.UltimoNumSeqProcessadoCtrl, 0);
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO"), 0);
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO_CTRL"), 0);
  EXPECT_EQ(comandosPost(), (std::vector<std::string>{"D0", "D1"}));
  EXPECT_NE(log().find("Truncando a tabela de Teleeventos. Foram removidos [31] Eventos."), std::string::npos);

  sim.serveCommandPosts();
  EXPECT_FALSE(sim.paused());
  ASSERT_EQ(sim.appendEvents(3), 3);
  ciclo();
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 3);  // counting from 1 again
}

TEST_F(PipelineQuillon, EventsReadWithTheAnswerAreDeliveredBeforeTheTablesAreEmptied) {
  cfg.MAX_EVT_PROCESSADOS = 10;
  cfg.TELEEVT = ",32,";
  cria();
  auto cliente = conecta();
  login(*cliente);
  quillon::SimOptions opcoes;
  opcoes.vehicles = 4;
  quillon::QuillonSim sim(*dbZenthora, *dbBase, opcoes);
  sim.serveCommandPosts();
  sim.appendEvents(12);  // vehicles Maria does not see
  ciclo();
  ASSERT_EQ(estado.UltimoNumSeqProcessado, 12);

  leitura->tmrMonitorAcumuloTimer();
  posta("tEvtPost02", "#5,2,20#21,4,1A2B#2A,2,99");  // written just before the base stopped
  sim.serveCommandPosts();
  ciclo();  // the event and D2 in one pass
  EXPECT_TRUE(leitura->TruncamentoPendente());
  EXPECT_EQ(conta(*dbBase, "select count(*) from tEvtPost02"), 14);
  EXPECT_EQ(comandosPost(), std::vector<std::string>{"D0"});

  flush();
  EXPECT_TRUE(recebe(*cliente, documento(renderizador->Post2XML("#5,2,20#21,4,1A2B#2A,2,99"))));
  leitura->ProcessFromDatabase();
  EXPECT_FALSE(leitura->TruncamentoPendente());
  EXPECT_EQ(conta(*dbBase, "select count(*) from tEvtPost02"), 0);
  EXPECT_EQ(comandosPost(), (std::vector<std::string>{"D0", "D1"}));
  EXPECT_EQ(ini("ULTIMO_NUM_SEQ_PROCESSADO"), 0);
}

}  // namespace
