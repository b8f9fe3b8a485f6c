#include "client/painel_comandos.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include <fstream>
#include <iterator>

#include "client/modelos_telecomando.h"
#include "client/texto_qt.h"
#include "platform/text/cp1252.h"

namespace kvt::cliente {

using namespace text::literals;

namespace {

template <typename W>
W* nomeado(W* w, const char* nome) {
  w->setObjectName(nome);
  return w;
}

QComboBox* lista(const char* nome, const std::vector<std::string>& itens, QWidget* pai) {
  auto* c = nomeado(new QComboBox(pai), nome);
  for (const std::string& i : itens) c->addItem(qs(i));
  c->setMinimumContentsLength(30);
  return c;
}

QPlainTextEdit* area(const char* nome, bool somenteLeitura, QWidget* pai) {
  auto* a = nomeado(new QPlainTextEdit(pai), nome);
  a->setReadOnly(somenteLeitura);
  a->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont f("Monospace");
  f.setStyleHint(QFont::TypeWriter);
  a->setFont(f);
  return a;
}

std::string itemAtual(const QComboBox* c) { return cp(c->currentText()); }

// Discards "~" and "`" typed into the free-text field.
class FiltroTextoLivre : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* alvo, QEvent* e) override {
    if (e->type() == QEvent::KeyPress) {
      const QString t = static_cast<QKeyEvent*>(e)->text();
      if (t.size() == 1 && t[0].unicode() < 128 && !TeclaAceitaTextoLivre(static_cast<char>(t[0].unicode())))
        return true;
    }
    return QObject::eventFilter(alvo, e);
  }
};

}  // namespace

void MostraModelo(QPlainTextEdit* a, const std::string& modelo) {
  QString t = qs(modelo);
  t.replace("\r\n", "\n");
  a->setPlainText(t);
}

std::string ModeloDaArea(const QPlainTextEdit* a) {
  QString t = a->toPlainText();
  t.replace("\n", "\r\n");
  return cp(t);
}

int PainelComandos::itemIndex(const QGroupBox* grupo) {
  const auto botoes = grupo->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
  for (int i = 0; i < botoes.size(); ++i)
    if (botoes[i]->isChecked()) return i;
  return -1;
}

void PainelComandos::selecionaItem(QGroupBox* grupo, int indice) {
  const auto botoes = grupo->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
  if (indice >= 0 && indice < botoes.size()) botoes[indice]->setChecked(true);
}

QGroupBox* PainelComandos::grupoRadio(const char* nome, const std::string& titulo,
                                      const std::vector<std::string>& itens, int inicial, QWidget* pai) {
  auto* g = nomeado(new QGroupBox(qs(titulo), pai), nome);
  auto* l = new QVBoxLayout(g);
  for (std::size_t i = 0; i < itens.size(); ++i) {
    auto* b = new QRadioButton(qs(itens[i]), g);
    b->setObjectName(QString("%1_%2").arg(nome).arg(i));
    l->addWidget(b);
    if (static_cast<int>(i) == inicial) b->setChecked(true);
  }
  return g;
}

PainelComandos::PainelComandos(QWidget* parent) : QTabWidget(parent) {
  setObjectName("PG_Comandos");
  setTabPosition(QTabWidget::South);
  paginas_[0] = montaNormais();
  paginas_[1] = montaControle();
  paginas_[2] = montaTroca();
  paginas_[3] = montaMensagens();
  paginas_[4] = montaAutorizacoes();
  paginas_[5] = montaConfiguracoes();
  paginas_[6] = montaSeguranca();
  for (int i = 0; i < kNumAbas; ++i) addTab(paginas_[i], qs(TituloAba(static_cast<Aba>(i))));

  connect(cmb_codmsg, &QComboBox::currentIndexChanged, this, [this] { cmb_codmsgChange(); });
  connect(cbMensagem, &QComboBox::currentIndexChanged, this, [this] { cbMensagemChange(); });
  connect(cmb_configuracoes, &QComboBox::currentIndexChanged, this, [this] { cmb_configuracoesChange(); });
  connect(cmb_OpcaoConf, &QComboBox::currentIndexChanged, this, [this] { cmb_configuracoesChange(); });
  connect(this, &QTabWidget::currentChanged, this, [this] {
    if (currentWidget() == TS_Mensagem) TS_MensagemShow();
    if (currentWidget() == pagina(Aba::Configuracoes)) cmb_configuracoesChange();
  });
  connect(btn_Procura, &QPushButton::clicked, this, [this] { btn_ProcuraClick(); });
  connect(btn_Carrega, &QPushButton::clicked, this, [this] { btn_CarregaClick(); });
}

