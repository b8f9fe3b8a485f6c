// The target import (-9) through the telecommand processor on the embedded
// central: what is stored in the security database, what every client reads
// back from its socket, and the log entries.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text/cp1252.h"
#include "server/security/importador_alvo.h"
#include "server/security/target_icon.h"
#include "server/telecmd/resposta_erro.h"
#include "tests/server/security/ambiente_seguranca.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::test::AmbienteSeguranca;
using kvt::test::documento;
using kvt::test::kAgora;
using ::testing::ElementsAre;

namespace {

const std::string kMarcadorLat = "90°00'00.0\" S"_cp;
const std::string kLatSP = "23°32'51.3\" S"_cp;
const std::string kLonSP = "46°37'59.8\" W"_cp;

// One ALVO element; `semNome` leaves NOMEALVO out, an empty coordinate leaves
// its element out, `extra` adds more elements.
std::string alvo(const std::string& nome, const std::string& lat, const std::string& lon, bool semNome = false,
                 const std::string& extra = "") {
  std::string s = "<ALVO>";
  if (!semNome) s += "<NOMEALVO>" + nome + "</NOMEALVO>";
  if (!lat.empty()) s += "<LATITUDE>" + lat + "</LATITUDE>";
  if (!lon.empty()) s += "<LONGITUDE>" + lon + "</LONGITUDE>";
  return s + extra + "</ALVO>";
}

std::string veiculos(const std::vector<std::string>& ids) {
  std::string s = "<VEICULO>";
  for (const auto& id : ids) s += "<IDTERMINAL>" + id + "</IDTERMINAL>";
  return s + "</VEICULO>";
}

// The reply piece of one target as the clients read it.
std::string itemStatus(const std::string& nome, const std::string& lat, const std::string& lon, int sts,
                       const std::vector<std::pair<std::string, int>>& veics = {}) {
  std::string s = " <Alvo>  <NomeAlvo>" + nome + "</NomeAlvo>  <Latitude>" + lat + "</Latitude>  <Longitude>" + lon +
                  "</Longitude>  <StsImportacao>" + std::to_string(sts) + "</StsImportacao> ";
  for (const auto& [id, st] : veics)
    s += " <Veiculo>  <IdTerminal>" + id + "</IdTerminal>  <StsAssociacao>" + std::to_string(st) +
         "</StsAssociacao>  </Veiculo> ";
  return s + " </Alvo> ";
}

std::string resposta(const std::string& nomeGrupo, const std::string& itens) {
  return " <CodMsg> -48 </CodMsg>  <GrupoAlvo>  <DataHoraEm> " + std::string(kAgora) + " </DataHoraEm>  <NomeGrupo> " +
         nomeGrupo + " </NomeGrupo> " + itens + " </GrupoAlvo> ";
}

std::string erro(const std::string& mensagem, const std::string& telecomando, const std::string& terminal = "") {
  return documento(telecmd::CorpoStatusErroXML(kAgora, {mensagem, telecomando, terminal, 0, -1}));
}

struct ImportaAlvosFixture : ::testing::Test {
  AmbienteSeguranca amb;
  int cliente = amb.canal.conecta("Sim");

  void SetUp() override {
    // 0A and 0C: KR-100 2.0.4 (250 targets); 0B: Zeta (1000 targets)
    amb.executa("INSERT INTO SuportaMilAlvos (Rastreador, VersaoDe, VersaoAte) VALUES (3, NULL, NULL)");
    for (auto [id, modelo, transp, frota] : {std::tuple{0xA, 1, 7, 70}, std::tuple{0xB, 3, 8, 80}, std::tuple{0xC, 1, 7, 71}})
      amb.executa("INSERT INTO tVeiculo (IdTerminal, IdTransp, IdFrota, Veiculo, Rastreador, Versao) VALUES (" +
                  std::to_string(id) + ", " + std::to_string(transp) + ", " + std::to_string(frota) + ", 'V" +
                  std::to_string(id) + "', " + std::to_string(modelo) + ", '2.0.4')");
    amb.executaSSE("INSERT INTO tPerfilAlvo (idPerfil, Nome, Nabert_Alvo, Tabert_Alvo, Deseng_Alvo, Tmanobra_Alvo, "
                   "Dmanobra_Alvo, Tolerancia_Alvo, PAbertBau, PManobra) VALUES (4, 'Descarga', 1, 2, 3, 4, 5, 6, 7, 8)");
  }

