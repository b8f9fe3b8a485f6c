#include "server/window/janela_principal.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "server/window/botao_imagem.h"
#include "server/window/imagens.h"
#include "server/window/janela_espera.h"
#include "server/window/sobre.h"
#include "server/window/texto_qt.h"

namespace kvt::window {

using namespace text::literals;
using Cor = runtime::StatusModel::Cor;
using IconeBandeja = runtime::StatusModel::IconeBandeja;

namespace {

constexpr int kLargura = 760;
constexpr int kAltura = 660;

// The dark strip at the top of the window with the emblem, the name and the
// picture buttons; painted once per expose, never by the refresh.
class Cabecalho : public QWidget {
 public:
  explicit Cabecalho(QWidget* pai) : QWidget(pai), emblema_(ImagemEmblema(36)) { setFixedHeight(48); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter g(this);
    QLinearGradient fundo(0, 0, width(), 0);
    fundo.setColorAt(0, QColor(0x12, 0x26, 0x44));
    fundo.setColorAt(1, QColor(0x1E, 0x5A, 0x6E));
    g.fillRect(rect(), fundo);
    g.drawPixmap(8, 6, emblema_);
    QFont fonte = font();
    fonte.setBold(true);
    fonte.setPixelSize(20);
    g.setFont(fonte);
    g.setPen(Qt::white);
    const int larguraNome = QFontMetrics(fonte).horizontalAdvance("KORVATEL");
    g.drawText(QRect(54, 0, larguraNome + 4, height()), Qt::AlignVCenter | Qt::AlignLeft, "KORVATEL");
    fonte.setBold(false);
    fonte.setPixelSize(12);
    g.setFont(fonte);
    g.setPen(QColor(0xD0, 0xDC, 0xE8));
    const int x = 54 + larguraNome + 16;
    g.drawText(QRect(x, 0, width() - x - 80, height()), Qt::AlignVCenter | Qt::AlignLeft,
               ParaQt("Interface de Acesso à Central Talvero"_cp));
  }

 private:
  QPixmap emblema_;
};

QLabel* legenda(const std::string& texto, QWidget* pai) { return new QLabel(ParaQt(texto), pai); }

void pintaCaixa(QLabel& caixa, const runtime::StatusModel::Caixa& valor) {
  QPalette paleta = caixa.palette();
  paleta.setColor(QPalette::Window, CorDe(valor.fundo));
  paleta.setColor(QPalette::WindowText, CorDe(valor.fonte));
  caixa.setPalette(paleta);
  caixa.setText(ParaQt(valor.texto));
}

}  // namespace

JanelaPrincipal::JanelaPrincipal(FontesJanela fontes)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      fontes_(std::move(fontes)) {
  setObjectName("FPrincipal");
  if (!fontes_.aoTerminar) fontes_.aoTerminar = [] { QCoreApplication::quit(); };
  bandejaDisponivel_ = fontes_.bandejaDisponivel.value_or(QSystemTrayIcon::isSystemTrayAvailable());
  // the server lives on while its window and the about box are closed
  QApplication::setQuitOnLastWindowClosed(false);

  montaMenu();
  montaJanela();
  bandeja_ = new QSystemTrayIcon(this);
  bandeja_->setContextMenu(PopupMenu1);
  connect(bandeja_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason motivo) {
    if (motivo == QSystemTrayIcon::DoubleClick) Exibir();
  });
  if (!bandejaDisponivel_) {
    // without a notification area the window's own context menu is the way in
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& ponto) { PopupMenu1->popup(mapToGlobal(ponto)); });
  }
  sincronizaMenu();

  tmrAtualiza_.setInterval(kIntervaloAtualizacaoMs);
  connect(&tmrAtualiza_, &QTimer::timeout, this, &JanelaPrincipal::AtualizaTela);
  tmrAtualiza_.start();
  AtualizaTela();
}

JanelaPrincipal::~JanelaPrincipal() = default;

