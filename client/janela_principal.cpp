#include "client/janela_principal.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QSplitter>
#include <QVBoxLayout>

#include <cstdio>

#include "client/janela_login.h"
#include "client/texto_qt.h"
#include "platform/clock/clock.h"
#include "platform/text/date_time.h"

namespace kvt::cliente {

namespace {

QLabel* rotulo(const char* utf8, QWidget* pai) { return new QLabel(QString::fromUtf8(utf8), pai); }

template <typename W>
W* nomeado(W* w, const char* nome) {
  w->setObjectName(nome);
  return w;
}

QTreeWidgetItem* itemDoNo(const NoArvore& no) {
  auto* item = new QTreeWidgetItem(QStringList{qs(no.texto)});
  for (const NoArvore& f : no.filhos) item->addChild(itemDoNo(f));
  return item;
}

}  // namespace

JanelaPrincipal::JanelaPrincipal(std::string programDir, QWidget* parent)
    : QMainWindow(parent), programDir_(std::move(programDir)), ini_(programDir_ + "/" + kArquivoIni) {
  setObjectName("frmPrincipal");
  setWindowTitle(QString::fromUtf8("Cliente de Testes para o KVTPLUS - Versão 4.6"));
  sessao_ = std::make_unique<SessaoCliente>(LeConfiguracao(ini_), programDir_);

  auto* central = new QWidget(this);
  auto* tudo = new QVBoxLayout(central);
  auto* topo = new QHBoxLayout;
  topo->addWidget(montaConexao(), 3);
  topo->addWidget(montaStatus(), 2);
  tudo->addLayout(topo);
  // what arrives above, what is composed below; the user moves the border
  auto* divisor = nomeado(new QSplitter(Qt::Vertical, central), "divisorPrincipal");
  divisor->addWidget(montaExibicao());
  divisor->addWidget(montaEnvio());
  divisor->setStretchFactor(0, 1);
  divisor->setStretchFactor(1, 1);
  divisor->setSizes({380, 420});
  tudo->addWidget(divisor, 1);
  setCentralWidget(central);

  SessaoCliente* s = sessao_.get();
  connect(s, &SessaoCliente::estadoMudou, this, [this] { atualizaEstado(); });
  connect(s, &SessaoCliente::contadoresMudaram, this, [this] { atualizaContadores(); });
  connect(s, &SessaoCliente::textoAcrescentado, this, [this](const std::string& t) {
    QString texto = qs(t);
    texto.replace("\r\n", "\n");
    reXMLRec->moveCursor(QTextCursor::End);
    reXMLRec->insertPlainText(texto);
  });
  connect(s, &SessaoCliente::textoLimpo, reXMLRec, &QPlainTextEdit::clear);
  connect(s, &SessaoCliente::mensagemAcrescentada, this, [this](const std::string& l) { lberro->addItem(qs(l)); });
  connect(s, &SessaoCliente::mensagensLimpas, lberro, &QListWidget::clear);
  connect(s, &SessaoCliente::noAcrescentado, this, [this](const NoArvore& no) { acrescentaNo(no); });
  connect(s, &SessaoCliente::arvoreLimpa, trvDadosXML, &QTreeWidget::clear);
  connect(s, &SessaoCliente::aviso, this,
          [this](const std::string& titulo, const std::string& texto) { mostraCaixa(false, titulo, texto); });
  connect(s, &SessaoCliente::erro, this,
          [this](const std::string& titulo, const std::string& texto) { mostraCaixa(true, titulo, texto); });
  connect(s, &SessaoCliente::pedeLogin, this, [this] { abreLogin(); });

  connect(btnConnect, &QPushButton::clicked, this, [this] { btnConnectClick(); });
  connect(btnLogin, &QPushButton::clicked, this, [this] { btnLoginClick(); });
  connect(btn_Limpar, &QPushButton::clicked, this, [this] { btn_LimparClick(); });
  connect(btnEnviar, &QPushButton::clicked, this, [this] { btnEnviarClick(); });
  connect(btnIniciarSimulacao, &QPushButton::clicked, this, [this] { btnIniciarSimulacaoClick(); });
  connect(PG_Comandos, &PainelComandos::erro, this,
          [this](const std::string& titulo, const std::string& texto) { mostraCaixa(true, titulo, texto); });
  simulador_ = std::make_unique<SimuladorTeleCmd>(*sessao_, [this] {
    return SimuladorTeleCmd::Campos{cp(edOrigem->text()), cp(edDestino->text()), cp(edidterminal->text())};
  });
  connect(simulador_.get(), &SimuladorTeleCmd::estadoMudou, this, [this] { atualizaEstado(); });
  connect(simulador_.get(), &SimuladorTeleCmd::mediaMudou, this,
          [this] { lbMediaTeleCmd->setText(qs(simulador_->lbMediaTeleCmd())); });

  FormCreate();
}

JanelaPrincipal::~JanelaPrincipal() = default;

QWidget* JanelaPrincipal::montaEnvio() {
  auto* caixa = new QWidget(this);
  PG_Comandos = new PainelComandos(caixa);
  btnEnviar = nomeado(new QPushButton("Enviar para o KVTPLUS", caixa), "btnEnviar");
  auto* simulador = nomeado(new QGroupBox(" Simulador de Telecomandos ", caixa), "gbSimulador");
  edIntervalo = nomeado(new QLineEdit("1000", simulador), "edIntervalo");
  edIntervalo->setMaximumWidth(80);
  chkMultiplosVeiculos = nomeado(
      new QCheckBox(QString::fromUtf8("Simular para todos os veículos da Central"), simulador), "chkMultiplosVeiculos");
  btnIniciarSimulacao = nomeado(new QPushButton("&Iniciar", simulador), "btnIniciarSimulacao");
  lbMediaTeleCmd = nomeado(new QLabel(simulador), "lbMediaTeleCmd");
  auto* ls = new QGridLayout(simulador);
  ls->addWidget(rotulo("Intervalo entre TeleCmd em mili segundos", simulador), 0, 0, 1, 2);
  ls->addWidget(edIntervalo, 1, 0);
  ls->addWidget(btnIniciarSimulacao, 1, 1);
  ls->addWidget(chkMultiplosVeiculos, 2, 0, 1, 2);
  ls->addWidget(rotulo("Media TeleComandos Enviado por Minuto", simulador), 3, 0, 1, 2);
  ls->addWidget(lbMediaTeleCmd, 4, 0, 1, 2);

  auto* coluna = new QWidget(caixa);
  coluna->setFixedWidth(330);
  auto* direita = new QVBoxLayout(coluna);
  direita->setContentsMargins(0, 0, 0, 0);
  direita->addWidget(btnEnviar);
  direita->addWidget(simulador);
  direita->addStretch();
  auto* l = new QHBoxLayout(caixa);
  l->setContentsMargins(0, 0, 0, 0);
  l->addWidget(PG_Comandos, 1);
  l->addWidget(coluna);
  return caixa;
}

QWidget* JanelaPrincipal::montaConexao() {
  auto* g = nomeado(new QGroupBox(QString::fromUtf8(" Conexão "), this), "gbConexao");
  edIP = nomeado(new QLineEdit(g), "edIP");
  edPorta = nomeado(new QLineEdit(g), "edPorta");
  edPorta->setMaximumWidth(70);
  btnConnect = nomeado(new QPushButton("&Conectar", g), "btnConnect");
  chkAutoConnect = nomeado(new QCheckBox("Conectar ao iniciar", g), "chkAutoConnect");
  btnLogin = nomeado(new QPushButton("&Login", g), "btnLogin");
  lb_login = nomeado(new QLabel(g), "lb_login");
  edOrigem = nomeado(new QLineEdit(g), "edOrigem");
  edDestino = nomeado(new QLineEdit(g), "edDestino");
  edidterminal = nomeado(new QLineEdit(g), "edidterminal");
  edidterminal->setMaxLength(6);
  edidterminal->setMaximumWidth(90);

  auto* l = new QGridLayout(g);
  l->addWidget(rotulo("IP do KVT:", g), 0, 0);
  l->addWidget(edIP, 0, 1);
  l->addWidget(rotulo("Porta:", g), 0, 2);
  l->addWidget(edPorta, 0, 3);
  l->addWidget(btnConnect, 0, 4);
  l->addWidget(btnLogin, 0, 5);
  l->addWidget(chkAutoConnect, 1, 1);
  l->addWidget(lb_login, 1, 2, 1, 4);
  l->addWidget(rotulo("Origem:", g), 2, 0);
  l->addWidget(edOrigem, 2, 1);
  l->addWidget(rotulo("Destino:", g), 2, 2);
  l->addWidget(edDestino, 2, 3);
  l->addWidget(rotulo("IdTerminal:", g), 2, 4);
  l->addWidget(edidterminal, 2, 5);
  return g;
}

QWidget* JanelaPrincipal::montaStatus() {
  auto* g = nomeado(new QGroupBox(QString::fromUtf8(" Status de comunicação "), this), "gbStatus");
  lbNumXMLRec = nomeado(new QLabel(g), "lbNumXMLRec");
  lbBytes_Recebidos = nomeado(new QLabel(g), "lbBytes_Recebidos");
  lbNumXMLEnv = nomeado(new QLabel(g), "lbNumXMLEnv");
  lbBytes_Enviados = nomeado(new QLabel(g), "lbBytes_Enviados");
  lbUltEvtProc = nomeado(new QLabel(g), "lbUltEvtProc");
  auto* l = new QGridLayout(g);
  l->addWidget(rotulo("XML recebidos:", g), 0, 0);
  l->addWidget(lbNumXMLRec, 0, 1);
  l->addWidget(rotulo("Bytes recebidos:", g), 0, 2);
  l->addWidget(lbBytes_Recebidos, 0, 3);
  l->addWidget(rotulo("XML enviados:", g), 1, 0);
  l->addWidget(lbNumXMLEnv, 1, 1);
  l->addWidget(rotulo("Bytes enviados:", g), 1, 2);
  l->addWidget(lbBytes_Enviados, 1, 3);
  l->addWidget(rotulo("Último teleevento processado:", g), 2, 0, 1, 2);
  l->addWidget(lbUltEvtProc, 2, 2);
  return g;
}

QWidget* JanelaPrincipal::montaExibicao() {
  auto* divisor = new QSplitter(Qt::Horizontal, this);
  auto* esquerda = new QWidget(divisor);
  auto* le = new QVBoxLayout(esquerda);
  le->setContentsMargins(0, 0, 0, 0);
  le->addWidget(rotulo("Representação Textual de todos XML recebidos (Válidos e com Erros)", esquerda));
  reXMLRec = nomeado(new QPlainTextEdit(esquerda), "reXMLRec");
  reXMLRec->setReadOnly(true);
  reXMLRec->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  le->addWidget(reXMLRec);

  auto* meio = new QWidget(divisor);
  auto* lm = new QVBoxLayout(meio);
  lm->setContentsMargins(0, 0, 0, 0);
  lm->addWidget(rotulo("Representação em Árvore", meio));
  trvDadosXML = nomeado(new QTreeWidget(meio), "trvDadosXML");
  trvDadosXML->setHeaderHidden(true);
  lm->addWidget(trvDadosXML);

  auto* direita = new QWidget(divisor);
  auto* ld = new QVBoxLayout(direita);
  ld->setContentsMargins(0, 0, 0, 0);
  ld->addWidget(rotulo("Mensagens", direita));
  lberro = nomeado(new QListWidget(direita), "lberro");
  ld->addWidget(lberro);
  btn_Limpar = nomeado(new QPushButton("Limpar", direita), "btn_Limpar");
  ld->addWidget(btn_Limpar);

  divisor->setStretchFactor(0, 3);
  divisor->setStretchFactor(1, 3);
  divisor->setStretchFactor(2, 2);
  return divisor;
}

void JanelaPrincipal::FormCreate() {
  const ConfiguracaoCliente& c = sessao_->configuracao();
  edIP->setText(qs(c.IP));
  edPorta->setText(qs(c.Porta));
  edOrigem->setText(qs(c.Origem));
  edDestino->setText(qs(c.Destino));
  edidterminal->setText(qs(c.IdTerminal));
  chkAutoConnect->setChecked(c.AutoConectar);
  PG_Comandos->prepara(c.DiretorioImportacao, c.VersaoKVT);
  versaoAntiga_ = c.VersaoKVT < 6;
  for (const std::string& linha : sessao_->lberro()) lberro->addItem(qs(linha));
  atualizaContadores();
  atualizaEstado();
  if (c.AutoConectar) btnConnectClick();
}

void JanelaPrincipal::atualizaEstado() {
  const SessaoCliente& s = *sessao_;
  btnConnect->setText(qs(s.captionConectar()));
  btnLogin->setVisible(s.loginVisivel() && !versaoAntiga_);
  lb_login->setText(qs(s.lb_login()));
  const bool simulando = simulador_ && simulador_->rodando();
  btnEnviar->setEnabled(s.envioHabilitado() && !simulando);
  btnIniciarSimulacao->setEnabled(s.envioHabilitado());
  btnIniciarSimulacao->setText(simulando ? "&Parar" : "&Iniciar");
}

void JanelaPrincipal::atualizaContadores() {
  const SessaoCliente& s = *sessao_;
  lbNumXMLRec->setText(QString::number(s.NumXMLRecebidos()));
  lbBytes_Recebidos->setText(QString::number(s.BytesRecebidos()));
  lbNumXMLEnv->setText(QString::number(s.NumXMLEnviados()));
  lbBytes_Enviados->setText(QString::number(s.BytesEnviados()));
  lbUltEvtProc->setText(QString::number(s.UltimoTeleEventoProcessado()));
}

void JanelaPrincipal::acrescentaNo(const NoArvore& no) { trvDadosXML->addTopLevelItem(itemDoNo(no)); }

void JanelaPrincipal::mostraCaixa(bool erro, const std::string& titulo, const std::string& texto) {
  // Not exec(): the box is modal to the window but the event loop keeps
  // serving the socket and the timers.
  auto* caixa = new QMessageBox(erro ? QMessageBox::Critical : QMessageBox::Warning, qs(titulo), qs(texto),
                                QMessageBox::Ok, this);
  caixa->setAttribute(Qt::WA_DeleteOnClose);
  caixa->open();
}

void JanelaPrincipal::btnConnectClick() { sessao_->btnConnectClick(cp(edIP->text()), cp(edPorta->text())); }

void JanelaPrincipal::btnLoginClick() { sessao_->btnLoginClick(); }

void JanelaPrincipal::abreLogin() {
  if (frmLogin_) return;
  frmLogin_ = new TfrmLogin(this);
  frmLogin_->setAttribute(Qt::WA_DeleteOnClose);
  connect(frmLogin_, &QDialog::finished, this, [this] {
    TfrmLogin* f = frmLogin_;
    frmLogin_ = nullptr;
    const std::string operador = cp(f->edOperador->text());
    const std::string senha = cp(f->edSenha->text());
    if (!operador.empty() && !senha.empty())
      sessao_->enviaLogin(operador, senha, f->chkUltimoTeleventoProcessado->isChecked());
  });
  frmLogin_->open();
}

void JanelaPrincipal::btn_LimparClick() { sessao_->btn_LimparClick(); }

void JanelaPrincipal::btnEnviarClick() {
  CamposComposicao c = PG_Comandos->campos();
  c.Origem = cp(edOrigem->text());
  c.Destino = cp(edDestino->text());
  c.IdTerminal = cp(edidterminal->text());
  try {
    // the generator is seeded afresh at every click
    const Composicao composto =
        ComporTelecomando(PG_Comandos->abaAtual(), c, AleatorioSemeado(), text::dateTimeToStr(clk::now()));
    if (composto.aviso) {
      mostraCaixa(false, "Aviso", *composto.aviso);
      return;
    }
    sessao_->enviaTexto(composto.texto);
  } catch (const std::exception& e) {
    mostraCaixa(true, "KVTClient", e.what());
  }
}

void JanelaPrincipal::btnIniciarSimulacaoClick() {
  try {
    simulador_->btnIniciarSimulacaoClick(cp(edIntervalo->text()), chkMultiplosVeiculos->isChecked());
  } catch (const std::exception& e) {
    mostraCaixa(true, "KVTClient", e.what());
  }
  atualizaEstado();
}

void JanelaPrincipal::closeEvent(QCloseEvent* e) {
  FormClose();
  QMainWindow::closeEvent(e);
}

void JanelaPrincipal::FormClose() {
  if (fechado_) return;
  fechado_ = true;
  ConfiguracaoCliente& c = sessao_->configuracao();
  c.IP = cp(edIP->text());
  c.Porta = cp(edPorta->text());
  c.Origem = cp(edOrigem->text());
  c.Destino = cp(edDestino->text());
  c.IdTerminal = cp(edidterminal->text());
  c.AutoConectar = chkAutoConnect->isChecked();
  try {
    GravaConfiguracao(ini_, c);
  } catch (const std::exception& ex) {
    // the window is going away: the reason goes where a user starting it from a terminal sees it
    std::fprintf(stderr, "kvtclient: %s\n", text::cp1252ToUtf8(ex.what()).c_str());
  }
  sessao_->desconecta();
}

}  // namespace kvt::cliente