  // Sends the document and returns what the client read.
  std::string importa(const std::string& corpo, const std::string& grupo) {
    amb.envia(cliente, AmbienteSeguranca::telecomando("-9", corpo + "<GRUPOALVO>" + grupo + "</GRUPOALVO>"));
    return amb.canal.recebido(cliente);
  }

  std::vector<std::string> alvos() {
    return amb.linhas("SELECT Nome_Alvo, Lat_Alvo, Lon_Alvo, IdGrupo FROM tAlvo ORDER BY IdAlvo");
  }
  std::vector<std::string> associacoes() {
    return amb.linhas("SELECT IdVeiculo, A.Nome_Alvo, IdTransp, IdFrota, Status_AV, Origem FROM tAlvoVeic V "
                      "JOIN tAlvo A ON A.IdAlvo = V.IdAlvo ORDER BY V.IdAlvoVeic");
  }
};

TEST_F(ImportaAlvosFixture, StoresEveryFieldAndAnswersWithoutVehicles) {
  const std::string recebido =
      importa("<IDPERFILDEFINICAO>4</IDPERFILDEFINICAO>",
              "<NOMEGRUPO>Clientes &amp; Cia</NOMEGRUPO>" +
                  alvo("Mercado São Jorge"_cp, kLatSP, "-46,6333",
                        false,
                        "<RUAAVENIDA> Rua da Cantareira </RUAAVENIDA><NUMERO>306</NUMERO><BAIRRO>Centro</BAIRRO>"
                        "<CIDADE>São Paulo</CIDADE><UF>SP</UF><CEP>01024-000</CEP><FONE1>11 4000-1002</FONE1>"
                        "<FONE2>11 4000-1003</FONE2><FAX>11 4000-1004</FAX>"_cp));

  const std::string corpo =
      resposta("Clientes e Cia", itemStatus("Mercado Sao Jorge", "23 32 51.3\" S", "-46,6333", 0));
  EXPECT_EQ(recebido, documento(corpo));
  EXPECT_THAT(amb.linhas("SELECT IdGrupo, Nome_Grupo FROM tGrupo"), ElementsAre("1|Clientes & Cia"));
  EXPECT_THAT(amb.linhas("SELECT IdGrupo, Nome_Alvo, Lat_Alvo, Lon_Alvo, Ref_Alvo, End_Alvo, Num_Alvo, Com_Alvo, "
                         "Bairro_Alvo, CEP_Alvo, Cid_Alvo, UF_Alvo, Fone1_Alvo, Fone2_Alvo, Fax_Alvo, Email_Alvo, "
                         "Nabert_Alvo, Tabert_Alvo, Deseng_Alvo, Tmanobra_Alvo, Dmanobra_Alvo, Tolerancia_Alvo, "
                         "PAbertBau, PManobra, obs_alvo, NumOrdemRef, NumOrdemUser, idPerfil FROM tAlvo"),
              ElementsAre("1|Mercado São Jorge|23°32'51.3\" S|46°37'59.8\" W||Rua da Cantareira|306||Centro|"
                          "01024-000|São Paulo|SP|11 4000-1002|11 4000-1003|11 4000-1004||1|2|3|4|5|6|7|8||0|0|4"_cp));
  EXPECT_THAT(amb.linhas("SELECT bmp_alvo FROM tAlvo"), ElementsAre(security::TargetIcon()));
  EXPECT_EQ(security::TargetIcon().size(), 54u + 32 * 32 * 3);
  EXPECT_TRUE(associacoes().empty());

  const std::string log = amb.log();
  const auto inicio = log.find("TdmSegEletronica.Importar_Alvos (inicio) teste 3");
  const auto status = log.find("Enviar_Status_Importacao Inicio");
  const auto fim = log.find("TdmSegEletronica.Importar_Alvos (fim) 2");
  ASSERT_NE(inicio, std::string::npos);
  EXPECT_LT(inicio, status);
  const auto xml = log.find("Enviar_Status_Importacao FIM - xml=" + corpo);
  EXPECT_LT(status, xml);
  EXPECT_LT(xml, fim);
  EXPECT_NE(fim, std::string::npos);
}

// Vehicles A then B (and A again) are reported as B, A; an unregistered one is
// answered and left out; option ASSOCIACAOALVOSVEICULOS 0 removes the listed
// vehicles' associations first, 1 keeps them.
TEST_F(ImportaAlvosFixture, AssociatesWithTheListedVehiclesNewestFirst) {
  importa(veiculos({"0a"}) + "<ASSOCIACAOALVOSVEICULOS>1</ASSOCIACAOALVOSVEICULOS>",
          "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Antigo", kLatSP, kLonSP));
  ASSERT_EQ(associacoes().size(), 1u);

