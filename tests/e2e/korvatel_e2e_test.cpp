// The real korvatel program started in a temporary folder.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <chrono>
#include <fstream>
#include <thread>

#include "central/central.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "tests/support/central_processos.h"
#include "tests/support/temp_dir.h"

using namespace kvt;

namespace {

struct KorvatelE2E : ::testing::Test {
  test::TempDir dir;
  central::CentralFiles files;

  void SetUp() override { files = test::centralParaProcessos(dir.path().string()); }

  static void sql(const std::string& url, const std::string& text) {
    auto c = db::Connection::open(url);
    db::Statement(*c, text).execute();
  }

  int port() { return ini::IniFile(files.ini).readInteger("KORVATEL", "KORVATEL_PORT", 0); }

  std::unique_ptr<QProcess> start(const std::string& programDir) {
    auto p = std::make_unique<QProcess>();
    p->setWorkingDirectory(QString::fromStdString(dir.path().string()));
    p->setProgram(QString::fromStdString((test::binaryDir() / "bin" / "korvatel").string()));
    p->setArguments({"--dir", QString::fromStdString(programDir), "--headless"});
    p->start();
    EXPECT_TRUE(p->waitForStarted(5000));
    return p;
  }

  // Runs the program to its end; exit code and standard error (UTF-8).
  std::pair<int, std::string> run(const std::string& programDir) {
    auto p = start(programDir);
    EXPECT_TRUE(p->waitForFinished(30000));
    return {p->exitCode(), p->readAllStandardError().toStdString()};
  }

  std::string log() { return test::readFile(dir.file("KORVATEL01.log")); }