void JanelaPrincipal::montaMenu() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  auto item = [this](const char* nome, const std::string& texto) {
    QAction* a = PopupMenu1->addAction(ParaQt(texto));
    a->setObjectName(nome);
    return a;
  };
  mnuBase = item("mnuBase", modelo().mnuBase);
  mnuBaseMostrado_ = modelo().mnuBase;
  PopupMenu1->addSeparator();
  mnuEsconder = item("mnuEsconder", "Esconder Interface");
  mnuAbrir = item("mnuAbrir", "Exibir Interface");
  PopupMenu1->addSeparator();
  Sobre1 = item("Sobre1", "Sobre...");
  SairMenu1 = item("SairMenu1", "Sair Menu");  // triggering any item closes the menu
  PopupMenu1->addSeparator();
  Fechar1 = item("Fechar1", "Fechar KVT");
  connect(mnuEsconder, &QAction::triggered, this, &JanelaPrincipal::Esconder);
  connect(mnuAbrir, &QAction::triggered, this, &JanelaPrincipal::Exibir);
  connect(Sobre1, &QAction::triggered, this, &JanelaPrincipal::Sobre);
  connect(Fechar1, &QAction::triggered, this, &JanelaPrincipal::Fechar);
}

JanelaPrincipal::Rotulo JanelaPrincipal::campo(const char* nome) {
  Rotulo r;
  r.widget = new QLabel(this);
  r.widget->setObjectName(nome);
  r.widget->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QFont fonte = r.widget->font();
  fonte.setBold(true);
  r.widget->setFont(fonte);
  return r;
}

QWidget* JanelaPrincipal::montaCabecalho() {
  auto* cabecalho = new Cabecalho(this);
  btEsconder_ = new BotaoImagem(TipoBotao::Esconder, cabecalho);
  btEsconder_->setObjectName("btEsconder");
  btEsconder_->setToolTip("Esconder Interface");
  btFechar_ = new BotaoImagem(TipoBotao::Fechar, cabecalho);
  btFechar_->setObjectName("btFechar");
  btFechar_->setToolTip("Fechar KVT");
  connect(btEsconder_, &QAbstractButton::clicked, this, &JanelaPrincipal::Esconder);
  connect(btFechar_, &QAbstractButton::clicked, this, &JanelaPrincipal::PerguntaFechar);
  auto* layout = new QHBoxLayout(cabecalho);
  layout->setContentsMargins(0, 0, 12, 0);
  layout->setSpacing(6);
  layout->addStretch(1);
  layout->addWidget(btEsconder_);
  layout->addWidget(btFechar_);
  return cabecalho;
}

QWidget* JanelaPrincipal::montaConfiguracao() {
  auto* grupo = new QGroupBox(ParaQt("Configuração"_cp), this);
  auto* grade = new QGridLayout(grupo);
  nome_Base_ = campo("nome_Base");
  lb_modcom_ = campo("lb_modcom");
  lb_id_base_ = campo("lb_id_base");
  lb_KVTPorta_ = campo("lb_KVTPorta");
  grade->addWidget(legenda("Nome Base:", grupo), 0, 0);
  grade->addWidget(nome_Base_.widget, 0, 1);
  grade->addWidget(legenda("MR Origem", grupo), 0, 2);
  grade->addWidget(lb_modcom_.widget, 0, 3);
  grade->addWidget(legenda("ID Base:", grupo), 1, 0);
  grade->addWidget(lb_id_base_.widget, 1, 1);
  grade->addWidget(legenda("Porta KVT:", grupo), 1, 2);
  grade->addWidget(lb_KVTPorta_.widget, 1, 3);
  auto caixa = [&](const char* nome) {
    Caixa c;
    c.widget = new QLabel(grupo);
    c.widget->setObjectName(nome);
    c.widget->setAutoFillBackground(true);
    c.widget->setAlignment(Qt::AlignCenter);
    c.widget->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    c.widget->setMinimumHeight(26);
    QFont fonte = c.widget->font();
    fonte.setBold(true);
    c.widget->setFont(fonte);
    return c;
  };
  stStatusServer_ = caixa("stStatusServer");
  st_Sts_Base_ = caixa("st_Sts_Base");
  grade->addWidget(stStatusServer_.widget, 2, 0, 1, 2);
  grade->addWidget(st_Sts_Base_.widget, 2, 2, 1, 2);
  grade->setColumnStretch(1, 1);
  grade->setColumnStretch(3, 1);
  return grupo;
}