  const std::string recebido = importa(veiculos({"0A", "0b", " 0a "}) + veiculos({"FF"}),
                                       "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Loja 1", kLatSP, kLonSP) +
                                           alvo("Loja 2", "-23.5", "-46.5"));
  EXPECT_EQ(recebido,
            erro(" Veículo FF não está cadastrado !"_cp, "-9", "FF") +
                documento(resposta("G", itemStatus("Loja 1", "23 32 51.3\" S", "46 37 59.8\" W", 0,
                                                   {{"00000B", 0}, {"00000A", 0}}) +
                                            itemStatus("Loja 2", "-23.5", "-46.5", 0, {{"00000B", 0}, {"00000A", 0}}))));
  // the association of "Antigo" was removed (option 0 by default)
  EXPECT_THAT(associacoes(), ElementsAre("11|Loja 1|8|80|3|1", "10|Loja 1|7|70|3|1", "11|Loja 2|8|80|3|1",
                                         "10|Loja 2|7|70|3|1"));

  importa(veiculos({"0C"}) + "<ASSOCIACAOALVOSVEICULOS>1</ASSOCIACAOALVOSVEICULOS>",
          "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Loja 1", kLatSP, kLonSP));
  EXPECT_EQ(associacoes().size(), 5u);
  // importing again keeps one row per target and vehicle
  importa(veiculos({"0C"}) + "<ASSOCIACAOALVOSVEICULOS>1</ASSOCIACAOALVOSVEICULOS>",
          "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Loja 1", kLatSP, kLonSP));
  EXPECT_EQ(associacoes().size(), 5u);
}

// An IDTERMINAL without text ends the walk of the options: the vehicles read so
// far are kept, the options after it keep their defaults and no association is
// removed.
TEST_F(ImportaAlvosFixture, AnEmptyTerminalEndsTheWalkAndRemovesNothing) {
  importa(veiculos({"0A"}), "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Loja", kLatSP, kLonSP));
  const std::string recebido = importa(veiculos({"0A", "", "0B"}) + "<ACAONOVOS>1</ACAONOVOS>",
                                       "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Nova", "-10", "-40"));
  EXPECT_EQ(recebido, documento(resposta("G", itemStatus("Nova", "-10", "-40", 0, {{"00000A", 0}}))));
  EXPECT_THAT(associacoes(), ElementsAre("10|Loja|7|70|3|1", "10|Nova|7|70|3|1"));
}

TEST_F(ImportaAlvosFixture, NamesTakenGeneratedAndCarriedOver) {
  amb.executaSSE("INSERT INTO tAlvo (IdGrupo, Nome_Alvo, Lat_Alvo, Lon_Alvo) VALUES (9, 'Loja', 'x', 'y'), "
                 "(9, 'Loja [00001]', 'x', 'y')");
  const std::string recebido =
      importa("<ACAOCADASTRADOS>1</ACAOCADASTRADOS>",
              "<NOMEGRUPO> Centro </NOMEGRUPO>" + alvo("Loja", kLatSP, kLonSP) + alvo("", "-23.5", "-46.5") +
                  alvo("  ", "-23.6", "-46.625") + alvo("", "", "-46.7", true));
  EXPECT_EQ(recebido, documento(resposta("Centro", itemStatus("Loja", "23 32 51.3\" S", "46 37 59.8\" W", 0) +
                                                      itemStatus("", "-23.5", "-46.5", 0) +
                                                      itemStatus("", "-23.6", "-46.625", 0) +
                                                      itemStatus("", "-23.6", "-46.7", 0))));
  // the second unnamed target meets "Centro [00000001]" and is renamed; the
  // last one has no NOMEALVO and takes the name in use before it (the renamed
  // one), which exists, so it is renamed again
  EXPECT_THAT(alvos(), ElementsAre("Loja|x|y|9", "Loja [00001]|x|y|9", "Loja [00002]|" + kLatSP + "|" + kLonSP + "|1",
                                   "Centro [00000001]|23°30'00.0\" S|46°30'00.0\" W|1"_cp,
                                   "Centro [00000001] [00001]|23°36'00.0\" S|46°37'30.0\" W|1"_cp,
                                   "Centro [00000001] [00001] [00001]|23°36'00.0\" S|46°42'00.0\" W|1"_cp));

  // with ACAOCADASTRADOS 0 a target without NOMEALVO overwrites the one before it
  importa("", "<NOMEGRUPO>Centro</NOMEGRUPO>" + alvo("Loja", "-10", "-40") + alvo("", "", "-41", true));
  EXPECT_EQ(amb.linhas("SELECT Lat_Alvo, Lon_Alvo FROM tAlvo WHERE Nome_Alvo = 'Loja'"),
            std::vector<std::string>{"10°00'00.0\" S|41°00'00.0\" W"_cp});
}

