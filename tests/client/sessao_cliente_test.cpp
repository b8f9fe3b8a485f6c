// SessaoCliente against a server on a real socket: reception, log-in, sending
// paced by its timer, the display limits and the connection's failures.
#include <gtest/gtest.h>

#include <QTest>

#include "client/sessao_cliente.h"
#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "tests/client/servidor_falso.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::cliente;
using namespace kvt::text::literals;

namespace {

struct SessaoFixture : ::testing::Test {
  test::TempDir dir;
  test::ServidorFalso servidor;
  ConfiguracaoCliente cfg;
  std::unique_ptr<SessaoCliente> sessao;
  std::vector<std::pair<std::string, std::string>> caixas;  // title, text of every box shown
  int pedidosLogin = 0;

  void cria() {
    sessao = std::make_unique<SessaoCliente>(cfg, dir.path().string());
    QObject::connect(sessao.get(), &SessaoCliente::aviso,
                     [this](const std::string& t, const std::string& m) { caixas.emplace_back(t, m); });
    QObject::connect(sessao.get(), &SessaoCliente::erro,
                     [this](const std::string& t, const std::string& m) { caixas.emplace_back(t, m); });
    QObject::connect(sessao.get(), &SessaoCliente::pedeLogin, [this] { ++pedidosLogin; });
  }
  void conecta() {
    if (!sessao) cria();
    sessao->btnConnectClick(" 127.0.0.1 ", servidor.porta());
    ASSERT_TRUE(servidor.esperaConexao());
    ASSERT_TRUE(QTest::qWaitFor([this] { return sessao->conectado(); }, 5000));
  }
  bool esperaRecebidos(std::int64_t n) {
    return QTest::qWaitFor([&] { return sessao->NumXMLRecebidos() >= n; }, 5000);
  }
};

}  // namespace

TEST_F(SessaoFixture, DocumentsAreShownWithTheirSeparatorsCountedAndLogged) {
  cfg.GravarLog = "sim";
  conecta();
  EXPECT_EQ(sessao->captionConectar(), "&Desconectar");
  EXPECT_TRUE(sessao->envioHabilitado());  // no log-in asked for
  const std::string a = test::teleEvento("<CodMsg> 1 </CodMsg> <IdTerminal> 1E240 </IdTerminal>");
  const std::string b = test::teleEvento("<CodMsg> 2 </CodMsg>");
  servidor.envia(a + b);  // two documents in one read
  ASSERT_TRUE(esperaRecebidos(2));
  const std::string la = text::lowerAscii(a), lb = text::lowerAscii(b);
  EXPECT_EQ(sessao->reXMLRec(), la + kSeparadorValido + lb + kSeparadorValido);
  EXPECT_EQ(sessao->BytesRecebidos(), static_cast<std::int64_t>(a.size() + b.size()));
  EXPECT_EQ(sessao->lberro(), (std::vector<std::string>(2, "Recebido XML válido do KVT:[127.0.0.1]"_cp)));
  ASSERT_EQ(sessao->trvDadosXML().topos().size(), 2u);
  EXPECT_EQ(sessao->trvDadosXML().topos()[0].texto, "CodMsg: 1, IdTerminal: 1e240 (123456)");

  // a document that does not parse: the error separator, its parser's lines, not counted
  const std::string ruim = "<TeleEvento> <A> </TeleEvento>";
  servidor.envia(ruim);
  ASSERT_TRUE(QTest::qWaitFor([&] { return sessao->lberro().size() > 2; }, 5000));
  EXPECT_EQ(sessao->NumXMLRecebidos(), 2);
  EXPECT_EQ(sessao->lberro()[2], "Recebido XML com erros do KVT:[127.0.0.1]");
  EXPECT_GT(sessao->lberro().size(), 3u);  // the parser's own words follow
  EXPECT_EQ(sessao->reXMLRec().substr(sessao->reXMLRec().size() - ruim.size() - std::string(kSeparadorErro).size()),
            text::lowerAscii(ruim) + kSeparadorErro);
  EXPECT_EQ(test::readFile(dir.file("KVTCLIENT.LOG")),
            std::string(kSeparadorValido) + la + kSeparadorValido + lb + kSeparadorErro + text::lowerAscii(ruim));

  sessao->btn_LimparClick();
  EXPECT_EQ(sessao->NumXMLRecebidos(), 0);
  EXPECT_EQ(sessao->BytesRecebidos(), 0);
  EXPECT_TRUE(sessao->reXMLRec().empty());
  EXPECT_TRUE(sessao->lberro().empty());
  EXPECT_EQ(sessao->trvDadosXML().numNos(), 0u);
}

