// The security catalogue lists (-6, -7, -8) through the telecommand processor,
// read back byte for byte from real client sockets: empty catalogues, names
// cleaned while coordinates keep their degree sign, the split at 1000 items
// per document with groups opened again, and a database failure.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text/cp1252.h"
#include "server/security/coordinate_text.h"
#include "tests/server/security/ambiente_seguranca.h"
#include "tests/server/security/coordinate_shape.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::test::AmbienteSeguranca;
using kvt::test::documento;

namespace {

std::size_t ocorrencias(const std::string& s, const std::string& parte) {
  std::size_t n = 0;
  for (auto p = s.find(parte); p != std::string::npos; p = s.find(parte, p + parte.size())) ++n;
  return n;
}

std::string juntaDocumentos(const std::vector<std::string>& corpos) {
  std::string r;
  for (const auto& c : corpos) r += documento(c);
  return r;
}

struct ListasFixture : ::testing::Test {
  AmbienteSeguranca amb;
  int cliente = amb.canal.conecta("Sim");

  // Sends the request and checks that what the client read is exactly the
  // documents of the queued bodies; returns the bodies.
  std::vector<std::string> pede(const std::string& codMsg) {
    const std::size_t antes = amb.canal.enfileirados().size();
    amb.envia(cliente, AmbienteSeguranca::telecomando(codMsg));
    std::vector<std::string> corpos(amb.canal.enfileirados().begin() + static_cast<std::ptrdiff_t>(antes),
                                    amb.canal.enfileirados().end());
    EXPECT_EQ(amb.canal.recebido(cliente), juntaDocumentos(corpos));
    return corpos;
  }

