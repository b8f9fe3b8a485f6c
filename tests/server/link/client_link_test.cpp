#include <gtest/gtest.h>

#include <QSignalSpy>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/text/cp1252.h"
#include "tests/server/link/link_env.h"

using namespace kvt;
using namespace kvt::test;
using namespace kvt::text::literals;
using link::ResultadoEnvio;

namespace {

struct LinkTest : ::testing::Test, LinkEnv {};

std::string doc(const std::string& corpo) { return "<telecomando>" + corpo + "</telecomando>"; }

}  // namespace

// ----------------------------------------------------------------- sessions

TEST_F(LinkTest, ConnectDisconnectTableTreeAndLog) {
  cfg.SolicitaLogin = true;
  cria();
  EXPECT_EQ(link->Modelo().stStatusServer.texto, "Ativo desde 06/05/2024 07:08:09");
  EXPECT_EQ(link->Modelo().stStatusServer.fundo, runtime::StatusModel::Cor::Verde);
  EXPECT_TRUE(logTem("[TFPrincipal.SSocketListen] O servidor TCP do Korvatel está ativo"_cp));

  auto a = conectaQt();
  auto b = conectaQt();  // same address, another port: another record
  ASSERT_EQ(link->NumClientes(), 2);
  const std::string pa = std::to_string(a->portaLocal()), pb = std::to_string(b->portaLocal());
  EXPECT_TRUE(logTem("[TFPrincipal.SSocketClientConnect] Cliente IP 127.0.0.1 Porta " + pa + " conectado"));
  const std::vector<link::NoArvoreCliente> arvore = {
      {"[127.0.0.1:" + pa + "] Tentativas:0", {"Operador :Desconhecido", "Comunnic :Nao"}},
      {"[127.0.0.1:" + pb + "] Tentativas:0", {"Operador :Desconhecido", "Comunnic :Nao"}}};
  EXPECT_EQ(link->Modelo().ClientesTreeView, arvore);

  link->RegistraLogin("127.0.0.1", b->portaLocal(), 7, "joana");
  EXPECT_EQ(link->Modelo().ClientesTreeView[1].filhos, (std::vector<std::string>{"Operador :joana", "Comunnic :Sim"}));
  auto achado = link->LocalizaCliente("127.0.0.1", b->portaLocal());
  EXPECT_TRUE(achado.encontrado);
  EXPECT_EQ(achado.IdUsuario, 7);
  EXPECT_FALSE(link->LocalizaCliente("127.0.0.1", 1).encontrado);
  EXPECT_EQ(link->LocalizaCliente("127.0.0.1", 1).Comunica, "Nao");

  estado.IdUsuarioLogado = 7;
  a->socket.disconnectFromHost();
  ASSERT_TRUE(esperaAte([&] { return link->NumClientes() == 1; }));
  EXPECT_EQ(link->Clientes()[1].Porta, b->portaLocal());  // the right one left
  EXPECT_EQ(estado.IdUsuarioLogado, 7);
  EXPECT_TRUE(logTem("[TFPrincipal.SSocketClientDisconnect] Cliente [127.0.0.1:" + pa + "] desconectado com sucesso"));
  b->socket.abort();
  ASSERT_TRUE(esperaAte([&] { return link->NumClientes() == 0; }));
  EXPECT_EQ(estado.IdUsuarioLogado, -1);
  EXPECT_TRUE(link->Modelo().ClientesTreeView.empty());
  EXPECT_TRUE(excecoes.empty());
}

