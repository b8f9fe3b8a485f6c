#include "server/service/metricas.h"

namespace kvt::service {

namespace {

void metrica(std::string& out, const char* nome, const char* tipo, const char* ajuda, std::int64_t valor) {
  out += "# HELP ";
  out += nome;
  out += ' ';
  out += ajuda;
  out += "\n# TYPE ";
  out += nome;
  out += ' ';
  out += tipo;
  out += '\n';
  out += nome;
  out += ' ';
  out += std::to_string(valor);
  out += '\n';
}

void posicao(std::string& out, const char* tabela, std::int64_t valor) {
  out += "korvatel_posicao_numseq{tabela=\"";
  out += tabela;
  out += "\"} ";
  out += std::to_string(valor);
  out += '\n';
}

std::string idade(const std::optional<std::int64_t>& ms) { return ms ? std::to_string(*ms) : "null"; }

const char* simNao(bool v) { return v ? "true" : "false"; }

}  // namespace

std::string FormataMetricas(const Metricas& m) {
  std::string out;
  out.reserve(2048);
  metrica(out, "korvatel_eventos_lidos_total", "counter", "Event records read from the event tables.", m.eventosLidos);
  metrica(out, "korvatel_eventos_entregues_total", "counter", "Rendered events delivered to every client.",
          m.eventosEntregues);
  metrica(out, "korvatel_descargas_total", "counter", "Outbound buffer flushes that reached every client.",
          m.descargas);
  metrica(out, "korvatel_tentativas_envio_total", "counter", "Send attempts to clients, retries included.",
          m.tentativas);
  metrica(out, "korvatel_falhas_descarga_total", "counter", "Flushes that failed; their events are read again.",
          m.falhas);
  metrica(out, "korvatel_retrocessos_total", "counter", "Event positions rewound after a failed flush.",
          m.retrocessos);
  metrica(out, "korvatel_clientes_conectados", "gauge", "Open client connections.", m.clientesConectados);
  metrica(out, "korvatel_comandos_na_fila", "gauge", "Documents waiting in the database command queue.",
          m.comandosNaFila);
  metrica(out, "korvatel_buffer_bytes", "gauge", "Bytes in the outbound buffer.", m.tamanhoBuffer);
  metrica(out, "korvatel_buffer_limite_bytes", "gauge", "Calculated limit of the outbound buffer.", m.limiteBuffer);
  out += "# HELP korvatel_posicao_numseq NumSeq of the last record handed to clients, per event table.\n"
         "# TYPE korvatel_posicao_numseq gauge\n";
  posicao(out, "eventos", m.posicaoEventos);
  posicao(out, "controle", m.posicaoControle);
  metrica(out, "korvatel_eventos_aguardando", "gauge", "Event records waiting in the event table.",
          m.eventosAguardando);
  return out;
}

RespostaHttp AvaliaSaude(const Saude& s) {
  const bool passagemEmDia = s.msDesdePassagem && *s.msDesdePassagem <= kLimitePassagemMs;
  const bool saudavel = s.inicializado && s.dbZenthora && s.dbBase && s.dbSSE && passagemEmDia;
  RespostaHttp r;
  r.status = saudavel ? 200 : 503;
  r.corpo = std::string("{\"status\":\"") + (saudavel ? "ok" : "falha") + "\",\"inicializado\":" +
            simNao(s.inicializado) + ",\"dbZenthora\":" + simNao(s.dbZenthora) + ",\"dbBase\":" +
            simNao(s.dbBase) + ",\"dbSSE\":" + simNao(s.dbSSE) + ",\"baseAtiva\":" + simNao(s.baseAtiva) +
            ",\"msDesdeUltimaPassagem\":" + idade(s.msDesdePassagem) + ",\"msDesdeUltimaDescarga\":" +
            idade(s.msDesdeDescarga) + "}\n";
  return r;
}

}  // namespace kvt::service
