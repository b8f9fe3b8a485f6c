// The main window as a user drives it, offscreen: against the real korvatel
// for the connection, the log-in window and the events, and against a server
// on a real socket for replies the real one never sends.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>

#include <cstdlib>
#include <filesystem>

#include "client/janela_login.h"
#include "client/janela_principal.h"
#include "client/texto_qt.h"
#include "platform/ini/ini_file.h"
#include "tests/client/janela_apoio.h"
#include "tests/client/korvatel_demo.h"
#include "tests/client/servidor_falso.h"

using namespace kvt;
using namespace kvt::cliente;

namespace {

using test::abreJanela;
using test::caixaAberta;
using test::fotografa;

}  // namespace

TEST(JanelaPrincipalE2E, ConnectsLogsInThroughTheWindowShowsEventsAndWritesTheIniAtClose) {
  test::KorvatelDemo demo;
  ASSERT_TRUE(demo.inicia()) << demo.log();
  const std::string pasta = demo.dir.file("cliente");
  std::filesystem::create_directory(pasta);
  test::writeFile(pasta + "/KVTCLIENT.INI",
                  "[Geral]\r\nPorta=" + std::to_string(demo.porta) + "\r\nEnviarLogin=SIM\r\nOrigem=ModCom02\r\n");

  auto j = abreJanela(pasta);
  EXPECT_EQ(j->windowTitle(), QString::fromUtf8("Cliente de Testes para o KVTPLUS - Versão 4.6"));
  EXPECT_EQ(j->edPorta->text().toStdString(), std::to_string(demo.porta));
  EXPECT_EQ(j->edidterminal->text(), "123456");
  EXPECT_FALSE(j->btnEnviar->isEnabled());

  QTest::mouseClick(j->btnConnect, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return j->frmLogin() != nullptr; }, 5000));
  EXPECT_EQ(j->btnConnect->text(), "&Desconectar");
  EXPECT_TRUE(j->btnLogin->isVisible());
  EXPECT_FALSE(j->btnEnviar->isEnabled());
  TfrmLogin* login = j->frmLogin();
  EXPECT_EQ(login->windowTitle(), "Login para o KVT");
  EXPECT_TRUE(login->chkUltimoTeleventoProcessado->isChecked());
  QTest::keyClicks(login->edOperador, "ADMIN");
  QTest::keyClicks(login->edSenha, "admin");
  EXPECT_EQ(login->edSenha->text(), "ADMIN");  // typed in upper case
  EXPECT_EQ(login->edSenha->echoMode(), QLineEdit::Password);
  fotografa(*login, "kvtclient-login.png");
  QTest::mouseClick(login->btnEnviar, Qt::LeftButton);

  ASSERT_TRUE(QTest::qWaitFor([&] { return j->btnEnviar->isEnabled(); }, 20000)) << demo.log();
  EXPECT_TRUE(j->lb_login->text().startsWith("Operador ["));
  EXPECT_FALSE(j->btnLogin->isVisible());
  EXPECT_TRUE(j->btnIniciarSimulacao->isEnabled());

  // the stand-in's events arrive: text with separators, tree, counters
  ASSERT_TRUE(QTest::qWaitFor([&] { return j->sessao().NumXMLRecebidos() >= 6; }, 30000)) << demo.log();
  QTest::qWait(50);
  const QString texto = j->reXMLRec->toPlainText();
  EXPECT_TRUE(texto.contains("<codmsg> -58 </codmsg>"));
  EXPECT_TRUE(texto.contains("\n============================================\n"));
  EXPECT_TRUE(texto.contains("<localizacao>"));
  EXPECT_GE(j->trvDadosXML->topLevelItemCount(), 6);
  int respostasLogin = 0, eventosComTerminal = 0;
  for (int i = 0; i < j->trvDadosXML->topLevelItemCount(); ++i) {
    const QString topo = j->trvDadosXML->topLevelItem(i)->text(0);
    respostasLogin += topo == "CodMsg: -58";
    // IdTerminal 1000 is hexadecimal: 4096
    eventosComTerminal += topo.contains(QRegularExpression(", IdTerminal: ([0-9a-f]+) \\(\\d+\\)$"));
  }
  EXPECT_EQ(respostasLogin, 1);
  EXPECT_GT(eventosComTerminal, 0);
  EXPECT_EQ(j->lbNumXMLRec->text().toLongLong(), j->sessao().NumXMLRecebidos());
  EXPECT_EQ(j->lbBytes_Recebidos->text().toLongLong(), j->sessao().BytesRecebidos());
  EXPECT_TRUE(j->lberro->item(0)->text().startsWith(QString::fromUtf8("Recebido XML válido do KVT:[127.0.0.1]")));
  fotografa(*j, "kvtclient-recepcao.png");

  j->edOrigem->setText("ModCom03");
  j->chkAutoConnect->setChecked(true);
  j->close();
  const ini::IniFile ini(pasta + "/KVTCLIENT.INI");
  EXPECT_EQ(ini.readString("Geral", "Origem", ""), "ModCom03");
  EXPECT_EQ(ini.readString("Geral", "AutoConectar", ""), "1");
  EXPECT_EQ(ini.readString("Geral", "EnviarLogin", ""), "SIM");
  EXPECT_EQ(ini.readString("Geral", "IdTerminal", ""), "123456");
  EXPECT_EQ(ini.readString("Geral", "Porta", ""), std::to_string(demo.porta));
  EXPECT_TRUE(ini.hasKey("Geral", "ULTIMO_NUM_SEQ_PROCESSADO"));
  EXPECT_FALSE(ini.hasKey("Geral", "GravarLog"));  // not written back
}