TEST_F(LinkTest, EleventhConnectionIsRefusedAndClosed) {
  cria();
  std::vector<std::unique_ptr<ClienteQt>> clientes;
  for (int i = 0; i < 10; ++i) clientes.push_back(conectaQt());
  ASSERT_EQ(link->NumClientes(), 10);
  ClienteQt decimoPrimeiro;
  decimoPrimeiro.conecta(porta());
  ASSERT_TRUE(esperaAte([&] { return decimoPrimeiro.socket.state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_EQ(link->NumClientes(), 10);
  EXPECT_EQ(link->NumConexoes(), 10);
  EXPECT_TRUE(logTem("recusado: limite de 10 clientes conectados atingido"));
  // a place freed is a place taken again
  clientes[3]->socket.abort();
  ASSERT_TRUE(esperaAte([&] { return link->NumClientes() == 9; }));
  auto outro = conectaQt();
  EXPECT_EQ(link->NumClientes(), 10);
  EXPECT_EQ(outro->socket.state(), QAbstractSocket::ConnectedState);
}

// ------------------------------------------------------------------ framing

TEST_F(LinkTest, DocumentsAreCutAndHandedOnWithTheirConnection) {
  cria();
  auto a = conectaQt();
  const std::int32_t pa = a->portaLocal();
  // two documents in one write, in order, with the same address and port
  a->envia(doc("<codmsg>1</codmsg>") + "\r\n" + doc("<codmsg>2</codmsg>"));
  ASSERT_TRUE(esperaAte([&] { return documentos.size() == 2; }));
  EXPECT_EQ(documentos[0], (DocumentoRecebido{doc("<codmsg>1</codmsg>"), "127.0.0.1", pa}));
  EXPECT_EQ(documentos[1], (DocumentoRecebido{doc("<codmsg>2</codmsg>"), "127.0.0.1", pa}));

  // one document over several reads, closed in capitals: queued once, lower-cased
  a->envia("<TELECOMANDO><CodMsg>");
  giraLoop();
  a->envia("-27</CodMsg></TeleCo");
  giraLoop();
  EXPECT_EQ(documentos.size(), 2u);
  a->envia("MANDO>");
  ASSERT_TRUE(esperaAte([&] { return documentos.size() == 3; }));
  giraLoop();
  EXPECT_EQ(documentos.size(), 3u);
  EXPECT_EQ(documentos[2].documento, "<telecomando><codmsg>-27</codmsg></telecomando>");
  EXPECT_TRUE(logTem("[TFPrincipal.SSocketClientRead] Tratando XML=<telecomando><codmsg>-27</codmsg></telecomando>"));
  EXPECT_FALSE(logTem("Espera finalizada"));  // LogaXMLRecebido is 0
}

TEST_F(LinkTest, InterleavedPartialDocumentsOfTwoClientsStayApart) {
  cria();
  auto a = conectaQt();
  auto b = conectaQt();
  a->envia("<telecomando><de>a</de>");
  giraLoop();
  b->envia("<telecomando><de>b</de>");
  giraLoop();
  a->envia("<fim>a</fim></telecomando>");
  ASSERT_TRUE(esperaAte([&] { return documentos.size() == 1; }));
  b->envia("<fim>b</fim></telecomando>");
  ASSERT_TRUE(esperaAte([&] { return documentos.size() == 2; }));
  EXPECT_EQ(documentos[0], (DocumentoRecebido{doc("<de>a</de><fim>a</fim>"), "127.0.0.1", a->portaLocal()}));
  EXPECT_EQ(documentos[1], (DocumentoRecebido{doc("<de>b</de><fim>b</fim>"), "127.0.0.1", b->portaLocal()}));
}

TEST_F(LinkTest, TenSecondWaitAndItsLogOutcomes) {
  cfg.LogaXMLRecebido = 1;
  cria();
  auto a = conectaQt();
  const std::string cliente = "[127.0.0.1:" + std::to_string(a->portaLocal()) + "]";
  a->envia(doc("x"));
  ASSERT_TRUE(esperaAte([&] { return documentos.size() == 1; }));
  EXPECT_TRUE(logTem("[TFPrincipal.SSocketClientRead] Espera finalizada, foi encontrado </telecomando>"));
  EXPECT_TRUE(logTem("[TFPrincipal.SSocketClientRead] XML Recebido do Cliente " + cliente + "\r\n" + doc("x")));

  a->envia("<telecomando><meio>");
  giraLoop();
  relogio.advance(9999);
  link->tmrEsperaXMLTimer();
  EXPECT_FALSE(logTem("Espera finalizada por tempo"));
  relogio.advance(1);
  link->tmrEsperaXMLTimer();
  EXPECT_TRUE(logTem("[TFPrincipal.SSocketClientRead] Espera finalizada por tempo"));
  EXPECT_TRUE(logTem("XML Recebido do Cliente " + cliente + "\r\n<telecomando><meio>"));
  // the partial text waits for the next read, which starts a new wait
  a->envia("</telecomando>");
  ASSERT_TRUE(esperaAte([&] { return documentos.size() == 2; }));
  EXPECT_EQ(documentos[1].documento, doc("<meio>"));
}

TEST_F(LinkTest, AnIncompleteDocumentOverTheCapIsDiscardedAndLogged) {
  cfg.Tam_Max_XML_Recebido = 4096;
  cria();
  auto a = conectaQt();
  a->envia("<telecomando>" + std::string(5000, 'z'));
  ASSERT_TRUE(esperaAte([&] { return logTem("descartado"); }));
  EXPECT_TRUE(logTem("XML incompleto do Cliente [127.0.0.1:" + std::to_string(a->portaLocal()) +
                     "] descartado: 5013 bytes sem </telecomando> (limite 4096)"));
  // the connection goes on, and its next document is whole
  a->envia("</telecomando>" + doc("ok"));
  ASSERT_TRUE(esperaAte([&] { return documentos.size() == 2; }));
  EXPECT_EQ(documentos[0].documento, "</telecomando>");
  EXPECT_EQ(documentos[1].documento, doc("ok"));
  EXPECT_EQ(link->NumConexoes(), 1);
}

// Random documents, junk and random split points over a real socket: each
// complete document reaches the queue exactly once, in order, and junk never
// stops the server.
TEST_F(LinkTest, FuzzRandomSplitsOverASocket) {
  cria();
  auto a = conectaQt();
  std::mt19937 rng(77);
  std::string fluxo;
  std::vector<std::string> esperados;
  for (int i = 0; i < 150; ++i) {
    std::string lixo;
    for (int k = static_cast<int>(rng() % 8); k > 0; --k) lixo += static_cast<char>(rng() % 32);  // blanks and controls
    std::string corpo;
    for (int k = static_cast<int>(rng() % 60); k > 0; --k) {
      char ch = static_cast<char>(rng() & 0xFF);
      if (ch == '<') ch = '[';  // keeps the bodies free of tags
      corpo += ch;
    }
    const std::string d = "<telecomando>" + corpo + (rng() % 2 ? "</TELECOMANDO>" : "</telecomando>");
    fluxo += lixo + d;
    std::string baixo = d;
    for (char& ch : baixo)
      if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    // blanks before the first document travel with it; later ones are dropped
    esperados.push_back(i == 0 ? lixo + baixo : baixo);
  }
  std::size_t pos = 0;
  while (pos < fluxo.size()) {
    const std::size_t n = std::min<std::size_t>(fluxo.size() - pos, 1 + rng() % 97);
    a->envia(fluxo.substr(pos, n));
    pos += n;
    if (rng() % 4 == 0) giraLoop(2);
  }
  ASSERT_TRUE(esperaAte([&] { return documentos.size() >= esperados.size(); }));
  giraLoop();
  ASSERT_EQ(documentos.size(), esperados.size());
  for (std::size_t i = 0; i < esperados.size(); ++i) EXPECT_EQ(documentos[i].documento, esperados[i]) << i;
  EXPECT_TRUE(excecoes.empty());
}

// ------------------------------------------------------------------- flush

TEST_F(LinkTest, FlushReachesOnlyAuthorisedClientsAndCommitsTheRowsItCarried) {
  cfg.SolicitaLogin = true;
  cria();
  auto naoLogado = conectaQt();
  auto logado = conectaQt();
  link->RegistraLogin("127.0.0.1", logado->portaLocal(), 3, "ana");
  link->Enfileira_Post_Envio("<a> 1 </a>", link::OrigemDocumento::Evento(54));
  link->Enfileira_Post_Envio("<a> 2 </a>", link::OrigemDocumento::Controle(66));
  EXPECT_EQ(estado.EvtNoBuffer, 2);
  EXPECT_EQ(espelho(), envelope("<a> 1 </a>") + envelope("<a> 2 </a>"));
  EXPECT_TRUE(link->TmrBuffer().isActive());  // restarted by the documents

  estado.UltimoNumSeqProcessado = 55;
  estado.UltimoNumSeqProcessadoCtrl = 66;
  QSignalSpy fim(link.get(), &link::LinkClientes::envioTerminado);
  link->tmrBufferTimer();
  const std::string esperado = envelope("<a> 1 </a>") + envelope("<a> 2 </a>");
  ASSERT_TRUE(esperaAte([&] { return logado->recebido.size() >= esperado.size(); }));
  giraLoop();
  EXPECT_EQ(logado->recebido, esperado);
  EXPECT_EQ(naoLogado->recebido, "");
  ASSERT_EQ(fim.count(), 1);
  EXPECT_TRUE(fim.at(0).at(0).toBool());
  // the rows of the documents delivered, not where the passes have got to
  EXPECT_EQ(iniInteiro("ULTIMO_NUM_SEQ_PROCESSADO"), 54);
  EXPECT_EQ(iniInteiro("ULTIMO_NUM_SEQ_PROCESSADO_CTRL"), 66);
  EXPECT_EQ(estado.TotalEvtEnviados, 2);
  EXPECT_EQ(estado.EvtNoBuffer, 0);
  EXPECT_FALSE(estado.EnviandoBuffer);
  EXPECT_EQ(link->Buffer().TamBufferEnvio(), 0);
  EXPECT_FALSE(existeEspelho());
  // first-try success: 1 attempt shown, 2 accumulated
  const int pos = link->Clientes().LocalizaCliente("127.0.0.1", logado->portaLocal());
  EXPECT_EQ(link->Clientes()[pos].Tentativas, 1);
  EXPECT_EQ(link->Clientes()[pos].TentativasAcumuladas, 2);
  EXPECT_EQ(link->Modelo().ClientesTreeView[static_cast<std::size_t>(pos - 1)].texto,
            "[127.0.0.1:" + std::to_string(logado->portaLocal()) + "] Tentativas:1");
  EXPECT_EQ(link->Modelo().lbBytes_Enviados, std::to_string(esperado.size()));
  EXPECT_EQ(link->Modelo().lbevtsent, "2");
  EXPECT_EQ(link->Modelo().lbContadorEstat, "19");
  EXPECT_TRUE(logTem("[TFPrincipal.Esvazia_Buffer_Envio] KVT inicia envio de XML para Clientes conectados [2]"));
  EXPECT_TRUE(logTem("[TFPrincipal.Esvazia_Buffer_Envio] Enviando"));

  // an empty buffer: nothing to send is a success that touches nothing
  EXPECT_EQ(link->Esvazia_Buffer_Envio(), ResultadoEnvio::Entregue);
  EXPECT_EQ(fim.count(), 1);
}

// TIMER_BUFFER 0 or less: the timer never runs at 0 (it would fire on every
// pass of the loop); the longest wait still sends the buffer.
TEST_F(LinkTest, ABufferTimerOfZeroOrLessNeverRunsAtZero) {
  for (const int timer : {0, -5}) {
    cfg.TIMER_BUFFER = timer;
    cria();
    auto a = conectaQt();
    link->Enfileira_XML_Envio("<a/>");
    EXPECT_TRUE(link->TmrBuffer().isActive()) << timer;
    EXPECT_EQ(link->TmrBuffer().interval(), 15000) << timer;
    link.reset();
  }
  cfg.TIMER_BUFFER = 2147483647;  // seconds: clamped, never wrapped
  cria();
  auto a = conectaQt();
  link->Enfileira_XML_Envio("<a/>");
  EXPECT_GT(link->TmrBuffer().interval(), 0);
}

TEST_F(LinkTest, OnlyUnauthorisedClientsFailAndThePositionsRewind) {
  cfg.SolicitaLogin = true;
  cria();
  auto a = conectaQt();
  link->Enfileira_XML_Envio("<a/>");
  estado.UltimoNumSeqProcessado = 500;
  estado.UltimoNumSeqProcessadoCtrl = 600;
  EXPECT_EQ(link->Esvazia_Buffer_Envio(), ResultadoEnvio::Falhou);
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 10);  // from the INI
  EXPECT_EQ(estado.UltimoNumSeqProcessadoCtrl, 20);
  EXPECT_EQ(iniInteiro("ULTIMO_NUM_SEQ_PROCESSADO"), 10);
  EXPECT_EQ(link->Buffer().TamBufferEnvio(), 0);  // discarded
  EXPECT_EQ(estado.EvtNoBuffer, 0);
  EXPECT_EQ(estado.TotalEvtEnviados, 0);
  EXPECT_FALSE(estado.EnviandoBuffer);
  giraLoop();
  EXPECT_EQ(a->recebido, "");
}

TEST_F(LinkTest, NoClientDropsDocumentsAndARestoredBufferIsDiscarded) {
  writeFile(dir.file("BufferEnvio.txt"), envelope("<antigo/>"));
  cria();
  link->LeBufferEnvio();
  EXPECT_EQ(link->Buffer().Conteudo(), envelope("<antigo/>"));
  link->Enfileira_XML_Envio("<novo/>");  // nobody connected: dropped
  EXPECT_EQ(estado.EvtNoBuffer, 1);      // the restored document counts
  EXPECT_EQ(link->Buffer().Conteudo(), envelope("<antigo/>"));
  estado.UltimoNumSeqProcessado = 99;
  link->tmrBufferTimer();
  EXPECT_EQ(link->Buffer().TamBufferEnvio(), 0);
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 10);
  EXPECT_FALSE(existeEspelho());
}

TEST_F(LinkTest, ARestartResendsTheDiskMirror) {
  {
    cria();
    auto a = conectaQt();
    link->Enfileira_XML_Envio("<evento> 1 </evento>");
    link->Enfileira_XML_Envio("<evento> 2 </evento>");
    // the server stops here, before any flush
    link.reset();
  }
  const std::string guardado = envelope("<evento> 1 </evento>") + envelope("<evento> 2 </evento>");
  EXPECT_EQ(espelho(), guardado);

  cria();
  link->LeBufferEnvio();
  EXPECT_EQ(link->Modelo().lbTamBuf, std::to_string(guardado.size()));
  auto b = conectaQt();
  link->tmrBufferTimer();
  ASSERT_TRUE(esperaAte([&] { return b->recebido.size() >= guardado.size(); }));
  EXPECT_EQ(b->recebido, guardado);
  EXPECT_FALSE(existeEspelho());
  EXPECT_TRUE(logTem("[TFPrincipal.LeBufferEnvio] recuperados " + std::to_string(guardado.size()) + " bytes."));
}

// A document bigger than everything loopback buffers can hold in flight, so a
// client that does not read really holds the flush up.
std::string documentoGrande() { return std::string(6 * 1024 * 1024, 'k'); }

TEST_F(LinkTest, AClientThatReadsNothingIsClosedAfterTimeoutAndTheRestGetNothing) {
  cfg.TIMEOUT = 2000;
  cfg.Tamanho_Buffer = 1024;
  cria();
  auto lento = conectaLento();
  auto rapido = conectaQt();
  const std::int32_t portaLenta = lento->portaLocal();
  estado.UltimoNumSeqProcessado = 41;
  link->Enfileira_Post_Envio("<pequeno/>", link::OrigemDocumento::Evento(40));
  link->Enfileira_Post_Envio(documentoGrande(), link::OrigemDocumento::Evento(41));  // over the limit: the small one goes first
  ASSERT_TRUE(esperaAte([&] { return rapido->recebido.size() >= envelope("<pequeno/>").size(); }));
  rapido->recebido.clear();

  estado.UltimoNumSeqProcessado = 77;
  QSignalSpy fim(link.get(), &link::LinkClientes::envioTerminado);
  EXPECT_EQ(link->Esvazia_Buffer_Envio(), ResultadoEnvio::EmAndamento);
  EXPECT_TRUE(estado.EnviandoBuffer);
  // queued during the flush: kept for the next one, not sent by this one
  link->Enfileira_XML_Envio("<durante/>");
  for (int i = 0; i < 5; ++i) {
    relogio.advance(300);
    link->tmrTentativaEnvioTimer();
  }
  EXPECT_TRUE(estado.EnviandoBuffer);
  EXPECT_EQ(link->NumConexoes(), 2);
  relogio.advance(600);  // 2100 ms since the client's first attempt
  link->tmrTentativaEnvioTimer();

  EXPECT_FALSE(estado.EnviandoBuffer);
  ASSERT_EQ(fim.count(), 1);
  EXPECT_FALSE(fim.at(0).at(0).toBool());
  EXPECT_EQ(link->NumConexoes(), 1);
  EXPECT_EQ(link->Clientes().LocalizaCliente("127.0.0.1", portaLenta), -1);
  const std::string timeout = linhaLog("Timeout (2 seg)");
  EXPECT_TRUE(timeout.starts_with("[ERRO]")) << timeout;
  EXPECT_TRUE(timeout.ends_with("[TFPrincipal.Esvazia_Buffer_Envio] Timeout (2 seg) para envio de buffer. Cliente IP "
                                "127.0.0.1 Porta " +
                                std::to_string(portaLenta) + ". Cliente desconectado pelo KVT"))
      << timeout;
  EXPECT_TRUE(logTem("[TFPrincipal.Esvazia_Buffer_Envio] Buffer: <?xml"));
  EXPECT_EQ(iniInteiro("ULTIMO_NUM_SEQ_PROCESSADO"), 40);  // committed by the flush of the small one
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 40);             // rewound to it
  // the events are discarded (their rows are read again); the reply queued
  // meanwhile stays for the next flush, on disk too
  EXPECT_EQ(link->Buffer().Conteudo(), envelope("<durante/>"));
  EXPECT_EQ(espelho(), envelope("<durante/>"));
  EXPECT_EQ(estado.EvtNoBuffer, 1);
  EXPECT_EQ(historico.at(0).find("Timeout (2 seg)") != std::string::npos, true);
  giraLoop();
  EXPECT_EQ(rapido->recebido, "");  // the client after it got nothing
  EXPECT_TRUE(esperaAte([&] { return !lento->le(); }));  // and the slow one was closed
  EXPECT_TRUE(excecoes.empty());
}

