#pragma once

// What the handlers that store commands for vehicles (the vehicle commands
// and the formatted messages) take from the processor; none of it is owned.

#include "platform/db/db.h"
#include "server/common/qr_veiculo.h"
#include "server/common/veiculo.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/verifica_transmissao.h"

namespace kvt::telecmd {

struct DependenciasVeiculo {
  db::Connection& dbZenthora;
  const runtime::tConfiguracao& cfg;     // NOME_MR
  const runtime::EstadoServidor& estado;  // BaseAtiva
  runtime::LogFiles& logs;
  RespostaStatusErro& respostas;
  tVerificaTransmissao& verifica;
  common::tCadastroVeiculos& cadastro;
  common::tQrVeiculo& qrVeiculo;
};

}  // namespace kvt::telecmd