TEST_F(SessaoFixture, IncompleteDocumentWaitsForTheNextRead) {
  conecta();
  servidor.envia("<TeleEvento> <CodMsg> 1 </Cod");
  ASSERT_TRUE(QTest::qWaitFor([&] { return sessao->esperandoDocumento(); }, 5000));
  sessao->tmrEsperaTimer();  // the wait ends; the piece stays for the next read
  EXPECT_EQ(sessao->NumXMLRecebidos(), 0);
  servidor.envia("Msg> </TeleEvento>");
  ASSERT_TRUE(esperaRecebidos(1));
  EXPECT_FALSE(sessao->esperandoDocumento());
  EXPECT_EQ(sessao->reXMLRec(), "<teleevento> <codmsg> 1 </codmsg> </teleevento>" + std::string(kSeparadorValido));
}

TEST_F(SessaoFixture, LogInKeepsSendingDisabledUntilStsLoginZero) {
  cfg.EnviarLogin = "Sim";
  cfg.ULTIMO_NUM_SEQ_PROCESSADO = 15;
  conecta();
  EXPECT_EQ(sessao->estado(), EstadoConexao::AguardandoLogin);
  EXPECT_EQ(pedidosLogin, 1);
  EXPECT_TRUE(sessao->loginVisivel());
  EXPECT_FALSE(sessao->envioHabilitado());

  EXPECT_FALSE(sessao->enviaLogin("", "X", true));  // an empty field sends nothing
  ASSERT_TRUE(sessao->enviaLogin("ADMIN", "ADMIN", true));
  ASSERT_TRUE(servidor.esperaRecebido("</Telecomando> "));
  EXPECT_EQ(servidor.recebido.rfind("<Telecomando> <CodMsg>-27</CodMsg><DataHoraEmissao>", 0), 0u);
  EXPECT_NE(servidor.recebido.find("<LoginOperador>ADMIN</LoginOperador><Senha>ADMIN</Senha> "
                                   "<UltimoTeleEventoProcessado> 15 </UltimoTeleEventoProcessado></Telecomando> "),
            std::string::npos);
  EXPECT_EQ(servidor.recebido.find("<?xml"), std::string::npos);
  EXPECT_EQ(sessao->NumXMLEnviados(), 0);

  const auto resposta = [](const char* nome, int sts) {
    return test::teleEvento(" <DataHoraEm> 02/01/2024 </DataHoraEm>  <CodMsg> -58 </CodMsg>  <NomeOperador> " +
                            std::string(nome) + " </NomeOperador>  <StsLogin> " + std::to_string(sts) +
                            " </StsLogin>");
  };
  servidor.envia(resposta("Ana", 1));
  ASSERT_TRUE(esperaRecebidos(1));
  EXPECT_FALSE(sessao->envioHabilitado());
  EXPECT_EQ(sessao->lb_login(), "");

  servidor.envia(resposta("Ana", 0));
  ASSERT_TRUE(esperaRecebidos(2));
  EXPECT_TRUE(sessao->envioHabilitado());
  EXPECT_FALSE(sessao->loginVisivel());
  EXPECT_EQ(sessao->lb_login(), "Operador [ana]");  // the text is read lower-cased

  servidor.envia(resposta("Bia", 0));  // while sending is enabled: nothing changes
  ASSERT_TRUE(esperaRecebidos(3));
  EXPECT_EQ(sessao->lb_login(), "Operador [ana]");

  servidor.envia(test::teleEvento("<UltimoTeleEventoProcessado> 99 </UltimoTeleEventoProcessado>"));
  ASSERT_TRUE(esperaRecebidos(4));
  EXPECT_EQ(sessao->UltimoTeleEventoProcessado(), 99);
}