// A client that takes part of the buffer, stalls, and reads again receives
// every byte exactly once: each attempt offers only what it has not taken.
TEST_F(LinkTest, APartialSendContinuesWithTheUnsentRest) {
  cfg.Tamanho_Buffer = 1024;
  cria();
  auto lento = conectaLento();
  std::string grande = documentoGrande();
  for (std::size_t i = 0; i < grande.size(); i += 4096) grande.replace(i, 12, std::to_string(100000000000 + i));
  link->Enfileira_XML_Envio(grande);
  const std::string esperado = envelope(grande);
  ASSERT_EQ(link->Esvazia_Buffer_Envio(), ResultadoEnvio::EmAndamento);
  int tentativas = 0;
  while (link->EnvioEmAndamento() && tentativas < 100000) {
    lento->le();
    link->tmrTentativaEnvioTimer();
    ++tentativas;
  }
  EXPECT_FALSE(link->EnvioEmAndamento());
  ASSERT_TRUE(esperaAte([&] {
    lento->le();
    return lento->recebido.size() >= esperado.size();
  }));
  giraLoop();
  lento->le();
  EXPECT_EQ(lento->recebido.size(), esperado.size());
  EXPECT_TRUE(lento->recebido == esperado);
  const int pos = link->Clientes().LocalizaCliente("127.0.0.1", lento->portaLocal());
  ASSERT_GT(pos, 0);
  EXPECT_GT(link->Clientes()[pos].Tentativas, 1);
  EXPECT_EQ(link->Clientes()[pos].TentativasAcumuladas, link->Clientes()[pos].Tentativas + 1);
}

