#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text/cp1252.h"
#include "server/telecmd/tele_cmd.h"
#include "tests/server/telecmd/ambiente_telecmd.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::telecmd::PedidoTeleCmd;
using kvt::telecmd::Tratador;
using kvt::test::AmbienteTeleCmd;
using kvt::test::documento;

namespace {

const std::string kInicio = " <DataHoraEm> 02/01/2024 03:04:05 </DataHoraEm> <CodMsg> -40</CodMsg> ";

std::string erro(const std::string& pecas) { return documento(kInicio + pecas); }

std::string tc(const std::string& corpo) { return "<telecomando>" + corpo + "</telecomando>"; }

const std::string kSintaxe = erro(" <MsgErro> Recebido XML com erros. Verifique sua estrutura e sintaxe </MsgErro>");
const std::string kAguardandoLogin =
    erro(" <MsgErro> KORVATEL aguardando o login, realize o login antes de comecar a comunicacao </MsgErro>");

std::string naoPermitido(const std::string& decimal, const std::string& pecas) {
  return erro(pecas + " <MsgErro> Telecomando nao permitido: Verifique a existencia da Tag com o valor igual " +
              decimal + " no arquivo de configuracao do KVT </MsgErro>");
}

// Every code a client may send, so only the routing decides.
std::string todosOsCodigos() {
  std::string s;
  for (int c = -40; c <= 255; ++c) s += std::to_string(c) + ",";
  return s;
}

// Records every request that reaches a slot.
struct Registro {
  Tratador slot;
  PedidoTeleCmd pedido;
  std::string codMsgNoDocumento;  // read from the request's own document during the call
};

struct Gravador {
  std::vector<Registro> chamadas;
  bool resultado = true;

  void instala(telecmd::tTeleCmd& t) {
    for (int i = 1; i < static_cast<int>(Tratador::Quantidade); ++i) {
      const auto slot = static_cast<Tratador>(i);
      t.DefineTratador(slot, [this, slot](const PedidoTeleCmd& p) {
        chamadas.push_back({slot, p, p.raiz.child("CODMSG").value()});
        return resultado;
      });
    }
  }
};

}  // namespace

TEST(Permissoes, EmptyTelecmdAdmitsOnlyWhatTheAppendedCodesContain) {
  AmbienteTeleCmd amb("");
  struct Caso {
    std::int32_t codigo;
    bool permitido;
  };
  const Caso casos[] = {
      {-29, true}, {-30, true}, {-31, true}, {-32, true}, {-2, true},   {-3, true},   {-1, false},
      {-27, false}, {-33, false}, {-4, false}, {-9, false}, {0x1E, true}, {0x5C, false}, {0x6A, false},
      {0x1, true}, {0x2, true}, {0x3, true},  {0x9, true},  {0x1D, true}, {0x1F, true}, {0x20, true},
      {0x21, false}, {0x0A, false},
  };
  for (const Caso& c : casos) EXPECT_EQ(amb.teleCmd->TeleCmdPermitido(c.codigo), c.permitido) << c.codigo;

  // configured codes are found anywhere in the text, separators or not
  AmbienteTeleCmd configurado("x-27y,5");
  EXPECT_TRUE(configurado.teleCmd->TeleCmdPermitido(-27));
  EXPECT_TRUE(configurado.teleCmd->TeleCmdPermitido(-2));
  EXPECT_TRUE(configurado.teleCmd->TeleCmdPermitido(2));
  EXPECT_TRUE(configurado.teleCmd->TeleCmdPermitido(5));
  EXPECT_FALSE(configurado.teleCmd->TeleCmdPermitido(-1));
}

TEST(Permissoes, RefusedCodesGet307AndReachNoHandler) {
  AmbienteTeleCmd amb("");
  Gravador g;
  g.instala(*amb.teleCmd);
  const int c = amb.canal.conecta("Sim");

  amb.envia(c, tc("<codmsg>-1</codmsg><idseqmsg>5</idseqmsg>"));
  amb.envia(c, tc("<codmsg>-27</codmsg><loginoperador>maria</loginoperador><senha>x</senha>"));
  amb.envia(c, tc("<codmsg>-2</codmsg>"));
  amb.envia(c, tc("<codmsg>1e</codmsg><idterminal>a0b1</idterminal><idseqmsg>3</idseqmsg>"));

  EXPECT_EQ(amb.canal.recebido(c),
            naoPermitido("-1", "<IdStatus> 5 </IdStatus><Telecomando> -1 </Telecomando> <StsEnvio>307</StsEnvio> ") +
                naoPermitido("-27", "<Telecomando> -27 </Telecomando> <StsEnvio>307</StsEnvio> "));
  ASSERT_EQ(g.chamadas.size(), 2u);
  EXPECT_EQ(g.chamadas[0].slot, Tratador::ListaOperacoes);
  EXPECT_EQ(g.chamadas[1].slot, Tratador::EnviaComandoVeiculo);
}