  // `quantos` targets (or fences) named "Item N" in groups of the given sizes.
  void insereItens(bool cercas, const std::vector<int>& tamanhosGrupos) {
    int id = 1;
    for (std::size_t g = 0; g < tamanhosGrupos.size(); ++g) {
      const std::string idGrupo = std::to_string(g + 1);
      amb.executaSSE(cercas ? "INSERT INTO tGrupoCerca (IDGrupoCerca, Nome) VALUES (" + idGrupo + ", 'Grupo " + idGrupo + "')"
                            : "INSERT INTO tGrupo (IdGrupo, Nome_Grupo) VALUES (" + idGrupo + ", 'Grupo " + idGrupo + "')");
      const std::string de = std::to_string(id), ate = std::to_string(id + tamanhosGrupos[g] - 1);
      const std::string serie = "WITH RECURSIVE n(i) AS (SELECT " + de + " UNION ALL SELECT i + 1 FROM n WHERE i < " +
                                ate + ") ";
      amb.executaSSE(cercas ? serie + "INSERT INTO tCerca (IDCerca, IDGrupoCerca, Nome, Latitude, Longitude) SELECT i, " +
                                  idGrupo + ", 'Item ' || i, 'LAT', 'LON' FROM n"
                            : serie + "INSERT INTO tAlvo (IdAlvo, IdGrupo, Nome_Alvo, Lat_Alvo, Lon_Alvo) SELECT i, " +
                                  idGrupo + ", 'Item ' || i, 'LAT', 'LON' FROM n");
      id += tamanhosGrupos[g];
    }
  }
};

std::string alvo(int id) {
  const std::string n = std::to_string(id);
  return " <Alvo> <IdAlvo> " + n + " </IdAlvo><NomeAlvo> Item " + n +
         " </NomeAlvo><Latitude> LAT </Latitude><Longitude> LON </Longitude> </Alvo> ";
}

TEST_F(ListasFixture, EmptyCataloguesStillAnswerOneDocument) {
  EXPECT_EQ(pede("-6"), std::vector<std::string>{" <CodMsg> -45 </CodMsg> "});
  EXPECT_EQ(pede("-7"), std::vector<std::string>{" <CodMsg> -46 </CodMsg>  <NumAlvosXML> 0 </NumAlvosXML>"});
  EXPECT_EQ(pede("-8"), std::vector<std::string>{" <CodMsg> -47 </CodMsg>  <NumCercasXML> 0 </NumCercasXML>"});
}

TEST_F(ListasFixture, NamesAreCleanedAndCoordinatesKeepTheirDegreeSign) {
  amb.executaSSE("INSERT INTO tPerfilAlvo (idPerfil, Nome) VALUES (2, 'Descarga & <Pátio>')"_cp);
  amb.executaSSE("INSERT INTO tPerfilCerca (idPerfil, Nome) VALUES (1, 'Círculo ''500 m''')"_cp);
  amb.executaSSE("INSERT INTO tGrupo (IdGrupo, Nome_Grupo) VALUES (7, 'Ração & <Cia>')"_cp);
  amb.executaSSE("INSERT INTO tAlvo (IdAlvo, IdGrupo, Nome_Alvo, Lat_Alvo, Lon_Alvo) VALUES "
                 "(12, 7, 'São João & Filhos', '23°32''51.3\" S', '46°37''59.8\" W')"_cp);
  amb.executaSSE("INSERT INTO tGrupoCerca (IDGrupoCerca, Nome) VALUES (3, 'Pátios')"_cp);
  amb.executaSSE("INSERT INTO tCerca (IDCerca, IDGrupoCerca, Nome, Latitude, Longitude) VALUES "
                 "(5, 3, 'Pátio >Norte<', '05°03''00.0\" S', '46°37''59.8\" W')"_cp);

  EXPECT_EQ(pede("-6"), std::vector<std::string>{
                            " <CodMsg> -45 </CodMsg> "
                            " <PerfilDefinicao> <IdPerfilDefinicao> 1 </IdPerfilDefinicao>"
                            "<NomePerfilDefinicao> Circulo  500 m  </NomePerfilDefinicao><Item> 1 </Item>"
                            " </PerfilDefinicao> "
                            " <PerfilDefinicao> <IdPerfilDefinicao> 2 </IdPerfilDefinicao>"
                            "<NomePerfilDefinicao> Descarga e [Patio] </NomePerfilDefinicao><Item> 0 </Item>"
                            " </PerfilDefinicao> "});
  EXPECT_EQ(pede("-7"), std::vector<std::string>{
                            " <CodMsg> -46 </CodMsg> <GrupoAlvo> <NomeGrupo> Racao e [Cia] </NomeGrupo>"
                            " <Alvo> <IdAlvo> 12 </IdAlvo><NomeAlvo> Sao Joao e Filhos </NomeAlvo>"
                            "<Latitude> 23°32'51.3\" S </Latitude><Longitude> 46°37'59.8\" W </Longitude> </Alvo> "
                            " </GrupoAlvo> <NumAlvosXML> 1 </NumAlvosXML>"_cp});
  EXPECT_EQ(pede("-8"), std::vector<std::string>{
                            " <CodMsg> -47 </CodMsg> <GrupoCerca> <NomeGrupo> Patios </NomeGrupo>"
                            " <Cerca> <IdCerca> 5 </IdCerca><NomeCerca> Patio ]Norte[ </NomeCerca>"
                            "<Latitude> 05°03'00.0\" S </Latitude><Longitude> 46°37'59.8\" W </Longitude> </Cerca> "
                            " </GrupoCerca> <NumCercasXML> 1 </NumCercasXML>"_cp});
}

// 1500 targets in group 1 and 1000 in group 2: group 1 is cut after the first
// document and group 2 after the second, and each is opened again.
TEST_F(ListasFixture, TargetsSplitAtAThousandWithGroupsOpenedAgain) {
  insereItens(false, {1500, 1000});
  const auto corpos = pede("-7");
  ASSERT_EQ(corpos.size(), 3u);

  const std::string inicio = " <CodMsg> -46 </CodMsg> ";
  EXPECT_TRUE(corpos[0].starts_with(inicio + "<GrupoAlvo> <NomeGrupo> Grupo 1 </NomeGrupo>" + alvo(1)));
  EXPECT_TRUE(corpos[0].ends_with(alvo(1000) + " </GrupoAlvo> <NumAlvosXML> 1000 </NumAlvosXML>"));
  EXPECT_TRUE(corpos[1].starts_with(inicio + "<GrupoAlvo> <NomeGrupo> Grupo 1 </NomeGrupo>" + alvo(1001)));
  EXPECT_NE(corpos[1].find(alvo(1500) + " </GrupoAlvo><GrupoAlvo> <NomeGrupo> Grupo 2 </NomeGrupo>" + alvo(1501)),
            std::string::npos);
  EXPECT_TRUE(corpos[1].ends_with(alvo(2000) + " </GrupoAlvo> <NumAlvosXML> 1000 </NumAlvosXML>"));
  EXPECT_TRUE(corpos[2].starts_with(inicio + "<GrupoAlvo> <NomeGrupo> Grupo 2 </NomeGrupo>" + alvo(2001)));
  EXPECT_TRUE(corpos[2].ends_with(alvo(2500) + " </GrupoAlvo> <NumAlvosXML> 500 </NumAlvosXML>"));

  const std::size_t esperados[] = {1000, 1000, 500};
  const std::size_t grupos[] = {1, 2, 1};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(ocorrencias(corpos[i], " <Alvo> "), esperados[i]) << i;
    EXPECT_EQ(ocorrencias(corpos[i], "<GrupoAlvo> "), grupos[i]) << i;
    EXPECT_EQ(ocorrencias(corpos[i], " </GrupoAlvo>"), grupos[i]) << i;
  }
}