// A send that fails is reported through the client-error event, the client is
// closed, and the flush fails as a whole.
TEST_F(LinkTest, AFailedSendIsReportedAndTheClientClosed) {
  cfg.Tamanho_Buffer = 1024;
  cria();
  auto lento = conectaLento();
  const std::int32_t porta = lento->portaLocal();
  link->Enfileira_XML_Envio(documentoGrande());
  QSignalSpy fim(link.get(), &link::LinkClientes::envioTerminado);
  ASSERT_EQ(link->Esvazia_Buffer_Envio(), ResultadoEnvio::EmAndamento);
  linger semEspera{1, 0};  // the close resets the connection
  ::setsockopt(lento->fd, SOL_SOCKET, SO_LINGER, &semEspera, sizeof semEspera);
  lento->fecha();
  // no event loop in between: the next attempt's send is the first to hear of it
  link->tmrTentativaEnvioTimer();
  const std::string erro = linhaLog("Erro ao enviar XML");
  EXPECT_TRUE(erro.starts_with("[ERRO]")) << erro;
  EXPECT_TRUE(erro.ends_with("[TFPrincipal.SSocketClientError] Erro ao enviar XML para o Cliente IP:127.0.0.1 Porta:" +
                             std::to_string(porta) + ", " + "Conexão fechada"_cp))
      << erro;
  EXPECT_EQ(historico.at(0).find("Erro ao enviar XML"), historico.at(0).find("] ") + 2);
  EXPECT_FALSE(link->EnvioEmAndamento());
  ASSERT_EQ(fim.count(), 1);
  EXPECT_FALSE(fim.at(0).at(0).toBool());
  EXPECT_EQ(link->NumConexoes(), 0);
  EXPECT_EQ(link->Buffer().TamBufferEnvio(), 0);
  EXPECT_TRUE(excecoes.empty());
}

