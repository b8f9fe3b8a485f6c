#include "platform/db/db.h"
#include "server/events/logistic_complement.h"

namespace kvt::events {

KVT_SQL(sqlPesquisaAlvo,
        "SELECT TOP 1 Nome_Alvo\r\n"
        "FROM tCfgAlvoVeic CAV\r\n"
        "INNER JOIN tOpRemota OP ON CAV.IdSequencia = OP.IdSequencia\r\n"
        "WHERE OP.DiagnosticoOpRemota = 0 AND\r\n"
        "      CAV.IdTerminal = :IdTerminal AND\r\n"
        "      CAV.NumOrdemRef = :IdAlvo\r\n"
        "ORDER BY CAV.IdSequencia DESC",
        "SELECT Nome_Alvo FROM tCfgAlvoVeic CAV "
        "INNER JOIN tOpRemota OP ON CAV.IdSequencia = OP.IdSequencia "
        "WHERE OP.DiagnosticoOpRemota = 0 AND CAV.IdTerminal = :IdTerminal AND CAV.NumOrdemRef = :IdAlvo "
        "ORDER BY CAV.IdSequencia DESC LIMIT 1");

PesquisaAlvo pesquisaAlvo(db::Connection& dbZenthora) {
  return [&dbZenthora](std::int32_t terminal, std::int32_t alvo) -> std::optional<std::string> {
    db::Statement consulta(dbZenthora, sqlPesquisaAlvo());
    consulta.bindInt("IdTerminal", terminal).bindInt("IdAlvo", alvo);
    consulta.open();
    if (consulta.eof()) return std::nullopt;
    return consulta.field("Nome_Alvo").asString();
  };
}

}  // namespace kvt::events
