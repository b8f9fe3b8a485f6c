// The composer's tabs as a user drives them, offscreen: against the real
// korvatel on the demo central, and against a server on a real socket where
// the exact bytes sent matter.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QTest>

#include "client/janela_principal.h"
#include "client/modelos_telecomando.h"
#include "client/texto_qt.h"
#include "platform/db/db.h"
#include "platform/text/cp1252.h"
#include "tests/client/janela_apoio.h"
#include "tests/client/korvatel_demo.h"
#include "tests/client/servidor_falso.h"

using namespace kvt;
using namespace kvt::cliente;
using namespace kvt::text::literals;
using test::abreJanela;
using test::caixaAberta;
using test::fotografa;

namespace {

void seleciona(QComboBox* c, const std::string& itemCp1252) {
  const int i = c->findText(qs(itemCp1252));
  ASSERT_GE(i, 0) << itemCp1252;
  c->setCurrentIndex(i);
}

void mostraAba(JanelaPrincipal& j, Aba aba) { j.PG_Comandos->setCurrentWidget(j.PG_Comandos->pagina(aba)); }

bool textoContem(JanelaPrincipal& j, const char* texto) { return j.reXMLRec->toPlainText().contains(texto); }

struct ComandosE2E : ::testing::Test {
  test::KorvatelDemo demo;
  std::string pasta;
  std::unique_ptr<JanelaPrincipal> j;

  void SetUp() override {
    ASSERT_TRUE(demo.inicia()) << demo.log();
    pasta = demo.dir.file("cliente");
    std::filesystem::create_directory(pasta);
    test::writeFile(pasta + "/KVTCLIENT.INI", "[Geral]\r\nPorta=" + std::to_string(demo.porta) +
                                                  "\r\nEnviarLogin=SIM\r\nDiretorioImportacao=" + pasta +
                                                  "\r\n[BANCOS]\r\ndbZenthora=" + demo.files.urlZenthora + "\r\n");
    j = abreJanela(pasta);
    ASSERT_TRUE(test::entra(*j, "ADMIN", "admin")) << demo.log();
  }
};

}  // namespace

TEST_F(ComandosE2E, ThreeDocumentsOfOneFileGoOneSecondApartAndAreAnswered) {
  // an import file as a user keeps it: declaration, upper case, blank lines
  const std::string arquivo = pasta + "/listas.xml";
  test::writeFile(arquivo,
                  "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                  "<Telecomando>\r\n  <CodMsg>-6</CodMsg>\r\n  <DataHoraEmissao>x</DataHoraEmissao>\r\n</Telecomando>\r\n"
                  "\r\n<Telecomando>\r\n  <CodMsg>-7</CodMsg>\r\n</Telecomando>\r\n"
                  "<Telecomando>\r\n  <CodMsg>-8</CodMsg>\r\n</Telecomando>\r\n");
  mostraAba(*j, Aba::Seguranca);
  EXPECT_EQ(j->PG_Comandos->ed_nomeArquivo->text().toStdString(), pasta);  // DiretorioImportacao
  j->PG_Comandos->ed_nomeArquivo->setText(QString::fromStdString(arquivo));
  QTest::mouseClick(j->PG_Comandos->btn_Carrega, Qt::LeftButton);
  EXPECT_TRUE(j->PG_Comandos->mem_seg_eletr->toPlainText().contains("<CodMsg>-7</CodMsg>"));

  const auto enviados = j->sessao().NumXMLEnviados();
  QTest::mouseClick(j->btnEnviar, Qt::LeftButton);
  // the first at once; the others wait for the one-second timer, the window stays live
  EXPECT_EQ(j->sessao().NumXMLEnviados(), enviados + 1);
  EXPECT_TRUE(j->sessao().enviando());
  EXPECT_EQ(SessaoCliente::kIntervaloEnvioMs, 1000);
  j->sessao().tmrEnvioTimer();
  EXPECT_EQ(j->sessao().NumXMLEnviados(), enviados + 2);
  j->sessao().tmrEnvioTimer();
  EXPECT_EQ(j->sessao().NumXMLEnviados(), enviados + 3);
  EXPECT_FALSE(j->sessao().enviando());
  EXPECT_EQ(j->lbNumXMLEnv->text().toLongLong(), enviados + 3);
  for (const char* resposta : {"<codmsg> -45 </codmsg>", "<codmsg> -46 </codmsg>", "<codmsg> -47 </codmsg>"})
    EXPECT_TRUE(QTest::qWaitFor([&] { return textoContem(*j, resposta); }, 20000)) << resposta << demo.log();
  fotografa(*j, "kvtclient-aba-seguranca.png");
}

