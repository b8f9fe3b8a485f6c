#include <memory>

#include "platform/db/db.h"
#include "server/events/location.h"

namespace kvt::events {

KVT_SQL(sqlContadorRefresh, "select * from tRefresh where tabela = :nomeTab",
        "select * from tRefresh where tabela = :nomeTab");

KVT_SQL(sqlCidades, "select Regiao, Cidade, Latitude, Longitude\r\nfrom tcidades",
        "select Regiao, Cidade, Latitude, Longitude from tcidades");

KVT_SQL(sqlReferencias, "select Nome, Latitude, Longitude \r\nfrom tRefer ",
        "select Nome, Latitude, Longitude from tRefer");

namespace {

class FonteLugaresDb : public FonteLugares {
 public:
  explicit FonteLugaresDb(db::Connection& dbZenthora) : db_(dbZenthora) {}

  std::int32_t ContadorRefer() override {
    db::Statement consulta(db_, sqlContadorRefresh());
    consulta.bindText("nomeTab", "tRefer");
    consulta.open();
    return consulta.eof() ? 0 : consulta.field("Contador").asInt();
  }

  std::vector<common::Ponto> Cidades() override {
    db::Statement consulta(db_, sqlCidades());
    consulta.open();
    std::vector<common::Ponto> cidades;
    cidades.reserve(consulta.rowCount());
    for (; !consulta.eof(); consulta.next())
      cidades.emplace_back(consulta.field("Cidade").asString(), consulta.field("Regiao").asString(),
                           consulta.field("Latitude").asFloat(), consulta.field("Longitude").asFloat());
    return cidades;
  }

  std::vector<common::Ponto> Referencias() override {
    db::Statement consulta(db_, sqlReferencias());
    consulta.open();
    std::vector<common::Ponto> referencias;
    referencias.reserve(consulta.rowCount());
    for (; !consulta.eof(); consulta.next())
      referencias.emplace_back(consulta.field("Nome").asString(), consulta.field("Latitude").asFloat(),
                               consulta.field("Longitude").asFloat());
    return referencias;
  }

 private:
  db::Connection& db_;
};

}  // namespace

std::unique_ptr<FonteLugares> fonteLugares(db::Connection& dbZenthora) {
  return std::make_unique<FonteLugaresDb>(dbZenthora);
}

void tLocalizacao::CarregaLocalizacao(db::Connection& dbZenthora) {
  const std::unique_ptr<FonteLugares> fonte = fonteLugares(dbZenthora);
  CarregaLocalizacao(*fonte);
}

}  // namespace kvt::events