TEST(Permissoes, RefusalComesBeforeTheLogInWaitingReply) {
  AmbienteTeleCmd amb("");
  Gravador g;
  g.instala(*amb.teleCmd);
  const int naoLogado = amb.canal.conecta("Nao");
  const int outro = amb.canal.conecta("Sim");

  amb.envia(naoLogado, tc("<codmsg>-1</codmsg>"));
  const std::string recusa = naoPermitido("-1", "<Telecomando> -1 </Telecomando> <StsEnvio>307</StsEnvio> ");
  EXPECT_EQ(amb.canal.recebidos(), (std::vector<std::string>{recusa, recusa}));
  EXPECT_EQ(amb.status.lberro.size(), 0u);
  EXPECT_TRUE(g.chamadas.empty());

  (void)outro;
}

TEST(Permissoes, PositiveCodeWithoutIdSeqMsgGetsBothRepliesInOrder) {
  AmbienteTeleCmd amb("");
  const int c = amb.canal.conecta("Sim");
  amb.envia(c, tc("<codmsg>5c</codmsg><idterminal>00a0b1</idterminal>"));
  EXPECT_EQ(amb.canal.recebido(c),
            naoPermitido("92", " <IdTerminal> 00a0b1 </IdTerminal><Telecomando> 5c </Telecomando> <StsEnvio>307</StsEnvio> ") +
                erro(" <IdTerminal> 00a0b1 </IdTerminal><Telecomando> 5c </Telecomando> <MsgErro> IdSeqMsg invalido para o Telecomando=92 </MsgErro>"));

  // permitted code: only the IdSeqMsg reply; a negative IdSeqMsg never shows as IdStatus
  amb.envia(c, tc("<codmsg>1e</codmsg><idseqmsg>-4</idseqmsg>"));
  amb.envia(c, tc("<codmsg>1e</codmsg><idseqmsg>abc</idseqmsg>"));
  const std::string invalido = erro("<Telecomando> 1e </Telecomando> <MsgErro> IdSeqMsg invalido para o Telecomando=30 </MsgErro>");
  EXPECT_EQ(amb.canal.recebido(c), invalido + invalido);
}

TEST(Intake, SyntaxErrorsAreAnsweredToEveryConnectionAndListed) {
  AmbienteTeleCmd amb;
  Gravador g;
  g.instala(*amb.teleCmd);
  const int a = amb.canal.conecta("Sim");
  const int b = amb.canal.conecta("Nao");
  const std::string malformados[] = {
      "",
      "<telecomando><codmsg>-2</codmsg>",
      "<telecomando><codmsg>-2</codmsg></telecomand>",
      tc("<codmsg>-2</codmsg>") + tc("<codmsg>-2</codmsg>"),
      tc("<codmsg>-2</codmsg>") + " resto",
      "<?xml version=\"1.0\"?>",
      "codmsg -2",
  };
  for (const std::string& xml : malformados) {
    amb.status.lberro.clear();
    amb.envia(a, xml);
    EXPECT_EQ(amb.canal.recebidos(), (std::vector<std::string>{kSintaxe, kSintaxe})) << xml;
    ASSERT_GE(amb.status.lberro.size(), 2u) << xml;
    EXPECT_EQ(amb.status.lberro.at(0), "[02/01/2024 03:04:05] Recebido XML com erros de sintaxe do Cliente [127.0.0.1]");
    EXPECT_FALSE(amb.status.lberro.at(1).empty());  // the parser's own description
    EXPECT_NE(amb.log().find("XML com erro sintaxe:\r\n" + xml + "\r\n\r\n"), std::string::npos) << xml;
  }
  EXPECT_TRUE(g.chamadas.empty());
  (void)b;
}

