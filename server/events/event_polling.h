#pragma once

// Polling of the two event tables that the communication base fills for the
// module, and scheduling of the queued telecommands. A one-second timer takes
// turns: the control event table, the event table, one queued telecommand.
// Each pass takes the Posts past the position reached, lets the status events
// update the telecommand table, filters the rest (event codes, logistic
// events, the vehicles the logged-in user may see) and hands each event that
// passes to the outbound buffer. The positions move as the passes go; the
// buffer's flush commits them to KORVATEL.INI after a complete delivery and
// rewinds them after a failed one, so events reach the clients at least once.
//
// A ten-second monitor corrects positions that point past the end of a table,
// counts the waiting events, raises the backlog alert and, once the event
// table has grown past MAX_EVT_PROCESSADOS with a small backlog, asks the base
// to pause (D0). The base answers D2; when everything read has also been
// delivered the tables are truncated, the positions restart at 0 and the base
// is told to resume (D1).
//
// Wiring in the server object:
//   tLeituraEventos leitura({cfg, estado, logs, sinal, iniPath, *dbBase, *dbZenthora, listaVeiculo, canal,
//                            termina, &status});
//   tmrProcessFromDatabase (1000 ms)  -> leitura.ProcessFromDatabase()
//   tmrMonitorAcumulo     (10000 ms)  -> leitura.tmrMonitorAcumuloTimer()

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/db/db.h"
#include "server/common/lista_veiculo.h"
#include "server/events/status_feedback.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/runtime/status_model.h"
#include "server/runtime/watchdog.h"

namespace kvt::events {

// A row of one of the two event tables.
struct LinhaEvento {
  bool controle = false;  // the control event table, else the event table
  std::int32_t numSeq = 0;
};

// What the event passes need of the client link.
class CanalEventos {
 public:
  virtual ~CanalEventos() = default;
  // At least one client connection is open.
  virtual bool HaConexaoAberta() const = 0;
  // Renders the Post of this row, wraps it and appends it to the outbound
  // buffer (a flush may start, and may even end, inside the call). The row is
  // committed once a flush delivered the document.
  virtual void Enfileira_Post_Envio(const std::string& post, LinhaEvento linha) = 0;
  // A pass finished this row, and every document it gave is queued: the row
  // is committed with the documents queued before it (at once when none wait).
  virtual void LinhaConcluida(LinhaEvento linha) = 0;
  // The rows of a table were truncated or renumbered; rows remembered from
  // before name nothing any more.
  virtual void LinhasRenumeradas(bool controle) = 0;
  // Processes at most one queued telecommand; true when one was taken.
  virtual bool tratarTelecmd() = 0;
};

struct DependenciasLeitura {
  runtime::tConfiguracao& cfg;
  runtime::EstadoServidor& estado;
  runtime::LogFiles& logs;
  runtime::SinalDeVida& sinal;  // marking life for the watchdog
  std::string iniPath;          // KORVATEL.INI
  db::Connection& dbBase;       // the event tables
  db::Connection& dbZenthora;   // telecommands, command Posts, alerts
  common::tListaVeiculo& listaVeiculo;
  CanalEventos& canal;
  std::function<void(int codigo)> termina;  // ends the process (std::_Exit in production)
  runtime::StatusModel* status = nullptr;   // lbNumEvtAguardando, when a status model is kept
};

// The statements of one module's tables, in the connection's dialect.
db::SqlText sqlLeituraEventos(std::string_view tabela, std::int32_t linhas);
db::SqlText sqlUltimoNumSeq(std::string_view tabela);
db::SqlText sqlApagaEventos(std::string_view tabela);
const db::SqlText& sqlGeraAlertaGenerico();

class tLeituraEventos {
 public:
  // A truncation that waits for the delivery of the events read before the
  // pause answer gives up after this long and lets the base resume.
  static constexpr std::uint32_t kEsperaEntregaMaxMs = 300000;

  explicit tLeituraEventos(DependenciasLeitura d);

  // Timer handlers.
  void ProcessFromDatabase();
  void tmrMonitorAcumuloTimer();

  // One read pass over the control event table and over the event table.
  void processEvtCtrl();
  void processEvt();
  // The event filter: the decimal code occurs in TELEEVT; a logistic event
  // (95) with FiltraEvtLogistico 1 by its number (field 38) in ListaEvtLogistico.
  bool EventoPermitido(std::int32_t codigo, std::string_view post) const;

  tRetornoTelecomando& retorno() { return retorno_; }

  int VezProcessamento() const { return vezProcessamento_; }
  // The newest row of the event table when the outstanding pause request was
  // sent; only a pause answer written after it answers that request.
  std::int32_t NumSeqPausa() const { return numSeqPausa_; }
  bool PausaSolicitada() const { return pausaSolicitada_; }
  bool TruncamentoPendente() const { return truncamentoPendente_; }
  std::uint32_t TickUltimoAlarme() const { return tickUltimoAlarme_; }
  std::uint32_t TickUltimaPausa() const { return tickUltimaPausa_; }
  // lbNumEvtAguardando: events waiting in the event table at the last monitor tick.
  std::uint32_t NumEvtAguardando() const { return numEvtAguardando_; }

 private:
  struct Tabela;
  void lePassagem(bool controle);
  bool passagemControle(std::int32_t numSeq, std::int32_t codigo, const std::string& textoCodigo,
                        std::int32_t terminal, const std::string& post);
  bool passagemEventos(std::int32_t numSeq, std::int32_t codigo, std::int32_t terminal, const std::string& post);
  bool encaminhavel(std::int32_t codigo, std::int32_t terminal, const std::string& post);
  void trataParada(std::int32_t numSeq);
  void resolveTruncamentoPendente();
  void trunca();
  void recusaTruncamento(std::int32_t topo);
  std::int32_t ultimoNumSeq(bool controle);
  void gravaPosicao(const char* chave, std::int32_t valor);
  void log(std::string_view rotina, std::string_view mensagem, bool erro = false, bool mostra = false);
  std::int32_t linhasPorLeitura() const;

  DependenciasLeitura d_;
  tRetornoTelecomando retorno_;
  std::string tabela_, tabelaCtrl_;
  int vezProcessamento_ = 0;
  bool pausaSolicitada_ = false;
  std::int32_t numSeqPausa_ = 0;
  LinhaEvento linhaEmCurso_;  // the row being handed on, for the status feedback's documents
  std::uint32_t tickUltimoAlarme_ = 0;
  std::uint32_t tickUltimaPausa_ = 0;
  std::uint32_t numEvtAguardando_ = 0;
  bool truncamentoPendente_ = false;
  std::uint32_t tickTruncamentoPendente_ = 0;
};

}  // namespace kvt::events
