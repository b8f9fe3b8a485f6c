#include <gtest/gtest.h>

#include "tests/server/events/pipeline_fixture.h"

using namespace kvt;
using namespace kvt::text::literals;
using namespace kvt::test;

namespace {

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