QWidget* PainelComandos::montaNormais() {
  auto* p = new QWidget(this);
  cmb_codmsg = lista("cmb_codmsg", ListasTelecomando::listas().cmb_codmsg, p);
  mem_normal = area("mem_normal", false, p);
  auto* l = new QGridLayout(p);
  l->addWidget(new QLabel("Valor da Tag CodMsg:", p), 0, 0);
  l->addWidget(cmb_codmsg, 1, 0);
  l->setRowStretch(2, 1);
  l->addWidget(mem_normal, 0, 1, 3, 1);
  l->setColumnStretch(1, 1);
  return p;
}

QWidget* PainelComandos::montaControle() {
  auto* p = new QWidget(this);
  cmb_controle = lista("cmb_controle", ListasTelecomando::listas().cmb_controle, p);
  mem_controle = area("mem_controle", false, p);
  auto* l = new QGridLayout(p);
  l->addWidget(new QLabel("Valor da Tag CodMsg:", p), 0, 0);
  l->addWidget(cmb_controle, 1, 0);
  l->setRowStretch(2, 1);
  l->addWidget(mem_controle, 0, 1, 3, 1);
  l->setColumnStretch(1, 1);
  return p;
}

QWidget* PainelComandos::montaTroca() {
  auto* p = new QWidget(this);
  cmb_codmsgtroca = lista("cmb_codmsgtroca", ListasTelecomando::listas().cmb_codmsgtroca, p);
  mem_troca = area("mem_troca", false, p);
  auto* l = new QGridLayout(p);
  l->addWidget(new QLabel("Valor da Tag CodMsg:", p), 0, 0);
  l->addWidget(cmb_codmsgtroca, 1, 0);
  l->setRowStretch(2, 1);
  l->addWidget(mem_troca, 0, 1, 3, 1);
  l->setColumnStretch(1, 1);
  return p;
}

QWidget* PainelComandos::montaMensagens() {
  TS_Mensagem = nomeado(new QWidget(this), "TS_Mensagem");
  QWidget* p = TS_Mensagem;
  cbMensagem = lista("cbMensagem", ListasTelecomando::listas().cbMensagem, p);
  mem_msg = area("mem_msg", false, p);
  lb_msg_livre = new QLabel("Digite o Texto:", p);
  ed_msg_livre = nomeado(new QLineEdit("HELLO WORLD !!!", p), "ed_msg_livre");
  ed_msg_livre->installEventFilter(new FiltroTextoLivre(ed_msg_livre));
  lb_msg_pre = new QLabel("    Id Msg Pre:", p);
  ed_msg_pre = nomeado(new QLineEdit("256", p), "ed_msg_pre");
  lb_hash = new QLabel("Hash:", p);
  ed_hash = nomeado(new QLineEdit(p), "ed_hash");
  chk_ConfirmaLeitura = nomeado(new QCheckBox(QString::fromUtf8("Confirmação de Leitura"), p), "chk_ConfirmaLeitura");
  chk_ConfirmaRecebimento =
      nomeado(new QCheckBox(QString::fromUtf8("Confirmação de Recepção"), p), "chk_ConfirmaRecebimento");
  auto* campos = new QGridLayout;
  campos->addWidget(new QLabel("Tipo mensagem", p), 0, 0);
  campos->addWidget(cbMensagem, 0, 1);
  campos->addWidget(lb_msg_livre, 1, 0);
  campos->addWidget(ed_msg_livre, 1, 1);
  campos->addWidget(lb_msg_pre, 2, 0);
  campos->addWidget(ed_msg_pre, 2, 1);
  campos->addWidget(lb_hash, 3, 0);
  campos->addWidget(ed_hash, 3, 1);
  campos->addWidget(chk_ConfirmaLeitura, 4, 1);
  campos->addWidget(chk_ConfirmaRecebimento, 5, 1);
  campos->setRowStretch(6, 1);
  auto* l = new QHBoxLayout(p);
  l->addLayout(campos);
  l->addWidget(mem_msg, 1);
  return p;
}

