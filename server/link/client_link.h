#pragma once

// The client link: the listening socket and its connections, the client
// table, the cutting of received bytes into telecomando documents, and the
// single outbound buffer that is flushed to every authorised client.
//
// Everything runs on the main thread. Nothing waits in a nested event loop:
// the wait for the rest of an incomplete document and the pauses between send
// attempts of a flush are state plus a single-shot timer, and their handlers
// are plain member functions (tests call them). Every slot runs inside the
// guard the owner gives, which routes exceptions to the application's handler.
//
//   LinkClientes link(cfg, estado, logs, {.iniPath = ini, .pastaBuffer = ".", .guarda = guard,
//                                         .insereComando = [&](auto& d, auto& ip, int p) { fila.InsereComandoBanco(d, ip, p); },
//                                         .post2xml = renderer});
//   link.LeBufferEnvio();              // start-up: what the last run left on disk
//   link.Ativa(QHostAddress::AnyIPv4, cfg.KORVATEL_PORT);
//   link.HabilitaTmrBuffer();

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "server/link/channel_statistics.h"
#include "server/link/client_table.h"
#include "server/link/framing.h"
#include "server/link/link_status.h"
#include "server/link/outbound_buffer.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/intervalo_timer.h"
#include "server/runtime/log_files.h"
#include "server/telecmd/canal_clientes.h"

class QTcpSocket;

namespace kvt::link {

// Raised when a flush reaches a position past the current list of connections
// (a client left while the flush waited). Its message holds "List index", by
// which the application's handler recognises it and carries on.
class ListaClientesAlterada : public std::out_of_range {
 public:
  explicit ListaClientesAlterada(std::size_t posicao)
      : std::out_of_range("List index out of bounds (" + std::to_string(posicao) + ")") {}
};

enum class ResultadoEnvio {
  Entregue,     // every authorised client took the buffer, or there was nothing to send
  Falhou,       // nobody authorised, a time-out or a failed send: the buffer was discarded
  EmAndamento,  // the flush waits for a client; envioTerminado tells the outcome
};

using Guarda = std::function<void(const std::function<void()>&)>;
using InsereComando = std::function<void(const std::string& documento, const std::string& ip, std::int32_t porta)>;
using RenderizaPost = std::function<std::string(const std::string& post)>;

struct OpcoesLink {
  std::string iniPath;            // KORVATEL.INI: both ULTIMO_NUM_SEQ keys are written and re-read there
  std::string pastaBuffer = ".";  // folder of BufferEnvio.txt
  Guarda guarda;                  // runs every timer and socket slot
  InsereComando insereComando;    // each complete document, with its connection's address and port
  RenderizaPost post2xml;         // renders an event record for Enfileira_Post_Envio
};

class LinkClientes : public QObject, public telecmd::CanalClientes {
  Q_OBJECT

 public:
  static constexpr std::uint32_t kEsperaXMLMs = 10000;

  LinkClientes(runtime::tConfiguracao& cfg, runtime::EstadoServidor& estado, runtime::LogFiles& logs,
               OpcoesLink opcoes, QObject* parent = nullptr);
  ~LinkClientes() override;
  LinkClientes(const LinkClientes&) = delete;
  LinkClientes& operator=(const LinkClientes&) = delete;

  // Starts listening (no effect when already listening); false when the port
  // cannot be opened.
  bool Ativa(const QHostAddress& endereco, quint16 porta);
  bool Escutando() const { return servidor_.isListening(); }
  quint16 PortaEscuta() const { return servidor_.serverPort(); }

  // tmrBuffer: TIMER_BUFFER seconds after the latest queued document, but
  // never later than Espera_Max_Buffer after the oldest one still waiting, so
  // a steady flow of documents cannot hold the buffer back without bound.
  // Single-shot, armed by what is queued; it does not run while nothing waits.
  void HabilitaTmrBuffer();
  const QTimer& TmrBuffer() const { return tmrBuffer_; }
  // The tick at which tmrBuffer fires (meaningful while it is active).
  std::uint32_t TmrBufferVence() const { return tickTmrBuffer_ + static_cast<std::uint32_t>(tmrBuffer_.interval()); }
  // The longest a document waits in the buffer, in milliseconds.
  std::int64_t EsperaMaxBufferMs() const;

  // Timer handlers.
  void tmrBufferTimer();          // timed flush, when none is running
  void tmrTentativaEnvioTimer();  // next send attempt of the running flush
  void tmrEsperaXMLTimer();       // ends the 10 s waits for incomplete documents

