// The status window and the tray icon against a real server object on the
// embedded central, under the offscreen platform.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <random>

#include "central/central.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/text/cp1252.h"
#include "server/link/client_link.h"
#include "server/principal.h"
#include "server/window/botao_imagem.h"
#include "server/window/fontes_principal.h"
#include "server/window/imagens.h"
#include "server/window/janela_espera.h"
#include "server/window/janela_principal.h"
#include "server/window/sobre.h"
#include "server/window/splash.h"
#include "server/window/texto_qt.h"
#include "tests/support/cliente_qt.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::text::literals;
using window::JanelaPrincipal;

namespace {

bool esperaAte(const std::function<bool()>& condicao, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (!condicao()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

QString q(const std::string& cp1252) { return window::ParaQt(cp1252); }

// A server object on a fresh embedded central that passes every event of the
// demo vehicle to unauthenticated clients, with the Quillon heartbeat fresh,
// and its status window.
struct JanelaFixture : ::testing::Test {
  test::TempDir dir;
  central::CentralFiles files;
  runtime::Bancos bancos;
  std::optional<int> codigoSaida;
  std::unique_ptr<server::TFPrincipal> principal;
  std::unique_ptr<JanelaPrincipal> janela;
  int terminou = 0;

  void SetUp() override {
    central::CentralOptions opt;
    opt.port = 0;
    files = central::createCentral(dir.path().string(), opt);
    ini::IniFile(files.ini).writeString("KORVATEL", "SOLICITA_LOGIN", "NAO");
    exec(files.urlZenthora, "INSERT OR IGNORE INTO tVeiculo (IdTerminal) VALUES (6699)");
    exec(files.urlZenthora,
         "INSERT INTO tDiagnostico(CodigoPrograma, NomePrograma, DataHoraUltimaAtualizacao, IntervaloAtualizacao) "
         "VALUES (1, 'Quillon', datetime('now', 'localtime'), 30)");
    bancos.dbZenthora = db::Connection::open(files.urlZenthora);
    server::OpcoesServidor opcoes;
    opcoes.programDir = dir.path().string();
    opcoes.workDir = dir.path().string();
    opcoes.termina = [this](int code) { codigoSaida = code; };
    opcoes.mostraMensagem = [](const std::string&) {};
    principal = std::make_unique<server::TFPrincipal>(opcoes, bancos, 1000);
    ASSERT_TRUE(principal->FormCreate());
  }
  void TearDown() override {
    janela.reset();
    if (principal && principal->link()) principal->FormClose(nullptr);
    principal.reset();
    QCoreApplication::processEvents();
  }

  static void exec(const std::string& url, const std::string& sql) {
    auto c = db::Connection::open(url);
    db::Statement(*c, sql).execute();
  }

  JanelaPrincipal& abre(bool bandeja = true) {
    auto fontes = window::FontesDe(*principal);
    fontes.bandejaDisponivel = bandeja;
    fontes.aoTerminar = [this] { ++terminou; };
    janela = std::make_unique<JanelaPrincipal>(std::move(fontes));
    return *janela;
  }

  QString texto(const char* nome) {
    auto* l = janela->findChild<QLabel*>(nome);
    EXPECT_NE(l, nullptr) << nome;
    return l ? l->text() : QString();
  }
  QColor fundo(const char* nome) { return janela->findChild<QLabel*>(nome)->palette().color(QPalette::Window); }
  QColor fonte(const char* nome) { return janela->findChild<QLabel*>(nome)->palette().color(QPalette::WindowText); }
  QAction* acao(const char* nome) { return janela->popupMenu().findChild<QAction*>(nome); }
  QMessageBox* confirmacao() { return janela->findChild<QMessageBox*>(); }

  // Exactly one of the two menu items is visible, and it is the one that
  // fits the window's state.
  void confereMenu(const char* passo) {
    const bool esconder = acao("mnuEsconder")->isVisible();
    const bool abrir = acao("mnuAbrir")->isVisible();
    EXPECT_NE(esconder, abrir) << passo;
    EXPECT_EQ(esconder, janela->isVisible()) << passo;
  }
};

}  // namespace

TEST_F(JanelaFixture, ShowsConfigurationCountersAndClientsAfterADelivery) {
  auto& j = abre();
  j.Exibir();
  EXPECT_EQ(j.windowTitle(), q("Interface de Acesso à Central Talvero - Versão 6.32.002z"_cp));
  EXPECT_EQ(texto("nome_Base"), "Quillon");
  EXPECT_EQ(texto("lb_modcom"), "ModCom02");
  EXPECT_EQ(texto("lb_id_base"), "601");
  EXPECT_EQ(texto("lb_KVTPorta"), QString::number(principal->configuracao().KORVATEL_PORT));
  EXPECT_TRUE(texto("stStatusServer").startsWith("Ativo desde "));
  EXPECT_EQ(fundo("stStatusServer"), window::CorDe(runtime::StatusModel::Cor::Verde));
  // before the first base check: red box, no tray icon
  EXPECT_EQ(texto("st_Sts_Base"), "Desconectada");
  EXPECT_EQ(fundo("st_Sts_Base"), window::CorDe(runtime::StatusModel::Cor::Vermelho));
  EXPECT_FALSE(j.bandeja().isVisible());
  EXPECT_EQ(texto("lbAnaliseEstat"), q("* ainda não processado *"_cp));
  EXPECT_EQ(texto("lbLimBuf_INI"), QString::number(principal->configuracao().Tamanho_Buffer));

  principal->tmrStatusQuillonTimer();
  test::ClienteQt cliente;
  cliente.conecta(principal->portaEscuta());
  ASSERT_TRUE(esperaAte([&] { return principal->link()->NumConexoes() == 1; }));
  exec(files.urlBase, "INSERT INTO tEvtPost02 (Post) VALUES ('#5,2,20#21,4,1A2B#2A,2,80')");
  for (int i = 0; i < 3; ++i) principal->tmrProcessaTimer();  // one turn of both event tables and the queue
  principal->link()->tmrBufferTimer();
  ASSERT_TRUE(esperaAte([&] { return cliente.recebido.find("</TeleEvento>") != std::string::npos; }));
  ASSERT_TRUE(esperaAte([&] { return !principal->estado().EnviandoBuffer; }));
  principal->log("TFPrincipal.Teste", "linha na tela", false, true);
  j.AtualizaTela();

  EXPECT_EQ(texto("st_Sts_Base"), q("Conectado à Base"_cp));
  EXPECT_EQ(fundo("st_Sts_Base"), window::CorDe(runtime::StatusModel::Cor::Verde));
  EXPECT_EQ(fonte("st_Sts_Base"), window::CorDe(runtime::StatusModel::Cor::Branco));
  EXPECT_TRUE(j.bandeja().isVisible());
  EXPECT_EQ(j.bandeja().toolTip(), "KORVATEL - Ativo");
  EXPECT_EQ(acao("mnuBase")->text(), "Base: Conectada");
  EXPECT_EQ(texto("lbevtsent"), "1");
  EXPECT_EQ(texto("lbBytes_Enviados"), QString::number(cliente.recebido.size()));
  auto* arvore = j.findChild<QTreeWidget*>("ClientesTreeView");
  ASSERT_EQ(arvore->topLevelItemCount(), 1);
  EXPECT_TRUE(arvore->topLevelItem(0)->text(0).startsWith(
      QString("[127.0.0.1:%1] Tentativas:").arg(cliente.portaLocal())));
  EXPECT_EQ(arvore->topLevelItem(0)->childCount(), 2);
  auto* historico = j.findChild<QListWidget*>("lberro");
  ASSERT_GE(historico->count(), 1);
  EXPECT_TRUE(historico->item(0)->text().endsWith("] linha na tela"));

  // what a user sees: the grab is kept beside the test's files (and where
  // KVT_WINDOW_GRAB points, to look at it)
  const QPixmap tela = j.grab();
  EXPECT_EQ(tela.size(), j.size());
  EXPECT_TRUE(tela.save(QString::fromStdString(dir.file("janela.png"))));
  if (const QByteArray destino = qgetenv("KVT_WINDOW_GRAB"); !destino.isEmpty()) tela.save(QString::fromUtf8(destino));

  // the base goes down: yellow box, alert tray image and tip
  exec(files.urlZenthora, "DELETE FROM tDiagnostico WHERE NomePrograma = 'Quillon'");
  principal->tmrStatusQuillonTimer();
  j.AtualizaTela();
  EXPECT_EQ(texto("st_Sts_Base"), "Quillon fora do ar !");
  EXPECT_EQ(fundo("st_Sts_Base"), window::CorDe(runtime::StatusModel::Cor::Amarelo));
  EXPECT_EQ(j.bandeja().toolTip(), "KORVATEL - Aguardando...");
  EXPECT_EQ(j.bandeja().icon().pixmap(64).toImage(), window::img_KVT_Alerta().toImage());
  EXPECT_EQ(acao("mnuBase")->text(), "Base: Quillon fora do ar !");

  // the client leaves: its node goes
  cliente.socket.disconnectFromHost();
  ASSERT_TRUE(esperaAte([&] { return principal->link()->NumConexoes() == 0; }));
  j.AtualizaTela();
  EXPECT_EQ(arvore->topLevelItemCount(), 0);
}

TEST_F(JanelaFixture, WarningIsRedUntilADoubleClickClearsIt) {
  auto& j = abre();
  j.Exibir();
  principal->status().lbAviso = "Erro ao processar XML em 02/01/2024 03:04:05";
  principal->status().corAviso = runtime::StatusModel::Cor::Vermelho;
  j.AtualizaTela();
  EXPECT_EQ(texto("lbAviso"), "Erro ao processar XML em 02/01/2024 03:04:05");
  EXPECT_EQ(fonte("lbAviso"), window::CorDe(runtime::StatusModel::Cor::Vermelho));
  QTest::mouseDClick(j.findChild<QLabel*>("lbAviso"), Qt::LeftButton);
  EXPECT_EQ(texto("lbAviso"), "");
  EXPECT_EQ(fonte("lbAviso"), window::CorDe(runtime::StatusModel::Cor::Branco));
  EXPECT_EQ(principal->status().lbAviso, "");
}

TEST_F(JanelaFixture, HideAndShowItemsAreNeverVisibleTogether) {
  auto& j = abre();
  confereMenu("start");
  EXPECT_FALSE(j.isVisible());  // hidden at start
  auto* btEsconder = j.findChild<window::BotaoImagem*>("btEsconder");
  const std::pair<const char*, std::function<void()>> passos[] = {
      {"mnuAbrir", [&] { acao("mnuAbrir")->trigger(); }},
      {"mnuAbrir again", [&] { j.Exibir(); }},
      {"mnuEsconder", [&] { acao("mnuEsconder")->trigger(); }},
      {"tray double click", [&] { emit j.bandeja().activated(QSystemTrayIcon::DoubleClick); }},
      {"hide button", [&] { QTest::mouseClick(btEsconder, Qt::LeftButton); }},
      {"tray single click", [&] { emit j.bandeja().activated(QSystemTrayIcon::Trigger); }},
      {"mnuAbrir after button", [&] { acao("mnuAbrir")->trigger(); }},
      {"minimised", [&] { j.showMinimized(); }},
      {"restored by double click", [&] { emit j.bandeja().activated(QSystemTrayIcon::DoubleClick); }},
      {"title bar hide", [&] { j.hide(); }},
      {"about while hidden", [&] { acao("Sobre1")->trigger(); }},
  };
  const bool visivelDepois[] = {true, true, false, true, false, false, true, true, true, false, false};
  for (std::size_t i = 0; i < std::size(passos); ++i) {
    passos[i].second();
    QCoreApplication::processEvents();
    EXPECT_EQ(j.isVisible(), visivelDepois[i]) << passos[i].first;
    confereMenu(passos[i].first);
  }
}

TEST_F(JanelaFixture, WithoutATrayHidingMinimisesSoTheWindowStaysReachable) {
  auto& j = abre(false);
  j.Exibir();
  QTest::mouseClick(j.findChild<window::BotaoImagem*>("btEsconder"), Qt::LeftButton);
  EXPECT_TRUE(j.isVisible());
  confereMenu("hide without tray");
  EXPECT_EQ(j.contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(JanelaFixture, CloseButtonAsksAndOkRunsTheShutdown) {
  auto& j = abre();
  j.Exibir();
  auto* btFechar = j.findChild<window::BotaoImagem*>("btFechar");
  // Cancel leaves the server running; the title bar's close asks the same
  QTest::mouseClick(btFechar, Qt::LeftButton);
  ASSERT_NE(confirmacao(), nullptr);
  EXPECT_EQ(confirmacao()->windowTitle(), "Fechar");
  EXPECT_EQ(confirmacao()->text(), "Tem certeza que deseja fechar o KORVATEL?");
  EXPECT_EQ(confirmacao()->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_TRUE(confirmacao()->isModal());
  confirmacao()->button(QMessageBox::Cancel)->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(confirmacao(), nullptr);
  EXPECT_NE(principal->link(), nullptr);
  EXPECT_EQ(terminou, 0);
  j.close();
  EXPECT_TRUE(j.isVisible());
  ASSERT_NE(confirmacao(), nullptr);
  j.close();  // a second request while it is open asks nothing more
  EXPECT_EQ(j.findChildren<QMessageBox*>().size(), 1);

  confirmacao()->button(QMessageBox::Ok)->click();
  EXPECT_EQ(terminou, 1);
  EXPECT_EQ(principal->link(), nullptr);  // FormClose freed the server's parts
  EXPECT_FALSE(j.bandeja().isVisible());
  EXPECT_EQ(j.espera(), nullptr);
  EXPECT_FALSE(codigoSaida);
}

TEST_F(JanelaFixture, WaitWindowStaysWhileAFlushRuns) {
  auto& j = abre();
  principal->estado().EnviandoBuffer = true;
  acao("Fechar1")->trigger();  // the menu closes without asking
  ASSERT_NE(j.espera(), nullptr);
  EXPECT_TRUE(j.espera()->isVisible());
  EXPECT_EQ(j.espera()->windowTitle(), "KORVATEL - Finalizando sistema");
  EXPECT_EQ(j.espera()->titulo(), "KORVATEL - Finalizando sistema");
  EXPECT_EQ(j.espera()->texto(),
            q("O KORVATEL está terminando a execução dos processos. Isso pode levar até 60 segundos. Aguarde..."_cp));
  EXPECT_TRUE(j.espera()->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(terminou, 0);
  acao("Fechar1")->trigger();  // already closing
  principal->estado().EnviandoBuffer = false;
  ASSERT_TRUE(esperaAte([&] { return terminou == 1; }));
  EXPECT_EQ(j.espera(), nullptr);
  EXPECT_EQ(terminou, 1);
}

TEST_F(JanelaFixture, AboutBoxOpensOnceAndIsModal) {
  auto& j = abre();
  acao("Sobre1")->trigger();
  acao("Sobre1")->trigger();
  auto caixas = j.findChildren<window::TSobre*>();
  ASSERT_EQ(caixas.size(), 1);
  window::TSobre* sobre = caixas[0];
  EXPECT_TRUE(sobre->isVisible());
  EXPECT_EQ(sobre->windowModality(), Qt::ApplicationModal);
  EXPECT_EQ(sobre->windowTitle(), "Sobre o Korvatel");
  EXPECT_EQ(sobre->versao(), q("Versão 6.32.002z"_cp));
  EXPECT_EQ(sobre->findChild<QLabel*>("lbTitulo")->text(), q("Interface de Acesso à Central Talvero"_cp));
  EXPECT_EQ(sobre->findChild<QLabel*>("lbObjetivo")->text(),
            q("Objetivo: Prover Acesso Remoto Online à Central Talvero via Socket e XML"_cp));
  sobre->findChild<QPushButton*>()->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(j.findChildren<window::TSobre*>().empty());
  acao("Sobre1")->trigger();  // closed, so it opens again
  EXPECT_EQ(j.findChildren<window::TSobre*>().size(), 1);
}

TEST_F(JanelaFixture, IntegrationModeUsesItsOwnTrayImages) {
  principal->estado().Integracao = true;
  auto& j = abre();
  principal->tmrStatusQuillonTimer();
  j.AtualizaTela();
  EXPECT_EQ(j.bandeja().toolTip(), q("KVT(Integração)-Ativo"_cp));
  EXPECT_EQ(j.bandeja().icon().pixmap(64).toImage(), window::img_Ystrava_OK().toImage());
}

// The picture buttons follow the mouse: highlighted over it, pressed while
// held, normal again over the window background.
TEST(BotaoImagem, PictureFollowsTheMouse) {
  QWidget janela;
  window::BotaoImagem botao(window::TipoBotao::Fechar, &janela);
  janela.show();
  using E = window::EstadoBotao;
  int cliques = 0;
  QObject::connect(&botao, &QAbstractButton::clicked, [&] { ++cliques; });
  const QPointF meio(botao.width() / 2.0, botao.height() / 2.0);
  QEnterEvent entra(meio, botao.mapToGlobal(meio), botao.mapToGlobal(meio));
  QEvent sai(QEvent::Leave);
  EXPECT_EQ(botao.estado(), E::Normal);
  QCoreApplication::sendEvent(&botao, &entra);
  EXPECT_EQ(botao.estado(), E::Realcado);
  QTest::mousePress(&botao, Qt::LeftButton);
  EXPECT_EQ(botao.estado(), E::Pressionado);
  QTest::mouseRelease(&botao, Qt::LeftButton);
  EXPECT_EQ(botao.estado(), E::Realcado);
  EXPECT_EQ(cliques, 1);
  QCoreApplication::sendEvent(&botao, &sai);
  EXPECT_EQ(botao.estado(), E::Normal);
  // released outside: no click, normal picture
  QTest::mousePress(&botao, Qt::LeftButton);
  QTest::mouseRelease(&botao, Qt::LeftButton, {}, QPoint(botao.width() + 20, 2));
  EXPECT_EQ(cliques, 1);
  EXPECT_EQ(botao.estado(), E::Normal);
  // three distinct pictures per button, and the two buttons differ
  for (auto tipo : {window::TipoBotao::Esconder, window::TipoBotao::Fechar}) {
    const QImage n = window::ImagemBotao(tipo, E::Normal).toImage();
    EXPECT_NE(n, window::ImagemBotao(tipo, E::Realcado).toImage());
    EXPECT_NE(n, window::ImagemBotao(tipo, E::Pressionado).toImage());
  }
  EXPECT_NE(window::ImagemBotao(window::TipoBotao::Esconder, E::Normal).toImage(),
            window::ImagemBotao(window::TipoBotao::Fechar, E::Normal).toImage());
}

// Whatever the mix of lines added at the top, at the bottom and clears
// between two refreshes, the list shows exactly the model's lines.
TEST(HistoricoJanela, ListFollowsTheModelThroughEveryMix) {
  runtime::StatusModel modelo;
  window::FontesJanela fontes;
  fontes.status = &modelo;
  fontes.bandejaDisponivel = true;
  JanelaPrincipal janela(std::move(fontes));
  janela.Exibir();
  auto* lista = janela.findChild<QListWidget*>("lberro");
  std::mt19937 gerador(19);
  int numero = 0;
  for (int rodada = 0; rodada < 200; ++rodada) {
    const int passos = static_cast<int>(gerador() % 6);
    for (int p = 0; p < passos; ++p) {
      const unsigned tipo = gerador() % 10;
      const std::string linha = "linha " + std::to_string(++numero);
      if (tipo < 4) modelo.lberro.insertTop(linha);
      else if (tipo < 9) modelo.lberro.append(linha);
      else modelo.lberro.clear();
    }
    janela.AtualizaTela();
    ASSERT_EQ(static_cast<std::size_t>(lista->count()), modelo.lberro.size()) << rodada;
    for (std::size_t i = 0; i < modelo.lberro.size(); ++i)
      ASSERT_EQ(lista->item(static_cast<int>(i))->text().toStdString(), modelo.lberro.at(i)) << rodada << " " << i;
  }
}

// The splash window is shown and painted at once, with its caption, its
// picture and its label.
TEST(Splash, ShownAndPaintedAtOnce) {
  window::TFSplash splash;
  splash.mostra();
  EXPECT_TRUE(splash.isVisible());
  EXPECT_EQ(splash.windowTitle(), "Talvero - KVT");
  EXPECT_EQ(splash.size(), window::ImagemSplash().size());
  // the label is painted over the picture
  EXPECT_NE(splash.grab().toImage(), window::ImagemSplash().toImage());
}

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
