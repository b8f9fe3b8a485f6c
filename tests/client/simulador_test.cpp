// The simulator on a real socket: the rotation of codes, the interval rule,
// the per-minute count, every vehicle of a real central, and the stop on
// disconnection.
#include <gtest/gtest.h>

#include <QTest>

#include "central/central.h"
#include "client/formato.h"
#include "client/sessao_cliente.h"
#include "client/simulador.h"
#include "platform/clock/clock.h"
#include "platform/db/db.h"
#include "tests/client/servidor_falso.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::cliente;

namespace {

struct SimuladorFixture : ::testing::Test {
  test::TempDir dir;
  test::ServidorFalso servidor;
  clk::ManualClock relogio{1000};
  clk::ScopedClock instalado{relogio};
  ConfiguracaoCliente cfg;
  std::unique_ptr<SessaoCliente> sessao;
  std::unique_ptr<SimuladorTeleCmd> sim;
  std::string idTerminal = "123456";

  void conecta() {
    sessao = std::make_unique<SessaoCliente>(cfg, dir.path().string());
    sim = std::make_unique<SimuladorTeleCmd>(*sessao, [this] {
      return SimuladorTeleCmd::Campos{"ModCom02", "Quillon", idTerminal};
    });
    sessao->btnConnectClick("127.0.0.1", servidor.porta());
    ASSERT_TRUE(servidor.esperaConexao());
    ASSERT_TRUE(QTest::qWaitFor([this] { return sessao->conectado(); }, 5000));
  }
  // The documents the server received, cut at their line ends.
  std::vector<std::string> recebidos(std::size_t n) {
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          std::size_t k = 0;
          for (std::size_t p = 0; (p = servidor.recebido.find("</Telecomando>\r\n", p)) != std::string::npos; ++p) ++k;
          return k >= n;
        },
        5000));
    std::vector<std::string> docs;
    std::size_t inicio = 0;
    for (std::size_t p; (p = servidor.recebido.find("</Telecomando>\r\n", inicio)) != std::string::npos;) {
      docs.push_back(servidor.recebido.substr(inicio, p + 14 - inicio));
      inicio = p + 16;
    }
    return docs;
  }
};

std::string elemento(const std::string& doc, const std::string& nome) {
  const std::size_t a = doc.find("<" + nome + ">");
  const std::size_t b = doc.find("</" + nome + ">");
  if (a == std::string::npos || b == std::string::npos) return "<ausente>";
  return doc.substr(a + nome.size() + 2, b - a - nome.size() - 2);
}

}  // namespace

TEST_F(SimuladorFixture, RotatesTheCodesKeepsTheLetterCaseAndCountsTheMinute) {
  conecta();
  sim->btnIniciarSimulacaoClick("1000", false);
  ASSERT_TRUE(sim->rodando());
  EXPECT_EQ(sim->caption(), "&Parar");
  EXPECT_EQ(sim->intervaloMs(), 1000);
  for (int i = 0; i < 11; ++i) sim->tmrSimuladorTeleCmdTimer();
  const auto docs = recebidos(11);
  ASSERT_EQ(docs.size(), 11u);
  EXPECT_EQ(elemento(docs[0], "CodMsg"), "14");  // sequence 1
  EXPECT_EQ(elemento(docs[1], "CodMsg"), "15");
  EXPECT_EQ(elemento(docs[10], "CodMsg"), "11");  // sequence 11
  EXPECT_EQ(elemento(docs[0], "IdSeqMsg"), "1");
  EXPECT_EQ(elemento(docs[10], "IdSeqMsg"), "11");
  // as composed: no declaration, not lower-cased
  EXPECT_EQ(docs[0].rfind("<Telecomando>\r\n  <IdSeqMsg>1</IdSeqMsg>\r\n  <Origem>ModCom02</Origem>", 0), 0u);
  EXPECT_EQ(elemento(docs[0], "IdTerminal"), "1E240");
  EXPECT_EQ(servidor.recebido.find("<?xml"), std::string::npos);
  EXPECT_EQ(sessao->NumXMLEnviados(), 11);
  EXPECT_EQ(sessao->trvDadosXML().topos()[0].texto, "CodMsg: 14, IdTerminal: 1E240 (123456)");

  // the count of the minute shows once more than 60000 ms have passed
  EXPECT_EQ(sim->lbMediaTeleCmd(), "");
  relogio.advance(60000);
  sim->tmrSimuladorTeleCmdTimer();
  EXPECT_EQ(sim->lbMediaTeleCmd(), "");
  relogio.advance(1);
  sim->tmrSimuladorTeleCmdTimer();
  EXPECT_EQ(sim->lbMediaTeleCmd(), "13");
  EXPECT_EQ(sim->ContMinuto(), 0);

  sim->btnIniciarSimulacaoClick("1000", false);  // "&Parar"
  EXPECT_FALSE(sim->rodando());
  EXPECT_EQ(sim->caption(), "&Iniciar");
}

TEST_F(SimuladorFixture, IntervalMustBeAbove50AndANumber) {
  conecta();
  sim->btnIniciarSimulacaoClick("50", false);
  EXPECT_FALSE(sim->rodando());
  EXPECT_THROW(sim->btnIniciarSimulacaoClick("rápido", false), ErroFormato);
  EXPECT_FALSE(sim->rodando());
  sim->btnIniciarSimulacaoClick("51", false);
  EXPECT_TRUE(sim->rodando());
  // the server goes away: the simulator stops with the connection
  servidor.conexao->close();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !sim->rodando(); }, 5000));
}

TEST_F(SimuladorFixture, EveryVehicleOfTheCentralInTurn) {
  central::CentralOptions opt;
  const central::CentralFiles files = central::createCentral(dir.file("central"), opt);
  {
    auto c = db::Connection::open(files.urlZenthora);
    db::Statement(*c, std::string("INSERT INTO tVeiculo(IdTerminal) VALUES (4096), (4097), (255)")).execute();
  }
  cfg.dbZenthora = files.urlZenthora;
  conecta();
  sim->btnIniciarSimulacaoClick("1000", true);
  ASSERT_TRUE(sim->rodando());
  ASSERT_EQ(sim->veiculos().size(), 3u);
  for (int i = 0; i < 4; ++i) sim->tmrSimuladorTeleCmdTimer();
  const auto docs = recebidos(4);
  ASSERT_EQ(docs.size(), 4u);
  std::vector<std::string> terminais;
  for (const auto& d : docs) terminais.push_back(elemento(d, "IdTerminal"));
  std::vector<std::string> esperado;
  for (std::int64_t v : sim->veiculos()) esperado.push_back(Formata("%x", {v}));
  esperado.push_back(esperado[0]);  // back to the first after the last
  EXPECT_EQ(terminais, esperado);

  // without the central's database the simulator for every vehicle does not start
  cfg.dbZenthora.clear();
  sim.reset();
  sessao.reset();
  conecta();
  EXPECT_THROW(sim->btnIniciarSimulacaoClick("1000", true), std::runtime_error);
  EXPECT_FALSE(sim->rodando());
}