TEST_F(LinkTest, ListIndexWhenTheConnectionListShrinksUnderAFlush) {
  cfg.Tamanho_Buffer = 1024;
  cria();
  auto lento = conectaLento();
  auto segundo = conectaQt();
  link->Enfileira_XML_Envio(documentoGrande());
  const std::string flush = link->Buffer().Conteudo();
  estado.UltimoNumSeqProcessado = 300;
  ASSERT_EQ(link->Esvazia_Buffer_Envio(), ResultadoEnvio::EmAndamento);  // held up by the slow one
  // the second client leaves while the flush waits on the first
  segundo->socket.abort();
  ASSERT_TRUE(esperaAte([&] { return link->NumConexoes() == 1; }));
  estado.EvtNoBuffer = 4;
  // the slow client now takes everything; the flush then looks for position 2 of a list of 1
  std::vector<std::string> erros;
  while (link->EnvioEmAndamento()) {
    lento->le();
    try {
      link->tmrTentativaEnvioTimer();
    } catch (const link::ListaClientesAlterada& e) {
      erros.push_back(e.what());
    }
  }
  for (const auto& e : excecoes) erros.push_back(e);  // in case the timer itself got there first
  ASSERT_EQ(erros.size(), 1u);
  EXPECT_NE(erros[0].find("List index"), std::string::npos);
  EXPECT_FALSE(estado.EnviandoBuffer);
  EXPECT_EQ(estado.UltimoNumSeqProcessado, 10);
  EXPECT_EQ(estado.EvtNoBuffer, 1);             // the document is still there
  EXPECT_EQ(link->Buffer().Conteudo(), flush);  // kept for the next flush
  // which runs as any other
  excecoes.clear();
  ASSERT_EQ(link->Esvazia_Buffer_Envio(), ResultadoEnvio::EmAndamento);
  while (link->EnvioEmAndamento()) {
    lento->le();
    link->tmrTentativaEnvioTimer();
  }
  EXPECT_EQ(link->Buffer().TamBufferEnvio(), 0);
  EXPECT_EQ(iniInteiro("ULTIMO_NUM_SEQ_PROCESSADO"), 10);
  ASSERT_TRUE(esperaAte([&] {
    lento->le();
    return lento->recebido.size() >= 2 * flush.size();
  }));
  EXPECT_TRUE(lento->recebido == flush + flush);  // at least once: the abandoned flush is sent again
  EXPECT_TRUE(excecoes.empty());
}

