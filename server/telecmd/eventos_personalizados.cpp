// The custom events (-30): every event the central's users defined, with the
// value type and element name of each input it reads.

#include <string>

#include "server/telecmd/consultas.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::telecmd {

KVT_SQL(sqlEventosPersonalizados, "SELECT * FROM tEventoPersonalizado WHERE Sistema = 0",
        "SELECT * FROM tEventoPersonalizado WHERE Sistema = 0");

void tConsultas::ListaEventosPersonalizados() {
  db::Statement st(teleCmd_.dbZenthora(), sqlEventosPersonalizados());
  st.open();
  std::string corpo =
      " <DataHoraEm> " + DataHoraAtual() + " </DataHoraEm> " + " <CodMsg> " + "-65" + " </CodMsg> ";
  for (; !st.eof(); st.next()) {
    // values are not cleaned; they are only kept from being read as markup
    corpo += "<EventoPersonalizado>" + std::string(" <IdEvtPersonalizado> ") + st.field("IdEvento").asString() +
             " </IdEvtPersonalizado> " + " <DescEvtPersonalizado> " + EscapaTextoXML(st.field("Descricao").asString()) +
             " </DescEvtPersonalizado>" + " <TipoEvtPersonalizado> " + EscapaTextoXML(st.field("Tipo").asString()) +
             " </TipoEvtPersonalizado> " + " <Complemento> ";
    for (int n = 1; n <= 10; ++n) {
      const std::string coluna = "Modulo" + std::to_string(n) + "_Porta" + std::to_string(n);
      const auto entrada = qrDef_Modulo_Porta_ ? qrDef_Modulo_Porta_(st.field(coluna).asInt()) : std::nullopt;
      if (!entrada) continue;
      corpo += "<Tipo> " + std::to_string(entrada->TipoCompilador) + " </Tipo>" + "<Nome> " +
               EscapaTextoXML(entrada->Identificador) + " </Nome> ";
    }
    corpo += " </Complemento> </EventoPersonalizado>";
  }
  st.close();
  teleCmd_.EnviaResposta(corpo);
}

}  // namespace kvt::telecmd
