#pragma once

// The operations data module: answers the control telecommands that list the
// central's catalogues (operations, configuration profiles, formatted, stop-
// logistics and pre-defined messages), associate operations and profiles with
// vehicles, ask for configurations to be transmitted and report the status of
// the last operation transmission. Every outcome is one reply body queued for
// the clients; a malformed request is answered with the status/error reply.
// KORVATEL only writes requests into the central through its stored
// procedures: the communication base transmits them.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/db/db.h"
#include "platform/xml/xml_document.h"
#include "server/common/qr_veiculo.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/telecmd/canal_clientes.h"
#include "server/telecmd/permissao_central.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/verifica_transmissao.h"

namespace kvt::operations {

// Statements of the module (SQL Server text as the central expects it, and
// the embedded central's text).
const db::SqlText& sqlOperacaoItens();
const db::SqlText& sqlOpcoesOperacao();
const db::SqlText& sqlItensConfiguracao();
const db::SqlText& sqlListaMsgFormatada();
const db::SqlText& sqlMensagemExtensaoLogistica();
const db::SqlText& sqlMensagemExtensaoLogisticaRast();
const db::SqlText& sqlListaMsgPre();
const db::SqlText& sqlOperacao();
const db::SqlText& sqlAssociaOperacao();
const db::SqlText& sqlPerfilConfiguracao();
const db::SqlText& sqlAssociaPerfil();
const db::SqlText& sqlTransOperacao();
const db::SqlText& sqlTransItemOperacao();
const db::SqlText& sqlLastTransOperacao();
const db::SqlText& sqlStatusTransOperacao();
const db::SqlText& sqlAlvoVeicSE();
const db::SqlText& sqlCercaVeicSE();
const db::SqlText& sqlRotaVeicSE();
const db::SqlText& sqlCfgAlvos();
const db::SqlText& sqlMsgChegadaELP();
const db::SqlText& sqlMsgSaidaELP();
const db::SqlText& sqlCfgMensagemExtLog();

// Composed at run time: the profile table and the flag come from the central's
// own kind catalogue (tOpcoesOperacao), the numbers are written in decimal.
// The template row of a profile (terminal 0, not yet sent):
db::SqlText sqlPerfilModelo(std::string_view tabela, std::int32_t idPerfil, std::int32_t tipo, std::string_view flag);
// The newest profile of a kind already sent to a vehicle:
db::SqlText sqlUltimoPerfilEnviado(std::string_view tabela, std::int32_t terminal, std::int32_t tipo,
                                   std::string_view flag);
// Marks an operation transmission as made:
db::SqlText sqlMarcaTransOperacao(std::int32_t idTransOperacao);

class TdmOperacao {
 public:
  // What the module uses of the server; none of it is owned.
  struct Dependencias {
    db::Connection& dbZenthora;
    db::Connection& dbSSE;                   // targets, fences and routes of the vehicles
    telecmd::CanalClientes& canal;           // Enfileira_XML_Envio
    telecmd::RespostaStatusErro& respostas;  // Retorna_Status_Erro_XML
    telecmd::tPermissaoCentral& permissao;   // PermissaoCentral with "N"
    const runtime::tConfiguracao& cfg;       // NOME_MR, the origin of every request; the GPRS time-out
    const runtime::EstadoServidor& estado;   // BaseAtiva
  };

  explicit TdmOperacao(const Dependencias& d);
  ~TdmOperacao();
  TdmOperacao(const TdmOperacao&) = delete;
  TdmOperacao& operator=(const TdmOperacao&) = delete;

  // Catalogue lists.
  void ListaOperacoes();                                          // -2, reply -41
  void ListaPerfisConfiguracao();                                 // -4, reply -43
  void ListaMensagensFormatadas();                                // -12, reply -51
  void ListaMensagensELP();                                       // -13, reply -59
  void ListaMensagensELPRastreador(const xml::Element& raiz);     // -14, reply -60
  void ListaMensagensPre();                                       // -16, reply -63

  // Associations, transmissions and the operation status.
  void AssociaOperacao(const xml::Element& raiz, std::int32_t idUsuario);        // -3, reply -42
  void AssociaPerfil(const xml::Element& raiz);                                  // -5, reply -44
  void TransmiteOperacao(const xml::Element& raiz, std::int32_t idUsuario);      // -21, reply -52
  void TransmitePerfil(const xml::Element& raiz, std::int32_t idUsuario);        // -22, reply -53
  void TransmiteAlvos(const xml::Element& raiz, std::int32_t idUsuario);         // -23, reply -54
  void TransmiteCercas(const xml::Element& raiz, std::int32_t idUsuario);        // -24, reply -55
  void TransmiteRotas(const xml::Element& raiz, std::int32_t idUsuario);         // -25, reply -56
  void StatusTransmissaoOperacao(const xml::Element& raiz);                      // -26, reply -57
  void TransmiteMensagensELP(const xml::Element& raiz, std::int32_t idUsuario);  // -28, reply -62

  // The reply of the transmissions that answer only a terminal and a status.
  void RespostaTransmissao(std::string_view codigo, const std::string& terminal, std::int32_t status);

 private:
  struct Transmissao;  // what differs between targets, fences and routes
  void transmiteAssociados(const xml::Element& raiz, const Transmissao& t);
  bool veiculoHabilitado(std::int32_t terminal);
  void envia(const std::string& corpo);
  void erro(const std::string& mensagem);

  db::Connection& dbZenthora_;
  db::Connection& dbSSE_;
  telecmd::CanalClientes& canal_;
  telecmd::RespostaStatusErro& respostas_;
  telecmd::tPermissaoCentral& permissao_;
  const runtime::tConfiguracao& cfg_;
  const runtime::EstadoServidor& estado_;

  // prepared once, re-executed with new parameters
  std::unique_ptr<common::tQrVeiculo> qrVeiculo_;
  std::unique_ptr<telecmd::tVerificaTransmissao> verificaTransmissao_;
  std::unique_ptr<db::Statement> qrOperacaoItens_;
  std::unique_ptr<db::Statement> qrOpcoesOperacao_;
  std::unique_ptr<db::Statement> qrItensConfiguracao_;
  std::unique_ptr<db::Statement> qrListaMsgFormatada_;
  std::unique_ptr<db::Statement> qrMensagemExtensaoLogistica_;
  std::unique_ptr<db::Statement> qrMensagemExtensaoLogisticaRast_;
  std::unique_ptr<db::Statement> qrListaMsgPre_;
  std::unique_ptr<db::Statement> qrOperacao_;
  std::unique_ptr<db::Statement> spAssociaOperacao_;
  std::unique_ptr<db::Statement> qrPerfilConfiguracao_;
  std::unique_ptr<db::Statement> spAssociaPerfil_;
  std::unique_ptr<db::Statement> qrTransOperacao_;
  std::unique_ptr<db::Statement> spTransItemOperacao_;
  std::unique_ptr<db::Statement> qrLastTransOperacao_;
  std::unique_ptr<db::Statement> qrStatusTransOperacao_;
  std::unique_ptr<db::Statement> qrAlvoVeicSE_;
  std::unique_ptr<db::Statement> qrCercaVeicSE_;
  std::unique_ptr<db::Statement> qrRotaVeicSE_;
  std::unique_ptr<db::Statement> spCfgAlvos_;
  std::unique_ptr<db::Statement> qrMsgChegadaELP_;
  std::unique_ptr<db::Statement> qrMsgSaidaELP_;
  std::unique_ptr<db::Statement> spCfgMensagemExtLog_;
};

}  // namespace kvt::operations
