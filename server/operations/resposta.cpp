#include "server/operations/resposta.h"

#include "server/telecmd/texto_xml.h"

namespace kvt::operations {

std::string CabecalhoResposta(std::string_view codigo) {
  std::string corpo = " <DataHoraEm> " + telecmd::DataHoraAtual() + " </DataHoraEm> ";
  corpo += " <CodMsg> ";
  corpo += codigo;
  corpo += " </CodMsg> ";
  return corpo;
}

std::string Literal(std::string_view texto) { return telecmd::EscapaTextoXML(texto); }

std::string Texto(const db::Statement& st, std::string_view coluna) { return st.field(coluna).asString(); }

std::string Numero(const db::Statement& st, std::string_view coluna) {
  return std::to_string(st.field(coluna).asInt64());
}

}  // namespace kvt::operations
