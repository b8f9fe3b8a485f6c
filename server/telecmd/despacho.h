#pragma once

// The dispatch table of the telecommand processor: every CodMsg a client may
// send is routed to one handler slot. A slot is filled by whoever builds that
// handler (the processor itself, or the server object for the operations and
// electronic-security modules); a code whose slot is still empty is logged as
// not handled and dropped.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/xml/xml_document.h"

namespace kvt::telecmd {

enum class Tratador : int {
  Nenhum = 0,  // 0, -17 to -20 and below -33: dropped without a reply
  // control telecommands
  ListaRastreadores,           // -1, reply -20 (one per tracker); busy flag
  ListaOperacoes,              // -2, reply -41
  AssociaOperacao,             // -3, reply -42
  ListaPerfisConfiguracao,     // -4, reply -43
  AssociaPerfil,               // -5, reply -44
  ListaPerfisDefinicao,        // -6, reply -45
  ListaAlvos,                  // -7, reply -46
  ListaCercas,                 // -8, reply -47
  ImportaAlvos,                // -9, reply -48
  ImportaCercas,               // -10, reply -49
  ImportaRotas,                // -11, reply -50
  ListaMensagensFormatadas,    // -12, reply -51
  ListaMensagensELP,           // -13, reply -59
  ListaMensagensELPRastreador, // -14, reply -60
  ImportaMensagensELP,         // -15, reply -61
  ListaMensagensPre,           // -16, reply -63
  TransmiteOperacao,           // -21, reply -52
  TransmitePerfil,             // -22, reply -53
  TransmiteAlvos,              // -23, reply -54
  TransmiteCercas,             // -24, reply -55
  TransmiteRotas,              // -25, reply -56
  StatusTransmissaoOperacao,   // -26, reply -57
  EfetuaLogin,                 // -27, reply -58
  TransmiteMensagensELP,       // -28, reply -62
  Diagnostico,                 // -29, reply -64
  ListaEventosPersonalizados,  // -30, reply -65
  EnviaUltimaPosicao,          // -31, reply -66
  InfoCentral,                 // -32, reply -67 (one per vehicle)
  ListaOdometros,              // -33, reply -68 (one per row); busy flag
  // vehicle telecommands (positive codes)
  ConfiguraMensagensFormatadas,  // 5C, -40 on error only
  EnviaMensagemFormatada,        // 6A, -40 on error only
  EnviaComandoVeiculo,           // every other positive code, -40 on error only
  Quantidade
};

// The slot of a code.
Tratador TratadorDoCodigo(std::int32_t codMsg);
// The slot's name, for the log.
const char* NomeTratador(Tratador t);

// What a handler receives: the parsed document (valid for the call only), the
// header and the sender.
struct PedidoTeleCmd {
  xml::Element raiz;
  std::int32_t CodMsg = 0;
  std::int32_t IdTerminal = 0;
  std::int32_t IdSeqMsg = 0;
  std::int32_t ServWeb = 0;    // SERV_WEB: the tracker list's all-trackers switch
  std::int32_t IdUsuario = 0;  // IdUsuario of the sender's client record, 0 when none
  std::string CodMsgTexto;     // trimmed texts as the client wrote them
  std::string IdTerminalTexto;
  std::string ip;
  int porta = 0;
};

// A handler. The result matters for positive codes only: true adds one to
// TotalCmdEnviados.
using TratadorTeleCmd = std::function<bool(const PedidoTeleCmd&)>;

}  // namespace kvt::telecmd