QWidget* PainelComandos::montaAutorizacoes() {
  auto* p = new QWidget(this);
  cmb_autorizacao = lista("cmb_autorizacao", ListasTelecomando::listas().cmb_autorizacao, p);
  ed_idautorizacao = nomeado(new QLineEdit("0", p), "ed_idautorizacao");
  mem_autorizacao = area("mem_autorizacao", true, p);
  auto* l = new QGridLayout(p);
  l->addWidget(new QLabel("Valor da Tag CodMsg:", p), 0, 0);
  l->addWidget(cmb_autorizacao, 1, 0);
  l->addWidget(new QLabel(QString::fromUtf8("Tag Id Autorização:"), p), 2, 0);
  l->addWidget(ed_idautorizacao, 3, 0);
  l->setRowStretch(4, 1);
  l->addWidget(mem_autorizacao, 0, 1, 5, 1);
  l->setColumnStretch(1, 1);
  return p;
}

QWidget* PainelComandos::montaConfiguracoes() {
  auto* p = new QWidget(this);
  const ListasTelecomando& ls = ListasTelecomando::listas();
  cmb_configuracoes = lista("cmb_configuracoes", ls.cmb_configuracoes, p);
  cmb_OpcaoConf = lista("cmb_OpcaoConf", ls.cmb_OpcaoConf, p);
  ed_Operacao = nomeado(new QLineEdit(p), "ed_Operacao");
  ed_Configuracao = nomeado(new QLineEdit(p), "ed_Configuracao");
  rg_caracteristica = grupoRadio("rg_caracteristica", " Característica "_cp, ls.rg_caracteristica, 0, p);
  rg_atendimento = grupoRadio("rg_atendimento", " Início / Fim Atendimento "_cp, ls.rg_atendimento, 0, p);
  rg_sobreposicao = grupoRadio("rg_sobreposicao", " Em caso de sobreposição, usar o alvo: "_cp,
                               ls.rg_sobreposicao, 0, p);
  gb_ELP = nomeado(new QGroupBox(QString::fromUtf8(" Extensão Logística de Parada "), p), "gb_ELP");
  opChegada = grupoRadio("opChegada", "Chegada", ls.opChegada, 2, gb_ELP);
  opSaida = grupoRadio("opSaida", "Saída"_cp, ls.opSaida, 2, gb_ELP);
  ed_Titulo = nomeado(new QLineEdit("Lista de Paradas", gb_ELP), "ed_Titulo");
  chk_ListaParadas = nomeado(new QCheckBox("Lista de Paradas", gb_ELP), "chk_ListaParadas");
  chk_NaturezaOperacao = nomeado(new QCheckBox(QString::fromUtf8("Natureza da Operação"), gb_ELP), "chk_NaturezaOperacao");
  auto* elp = new QGridLayout(gb_ELP);
  elp->addWidget(opChegada, 0, 0, 3, 1);
  elp->addWidget(opSaida, 0, 1, 3, 1);
  elp->addWidget(new QLabel(QString::fromUtf8("Título:"), gb_ELP), 0, 2);
  elp->addWidget(ed_Titulo, 0, 3);
  elp->addWidget(chk_ListaParadas, 1, 2, 1, 2);
  elp->addWidget(chk_NaturezaOperacao, 2, 2, 1, 2);
  gb_ELP->hide();
  mem_trans = area("mem_trans", true, p);

  auto* campos = new QFormLayout;
  campos->addRow("Valor da Tag CodMsg:", cmb_configuracoes);
  campos->addRow(QString::fromUtf8("Perfis de Configuração:"), cmb_OpcaoConf);
  campos->addRow(QString::fromUtf8("Id Operação:"), ed_Operacao);
  campos->addRow(QString::fromUtf8("Id Configuração:"), ed_Configuracao);
  auto* radios = new QHBoxLayout;
  radios->addWidget(rg_caracteristica);
  radios->addWidget(rg_atendimento);
  radios->addWidget(rg_sobreposicao);
  auto* esquerda = new QVBoxLayout;
  esquerda->addLayout(campos);
  esquerda->addLayout(radios);
  esquerda->addWidget(gb_ELP);
  esquerda->addStretch(1);
  auto* l = new QHBoxLayout(p);
  l->addLayout(esquerda, 3);
  l->addWidget(mem_trans, 2);
  return p;
}

