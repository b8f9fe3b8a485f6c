#include "server/link/channel_statistics.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/text/cp1252.h"

namespace kvt::link {

using namespace text::literals;

EstatisticaCanal::EstatisticaCanal(const runtime::tConfiguracao& cfg, runtime::LogFiles& logs, ModeloLink& modelo)
    : cfg_(cfg), logs_(logs), modelo_(modelo) {
  Inicializa();
}

void EstatisticaCanal::Inicializa() {
  limBufIni_ = cfg_.Tamanho_Buffer;
  limBufCalculado_ = cfg_.Tamanho_Buffer;
  bufferAnterior_ = 0;
  contadorReset_ = cfg_.Contador_Restaurar_Buffer;
  contadorEstat_ = cfg_.Contador_Analisar_Estat;
  modelo_.lbLimBuf_INI = std::to_string(limBufIni_);
  modelo_.lbLimBuf_calculado = std::to_string(limBufCalculado_);
  modelo_.lbContadorReset = std::to_string(contadorReset_);
  modelo_.lbContadorEstat = std::to_string(contadorEstat_);
  modelo_.lbAnaliseEstat = "* ainda não processado *"_cp;
  modelo_.lbBufferAnterior = "* ainda não processado *"_cp;
}

void EstatisticaCanal::mostraLimite() { modelo_.lbLimBuf_calculado = std::to_string(limBufCalculado_); }

void EstatisticaCanal::ContaEnvioBemSucedido(TabelaClientes& clientes) {
  --contadorEstat_;
  modelo_.lbContadorEstat = std::to_string(contadorEstat_);
  if (contadorEstat_ == 1) {
    Processa_Estatistica_Canal(clientes);
    contadorEstat_ = cfg_.Contador_Analisar_Estat;
    modelo_.lbContadorEstat = std::to_string(contadorEstat_);
  }
}

void EstatisticaCanal::Processa_Estatistica_Canal(TabelaClientes& clientes) {
  const std::int32_t antes = limBufCalculado_;
  std::int32_t a = clientes.NumClientes() > 0 ? clientes[1].TentativasAcumuladas : 0;
  for (int i = 1; i <= clientes.NumClientes(); ++i) {
    a = std::max(a, clientes[i].TentativasAcumuladas);
    clientes[i].TentativasAcumuladas = 0;
  }
  // The divisor comes from the INI; a zero there must not stop the server.
  if (cfg_.Contador_Analisar_Estat != 0) a /= cfg_.Contador_Analisar_Estat;

  const auto passo = [&] {
    return static_cast<std::int32_t>(
        std::llabs(static_cast<long long>(limBufCalculado_) - static_cast<long long>(bufferAnterior_)) / 2);
  };
  if (a == 0 || a == 1) {
    limBufCalculado_ -= passo();
    if (limBufCalculado_ < cfg_.Tamanho_Buffer_Min) limBufCalculado_ = cfg_.Tamanho_Buffer_Min;
    --contadorReset_;
    modelo_.lbAnaliseEstat = "O canal pode estar ocioso";
    mostraLimite();
  } else if (a == 2 || a == 3) {
    contadorReset_ = std::min(contadorReset_ + 1, cfg_.Contador_Restaurar_Buffer);
    modelo_.lbAnaliseEstat = "Configuração estável"_cp;
  } else {
    limBufCalculado_ += passo();
    --contadorReset_;
    modelo_.lbAnaliseEstat = "O canal pode estar muito ocupado";
    mostraLimite();
    logs_.log("TFPrincipal.Processa_Estatistica_Canal",
              "O canal pode estar muito ocupado, o buffer calculado foi aumentado de " + std::to_string(antes) +
                  " para " + std::to_string(limBufCalculado_));
  }

  if (contadorReset_ == 1) {
    limBufCalculado_ = limBufIni_;
    bufferAnterior_ = 0;
    contadorReset_ = cfg_.Contador_Restaurar_Buffer;
    mostraLimite();
    modelo_.lbAnaliseEstat = "O Buffer Definido foi restaurado";
  } else if (limBufCalculado_ != antes) {
    bufferAnterior_ = antes;
  }
  modelo_.lbBufferAnterior = std::to_string(bufferAnterior_);
  modelo_.lbContadorReset = std::to_string(contadorReset_);
}

}  // namespace kvt::link
