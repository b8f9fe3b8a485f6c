#pragma once

// Formatted messages: forms a tracker's console shows to the driver, a title
// and fields with a name, a type, a size and a position. 5C replaces the
// definitions of one or more vehicles and asks for their transmission; 6A
// sends one filled-in form to a vehicle. A form is known to clients, server
// and tracker by its hash, written as hexadecimal text in NroSeqMacro. Success
// is not answered; refusals are status/error replies with Telecomando "5C" or
// "6A" and the request's IdSeqMsg.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/db/db.h"
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

const db::SqlText& sqlGrupoMacroKVT();
const db::SqlText& sqlApagaMacroVeic();
const db::SqlText& sqlGravaCfgMacro();
const db::SqlText& sqlGravaCfgMacroCampo();
const db::SqlText& sqlGravaMacroVeic();
const db::SqlText& sqlRecMacro();
const db::SqlText& sqlTamanhoMacro();
const db::SqlText& sqlMensagemFormatada();

// Limits of one form: its useful bytes, and its fields for a full console
// (type 5) and for the others.
inline constexpr std::int32_t kBytesUteisMacro = 512;
inline constexpr std::size_t kCamposConsoleCompleto = 80;
inline constexpr std::size_t kCamposOutrosConsoles = 20;

struct CampoMacro {
  std::int32_t idCampo = 0;
  std::string Nome;
  std::int32_t Tipo = 0;
  std::int32_t Tam = 0;  // as the request declared it
  std::int32_t lin = 0;
  std::int32_t col = 0;
  std::int32_t alin = 1;
  std::int32_t Obrig = 0;
  std::int32_t Repet = 0;
  std::int32_t Ordem = 0;
};

struct Macro {
  std::int32_t idMacro = 0;
  std::int32_t hash = 0;  // the same 32 bits, signed
  std::int32_t idultimo = 0;
  std::string Titulo;
  std::int32_t Terminal = 0;
  std::int32_t TE = 0;  // stored negated: 1 when the client sent "0"
  std::int32_t TC = 0;
  std::vector<CampoMacro> campos;
};

// The size a field takes in the form: fixed for the types 3 to 8, declared for the others.
std::int32_t TamanhoDoTipo(std::int32_t tipo, std::int32_t declarado);
// The hash as the definitions store it and as it is looked up: signed decimal.
std::string TextoHashArmazenado(std::int32_t hash);
// The hash as spMensagemFormatada receives it: the same 32 bits read as unsigned, in decimal.
std::string TextoHashSemSinal(std::int32_t hash);

class tMensagensFormatadas {
 public:
  using Dependencias = DependenciasVeiculo;

  explicit tMensagensFormatadas(const Dependencias& d);
  tMensagensFormatadas(const tMensagensFormatadas&) = delete;
  tMensagensFormatadas& operator=(const tMensagensFormatadas&) = delete;

  // 5C. Reads the whole document before it writes anything; the result is
  // that of the last vehicle (false when none).
  bool ConfiguraMensagensFormatadas(const PedidoTeleCmd& pedido);
  // Stores the definitions for one vehicle and asks for their transmission.
  bool GravaMacros(const std::vector<Macro>& macros, std::int32_t idUsuario, std::int32_t idSeqMsg,
                   std::int32_t veiculo);
  // The group every definition is filed under (created on first use); 0 when none comes back.
  std::int32_t GrupoMacroKVT();

  // 6A.
  bool EnviaMensagemFormatada(const PedidoTeleCmd& pedido);
  // The total size of the fields of the definition with this hash associated
  // with the vehicle, or nothing when there is none.
  std::optional<std::int64_t> TamanhoMacro(std::int32_t hash, std::int32_t veiculo);

 private:
  struct Leitura5C;
  bool leMacro(Leitura5C& l, const xml::Element& elemento, Macro& macro);
  bool leCampo(Leitura5C& l, const xml::Element& elemento, CampoMacro& campo, std::int64_t& bytesUteis);
  void aviso(const Leitura5C& l, const std::string& mensagem);
  bool gravaDefinicoes(const std::vector<Macro>& macros, std::int32_t grupo, std::int32_t veiculo);
  void log(std::string_view mensagem, bool erro = false);

  db::Connection& dbZenthora_;
  const runtime::tConfiguracao& cfg_;
  const runtime::EstadoServidor& estado_;
  runtime::LogFiles& logs_;
  RespostaStatusErro& respostas_;
  tVerificaTransmissao& verifica_;
  common::tCadastroVeiculos& cadastro_;
  common::tQrVeiculo& qrVeiculo_;

  // prepared once, re-executed for every vehicle and definition
  db::Statement qrGrupo_;
  db::Statement delMacroVeic_;
  db::Statement insCfgMacro_;
  db::Statement insCfgMacroCampo_;
  db::Statement insMacroVeic_;
  db::Statement spRecMacro_;
  db::Statement qrTamanho_;
  db::Statement spMensagemFormatada_;
};

}  // namespace kvt::telecmd
