// The fence import (-10) through the telecommand processor on the embedded
// central: stored fences with their profile values, names, associations and
// the status reply as every client reads it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text/cp1252.h"
#include "server/telecmd/resposta_erro.h"
#include "tests/server/security/ambiente_seguranca.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::test::AmbienteSeguranca;
using kvt::test::documento;
using kvt::test::kAgora;
using ::testing::ElementsAre;

namespace {

std::string cerca(const std::string& filhos) { return "<CERCA>" + filhos + "</CERCA>"; }
std::string nome(const std::string& n) { return "<NOMECERCA>" + n + "</NOMECERCA>"; }
std::string coords(const std::string& lat, const std::string& lon) {
  return "<LATITUDE>" + lat + "</LATITUDE><LONGITUDE>" + lon + "</LONGITUDE>";
}

std::string itemStatus(const std::string& n, const std::string& lat, const std::string& lon, int sts,
                       const std::vector<std::pair<std::string, int>>& veics = {}) {
  std::string s = " <Cerca>  <NomeCerca>" + n + "</NomeCerca>  <Latitude>" + lat + "</Latitude>  <Longitude>" + lon +
                  "</Longitude>  <StsImportacao>" + std::to_string(sts) + "</StsImportacao> ";
  for (const auto& [id, st] : veics)
    s += " <Veiculo>  <IdTerminal>" + id + "</IdTerminal>  <StsAssociacao>" + std::to_string(st) +
         "</StsAssociacao>  </Veiculo> ";
  return s + " </Cerca> ";
}

std::string resposta(const std::string& nomeGrupo, const std::string& itens) {
  return documento(" <CodMsg> -49 </CodMsg>  <GrupoCerca>  <DataHoraEm> " + std::string(kAgora) +
                   " </DataHoraEm>  <NomeGrupo> " + nomeGrupo + " </NomeGrupo> " + itens + " </GrupoCerca> ");
}

struct ImportaCercasFixture : ::testing::Test {
  AmbienteSeguranca amb;
  int cliente = amb.canal.conecta("Sim");

  void SetUp() override {
    for (int id : {0xA, 0xB})
      amb.executa("INSERT INTO tVeiculo (IdTerminal, IdTransp, IdFrota, Veiculo) VALUES (" + std::to_string(id) + ", " +
                  std::to_string(id + 100) + ", " + std::to_string(id + 200) + ", 'V')");
    amb.executaSSE("INSERT INTO tPerfilCerca (idPerfil, Nome, Formato, Tipo, Lado_A, Lado_B, EntDeslacreBau, EntAcao, "
                   "SaiAcao, SaiAtivaRastreador) VALUES (6, 'Pátio', 1, 2, 200.5, 100, 1, 2, 3, 4)"_cp);
  }
  void perfilPadrao(const std::string& valor) {
    amb.executaSSE("INSERT INTO tParam (IdModulo, IdParam, ValParamDefault) VALUES (1, 5, '" + valor + "')");
  }