QWidget* JanelaPrincipal::montaEstatisticas() {
  auto* grupo = new QGroupBox(ParaQt("Estatísticas"_cp), this);
  auto* form = new QFormLayout(grupo);
  form->setLabelAlignment(Qt::AlignRight);
  form->setVerticalSpacing(3);
  struct Linha {
    Rotulo& rotulo;
    const char* nome;
    std::string legenda;
  };
  const Linha linhas[] = {
      {lbBytes_Enviados_, "lbBytes_Enviados", "Total de bytes enviados:"},
      {lbevtsent_, "lbevtsent", "Teleeventos enviados ao Cliente: "},
      {lbcmdsent_, "lbcmdsent", "Telecomandos enviados à Base:"_cp},
      {lbLimBuf_INI_, "lbLimBuf_INI", "Buffer Definido (KVTPLUS.INI):"},
      {lbLimBuf_calculado_, "lbLimBuf_calculado", "Buffer Calculado pelo KVT:"},
      {lbTamBuf_, "lbTamBuf", "Estado Atual do Buffer Calculado:"},
      {lbNumEvtAguardando_, "lbNumEvtAguardando", "Nº de teleeventos acumulados:"_cp},
      {lbContadorEstat_, "lbContadorEstat", "Contador para analisar estatísticas:"_cp},
      {lbContadorReset_, "lbContadorReset", "Contador para restaurar Buffer Definido:"},
      {lbAnaliseEstat_, "lbAnaliseEstat", "Resultado da última análise:"_cp},
      {lbBufferAnterior_, "lbBufferAnterior", "Valor do Buffer Calculado anterior:"},
  };
  for (const Linha& l : linhas) {
    l.rotulo = campo(l.nome);
    form->addRow(legenda(l.legenda, grupo), l.rotulo.widget);
  }
  return grupo;
}

void JanelaPrincipal::montaJanela() {
  auto* raiz = new QVBoxLayout(this);
  raiz->setContentsMargins(0, 0, 0, 8);
  raiz->setSpacing(6);
  raiz->addWidget(montaCabecalho());

  auto* corpo = new QVBoxLayout;
  corpo->setContentsMargins(10, 0, 10, 0);
  corpo->setSpacing(6);
  corpo->addWidget(montaConfiguracao());

  auto* meio = new QHBoxLayout;
  meio->addWidget(montaEstatisticas(), 3);
  auto* clientes = new QVBoxLayout;
  clientes->addWidget(legenda("Clientes conectados", this));
  ClientesTreeView_ = new QTreeWidget(this);
  ClientesTreeView_->setObjectName("ClientesTreeView");
  ClientesTreeView_->setHeaderHidden(true);
  ClientesTreeView_->setColumnCount(1);
  clientes->addWidget(ClientesTreeView_, 1);
  meio->addLayout(clientes, 2);
  corpo->addLayout(meio);

  auto* aviso = new QHBoxLayout;
  aviso->addWidget(legenda("Aviso:", this));
  lbAviso_ = new QLabel(this);
  lbAviso_->setObjectName("lbAviso");
  lbAviso_->setToolTip("Clique duas vezes para limpar o aviso");
  QFont fonte = lbAviso_->font();
  fonte.setBold(true);
  lbAviso_->setFont(fonte);
  lbAviso_->installEventFilter(this);
  aviso->addWidget(lbAviso_, 1);
  corpo->addLayout(aviso);

  corpo->addWidget(legenda("Histórico do Regime"_cp, this));
  lberro_ = new QListWidget(this);
  lberro_->setObjectName("lberro");
  lberro_->setUniformItemSizes(true);
  corpo->addWidget(lberro_, 1);
  raiz->addLayout(corpo, 1);
  setFixedSize(kLargura, kAltura);
}

// ---- refresh

void JanelaPrincipal::AtualizaTela() {
  atualizaBandeja();
  if (isVisible()) atualizaJanela();
}

void JanelaPrincipal::atualizaBandeja() {
  const runtime::StatusModel& s = modelo();
  if (s.mnuBase != mnuBaseMostrado_) {
    mnuBaseMostrado_ = s.mnuBase;
    mnuBase->setText(ParaQt(s.mnuBase));
  }
  if (iconeMostrado_ == s.icone && dicaMostrada_ == s.dicaBandeja) return;
  iconeMostrado_ = s.icone;
  dicaMostrada_ = s.dicaBandeja;
  // the icon is taken away and added again with the new image and tip
  bandeja_->hide();
  if (s.icone == IconeBandeja::Nenhum) return;
  const QIcon icone(ImagemBandeja(s.icone));
  bandeja_->setIcon(icone);
  bandeja_->setToolTip(ParaQt(s.dicaBandeja));
  setWindowIcon(icone);
  bandeja_->show();
}

