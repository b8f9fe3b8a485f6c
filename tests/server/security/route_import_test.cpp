#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/text/cp1252.h"
#include "tests/server/security/ambiente_importacao.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::test::AmbienteImportacao;
using kvt::test::erroImportacao;

namespace {

using Pontos = std::vector<std::pair<std::string, std::string>>;

std::string pontos(const Pontos& p) {
  std::string s;
  for (const auto& [lat, lon] : p) s += "<PontoRota><Latitude>" + lat + "</Latitude><Longitude>" + lon + "</Longitude></PontoRota>";
  return s;
}

// A ROTA element; an empty tolerance leaves the element out.
std::string rota(const std::string& nome, const std::string& tolerancia, const Pontos& p = {}) {
  return "<Rota><NomeRota>" + nome + "</NomeRota>" + (tolerancia.empty() ? "" : "<Tolerancia>" + tolerancia + "</Tolerancia>") +
         pontos(p) + "</Rota>";
}

std::string grupo(const std::string& nome, const std::string& rotas) {
  return "<GrupoRota><NomeGrupo>" + nome + "</NomeGrupo>" + rotas + "</GrupoRota>";
}

std::string veiculos(const std::vector<std::string>& ids) {
  std::string s = "<Veiculo>";
  for (const std::string& id : ids) s += "<IdTerminal>" + id + "</IdTerminal>";
  return s + "</Veiculo>";
}

struct StsRota {
  std::string nome;
  int sts;
  std::vector<std::pair<std::string, int>> veiculos;
};

std::string statusRotas(const std::string& grupo, const std::vector<StsRota>& rotas) {
  std::string s = " <CodMsg> -50 </CodMsg>  <GrupoRota>  <DataHoraEm> 02/01/2024 03:04:05 </DataHoraEm>  <NomeGrupo> " +
                  grupo + " </NomeGrupo> ";
  for (const StsRota& r : rotas) {
    s += " <Rota>  <NomeRota>" + r.nome + "</NomeRota>  <StsImportacao>" + std::to_string(r.sts) + "</StsImportacao> ";
    for (const auto& [id, sts] : r.veiculos)
      s += " <Veiculo>  <IdTerminal>" + id + "</IdTerminal>  <StsAssociacao>" + std::to_string(sts) +
           "</StsAssociacao>  </Veiculo> ";
    s += " </Rota> ";
  }
  return s + " </GrupoRota> ";
}

// Two points 1.0 km apart on the meridian 46° W.
const Pontos kUmKm = {{"2330000S", "4600000W"}, {"2330325S", "4600000W"}};
const std::string kGrau = "\xB0";

std::string gms(const std::string& g, const std::string& m, const std::string& s, const std::string& h) {
  return g + kGrau + m + "'" + s + "\" " + h;
}

TEST(ImportadorRota, StoresTheDensifiedRouteAndAssociatesIt) {
  AmbienteImportacao amb;
  amb.importa("-11", veiculos({"A"}) + grupo("Grupo A", rota("R1", "3", kUmKm)));

  const std::string status = statusRotas("Grupo A", {{"R1", 0, {{"00000A", 0}}}});
  EXPECT_EQ(amb.canal.enfileirados(), (std::vector<std::string>{status}));
  EXPECT_EQ(amb.canal.recebido(amb.cliente), test::documento(status));  // the status reply only
  EXPECT_EQ(amb.linhas("SELECT G.Nome, R.Nome, R.Tolerancia, R.Acao, R.idPerfil, R.Rua, R.Obs FROM tRota R "
                       "JOIN tGrupoRota G ON G.IDGrupoRota = R.IDGrupoRota"),
            (std::vector<std::string>{"Grupo A|R1|3|0|-1||"}));
  // 400 m of tolerance gives the step 0.37: three parts, two generated points
  EXPECT_EQ(amb.linhas("SELECT IDPonto, Latitude, Longitude, Origem FROM tPontoRota ORDER BY IDPonto"),
            (std::vector<std::string>{"0|" + gms("23", "30", "00.0", "S") + "|" + gms("46", "00", "00.0", "W") + "|1",
                                      "1|" + gms("23", "30", "10.8", "S") + "|" + gms("46", "00", "00.0", "W") + "|2",
                                      "2|" + gms("23", "30", "21.6", "S") + "|" + gms("46", "00", "00.0", "W") + "|2",
                                      "3|" + gms("23", "30", "32.5", "S") + "|" + gms("46", "00", "00.0", "W") + "|1"}));
  EXPECT_EQ(amb.linhas("SELECT V.IdTransp, V.IdFrota, V.IdVeiculo, R.Nome, V.Status, V.Origem FROM tRotaVeic V "
                       "JOIN tRota R ON R.IDRota = V.IdRota"),
            (std::vector<std::string>{"7|70|10|R1|3|1"}));
}

// The tolerance stays from one route to the next unless a TOLERANCIA changes
// it; 255 and unreadable texts take the default route profile, whose id is
// stored with the route; a value outside the table is answered and that route
// is not imported.
TEST(ImportadorRota, ToleranceCarriesOverAndFallsBackToTheDefaultProfile) {
  AmbienteImportacao amb;
  amb.sse("INSERT INTO tPerfilRota (idPerfil, Nome, Tolerancia) VALUES (6, 'Serra', 5)");
  amb.sse("INSERT INTO tParam (IdModulo, IdParam, ValParamDefault) VALUES (2, 3, '6')");
  const Pontos p = {{"-23.5", "-46.5"}};
  amb.importa("-11", grupo("G", rota("Sem", "", p) + rota("Dois", "2", p) + rota("Herda", "", p) +
                                    rota("Padrao", "255", p) + rota("Ilegivel", "x1", p) + rota("Nove", "9", p) +
                                    rota("Negativa", "-1", p) + rota("Depois", "", p) + rota("Explicita", "8", p)));

  const std::string invalida = "Tag <Tolerancia> está com valores inváidos. Informe valores entre 0 e 8."_cp;
  const std::string status = statusRotas("G", {{"Sem", 0, {}},
                                                {"Dois", 0, {}},
                                                {"Herda", 0, {}},
                                                {"Padrao", 0, {}},
                                                {"Ilegivel", 0, {}},
                                                {"Depois", 0, {}},
                                                {"Explicita", 0, {}}});
  EXPECT_EQ(amb.canal.recebido(amb.cliente),
            erroImportacao(invalida) + erroImportacao(invalida) + test::documento(status));
  EXPECT_EQ(amb.linhas("SELECT Nome, Tolerancia, idPerfil FROM tRota ORDER BY IDRota"),
            (std::vector<std::string>{"Sem|0|-1", "Dois|2|-1", "Herda|2|-1", "Padrao|5|6", "Ilegivel|5|6",
                                      "Depois|5|6", "Explicita|8|-1"}));

  // without a default profile the tolerance is 0 and no profile is stored
  AmbienteImportacao semPerfil;
  semPerfil.importa("-11", grupo("G", rota("Padrao", "255", p)));
  EXPECT_EQ(semPerfil.linhas("SELECT Nome, Tolerancia, idPerfil FROM tRota"), (std::vector<std::string>{"Padrao|0|-1"}));
}

TEST(ImportadorRota, PointsAreNormalizedAndRefusedPairsDropped) {
  AmbienteImportacao amb;
  amb.importa("-11", grupo("G", rota("Um", "0", {{"-23.5", "-46.5"}}) + rota("Nenhum", "0") +
                                    rota("Filtrada", "8",
                                         {{"abc", "xyz"},                             // both markers
                                          {"0", "0"},                                 // both zero
                                          {"", ""},                                   // both empty
                                          {"0", "-46.5"},                             // one zero text passes
                                          {gms("00", "00", "03.6", "S"), "4630000O"}})));
  EXPECT_EQ(amb.linhas("SELECT R.Nome, P.IDPonto, P.Latitude, P.Longitude, P.Origem FROM tRota R "
                       "LEFT JOIN tPontoRota P ON P.IDRota = R.IDRota ORDER BY R.IDRota, P.IDPonto"),
            (std::vector<std::string>{"Um|0|" + gms("23", "30", "00.0", "S") + "|" + gms("46", "30", "00.0", "W") + "|1",
                                      "Nenhum||||",
                                      "Filtrada|0|" + gms("00", "00", "00.0", "S") + "|" + gms("46", "30", "00.0", "W") + "|1",
                                      "Filtrada|1|" + gms("00", "00", "03.6", "S") + "|" + gms("46", "30", "00.0", "W") + "|1"}));
}

// 4999 points fit; 5000 do not, and such a route writes nothing at all.
TEST(ImportadorRota, RouteReachingThePointLimitIsRefusedWithNothingWritten) {
  AmbienteImportacao amb;
  auto proximos = [](int quantos) {
    Pontos p;
    // tenths of an arc-second of latitude: about 3 m apart
    for (int i = 0; i < quantos; ++i) p.emplace_back(std::to_string(-(450000 + i)), "-45");
    return p;
  };
  amb.importa("-11", veiculos({"A"}) + grupo("G", rota("Cabe", "3", proximos(4999)) + rota("Demais", "3", proximos(5000))));
  EXPECT_EQ(amb.canal.enfileirados(),
            (std::vector<std::string>{statusRotas("G", {{"Cabe", 0, {{"00000A", 0}}}, {"Demais", 3, {}}})}));
  EXPECT_EQ(amb.linhas("SELECT R.Nome, count(P.IDPonto), max(P.IDPonto) FROM tRota R JOIN tPontoRota P "
                       "ON P.IDRota = R.IDRota GROUP BY R.Nome"),
            (std::vector<std::string>{"Cabe|4999|4998"}));
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tRota"), 1);
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tRotaVeic"), 1);
}

// What happens to a route whose name is taken, by ACAOCADASTRADOS, and to a
// new one, by ACAONOVOS; the reply shows the names as received.
TEST(ImportadorRota, NamesFollowTheOptionsAndTheReplyShowsThemAsReceived) {
  struct Caso {
    std::string opcoes;
    std::vector<int> sts;             // Loja, Nova, unnamed
    std::vector<std::string> nomes;   // tRota after the import, with their tolerance
  };
  const std::vector<Caso> casos = {
      {"", {0, 0, 0}, {"Centro [00000001]|4", "Loja|4", "Loja [00001]|0", "Nova|4"}},
      {"<AcaoCadastrados>1</AcaoCadastrados>", {0, 0, 0},
       {"Centro [00000001]|4", "Loja|0", "Loja [00001]|0", "Loja [00002]|4", "Nova|4"}},
      {"<AcaoCadastrados>2</AcaoCadastrados>", {2, 0, 0}, {"Centro [00000001]|4", "Loja|0", "Loja [00001]|0", "Nova|4"}},
      {"<AcaoNovos>1</AcaoNovos>", {0, 1, 1}, {"Loja|4", "Loja [00001]|0"}},
      // values without a meaning refuse rather than write
      {"<AcaoCadastrados>3</AcaoCadastrados><AcaoNovos>7</AcaoNovos>", {2, 1, 1}, {"Loja|0", "Loja [00001]|0"}},
  };
  for (const Caso& c : casos) {
    AmbienteImportacao amb;
    amb.sse("INSERT INTO tRota (Nome, Tolerancia) VALUES ('Loja', 0), ('Loja [00001]', 0)");
    amb.importa("-11", c.opcoes + grupo("Centro", rota("Loja", "4") + rota("Nova", "") + rota("", "")));
    EXPECT_EQ(amb.canal.enfileirados(),
              (std::vector<std::string>{statusRotas(
                  "Centro", {{"Loja", c.sts[0], {}}, {"Nova", c.sts[1], {}}, {"", c.sts[2], {}}})}))
        << c.opcoes;
    EXPECT_EQ(amb.linhas("SELECT Nome, Tolerancia FROM tRota ORDER BY Nome"), c.nomes) << c.opcoes;
  }

  // an empty NOMEGRUPO names the group with the date and is reported empty;
  // a ROTA without children repeats the route before it under its name in use
  AmbienteImportacao amb;
  amb.importa("-11", "<AcaoCadastrados>1</AcaoCadastrados>" + grupo("", rota("", "1") + "<Rota/>"));
  EXPECT_EQ(amb.canal.enfileirados(),
            (std::vector<std::string>{statusRotas("", {{"", 0, {}}, {"", 0, {}}})}));
  EXPECT_EQ(amb.linhas("SELECT G.Nome, R.Nome FROM tRota R JOIN tGrupoRota G ON G.IDGrupoRota = R.IDGrupoRota "
                       "ORDER BY R.IDRota"),
            (std::vector<std::string>{"02/01/2024|02/01/2024 [00000001]", "02/01/2024|02/01/2024 [00000001] [00001]"}));
}

// Names longer than the 40-character column are cut before anything looks
// them up, so every step finds the route under the name it was stored with.
TEST(ImportadorRota, LongNamesAreCutToTheColumnEverywhere) {
  AmbienteImportacao amb;
  const std::string longo(45, 'N');
  amb.importa("-11", "<AcaoCadastrados>1</AcaoCadastrados>" + veiculos({"A"}) +
                         grupo(std::string(50, 'G'), rota(longo, "3", kUmKm) + rota(longo, "3", kUmKm) + rota("", "3")));
  EXPECT_EQ(amb.linhas("SELECT R.Nome, count(P.IDPonto), count(DISTINCT V.IdRotaVeic) FROM tRota R "
                       "LEFT JOIN tPontoRota P ON P.IDRota = R.IDRota LEFT JOIN tRotaVeic V ON V.IdRota = R.IDRota "
                       "GROUP BY R.IDRota ORDER BY R.IDRota"),
            (std::vector<std::string>{std::string(40, 'N') + "|4|1", std::string(32, 'N') + " [00001]|4|1",
                                      std::string(29, 'G') + " [00000001]|0|1"}));
  EXPECT_EQ(amb.linhas("SELECT Nome FROM tGrupoRota"), (std::vector<std::string>{std::string(40, 'G')}));
}

// Vehicles are listed newest first and each route is associated with every
// one of them within the limits of a vehicle.
TEST(ImportadorRota, AssociationsFollowTheVehicleLimits) {
  AmbienteImportacao amb;
  // A holds 49 routes; B holds a route of 4990 points
  for (int i = 0; i < 49; ++i)
    amb.sse("INSERT INTO tRotaVeic (IdVeiculo, IdRota) VALUES (10, " + std::to_string(1000 + i) + ")");
  amb.sse("INSERT INTO tRota (IDRota, Nome) VALUES (2000, 'Longa')");
  amb.sse("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 4989) "
          "INSERT INTO tPontoRota (IDRota, IDPonto) SELECT 2000, i FROM n");
  amb.sse("INSERT INTO tRotaVeic (IdVeiculo, IdRota) VALUES (11, 2000)");
  const Pontos dez = {{"-23.5", "-46.5"}, {"-23.5001", "-46.5"}, {"-23.5002", "-46.5"}, {"-23.5003", "-46.5"},
                      {"-23.5004", "-46.5"}, {"-23.5005", "-46.5"}, {"-23.5006", "-46.5"}, {"-23.5007", "-46.5"},
                      {"-23.5008", "-46.5"}, {"-23.5009", "-46.5"}};
  amb.importa("-11", "<AssociacaoRotasVeiculos>1</AssociacaoRotasVeiculos>" + veiculos({"A", "1F", "B", "A"}) +
                         veiculos({"C"}) + grupo("G", rota("R50", "0", dez) + rota("R51", "0", dez) + rota("R50", "0", dez)));

  const std::string status = statusRotas("G", {{"R50", 0, {{"00000C", 0}, {"00000B", 1}, {"00000A", 0}}},
                                                {"R51", 0, {{"00000C", 0}, {"00000B", 1}, {"00000A", 1}}},
                                                {"R50", 0, {{"00000C", 1}, {"00000B", 1}, {"00000A", 1}}}});
  const std::string rotas = "Excedido o número de 50 rotas permitidas no veículo Caminhão 10"_cp;
  const std::string pontos = "Excedido o número de 5000 pontos permitidos no veículo Caminhão 11"_cp;
  EXPECT_EQ(amb.canal.recebido(amb.cliente),
            erroImportacao(" Veículo 1F não está cadastrado !"_cp, "-11", "1F") + erroImportacao(pontos) +
                erroImportacao(pontos) + erroImportacao(rotas) +
                erroImportacao("Veículo Caminhão 12 já estava associado"_cp) + erroImportacao(pontos) +
                erroImportacao(rotas) + test::documento(status));
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tRotaVeic WHERE IdVeiculo = 10"), 50);
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tRotaVeic WHERE IdVeiculo = 11"), 1);
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tRotaVeic WHERE IdVeiculo = 12"), 2);
}

// ASSOCIACAOROTASVEICULOS 0 (the default) removes the listed vehicles' routes
// first; an IDTERMINAL without text ends the reading there and removes nothing.
TEST(ImportadorRota, ExistingAssociationsAreRemovedOnlyWhenAsked) {
  struct Caso {
    std::string antes;
    std::int64_t rotasDeA;
  };
  const std::vector<Caso> casos = {
      {veiculos({"A"}), 1},
      {"<AssociacaoRotasVeiculos>1</AssociacaoRotasVeiculos>" + veiculos({"A"}), 3},
      {veiculos({"A", ""}) + "<AssociacaoRotasVeiculos>1</AssociacaoRotasVeiculos>", 3},
  };
  for (const Caso& c : casos) {
    AmbienteImportacao amb;
    amb.sse("INSERT INTO tRotaVeic (IdVeiculo, IdRota) VALUES (10, 500), (10, 501), (11, 502)");
    amb.importa("-11", c.antes + grupo("G", rota("Nova", "0")));
    EXPECT_EQ(amb.conta("SELECT count(*) FROM tRotaVeic WHERE IdVeiculo = 10"), c.rotasDeA) << c.antes;
    EXPECT_EQ(amb.conta("SELECT count(*) FROM tRotaVeic WHERE IdVeiculo = 11"), 1) << c.antes;
  }
}

TEST(ImportadorRota, EmptyOrMissingGroupIsAnsweredAndNothingImported) {
  for (const std::string& corpo : {std::string("<GrupoRota/>"), std::string("<GrupoRota>  </GrupoRota>"), std::string()}) {
    AmbienteImportacao amb;
    amb.importa("-11", corpo);
    EXPECT_EQ(amb.canal.recebido(amb.cliente),
              erroImportacao("Tag <GrupoRota> está em branco, não é possível realizar a Importação de Rotas"_cp))
        << corpo;
    EXPECT_TRUE(amb.canal.enfileirados().empty());
    EXPECT_EQ(amb.conta("SELECT count(*) FROM tGrupoRota") + amb.conta("SELECT count(*) FROM tRota"), 0);
  }
  // only the first group of a document is imported
  AmbienteImportacao amb;
  amb.importa("-11", grupo("Um", rota("R", "0")) + grupo("Dois", rota("S", "0")));
  EXPECT_EQ(amb.linhas("SELECT Nome FROM tGrupoRota"), (std::vector<std::string>{"Um"}));
  EXPECT_EQ(amb.linhas("SELECT Nome FROM tRota"), (std::vector<std::string>{"R"}));
}

// A route row that cannot be stored gets status 1 and neither points nor
// associations; a failure while writing points ends the whole import without
// a reply, keeping what was written before it and the failing route's old
// points whole.
TEST(ImportadorRota, StorageFailuresAreReportedOrEndTheImport) {
  AmbienteImportacao amb;
  amb.sse("INSERT INTO tRota (IDRota, Nome) VALUES (77, 'Quebra')");
  amb.sse("INSERT INTO tPontoRota (IDRota, IDPonto, Latitude) VALUES (77, 0, 'velho'), (77, 1, 'velho'), "
          "(77, 2, 'velho')");
  amb.sse("CREATE TEMP TRIGGER recusaRota BEFORE INSERT ON main.tRota WHEN NEW.Nome = 'Recusada' "
          "BEGIN SELECT RAISE(ABORT, 'rota recusada'); END");
  amb.sse("CREATE TEMP TRIGGER quebraPontos BEFORE INSERT ON main.tPontoRota "
          "WHEN NEW.IDRota = 77 AND NEW.IDPonto = 2 BEGIN SELECT RAISE(ABORT, 'disco cheio'); END");
  amb.sse("CREATE TEMP TRIGGER falhaAssociacao BEFORE INSERT ON main.tRotaVeic WHEN NEW.IdVeiculo = 11 "
          "BEGIN SELECT RAISE(ABORT, 'associacao recusada'); END");
  amb.importa("-11", veiculos({"A", "B"}) + grupo("G", rota("Boa", "3", kUmKm) + rota("Recusada", "3", kUmKm)));
  const std::string status =
      statusRotas("G", {{"Boa", 0, {{"00000B", 1}, {"00000A", 0}}}, {"Recusada", 1, {}}});
  EXPECT_EQ(amb.canal.recebido(amb.cliente),
            erroImportacao("Erro no banco de dados ao associar o veículo   Caminhão 11  "_cp) + test::documento(status));
  EXPECT_EQ(amb.linhas("SELECT Nome FROM tRota ORDER BY Nome"), (std::vector<std::string>{"Boa", "Quebra"}));
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tPontoRota WHERE IDRota <> 77"), 4);

  amb.importa("-11", "<AssociacaoRotasVeiculos>1</AssociacaoRotasVeiculos>" +
                         grupo("G", rota("Antes", "3", kUmKm) + rota("Quebra", "3", kUmKm) + rota("Depois", "3", kUmKm)));
  EXPECT_EQ(amb.canal.enfileirados().size(), 1u);  // no second reply
  EXPECT_EQ(amb.canal.recebido(amb.cliente), "");
  EXPECT_EQ(amb.linhas("SELECT R.Nome, count(P.IDPonto), min(P.Latitude) FROM tRota R "
                       "LEFT JOIN tPontoRota P ON P.IDRota = R.IDRota GROUP BY R.IDRota ORDER BY R.Nome"),
            (std::vector<std::string>{"Antes|4|" + gms("23", "30", "00.0", "S"), "Boa|4|" + gms("23", "30", "00.0", "S"),
                                      "Quebra|3|velho"}));
  // the connection is usable again: nothing was left open
  amb.importa("-11", "<AssociacaoRotasVeiculos>1</AssociacaoRotasVeiculos>" + grupo("G", rota("Depois", "3", kUmKm)));
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tPontoRota P JOIN tRota R ON R.IDRota = P.IDRota WHERE R.Nome = 'Depois'"),
            4);
  EXPECT_NE(amb.log().find("disco cheio"), std::string::npos);
}

