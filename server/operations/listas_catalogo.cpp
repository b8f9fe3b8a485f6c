// The catalogue lists of the operations module: operations with their items
// (-2), configuration profiles (-4), formatted messages (-12), stop-logistics
// messages (-13) and those configured for one tracker (-14), and the
// pre-defined messages (-16). Each list is one reply body for every client.

#include <cmath>
#include <cstdio>

#include "platform/text/cp1252.h"
#include "platform/text/hex_text.h"
#include "server/operations/operacao.h"
#include "server/common/elemento.h"
#include "server/common/mensagem_pre.h"
#include "server/operations/resposta.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::operations {

using namespace text::literals;
using telecmd::LimpaAcentos;
using telecmd::LimpaTextoXML;

KVT_SQL(sqlOperacaoItens,
        "SELECT OP.IdOperacao, OP.Nome, ItemO.IDConfiguracao, ItemO.NomeConfiguracao,\r\n"
        "       ItemO.IdOpcao,ItemO.NomeOpcaoConf\r\n"
        "FROM tOperacao AS OP INNER JOIN tItensOperacao AS ItemO\r\n"
        "   ON OP.IdOperacao = ItemO.IdOperacao",
        "SELECT OP.IdOperacao, OP.Nome, ItemO.IDConfiguracao, ItemO.NomeConfiguracao, "
        "ItemO.IdOpcao, ItemO.NomeOpcaoConf "
        "FROM tOperacao AS OP INNER JOIN tItensOperacao AS ItemO ON OP.IdOperacao = ItemO.IdOperacao "
        "ORDER BY ItemO.IdItem");

KVT_SQL(sqlOpcoesOperacao,
        "SELECT IdOpcao, NomeOpcao, CodMsgHex\r\n"
        "FROM tOpcoesOperacao",
        "SELECT IdOpcao, NomeOpcao, CodMsgHex FROM tOpcoesOperacao");

KVT_SQL(sqlItensConfiguracao, "EXEC  spOpcoesOperacao :IdOpcao", "EXEC  spOpcoesOperacao :IdOpcao");

KVT_SQL(sqlListaMsgFormatada,
        "SELECT MF.idMacro, MF.Titulo, MFC.idCampo, MFC.Nome, MFC.Tam, MFC.Obrig, MFC.Tipo, MF.Hash, MF.TE, MF.TC\r\n"
        "FROM tCfgMacro AS MF INNER JOIN tCfgMacroCampos AS MFC\r\n"
        "     ON MF.idMacro = MFC.idMacro\r\n"
        "ORDER BY MF.idMacro",
        "SELECT MF.idMacro, MF.Titulo, MFC.idCampo, MFC.Nome, MFC.Tam, MFC.Obrig, MFC.Tipo, MF.Hash, MF.TE, MF.TC "
        "FROM tCfgMacro AS MF INNER JOIN tCfgMacroCampos AS MFC ON MF.idMacro = MFC.idMacro "
        "ORDER BY MF.idMacro, MFC.idCampo");

KVT_SQL(sqlMensagemExtensaoLogistica,
        "select TipoMsg, Mensagem from tMensagemExtensaoLogistica \r\n"
        "where Visivel = 1\r\n"
        "order by TipoMsg, Mensagem",
        "SELECT TipoMsg, Mensagem FROM tMensagemExtensaoLogistica WHERE Visivel = 1 ORDER BY TipoMsg, Mensagem");

KVT_SQL(sqlMensagemExtensaoLogisticaRast,
        "Select cf.Sequencia, mel.TipoMsg, mel.Mensagem\r\n"
        "From\r\n"
        "    tMensagemExtensaoLogistica As mel \r\n"
        "left join tCfgMensagemExtensaoLogistica As cf \r\n"
        "    on (mel.idMsg = cf.idMsg\r\n"
        "        and mel.TipoMsg = cf.TipoMsg\r\n"
        "        and cf.IdConfig = 0\r\n"
        "        and cf.IdTerminal = :IdTerminal\r\n"
        "        and isNull(cf.IdSequencia, 0) = 0)\r\n"
        "Where\r\n"
        "    cf.Sequencia is not null\r\n"
        "order by mel.TipoMsg, cf.Sequencia",
        "SELECT cf.Sequencia, mel.TipoMsg, mel.Mensagem "
        "FROM tMensagemExtensaoLogistica AS mel "
        "LEFT JOIN tCfgMensagemExtensaoLogistica AS cf "
        "ON (mel.idMsg = cf.idMsg AND mel.TipoMsg = cf.TipoMsg AND cf.IdConfig = 0 AND cf.IdTerminal = :IdTerminal "
        "AND ifnull(cf.IdSequencia, 0) = 0) "
        "WHERE cf.Sequencia IS NOT NULL "
        "ORDER BY mel.TipoMsg, cf.Sequencia");

