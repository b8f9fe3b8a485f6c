// The status of a vehicle's last operation transmission (-26): the operation
// and, for each of its items, the state of the telecommand that carries it.

#include "platform/text/cp1252.h"
#include "server/operations/leitura_pedido.h"
#include "server/operations/operacao.h"
#include "server/operations/resposta.h"

namespace kvt::operations {

using namespace text::literals;

KVT_SQL(sqlLastTransOperacao,
        "SELECT TOP 1 IdTransOperacao,  NomeOperacao, IdOperacao, DtTransmissao\r\n"
        "FROM   tTransOperacao \r\n"
        "WHERE  IdTerminal = :IdTerminal\r\n"
        "ORDER  BY DtTransmissao DESC",
        "SELECT IdTransOperacao, NomeOperacao, IdOperacao, DtTransmissao FROM tTransOperacao "
        "WHERE IdTerminal = :IdTerminal ORDER BY DtTransmissao DESC, IdTransOperacao DESC LIMIT 1");

namespace {

// The text of an item's state, computed by the central from the item's
// IdSequencia, its telecommand's StatusEnvio (`estado`, -1 when there is none)
// and the vehicle's diagnosis of the remote operation. `concatena` joins texts
// in the dialect; `texto3` writes the state as a text of at most 3 characters.
std::string CasoStatus(const std::string& estado, const std::string& concatena, const std::string& texto3) {
  auto quando = [&](const char* valor, const std::string& texto) {
    return "  WHEN " + estado + " = " + valor + " THEN '" + texto + "'\r\n";
  };
  std::string s = "CASE\r\n";
  s += "  WHEN T1.IdSequencia = -1 THEN 'Rastreador incompatível.'\r\n"_cp;
  s += "  WHEN T1.IdSequencia = -2 THEN 'Configuração sem permissão na Central Cliente'\r\n"_cp;
  s += quando("-1", "Falha no Telecomando");
  s += quando("-2", "Configuração sem permissão na Central Cliente"_cp);
  s += "  WHEN " + estado + " = 0 THEN 'Enviado' " + concatena + " CASE\r\n";
  s += "    WHEN O.DiagnosticoOpRemota = 0 THEN ' e processado com sucesso pelo veículo'\r\n"_cp;
  s += "    WHEN O.DiagnosticoOpRemota = 255 THEN ' e aguardando processamento do veículo'\r\n"_cp;
  s += "    WHEN O.DiagnosticoOpRemota IS NULL OR O.DiagnosticoOpRemota = 100 THEN ''\r\n";
  s += "    ELSE ' e processado com erros pelo veículo  ' END\r\n"_cp;
  s += quando("1", "Tentativas de envio esgotadas    ");
  s += quando("16", "Aguardando conexão com veículo..."_cp);
  s += quando("132", "Telecomando descartado           ");
  s += quando("200", "Aguardando um teleevento...      ");
  s += quando("254", "Cancelado pelo operador          ");
  s += quando("255", "Impossível cancelar              "_cp);
  s += quando("257", "Veículo desconhecido pela base   "_cp);
  s += quando("258", "Uso não autorizado do veículo    "_cp);
  s += quando("259", "Telecomando desconhecido         ");
  s += "  ELSE 'Erro desconhecido: ' " + concatena + " " + texto3 + "\r\n";
  s += "END";
  return s;
}

std::string TextoStatusTransOperacao(bool mssql) {
  const std::string estado = mssql ? "IsNull(TC.StatusEnvio, -1)" : "ifnull(TC.StatusEnvio, -1)";
  const std::string caso = mssql ? CasoStatus(estado, "+", "LEFT(CONVERT(varchar(12), " + estado + "), 3)")
                                 : CasoStatus(estado, "||", "substr(CAST(" + estado + " AS TEXT), 1, 3)");
  return "SELECT T1.IdConfiguracao, T1.IdOpcao, T1.IdSequencia, T2.NomeOpcaoConf, T2.NomeConfiguracao,\r\n"
         "       " + estado + " AS StatusEnvio,\r\n"
         "       " + caso + " AS Status,\r\n"
         "       tm.Descricao AS Descricao\r\n"
         "FROM tTransItensOperacao T1\r\n"
         "INNER JOIN tItensOperacao T2 ON T1.IdConfiguracao = T2.IdConfiguracao AND T1.IdOpcao = T2.IdOpcao\r\n"
         "      AND T1.IdTransOperacao = :IdTransOperacao\r\n"
         "LEFT JOIN tTelecomando TC ON TC.IdSequencia = T1.IdSequencia\r\n"
         "LEFT JOIN tOpRemota O ON O.IdSequencia = T1.IdSequencia\r\n"
         "LEFT JOIN tMensagem tm ON tm.CodMsg = TC.CodMsg\r\n"
         "WHERE T2.IdOperacao = :IdOperacao" + std::string(mssql ? "" : "\r\nORDER BY T1.IdTransItem");
}

}  // namespace

KVT_SQL(sqlStatusTransOperacao, TextoStatusTransOperacao(true), TextoStatusTransOperacao(false));

void TdmOperacao::StatusTransmissaoOperacao(const xml::Element& raiz) {
  static constexpr std::array<ElementoPedido, 1> kPedido{{{"IdTerminal", Leitura::Hexadecimal}}};
  const auto pedido =
      LePedido(raiz, kPedido, {"não é possível obter o status da transmissão da Operação"_cp, ""});
  if (pedido.erro) return erro(*pedido.erro);
  const std::int32_t terminal = pedido.numero(0);

  std::string corpo = CabecalhoResposta("-57") + " <IdTerminal> " + Literal(pedido.texto(0)) + " </IdTerminal>";
  if (!veiculoHabilitado(terminal)) {
    corpo += " <StsOperacao> 1 </StsOperacao>";
    return envia(corpo);
  }
  db::Statement& ultima = *qrLastTransOperacao_;
  ultima.bindInt("IdTerminal", terminal);
  ultima.open();
  if (ultima.eof()) {
    ultima.close();
    corpo += " <StsOperacao> 2 </StsOperacao>";
    return envia(corpo);
  }
  const std::int64_t idTrans = ultima.field("IdTransOperacao").asInt64();
  const std::int64_t idOperacao = ultima.field("IdOperacao").asInt64();
  corpo += " <StsOperacao> 0 </StsOperacao>";
  corpo += " <IdOperacao> " + std::to_string(idOperacao) + " </IdOperacao> ";
  corpo += " <NomeOperacao> " + Literal(Texto(ultima, "NomeOperacao")) + " </NomeOperacao> ";
  ultima.close();

  db::Statement& itens = *qrStatusTransOperacao_;
  itens.bindInt("IdTransOperacao", idTrans).bindInt("IdOperacao", idOperacao);
  for (itens.open(); !itens.eof(); itens.next()) {
    corpo += " <Item> ";
    corpo += " <IdItem> " + Numero(itens, "IdConfiguracao") + " </IdItem> ";
    corpo += " <NomeItem> " + Literal(Texto(itens, "NomeConfiguracao")) + "  </NomeItem> ";
    corpo += " <TipoItem> " + Numero(itens, "IdOpcao") + "</TipoItem> ";
    corpo += " <DescItem> " + Literal(Texto(itens, "Descricao")) + "</DescItem> ";
    corpo += " <StatusItem> " + Literal(Texto(itens, "Status")) + "</StatusItem> ";
    corpo += " </Item> ";
  }
  itens.close();
  envia(corpo);
}

}  // namespace kvt::operations
