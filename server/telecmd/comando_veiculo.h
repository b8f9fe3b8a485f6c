#pragma once

// Vehicle commands: every positive CodMsg other than 5C and 6A. For each
// addressed vehicle the command is checked (registration, model, service plan,
// its own elements, the communication base, the transmission channel) and
// stored through spCmdAvulso as a telecommand row that the communication base
// transmits. Success is not answered: the client follows the command through
// the status events that carry its IdSeqMsg. Every refusal is a status/error
// reply with the code in Telecomando and the IdSeqMsg in IdStatus.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/db/db.h"
#include "server/common/mensagem_pre.h"
#include "server/common/qr_veiculo.h"
#include "server/common/veiculo.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/telecmd/dependencias_veiculo.h"
#include "server/telecmd/despacho.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/verifica_transmissao.h"

namespace kvt::telecmd {

const db::SqlText& sqlCmdAvulso();
const db::SqlText& sqlRecMensagemEnv();
const db::SqlText& sqlPlanoComando();
const db::SqlText& sqlTrocaOperadoraCelular();
const db::SqlText& sqlMensagensPreDefinidas();

// The valid causes of an authorisation (1E) and the refusal that lists them.
inline constexpr const char* kCausasAutorizacao[] = {"2", "130", "3", "131", "14", "142"};

class tComandoVeiculo {
 public:
  using Dependencias = DependenciasVeiculo;

  explicit tComandoVeiculo(const Dependencias& d);
  tComandoVeiculo(const tComandoVeiculo&) = delete;
  tComandoVeiculo& operator=(const tComandoVeiculo&) = delete;

  // The handler. False only when the last vehicle tried was refused by the
  // transmission check; validation failures and stored commands give true.
  // Database errors and a Texto element without text throw.
  bool EnviaComandoVeiculo(const PedidoTeleCmd& pedido);

  // The code as the rows and replies write it: upper-case hexadecimal without
  // leading zeros ("13", "6B", "1").
  static std::string TextoCodigo(std::int32_t codMsg);

 private:
  struct Comando;

  bool leElementos(Comando& c, const xml::Element& raiz);
  bool verificaPlano(Comando& c, std::int32_t rastreador);
  bool aplicaTokens(Comando& c, std::int32_t rastreador);
  bool enviaParaVeiculos(Comando& c);
  void armazena(Comando& c, std::int32_t veiculo, const Transmissao& t);
  void erro(const Comando& c, const std::string& mensagem, std::int32_t stsEnvio = 0);
  void log(std::string_view mensagem);
  const common::tCatalogoMensagensPre& mensagensPre();

  db::Connection& dbZenthora_;
  const runtime::tConfiguracao& cfg_;
  const runtime::EstadoServidor& estado_;
  runtime::LogFiles& logs_;
  RespostaStatusErro& respostas_;
  tVerificaTransmissao& verifica_;
  common::tCadastroVeiculos& cadastro_;
  common::tQrVeiculo& qrVeiculo_;

  // prepared once, re-executed for every vehicle
  db::Statement spCmdAvulso_;
  db::Statement spRecMensagemEnv_;
  db::Statement qrPlano_;
  // the pre-defined messages, read at their first use and kept until shutdown
  std::unique_ptr<common::tCatalogoMensagensPre> mensagensPre_;
};

}  // namespace kvt::telecmd