TEST_F(LinkTest, TheLimitFlushesFirstAndDocumentsQueuedDuringAFlushWaitForTheNext) {
  cfg.Tamanho_Buffer = 200;
  cria();
  auto a = conectaQt();
  const std::string d1 = envelope(std::string(100, '1')), d2 = envelope(std::string(100, '2'));
  link->Enfileira_XML_Envio(std::string(100, '1'));
  EXPECT_EQ(link->Buffer().Conteudo(), d1);
  link->Enfileira_XML_Envio(std::string(100, '2'));  // would pass 200: d1 is flushed first
  EXPECT_EQ(link->Buffer().Conteudo(), d2);
  EXPECT_EQ(espelho(), d2);
  ASSERT_TRUE(esperaAte([&] { return a->recebido.size() >= d1.size(); }));
  EXPECT_EQ(a->recebido, d1);
  // the flush counts what it carried; the second document still waits
  EXPECT_EQ(estado.TotalEvtEnviados, 1);
  EXPECT_EQ(estado.EvtNoBuffer, 1);

  // a document bigger than the limit still goes into an empty buffer
  link->tmrBufferTimer();
  const std::string grande = envelope(std::string(5000, 'g'));
  link->Enfileira_XML_Envio(std::string(5000, 'g'));
  EXPECT_EQ(link->Buffer().Conteudo(), grande);
  ASSERT_TRUE(esperaAte([&] { return a->recebido.size() >= d1.size() + d2.size(); }));
  EXPECT_EQ(a->recebido, d1 + d2);
}

TEST_F(LinkTest, AnalysisAfterNineteenFirstTrySuccessesFindsTheChannelIdle) {
  cria();
  auto a = conectaQt();
  for (int i = 0; i < 19; ++i) {
    link->Enfileira_XML_Envio("<n>" + std::to_string(i) + "</n>");
    ASSERT_EQ(link->Esvazia_Buffer_Envio(), ResultadoEnvio::Entregue);
  }
  EXPECT_EQ(link->Modelo().lbAnaliseEstat, "O canal pode estar ocioso");
  EXPECT_EQ(link->Estatistica().LimBufCalculado(), 32768);
  EXPECT_EQ(link->Modelo().lbLimBuf_calculado, "32768");
  EXPECT_EQ(link->Estatistica().ContadorEstat(), 20);
  EXPECT_EQ(link->Clientes()[1].TentativasAcumuladas, 0);
}

TEST_F(LinkTest, DirectWritesReachEveryConnectionAndNeverSplitAFlushedDocument) {
  cfg.SolicitaLogin = true;
  cfg.Tamanho_Buffer = 1024;
  cria();
  auto naoLogado = conectaQt();
  auto lento = conectaLento();
  link->RegistraLogin("127.0.0.1", lento->portaLocal(), 1, "x");
  link->Enfileira_XML_Envio(documentoGrande());
  const std::string flush = envelope(documentoGrande());
  ASSERT_EQ(link->Esvazia_Buffer_Envio(), ResultadoEnvio::EmAndamento);
  const std::string erro = envelope("<CodMsg> -40 </CodMsg>");
  link->EscreveEmTodasConexoes(erro);
  ASSERT_TRUE(esperaAte([&] { return naoLogado->recebido == erro; }));
  while (link->EnvioEmAndamento()) {
    lento->le();
    link->tmrTentativaEnvioTimer();
  }
  ASSERT_TRUE(esperaAte([&] {
    lento->le();
    return lento->recebido.size() >= flush.size() + erro.size();
  }));
  EXPECT_TRUE(lento->recebido == flush + erro);  // after the document it was cut into, not inside it
}

TEST_F(LinkTest, BadInputNeverStopsTheServer) {
  cfg.Tam_Max_XML_Recebido = 65536;
  cria();
  auto a = conectaQt();
  std::mt19937 rng(5);
  std::string lixo(300000, '\0');
  for (char& c : lixo) c = static_cast<char>(rng() & 0xFF);
  a->envia(lixo);
  {
    ClienteLento b(porta());
    ::send(b.fd, "<telecomando>", 13, 0);
  }  // gone without a word
  a->envia(doc("ainda"));
  ASSERT_TRUE(esperaAte([&] {
    return !documentos.empty() && documentos.back().documento.size() >= 5 &&
           documentos.back().documento.ends_with("ainda</telecomando>");
  }));
  EXPECT_TRUE(esperaAte([&] { return link->NumConexoes() == 1; }));
  EXPECT_TRUE(excecoes.empty());
}