void JanelaPrincipal::mostra(Rotulo& rotulo, const std::string& texto) {
  if (rotulo.iniciado && rotulo.mostrado == texto) return;
  rotulo.iniciado = true;
  rotulo.mostrado = texto;
  rotulo.widget->setText(ParaQt(texto));
}

void JanelaPrincipal::mostra(Caixa& caixa, const runtime::StatusModel::Caixa& valor) {
  if (caixa.iniciada && caixa.mostrada.texto == valor.texto && caixa.mostrada.fundo == valor.fundo &&
      caixa.mostrada.fonte == valor.fonte)
    return;
  caixa.iniciada = true;
  caixa.mostrada = valor;
  pintaCaixa(*caixa.widget, valor);
}

void JanelaPrincipal::atualizaJanela() {
  const runtime::StatusModel& s = modelo();
  if (s.caption != captionMostrada_ || windowTitle().isEmpty()) {
    captionMostrada_ = s.caption;
    setWindowTitle(ParaQt(s.caption.empty() ? std::string("KORVATEL") : s.caption));
  }
  mostra(nome_Base_, s.nome_Base);
  mostra(lb_modcom_, s.lb_modcom);
  mostra(lb_id_base_, s.lb_id_base);
  mostra(lb_KVTPorta_, s.lb_KVTPorta);
  mostra(st_Sts_Base_, s.st_Sts_Base);
  mostra(lbcmdsent_, s.lbcmdsent.empty() ? std::string("0") : s.lbcmdsent);
  mostra(lbNumEvtAguardando_, s.lbNumEvtAguardando.empty() ? std::string("0") : s.lbNumEvtAguardando);
  // before the client link exists its part of the model is the initial one
  static const link::ModeloLink kInicial;
  const link::ModeloLink* l = fontes_.modeloLink ? fontes_.modeloLink() : nullptr;
  const link::ModeloLink& m = l ? *l : kInicial;
  mostra(stStatusServer_, m.stStatusServer);
  mostra(lbBytes_Enviados_, m.lbBytes_Enviados);
  mostra(lbevtsent_, m.lbevtsent);
  mostra(lbLimBuf_INI_, m.lbLimBuf_INI);
  mostra(lbLimBuf_calculado_, m.lbLimBuf_calculado);
  mostra(lbTamBuf_, m.lbTamBuf);
  mostra(lbContadorEstat_, m.lbContadorEstat);
  mostra(lbContadorReset_, m.lbContadorReset);
  mostra(lbAnaliseEstat_, m.lbAnaliseEstat);
  mostra(lbBufferAnterior_, m.lbBufferAnterior);
  atualizaClientes(m.ClientesTreeView);
  atualizaAviso();
  atualizaHistorico();
}

void JanelaPrincipal::atualizaAviso() {
  const runtime::StatusModel& s = modelo();
  if (s.lbAviso != avisoMostrado_) {
    avisoMostrado_ = s.lbAviso;
    lbAviso_->setText(ParaQt(s.lbAviso));
  }
  if (corAvisoMostrada_ != s.corAviso) {
    corAvisoMostrada_ = s.corAviso;
    QPalette paleta = lbAviso_->palette();
    paleta.setColor(QPalette::WindowText, CorDe(s.corAviso));
    lbAviso_->setPalette(paleta);
  }
}

void JanelaPrincipal::atualizaClientes(const std::vector<link::NoArvoreCliente>& arvore) {
  if (clientesIniciados_ && arvore == clientesMostrados_) return;
  clientesIniciados_ = true;
  clientesMostrados_ = arvore;
  ClientesTreeView_->clear();
  for (const link::NoArvoreCliente& no : arvore) {
    auto* item = new QTreeWidgetItem(ClientesTreeView_, QStringList{ParaQt(no.texto)});
    for (const std::string& filho : no.filhos) new QTreeWidgetItem(item, QStringList{ParaQt(filho)});
  }
  ClientesTreeView_->expandAll();
}

