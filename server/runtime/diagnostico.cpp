#include "server/runtime/diagnostico.h"

#include <algorithm>

#include <unistd.h>

namespace kvt::runtime {

namespace {

KVT_SQL(sqlVerificaInstancia,
        "SELECT df = DATEDIFF(second, DataHoraUltimaAtualizacao, getdate()), IntervaloAtualizacao = "
        "IsNull(IntervaloAtualizacao, 3), Maquina\r\n"
        "FROM tDiagnostico\r\n"
        "WHERE NomePrograma = :NomeApp",
        "SELECT strftime('%s', datetime('now', 'localtime')) - strftime('%s', DataHoraUltimaAtualizacao) AS df, "
        "IFNULL(IntervaloAtualizacao, 3) AS IntervaloAtualizacao, Maquina "
        "FROM tDiagnostico WHERE NomePrograma = :NomeApp");

KVT_SQL(sqlVerificaStatusBase,
        "SELECT df = DATEDIFF(second, DataHoraUltimaAtualizacao, getdate()), IntervaloAtualizacao = "
        "IsNull(IntervaloAtualizacao, 3)\r\n"
        "FROM tDiagnostico\r\n"
        "WHERE NomePrograma = :NomeApp",
        "SELECT strftime('%s', datetime('now', 'localtime')) - strftime('%s', DataHoraUltimaAtualizacao) AS df, "
        "IFNULL(IntervaloAtualizacao, 3) AS IntervaloAtualizacao "
        "FROM tDiagnostico WHERE NomePrograma = :NomeApp");

KVT_SQL(sqlAtualizaDataHoraCarga,
        "UPDATE tDiagnostico\r\n"
        "SET DataHoraCarga = GetDate(), DataHoraUltimaAtualizacao = GetDate(), Versao = :Versao, Maquina = :Maquina\r\n"
        "WHERE CodigoPrograma = :CodigoPrograma\r\n"
        "IF @@ROWCOUNT = 0\r\n"
        "   INSERT tDiagnostico(CodigoPrograma, NomePrograma, DataHoraCarga, Versao, Maquina)\r\n"
        "   VALUES             (:CodigoPrograma, :NomeApp, Getdate(), :Versao, :Maquina)",
        "UPDATE tDiagnostico SET DataHoraCarga = datetime('now', 'localtime'), "
        "DataHoraUltimaAtualizacao = datetime('now', 'localtime'), Versao = :Versao, Maquina = :Maquina "
        "WHERE CodigoPrograma = :CodigoPrograma;\n"
        "INSERT INTO tDiagnostico(CodigoPrograma, NomePrograma, DataHoraCarga, Versao, Maquina) "
        "SELECT :CodigoPrograma, :NomeApp, datetime('now', 'localtime'), :Versao, :Maquina "
        "WHERE NOT EXISTS (SELECT 1 FROM tDiagnostico WHERE CodigoPrograma = :CodigoPrograma)");

KVT_SQL(sqlAtualizaIntervaloCodigo,
        "UPDATE tDiagnostico\r\n"
        "SET DataHoraUltimaAtualizacao = GetDate()\r\n"
        "WHERE CodigoPrograma = :CodigoPrograma",
        "UPDATE tDiagnostico SET DataHoraUltimaAtualizacao = datetime('now', 'localtime') "
        "WHERE CodigoPrograma = :CodigoPrograma");

KVT_SQL(sqlLeModulo,
        "select ModCom, Descr, CCRO from tModRas\r\n"
        "where ModCom=:ModCom",
        "select ModCom, Descr, CCRO from tModRas where ModCom=:ModCom");

struct LinhaDiagnostico {
  bool existe = false;
  std::optional<std::int64_t> df;
  std::int64_t intervalo = 3;
  std::string maquina;
};

LinhaDiagnostico leLinha(db::Statement& q) {
  LinhaDiagnostico linha;
  q.open();
  if (!q.eof()) {
    linha.existe = true;
    if (!q.field("df").isNull()) linha.df = q.field("df").asInt64();
    linha.intervalo = q.field("IntervaloAtualizacao").asInt64();
    if (q.hasColumn("Maquina")) linha.maquina = q.field("Maquina").asString();
  }
  q.close();
  return linha;
}

}  // namespace

ResultadoInstancia VerificaInstancia(db::Connection& dbZenthora, const std::string& nomeApp,
                                     const std::function<void(std::uint32_t)>& dorme) {
  db::Statement q(dbZenthora, sqlVerificaInstancia());
  q.bindText("NomeApp", nomeApp);
  const LinhaDiagnostico antes = leLinha(q);
  ResultadoInstancia r;
  r.maquina = antes.maquina;
  const std::int64_t intervalo = antes.existe ? antes.intervalo : 3;
  // in 64 bits, kept within what a timer holds; 0 or less means the heartbeat timer does not run
  r.intervaloMs = static_cast<std::uint32_t>(std::clamp<std::int64_t>(intervalo, 0, 2147483) * 1000);
  dorme(r.intervaloMs);
  const LinhaDiagnostico depois = leLinha(q);
  // free when nobody keeps the row fresh: no row, never refreshed, or older than its interval
  r.livre = !depois.existe || !depois.df || intervalo < *depois.df;
  if (depois.existe) r.maquina = depois.maquina;
  return r;
}

void AtualizaDataHoraCarga(db::Connection& dbZenthora, int numModCom, const std::string& versao,
                           const std::string& maquina) {
  db::Statement q(dbZenthora, sqlAtualizaDataHoraCarga());
  q.bindInt("CodigoPrograma", numModCom + 10)
      .bindText("NomeApp", "KORVATEL" + std::to_string(numModCom))
      .bindText("Versao", versao)
      .bindText("Maquina", maquina);
  q.execute();
}

void AtualizaIntervaloCodigo(db::Connection& dbZenthora, int numModCom) {
  db::Statement q(dbZenthora, sqlAtualizaIntervaloCodigo());
  q.bindInt("CodigoPrograma", numModCom + 10);
  q.execute();
}

bool VerificaStatusBase(db::Connection& dbZenthora) {
  db::Statement q(dbZenthora, sqlVerificaStatusBase());
  q.bindText("NomeApp", "Quillon");
  const LinhaDiagnostico linha = leLinha(q);
  return linha.existe && linha.df && linha.intervalo >= *linha.df;
}

std::optional<ModuloBase> LeModulo(db::Connection& dbBase, int numModCom) {
  db::Statement q(dbBase, sqlLeModulo());
  q.bindInt("ModCom", numModCom);
  q.open();
  if (q.eof()) return std::nullopt;
  ModuloBase m{q.field("ModCom").asInt(), q.field("Descr").asString(), q.field("CCRO").asInt()};
  q.close();
  return m;
}

std::string NomeMaquina() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  std::string s(name);
  return s.substr(0, 15);
}

}  // namespace kvt::runtime