TEST_F(ComandosE2E, VehicleCommandOfTheFirstTabBecomesATelecommandRow) {
  auto zenthora = db::Connection::open(demo.files.urlZenthora);
  // demo terminal 001004 was heard over GPRS a moment ago, so every command may go to it
  const std::int64_t terminal = 0x1004;
  j->edidterminal->setText(QString::number(terminal));
  mostraAba(*j, Aba::Normais);
  seleciona(j->PG_Comandos->cmb_codmsg, "15 : Bloquear");
  EXPECT_TRUE(j->PG_Comandos->mem_normal->toPlainText().contains("<IdTerminal>%x</IdTerminal>"));
  fotografa(*j, "kvtclient-aba-normais.png");
  QTest::mouseClick(j->btnEnviar, Qt::LeftButton);
  const auto linhas = [&] {
    db::Statement q(*zenthora, "SELECT COUNT(*) AS n FROM tTelecomando WHERE IdTerminal = " + std::to_string(terminal));
    q.open();
    return q.field("n").asInt();
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return linhas() > 0; }, 20000)) << demo.log();
  db::Statement q(*zenthora, "SELECT CodMsg, IdSeqMsg FROM tTelecomando WHERE IdTerminal = " + std::to_string(terminal));
  q.open();
  ASSERT_FALSE(q.eof());
  EXPECT_EQ(q.field("CodMsg").asInt(), 0x15);
  // the row carries the IdSeqMsg the client composed (shown in its tree)
  QTreeWidgetItem* enviado = nullptr;
  for (int i = 0; i < j->trvDadosXML->topLevelItemCount(); ++i)
    if (j->trvDadosXML->topLevelItem(i)->text(0).startsWith("CodMsg: 15")) enviado = j->trvDadosXML->topLevelItem(i);
  ASSERT_NE(enviado, nullptr);
  EXPECT_EQ(enviado->child(0)->text(0).toStdString(), "<idseqmsg> " + q.field("IdSeqMsg").asString() + " </idseqmsg>");
}

TEST_F(ComandosE2E, StopListTransmissionComposedWithTheGroupValues) {
  mostraAba(*j, Aba::Configuracoes);
  PainelComandos& p = *j->PG_Comandos;
  EXPECT_FALSE(p.gb_ELP->isVisible());
  seleciona(p.cmb_configuracoes, "-28: Transmitir Mensagens de Extensão Logística de Parada"_cp);
  EXPECT_TRUE(p.gb_ELP->isVisible());
  EXPECT_EQ(PainelComandos::itemIndex(p.opChegada), 2);
  EXPECT_EQ(PainelComandos::itemIndex(p.opSaida), 2);
  PainelComandos::selecionaItem(p.opChegada, 0);
  PainelComandos::selecionaItem(p.opSaida, 1);
  p.ed_Titulo->setText("Entregas Zona Sul");
  p.chk_NaturezaOperacao->setChecked(true);
  fotografa(*j, "kvtclient-aba-configuracoes.png");
  const int antes = j->trvDadosXML->topLevelItemCount();
  QTest::mouseClick(j->btnEnviar, Qt::LeftButton);
  ASSERT_EQ(j->trvDadosXML->topLevelItemCount(), antes + 1);
  QTreeWidgetItem* enviado = j->trvDadosXML->topLevelItem(antes);
  QStringList filhos;
  for (int i = 0; i < enviado->childCount(); ++i) filhos << enviado->child(i)->text(0);
  EXPECT_TRUE(filhos.contains("<codmsg> -28 </codmsg>")) << filhos.join("|").toStdString();
  EXPECT_TRUE(filhos.contains("<titulolistaparadas> entregas zona sul </titulolistaparadas>"));
  EXPECT_TRUE(filhos.contains("<tipochegada> 0 </tipochegada>"));
  EXPECT_TRUE(filhos.contains("<tiposaida> 1 </tiposaida>"));
  EXPECT_TRUE(filhos.contains("<listaparadas> 0 </listaparadas>"));
  EXPECT_TRUE(filhos.contains("<naturezaoperacao> 1 </naturezaoperacao>"));
  EXPECT_TRUE(filhos.contains("<idterminal> 1e240 </idterminal>"));
  seleciona(p.cmb_configuracoes, "-3 : Associar Operação"_cp);
  EXPECT_FALSE(p.gb_ELP->isVisible());
}