// Brings the list up to date with the lines added since the last refresh:
// new top lines are the first ones of the model, new bottom lines its last
// ones; a clear in between rebuilds the whole list.
void JanelaPrincipal::atualizaHistorico() {
  const runtime::HistoryList& h = modelo().lberro;
  if (!historicoIniciado_ || h.clears() != historicoLimpezas_) {
    lberro_->clear();
    for (const std::string& linha : h.lines()) lberro_->addItem(ParaQt(linha));
  } else {
    const std::size_t novasTopo = static_cast<std::size_t>(h.insertedTop() - historicoTopo_);
    const std::size_t novasFim = static_cast<std::size_t>(h.appended() - historicoFim_);
    if (novasTopo == 0 && novasFim == 0) return;
    if (novasTopo + novasFim > h.size()) {
      lberro_->clear();
      for (const std::string& linha : h.lines()) lberro_->addItem(ParaQt(linha));
    } else {
      for (std::size_t i = 0; i < novasTopo; ++i)
        lberro_->insertItem(static_cast<int>(i), ParaQt(h.at(i)));
      for (std::size_t i = h.size() - novasFim; i < h.size(); ++i) lberro_->addItem(ParaQt(h.at(i)));
    }
  }
  historicoIniciado_ = true;
  historicoLimpezas_ = h.clears();
  historicoTopo_ = h.insertedTop();
  historicoFim_ = h.appended();
}

// ---- commands

void JanelaPrincipal::sincronizaMenu() {
  // exactly one of the two items, after the window's state
  const bool visivel = isVisible();
  mnuEsconder->setVisible(visivel);
  mnuAbrir->setVisible(!visivel);
}

void JanelaPrincipal::Exibir() {
  if (terminado_) return;
  if (isMinimized()) showNormal();
  else show();
  raise();
  activateWindow();
  AtualizaTela();
}

void JanelaPrincipal::Esconder() {
  if (!bandejaDisponivel_) {
    showMinimized();
    return;
  }
  hide();
}

void JanelaPrincipal::Sobre() {
  if (sobre_ || terminado_) return;
  if (isMinimized()) showNormal();
  sobre_ = new TSobre(fontes_.versao, this);
  sobre_->setAttribute(Qt::WA_DeleteOnClose);
  sobre_->setWindowModality(Qt::ApplicationModal);
  sobre_->show();
}

void JanelaPrincipal::PerguntaFechar() {
  if (confirmacao_ || fechando_) return;
  confirmacao_ = new QMessageBox(QMessageBox::Question, "Fechar", "Tem certeza que deseja fechar o KORVATEL?",
                                 QMessageBox::Ok | QMessageBox::Cancel, this);
  confirmacao_->setAttribute(Qt::WA_DeleteOnClose);
  confirmacao_->setDefaultButton(QMessageBox::Cancel);
  connect(confirmacao_, &QMessageBox::finished, this, [this](int resultado) {
    if (resultado == QMessageBox::Ok) Fechar();
  });
  confirmacao_->setWindowModality(Qt::ApplicationModal);
  confirmacao_->show();
}

void JanelaPrincipal::Fechar() {
  if (fechando_) return;
  fechando_ = true;
  PopupMenu1->close();
  if (confirmacao_) confirmacao_->close();
  if (sobre_) sobre_->close();
  espera_ = std::make_unique<JanelaEspera>(
      "KORVATEL - Finalizando sistema",
      "O KORVATEL está terminando a execução dos processos. Isso pode levar até 60 segundos. Aguarde..."_cp);
  espera_->mostra();
  auto pronto = [this] {
    espera_.reset();
    bandeja_->hide();
    tmrAtualiza_.stop();
    terminado_ = true;
    hide();
    if (fontes_.aoTerminar) fontes_.aoTerminar();
  };
  if (fontes_.formClose) fontes_.formClose(pronto);
  else pronto();
}

void JanelaPrincipal::LimpaAviso() {
  fontes_.status->lbAviso.clear();
  fontes_.status->corAviso = Cor::Branco;
  atualizaAviso();
}

// ---- events

void JanelaPrincipal::closeEvent(QCloseEvent* evento) {
  if (terminado_) {
    evento->accept();
    return;
  }
  // the title bar's close button asks like the close picture button
  evento->ignore();
  PerguntaFechar();
}

void JanelaPrincipal::showEvent(QShowEvent* evento) {
  QWidget::showEvent(evento);
  sincronizaMenu();
}

void JanelaPrincipal::hideEvent(QHideEvent* evento) {
  QWidget::hideEvent(evento);
  sincronizaMenu();
}

bool JanelaPrincipal::eventFilter(QObject* objeto, QEvent* evento) {
  if (objeto == lbAviso_ && evento->type() == QEvent::MouseButtonDblClick) {
    LimpaAviso();
    return true;
  }
  return QWidget::eventFilter(objeto, evento);
}

}  // namespace kvt::window
