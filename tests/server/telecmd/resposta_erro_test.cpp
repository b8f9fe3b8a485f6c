#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/clock/clock.h"
#include "platform/text/cp1252.h"
#include "platform/text/regional.h"
#include "server/runtime/log_files.h"
#include "server/telecmd/resposta_erro.h"
#include "tests/server/telecmd/canal_sockets.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::test::CanalSockets;
using kvt::test::readFile;
using kvt::test::TempDir;

namespace {

struct RespostaErroFixture : ::testing::Test {
  TempDir dir;
  clk::ManualClock relogio{0, {2024, 1, 2, 3, 4, 5, 0}};
  clk::ScopedClock escopo{relogio};
  runtime::LogSettings settings;
  runtime::HistoryList historico;
  runtime::LogFiles logs{settings, dir.file("KORVATEL.INI"), historico, dir.path().string()};
  CanalSockets canal;
  telecmd::RespostaStatusErro respostas{canal, logs};

  void SetUp() override { text::setRegional({}); }
  std::string log() { return std::filesystem::exists(dir.file("KORVATEL01.log")) ? readFile(dir.file("KORVATEL01.log")) : ""; }
};

const std::string kInicio = " <DataHoraEm> 02/01/2024 03:04:05 </DataHoraEm> <CodMsg> -40</CodMsg> ";
const std::string kEnvelope = "<?xml version=\"1.0\" ?>  <TeleEvento> ";

struct Caso {
  const char* nome;
  telecmd::StatusErro erro;
  std::string retornaErroXML;  // the telecommand processor's builder, after kInicio
  std::string statusErroXML;   // the server object's builder, after kInicio
};

const Caso kCasos[] = {
    {"nothing optional", {"Falha", "", "", 0, -1},
     " <MsgErro> Falha </MsgErro>",
     " <Telecomando>  </Telecomando>  <MsgErro> Falha </MsgErro>"},
    {"every piece", {"Falha", "5c", "00A0B1", 307, 7},
     "<IdStatus> 7 </IdStatus> <IdTerminal> 00A0B1 </IdTerminal><Telecomando> 5c </Telecomando> <StsEnvio>307</StsEnvio>  <MsgErro> Falha </MsgErro>",
     "<IdStatus> 7 </IdStatus> <IdTerminal> 00A0B1 </IdTerminal> <StsEnvio>307</StsEnvio>  <Telecomando> 5c </Telecomando>  <MsgErro> Falha </MsgErro>"},
    {"IdStatus 0 is left out", {"Falha", "", "", 0, 0},
     " <MsgErro> Falha </MsgErro>",
     " <Telecomando>  </Telecomando>  <MsgErro> Falha </MsgErro>"},
    {"terminal only", {"Falha", "", "a0b1", 0, -1},
     " <IdTerminal> a0b1 </IdTerminal> <MsgErro> Falha </MsgErro>",
     " <IdTerminal> a0b1 </IdTerminal> <Telecomando>  </Telecomando>  <MsgErro> Falha </MsgErro>"},
    {"telecommand without StsEnvio", {"Falha", "-1", "", 0, -1},
     "<Telecomando> -1 </Telecomando> <MsgErro> Falha </MsgErro>",
     " <Telecomando> -1 </Telecomando>  <MsgErro> Falha </MsgErro>"},
    {"StsEnvio without telecommand", {"Falha", "", "", 311, 0},
     " <StsEnvio>311</StsEnvio>  <MsgErro> Falha </MsgErro>",
     " <Telecomando>  </Telecomando>  <MsgErro> Falha </MsgErro>"},
    {"message cleaned", {"Tag <IdTerminal> está em branco & o \"resto\""_cp, "", "", 0, -1},
     " <MsgErro> Tag [IdTerminal] esta em branco e o \"resto\" </MsgErro>",
     " <Telecomando>  </Telecomando>  <MsgErro> Tag [IdTerminal] esta em branco e o \"resto\" </MsgErro>"},
    {"client texts cannot inject markup", {"x", "<a>", "&1", 1, -1},
     " <IdTerminal> &amp;1 </IdTerminal><Telecomando> &lt;a&gt; </Telecomando> <StsEnvio>1</StsEnvio>  <MsgErro> x </MsgErro>",
     " <IdTerminal> &amp;1 </IdTerminal> <StsEnvio>1</StsEnvio>  <Telecomando> &lt;a&gt; </Telecomando>  <MsgErro> x </MsgErro>"},
};

}  // namespace

TEST_F(RespostaErroFixture, ExactBytesOfBothBuildersWithAndWithoutEachPiece) {
  const int c = canal.conecta("Sim");
  for (const Caso& k : kCasos) {
    const telecmd::StatusErro& e = k.erro;
    respostas.RetornaErroXML(e.mensagem, e.telecomando, e.terminal, e.stsEnvio, e.idStatus);
    EXPECT_EQ(canal.recebido(c), kEnvelope + kInicio + k.retornaErroXML + " </TeleEvento>") << k.nome;
    respostas.Retorna_Status_Erro_XML(e.mensagem, e.telecomando, e.terminal, e.stsEnvio, e.idStatus);
    EXPECT_EQ(canal.recebido(c), kEnvelope + kInicio + k.statusErroXML + " </TeleEvento>") << k.nome;
  }
}

TEST_F(RespostaErroFixture, WrittenAtOnceToEveryOpenConnectionLoggedInOrNot) {
  canal.conecta("Sim");
  canal.conecta("Nao");
  const int saiu = canal.conecta("Sim");
  canal.desconecta(saiu);

  const Caso& c = kCasos[1];
  respostas.RetornaErroXML(c.erro.mensagem, c.erro.telecomando, c.erro.terminal, c.erro.stsEnvio, c.erro.idStatus);
  respostas.Retorna_Status_Erro_XML(c.erro.mensagem, c.erro.telecomando, c.erro.terminal, c.erro.stsEnvio,
                                    c.erro.idStatus);

  const std::string primeiro = kEnvelope + kInicio + c.retornaErroXML + " </TeleEvento>";
  const std::string segundo = kEnvelope + kInicio + c.statusErroXML + " </TeleEvento>";
  const auto recebidos = canal.recebidos();
  EXPECT_EQ(recebidos[0], primeiro + segundo);
  EXPECT_EQ(recebidos[1], primeiro + segundo);
  EXPECT_EQ(recebidos[2], "");
  EXPECT_TRUE(canal.enfileirados().empty());  // never through the outbound buffer

  EXPECT_EQ(log(),
            "[INFO][02/01/2024 03:04:05][tTeleCmd] " + primeiro + "\r\n\r\n" +
                "[INFO][02/01/2024 03:04:05][TFPrincipal.Retorna_Status_Erro_XML] " + segundo + "\r\n\r\n");
  EXPECT_EQ(historico.size(), 0u);
}

TEST_F(RespostaErroFixture, NothingBuiltNorLoggedWithoutConnections) {
  const int c = canal.conecta("Sim");
  canal.desconecta(c);
  respostas.RetornaErroXML("Falha", "5c", "", 307, 1);
  respostas.Retorna_Status_Erro_XML("Falha", "", "", 0, -1);
  EXPECT_EQ(log(), "");
  EXPECT_EQ(canal.recebidos(), std::vector<std::string>{""});
}
