#pragma once

#include <cstdint>

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
};

}  // namespace kvt::runtime
