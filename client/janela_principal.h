#pragma once

// The main window of KVTClient: a view of SessaoCliente. It shows the
// connection and log-in controls, the counters, and every document received
// or sent as text, as a tree and in the message list.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <memory>
#include <string>

#include "client/painel_comandos.h"
#include "client/sessao_cliente.h"
#include "client/simulador.h"
#include "platform/ini/ini_file.h"

namespace kvt::cliente {

class TfrmLogin;

class JanelaPrincipal : public QMainWindow {
  Q_OBJECT

 public:
  // programDir: the folder of KVTCLIENT.INI (FormCreate reads it here).
  explicit JanelaPrincipal(std::string programDir, QWidget* parent = nullptr);
  ~JanelaPrincipal() override;

  SessaoCliente& sessao() { return *sessao_; }
  // The log-in window while it is open.
  TfrmLogin* frmLogin() const { return frmLogin_; }

  // --- connection and log-in (group " Conexão ")
  QLineEdit* edIP;
  QLineEdit* edPorta;
  QPushButton* btnConnect;
  QCheckBox* chkAutoConnect;
  QPushButton* btnLogin;
  QLabel* lb_login;
  // --- telecommand fields
  QLineEdit* edOrigem;
  QLineEdit* edDestino;
  QLineEdit* edidterminal;
  // --- " Status de comunicação "
  QLabel* lbNumXMLRec;
  QLabel* lbBytes_Recebidos;
  QLabel* lbNumXMLEnv;
  QLabel* lbBytes_Enviados;
  QLabel* lbUltEvtProc;
  // --- display areas
  QPlainTextEdit* reXMLRec;
  QTreeWidget* trvDadosXML;
  QListWidget* lberro;
  QPushButton* btn_Limpar;
  // --- the composer's tabs, sending and the simulator
  PainelComandos* PG_Comandos;
  QPushButton* btnEnviar;
  QLineEdit* edIntervalo;
  QCheckBox* chkMultiplosVeiculos;
  QPushButton* btnIniciarSimulacao;
  QLabel* lbMediaTeleCmd;
  SimuladorTeleCmd& simulador() { return *simulador_; }

  void btnEnviarClick();
  void btnIniciarSimulacaoClick();

  void btnConnectClick();
  void btnLoginClick();
  void btn_LimparClick();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void FormCreate();
  void FormClose();
  QWidget* montaConexao();
  QWidget* montaStatus();
  QWidget* montaExibicao();
  QWidget* montaEnvio();
  void atualizaEstado();
  void atualizaContadores();
  void acrescentaNo(const NoArvore& no);
  void mostraCaixa(bool erro, const std::string& titulo, const std::string& texto);
  void abreLogin();

  std::string programDir_;
  ini::IniFile ini_;
  std::unique_ptr<SessaoCliente> sessao_;
  std::unique_ptr<SimuladorTeleCmd> simulador_;
  TfrmLogin* frmLogin_ = nullptr;
  bool fechado_ = false;
  bool versaoAntiga_ = false;
};

}  // namespace kvt::cliente