TEST_F(ImportaAlvosFixture, CoordinatePairsAndOptionsDecideWhatIsStored) {
  amb.executaSSE("INSERT INTO tAlvo (IdGrupo, Nome_Alvo) VALUES (9, 'Existente')");
  const std::string recebido =
      importa("<ACAOCADASTRADOS>2</ACAOCADASTRADOS>",
              "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Marcador", "ABC", kLonSP) + alvo("Dois marcadores", "ABC", "XYZ") +
                  alvo("Zeros", "0", "0") + alvo("Vazios", "  ", " ") + alvo("Existente", "-10", "-40"));
  EXPECT_EQ(recebido, documento(resposta("G", itemStatus("Marcador", "ABC", "46 37 59.8\" W", 0) +
                                                  itemStatus("Dois marcadores", "ABC", "XYZ", 1) +
                                                  itemStatus("Zeros", "0", "0", 1) + itemStatus("Vazios", "", "", 1) +
                                                  itemStatus("Existente", "-10", "-40", 1))));
  EXPECT_THAT(alvos(), ElementsAre("Existente|||9", "Marcador|" + kMarcadorLat + "|" + kLonSP + "|1"));

  importa("<ACAONOVOS>1</ACAONOVOS>", "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Novo", "-10", "-40") +
                                          alvo("Existente", "-10", "-40"));
  EXPECT_THAT(alvos(), ElementsAre("Existente|10°00'00.0\" S|40°00'00.0\" W|1"_cp,
                                   "Marcador|" + kMarcadorLat + "|" + kLonSP + "|1"));
}

// Option values the import does not know refuse the document before anything
// changes: no association is removed and nothing is stored.
TEST_F(ImportaAlvosFixture, UnknownOptionValuesRefuseTheDocument) {
  importa(veiculos({"0A"}), "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Loja", kLatSP, kLonSP));
  ASSERT_EQ(associacoes().size(), 1u);
  EXPECT_EQ(importa(veiculos({"0A"}) + "<ACAONOVOS>2</ACAONOVOS>", "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Nova", "1", "2")),
            erro("Tag <AcaoNovos> com valor inválido (2), não é possível realizar a Importação de Alvos"_cp, "-9"));
  EXPECT_EQ(importa("<ACAOCADASTRADOS>3</ACAOCADASTRADOS>", "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Loja", "1", "2")),
            erro("Tag <AcaoCadastrados> com valor inválido (3), não é possível realizar a Importação de Alvos"_cp,
                 "-9"));
  EXPECT_EQ(associacoes().size(), 1u);
  EXPECT_THAT(alvos(), ElementsAre("Loja|" + kLatSP + "|" + kLonSP + "|1"));
}