QWidget* PainelComandos::montaSeguranca() {
  auto* p = new QWidget(this);
  ed_nomeArquivo = nomeado(new QLineEdit(p), "ed_nomeArquivo");
  btn_Procura = nomeado(new QPushButton("&Procurar Arquivo", p), "btn_Procura");
  btn_Carrega = nomeado(new QPushButton("&Carregar Arquivo", p), "btn_Carrega");
  mem_seg_eletr = area("mem_seg_eletr", false, p);
  auto* linha = new QHBoxLayout;
  linha->addWidget(new QLabel("Arquivo XML", p));
  linha->addWidget(ed_nomeArquivo, 1);
  linha->addWidget(btn_Procura);
  linha->addWidget(btn_Carrega);
  auto* l = new QVBoxLayout(p);
  l->addLayout(linha);
  l->addWidget(mem_seg_eletr, 1);
  return p;
}

void PainelComandos::prepara(const std::string& diretorioImportacao, std::int32_t versaoKVT) {
  const ModelosTelecomando& m = ModelosTelecomando::preparados();
  for (QComboBox* c : {cmb_codmsg, cmb_controle, cmb_codmsgtroca, cbMensagem, cmb_autorizacao, cmb_configuracoes,
                       cmb_OpcaoConf})
    c->setCurrentIndex(0);
  MostraModelo(mem_normal, ModeloNormal(itemAtual(cmb_codmsg)));
  MostraModelo(mem_controle, m.Controle);
  MostraModelo(mem_troca, m.TrocaOperadora);
  MostraModelo(mem_autorizacao, m.Autorizacao);
  cbMensagemChange();
  cmb_configuracoesChange();
  ed_nomeArquivo->setText(qs(diretorioImportacao));
  if (versaoKVT < 6) {
    setTabVisible(static_cast<int>(Aba::Configuracoes), false);
    setTabVisible(static_cast<int>(Aba::Troca), false);
    setTabVisible(static_cast<int>(Aba::Seguranca), false);
    cmb_controle->clear();
    for (const std::string& i : ListaControleVersaoAntiga()) cmb_controle->addItem(qs(i));
  }
  setCurrentIndex(0);
}

Aba PainelComandos::abaAtual() const {
  for (int i = 0; i < kNumAbas; ++i)
    if (currentWidget() == paginas_[i]) return static_cast<Aba>(i);
  return Aba::Normais;
}

void PainelComandos::cmb_codmsgChange() { MostraModelo(mem_normal, ModeloNormal(itemAtual(cmb_codmsg))); }

void PainelComandos::cbMensagemChange() {
  const auto tipo = static_cast<TipoMensagem>(std::max(0, cbMensagem->currentIndex()));
  MostraModelo(mem_msg, ModeloMensagem(tipo));
  const CamposMensagem c = CamposDaMensagem(tipo);
  lb_msg_livre->setVisible(c.texto);
  ed_msg_livre->setVisible(c.texto);
  chk_ConfirmaLeitura->setVisible(c.confirmaLeitura);
  chk_ConfirmaRecebimento->setVisible(c.confirmaRecebimento);
  lb_msg_pre->setVisible(c.msgPre);
  ed_msg_pre->setVisible(c.msgPre);
  lb_hash->setVisible(c.hash);
  ed_hash->setVisible(c.hash);
}

