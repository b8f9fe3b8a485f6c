#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kvt::service {

// What /metrics publishes: counters since start and the present gauges.
// No vehicle appears here, so no label ever carries a vehicle id.
struct Metricas {
  std::int64_t eventosLidos = 0;      // event records read from both tables
  std::int64_t eventosEntregues = 0;  // rendered events handed to clients by a complete flush
  std::int64_t descargas = 0;         // flushes that reached every client
  std::int64_t tentativas = 0;        // send attempts to clients (retries included)
  std::int64_t falhas = 0;            // flushes that failed (their events are read again)
  std::int64_t retrocessos = 0;       // positions rewound to KORVATEL.INI after a failure
  std::int64_t clientesConectados = 0;
  std::int64_t comandosNaFila = 0;    // documents waiting in tFilaComandoKVT
  std::int64_t tamanhoBuffer = 0;     // bytes in the outbound buffer
  std::int64_t limiteBuffer = 0;      // the calculated limit in use
  std::int64_t posicaoEventos = 0;    // UltimoNumSeqProcessado
  std::int64_t posicaoControle = 0;   // UltimoNumSeqProcessadoCtrl
  std::int64_t eventosAguardando = 0; // found by the accumulation monitor
};

// Prometheus text exposition (version 0.0.4) of the figures.
std::string FormataMetricas(const Metricas& m);

// What /health judges.
struct Saude {
  bool dbZenthora = false;
  bool dbBase = false;
  bool dbSSE = false;
  bool baseAtiva = false;  // the communication base's heartbeat is fresh
  bool inicializado = false;
  // Milliseconds since the last event pass and the last flush that reached
  // every client; empty when none happened yet.
  std::optional<std::int64_t> msDesdePassagem;
  std::optional<std::int64_t> msDesdeDescarga;
};

struct RespostaHttp {
  int status = 200;
  std::string corpo;
};

// An event pass older than this means the main loop stopped polling.
inline constexpr std::int64_t kLimitePassagemMs = 30000;

// 200 when the three connections answer, start-up completed and the event
// passes keep running; 503 otherwise. The body is a small JSON object that
// names each check. A base that is down is reported but is not a failure of
// this server (it keeps running and refuses what needs the base).
RespostaHttp AvaliaSaude(const Saude& s);

}  // namespace kvt::service
