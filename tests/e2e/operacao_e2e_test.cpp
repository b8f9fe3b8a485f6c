// An operation associated with a demo vehicle and transmitted through the real
// korvatel, whose items the real quillon-sim sends and answers with status
// events; the operation status then reports each item's outcome.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTcpSocket>

#include <chrono>
#include <regex>
#include <thread>

#include "central/central.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/text/cp1252.h"
#include "tests/support/central_processos.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::text::literals;
using namespace std::string_literals;

namespace {

struct OperacaoE2E : ::testing::Test {
  test::TempDir dir;
  central::CentralFiles files;
  std::unique_ptr<QProcess> quillon;
  std::unique_ptr<QProcess> servidor;
  QTcpSocket cliente;
  std::string recebido;

  void SetUp() override {
    central::CentralOptions opt;
    opt.demo = true;
    files = test::centralParaProcessos(dir.path().string(), opt);
    ini::IniFile(files.ini).writeInteger("KORVATEL", "TIMER_BUFFER", 1);
  }

  void TearDown() override {
    for (QProcess* p : {servidor.get(), quillon.get()}) {
      if (!p || p->state() == QProcess::NotRunning) continue;
      p->terminate();
      p->waitForFinished(15000);
    }
  }

  std::string consulta(const std::string& sql) {
    auto c = db::Connection::open(files.urlZenthora);
    db::Statement q(*c, sql);
    q.open();
    return q.eof() ? "" : q.field(std::size_t{0}).asString();
  }

  std::unique_ptr<QProcess> inicia(const char* programa, const QStringList& argumentos) {
    auto p = std::make_unique<QProcess>();
    p->setWorkingDirectory(QString::fromStdString(dir.path().string()));
    p->setProgram(QString::fromStdString((test::binaryDir() / "bin" / programa).string()));
    p->setArguments(argumentos);
    p->start();
    EXPECT_TRUE(p->waitForStarted(5000));
    return p;
  }

  std::string log() { return test::readFile(dir.file("KORVATEL01.log")); }
  bool esperaLog(const std::string& texto) {
    for (int t = 0; t < 20000; t += 50) {
      if (log().find(texto) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // Sends a telecomando and waits for the first reply of the given code
  // received after it; returns that reply document.
  std::string pede(const std::string& elementos, const std::string& codigoResposta, int ms = 20000) {
    const std::size_t inicio = recebido.size();
    cliente.write(("<telecomando>" + elementos + "</telecomando>").c_str());
    const std::string marca = "<CodMsg> " + codigoResposta + " </CodMsg>";
    for (int t = 0; t < ms; t += 50) {
      if (cliente.waitForReadyRead(50)) recebido += cliente.readAll().toStdString();
      const std::size_t achou = recebido.find(marca, inicio);
      if (achou == std::string::npos) continue;
      const std::size_t fim = recebido.find("</TeleEvento>", achou);
      if (fim == std::string::npos) continue;
      const std::size_t comeco = recebido.rfind("<?xml", achou);
      return recebido.substr(comeco, fim + 13 - comeco);
    }
    return "";
  }
};

}  // namespace

TEST_F(OperacaoE2E, TransmittedOperationItemsComeBackAsStatusEventsAndAreReported) {
  // a GPRS vehicle of an enabled model
  const std::string terminal = consulta(
      "SELECT IdTerminal FROM tVeiculo WHERE TipoComunicacao = 1 AND Rastreador IN "
      "(SELECT Rastreador FROM tRastreador WHERE ListaKVT = 1) AND IdTerminal NOT IN (SELECT IdTerminal FROM "
      "tConfigCentral) ORDER BY IdTerminal LIMIT 1");
  ASSERT_FALSE(terminal.empty());
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(std::stoi(terminal)));

  quillon = inicia("quillon-sim", {"--ini", QString::fromStdString(files.ini), "--rate", "1", "--vehicles", "5"});
  servidor = inicia("korvatel", {"--dir", QString::fromStdString(dir.path().string()), "--headless"});
  ASSERT_TRUE(esperaLog("Korvatel inicializado corretamente")) << log();
  const int porta = ini::IniFile(files.ini).readInteger("KORVATEL", "KORVATEL_PORT", 0);
  cliente.connectToHost("127.0.0.1", static_cast<quint16>(porta));
  ASSERT_TRUE(cliente.waitForConnected(5000));
  ASSERT_NE(pede("<CodMsg>-27</CodMsg><LoginOperador>ADMIN</LoginOperador><Senha>admin</Senha>", "-58"), "");

  const std::string id = std::string("<IdTerminal>") + hex + "</IdTerminal>";
  EXPECT_NE(pede("<CodMsg>-3</CodMsg><IdOperacao>1</IdOperacao>" + id, "-42").find("<StsAssociacao> 0 </StsAssociacao>"),
            std::string::npos);
  // the server sees the base up within a few seconds of its start
  std::string transmissao;
  for (int tentativa = 0; tentativa < 20; ++tentativa) {
    transmissao = pede("<CodMsg>-21</CodMsg>" + id, "-52");
    if (transmissao.find("<StsTransmissao>3</StsTransmissao>") == std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  ASSERT_NE(transmissao.find("<StsTransmissao>0</StsTransmissao>"), std::string::npos) << transmissao;

  // quillon-sim sends the three items; their status events end their waiting states
  const std::string pendentes = "SELECT count(*) FROM tTelecomando C JOIN tTransItensOperacao T ON T.IdSequencia = "
                                "C.IdSequencia WHERE C.StatusEnvio IN (16, 200)";
  for (int t = 0; t < 60000 && consulta(pendentes) != "0"; t += 250)
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  ASSERT_EQ(consulta(pendentes), "0") << log();
  EXPECT_EQ(consulta("SELECT count(*) FROM tTransItensOperacao"), "3");

  const std::string status = pede("<CodMsg>-26</CodMsg>" + id, "-57");
  EXPECT_NE(status.find("<StsOperacao> 0 </StsOperacao> <IdOperacao> 1 </IdOperacao>"), std::string::npos) << status;
  // each item with the outcome quillon-sim reported for its own telecommand
  const std::regex item("<IdItem> (\\d+) </IdItem>.*?<StatusItem> ([^<]*)</StatusItem>");
  int itens = 0;
  for (std::sregex_iterator i(status.begin(), status.end(), item), fim; i != fim; ++i, ++itens) {
    const std::string estado = consulta(
        "SELECT C.StatusEnvio FROM tTelecomando C JOIN tTransItensOperacao T ON T.IdSequencia = C.IdSequencia "
        "WHERE T.IdConfiguracao = " + (*i)[1].str());
    const std::string texto = (*i)[2].str();
    if (estado == "0")
      EXPECT_EQ(texto, "Enviado") << status;
    else
      EXPECT_EQ(texto, "Tentativas de envio esgotadas    ") << status;
  }
  EXPECT_EQ(itens, 3) << status;
  EXPECT_NE(status.find("<DescItem> "s + "Configuração de limites de velocidade"_cp + "</DescItem>"), std::string::npos)
      << status;
  // the items' status events are reported by -26, not passed on as stand-alone commands
  EXPECT_EQ(recebido.find("<StsEnvio>"), std::string::npos);
}
