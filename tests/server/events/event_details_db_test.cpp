// The event details against a real embedded central: the statements, the
// loaders of the custom-event definitions and of the places, and the target
// lookup.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "central/central.h"
#include "platform/db/db.h"
#include "platform/text/cp1252.h"
#include "platform/text/regional.h"
#include "server/events/custom_event.h"
#include "server/events/location.h"
#include "server/events/logistic_complement.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::events;
using namespace kvt::text::literals;

namespace {

struct Central : ::testing::Test {
  test::TempDir dir;
  central::CentralFiles files;
  std::unique_ptr<db::Connection> dbZenthora;

  void abre(bool demo) {
    central::CentralOptions opcoes;
    opcoes.demo = demo;
    files = central::createCentral(dir.path().string(), opcoes);
    dbZenthora = db::Connection::open(files.urlZenthora);
  }
  void SetUp() override { text::setRegional({}); }
  void exec(const std::string& sql) { db::Statement(*dbZenthora, sql).execute(); }
};

}  // namespace

TEST_F(Central, EveryStatementPreparesOnTheEmbeddedCentral) {
  abre(false);
  for (const db::SqlText* sql : {&sqlDef_Modulo_Porta(), &sqlEventoPersonalizado(), &sqlContadorRefresh(),
                                 &sqlCidades(), &sqlReferencias(), &sqlPesquisaAlvo()}) {
    SCOPED_TRACE(sql->sqlite);
    EXPECT_EQ(db::prepareSqlite(*dbZenthora, sql->sqlite), std::vector<std::string>{});
    EXPECT_FALSE(sql->mssql.empty());
  }
  EXPECT_EQ(sqlCidades().mssql, "select Regiao, Cidade, Latitude, Longitude\r\nfrom tcidades");
  EXPECT_EQ(sqlReferencias().mssql, "select Nome, Latitude, Longitude \r\nfrom tRefer ");
}

TEST_F(Central, CustomEventFromTheDatabase) {
  abre(false);
  exec("insert into tDef_Modulo_Porta (Modulo, Porta, Descricao, TipoCompilador) values "
       "(1, 1, 'Nivel', 2), (1, 2, 'Saldo', 3), (2, 1, 'Temperatura', 8), (3, 3, 'Sem variavel', 2)");
  exec("insert into tDef_Variavel (Modulo, Porta, TipoLogico, SQL_Processo, Identificador) values "
       "(1, 1, 'N', '', 'Nivel'), (1, 2, 'N', '', 'Saldo'), (2, 1, 'N', 'select 1', 'Temperatura')");
  db::Statement evento(*dbZenthora,
                       "insert into tEventoPersonalizado (IdEvento, Sistema, Descricao, Tipo, Modulo1_Porta1, "
                       "Modulo2_Porta2, Modulo3_Porta3, Modulo4_Porta4) "
                       "values (12, 3, :Descricao, 'Alarme', 65537, 65538, 196611, 131073)");
  evento.bindText("Descricao", "Porta do baú"_cp).execute();

  const DefinicoesModuloPorta definicoes = CarregaDef_Modulo_Porta(*dbZenthora);
  EXPECT_EQ(definicoes.tamanho(), 3u);  // the input without a variable is not defined
  ASSERT_NE(definicoes.Localiza(2 * 65536 + 1), nullptr);
  EXPECT_EQ(definicoes.Localiza(2 * 65536 + 1)->TipoCompilador, 8);
  EXPECT_EQ(definicoes.Localiza(2 * 65536 + 1)->Descricao, "Temperatura");
  EXPECT_EQ(definicoes.Localiza(2 * 65536 + 1)->SQL_Processo, "select 1");
  EXPECT_EQ(definicoes.Localiza(3 * 65536 + 3), nullptr);

  std::vector<std::string> log;
  const tEvtPersonalizado personalizados(definicoes, leituraEventoPersonalizado(*dbZenthora),
                                         [&](std::string_view, std::string_view m) { log.emplace_back(m); });
  EXPECT_EQ(personalizados.Processa_Evt_Personalizado(12, 3, "7FFFFE41200000"),
            " <DescEvtPersonalizado> Porta do ba\xFA </DescEvtPersonalizado> <TipoEvtPersonalizado>   Alarme "
            "</TipoEvtPersonalizado>  <Complemento> <Nivel> 127 </Nivel><Saldo> -2 </Saldo><Temperatura> 10 "
            "</Temperatura> </Complemento> ");
  EXPECT_EQ(personalizados.Processa_Evt_Personalizado(12, 4, "7F"),
            " <DescEvtPersonalizado>  </DescEvtPersonalizado> <TipoEvtPersonalizado>    </TipoEvtPersonalizado> "
            " <Complemento>  </Complemento> ");
  EXPECT_EQ(log, (std::vector<std::string>{"inicio", "fim", "inicio", "fim"}));
}

