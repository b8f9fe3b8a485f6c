// 6A: one filled-in formatted message to a vehicle.

#include <stdexcept>

#include "platform/text/cp1252.h"
#include "platform/text/integer_text.h"
#include "server/common/elemento.h"
#include "server/telecmd/mensagens_formatadas.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::telecmd {

using namespace text::literals;

KVT_SQL(sqlTamanhoMacro,
        "select cm.idMacro , Soma = sum(mc.Tam) from tCfgMacro AS cm inner join tMacroVeic mv on "
        "cm.idMacro=mv.idMacro inner join tCfgMacroCampos mc on cm.idMacro=mc.idMacro where "
        "mv.idTerminal=:IdTerminal and cm.Hash = :Hash group by cm.IdMacro",
        "select cm.idMacro , sum(mc.Tam) AS Soma from tCfgMacro AS cm inner join tMacroVeic mv on "
        "cm.idMacro=mv.idMacro inner join tCfgMacroCampos mc on cm.idMacro=mc.idMacro where "
        "mv.idTerminal=:IdTerminal and cm.Hash = :Hash group by cm.IdMacro");
KVT_SQL(sqlMensagemFormatada,
        "execute spMensagemFormatada :IdTerminal,:Mensagem,:ConfirmaRecebimento,:Hash, "
        ":Origem,:DESABILITAR_GPRS,:IdUsuario,:IdSeqMsg,:IdMensagem",
        "execute spMensagemFormatada :IdTerminal,:Mensagem,:ConfirmaRecebimento,:Hash, "
        ":Origem,:DESABILITAR_GPRS,:IdUsuario,:IdSeqMsg,:IdMensagem");

namespace {

constexpr const char* kCodigo = "6A";
constexpr std::int32_t kElementoInvalido = 310;

std::optional<std::int32_t> numero(const xml::Element& e) {
  if (!e.hasTextChild()) return std::nullopt;
  return text::tryParseInt(e.value());
}

}  // namespace

std::optional<std::int64_t> tMensagensFormatadas::TamanhoMacro(std::int32_t hash, std::int32_t veiculo) {
  // Definitions keep the hash as a signed number, so it is looked up by that
  // number's text: the unsigned text of a hash of 80000000 hexadecimal or
  // above would never match what 5C stored.
  qrTamanho_.bindInt("IdTerminal", veiculo).bindText("Hash", TextoHashArmazenado(hash));
  qrTamanho_.open();
  std::optional<std::int64_t> soma;
  if (!qrTamanho_.eof()) soma = qrTamanho_.field("Soma").asInt64();
  qrTamanho_.close();
  return soma;
}

bool tMensagensFormatadas::EnviaMensagemFormatada(const PedidoTeleCmd& pedido) {
  const std::int32_t terminal = pedido.IdTerminal;
  const std::int32_t idSeqMsg = pedido.IdSeqMsg;
  const std::string terminalTexto = common::TextoTerminal(terminal);
  const auto recusa = [&](const std::string& mensagem, std::int32_t sts) {
    respostas_.RetornaErroXML(mensagem, kCodigo, terminalTexto, sts, idSeqMsg);
  };

  std::string texto;
  std::int32_t idMensagem = -1;
  std::string nroSeqMacro;
  std::int32_t confirmaRecebimento = 0;
  for (xml::Element e = pedido.raiz.firstChildElement(); e; e = e.nextSiblingElement()) {
    const std::string nome = common::NomeDoElemento(e);
    if (nome == "TEXTO") {
      if (!e.hasTextChild()) throw std::runtime_error("Tag <Texto> está em branco"_cp);
      texto = e.rawValue();
    } else if (nome == "IDMENSAGEM") {
      const auto v = numero(e);
      if (!v) {
        recusa("Tag <IdMensagem> está em branco, não é possível realizar a transmissão da mensagem livre"_cp,
               kElementoInvalido);
        return false;
      }
      idMensagem = *v;
    } else if (nome == "NROSEQMACRO") {
      const std::string lido = common::TextoDoElemento(e);
      if (lido.empty()) {
        recusa("Tag <NROSEQMACRO> inválido ("_cp + nroSeqMacro + "), não é possível realizar a transmissão da mensagem"_cp,
               kElementoInvalido);
        log("Verifique a Tag <NROSEQMACRO>, está em branco, assumido valor 0"_cp);
        return false;
      }
      nroSeqMacro = lido;
    } else if (nome == "CONFIRMARECEBIMENTO") {
      const auto v = numero(e);
      if (!v) {
        recusa("Tag <ConfirmaRecebimento> está em branco, não é possível realizar a transmissão da mensagem"_cp,
               kElementoInvalido);
        return false;
      }
      if (*v != 0 && *v != 1) {
        recusa("Tag <ConfirmaRecebimento> inválida, não é possível realizar a transmissão da mensagem"_cp,
               kElementoInvalido);
        return false;
      }
      confirmaRecebimento = *v;
    }
  }
  const std::int32_t hash = HexParaInt(nroSeqMacro).value_or(0);

  const std::optional<std::int64_t> soma = TamanhoMacro(hash, terminal);
  if (!soma) {
    recusa("IdTerminal: " + std::to_string(terminal) + " não possui mensagem formatada: "_cp + nroSeqMacro +
               " associada. IdMensagem: " + std::to_string(idMensagem),
           309);
    return false;
  }
  if (idSeqMsg == -1 || terminal == -1) {
    respostas_.RetornaErroXML("Telecomando incompleto", "", "", 0, -1);
    return false;
  }
  if (!qrVeiculo_.Rastreador(terminal)) {
    recusa("Terminal desconhecido ou modelo incompativel para esse telecomando", 302);
    return false;
  }
  if (!estado_.BaseAtiva) {
    recusa("Base fora do ar, não é possível realizar a transmissão do telecomando"_cp, 306);
    return false;
  }
  if (static_cast<std::int64_t>(texto.size()) < *soma) texto.resize(static_cast<std::size_t>(*soma), ' ');

  const Transmissao t = verifica_.VerificaTransmissao(kCodigo, terminal);
  if (!t.permitido) {
    const std::string ri = "RI (" + std::to_string(terminal) + ") esta ";
    if (t.sleep)
      recusa(ri + "em modo economia (ModoSleep) e nao é permitido o envio do Telecomando [6A]"_cp, 308);
    else
      recusa(ri + "sem comunicacao GPRS e o telecomando (6A) nao e permitido envio em Satelite", 301);
    return false;
  }

  spMensagemFormatada_.bindInt("IdTerminal", terminal)
      .bindText("Mensagem", texto)
      .bindInt("ConfirmaRecebimento", confirmaRecebimento)
      .bindText("Hash", TextoHashSemSinal(hash))
      .bindText("Origem", cfg_.NOME_MR)
      .bindInt("DESABILITAR_GPRS", t.DESABILITAR_GPRS)
      .bindInt("IdUsuario", pedido.IdUsuario)
      .bindInt("IdSeqMsg", idSeqMsg)
      .bindInt("IdMensagem", idMensagem);
  spMensagemFormatada_.open();
  const std::int32_t idSequencia = spMensagemFormatada_.eof() ? 0 : spMensagemFormatada_.field(std::size_t{0}).asInt();
  spMensagemFormatada_.close();
  log("Enviando Mensagens Formatadas para IdTerminal[" + std::to_string(terminal) + "] IdSeqMsg[" +
      std::to_string(idSeqMsg) + "] IdMensagem[" + std::to_string(idMensagem) + "] Texto[" + texto + "]" +
      " IdSequencia" + std::to_string(idSequencia));
  return true;
}

}  // namespace kvt::telecmd
