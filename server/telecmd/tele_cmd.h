#pragma once

// The telecommand processor: takes one complete telecomando document at a
// time with the address and port of the client that sent it, validates it,
// reads its header, applies the log-in gate and the permission checks, and
// routes it by CodMsg to its handler. Exactly one exists; the server object
// creates it after the databases are open and calls ExecutaTeleCmd from the
// database command queue, on the main thread.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/db/db.h"
#include "platform/xml/xml_document.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/runtime/status_model.h"
#include "server/common/qr_veiculo.h"
#include "server/common/veiculo.h"
#include "server/telecmd/canal_clientes.h"
#include "server/telecmd/comando_veiculo.h"
#include "server/telecmd/dependencias_veiculo.h"
#include "server/telecmd/despacho.h"
#include "server/telecmd/mensagens_formatadas.h"
#include "server/telecmd/permissao_central.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/verifica_transmissao.h"

namespace kvt::telecmd {

const db::SqlText& sqlLoginOperador();

// The StsLogin values of the log-in reply (-58).
enum class StsLogin : std::int32_t {
  Logado = 0,
  UsuarioInexistente = 1,
  SenhaNaoConfere = 2,
  NaoHabilitadoKVT = 3,
  UsuarioInativo = 4,
  ClienteNaoEncontrado = -1,
};

class tTeleCmd {
 public:
  // Everything the processor uses of the server; none of it is owned.
  struct Dependencias {
    CanalClientes& canal;
    const runtime::tConfiguracao& cfg;  // ListaTeleCmdPermitidos
    runtime::EstadoServidor& estado;    // IdUsuarioLogado, UltimoNumSeqProcessado, TotalCmdEnviados
    runtime::StatusModel& status;       // lberro, lbAviso, lbcmdsent
    runtime::LogFiles& logs;
    db::Connection& dbZenthora;
    RespostaStatusErro& respostas;  // shared with the server object's own status/error reply
    tPermissaoCentral& permissao;
  };

  // The header of one telecomando.
  struct Cabecalho {
    bool ok = false;
    std::int32_t CodMsg = 0;
    std::int32_t IdTerminal = 0;
    std::int32_t IdSeqMsg = 0;
    std::int32_t ServWeb = 0;
    std::string CodMsgTexto;  // trimmed, as written
    std::string IdTerminalTexto;
  };

  explicit tTeleCmd(const Dependencias& d);
  tTeleCmd(const tTeleCmd&) = delete;
  tTeleCmd& operator=(const tTeleCmd&) = delete;

  // The only entry point. Never lets an exception out: a failure inside a
  // telecommand is logged with the document and shown on the status window,
  // and nothing more is sent for it.
  void ExecutaTeleCmd(const std::string& xml, const std::string& ip, int porta);
  // Validation, header, log-in gate and dispatch; exceptions go up.
  void ProcessaTeleCmd(const std::string& xml, const std::string& ip, int porta);

  // Parses into the document; on a syntax error answers the clients and lists
  // the parser's errors.
  bool ValidaXML(const std::string& xml, const std::string& ip);
  bool ValidaXML(xml::Document& documento, const std::string& xml, const std::string& ip);
  // Reads the header and applies the permission checks, answering refusals.
  Cabecalho LeCabecalho(const xml::Document& documento);
  // True when the code's decimal text occurs anywhere in the permission list
  // (TELECMD + ",-29,-30,-31,-32"): a plain substring test.
  bool TeleCmdPermitido(std::int32_t codMsg) const;

  // Operator log-in (-27) for the client at ip:porta.
  void EfetuaLogin(const xml::Element& raiz, const std::string& ip, int porta);
  // The raw 16-byte MD5 digest of the trimmed text.
  static std::string MD5Texto(std::string_view texto);

  // The status/error reply of the processor (logged under "tTeleCmd").
  void RetornaErroXML(const std::string& mensagem, const std::string& telecomando, const std::string& terminal,
                      std::int32_t stsEnvio, std::int32_t idStatus);
  // A normal reply body: kept as UltimaResposta and queued for every logged-in client.
  void EnviaResposta(const std::string& corpo);
  // Appends a line to the activity list, clearing it first past 1000 lines.
  void MostraNaLista(const std::string& texto);
  // Shows a warning on the status window, in red.
  void MostraAviso(const std::string& texto);

  // Fills a handler slot of the dispatch table (an empty function empties it).
  void DefineTratador(Tratador slot, TratadorTeleCmd tratador);
  bool TemTratador(Tratador slot) const;

  // The telecommand being processed (kept until the next one) and the sender.
  const std::string& DocumentoTexto() const { return xml_; }
  const std::string& ClienteIP() const { return ip_; }
  int ClientePorta() const { return porta_; }
  // The connection every statement of the processor runs on.
  db::Connection& dbZenthora() { return dbZenthora_; }
  // The transmission check, the registration test and qrVeiculo the vehicle
  // handlers share.
  tVerificaTransmissao& Verifica() { return *verifica_; }
  common::tCadastroVeiculos& Cadastro() { return *cadastro_; }
  common::tQrVeiculo& QrVeiculo() { return *qrVeiculo_; }

  const std::string& UltimaResposta() const { return ultimaResposta_; }
  bool OcupadoListaRastreadores() const { return ocupadoListaRastreadores_; }
  bool OcupadoListaOdometros() const { return ocupadoListaOdometros_; }

 private:
  // What the vehicle-command handlers take, once the shared checks exist.
  DependenciasVeiculo dependenciasVeiculo(const Dependencias& d);
  void despacha(const PedidoTeleCmd& pedido);
  bool chamaTratador(Tratador slot, const PedidoTeleCmd& pedido);
  void log(std::string_view mensagem);

  CanalClientes& canal_;
  const runtime::tConfiguracao& cfg_;
  runtime::EstadoServidor& estado_;
  runtime::StatusModel& status_;
  runtime::LogFiles& logs_;
  db::Connection& dbZenthora_;
  RespostaStatusErro& respostas_;
  tPermissaoCentral& permissao_;

  // the telecommand being processed
  std::string xml_;
  std::string ip_;
  int porta_ = 0;
  xml::Document documento_;  // reused for every telecommand
  int profundidade_ = 0;     // > 0 while a telecommand is being processed

  bool ocupadoListaRastreadores_ = false;
  bool ocupadoListaOdometros_ = false;
  std::string ultimaResposta_;

  std::array<TratadorTeleCmd, static_cast<std::size_t>(Tratador::Quantidade)> tratadores_;

  // prepared once, re-executed with new parameters
  std::unique_ptr<db::Statement> qrLogin_;
  std::unique_ptr<tVerificaTransmissao> verifica_;
  std::unique_ptr<common::tCadastroVeiculos> cadastro_;
  std::unique_ptr<common::tQrVeiculo> qrVeiculo_;
  std::unique_ptr<tComandoVeiculo> comandoVeiculo_;
  std::unique_ptr<tMensagensFormatadas> mensagensFormatadas_;
};

}  // namespace kvt::telecmd