TEST_F(ComandosE2E, TargetFileOfTheImportTabIsImportedAndItsReplyShown) {
  const std::string arquivo = pasta + "/alvos.xml";
  test::writeFile(arquivo,
                  "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Telecomando>\r\n  <CodMsg>-9</CodMsg>\r\n"
                  "  <DataHoraEmissao>02/01/2024 03:04:05</DataHoraEmissao>\r\n  <AcaoNovos>0</AcaoNovos>\r\n"
                  "  <AcaoCadastrados>0</AcaoCadastrados>\r\n  <GrupoAlvo>\r\n    <NomeGrupo>CLIENTES SP</NomeGrupo>\r\n"
                  "    <Alvo>\r\n      <NomeAlvo>DEPOSITO CENTRAL</NomeAlvo>\r\n"
                  "      <Latitude>23\xB0" "32'51.0\" S</Latitude>\r\n      <Longitude>46\xB0" "38'10.0\" O</Longitude>\r\n"
                  "      <Cidade>S\xC3O PAULO</Cidade>\r\n      <UF>SP</UF>\r\n    </Alvo>\r\n  </GrupoAlvo>\r\n"
                  "</Telecomando>\r\n");
  mostraAba(*j, Aba::Seguranca);
  j->PG_Comandos->ed_nomeArquivo->setText(QString::fromStdString(arquivo));
  ASSERT_TRUE(j->PG_Comandos->btn_CarregaClick());
  QTest::mouseClick(j->btnEnviar, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return textoContem(*j, "<codmsg> -48 </codmsg>"); }, 20000)) << demo.log();
  EXPECT_TRUE(textoContem(*j, "deposito central"));
  // the reply's top node in the tree
  bool noResposta = false;
  for (int i = 0; i < j->trvDadosXML->topLevelItemCount(); ++i)
    noResposta |= j->trvDadosXML->topLevelItem(i)->text(0) == "CodMsg: -48";
  EXPECT_TRUE(noResposta);
}

// --------------------------------------------------------------------------

namespace {

struct ComandosFixture : ::testing::Test {
  test::TempDir dir;
  test::ServidorFalso servidor;
  std::unique_ptr<JanelaPrincipal> j;

  void abre(const std::string& extra = "") {
    test::writeFile(dir.file("KVTCLIENT.INI"), "[Geral]\r\nPorta=" + servidor.porta() + "\r\n" + extra);
    j = abreJanela(dir.path().string());
  }
  void conecta() {
    QTest::mouseClick(j->btnConnect, Qt::LeftButton);
    ASSERT_TRUE(servidor.esperaConexao());
    ASSERT_TRUE(QTest::qWaitFor([&] { return j->btnEnviar->isEnabled(); }, 5000));
  }
};

}  // namespace