// Random route documents (misspelt elements, odd texts, repeated routes):
// each import either answers with one status reply or refuses the group, and
// the stored points of every route are numbered without gaps from 0.
TEST(ImportadorRota, RandomDocumentsLeaveConsistentRoutes) {
  AmbienteImportacao amb;
  std::mt19937 gerador(11);
  const std::vector<std::string> nomes = {"A", "B", "", "  C  ", "&amp;&lt;x&gt;", "Rota"};
  const std::vector<std::string> tolerancias = {"", "0", "3", "8", "9", "255", "x", "-5"};
  const std::vector<std::string> coordenadas = {"-23.5", "-46.6", "2332513S", "4637598O", "", "abc", "0", "-845000",
                                                "12345.6", "99" + kGrau + "59'59.9\" N"};
  const std::vector<std::string> opcoes = {"", "<AcaoNovos>1</AcaoNovos>", "<AcaoCadastrados>1</AcaoCadastrados>",
                                           "<AcaoCadastrados>2</AcaoCadastrados>", "<AcaoCadastrados>x</AcaoCadastrados>"};
  auto escolhe = [&](const std::vector<std::string>& v) { return v[gerador() % v.size()]; };
  std::size_t respostas = 0;
  for (int i = 0; i < 40; ++i) {
    std::string rotas;
    for (int r = static_cast<int>(gerador() % 5); r > 0; --r) {
      if (gerador() % 6 == 0) {
        rotas += "<Rota/>";
        continue;
      }
      Pontos p;
      for (int k = static_cast<int>(gerador() % 6); k > 0; --k) p.emplace_back(escolhe(coordenadas), escolhe(coordenadas));
      rotas += rota(escolhe(nomes), escolhe(tolerancias), p);
    }
    amb.importa("-11", escolhe(opcoes) + veiculos({"A", escolhe({"B", "7", ""})}) +
                           (gerador() % 8 ? grupo(escolhe(nomes), rotas) : "<GrupoRota/>"));
    respostas += 1;
    amb.canal.recebido(amb.cliente);
  }
  EXPECT_LE(amb.canal.enfileirados().size(), respostas);
  EXPECT_TRUE(amb.linhas("SELECT IDRota FROM tPontoRota GROUP BY IDRota HAVING max(IDPonto) + 1 <> count(*) "
                         "OR min(IDPonto) <> 0")
                  .empty());
  EXPECT_TRUE(amb.linhas("SELECT IDRota FROM tRota WHERE Tolerancia NOT BETWEEN 0 AND 8 OR length(Nome) > 40").empty());
  // one empty text beside a readable partner passes, as it does for targets and fences
  EXPECT_TRUE(amb.linhas("SELECT IDRota FROM tPontoRota WHERE length(CAST(Latitude AS BLOB)) NOT IN (0, 13) "
                         "OR length(CAST(Longitude AS BLOB)) NOT IN (0, 13)")
                  .empty());
}

}  // namespace