KVT_SQL(sqlListaMsgPre,
        "SELECT IdMsg, IdMsgSub, Mensagem\r\n"
        "FROM tMensagemPre_Zeta\r\n"
        "WHERE IdMsg           >= 32\r\n"
        "ORDER BY   IdMsg,IdMsgSub",
        "SELECT IdMsg, IdMsgSub, Mensagem FROM tMensagemPre_Zeta WHERE IdMsg >= 32 ORDER BY IdMsg, IdMsgSub");

namespace {

// The kinds listed by -4 end at the first option of this number or more.
constexpr std::int32_t kPrimeiraOpcaoNaoListada = 26;

// A value of a body that goes through LimpaAcentos as a whole: cleaned the
// same way here, and with no markup left.
std::string SemAcentos(std::string_view texto) { return Literal(LimpaAcentos(texto)); }

// The hash of a formatted message, rounded, as upper-case hexadecimal of its
// 32 bits (the hash is a signed 32-bit number).
std::string HashHexadecimal(double hash) {
  const auto inteiro = static_cast<std::int64_t>(std::nearbyint(hash));
  char texto[16];
  std::snprintf(texto, sizeof texto, "%X", static_cast<unsigned>(static_cast<std::uint32_t>(inteiro)));
  return texto;
}

// Clients see TE and TC as sent; the central stores their negation.
const char* Negado(std::int64_t armazenado) { return armazenado == 0 ? "1" : "0"; }

}  // namespace

void TdmOperacao::ListaOperacoes() {
  db::Statement& qr = *qrOperacaoItens_;
  if (qr.isOpen()) qr.close();
  qr.open();
  std::string corpo = CabecalhoResposta("-41");
  while (!qr.eof()) {
    const std::int64_t id = qr.field("IdOperacao").asInt64();
    corpo += " <Operacao> ";
    corpo += "<IdOperacao> " + std::to_string(id) + " </IdOperacao>";
    corpo += "<NomeOperacao> " + LimpaTextoXML(Texto(qr, "Nome")) + " </NomeOperacao>";
    do {
      corpo += " <Item>";
      corpo += "<IdItem> " + Numero(qr, "IDConfiguracao") + " </IdItem>";
      corpo += "<NomeItem> " + LimpaTextoXML(Texto(qr, "NomeConfiguracao")) + " </NomeItem>";
      corpo += "<IdTipoItem> " + Numero(qr, "IdOpcao") + " </IdTipoItem>";
      corpo += "<NomeTipoItem> " + Literal(Texto(qr, "NomeOpcaoConf")) + " </NomeTipoItem>";
      corpo += "</Item>";
      qr.next();
    } while (!qr.eof() && qr.field("IdOperacao").asInt64() == id);
    corpo += "</Operacao> ";
  }
  qr.close();
  envia(corpo);
}

void TdmOperacao::ListaPerfisConfiguracao() {
  db::Statement& opcoes = *qrOpcoesOperacao_;
  db::Statement& itens = *qrItensConfiguracao_;
  if (opcoes.isOpen()) opcoes.close();
  opcoes.open();
  std::string corpo = CabecalhoResposta("-43");
  for (; !opcoes.eof(); opcoes.next()) {
    const std::int64_t opcao = opcoes.field("IdOpcao").asInt64();
    if (opcao >= kPrimeiraOpcaoNaoListada) break;
    itens.bindInt("IdOpcao", opcao);
    for (itens.open(); !itens.eof(); itens.next()) {
      corpo += " <PerfilConfiguracao> ";
      corpo += "<IdPerfilConfiguracao> " + Numero(itens, "IdConfiguracao") + " </IdPerfilConfiguracao>";
      corpo += "<NomePerfilConfiguracao> " + LimpaTextoXML(Texto(itens, "NomeConfiguracao")) +
               " </NomePerfilConfiguracao>";
      corpo += "<TipoConfiguracao> " + std::to_string(opcao) + " </TipoConfiguracao>";
      corpo += " </PerfilConfiguracao> ";
    }
    itens.close();
  }
  opcoes.close();
  envia(corpo);
}

void TdmOperacao::ListaMensagensFormatadas() {
  db::Statement& qr = *qrListaMsgFormatada_;
  if (qr.isOpen()) qr.close();
  qr.open();
  std::string corpo = LimpaAcentos(CabecalhoResposta("-51"));
  while (!qr.eof()) {
    const std::int64_t id = qr.field("idMacro").asInt64();
    corpo += "<MensagemFormatada> ";
    corpo += "<IdMensagemFormatada> " + std::to_string(id) + " </IdMensagemFormatada>";
    corpo += "<NroSeqMacro> " + HashHexadecimal(qr.field("Hash").asFloat()) + " </NroSeqMacro>";
    corpo += "<TE> " + std::string(Negado(qr.field("TE").asInt64())) + " </TE>";
    corpo += "<TC> " + std::string(Negado(qr.field("TC").asInt64())) + " </TC>";
    corpo += "<NomeMensagemFormatada> " + SemAcentos(Texto(qr, "Titulo")) + " </NomeMensagemFormatada>";
    do {
      corpo += " <Campo> ";
      corpo += " <IdCampo> " + Numero(qr, "idCampo") + " </IdCampo>";
      corpo += " <NomeCampo> " + SemAcentos(Texto(qr, "Nome")) + " </NomeCampo>";
      corpo += " <TamCampo> " + Numero(qr, "Tam") + " </TamCampo>";
      corpo += " <ObrigCampo> " + Numero(qr, "Obrig") + " </ObrigCampo>";
      corpo += " <TipoCampo> " + Numero(qr, "Tipo") + " </TipoCampo>";
      corpo += " </Campo> ";
      qr.next();
    } while (!qr.eof() && qr.field("idMacro").asInt64() == id);
    corpo += " </MensagemFormatada>";
  }
  qr.close();
  envia(corpo);
}