TEST(JanelaPrincipal, ShowsWhatTheServerSendsAndKeepsSendingDisabledAfterARefusedLogIn) {
  test::TempDir dir;
  test::ServidorFalso servidor;
  test::writeFile(dir.file("KVTCLIENT.INI"), "[Geral]\r\nPorta=" + servidor.porta() + "\r\nEnviarLogin=Sim\r\n");
  auto j = abreJanela(dir.path().string());
  QTest::mouseClick(j->btnConnect, Qt::LeftButton);
  ASSERT_TRUE(servidor.esperaConexao());
  ASSERT_TRUE(QTest::qWaitFor([&] { return j->frmLogin() != nullptr; }, 5000));
  j->frmLogin()->btnCancela->click();  // clears both fields: nothing is sent
  QTest::qWait(20);
  EXPECT_TRUE(servidor.recebido.empty());
  EXPECT_TRUE(j->btnLogin->isVisible());

  // a refused log-in and an event with IdTerminal 1e240, in one read
  servidor.envia(test::teleEvento("<CodMsg> -58 </CodMsg> <NomeOperador> X </NomeOperador> <StsLogin> 1 </StsLogin>") +
                 test::teleEvento("<CodMsg> 5 </CodMsg> <Evento> 30 </Evento> <IdTerminal> 1E240 </IdTerminal>"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return j->trvDadosXML->topLevelItemCount() == 2; }, 5000));
  EXPECT_FALSE(j->btnEnviar->isEnabled());
  EXPECT_TRUE(j->lb_login->text().isEmpty());
  EXPECT_EQ(j->lbNumXMLRec->text(), "2");
  QTreeWidgetItem* evento = j->trvDadosXML->topLevelItem(1);
  EXPECT_EQ(evento->text(0), "CodMsg: 5, Evento: 30, IdTerminal: 1e240 (123456)");
  ASSERT_EQ(evento->childCount(), 3);
  EXPECT_EQ(evento->child(2)->text(0), "<idterminal> 1e240 </idterminal>");
  EXPECT_EQ(j->reXMLRec->toPlainText().count("============================================"), 2);

  // the 1001st line of the message list clears it
  for (int i = 0; i < 999; ++i) j->sessao().Valida("<a/>", "Localhost");
  EXPECT_EQ(j->lberro->count(), 1001);
  j->sessao().Valida("<a/>", "Localhost");
  EXPECT_EQ(j->lberro->count(), 1);

  QTest::mouseClick(j->btn_Limpar, Qt::LeftButton);
  EXPECT_EQ(j->trvDadosXML->topLevelItemCount(), 0);
  EXPECT_TRUE(j->reXMLRec->toPlainText().isEmpty());
  EXPECT_EQ(j->lberro->count(), 0);
  EXPECT_EQ(j->lbNumXMLRec->text(), "0");

  // the server goes away: back to "&Conectar", sending and log-in gone
  servidor.conexao->close();
  ASSERT_TRUE(QTest::qWaitFor([&] { return j->btnConnect->text() == "&Conectar"; }, 5000));
  EXPECT_FALSE(j->btnLogin->isVisible());
  EXPECT_EQ(caixaAberta(*j), nullptr);

  // no server at all: the warning box
  servidor.servidor.close();
  QTest::mouseClick(j->btnConnect, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return caixaAberta(*j) != nullptr; }, 5000));
  QMessageBox* caixa = caixaAberta(*j);
  EXPECT_EQ(caixa->windowTitle(), "Aviso");
  EXPECT_EQ(caixa->text(), QString::fromUtf8("Falha !! Não foi possível conectar-se ao KVT!"));
  EXPECT_EQ(j->btnConnect->text(), "&Conectar");
}