TEST(Intake, LogInGateAnswersEveryConnectionAndLetsOnlyTheLogInThrough) {
  AmbienteTeleCmd amb;
  Gravador g;
  g.instala(*amb.teleCmd);
  const int naoLogado = amb.canal.conecta("Nao");
  const int logado = amb.canal.conecta("Sim");

  amb.envia(naoLogado, tc("<codmsg>-2</codmsg>"));
  EXPECT_EQ(amb.canal.recebidos(), (std::vector<std::string>{kAguardandoLogin, kAguardandoLogin}));
  ASSERT_EQ(amb.status.lberro.size(), 1u);
  EXPECT_EQ(amb.status.lberro.at(0), "[02/01/2024 03:04:05] KORVATEL aguardando o login do Cliente.");

  // a sender without a client record counts as not logged in
  amb.teleCmd->ExecutaTeleCmd(tc("<codmsg>-2</codmsg>"), "10.1.1.1", 999);
  EXPECT_EQ(amb.canal.recebidos(), (std::vector<std::string>{kAguardandoLogin, kAguardandoLogin}));
  EXPECT_TRUE(g.chamadas.empty());

  amb.envia(naoLogado, tc("<codmsg>-27</codmsg>"));
  amb.envia(logado, tc("<codmsg>-2</codmsg>"));
  ASSERT_EQ(g.chamadas.size(), 2u);
  EXPECT_EQ(g.chamadas[0].slot, Tratador::EfetuaLogin);
  EXPECT_EQ(g.chamadas[1].slot, Tratador::ListaOperacoes);
  EXPECT_EQ(amb.canal.recebidos(), (std::vector<std::string>{"", ""}));
}

TEST(Despacho, EveryCodeReachesItsSlotAndTheRestIsDroppedSilently) {
  AmbienteTeleCmd amb(todosOsCodigos());
  Gravador g;
  g.instala(*amb.teleCmd);
  const int c = amb.canal.conecta("Sim");
  struct Caso {
    const char* codMsg;
    Tratador slot;
  };
  const Caso casos[] = {
      {"-1", Tratador::ListaRastreadores},
      {"-2", Tratador::ListaOperacoes},
      {"-3", Tratador::AssociaOperacao},
      {"-4", Tratador::ListaPerfisConfiguracao},
      {"-5", Tratador::AssociaPerfil},
      {"-6", Tratador::ListaPerfisDefinicao},
      {"-7", Tratador::ListaAlvos},
      {"-8", Tratador::ListaCercas},
      {"-9", Tratador::ImportaAlvos},
      {"-10", Tratador::ImportaCercas},
      {"-11", Tratador::ImportaRotas},
      {"-12", Tratador::ListaMensagensFormatadas},
      {"-13", Tratador::ListaMensagensELP},
      {"-14", Tratador::ListaMensagensELPRastreador},
      {"-15", Tratador::ImportaMensagensELP},
      {"-16", Tratador::ListaMensagensPre},
      {"-21", Tratador::TransmiteOperacao},
      {"-22", Tratador::TransmitePerfil},
      {"-23", Tratador::TransmiteAlvos},
      {"-24", Tratador::TransmiteCercas},
      {"-25", Tratador::TransmiteRotas},
      {"-26", Tratador::StatusTransmissaoOperacao},
      {"-27", Tratador::EfetuaLogin},
      {"-28", Tratador::TransmiteMensagensELP},
      {"-29", Tratador::Diagnostico},
      {"-30", Tratador::ListaEventosPersonalizados},
      {"-31", Tratador::EnviaUltimaPosicao},
      {"-32", Tratador::InfoCentral},
      {"-33", Tratador::ListaOdometros},
      {"5c", Tratador::ConfiguraMensagensFormatadas},
      {"5C", Tratador::ConfiguraMensagensFormatadas},
      {"6a", Tratador::EnviaMensagemFormatada},
      {"1", Tratador::EnviaComandoVeiculo},
      {"e3", Tratador::EnviaComandoVeiculo},
      {"ff", Tratador::EnviaComandoVeiculo},
      {"0", Tratador::Nenhum},
      {"-17", Tratador::Nenhum},
      {"-18", Tratador::Nenhum},
      {"-19", Tratador::Nenhum},
      {"-20", Tratador::Nenhum},
      {"-34", Tratador::Nenhum},
      {"-40", Tratador::Nenhum},
      {"-x", Tratador::Nenhum},  // not a decimal number: 0
      {"", Tratador::Nenhum},
  };
  for (const Caso& k : casos) {
    g.chamadas.clear();
    amb.envia(c, tc(std::string("<codmsg>") + k.codMsg + "</codmsg><idseqmsg>1</idseqmsg>"));
    if (k.slot == Tratador::Nenhum) {
      EXPECT_TRUE(g.chamadas.empty()) << k.codMsg;
    } else {
      ASSERT_EQ(g.chamadas.size(), 1u) << k.codMsg;
      EXPECT_EQ(g.chamadas[0].slot, k.slot) << k.codMsg;
    }
  }
  amb.envia(c, tc("<idseqmsg>1</idseqmsg>"));  // no CodMsg at all
  EXPECT_TRUE(g.chamadas.empty());
  EXPECT_EQ(amb.canal.recebido(c), "");
}

