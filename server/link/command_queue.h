#pragma once

// The database queue between the framing and the telecommand processor. Each
// complete document is stored in tFilaComandoKVT with its sender's address and
// port; the main loop later takes one at a time, in arrival order, and hands
// it to the processor. The marker table tNroSeqComandoKVT holds the row being
// processed: a row found equal to it was taken before and never finished (the
// server stopped during it), so it is deleted first and tried once more only.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/db/db.h"
#include "server/link/client_table.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"

namespace kvt::link {

using ExecutaTeleCmd = std::function<void(const std::string& documento, const std::string& ip, std::int32_t porta)>;

// Whether a stored (lower-cased) document is a log-in: its root has a codmsg
// child whose value, blanks trimmed, reads as the decimal -27.
bool EhDocumentoLogin(const std::string& documento);

// The composed statements, for the dialect and module given.
db::SqlText sqlInsereComandoBanco(int numModCom);
db::SqlText sqlRetiraComandoBanco(int numModCom);
db::SqlText sqlUpdateNroSeqComando(std::int32_t nroSeq);

class FilaComandos {
 public:
  struct Comando {
    std::int32_t NroSeq = 0;
    std::string XML;
    std::string IP;
    std::int32_t Porta = 0;
  };

  FilaComandos(db::Connection& dbZenthora, runtime::EstadoServidor& estado, runtime::LogFiles& logs,
               const TabelaClientes& clientes, ExecutaTeleCmd executaTeleCmd);

  // The documents one connection may have waiting in the queue (0: no cap);
  // more are discarded with a log entry, so that one client cannot hold back
  // every other client's commands.
  void LimitaComandosPorConexao(std::int32_t maximo) { maximoPorConexao_ = maximo; }
  std::int32_t Aguardando(const std::string& ip, std::int32_t porta) const;

  void InsereComandoBanco(const std::string& documento, const std::string& ip, std::int32_t porta);
  // Processes at most one queued document; true when one was taken.
  bool tratarTelecmd();
  std::optional<Comando> RetiraComandoBanco();
  bool VerificaNroSeqComando(std::int32_t nroSeq);
  void UpdateNroSeqComando(std::int32_t nroSeq);
  void RemoveComandoBanco(std::int32_t nroSeq);

  // NroSeq of the row being processed, from the moment it is taken until it is removed.
  std::optional<std::int32_t> EmProcessamento() const { return emProcessamento_; }

 private:
  db::Connection& db_;
  runtime::EstadoServidor& estado_;
  runtime::LogFiles& logs_;
  const TabelaClientes& clientes_;
  ExecutaTeleCmd executa_;
  void saiDaFila(const Comando& c);

  std::optional<std::int32_t> emProcessamento_;
  std::int32_t maximoPorConexao_ = 0;
  std::map<std::pair<std::string, std::int32_t>, std::int32_t> aguardando_;  // queued by this run, per connection
};

}  // namespace kvt::link