  // Queue a reply body / an event record for every authorised client.
  void Enfileira_XML_Envio(const std::string& corpo) override;
  // origem: the event-table row of the record, so that a flush commits
  // exactly the rows whose documents it delivered.
  void Enfileira_Post_Envio(const std::string& post, OrigemDocumento origem = {});
  // An event pass finished a row; its documents (if any) are queued.
  void MarcaLinhaConcluida(OrigemDocumento linha);
  // A table was truncated or renumbered: forget what the buffer knew of its rows.
  void EsqueceLinhas(OrigemDocumento::Tabela tabela);
  ResultadoEnvio Esvazia_Buffer_Envio();
  bool EnvioEmAndamento() const { return envio_.ativo; }
  // Start-up: restores the buffer from its disk mirror.
  void LeBufferEnvio();

  void AtualizaArvoreClientes();

  // What the telecommand processor uses.
  Cliente LocalizaCliente(const std::string& ip, int porta) const override;
  void RegistraLogin(const std::string& ip, int porta, std::int32_t idUsuario, const std::string& operador) override;
  int NumClientes() const override { return clientes_.NumClientes(); }
  void EscreveEmTodasConexoes(const std::string& documento) override;

  TabelaClientes& Clientes() { return clientes_; }
  const TabelaClientes& Clientes() const { return clientes_; }
  const ModeloLink& Modelo() const { return modelo_; }
  EstatisticaCanal& Estatistica() { return estatistica_; }
  const BufferEnvio& Buffer() const { return buffer_; }
  int NumConexoes() const { return static_cast<int>(conexoes_.size()); }
  std::int64_t BytesEnviados() const { return bytesEnviados_; }

 signals:
  // A flush ended (not emitted for one that found nothing to send).
  void envioTerminado(bool entregue);

 private:
  struct Conexao;
  using ConexaoPtr = std::shared_ptr<Conexao>;

  void novasConexoes();
  void SSocketListen();
  void SSocketClientConnect(QTcpSocket* socket);
  void SSocketClientDisconnect(const ConexaoPtr& c);
  void SSocketClientRead(Conexao& c);
  void SSocketClientError(Conexao& c, int codigo);

  void finalizaEspera(Conexao& c, bool encontrado);
  void armaEsperaXML();
  void fechaConexao(const ConexaoPtr& c);
  void confereAbortada(const ConexaoPtr& c);
  void escreveDireto(const ConexaoPtr& c, const std::string& bytes);

  void enfileira(const std::string& documento, OrigemDocumento origem);
  void armaTmrBuffer();
  void comprometeLinhasSemDocumento();
  void gravaPosicoes(const PosicoesEntregues& p);
  ResultadoEnvio prossegue();
  ResultadoEnvio conclui();
  [[noreturn]] void abandonaPorListaAlterada(std::size_t posicao);
  // Offers the unsent rest of the flush to the client being served: bytes
  // taken, or -1. A send the system could not make for a reason other than the
  // connection raises a std::system_error.
  long enviaResto(const ConexaoPtr& c);
  void releEnviosDoIni();
  void mostraTamBuf();
  void guarda(const std::function<void()>& f);

  runtime::tConfiguracao& cfg_;
  runtime::EstadoServidor& estado_;
  runtime::LogFiles& logs_;
  OpcoesLink opcoes_;

  QTcpServer servidor_;
  QTimer tmrBuffer_;
  QTimer tmrTentativa_;
  QTimer tmrEsperaXML_;

  std::vector<ConexaoPtr> conexoes_;  // open connections, in the order they came
  TabelaClientes clientes_;
  ModeloLink modelo_;
  BufferEnvio buffer_;
  EstatisticaCanal estatistica_;
  std::int64_t bytesEnviados_ = 0;
  std::uint32_t tickTmrBuffer_ = 0;
  bool ultimaFalhaDeCliente_ = false;  // the last flush failed on a client (not for want of one)

  // The running flush.
  struct Envio {
    bool ativo = false;
    std::size_t tamanho = 0;    // bytes this flush delivers (documents queued meanwhile wait for the next)
    std::int32_t documentos = 0;
    std::size_t posicoes = 0;   // connections open when it began
    std::size_t posicao = 0;    // the one being served or next
    ConexaoPtr atual;           // being served
    std::int32_t tentativa = 0;
    std::size_t enviado = 0;
    std::uint32_t inicio = 0;
    bool falhou = false;
    bool atendeu = false;
  } envio_;
};

}  // namespace kvt::link