  std::string importa(const std::string& corpo, const std::string& grupo) {
    amb.envia(cliente, AmbienteSeguranca::telecomando("-10", corpo + "<GRUPOCERCA>" + grupo + "</GRUPOCERCA>"));
    return amb.canal.recebido(cliente);
  }
  std::vector<std::string> cercas() {
    return amb.linhas("SELECT Nome, Latitude, Longitude, IDGrupoCerca, Formato, Tipo, Lado_A, Lado_B, idPerfil "
                      "FROM tCerca ORDER BY IDCerca");
  }
};

// Two vehicles and three stored fences: six association attempts; a refused
// fence is listed with what it received and gets none.
TEST_F(ImportaCercasFixture, StoresWithTheDefaultProfileAndAssociatesEveryStoredFence) {
  perfilPadrao("6");
  const std::string recebido = importa(
      "<VEICULO><IDTERMINAL>0a</IDTERMINAL><IDTERMINAL>0B</IDTERMINAL></VEICULO>",
      "<NOMEGRUPO>Pátios</NOMEGRUPO>"_cp +
          cerca(nome("Pátio Guarulhos"_cp) + coords("23°27'17.9\" S"_cp, "46 32 02.3 W") +
                "<RUAAVENIDA>Rod. Dutra</RUAAVENIDA><CIDADE>Guarulhos</CIDADE><UF>SP</UF><CEP>07034-000</CEP>"
                "<NUMERO>2100</NUMERO><BAIRRO>Cumbica</BAIRRO><FONE1>1</FONE1><FONE2>2</FONE2><FAX>3</FAX>") +
          cerca(nome("Campinas") + coords("-22.75", "-47.0625")) + cerca(nome("Sem coordenadas")) +
          cerca(nome("Santos") + coords("2357388S", "4620009O")));

  EXPECT_EQ(recebido,
            resposta("Patios", itemStatus("Patio Guarulhos", "23 27 17.9\" S", "46 32 02.3 W", 0,
                                          {{"00000B", 0}, {"00000A", 0}}) +
                                   itemStatus("Campinas", "-22.75", "-47.0625", 0, {{"00000B", 0}, {"00000A", 0}}) +
                                   itemStatus("Sem coordenadas", "", "", 1) +
                                   itemStatus("Santos", "2357388S", "4620009O", 0, {{"00000B", 0}, {"00000A", 0}})));
  EXPECT_THAT(cercas(),
              ElementsAre("Pátio Guarulhos|23°27'17.9\" S||1|1|2|200,5|100|6"_cp,
                          "Campinas|22°45'00.0\" S|47°03'45.0\" W|1|1|2|200,5|100|6"_cp,
                          "Santos|23°57'38.8\" S|46°20'00.9\" W|1|1|2|200,5|100|6"_cp));
  EXPECT_THAT(amb.linhas("SELECT Endereco, Cidade, UF, CEP, Numero, Bairro, Fone1, Fone2, Fax, Referencia, "
                         "Complemento, EntDeslacreBau, EntAcao, SaiAcao, SaiAtivaRastreador, EntLibMov FROM tCerca "
                         "WHERE IDCerca = 1"),
              ElementsAre("Rod. Dutra|Guarulhos|SP|07034-000|2100|Cumbica|1|2|3|||1|2|3|4|0"));
  EXPECT_THAT(amb.linhas("SELECT IDVeiculo, IDCerca, IDTransp, IDFrota, Status, Origem FROM tCercaVeic ORDER BY 1, 2"),
              ElementsAre("10|1|110|210|3|1", "10|2|110|210|3|1", "10|3|110|210|3|1", "11|1|111|211|3|1",
                          "11|2|111|211|3|1", "11|3|111|211|3|1"));
  // importing again replaces each association, never doubles it
  importa("<VEICULO><IDTERMINAL>0A</IDTERMINAL></VEICULO>", "<NOMEGRUPO>Pátios</NOMEGRUPO>"_cp + cerca(nome("Campinas") + coords("-22.75", "-47.0625")));
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tCercaVeic"), 6);
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tGrupoCerca"), 1);
}

// The third fence of group Norte without a name is "Norte [00000003]"; a fence
// without NOMECERCA keeps an empty name; fences keep nothing of one another;
// an empty CERCA is skipped and not counted.
TEST_F(ImportaCercasFixture, NamesAndFreshRecords) {
  const std::string recebido =
      importa("", "<NOMEGRUPO> Norte </NOMEGRUPO>" + cerca(nome("A") + coords("-10", "-40") + "<CIDADE>X</CIDADE>") +
                      "<CERCA/>" + cerca(nome("B") + coords("-11", "-41")) + cerca(nome(" ") + coords("-12", "-42")) +
                      cerca(coords("-13", "-43")) + cerca(nome("D")));
  EXPECT_EQ(recebido, resposta("Norte", itemStatus("A", "-10", "-40", 0) + itemStatus("B", "-11", "-41", 0) +
                                            itemStatus("", "-12", "-42", 0) + itemStatus("", "-13", "-43", 0) +
                                            itemStatus("D", "", "", 1)));
  EXPECT_THAT(amb.linhas("SELECT Nome, Cidade FROM tCerca ORDER BY IDCerca"),
              ElementsAre("A|X", "B|", "Norte [00000003]|", "|"));
}

TEST_F(ImportaCercasFixture, ProfileDefaultsWhenTParamNamesNoProfile) {
  for (const char* padrao : {"", "99"}) {
    amb.executaSSE("DELETE FROM tParam");
    if (*padrao) perfilPadrao(padrao);
    importa("", "<NOMEGRUPO>G</NOMEGRUPO>" + cerca(nome(std::string("F") + padrao) + coords("-10", "-40")));
  }
  EXPECT_THAT(cercas(), ElementsAre("F|10°00'00.0\" S|40°00'00.0\" W|1|0|0|50|50|-1"_cp,
                                    "F99|10°00'00.0\" S|40°00'00.0\" W|1|0|0|50|50|-1"_cp));
}

TEST_F(ImportaCercasFixture, OptionsForNewAndExistingFences) {
  amb.executaSSE("INSERT INTO tCerca (Nome, Obs) VALUES ('Loja', 'guardada'), ('Loja [00001]', '')");
  importa("<ACAOCADASTRADOS>1</ACAOCADASTRADOS>", "<NOMEGRUPO>G</NOMEGRUPO>" + cerca(nome("Loja") + coords("-10", "-40")));
  importa("<ACAOCADASTRADOS>2</ACAOCADASTRADOS>", "<NOMEGRUPO>G</NOMEGRUPO>" + cerca(nome("Loja") + coords("-11", "-41")));
  importa("<ACAONOVOS>1</ACAONOVOS>", "<NOMEGRUPO>G</NOMEGRUPO>" + cerca(nome("Nova") + coords("-12", "-42")) +
                                          cerca(nome("Loja") + coords("-13", "-43")));
  // overwriting keeps what the import does not set (Obs)
  EXPECT_THAT(amb.linhas("SELECT Nome, Latitude, Obs FROM tCerca ORDER BY IDCerca"),
              ElementsAre("Loja|13°00'00.0\" S|guardada"_cp, "Loja [00001]||", "Loja [00002]|10°00'00.0\" S|"_cp));
  EXPECT_EQ(importa("<ACAONOVOS>2</ACAONOVOS>", "<NOMEGRUPO>G</NOMEGRUPO>" + cerca(nome("X") + coords("-1", "-1"))),
            documento(telecmd::CorpoStatusErroXML(
                kAgora, {"Tag <AcaoNovos> com valor inválido (2), não é possível realizar a Importação de Cercas"_cp,
                         "-10", "", 0, -1})));
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tCerca"), 3);
}

// A group without a name is reported with today's date; an empty group is
// neither imported nor answered; an unregistered vehicle is answered and left out.
TEST_F(ImportaCercasFixture, GroupNameVehicleErrorsAndEmptyGroup) {
  const std::string recebido = importa("<VEICULO><IDTERMINAL>ff</IDTERMINAL></VEICULO>",
                                       cerca(nome("A") + coords("-10", "-40")));
  EXPECT_EQ(recebido, documento(telecmd::CorpoStatusErroXML(kAgora, {" Veículo ff não está cadastrado !"_cp, "-10",
                                                                      "ff", 0, -1})) +
                          resposta("02/01/2024", itemStatus("A", "-10", "-40", 0)));
  EXPECT_THAT(amb.linhas("SELECT Nome FROM tGrupoCerca"), ElementsAre("02/01/2024"));

  EXPECT_EQ(importa("", ""), "");
  EXPECT_EQ(amb.conta("SELECT count(*) FROM tCerca"), 1);
}

}  // namespace