TEST_F(ComandosFixture, ComposedDocumentsGoInLowerCaseWhileTheSimulatorsKeepTheirCase) {
  abre();
  conecta();
  QTest::mouseClick(j->btnEnviar, Qt::LeftButton);
  ASSERT_TRUE(servidor.esperaRecebido("</telecomando>\r\n"));
  EXPECT_EQ(servidor.recebido.rfind("<?xml version = \"1.0\"?>\r\n<telecomando>\r\n  <idseqmsg>", 0), 0u)
      << servidor.recebido;
  EXPECT_NE(servidor.recebido.find("<origem>modcom02</origem>"), std::string::npos);
  EXPECT_NE(servidor.recebido.find("<idterminal>1e240</idterminal>"), std::string::npos);

  servidor.recebido.clear();
  j->edIntervalo->setText("50");  // not above 50: refused
  QTest::mouseClick(j->btnIniciarSimulacao, Qt::LeftButton);
  EXPECT_FALSE(j->simulador().rodando());
  EXPECT_EQ(j->btnIniciarSimulacao->text(), "&Iniciar");
  j->edIntervalo->setText("1000");
  QTest::mouseClick(j->btnIniciarSimulacao, Qt::LeftButton);
  ASSERT_TRUE(j->simulador().rodando());
  EXPECT_EQ(j->btnIniciarSimulacao->text(), "&Parar");
  EXPECT_FALSE(j->btnEnviar->isEnabled());
  j->simulador().tmrSimuladorTeleCmdTimer();
  ASSERT_TRUE(servidor.esperaRecebido("</Telecomando>\r\n"));
  EXPECT_EQ(servidor.recebido.rfind("<Telecomando>\r\n  <IdSeqMsg>1</IdSeqMsg>\r\n  <Origem>ModCom02</Origem>", 0), 0u)
      << servidor.recebido;
  EXPECT_NE(servidor.recebido.find("<CodMsg>14</CodMsg>"), std::string::npos);
  QTest::mouseClick(j->btnIniciarSimulacao, Qt::LeftButton);
  EXPECT_FALSE(j->simulador().rodando());
  EXPECT_TRUE(j->btnEnviar->isEnabled());
}