TEST_F(SessaoFixture, DocumentsGoOneSecondApartWithTheDeclarationLine) {
  conecta();
  sessao->enviaTexto(
      "<Telecomando><CodMsg>-1</CodMsg></Telecomando>\r\n<Telecomando><CodMsg>-2</CodMsg></Telecomando>\r\n"
      "<Telecomando><CodMsg>-4</CodMsg></Telecomando>");
  const std::string d1 = "<?xml version = \"1.0\"?>\r\n<telecomando><codmsg>-1</codmsg></telecomando>\r\n";
  ASSERT_TRUE(servidor.esperaRecebido(d1));
  EXPECT_TRUE(sessao->enviando());  // the rest waits for the pacing timer
  EXPECT_EQ(sessao->NumXMLEnviados(), 1);
  sessao->tmrEnvioTimer();
  sessao->tmrEnvioTimer();
  EXPECT_FALSE(sessao->enviando());
  const std::string d3 = "<?xml version = \"1.0\"?>\r\n<telecomando><codmsg>-4</codmsg></telecomando>\r\n";
  ASSERT_TRUE(servidor.esperaRecebido(d3));
  EXPECT_EQ(servidor.recebido,
            d1 + "<?xml version = \"1.0\"?>\r\n<telecomando><codmsg>-2</codmsg></telecomando>\r\n" + d3);
  EXPECT_EQ(sessao->NumXMLEnviados(), 3);
  EXPECT_EQ(sessao->BytesEnviados(), 3 * 46);
  EXPECT_EQ(sessao->lberro(), std::vector<std::string>(3, "Enviado XML válido para KVT"_cp));
  EXPECT_EQ(sessao->trvDadosXML().topos().size(), 3u);

  // a document that does not parse is not sent and its text is shown
  caixas.clear();
  sessao->enviaTexto("<Telecomando><CodMsg>-1</Cod></Telecomando>");
  ASSERT_EQ(caixas.size(), 1u);
  EXPECT_EQ(caixas[0].first, "Aviso XML com erros !");
  EXPECT_EQ(caixas[0].second, "<telecomando><codmsg>-1</cod></telecomando>");
  EXPECT_EQ(sessao->NumXMLEnviados(), 3);
  EXPECT_EQ(sessao->lberro().back(), "Gerado XML com erros no Cliente");
}

TEST_F(SessaoFixture, DisplayLimitsClearTheListTreeAndText) {
  cria();
  for (int i = 0; i < 1001; ++i) sessao->Valida("<a/>", "Localhost");
  EXPECT_EQ(sessao->lberro().size(), 1001u);
  sessao->Valida("<a/>", "Localhost");  // the 1001 lines go before this one is added
  EXPECT_EQ(sessao->lberro().size(), 1u);

  std::string folhas;
  for (int i = 0; i < 45000; ++i) folhas += "<b/>";
  xml::Document grande;
  ASSERT_TRUE(grande.parse("<a>" + folhas + "</a>"));
  sessao->AdicionaNaArvore(grande);  // 45001 nodes
  EXPECT_EQ(sessao->trvDadosXML().numNos(), 45001u);
  sessao->AdicionaNaArvore(grande);  // 90002: cleared
  EXPECT_EQ(sessao->trvDadosXML().numNos(), 0u);

  // the text area is cleared by the tree routine of the next valid document
  conecta();
  const std::string longo = test::teleEvento("<T>" + std::string(90000, 'x') + "</T>");
  const std::string curto = test::teleEvento("<CodMsg> 3 </CodMsg>");
  servidor.envia(longo);
  ASSERT_TRUE(esperaRecebidos(1));
  EXPECT_GT(sessao->reXMLRec().size(), 90000u);  // cleared only at the next document
  servidor.envia(curto);
  ASSERT_TRUE(esperaRecebidos(2));
  EXPECT_EQ(sessao->reXMLRec(), text::lowerAscii(curto) + kSeparadorValido);
}

TEST_F(SessaoFixture, FailuresShowTheWarningBoxAndLeaveTheClientDisconnected) {
  cria();
  sessao->btnLoginClick();
  ASSERT_EQ(caixas.size(), 1u);
  EXPECT_EQ(caixas[0], std::make_pair(std::string("Aviso"), "Falha !! O cliente não está conectado ao KVTPLUS!"_cp));

  const std::string porta = servidor.porta();
  servidor.servidor.close();  // nobody listens there now
  sessao->btnConnectClick("127.0.0.1", porta);
  ASSERT_TRUE(QTest::qWaitFor([&] { return caixas.size() == 2; }, 5000));
  EXPECT_EQ(caixas[1], std::make_pair(std::string("Aviso"), "Falha !! Não foi possível conectar-se ao KVT!"_cp));
  EXPECT_EQ(sessao->estado(), EstadoConexao::Desconectado);
  EXPECT_EQ(sessao->captionConectar(), "&Conectar");
  EXPECT_FALSE(sessao->envioHabilitado());
}

TEST_F(SessaoFixture, ServerClosingTheConnectionDisconnectsWithoutABox) {
  conecta();
  int encerradas = 0;
  QObject::connect(sessao.get(), &SessaoCliente::conexaoEncerrada, [&] { ++encerradas; });
  servidor.conexao->close();
  ASSERT_TRUE(QTest::qWaitFor([&] { return sessao->estado() == EstadoConexao::Desconectado; }, 5000));
  EXPECT_EQ(encerradas, 1);
  EXPECT_TRUE(caixas.empty());
  EXPECT_FALSE(sessao->envioHabilitado());
  EXPECT_EQ(sessao->captionConectar(), "&Conectar");
}
