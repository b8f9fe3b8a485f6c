#include "server/operations/perfil_configuracao.h"

#include <stdexcept>

#include "platform/text/cp1252.h"
#include "platform/text/trim.h"

namespace kvt::operations {

using namespace text::literals;

PerfilConfiguracao LePerfilConfiguracao(db::Statement& qr, std::int32_t idOpcao) {
  PerfilConfiguracao p;
  qr.bindInt("IdOpcao", idOpcao);
  qr.open();
  if (!qr.eof()) {
    p.TabelaConf = text::trim(qr.field("TabelaConf").asString());
    p.FlagCentralRastSeg = qr.field("FlagCentralRastSeg").asString();
    p.CodMsgHex = text::trim(qr.field("CodMsgHex").asString());
  }
  qr.close();
  return p;
}

std::string_view ColunaFlag(std::int32_t tipo) {
  switch (tipo) {
    case 8:
    case 9:
    case 12:
    case 13: return "FlagCentralRastSeg";
    case 10:
    case 11: return "FlagCentralSegRast";
    default: return {};
  }
}

std::string CondicaoFlag(std::int32_t tipo, std::string_view flag) {
  const std::string_view coluna = ColunaFlag(tipo);
  if (coluna.empty()) return {};
  std::string literal;
  for (char c : flag) {
    literal += c;
    if (c == '\'') literal += '\'';  // a quote of the catalogue stays a character of the value
  }
  return "AND " + std::string(coluna) + " = '" + literal + "'";
}

std::string NomeDeTabela(std::string_view tabela) {
  auto permitido = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           c == '[' || c == ']';
  };
  bool ok = !tabela.empty();
  for (char c : tabela) ok = ok && permitido(c);
  if (!ok) throw std::runtime_error("Tabela de configuração inválida no catálogo tOpcoesOperacao: "_cp + std::string(tabela));
  return std::string(tabela);
}

}  // namespace kvt::operations
