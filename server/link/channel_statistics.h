#pragma once

#include <cstdint>

#include "server/link/client_table.h"
#include "server/link/link_status.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/log_files.h"

namespace kvt::link {

// The adaptive size limit of the outbound buffer. Every successful flush
// counts down ContadorEstat; when it reaches 1 the attempts the clients needed
// since the last analysis decide whether the channel is idle (the limit falls
// towards Tamanho_Buffer_Min), stable, or busy (the limit rises); ContadorReset
// brings the configured limit back after a while whatever was found.
class EstatisticaCanal {
 public:
  EstatisticaCanal(const runtime::tConfiguracao& cfg, runtime::LogFiles& logs, ModeloLink& modelo);

  std::int32_t LimBufINI() const { return limBufIni_; }
  std::int32_t LimBufCalculado() const { return limBufCalculado_; }
  std::int32_t BufferAnterior() const { return bufferAnterior_; }
  std::int32_t ContadorReset() const { return contadorReset_; }
  std::int32_t ContadorEstat() const { return contadorEstat_; }

  // Start-up: the limits from Tamanho_Buffer, the countdowns from the settings,
  // all shown.
  void Inicializa();
  // After a successful flush: count down, and analyse when the countdown reaches 1.
  void ContaEnvioBemSucedido(TabelaClientes& clientes);
  void Processa_Estatistica_Canal(TabelaClientes& clientes);

 private:
  void mostraLimite();

  const runtime::tConfiguracao& cfg_;
  runtime::LogFiles& logs_;
  ModeloLink& modelo_;
  std::int32_t limBufIni_ = 0;
  std::int32_t limBufCalculado_ = 0;
  std::int32_t bufferAnterior_ = 0;
  std::int32_t contadorReset_ = 0;
  std::int32_t contadorEstat_ = 0;
};

}  // namespace kvt::link