// ------------------------------------------------------------ socket errors

namespace {

// Where the server meets the reset of a client (ruim); another client (outro)
// stays connected throughout.
struct CasoReset {
  const char* nome;
  std::function<void(LinkEnv&, ClienteLento& ruim, ClienteQt& outro)> roteiro;
};

const std::string kErro40 = envelope("<CodMsg> -40 </CodMsg>");

std::size_t ocorrencias(const std::string& texto, const std::string& trecho) {
  std::size_t n = 0;
  for (std::size_t p = texto.find(trecho); p != std::string::npos; p = texto.find(trecho, p + 1)) ++n;
  return n;
}

const CasoReset kCasosReset[] = {
    {"WhileTheServerReads",
     [](LinkEnv&, ClienteLento& ruim, ClienteQt&) {
       ::send(ruim.fd, "<telecomando><meio>", 19, 0);
       giraLoop();  // read, and waiting for the rest
       ruim.reseta();
     }},
    {"OnADirectWrite",
     [](LinkEnv& t, ClienteLento& ruim, ClienteQt& outro) {
       ruim.reseta();
       // no event loop in between: the write is the first to hear of it, and
       // the connection ends there; the second reply finds it gone
       t.link->EscreveEmTodasConexoes(kErro40);
       EXPECT_EQ(t.link->NumConexoes(), 1);
       t.link->EscreveEmTodasConexoes(kErro40);
       EXPECT_TRUE(esperaAte([&] { return outro.recebido == kErro40 + kErro40; }));
     }},
    {"WhileAFlushWaitsOnIt",
     [](LinkEnv& t, ClienteLento& ruim, ClienteQt&) {
       t.link->Enfileira_XML_Envio(documentoGrande());
       ASSERT_EQ(t.link->Esvazia_Buffer_Envio(), ResultadoEnvio::EmAndamento);
       ruim.reseta();
       ASSERT_TRUE(esperaAte([&] { return t.link->NumConexoes() == 1; }));
       t.link->tmrTentativaEnvioTimer();
       EXPECT_FALSE(t.link->EnvioEmAndamento());
     }},
    {"OnTheRepliesAFlushSendsFirst",
     [](LinkEnv& t, ClienteLento& ruim, ClienteQt&) {
       // more than the connection holds: the rest waits in the socket's queue,
       // and the flush must push it out before its own bytes
       t.link->EscreveEmTodasConexoes(documentoGrande());
       t.link->Enfileira_XML_Envio("<x/>");
       ASSERT_EQ(t.link->Esvazia_Buffer_Envio(), ResultadoEnvio::EmAndamento);
       t.link->EscreveEmTodasConexoes(kErro40);  // queued behind it
       ruim.reseta();
       t.link->tmrTentativaEnvioTimer();  // the queue's write fails and aborts the socket
       EXPECT_FALSE(t.link->EnvioEmAndamento());
       EXPECT_EQ(t.link->NumConexoes(), 1);
       t.link->EscreveEmTodasConexoes(kErro40);
     }},
    {"WithAReplyHeldForItDuringAFlush",
     [](LinkEnv& t, ClienteLento& ruim, ClienteQt&) {
       t.link->Enfileira_XML_Envio(documentoGrande());
       ASSERT_EQ(t.link->Esvazia_Buffer_Envio(), ResultadoEnvio::EmAndamento);
       t.link->EscreveEmTodasConexoes(kErro40);  // held: the flush is midway through its document
       ruim.reseta();
       t.link->tmrTentativaEnvioTimer();  // the flush's send fails; the held reply goes nowhere
       EXPECT_FALSE(t.link->EnvioEmAndamento());
       EXPECT_EQ(t.link->NumConexoes(), 1);
     }},
};

struct ResetDeCliente : LinkTest, ::testing::WithParamInterface<CasoReset> {};

void PrintTo(const CasoReset& c, std::ostream* os) { *os << c.nome; }

}  // namespace

// A reset reads like an orderly close at the socket layer; wherever the server
// meets it, it is logged once as a closed connection, before the disconnect,
// and the other clients are served on.
TEST_P(ResetDeCliente, IsLoggedOnceAsAClosedConnectionAndTheOthersAreServedOn) {
  cfg.Tamanho_Buffer = 1024;
  cria();
  auto ruim = conectaLento();
  auto outro = conectaQt();
  const std::string porta = std::to_string(ruim->portaLocal());
  GetParam().roteiro(*this, *ruim, *outro);
  if (HasFatalFailure()) return;
  ASSERT_TRUE(esperaAte([&] { return link->NumConexoes() == 1; }));
  giraLoop();

  const std::string erro = "[TFPrincipal.SSocketClientError] Erro ao enviar XML para o Cliente IP:127.0.0.1 Porta:" +
                           porta + ", " + "Conexão fechada"_cp;
  const std::string todo = logTexto();
  EXPECT_EQ(ocorrencias(todo, erro), 1u) << todo;
  EXPECT_EQ(ocorrencias(todo, "Erro ao enviar XML"), 1u);
  EXPECT_TRUE(linhaLog(erro).starts_with("[ERRO]")) << linhaLog(erro);
  const std::size_t desconexao = todo.find("Cliente [127.0.0.1:" + porta + "] desconectado com sucesso");
  ASSERT_NE(desconexao, std::string::npos);
  EXPECT_LT(todo.find(erro), desconexao);
  EXPECT_EQ(ocorrencias(todo, "desconectado com sucesso"), 1u);
  EXPECT_NE(historico.at(0).find("Erro ao enviar XML"), std::string::npos);
  EXPECT_FALSE(logTem("KVT tentou enviar"));
  EXPECT_EQ(link->Clientes().LocalizaCliente("127.0.0.1", ruim->portaLocal()), -1);

  // the server goes on: the other client is sent the buffer (what a failed
  // flush kept included) and heard
  link->Enfileira_XML_Envio("<depois/>");
  EXPECT_TRUE(esperaAte([&] {
    if (link->EnvioEmAndamento())
      link->tmrTentativaEnvioTimer();
    else if (link->Buffer().TamBufferEnvio() > 0)
      link->tmrBufferTimer();
    return outro->recebido.ends_with(envelope("<depois/>"));
  }));
  outro->envia(doc("ainda"));
  EXPECT_TRUE(esperaAte([&] { return !documentos.empty() && documentos.back().documento == doc("ainda"); }));
  EXPECT_EQ(documentos.back().porta, outro->portaLocal());
  EXPECT_TRUE(excecoes.empty());
}