TEST(Despacho, HeaderIsReadByUpperCaseNamesWithLaterOccurrencesWinning) {
  AmbienteTeleCmd amb(todosOsCodigos());
  Gravador g;
  g.instala(*amb.teleCmd);
  const int c = amb.canal.conecta("Sim");
  amb.canal.RegistraLogin(amb.canal.ip(c), amb.canal.porta(c), 42, "Maria");

  amb.envia(c,
            "<Pedido><CODMSG>-2</CODMSG><IdTerminal> 00a0b1 </IdTerminal><idseqmsg>4</idseqmsg>"
            "<Serv_Web>1</Serv_Web><codmsg> 1e </codmsg><IDSEQMSG>9</IDSEQMSG><outro>x</outro></Pedido>");
  ASSERT_EQ(g.chamadas.size(), 1u);
  const PedidoTeleCmd& p = g.chamadas[0].pedido;
  EXPECT_EQ(g.chamadas[0].slot, Tratador::EnviaComandoVeiculo);
  EXPECT_EQ(p.CodMsg, 0x1E);
  EXPECT_EQ(p.CodMsgTexto, "1e");
  EXPECT_EQ(p.IdTerminal, 0xA0B1);
  EXPECT_EQ(p.IdTerminalTexto, "00a0b1");
  EXPECT_EQ(p.IdSeqMsg, 9);
  EXPECT_EQ(p.ServWeb, 1);
  EXPECT_EQ(p.IdUsuario, 42);
  EXPECT_EQ(p.ip, amb.canal.ip(c));
  EXPECT_EQ(p.porta, amb.canal.porta(c));

  // empty elements and elements without text read as 0
  g.chamadas.clear();
  amb.envia(c, tc("<codmsg>-1</codmsg><serv_web></serv_web><idterminal/><serv_web>-1</serv_web>"));
  ASSERT_EQ(g.chamadas.size(), 1u);
  EXPECT_EQ(g.chamadas[0].pedido.ServWeb, -1);
  EXPECT_EQ(g.chamadas[0].pedido.IdTerminal, 0);
  EXPECT_EQ(g.chamadas[0].pedido.IdTerminalTexto, "");
  EXPECT_EQ(g.chamadas[0].pedido.IdUsuario, 42);
}

TEST(Despacho, PositiveCodesCountWhenTheirHandlerSaysSo) {
  AmbienteTeleCmd amb(todosOsCodigos());
  Gravador g;
  g.instala(*amb.teleCmd);
  const int c = amb.canal.conecta("Sim");
  amb.estado.TotalCmdEnviados = 7;

  amb.envia(c, tc("<codmsg>1</codmsg><idseqmsg>1</idseqmsg>"));
  amb.envia(c, tc("<codmsg>5c</codmsg><idseqmsg>1</idseqmsg>"));
  amb.envia(c, tc("<codmsg>-2</codmsg>"));  // negative codes never count
  EXPECT_EQ(amb.estado.TotalCmdEnviados, 9);
  EXPECT_EQ(amb.status.lbcmdsent, "9");

  g.resultado = false;
  amb.envia(c, tc("<codmsg>6a</codmsg><idseqmsg>1</idseqmsg>"));
  EXPECT_EQ(amb.estado.TotalCmdEnviados, 9);

  // a slot not filled yet: logged, dropped, not counted
  amb.teleCmd->DefineTratador(Tratador::EnviaComandoVeiculo, {});
  amb.teleCmd->DefineTratador(Tratador::ListaAlvos, {});
  amb.envia(c, tc("<codmsg>82</codmsg><idseqmsg>1</idseqmsg>"));
  amb.envia(c, tc("<codmsg>-7</codmsg>"));
  EXPECT_EQ(amb.estado.TotalCmdEnviados, 9);
  EXPECT_EQ(amb.canal.recebido(c), "");
  const std::string log = amb.log();
  EXPECT_NE(log.find("[tTeleCmd] Telecomando com CodMsg 130 (EnviaComandoVeiculo) ainda não é tratado por este servidor; descartado"_cp),
            std::string::npos);
  EXPECT_NE(log.find("[tTeleCmd] Telecomando com CodMsg -7 (ListaAlvos) ainda não é tratado por este servidor; descartado"_cp),
            std::string::npos);
}