TEST_F(ListasFixture, ExactlyAThousandTargetsAreFollowedByAnEmptyDocument) {
  insereItens(false, {1000});
  const auto corpos = pede("-7");
  ASSERT_EQ(corpos.size(), 2u);
  EXPECT_EQ(ocorrencias(corpos[0], " <Alvo> "), 1000u);
  EXPECT_TRUE(corpos[0].ends_with(" </GrupoAlvo> <NumAlvosXML> 1000 </NumAlvosXML>"));
  EXPECT_EQ(corpos[1], " <CodMsg> -46 </CodMsg>  <NumAlvosXML> 0 </NumAlvosXML>");
}

TEST_F(ListasFixture, FencesSplitAtAThousandToo) {
  insereItens(true, {999, 2});
  const auto corpos = pede("-8");
  ASSERT_EQ(corpos.size(), 2u);
  EXPECT_EQ(ocorrencias(corpos[0], " <Cerca> "), 1000u);
  EXPECT_NE(corpos[0].find(" </GrupoCerca><GrupoCerca> <NomeGrupo> Grupo 2 </NomeGrupo> <Cerca> <IdCerca> 1000 </IdCerca>"),
            std::string::npos);
  EXPECT_TRUE(corpos[0].ends_with(" </GrupoCerca> <NumCercasXML> 1000 </NumCercasXML>"));
  EXPECT_EQ(corpos[1],
            " <CodMsg> -47 </CodMsg> <GrupoCerca> <NomeGrupo> Grupo 2 </NomeGrupo>"
            " <Cerca> <IdCerca> 1001 </IdCerca><NomeCerca> Item 1001 </NomeCerca>"
            "<Latitude> LAT </Latitude><Longitude> LON </Longitude> </Cerca> "
            " </GrupoCerca> <NumCercasXML> 1 </NumCercasXML>");
}

// A query that fails sends nothing; the processor logs the error.
TEST_F(ListasFixture, ADatabaseFailureSendsNothingAndIsLogged) {
  insereItens(false, {3});
  amb.executaSSE("DROP TABLE tGrupo");
  EXPECT_TRUE(pede("-7").empty());
  EXPECT_NE(amb.log().find("tGrupo"), std::string::npos);
}

}  // namespace

namespace {

// Every coordinate of the demo's targets, fences and route points is a
// canonical text that reads again as itself.
TEST(DemoSeguranca, EveryDemoCoordinateIsCanonical) {
  test::TempDir dir;
  central::CentralOptions opcoes;
  opcoes.demo = true;
  const auto files = central::createCentral(dir.file("demo"), opcoes);
  auto sse = db::Connection::open(files.urlSse);
  int lidas = 0;
  for (const char* sql : {"SELECT Lat_Alvo, Lon_Alvo FROM tAlvo", "SELECT Latitude, Longitude FROM tCerca",
                          "SELECT Latitude, Longitude FROM tPontoRota"}) {
    db::Statement st(*sse, std::string(sql));
    for (st.open(); !st.eof(); st.next(), ++lidas) {
      const std::string lat = st.field(std::size_t{0}).asString(), lon = st.field(std::size_t{1}).asString();
      EXPECT_TRUE(test::formaCanonica(lat) && lat.back() == 'S') << sql << " " << lat;
      EXPECT_TRUE(test::formaCanonica(lon) && lon.back() == 'W') << sql << " " << lon;
      EXPECT_EQ(security::FormataCoordenada(security::Eixo::Latitude, lat), lat);
      EXPECT_EQ(security::FormataCoordenada(security::Eixo::Longitude, lon), lon);
    }
  }
  EXPECT_GT(lidas, 10);
}

}  // namespace
