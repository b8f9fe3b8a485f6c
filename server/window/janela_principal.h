#pragma once

// The status window and the tray icon: a view of the status model the server
// keeps. The refresh timer compares each field with what is on screen and
// touches only the widgets whose text or colour changed, so a busy server
// spends nothing on the window between refreshes and little at each.

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "server/link/link_status.h"
#include "server/runtime/status_model.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QMessageBox;
class QSystemTrayIcon;
class QTreeWidget;

namespace kvt::window {

class BotaoImagem;
class JanelaEspera;
class TSobre;

// What the window shows and what its commands reach.
struct FontesJanela {
  runtime::StatusModel* status = nullptr;
  // The client link's part of the model; null while the link does not exist.
  std::function<const link::ModeloLink*()> modeloLink;
  // The orderly shutdown of the server; calls its argument when it is done.
  std::function<void(std::function<void()>)> formClose;
  // Runs after the shutdown (quits the event loop unless given).
  std::function<void()> aoTerminar;
  std::string versao;
  // Whether the desktop has a notification area (asked of the desktop unless given).
  std::optional<bool> bandejaDisponivel;
};

class JanelaPrincipal : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kIntervaloAtualizacaoMs = 500;

  explicit JanelaPrincipal(FontesJanela fontes);
  ~JanelaPrincipal() override;

  // Handler of the refresh timer: the tray always, the window while shown.
  void AtualizaTela();
  // mnuAbrir and the tray's double click: show and restore the window.
  void Exibir();
  // mnuEsconder and the hide button: hide the window (minimise it when there
  // is no notification area to bring it back from).
  void Esconder();
  // Sobre1: the about box, one at a time.
  void Sobre();
  // The close button: asks before closing.
  void PerguntaFechar();
  // Fechar1, the confirmed close and a termination signal: the shutdown with
  // the wait window.
  void Fechar();
  // Double click on the warning label: clears it and turns it white.
  void LimpaAviso();

  QSystemTrayIcon& bandeja() { return *bandeja_; }
  QMenu& popupMenu() { return *PopupMenu1; }
  const JanelaEspera* espera() const { return espera_.get(); }
  bool bandejaDisponivel() const { return bandejaDisponivel_; }

 protected:
  void closeEvent(QCloseEvent* evento) override;
  void showEvent(QShowEvent* evento) override;
  void hideEvent(QHideEvent* evento) override;
  bool eventFilter(QObject* objeto, QEvent* evento) override;

 private:
  struct Rotulo {
    QLabel* widget = nullptr;
    std::string mostrado;
    bool iniciado = false;
  };
  struct Caixa {
    QLabel* widget = nullptr;
    runtime::StatusModel::Caixa mostrada;
    bool iniciada = false;
  };

  void montaJanela();
  void montaMenu();
  QWidget* montaCabecalho();
  QWidget* montaConfiguracao();
  QWidget* montaEstatisticas();
  Rotulo campo(const char* nome);
  void sincronizaMenu();
  void atualizaBandeja();
  void atualizaJanela();
  void mostra(Rotulo& rotulo, const std::string& texto);
  void mostra(Caixa& caixa, const runtime::StatusModel::Caixa& valor);
  void atualizaAviso();
  void atualizaClientes(const std::vector<link::NoArvoreCliente>& arvore);
  void atualizaHistorico();
  const runtime::StatusModel& modelo() const { return *fontes_.status; }

  FontesJanela fontes_;
  bool bandejaDisponivel_ = false;
  QTimer tmrAtualiza_;

  // configuration
  Rotulo nome_Base_, lb_modcom_, lb_id_base_, lb_KVTPorta_;
  Caixa stStatusServer_, st_Sts_Base_;
  // counters and buffer statistics
  Rotulo lbBytes_Enviados_, lbevtsent_, lbcmdsent_, lbLimBuf_INI_, lbLimBuf_calculado_, lbTamBuf_,
      lbNumEvtAguardando_, lbContadorEstat_, lbContadorReset_, lbAnaliseEstat_, lbBufferAnterior_;
  QLabel* lbAviso_ = nullptr;
  std::string avisoMostrado_;
  std::optional<runtime::StatusModel::Cor> corAvisoMostrada_;
  QTreeWidget* ClientesTreeView_ = nullptr;
  std::vector<link::NoArvoreCliente> clientesMostrados_;
  bool clientesIniciados_ = false;
  QListWidget* lberro_ = nullptr;
  std::uint64_t historicoTopo_ = 0, historicoFim_ = 0, historicoLimpezas_ = 0;
  bool historicoIniciado_ = false;
  std::string captionMostrada_;
  BotaoImagem* btEsconder_ = nullptr;
  BotaoImagem* btFechar_ = nullptr;

  // tray icon and its menu
  QSystemTrayIcon* bandeja_ = nullptr;
  std::optional<runtime::StatusModel::IconeBandeja> iconeMostrado_;
  std::string dicaMostrada_;
  std::string mnuBaseMostrado_;
  QMenu* PopupMenu1 = nullptr;
  QAction* mnuBase = nullptr;
  QAction* mnuEsconder = nullptr;
  QAction* mnuAbrir = nullptr;
  QAction* Sobre1 = nullptr;
  QAction* SairMenu1 = nullptr;
  QAction* Fechar1 = nullptr;

  QPointer<TSobre> sobre_;
  QPointer<QMessageBox> confirmacao_;
  std::unique_ptr<JanelaEspera> espera_;
  bool fechando_ = false;
  bool terminado_ = false;
};

}  // namespace kvt::window
