#include <string>

#include "platform/db/db.h"
#include "server/events/custom_event.h"

namespace kvt::events {

KVT_SQL(sqlDef_Modulo_Porta,
        "SELECT Modulo_Porta = MD.Modulo * 65536 + MD.Porta, MD.Descricao, TipoLogico, MD.TipoCompilador, "
        "SQL_Processo,Identificador\r\n"
        "FROM tDef_Modulo_Porta as MD, tDef_Variavel as V\r\n"
        "WHERE MD.Porta=V.Porta and MD.Modulo = V.Modulo",
        "SELECT MD.Modulo * 65536 + MD.Porta AS Modulo_Porta, MD.Descricao, TipoLogico, MD.TipoCompilador, "
        "SQL_Processo, Identificador "
        "FROM tDef_Modulo_Porta AS MD, tDef_Variavel AS V "
        "WHERE MD.Porta = V.Porta AND MD.Modulo = V.Modulo");

KVT_SQL(sqlEventoPersonalizado,
        "SELECT * FROM tEventoPersonalizado WHERE IdEvento = :IdEvento AND Sistema = :Sistema",
        "SELECT * FROM tEventoPersonalizado WHERE IdEvento = :IdEvento AND Sistema = :Sistema");

DefinicoesModuloPorta CarregaDef_Modulo_Porta(db::Connection& dbZenthora) {
  db::Statement consulta(dbZenthora, sqlDef_Modulo_Porta());
  consulta.open();
  std::vector<DefModuloPorta> linhas;
  for (; !consulta.eof(); consulta.next()) {
    DefModuloPorta d;
    d.Modulo_Porta = consulta.field("Modulo_Porta").asInt();
    d.Descricao = consulta.field("Descricao").asString();
    d.TipoLogico = consulta.field("TipoLogico").asString();
    d.TipoCompilador = consulta.field("TipoCompilador").asInt();
    d.SQL_Processo = consulta.field("SQL_Processo").asString();
    d.Identificador = consulta.field("Identificador").asString();
    linhas.push_back(std::move(d));
  }
  return DefinicoesModuloPorta(std::move(linhas));
}

LeituraEventoPersonalizado leituraEventoPersonalizado(db::Connection& dbZenthora) {
  return [&dbZenthora](std::int32_t idEvento, std::int32_t sistema) -> std::optional<EventoPersonalizado> {
    db::Statement consulta(dbZenthora, sqlEventoPersonalizado());
    consulta.bindInt("IdEvento", idEvento).bindInt("Sistema", sistema);
    consulta.open();
    if (consulta.eof()) return std::nullopt;
    EventoPersonalizado evento;
    evento.Descricao = consulta.field("Descricao").asString();
    evento.Tipo = consulta.field("Tipo").asString();
    for (std::size_t k = 1; k <= evento.ModuloPorta.size(); ++k) {
      const std::string coluna = "Modulo" + std::to_string(k) + "_Porta" + std::to_string(k);
      evento.ModuloPorta[k - 1] = consulta.field(coluna).asInt();
    }
    return evento;
  };
}

}  // namespace kvt::events
