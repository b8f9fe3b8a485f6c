#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "server/runtime/bancos.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/runtime/status_model.h"
#include "server/runtime/watchdog.h"
#include "server/service/metricas.h"
#include "server/service/notificador_systemd.h"

namespace kvt::link {
class LinkClientes;
class FilaComandos;
}  // namespace kvt::link
namespace kvt::telecmd {
class RespostaStatusErro;
class tPermissaoCentral;
class tTeleCmd;
class tConsultas;
}  // namespace kvt::telecmd
namespace kvt::common {
class tListaVeiculo;
}
namespace kvt::security {
class TdmSegEletronica;
}
namespace kvt::operations {
class TdmOperacao;
}
namespace kvt::events {
class tEvtPersonalizado;
class tComplementoEvento;
class tLocalizacao;
class tRenderizadorPost;
class tLeituraEventos;
class CanalEventos;
}  // namespace kvt::events

namespace kvt::service {
class EndpointHttp;
}

namespace kvt::server {

inline constexpr const char* kVersao = "6.32.002z";

struct OpcoesServidor {
  std::string programDir = ".";  // where KORVATEL.INI is
  std::string workDir = ".";     // log files, BufferEnvio.txt, watchdog records
  runtime::LimitesWatchDog watchdog;
  // Ends the process on a fatal path (std::_Exit by default; tests record it).
  std::function<void(int code)> termina;
  // Shows a message box, or writes the text to standard error when headless.
  std::function<void(const std::string& texto)> mostraMensagem;
  // The machine the diagnostic report describes (the first command-line
  // argument that is not an option); empty for this computer.
  std::string maquinaDiagnostico;
};

// The server object: owns the settings, the runtime state, the timers, the
// listening socket and the subsystems, and runs start-up, the health checks
// and shutdown. Timer handlers are plain member functions, so tests call them.
class TFPrincipal : public QObject {
  Q_OBJECT

 public:
  TFPrincipal(OpcoesServidor opcoes, runtime::Bancos& bancos, std::uint32_t intervaloDiagnosticoMs);
  ~TFPrincipal() override;

  // Start-up; false when the program must end (messages and log entries done).
  bool FormCreate();
  bool Inicializa();
  // Orderly shutdown: waits at most TIMEOUT for a running flush, frees in
  // order, then calls `pronto`.
  void FormClose(std::function<void()> pronto);
  // What asked for the next FormClose ("sinal SIGTERM", ...), named in its log
  // entry; without it the stop came from the window.
  void MotivoParada(std::string motivo) { motivoParada_ = std::move(motivo); }

  // What the monitoring endpoint publishes; the endpoint's port (0 when off).
  service::Metricas Metricas();
  service::Saude Saude();
  std::uint16_t portaHttp() const;

  // Timer handlers.
  void tmrStatusQuillonTimer();
  void tmrDiagnosticoTimer();
  void tmrProcessaTimer();
  void tmrMonitorAcumuloTimer();
  void tmrLocalizacaoTimer();

  // The application-wide handler of every error nobody caught.
  void AppException(const std::string& message);
  void FinalizaComErro();
  // Runs a timer or socket handler; every exception goes to AppException.
  void guard(const std::function<void()>& handler);

  // Logs through the rotating files (NomeArquivoLog, then GravaLog).
  void log(std::string_view routine, std::string_view message, bool isError = false, bool showOnScreen = false);

  runtime::tConfiguracao& configuracao() { return cfg_; }
  runtime::EstadoServidor& estado() { return estado_; }
  runtime::StatusModel& status() { return status_; }
  runtime::LogFiles& logs() { return logs_; }
  runtime::SinalDeVida& sinalDeVida() { return sinal_; }
  const std::string& iniPath() const { return iniPath_; }
  std::uint16_t portaEscuta() const;
  // The subsystems, once start-up created them (null before).
  link::LinkClientes* link() { return link_.get(); }
  link::FilaComandos* fila() { return fila_.get(); }
  telecmd::tTeleCmd* teleCmd() { return teleCmd_.get(); }
  events::tLeituraEventos* leitura() { return leitura_.get(); }
  events::tRenderizadorPost* renderizador() { return renderizador_.get(); }
  bool timersAtivos() const { return tmrProcessa_.isActive(); }
  const QTimer& tmrDiagnostico() const { return tmrDiagnostico_; }

 private:
  bool conectaBanco(const char* nome, std::unique_ptr<db::Connection>& conexao);
  void habilitaTimers();
  bool ativaServidor();
  void carregaCatalogos();
  void criaLink();
  void criaProcessadores();
  void criaOperacao();
  void marcaVida();
  void atualizaStatusBase(bool ativa);
  void fechaBancos();
  void conecta(QTimer& timer, void (TFPrincipal::*handler)());
  void criaEndpoint();

  OpcoesServidor opcoes_;
  runtime::Bancos& bancos_;
  std::uint32_t intervaloDiagnosticoMs_;
  std::string iniPath_;
  runtime::tConfiguracao cfg_;
  runtime::EstadoServidor estado_;
  runtime::StatusModel status_;
  runtime::LogFiles logs_;
  runtime::SinalDeVida sinal_;
  std::unique_ptr<runtime::tThr_WatchDog> watchdog_;
  std::unique_ptr<db::Statement> qrToken_;
  bool baseVerde_ = false;
  bool baseAmarela_ = false;

  std::unique_ptr<common::tListaVeiculo> listaVeiculo_;
  std::unique_ptr<events::tEvtPersonalizado> personalizados_;
  std::unique_ptr<events::tComplementoEvento> complementos_;
  std::unique_ptr<events::tLocalizacao> localizacao_;
  std::unique_ptr<events::tRenderizadorPost> renderizador_;
  std::unique_ptr<link::LinkClientes> link_;
  std::unique_ptr<link::FilaComandos> fila_;
  std::unique_ptr<telecmd::RespostaStatusErro> respostas_;
  std::unique_ptr<telecmd::tPermissaoCentral> permissao_;
  std::unique_ptr<telecmd::tTeleCmd> teleCmd_;
  std::unique_ptr<security::TdmSegEletronica> dmSegEletronica_;
  std::unique_ptr<telecmd::tConsultas> consultas_;
  std::unique_ptr<operations::TdmOperacao> operacao_;
  std::unique_ptr<events::CanalEventos> canalEventos_;
  std::unique_ptr<events::tLeituraEventos> leitura_;
  QTimer tmrProcessa_;
  QTimer tmrStatusQuillon_;
  QTimer tmrMonitorAcumulo_;
  QTimer tmrDiagnostico_;
  QTimer tmrLocalizacao_;
  QTimer tmrEsperaFim_;
  service::NotificadorSystemd notificador_;
  std::unique_ptr<service::EndpointHttp> endpoint_;
  std::string motivoParada_;
};

}  // namespace kvt::server