TEST_F(ImportaAlvosFixture, GroupNamedByDateOnlyTheFirstGroupAndEmptyGroupRefused) {
  const std::string recebido = importa("", alvo("A", "-10", "-40") + "</GRUPOALVO><GRUPOALVO><NOMEGRUPO>Outro</NOMEGRUPO>" +
                                               alvo("B", "-10", "-40"));
  EXPECT_EQ(recebido, documento(resposta("", itemStatus("A", "-10", "-40", 0))));
  EXPECT_THAT(amb.linhas("SELECT IdGrupo, Nome_Grupo FROM tGrupo"), ElementsAre("1|02/01/2024"));
  EXPECT_THAT(alvos(), ElementsAre("A|10°00'00.0\" S|40°00'00.0\" W|1"_cp));

  EXPECT_EQ(importa("", ""),
            erro("Tag <GrupoAlvo> está em branco, não é possível realizar a Importação de Alvos"_cp, ""));
  amb.envia(cliente, AmbienteSeguranca::telecomando("-9"));
  EXPECT_EQ(amb.canal.recebido(cliente),
            erro("Tag <GrupoAlvo> está em branco, não é possível realizar a Importação de Alvos"_cp, ""));
}

// A vehicle at its capacity gets association status 1; the Zeta unit, in the
// capacity table, still has room.
TEST_F(ImportaAlvosFixture, VehicleAtItsCapacityRefusesFurtherTargets) {
  amb.executaSSE("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 250) "
                 "INSERT INTO tAlvoVeic (IdVeiculo, IdAlvo) SELECT v, 1000 + i FROM n, (SELECT 10 AS v UNION SELECT 11)");
  const std::string recebido =
      importa(veiculos({"0A", "0B"}) + "<ASSOCIACAOALVOSVEICULOS>1</ASSOCIACAOALVOSVEICULOS>",
              "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Um", "-10", "-40") + alvo("Dois", "-11", "-41"));
  EXPECT_EQ(recebido, documento(resposta("G", itemStatus("Um", "-10", "-40", 0, {{"00000B", 0}, {"00000A", 1}}) +
                                                  itemStatus("Dois", "-11", "-41", 0, {{"00000B", 0}, {"00000A", 1}}))));
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tAlvoVeic WHERE IdVeiculo = 10"), 250);
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tAlvoVeic WHERE IdVeiculo = 11"), 252);
}

TEST(SuportaMilAlvos, ModelsVersionsAndRanges) {
  AmbienteSeguranca amb;
  amb.executa("INSERT INTO SuportaMilAlvos (Rastreador, VersaoDe, VersaoAte) VALUES (3, NULL, NULL), "
              "(2, '2.0.0', NULL), (1, '2.1.0', '2.3.0')");
  const struct {
    int modelo;
    const char* versao;
    bool mil;
  } casos[] = {{3, "", true},       {3, "0.1", true},   {2, "1.9.9", false}, {2, "2.0.0", true},
               {2, "3.0", true},    {1, "2.0.9", false}, {1, "2.1.0", true},  {1, "2.2.9", true},
               {1, "2.3.0", false}, {4, "2.2.0", false}};
  for (const auto& c : casos)
    EXPECT_EQ(security::SuportaMilAlvos(*amb.dbZenthora, c.modelo, c.versao), c.mil) << c.modelo << " " << c.versao;
}

// A target whose row cannot be stored gets status 1 and the import goes on;
// texts longer than their column are cut, and a long name found again is
// overwritten, not stored twice.
TEST_F(ImportaAlvosFixture, FailuresAndLongTextsStayWithTheirTarget) {
  amb.executaSSE("CREATE TRIGGER recusa BEFORE INSERT ON tAlvo WHEN NEW.Nome_Alvo = 'Falha' "
                 "BEGIN SELECT RAISE(ABORT, 'recusado'); END");
  const std::string longo(60, 'N');
  const std::string cidade(30, 'C');
  for (int vez = 0; vez < 2; ++vez) {
    const std::string recebido =
        importa(veiculos({"0A"}), "<NOMEGRUPO>G</NOMEGRUPO>" + alvo("Falha", "-10", "-40") +
                                      alvo(longo, "-11", "-41", false, "<CIDADE>" + cidade + "</CIDADE><UF>SPX</UF>"));
    EXPECT_EQ(recebido, documento(resposta("G", itemStatus("Falha", "-10", "-40", 1) +
                                                    itemStatus(longo, "-11", "-41", 0, {{"00000A", 0}}))));
  }
  EXPECT_THAT(amb.linhas("SELECT Nome_Alvo, Cid_Alvo, UF_Alvo FROM tAlvo"),
              ElementsAre(longo.substr(0, 50) + "|" + cidade.substr(0, 25) + "|SP"));
  EXPECT_EQ(associacoes().size(), 1u);
}

}  // namespace