void PainelComandos::TS_MensagemShow() {
  if (cbMensagem->currentIndex() != 0)
    cbMensagem->setCurrentIndex(0);  // fires cbMensagemChange
  else
    cbMensagemChange();
}

void PainelComandos::cmb_configuracoesChange() {
  gb_ELP->hide();
  const std::string item = itemAtual(cmb_configuracoes);
  MostraModelo(mem_trans, ModeloConfiguracao(item));
  if (MostraELP(item)) gb_ELP->show();
}

void PainelComandos::btn_ProcuraClick() {
  if (dialogo_) return;
  const QFileInfo nome(ed_nomeArquivo->text());
  const QString pasta = nome.isDir() ? nome.absoluteFilePath() : nome.absolutePath();
  dialogo_ = new QFileDialog(this, QString::fromUtf8("Importação de Alvo, Cercas ou Rotas"), pasta,
                             "Arquivos XML (*.xml);;Arquivos Texto (*.txt);;Todos Arquivos (*.*)");
  dialogo_->setObjectName("dlgArquivo");
  dialogo_->setFileMode(QFileDialog::ExistingFile);
  dialogo_->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialogo_, &QFileDialog::fileSelected, this, [this](const QString& f) { ed_nomeArquivo->setText(f); });
  dialogo_->open();
}

bool PainelComandos::btn_CarregaClick() {
  const QFileInfo info(ed_nomeArquivo->text());
  std::string conteudo;
  bool lido = false;
  if (!ed_nomeArquivo->text().isEmpty() && !info.isDir()) {
    std::ifstream f(ed_nomeArquivo->text().toStdString(), std::ios::binary);
    if (f) {
      conteudo.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
      lido = !f.bad();
    }
  }
  if (!lido) {
    emit erro("Aviso", "Nome do Arquivo inválido !"_cp);
    return false;
  }
  MostraModelo(mem_seg_eletr, conteudo);
  return true;
}

CamposComposicao PainelComandos::campos() const {
  CamposComposicao c;
  c.cmb_codmsg = itemAtual(cmb_codmsg);
  c.mem_normal = ModeloDaArea(mem_normal);
  c.cmb_controle = itemAtual(cmb_controle);
  c.mem_controle = ModeloDaArea(mem_controle);
  c.cmb_codmsgtroca = itemAtual(cmb_codmsgtroca);
  c.mem_troca = ModeloDaArea(mem_troca);
  c.cbMensagem = static_cast<TipoMensagem>(std::max(0, cbMensagem->currentIndex()));
  c.mem_msg = ModeloDaArea(mem_msg);
  c.ed_msg_livre = cp(ed_msg_livre->text());
  c.ed_msg_pre = cp(ed_msg_pre->text());
  c.ed_hash = cp(ed_hash->text());
  c.chk_ConfirmaLeitura = chk_ConfirmaLeitura->isChecked();
  c.chk_ConfirmaRecebimento = chk_ConfirmaRecebimento->isChecked();
  c.cmb_autorizacao = itemAtual(cmb_autorizacao);
  c.ed_idautorizacao = cp(ed_idautorizacao->text());
  c.mem_autorizacao = ModeloDaArea(mem_autorizacao);
  c.cmb_configuracoes = itemAtual(cmb_configuracoes);
  c.cmb_OpcaoConf = itemAtual(cmb_OpcaoConf);
  c.ed_Operacao = cp(ed_Operacao->text());
  c.ed_Configuracao = cp(ed_Configuracao->text());
  c.mem_trans = ModeloDaArea(mem_trans);
  c.rg_caracteristica = itemIndex(rg_caracteristica);
  c.rg_atendimento = itemIndex(rg_atendimento);
  c.rg_sobreposicao = itemIndex(rg_sobreposicao);
  c.opChegada = itemIndex(opChegada);
  c.opSaida = itemIndex(opSaida);
  c.ed_Titulo = cp(ed_Titulo->text());
  c.chk_ListaParadas = chk_ListaParadas->isChecked();
  c.chk_NaturezaOperacao = chk_NaturezaOperacao->isChecked();
  c.mem_seg_eletr = ModeloDaArea(mem_seg_eletr);
  return c;
}

}  // namespace kvt::cliente