TEST_F(Central, PlacesOfTheDemoCentral) {
  abre(true);
  tLocalizacao localizacao;
  localizacao.CarregaLocalizacao(*dbZenthora);
  EXPECT_EQ(localizacao.ContadorRefer(), 1);
  ASSERT_NE(localizacao.indice(), nullptr);
  db::Statement cidades(*dbZenthora, "select count(*) as n from tcidades");
  cidades.open();
  db::Statement referencias(*dbZenthora, "select count(*) as n from tRefer");
  referencias.open();
  EXPECT_GT(cidades.field("n").asInt(), 5000);
  EXPECT_EQ(localizacao.indice()->tamanho(),
            static_cast<std::size_t>(cidades.field("n").asInt() + referencias.field("n").asInt()));
  EXPECT_EQ(localizacao.ElementoLocalizacao(0, "023 57 38 9 S", "046 20 01 0 O"),
            " <Localizacao> Em Porto de Santos </Localizacao> ");
  EXPECT_EQ(localizacao.CalculaLocalizacao(-22.9056, -47.0608), "Em Campinas");

  // a new reference point is seen once the counter of tRefer changes
  exec("insert into tRefer (Nome, Latitude, Longitude) values ('Base Nova', -15.0, -50.0)");
  localizacao.tmrLocalizacaoTimer(*dbZenthora);
  EXPECT_NE(localizacao.CalculaLocalizacao(-15.0, -50.0), "Em Base Nova");
  exec("update tRefresh set Contador = 2 where Tabela = 'tRefer'");
  localizacao.tmrLocalizacaoTimer(*dbZenthora);
  EXPECT_EQ(localizacao.ContadorRefer(), 2);
  EXPECT_EQ(localizacao.CalculaLocalizacao(-15.0, -50.0), "Em Base Nova");

  // without the counter's row the counter reads 0 and the index stays
  exec("delete from tRefresh where Tabela = 'tRefer'");
  localizacao.tmrLocalizacaoTimer(*dbZenthora);
  EXPECT_EQ(localizacao.ContadorRefer(), 0);
}

TEST_F(Central, NoIndexWhileTheCounterIsZero) {
  abre(false);
  exec("insert into tcidades (Regiao, Cidade, Latitude, Longitude) values ('SP', 'Campinas', -22.9, -47.06)");
  tLocalizacao localizacao;
  localizacao.CarregaLocalizacao(*dbZenthora);
  EXPECT_EQ(localizacao.indice(), nullptr);
  EXPECT_EQ(localizacao.CalculaLocalizacao(-22.9, -47.06), "1.000.000,00 km a S de ");
}

TEST_F(Central, AFailedReloadKeepsTheOldIndex) {
  abre(true);
  tLocalizacao localizacao;
  localizacao.CarregaLocalizacao(*dbZenthora);
  exec("update tRefresh set Contador = 5 where Tabela = 'tRefer'");
  exec("alter table tRefer rename to tReferAntiga");
  EXPECT_THROW(localizacao.tmrLocalizacaoTimer(*dbZenthora), db::DbError);
  EXPECT_EQ(localizacao.ContadorRefer(), 1);
  EXPECT_EQ(localizacao.CalculaLocalizacao(-22.9056, -47.0608), "Em Campinas");
  exec("alter table tReferAntiga rename to tRefer");
  localizacao.tmrLocalizacaoTimer(*dbZenthora);
  EXPECT_EQ(localizacao.ContadorRefer(), 5);
}

TEST_F(Central, TargetNameOfTheNewestNonDiagnosticConfiguration) {
  abre(false);
  exec("insert into tOpRemota (IdSequencia, DiagnosticoOpRemota) values (1, 0), (2, 0), (3, 1)");
  exec("insert into tCfgAlvoVeic (IdSequencia, IdTerminal, NumOrdemRef, Nome_Alvo) values "
       "(1, 4660, 10, 'Antigo'), (2, 4660, 10, 'Novo & melhor'), (3, 4660, 10, 'Diagnostico'), (2, 4660, 11, 'Outro')");
  const PesquisaAlvo pesquisa = pesquisaAlvo(*dbZenthora);
  EXPECT_EQ(pesquisa(4660, 10), std::optional<std::string>("Novo & melhor"));
  EXPECT_EQ(pesquisa(4660, 12), std::nullopt);
  EXPECT_EQ(pesquisa(1, 10), std::nullopt);
  const tComplementoEvento complementos(nullptr, nullptr, pesquisa);
  EXPECT_EQ(complementos.ComplementoLogistico(120, "0000000A", 4660, 0),
            "<OrdemEnvioAlvo> 10 </OrdemEnvioAlvo> <Nome_Alvo> Novo &amp; melhor </Nome_Alvo>");
}
