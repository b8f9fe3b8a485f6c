#pragma once

// The composer's tabs (PG_Comandos, tabs at the bottom): one family of
// telecommands per tab, each with its list, fields and template. A view of
// the compositor's rules; the main window sends what it composes.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <string>

#include "client/compositor.h"

#include <QFileDialog>

namespace kvt::cliente {

class PainelComandos : public QTabWidget {
  Q_OBJECT

 public:
  explicit PainelComandos(QWidget* parent = nullptr);

  // FormCreate's part: first items, templates, the import folder, the version
  // rule, the first tab.
  void prepara(const std::string& diretorioImportacao, std::int32_t versaoKVT);

  Aba abaAtual() const;
  QWidget* pagina(Aba aba) const { return paginas_[static_cast<int>(aba)]; }
  // Everything but Origem, Destino and IdTerminal, which are the main window's.
  CamposComposicao campos() const;

  // --- "Telecomandos Normais"
  QComboBox* cmb_codmsg;
  QPlainTextEdit* mem_normal;
  // --- "Telecomandos de Controle"
  QComboBox* cmb_controle;
  QPlainTextEdit* mem_controle;
  // --- "Troca Operadora Celular"
  QComboBox* cmb_codmsgtroca;
  QPlainTextEdit* mem_troca;
  // --- "Mensagens"
  QWidget* TS_Mensagem;
  QComboBox* cbMensagem;
  QPlainTextEdit* mem_msg;
  QLabel* lb_msg_livre;
  QLineEdit* ed_msg_livre;
  QLabel* lb_msg_pre;
  QLineEdit* ed_msg_pre;
  QLabel* lb_hash;
  QLineEdit* ed_hash;
  QCheckBox* chk_ConfirmaLeitura;
  QCheckBox* chk_ConfirmaRecebimento;
  // --- "Autorizações"
  QComboBox* cmb_autorizacao;
  QLineEdit* ed_idautorizacao;
  QPlainTextEdit* mem_autorizacao;
  // --- "Configurações"
  QComboBox* cmb_configuracoes;
  QComboBox* cmb_OpcaoConf;
  QLineEdit* ed_Operacao;
  QLineEdit* ed_Configuracao;
  QGroupBox* rg_caracteristica;
  QGroupBox* rg_atendimento;
  QGroupBox* rg_sobreposicao;
  QGroupBox* gb_ELP;
  QGroupBox* opChegada;
  QGroupBox* opSaida;
  QLineEdit* ed_Titulo;
  QCheckBox* chk_ListaParadas;
  QCheckBox* chk_NaturezaOperacao;
  QPlainTextEdit* mem_trans;
  // --- "Segurança Eletrônica / Mensagens ELP"
  QLineEdit* ed_nomeArquivo;
  QPushButton* btn_Procura;
  QPushButton* btn_Carrega;
  QPlainTextEdit* mem_seg_eletr;

  void cmb_codmsgChange();
  void cbMensagemChange();
  void TS_MensagemShow();
  void cmb_configuracoesChange();
  void btn_ProcuraClick();
  // false (and the error box) when the file cannot be read
  bool btn_CarregaClick();
  // the file dialog while it is open
  QFileDialog* dialogoArquivo() const { return dialogo_.data(); }

  // The item index chosen in a radio group.
  static int itemIndex(const QGroupBox* grupo);
  static void selecionaItem(QGroupBox* grupo, int indice);

 signals:
  void erro(const std::string& titulo, const std::string& texto);

 private:
  QWidget* montaNormais();
  QWidget* montaControle();
  QWidget* montaTroca();
  QWidget* montaMensagens();
  QWidget* montaAutorizacoes();
  QWidget* montaConfiguracoes();
  QWidget* montaSeguranca();
  QGroupBox* grupoRadio(const char* nome, const std::string& titulo, const std::vector<std::string>& itens,
                        int inicial, QWidget* pai);

  QWidget* paginas_[kNumAbas] = {};
  QPointer<QFileDialog> dialogo_;
};

// Between a text area and a template: CR LF in the template, LF in the widget.
void MostraModelo(QPlainTextEdit* area, const std::string& modelo);
std::string ModeloDaArea(const QPlainTextEdit* area);

}  // namespace kvt::cliente