INSTANTIATE_TEST_SUITE_P(Onde, ResetDeCliente, ::testing::ValuesIn(kCasosReset),
                         [](const ::testing::TestParamInfo<CasoReset>& i) { return std::string(i.param.nome); });

// An orderly close is no error: only the disconnect is logged.
TEST_F(LinkTest, AnOrderlyCloseLogsNoError) {
  cria();
  auto a = conectaLento();
  const std::string porta = std::to_string(a->portaLocal());
  ::send(a->fd, "<telecomando>", 13, 0);
  giraLoop();
  a->fecha();
  ASSERT_TRUE(esperaAte([&] { return link->NumConexoes() == 0; }));
  EXPECT_TRUE(logTem("Cliente [127.0.0.1:" + porta + "] desconectado com sucesso"));
  EXPECT_FALSE(logTem("Erro ao enviar XML"));
  EXPECT_EQ(historico.size(), 0u);
}

namespace {

// The server's descriptors of the connection that comes from a client's port
// (the test process holds both ends).
std::vector<int> descritoresDoServidor(quint16 portaServidor, std::int32_t portaCliente) {
  std::vector<int> fds;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
    const int fd = std::atoi(e.path().filename().c_str());
    sockaddr_in local{}, par{};
    socklen_t n = sizeof local, m = sizeof par;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &n) != 0 ||
        ::getpeername(fd, reinterpret_cast<sockaddr*>(&par), &m) != 0)
      continue;
    if (local.sin_family == AF_INET && ntohs(local.sin_port) == portaServidor && ntohs(par.sin_port) == portaCliente)
      fds.push_back(fd);
  }
  return fds;
}

}  // namespace

// A send the system cannot make for a reason other than the connection (here
// the descriptors of the connection are made to name a datagram socket, which
// cannot take the buffer in one datagram) is logged by the attempt, which leaves what was sent as it was
// and tries again; the client's time-out still ends it.
TEST_F(LinkTest, ASendTheSystemCannotMakeIsLoggedAndTheAttemptsGoOnUntilTheTimeout) {
  cfg.TIMEOUT = 2000;
  cfg.Tamanho_Buffer = 1024;
  cria();
  auto ruim = conectaLento();
  auto outro = conectaQt();
  const std::int32_t portaRuim = ruim->portaLocal();
  link->Enfileira_XML_Envio(documentoGrande());
  const std::string flush = link->Buffer().Conteudo();
  ASSERT_EQ(link->Esvazia_Buffer_Envio(), ResultadoEnvio::EmAndamento);

  const std::vector<int> fds = descritoresDoServidor(porta(), portaRuim);
  ASSERT_EQ(fds.size(), 2u);  // the socket layer's and the link's own
  const int datagrama = ::socket(AF_INET, SOCK_DGRAM, 0);
  for (int fd : fds) ASSERT_EQ(::dup2(datagrama, fd), fd);
  ::close(datagrama);

  const int pos = link->Clientes().LocalizaCliente("127.0.0.1", portaRuim);
  for (int i = 0; i < 2; ++i) {
    const int tentativa = link->Clientes()[pos].Tentativas + 1;
    relogio.advance(500);
    link->tmrTentativaEnvioTimer();
    EXPECT_TRUE(logTem("[TFPrincipal.Esvazia_Buffer_Envio] KVT tentou enviar [" + std::to_string(tentativa) +
                       "] o XML para os clientes Excecao [send: Message too long]."))
        << logTexto();
    EXPECT_EQ(link->Clientes()[pos].Tentativas, tentativa);
    EXPECT_TRUE(link->EnvioEmAndamento());
    EXPECT_EQ(link->NumConexoes(), 2);
  }
  EXPECT_FALSE(logTem("Erro ao enviar XML"));
  relogio.advance(1000);
  link->tmrTentativaEnvioTimer();
  EXPECT_FALSE(link->EnvioEmAndamento());
  EXPECT_TRUE(logTem("Timeout (2 seg) para envio de buffer. Cliente IP 127.0.0.1 Porta " + std::to_string(portaRuim)));
  EXPECT_EQ(link->NumConexoes(), 1);

  // the next flush (it kept the reply) reaches the other client
  link->tmrBufferTimer();
  EXPECT_TRUE(esperaAte([&] {
    if (link->EnvioEmAndamento()) link->tmrTentativaEnvioTimer();
    return outro->recebido.size() >= flush.size();
  }));
  EXPECT_TRUE(outro->recebido == flush);
  EXPECT_TRUE(excecoes.empty());
}