void TdmOperacao::ListaMensagensELP() {
  db::Statement& qr = *qrMensagemExtensaoLogistica_;
  if (qr.isOpen()) qr.close();
  qr.open();
  std::string corpo = LimpaAcentos(CabecalhoResposta("-59"));
  corpo += " <MensagensELP> ";
  for (; !qr.eof(); qr.next()) {
    corpo += "<MensagemELP> ";
    corpo += "<TipoMsg> " + Numero(qr, "TipoMsg") + " </TipoMsg>";
    corpo += "<Mensagem> " + SemAcentos(Texto(qr, "Mensagem")) + " </Mensagem>";
    corpo += " </MensagemELP>";
  }
  corpo += " </MensagensELP> ";
  qr.close();
  envia(corpo);
}

}  // namespace kvt::operations

namespace kvt::operations {

void TdmOperacao::ListaMensagensELPRastreador(const xml::Element& raiz) {
  bool presente = false;
  std::string terminalTexto;
  std::int32_t terminal = 0;
  for (xml::Element e = raiz.firstChildElement(); e; e = e.nextSiblingElement()) {
    if (!common::ElementoChamado(e, "IDTERMINAL")) continue;
    terminalTexto = common::TextoDoElemento(e);
    const auto n = text::HexParaInt(terminalTexto);
    if (!n) {
      respostas_.Retorna_Status_Erro_XML(
          "Tag <IdTerminal> está em branco, não é possível obter as mensagens desse rastreador"_cp, "", "", 0, -1);
      return;
    }
    terminal = *n;
    presente = true;
  }
  if (!presente) {
    respostas_.Retorna_Status_Erro_XML(
        "Telecomando incompleto, não é possível obter as mensagens desse rastreador"_cp, "", "", 0, -1);
    return;
  }

  std::string corpo = CabecalhoResposta("-60") + " <IdTerminal> " + Literal(terminalTexto) + " </IdTerminal>";
  if (!veiculoHabilitado(terminal)) {
    corpo += " <StsMensagemELP> 1 </StsMensagemELP>";
    return envia(corpo);
  }
  db::Statement& qr = *qrMensagemExtensaoLogisticaRast_;
  qr.bindInt("IdTerminal", terminal);
  qr.open();
  if (qr.eof()) {
    qr.close();
    corpo += " <StsMensagemELP> 2 </StsMensagemELP>";
    return envia(corpo);
  }
  corpo += " <StsMensagemELP> 0 </StsMensagemELP>";
  corpo += " <MensagensELP>";
  for (; !qr.eof(); qr.next()) {
    corpo += " <MensagemELP> ";
    corpo += " <TipoMsg> " + Numero(qr, "TipoMsg") + " </TipoMsg> ";
    corpo += " <Sequencia> " + Numero(qr, "Sequencia") + "  </Sequencia> ";
    corpo += " <Mensagem> " + Literal(Texto(qr, "Mensagem")) + "</Mensagem> ";
    corpo += " </MensagemELP> ";
  }
  corpo += " </MensagensELP>";
  qr.close();
  envia(corpo);
}

void TdmOperacao::ListaMensagensPre() {
  db::Statement& qr = *qrListaMsgPre_;
  if (qr.isOpen()) qr.close();
  qr.open();
  std::string corpo = LimpaAcentos(CabecalhoResposta("-63"));
  // The group's heading goes in front of each of its messages; a heading row
  // is a message of its own only when its group has no other row.
  std::string cabecalho;
  while (!qr.eof()) {
    const std::string mensagem = cabecalho + qr.field("Mensagem").asString();
    const std::int32_t grupo = qr.field("IdMsg").asInt();
    const std::int32_t sub = qr.field("IdMsgSub").asInt();
    qr.next();
    const bool ultima = qr.eof();
    const std::int32_t grupoAtual = ultima ? grupo : qr.field("IdMsg").asInt();
    bool emite = true;
    if (grupoAtual != grupo) {
      cabecalho.clear();
    } else if (sub == 0) {
      cabecalho = mensagem + " ";
      emite = false;
    }
    if (emite) {
      corpo += "<MensagemPre> ";
      corpo += "<IdMensagemPre> " + std::to_string(common::IdMensagemPre(grupo, sub)) + " </IdMensagemPre>";
      corpo += " <Mensagem> " + SemAcentos(mensagem) + " </Mensagem>";
      corpo += "</MensagemPre>";
    }
  }
  qr.close();
  envia(corpo);
}

}  // namespace kvt::operations
