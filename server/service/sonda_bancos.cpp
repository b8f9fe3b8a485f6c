#include "server/service/sonda_bancos.h"

namespace kvt::service {

namespace {

KVT_SQL(sqlSondaZenthora, "SELECT COUNT(*) AS n FROM tDiagnostico WHERE 1 = 0",
        "SELECT COUNT(*) AS n FROM tDiagnostico WHERE 1 = 0");
KVT_SQL(sqlSondaBase, "SELECT COUNT(*) AS n FROM tModRas WHERE 1 = 0", "SELECT COUNT(*) AS n FROM tModRas WHERE 1 = 0");
KVT_SQL(sqlSondaSSE, "SELECT COUNT(*) AS n FROM tAlvo WHERE 1 = 0", "SELECT COUNT(*) AS n FROM tAlvo WHERE 1 = 0");

const db::SqlText& textoSonda(BancoSondado banco) {
  switch (banco) {
    case BancoSondado::dbZenthora: return sqlSondaZenthora();
    case BancoSondado::dbBase: return sqlSondaBase();
    case BancoSondado::dbSSE: break;
  }
  return sqlSondaSSE();
}

[[maybe_unused]] const bool kComposedRegistered = [] {
  db::registerComposed("sqlContaComandos", sqlContaComandos(2));
  return true;
}();

}  // namespace

db::SqlText sqlContaComandos(int numModCom) {
  const std::string texto = "SELECT COUNT(*) AS n FROM tFilaComandoKVT WHERE ModCom = " + std::to_string(numModCom);
  return {texto, texto};
}

std::int64_t ComandosNaFila(db::Connection* dbZenthora, int numModCom) {
  if (!dbZenthora || !dbZenthora->isOpen()) return -1;
  try {
    db::Statement st(*dbZenthora, sqlContaComandos(numModCom));
    st.open();
    return st.eof() ? 0 : st.field("n").asInt64();
  } catch (...) {
    return -1;
  }
}

bool SondaBanco(db::Connection* conexao, BancoSondado banco) {
  if (!conexao || !conexao->isOpen()) return false;
  try {
    db::Statement st(*conexao, textoSonda(banco));
    st.open();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace kvt::service
