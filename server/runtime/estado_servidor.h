#pragma once

#include <cstdint>
#include <optional>

namespace kvt::runtime {

// The runtime state that every subsystem reads or moves, kept by the server
// object (the main window of the original design).
struct EstadoServidor {
  int NumModCom = 2;
  // NumSeq of the last record of each event table handed to the outbound
  // buffer; committed to KORVATEL.INI only after a complete delivery.
  std::int32_t UltimoNumSeqProcessado = 0;
  std::int32_t UltimoNumSeqProcessadoCtrl = 0;
  std::int32_t IdUsuarioLogado = -1;
  bool EnviandoBuffer = false;
  bool BaseAtiva = false;
  bool ModuloValido = false;
  bool Integracao = false;  // CCRO of the module's row is 1
  bool Inicializado = false;
  bool FalhaPorta = false;
  std::int64_t TotalCmdEnviados = 0;
  std::int64_t TotalEvtEnviados = 0;
  std::int32_t EvtNoBuffer = 0;
  // Running totals and times the monitoring endpoint publishes.
  std::int64_t EventosLidos = 0;     // event records read from both tables
  std::int64_t Descargas = 0;        // flushes that reached every client
  std::int64_t TentativasEnvio = 0;  // send attempts to clients, retries included
  std::int64_t FalhasDescarga = 0;   // flushes that failed (their events are read again)
  std::int64_t Retrocessos = 0;      // positions re-read from KORVATEL.INI after a failure
  std::optional<std::uint32_t> TickUltimaPassagem;  // end of the last event pass
  std::optional<std::uint32_t> TickUltimaDescarga;  // end of the last flush that reached every client
};

}  // namespace kvt::runtime
