#include "server/telecmd/permissao_central.h"

#include "platform/text/cp1252.h"

namespace kvt::telecmd {

using namespace text::literals;

KVT_SQL(sqlComunicacaoDaCentral, "select valor from tcontadorgenerico where nomeCont = 'ComunicacaoDaCentral'",
        "select valor from tcontadorgenerico where nomeCont = 'ComunicacaoDaCentral'");

KVT_SQL(sqlConfigCentral,
        "select idterminal, idopcaoconfig, ipcentralorigem from tConfigCentral where idterminal = :idterminal",
        "select idterminal, idopcaoconfig, ipcentralorigem from tConfigCentral where idterminal = :idterminal");

KVT_SQL(sqlCentralDestinoPermissoes,
        "select ipcentralorigem, ipcentraldestino, tipomsg, codmsg from tCentralDestinoPermissoes where "
        "ipcentralorigem = :ipcentralorigem and ipcentraldestino = :ipcentraldestino and tipomsg = :tipomsg and "
        "codmsg = :codmsg",
        "select ipcentralorigem, ipcentraldestino, tipomsg, codmsg from tCentralDestinoPermissoes where "
        "ipcentralorigem = :ipcentralorigem and ipcentraldestino = :ipcentraldestino and tipomsg = :tipomsg and "
        "codmsg = :codmsg");

bool tPermissaoCentral::PermissaoCentral(std::int32_t codMsg, std::int32_t idTerminal, const std::string& reporta) {
  const bool reportar = reporta == "S";
  const std::string codigo = std::to_string(codMsg);

  // Communication of this central switched off (no counter row counts as off).
  std::int32_t valor = 0;
  {
    db::Statement st(dbZenthora_, sqlComunicacaoDaCentral());
    st.open();
    if (!st.eof()) valor = st.field(std::size_t{0}).asInt();
  }
  if (valor == 0) {
    if (reportar)
      respostas_.Retorna_Status_Erro_XML(
          "Central desativada, nao e permitido o envio do telecomando com [CodMsg] igual a " + codigo + " ", "", "",
          0, -1);
    return false;
  }

  // Only vehicles configured from a server central are restricted.
  std::int32_t opcaoConfig = 0;
  std::string centralOrigem;
  {
    db::Statement st(dbZenthora_, sqlConfigCentral());
    st.bindInt("idterminal", idTerminal);
    st.open();
    if (!st.eof()) {
      opcaoConfig = st.field("idopcaoconfig").asInt();
      centralOrigem = st.field("ipcentralorigem").asString();
    }
  }
  if (opcaoConfig != 1) return true;

  std::string barrado;
  {
    db::Statement st(dbZenthora_, sqlCentralDestinoPermissoes());
    st.bindText("ipcentralorigem", centralOrigem);
    st.bindText("ipcentraldestino", "127.0.0.1");
    st.bindText("tipomsg", "TC");
    st.bindInt("codmsg", codMsg);
    st.open();
    if (!st.eof()) barrado = st.field("ipcentralorigem").asString();
  }
  // An empty server-central address equals the empty result of a search that
  // found nothing, so such a vehicle is barred for every code.
  if (barrado != centralOrigem) return true;

  if (reportar)
    respostas_.Retorna_Status_Erro_XML("Telecomando com o [CodMsg] igual a "_cp + codigo +
                                           " para o [IdTerminal] igual a  " + std::to_string(idTerminal) +
                                           " não permitido o envio pela Central Servidora !"_cp,
                                       "", "", 0, -1);
  return false;
}

}  // namespace kvt::telecmd