TEST_F(ComandosFixture, BoxesInsteadOfSendingAndTheFieldsOfEachTab) {
  abre();
  conecta();
  PainelComandos& p = *j->PG_Comandos;
  EXPECT_EQ(p.tabPosition(), QTabWidget::South);
  EXPECT_EQ(p.currentIndex(), 0);

  // a template edited so that it no longer matches its arguments
  p.mem_normal->appendPlainText("<Extra>%d</Extra>");
  QTest::mouseClick(j->btnEnviar, Qt::LeftButton);
  QMessageBox* caixa = caixaAberta(*j);
  ASSERT_NE(caixa, nullptr);
  EXPECT_TRUE(caixa->text().contains("invalid or incompatible with argument"));
  test::fechaCaixas(*j);
  // E6 items take the template with Tempo
  seleciona(p.cmb_codmsg, "E6 : Lacrar Motor - 30");
  EXPECT_TRUE(p.mem_normal->toPlainText().contains("<Tempo>%d</Tempo>"));

  // an empty authorisation id: the warning box
  mostraAba(*j, Aba::Autorizacoes);
  EXPECT_TRUE(p.mem_autorizacao->isReadOnly());
  p.ed_idautorizacao->clear();
  QTest::mouseClick(j->btnEnviar, Qt::LeftButton);
  caixa = caixaAberta(*j);
  ASSERT_NE(caixa, nullptr);
  EXPECT_EQ(caixa->windowTitle(), "Aviso");
  EXPECT_EQ(caixa->text(), QString::fromUtf8("Digite um ID de autorização válido !"));
  test::fechaCaixas(*j);
  p.ed_idautorizacao->setText("5");
  fotografa(*j, "kvtclient-aba-autorizacoes.png");

  // the messages tab starts again at its first item; each kind shows its fields
  mostraAba(*j, Aba::Mensagens);
  seleciona(p.cbMensagem, "Mensagem Pré- Definida"_cp);
  EXPECT_TRUE(p.ed_msg_pre->isVisible());
  EXPECT_FALSE(p.ed_msg_livre->isVisible());
  mostraAba(*j, Aba::Controle);
  fotografa(*j, "kvtclient-aba-controle.png");
  mostraAba(*j, Aba::Mensagens);
  EXPECT_EQ(p.cbMensagem->currentIndex(), 0);
  EXPECT_TRUE(p.ed_msg_livre->isVisible());
  EXPECT_TRUE(p.chk_ConfirmaLeitura->isVisible());
  EXPECT_FALSE(p.ed_hash->isVisible());
  p.ed_msg_livre->clear();
  QTest::keyClicks(p.ed_msg_livre, "a~b`c");
  EXPECT_EQ(p.ed_msg_livre->text(), "abc");
  fotografa(*j, "kvtclient-aba-mensagens.png");
  mostraAba(*j, Aba::Troca);
  fotografa(*j, "kvtclient-aba-troca.png");

  // the import file: its dialog, and a name that cannot be loaded
  mostraAba(*j, Aba::Seguranca);
  test::writeFile(dir.file("rotas.xml"), "<Telecomando><CodMsg>-11</CodMsg></Telecomando>");
  p.ed_nomeArquivo->setText(QString::fromStdString(dir.path().string()));
  QTest::mouseClick(p.btn_Procura, Qt::LeftButton);
  QFileDialog* dialogo = p.dialogoArquivo();
  ASSERT_NE(dialogo, nullptr);
  EXPECT_EQ(dialogo->windowTitle(), QString::fromUtf8("Importação de Alvo, Cercas ou Rotas"));
  EXPECT_EQ(dialogo->nameFilters(),
            (QStringList{"Arquivos XML (*.xml)", "Arquivos Texto (*.txt)", "Todos Arquivos (*.*)"}));
  EXPECT_EQ(dialogo->directory().absolutePath().toStdString(), dir.path().string());
  dialogo->selectFile(QString::fromStdString(dir.file("rotas.xml")));
  static_cast<QDialog*>(dialogo)->accept();
  EXPECT_EQ(p.ed_nomeArquivo->text().toStdString(), dir.file("rotas.xml"));
  ASSERT_TRUE(p.btn_CarregaClick());
  EXPECT_EQ(p.mem_seg_eletr->toPlainText(), "<Telecomando><CodMsg>-11</CodMsg></Telecomando>");
  p.ed_nomeArquivo->setText(QString::fromStdString(dir.file("nao-existe.xml")));
  QTest::mouseClick(p.btn_Carrega, Qt::LeftButton);
  caixa = caixaAberta(*j);
  ASSERT_NE(caixa, nullptr);
  EXPECT_EQ(caixa->windowTitle(), "Aviso");
  EXPECT_EQ(caixa->text(), QString::fromUtf8("Nome do Arquivo inválido !"));
  test::fechaCaixas(*j);
  EXPECT_TRUE(servidor.recebido.empty());  // nothing of all this was sent
}

TEST_F(ComandosFixture, ServersBeforeVersion6GetFewerTabsAndNoLogIn) {
  abre("VersaoKVT=5\r\nEnviarLogin=SIM\r\n");
  PainelComandos& p = *j->PG_Comandos;
  EXPECT_FALSE(p.isTabVisible(static_cast<int>(Aba::Configuracoes)));
  EXPECT_FALSE(p.isTabVisible(static_cast<int>(Aba::Troca)));
  EXPECT_FALSE(p.isTabVisible(static_cast<int>(Aba::Seguranca)));
  EXPECT_TRUE(p.isTabVisible(static_cast<int>(Aba::Mensagens)));
  ASSERT_EQ(p.cmb_controle->count(), 1);
  EXPECT_EQ(p.cmb_controle->itemText(0), "-1 : Solicitar Lista de Rastreadores");
  conecta();  // sending is enabled at once: no log-in before version 6
  EXPECT_FALSE(j->btnLogin->isVisible());
}