  // Waits until the log shows the text (the server writes each entry at once).
  bool waitForLog(const std::string& text, int ms = 20000) {
    for (int waited = 0; waited < ms; waited += 50) {
      if (log().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
};

}  // namespace

TEST_F(KorvatelE2E, WithoutIniFileItSaysWhereItLookedAndEnds) {
  test::TempDir empty;
  auto [code, err] = run(empty.path().string());
  EXPECT_EQ(code, 1);
  EXPECT_NE(err.find("KORVATEL.INI não foi encontrado. Verifique a pasta " + empty.path().string() + "/"),
            std::string::npos)
      << err;
}

TEST_F(KorvatelE2E, ModuleWithoutRowEnds) {
  sql(files.urlBase, "DELETE FROM tModRas");
  auto [code, err] = run(dir.path().string());
  EXPECT_EQ(code, 1);
  const std::string texto = "ModCom02 inválido, verifique a configuração na Quillon e no arquivo KORVATEL.INI";
  EXPECT_NE(err.find(texto), std::string::npos) << err;
  EXPECT_NE(log().find("[TFPrincipal.Inicializa] ModCom02 inv"), std::string::npos);
}

TEST_F(KorvatelE2E, PortAlreadyTaken) {
  QTcpServer blocker;
  ASSERT_TRUE(blocker.listen(QHostAddress::Any, static_cast<quint16>(port())));
  auto [code, err] = run(dir.path().string());
  EXPECT_EQ(code, 1);
  EXPECT_NE(err.find("Falha na conexão com a porta do KVT."), std::string::npos) << err;
}

TEST_F(KorvatelE2E, UnreachableCentralEndsWithCodeOne) {
  ini::IniFile(files.ini).writeString("BANCOS", "dbZenthora", "sqlite:/nonexistent-folder/zenthora.db");
  auto [code, err] = run(dir.path().string());
  EXPECT_EQ(code, 1);
}

TEST_F(KorvatelE2E, CleanStartAcceptsClientsRefusesASecondInstanceAndStopsOnSigterm) {
  auto first = start(dir.path().string());
  ASSERT_TRUE(waitForLog("Korvatel inicializado corretamente")) << log();
  QTcpSocket client;
  client.connectToHost("127.0.0.1", static_cast<quint16>(port()));
  EXPECT_TRUE(client.waitForConnected(5000));

  // the first instance keeps its row fresh, so a second one must give up
  auto [code, err] = run(dir.path().string());
  EXPECT_EQ(code, 1);
  EXPECT_NE(err.find("O KORVATEL já está em execução na máquina "), std::string::npos) << err;
  EXPECT_NE(err.find(". Verifique"), std::string::npos) << err;

  first->terminate();  // SIGTERM
  ASSERT_TRUE(first->waitForFinished(10000));
  EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(first->exitCode(), 0) << first->readAllStandardError().toStdString();
  // the log tells a clean stop, and what asked for it, from a crash
  EXPECT_NE(log().find("[TFPrincipal.FormClose] Finalizando KORVATEL2 a pedido de: sinal SIGTERM"), std::string::npos)
      << log();
  EXPECT_NE(log().find("[TFPrincipal.FormClose] KORVATEL2 finalizado"), std::string::npos) << log();
}

// With a display (here the offscreen platform behind a display name) the
// status window is created; without a notification area the program says how
// to reach it, --show shows it, and a termination signal still runs the
// shutdown through the window's wait window to a clean end.
TEST_F(KorvatelE2E, WithADisplayTheWindowComesAndGoesWithTheServer) {
  for (const bool show : {false, true}) {
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", ":kvt-offscreen");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    p.setProgram(QString::fromStdString((test::binaryDir() / "bin" / "korvatel").string()));
    QStringList args{"--dir", QString::fromStdString(dir.path().string())};
    if (show) args << "--show";
    p.setArguments(args);
    // the previous run's heartbeat must not look like a running instance
    sql(files.urlZenthora, "UPDATE tDiagnostico SET DataHoraUltimaAtualizacao = NULL WHERE CodigoPrograma = 12");
    const std::size_t antes = log().size();
    p.start();
    ASSERT_TRUE(p.waitForStarted(5000));
    for (int waited = 0; waited < 20000; waited += 50) {
      if (log().find("Korvatel inicializado corretamente", antes) != std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(log().find("Korvatel inicializado corretamente", antes), std::string::npos) << log();
    QTcpSocket client;
    client.connectToHost("127.0.0.1", static_cast<quint16>(port()));
    EXPECT_TRUE(client.waitForConnected(5000));
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_EQ(err.find("use --show") != std::string::npos, !show) << err;
  }
}

namespace {

// Reads from the client until the received bytes hold `text` or the time runs out.
bool waitForBytes(QTcpSocket& s, std::string& received, const std::string& text, int ms) {
  for (int waited = 0; waited < ms && received.find(text) == std::string::npos; waited += 50) {
    if (s.waitForReadyRead(50)) received += s.readAll().toStdString();
  }
  return received.find(text) != std::string::npos;
}

struct DemoE2E : KorvatelE2E {
  void SetUp() override {
    central::CentralOptions opt;
    opt.demo = true;
    opt.overwrite = true;
    files = test::centralParaProcessos(dir.path().string(), opt);
    ini::IniFile(files.ini).writeInteger("KORVATEL", "TIMER_BUFFER", 1);
  }

  // The central's stand-in on the demo's INI, sending at rate for that many vehicles.
  void startsQuillon(QProcess& quillon, const char* rate, const char* vehicles) {
    quillon.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    quillon.setProgram(QString::fromStdString((test::binaryDir() / "bin" / "quillon-sim").string()));
    quillon.setArguments({"--ini", QString::fromStdString(files.ini), "--rate", rate, "--vehicles", vehicles});
    quillon.start();
    ASSERT_TRUE(quillon.waitForStarted(5000));
  }

  // Connects client to the running server and logs in as the demo's ADMIN;
  // received ends with the -58 reply.
  void logsInAsAdmin(QTcpSocket& client, std::string& received) {
    client.connectToHost("127.0.0.1", static_cast<quint16>(port()));
    ASSERT_TRUE(client.waitForConnected(5000));
    client.write(
        "<telecomando><CodMsg>-27</CodMsg><LoginOperador>ADMIN</LoginOperador><Senha>admin</Senha>"
        "</telecomando>");
    ASSERT_TRUE(waitForBytes(client, received, "<CodMsg> -58 </CodMsg>", 20000)) << received << log();
  }
};

}  // namespace

TEST_F(DemoE2E, WithQuillonSimAClientLogsInAndReceivesEvents) {
  QProcess quillon;
  ASSERT_NO_FATAL_FAILURE(startsQuillon(quillon, "20", "20"));

  auto server = start(dir.path().string());
  ASSERT_TRUE(waitForLog("Korvatel inicializado corretamente")) << log();
  QTcpSocket client;
  client.connectToHost("127.0.0.1", static_cast<quint16>(port()));
  ASSERT_TRUE(client.waitForConnected(5000));
  client.write("<telecomando><CodMsg>-27</CodMsg><LoginOperador>ADMIN</LoginOperador><Senha>admin</Senha>"
               "</telecomando>");
  std::string received;
  EXPECT_TRUE(waitForBytes(client, received, "<CodMsg> -58 </CodMsg>", 20000)) << received << log();
  // the stand-in's events reach the logged-in client as TeleEvento documents
  EXPECT_TRUE(waitForBytes(client, received, "<Localizacao>", 20000)) << received.substr(0, 2000);
  EXPECT_NE(received.find("<?xml version=\"1.0\" ?>  <TeleEvento> "), std::string::npos) << received.substr(0, 500);

  server->terminate();
  ASSERT_TRUE(server->waitForFinished(15000));
  EXPECT_EQ(server->exitCode(), 0) << server->readAllStandardError().toStdString();
  quillon.terminate();
  ASSERT_TRUE(quillon.waitForFinished(5000));
  // the base was seen as up and events piled up in the module's table
  auto base = db::Connection::open(files.urlBase);
  db::Statement q(*base, std::string("SELECT COUNT(*) AS n FROM tEvtPost02"));
  q.open();
  EXPECT_GT(q.field("n").asInt(), 0);
}

TEST_F(DemoE2E, AVehicleCommandComesBackToEveryClientAsItsSendStatus) {
  QProcess quillon;
  ASSERT_NO_FATAL_FAILURE(startsQuillon(quillon, "1", "5"));

  auto server = start(dir.path().string());
  ASSERT_TRUE(waitForLog("Korvatel inicializado corretamente")) << log();
  QTcpSocket a, b;
  std::string recebidoA, recebidoB;
  for (QTcpSocket* s : {&a, &b}) {
    s->connectToHost("127.0.0.1", static_cast<quint16>(port()));
    ASSERT_TRUE(s->waitForConnected(5000));
    s->write("<telecomando><CodMsg>-27</CodMsg><LoginOperador>ADMIN</LoginOperador><Senha>admin</Senha>"
             "</telecomando>");
  }
  ASSERT_TRUE(waitForBytes(a, recebidoA, "<CodMsg> -58 </CodMsg>", 20000)) << log();
  ASSERT_TRUE(waitForBytes(b, recebidoB, "<CodMsg> -58 </CodMsg>", 20000)) << log();
  // a position request for the first demo vehicle, a GPRS unit whose plan
  // allows it; refused with 306 until the server has seen the base's heartbeat
  const std::string comando =
      "<telecomando><CodMsg>01</CodMsg><IdSeqMsg>424242</IdSeqMsg><IdTerminal>1000</IdTerminal></telecomando>";
  const std::string baseFora = "<StsEnvio>306</StsEnvio>";
  a.write(comando.c_str());
  for (int tentativa = 0; tentativa < 10 && waitForBytes(a, recebidoA, baseFora, 3000); ++tentativa) {
    recebidoA.clear();
    a.write(comando.c_str());
  }
  const std::string status = "<IdStatus> 424242 </IdStatus>";
  EXPECT_TRUE(waitForBytes(a, recebidoA, status, 40000)) << log();
  EXPECT_TRUE(waitForBytes(b, recebidoB, status, 40000));
  EXPECT_EQ(recebidoA.find("<CodMsg> -40</CodMsg>"), std::string::npos) << recebidoA.substr(0, 2000);

  server->terminate();
  ASSERT_TRUE(server->waitForFinished(15000));
  quillon.terminate();
  ASSERT_TRUE(quillon.waitForFinished(5000));
  auto zenthora = db::Connection::open(files.urlZenthora);
  db::Statement q(*zenthora, std::string("SELECT StatusEnvio, Origem FROM tTelecomando WHERE IdSeqMsg = 424242"));
  q.open();
  ASSERT_FALSE(q.eof());
  EXPECT_NE(q.field("StatusEnvio").asInt(), 16);  // transmitted and answered
  EXPECT_EQ(q.field("Origem").asString(), "ModCom02");
}

// Every query telecommand answers from the demo central, through the real
// program, its command queue (one queued document every third second) and its
// outbound buffer.
TEST_F(DemoE2E, EveryQueryAnswersFromTheDemoCentral) {
  auto server = start(dir.path().string());
  ASSERT_TRUE(waitForLog("Korvatel inicializado corretamente")) << log();
  QTcpSocket client;
  std::string received;
  ASSERT_NO_FATAL_FAILURE(logsInAsAdmin(client, received));

  struct Pedido {
    const char* corpo;
    const char* resposta;
    const char* conteudo;
  };
  const Pedido pedidos[] = {
      {"<CodMsg>-1</CodMsg>", "<CodMsg> -20 </CodMsg>", "<IdTerminal> 001000 </IdTerminal> <Veiculo> Caminhao 001 "},
      {"<CodMsg>-33</CodMsg>", "<CodMsg> -68 </CodMsg>", "<CodMsg> -68 </CodMsg> <IdTerminal> 001000 </IdTerminal>"},
      {"<CodMsg>-31</CodMsg><IdTerminal>1000</IdTerminal>", "<CodMsg> -66 </CodMsg>", "<Veiculo IdTerminal=\"001000\""},
      {"<CodMsg>-32</CodMsg><IdTerminal>1000</IdTerminal>", "<CodMsg> -67 </CodMsg>", "<CentraisClientes><Cliente>"},
      {"<CodMsg>-32</CodMsg><IdTerminal>1122</IdTerminal>", "<CodMsg> -67 </CodMsg>", "<CentralServidora> "},
      {"<CodMsg>-30</CodMsg>", "<CodMsg> -65 </CodMsg>", "<Nome> TemperaturaBau </Nome>"},
      {"<CodMsg>-29</CodMsg>", "<CodMsg> -64 </CodMsg>", "<Pendentes>1234</Pendentes>"},
  };
  for (const Pedido& p : pedidos) {
    received.clear();
    client.write((std::string("<telecomando>") + p.corpo + "</telecomando>").c_str());
    EXPECT_TRUE(waitForBytes(client, received, p.conteudo, 20000)) << p.corpo << "\n" << received.substr(0, 2000);
    EXPECT_NE(received.find(p.resposta), std::string::npos) << p.corpo;
  }

  server->terminate();
  ASSERT_TRUE(server->waitForFinished(15000));
  EXPECT_EQ(server->exitCode(), 0) << server->readAllStandardError().toStdString();
}

TEST_F(DemoE2E, ARouteAndStopMessagesImportedByAClientReachTheCentral) {
  auto server = start(dir.path().string());
  ASSERT_TRUE(waitForLog("Korvatel inicializado corretamente")) << log();
  QTcpSocket client;
  std::string received;
  ASSERT_NO_FATAL_FAILURE(logsInAsAdmin(client, received));

  // a route of two points 1 km apart for the first demo vehicle; tolerance 255
  // takes the demo's default route profile (500 m, so the step is 0.37 km).
  // The server lower-cases what it receives, names included.
  client.write("<telecomando><CodMsg>-11</CodMsg><Veiculo><IdTerminal>1000</IdTerminal></Veiculo>"
               "<GrupoRota><NomeGrupo>Entregas</NomeGrupo><Rota><NomeRota>Centro - Marginal</NomeRota>"
               "<Tolerancia>255</Tolerancia>"
               "<PontoRota><Latitude>-23.5</Latitude><Longitude>-46.6</Longitude></PontoRota>"
               "<PontoRota><Latitude>2330325S</Latitude><Longitude>4636000W</Longitude></PontoRota>"
               "</Rota></GrupoRota></telecomando>");
  EXPECT_TRUE(waitForBytes(client, received,
                           " <Rota>  <NomeRota>centro - marginal</NomeRota>  <StsImportacao>0</StsImportacao>  "
                           "<Veiculo>  <IdTerminal>001000</IdTerminal>  <StsAssociacao>0</StsAssociacao>  </Veiculo>  "
                           "</Rota>  </GrupoRota>  </TeleEvento>",
                           30000))
      << received.substr(0, 2000) << log();
  client.write("<telecomando><CodMsg>-15</CodMsg><Veiculo><IdTerminal>1001</IdTerminal><IdTerminal>1000</IdTerminal>"
               "</Veiculo><MensagensELP><MensagemELP><TipoMsg>0</TipoMsg><Mensagem>Chegada na doca</Mensagem>"
               "</MensagemELP></MensagensELP></telecomando>");
  EXPECT_TRUE(waitForBytes(client, received,
                           "<IdTerminal>001000</IdTerminal>  <StsAssociacao>0</StsAssociacao>  </Veiculo>  "
                           "<Veiculo>  <IdTerminal>001001</IdTerminal>  <StsAssociacao>0</StsAssociacao>  </Veiculo>  "
                           "</MensagensELP>",
                           30000))
      << received.substr(0, 2000) << log();
  EXPECT_EQ(received.find("<CodMsg> -40</CodMsg>"), std::string::npos) << received.substr(0, 2000);

  server->terminate();
  ASSERT_TRUE(server->waitForFinished(15000));
  auto sse = db::Connection::open(files.urlSse);
  db::Statement rota(*sse, std::string("SELECT R.Tolerancia, R.idPerfil, count(P.IDPonto) AS pontos FROM tRota R "
                                       "JOIN tPontoRota P ON P.IDRota = R.IDRota WHERE R.Nome = 'centro - marginal' "
                                       "GROUP BY R.IDRota"));
  rota.open();
  ASSERT_FALSE(rota.eof());
  EXPECT_EQ(rota.field("Tolerancia").asInt(), 4);
  EXPECT_EQ(rota.field("idPerfil").asInt(), 1);
  EXPECT_EQ(rota.field("pontos").asInt(), 4);
  auto zenthora = db::Connection::open(files.urlZenthora);
  db::Statement mensagens(*zenthora, std::string("SELECT count(*) AS n FROM tCfgMensagemExtensaoLogistica "
                                                 "WHERE IdTerminal IN (4096, 4097) AND TipoMsg = 0 AND Sequencia = 1"));
  mensagens.open();
  EXPECT_EQ(mensagens.field("n").asInt(), 2);
}

TEST_F(DemoE2E, TargetsAndFencesImportedByAClientAreListedToIt) {
  auto server = start(dir.path().string());
  ASSERT_TRUE(waitForLog("Korvatel inicializado corretamente")) << log();
  QTcpSocket client;
  std::string received;
  ASSERT_NO_FATAL_FAILURE(logsInAsAdmin(client, received));

  // the server lower-cases what it receives, names included
  client.write("<telecomando><CodMsg>-9</CodMsg><Veiculo><IdTerminal>1000</IdTerminal></Veiculo>"
               "<AssociacaoAlvosVeiculos>1</AssociacaoAlvosVeiculos><IdPerfilDefinicao>2</IdPerfilDefinicao>"
               "<GrupoAlvo><NomeGrupo>Portos</NomeGrupo><Alvo><NomeAlvo>Porto de Paranagua</NomeAlvo>"
               "<Latitude>-25.5</Latitude><Longitude>2530000O</Longitude></Alvo></GrupoAlvo></telecomando>");
  EXPECT_TRUE(waitForBytes(client, received,
                           " <Alvo>  <NomeAlvo>porto de paranagua</NomeAlvo>  <Latitude>-25.5</Latitude>  "
                           "<Longitude>2530000o</Longitude>  <StsImportacao>0</StsImportacao>  <Veiculo>  "
                           "<IdTerminal>001000</IdTerminal>  <StsAssociacao>0</StsAssociacao>  </Veiculo>  </Alvo>  "
                           "</GrupoAlvo>  </TeleEvento>",
                           30000))
      << received.substr(0, 2000) << log();
  client.write("<telecomando><CodMsg>-7</CodMsg></telecomando>");
  EXPECT_TRUE(waitForBytes(client, received,
                           "<IdAlvo> 9 </IdAlvo><NomeAlvo> porto de paranagua </NomeAlvo><Latitude> 25\xB0" "30'00.0\" S "
                           "</Latitude><Longitude> 25\xB0" "30'00.0\" W </Longitude> </Alvo>  </GrupoAlvo> <NumAlvosXML> 9 "
                           "</NumAlvosXML> </TeleEvento>",
                           30000))
      << received.substr(0, 4000) << log();

  client.write("<telecomando><CodMsg>-10</CodMsg><Veiculo><IdTerminal>1000</IdTerminal></Veiculo>"
               "<GrupoCerca><NomeGrupo>Patios</NomeGrupo><Cerca><NomeCerca>Patio Paranagua</NomeCerca>"
               "<Latitude>-25.5</Latitude><Longitude>-48.5</Longitude></Cerca></GrupoCerca></telecomando>");
  EXPECT_TRUE(waitForBytes(client, received,
                           " <Cerca>  <NomeCerca>patio paranagua</NomeCerca>  <Latitude>-25.5</Latitude>  "
                           "<Longitude>-48.5</Longitude>  <StsImportacao>0</StsImportacao>  <Veiculo>  "
                           "<IdTerminal>001000</IdTerminal>  <StsAssociacao>0</StsAssociacao>  </Veiculo>  </Cerca>",
                           30000))
      << received.substr(0, 2000) << log();
  client.write("<telecomando><CodMsg>-8</CodMsg></telecomando>");
  EXPECT_TRUE(waitForBytes(client, received, "<IdCerca> 6 </IdCerca><NomeCerca> patio paranagua </NomeCerca>", 30000))
      << received.substr(0, 4000) << log();
  EXPECT_EQ(received.find("<CodMsg> -40</CodMsg>"), std::string::npos) << received.substr(0, 2000);

  server->terminate();
  ASSERT_TRUE(server->waitForFinished(15000));
  auto sse = db::Connection::open(files.urlSse);
  db::Statement alvo(*sse, std::string("SELECT A.Tolerancia_Alvo, V.IdVeiculo FROM tAlvo A JOIN tAlvoVeic V "
                                       "ON V.IdAlvo = A.IdAlvo WHERE A.Nome_Alvo = 'porto de paranagua'"));
  alvo.open();
  ASSERT_FALSE(alvo.eof());
  EXPECT_EQ(alvo.field("Tolerancia_Alvo").asInt(), 150);
  EXPECT_EQ(alvo.field("IdVeiculo").asInt(), 4096);
}

namespace {

struct RespostaHttp {
  int status = 0;  // 0: no answer
  std::string corpo;
};

// GET on 127.0.0.1 with HTTP/1.0; the status and the body.
RespostaHttp httpGet(int porta, const std::string& caminho) {
  QTcpSocket s;
  s.connectToHost("127.0.0.1", static_cast<quint16>(porta));
  if (!s.waitForConnected(3000)) return {};
  const std::string pedido = "GET " + caminho + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
  s.write(pedido.data(), static_cast<qint64>(pedido.size()));
  std::string r;
  for (int i = 0; i < 100; ++i) {
    if (s.waitForReadyRead(50)) r += s.readAll().toStdString();
    const auto fim = r.find("\r\n\r\n");
    const auto cl = r.find("Content-Length: ");
    if (fim != std::string::npos && cl != std::string::npos && cl < fim &&
        r.size() - (fim + 4) >= std::stoul(r.substr(cl + 16)))
      break;
    if (s.state() != QAbstractSocket::ConnectedState) break;
  }
  RespostaHttp resposta;
  if (r.rfind("HTTP/1.1 ", 0) != 0 || r.size() < 12) return resposta;
  resposta.status = std::stoi(r.substr(9, 3));
  const auto fim = r.find("\r\n\r\n");
  if (fim != std::string::npos) resposta.corpo = r.substr(fim + 4);
  return resposta;
}

// The value of one sample of /metrics; -1 when it is not there.
long long amostra(const std::string& metricas, const std::string& nome) {
  const auto i = metricas.find("\n" + nome + " ");
  return i == std::string::npos ? -1 : std::stoll(metricas.substr(i + nome.size() + 2));
}

void estraga(const std::string& banco) {
  for (const std::string sufixo : {"", "-wal", "-shm"}) {
    std::fstream f(banco + sufixo, std::ios::in | std::ios::out | std::ios::binary);
    if (f) f << std::string(8192, 'Z');
  }
}

}  // namespace

TEST_F(DemoE2E, MetricsMoveWhileEventsFlowAndHealthFailsWhenADatabaseIsGone) {
  const int portaHttp = test::portaLivre();
  ini::IniFile(files.ini).writeInteger("KORVATEL", "PORTA_HTTP", portaHttp);
  QProcess quillon;
  quillon.setWorkingDirectory(QString::fromStdString(dir.path().string()));
  quillon.setProgram(QString::fromStdString((test::binaryDir() / "bin" / "quillon-sim").string()));
  quillon.setArguments({"--ini", QString::fromStdString(files.ini), "--rate", "20", "--vehicles", "20"});
  quillon.start();
  ASSERT_TRUE(quillon.waitForStarted(5000));

  auto server = start(dir.path().string());
  ASSERT_TRUE(waitForLog("Korvatel inicializado corretamente")) << log();
  EXPECT_TRUE(waitForLog("Monitoramento em http://127.0.0.1:" + std::to_string(portaHttp))) << log();
  const std::string antes = httpGet(portaHttp, "/metrics").corpo;
  ASSERT_EQ(amostra(antes, "korvatel_clientes_conectados"), 0) << antes;

  QTcpSocket client;
  client.connectToHost("127.0.0.1", static_cast<quint16>(port()));
  ASSERT_TRUE(client.waitForConnected(5000));
  client.write("<telecomando><CodMsg>-27</CodMsg><LoginOperador>ADMIN</LoginOperador><Senha>admin</Senha>"
               "</telecomando>");
  std::string received;
  ASSERT_TRUE(waitForBytes(client, received, "<Localizacao>", 30000)) << received.substr(0, 2000) << log();

  // the counters move while events flow (the client keeps reading so flushes succeed)
  std::string depois;
  for (int i = 0; i < 200; ++i) {
    waitForBytes(client, received, "\x01", 50);
    depois = httpGet(portaHttp, "/metrics").corpo;
    if (amostra(depois, "korvatel_eventos_entregues_total") > amostra(antes, "korvatel_eventos_entregues_total") &&
        amostra(depois, "korvatel_descargas_total") > 0 && amostra(depois, "korvatel_eventos_lidos_total") > 0 &&
        amostra(depois, "korvatel_tentativas_envio_total") > 0)
      break;
  }
  EXPECT_GT(amostra(depois, "korvatel_eventos_entregues_total"), 0) << depois;
  EXPECT_GT(amostra(depois, "korvatel_descargas_total"), 0) << depois;
  EXPECT_GT(amostra(depois, "korvatel_eventos_lidos_total"), 0) << depois;
  EXPECT_GT(amostra(depois, "korvatel_tentativas_envio_total"), 0) << depois;
  EXPECT_EQ(amostra(depois, "korvatel_clientes_conectados"), 1) << depois;
  EXPECT_EQ(amostra(depois, "korvatel_falhas_descarga_total"), 0) << depois;
  EXPECT_GT(amostra(depois, "korvatel_posicao_numseq{tabela=\"eventos\"}"), 0) << depois;
  EXPECT_GE(amostra(depois, "korvatel_comandos_na_fila"), 0) << depois;
  EXPECT_EQ(depois.find("IdTerminal"), std::string::npos);

  auto saude = httpGet(portaHttp, "/health");
  EXPECT_EQ(saude.status, 200) << saude.corpo;

  // the security database goes away: nothing on a timer touches it, so the
  // server keeps running and only the health check sees it
  estraga(files.sse);
  saude = httpGet(portaHttp, "/health");
  EXPECT_EQ(saude.status, 503) << saude.corpo;
  EXPECT_NE(saude.corpo.find("\"dbSSE\":false"), std::string::npos) << saude.corpo;
  EXPECT_NE(saude.corpo.find("\"dbZenthora\":true"), std::string::npos) << saude.corpo;

  // the central itself goes away: the next heartbeat finds it gone and the
  // process ends with code 1, for the service manager to restart it
  quillon.terminate();
  ASSERT_TRUE(quillon.waitForFinished(5000));
  estraga(files.zenthora);
  ASSERT_TRUE(server->waitForFinished(15000));
  EXPECT_EQ(server->exitCode(), 1);
}