TEST(Despacho, UnbuiltSlotsStartEmptyExceptTheLogIn) {
  AmbienteTeleCmd amb;
  for (int i = 1; i < static_cast<int>(Tratador::Quantidade); ++i) {
    const auto slot = static_cast<Tratador>(i);
    const bool proprio = slot == Tratador::EfetuaLogin || slot == Tratador::EnviaComandoVeiculo ||
                         slot == Tratador::ConfiguraMensagensFormatadas || slot == Tratador::EnviaMensagemFormatada;
    EXPECT_EQ(amb.teleCmd->TemTratador(slot), proprio) << telecmd::NomeTratador(slot);
  }
}

TEST(Despacho, BusyListsDropNestedRequestsOfTheirKindOnly) {
  AmbienteTeleCmd amb(todosOsCodigos());
  Gravador g;
  g.instala(*amb.teleCmd);
  const int c = amb.canal.conecta("Sim");
  const std::string listaRastreadores = tc("<codmsg>-1</codmsg>");
  const std::string listaOdometros = tc("<codmsg>-33</codmsg>");

  int externos = 0;
  std::string codMsgDepois;
  amb.teleCmd->DefineTratador(Tratador::ListaRastreadores, [&](const PedidoTeleCmd& p) {
    ++externos;
    EXPECT_TRUE(amb.teleCmd->OcupadoListaRastreadores());
    amb.envia(c, listaRastreadores);                 // same kind: dropped
    amb.envia(c, tc("<codmsg>-2</codmsg>"));         // another kind: handled
    amb.envia(c, listaOdometros);                    // the other busy list: handled
    codMsgDepois = p.raiz.child("CODMSG").value();  // the outer document is still intact
    return true;
  });
  amb.envia(c, listaRastreadores);
  EXPECT_EQ(externos, 1);
  EXPECT_EQ(codMsgDepois, "-1");
  ASSERT_EQ(g.chamadas.size(), 2u);
  EXPECT_EQ(g.chamadas[0].slot, Tratador::ListaOperacoes);
  EXPECT_EQ(g.chamadas[0].codMsgNoDocumento, "-2");
  EXPECT_EQ(g.chamadas[1].slot, Tratador::ListaOdometros);
  EXPECT_FALSE(amb.teleCmd->OcupadoListaRastreadores());
  EXPECT_FALSE(amb.teleCmd->OcupadoListaOdometros());

  // the odometer list: its two log lines around the call, and a failure
  // inside it does not leave the list busy for good
  int odometros = 0;
  amb.teleCmd->DefineTratador(Tratador::ListaOdometros, [&](const PedidoTeleCmd&) -> bool {
    ++odometros;
    amb.envia(c, listaOdometros);  // dropped
    if (odometros == 1) throw db::DbError("Invalid object name 'tOdometro'");
    return true;
  });
  amb.envia(c, listaOdometros);
  EXPECT_FALSE(amb.teleCmd->OcupadoListaOdometros());
  amb.envia(c, listaOdometros);
  EXPECT_EQ(odometros, 2);
  EXPECT_EQ(amb.canal.recebido(c), "");

  const std::string log = amb.log();
  const std::string inicio = "[tTeleCmd] tTeleCmd.ProcessaTeleCmd: [7.1] CMD_CONTROLE_SOLIC_ODOMETROS (inicio)\r\n";
  const std::string fim = "[tTeleCmd] tTeleCmd.ProcessaTeleCmd: [7.1] CMD_CONTROLE_SOLIC_ODOMETROS (fim)\r\n";
  auto conta = [&](const std::string& s) {
    int n = 0;
    for (auto p = log.find(s); p != std::string::npos; p = log.find(s, p + 1)) ++n;
    return n;
  };
  EXPECT_EQ(conta(inicio), 3);  // the nested one of the first part, and two here
  EXPECT_EQ(conta(fim), 2);     // not after the failure
}

TEST(Falhas, AnExceptionInsideATelecommandIsLoggedShownAndNotAnswered) {
  AmbienteTeleCmd amb(todosOsCodigos());
  const int c = amb.canal.conecta("Sim");
  const int outro = amb.canal.conecta("Nao");
  amb.teleCmd->DefineTratador(Tratador::ListaOperacoes,
                              [](const PedidoTeleCmd&) -> bool { throw std::runtime_error("falha simulada"); });
  const std::string xml = tc("<codmsg>-2</codmsg>");
  amb.envia(c, xml);

  const std::string cliente = "127.0.0.1:" + std::to_string(amb.canal.porta(c));
  const std::string quando = "[INFO][02/01/2024 03:04:05][tTeleCmd] ";
  EXPECT_EQ(amb.log(), quando + "Erro ao processar TeleComando do Cliente[" + cliente + "]\r\n[falha simulada]\r\n\r\n" +
                           quando + "XML que gerou erro:\r\n" + xml + "\r\n\r\n" + quando +
                           "Mensagem de Erro: falha simulada\r\n\r\n");
  ASSERT_EQ(amb.status.lberro.size(), 1u);
  EXPECT_EQ(amb.status.lberro.at(0),
            "[02/01/2024 03:04:05] Erro ao processar XML do Cliente[" + cliente + "] verifique o arquivo de log.");
  EXPECT_EQ(amb.status.lbAviso, "Erro ao processar XML em 02/01/2024 03:04:05");
  EXPECT_EQ(amb.status.corAviso, runtime::StatusModel::Cor::Vermelho);
  EXPECT_EQ(amb.canal.recebidos(), (std::vector<std::string>{"", ""}));
  (void)outro;
}

TEST(Falhas, ADatabaseErrorOfTheLogInEndsInTheSameGuard) {
  AmbienteTeleCmd amb;
  const int c = amb.canal.conecta("Nao");
  amb.executa("DROP TABLE tUsuario");
  const std::string xml = tc("<codmsg>-27</codmsg><loginoperador>maria</loginoperador><senha>x</senha>");
  amb.envia(c, xml);
  const std::string log = amb.log();
  EXPECT_NE(log.find("Erro ao processar TeleComando do Cliente[127.0.0.1:" + std::to_string(amb.canal.porta(c)) +
                     "]\r\n["),
            std::string::npos);
  EXPECT_NE(log.find("tUsuario"), std::string::npos);  // the driver's message
  EXPECT_NE(log.find("XML que gerou erro:\r\n" + xml), std::string::npos);
  EXPECT_EQ(amb.canal.recebido(c), "");
  EXPECT_EQ(amb.canal.registro(c).Comunica, "Nao");
}

TEST(Lista, ActivityListIsClearedOncePastAThousandLines) {
  AmbienteTeleCmd amb;
  for (int i = 0; i < 1000; ++i) amb.teleCmd->MostraNaLista("linha " + std::to_string(i));
  amb.teleCmd->MostraNaLista("mil e uma");
  EXPECT_EQ(amb.status.lberro.size(), 1001u);  // 1000 lines are not more than 1000
  amb.teleCmd->MostraNaLista("nova");
  ASSERT_EQ(amb.status.lberro.size(), 1u);
  EXPECT_EQ(amb.status.lberro.at(0), "nova");
}

TEST(Respostas, EnviaRespostaKeepsTheBodyAndQueuesItForLoggedInClients) {
  AmbienteTeleCmd amb;
  const int sim = amb.canal.conecta("Sim");
  const int nao = amb.canal.conecta("Nao");
  amb.teleCmd->EnviaResposta(" <CodMsg> -41 </CodMsg>");
  EXPECT_EQ(amb.teleCmd->UltimaResposta(), " <CodMsg> -41 </CodMsg>");
  EXPECT_EQ(amb.canal.recebidos(), (std::vector<std::string>{documento(" <CodMsg> -41 </CodMsg>"), ""}));
  (void)sim;
  (void)nao;
}
