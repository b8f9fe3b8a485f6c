#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/text/cp1252.h"
#include "tests/server/security/ambiente_importacao.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::test::AmbienteImportacao;
using kvt::test::erroImportacao;

namespace {

std::string veiculos(const std::vector<std::string>& ids) {
  std::string s = "<Veiculo>";
  for (const std::string& id : ids) s += "<IdTerminal>" + id + "</IdTerminal>";
  return s + "</Veiculo>";
}

std::string mensagem(const std::string& tipo, const std::string& texto) {
  return "<MensagemELP><TipoMsg>" + tipo + "</TipoMsg><Mensagem>" + texto + "</Mensagem></MensagemELP>";
}

std::string statusELP(const std::vector<std::pair<std::string, int>>& veiculos) {
  std::string s = " <CodMsg> -61 </CodMsg>  <MensagensELP>  <DataHoraEm> 02/01/2024 03:04:05 </DataHoraEm> ";
  for (const auto& [id, sts] : veiculos)
    s += " <Veiculo>  <IdTerminal>" + id + "</IdTerminal>  <StsAssociacao>" + std::to_string(sts) +
         "</StsAssociacao>  </Veiculo> ";
  return s + " </MensagensELP> ";
}

const std::string kSem = "A configuração será gravada sem essa mensagem"_cp;

// The configuration rows of a vehicle: type, sequence, text, origin.
std::vector<std::string> configuracao(AmbienteImportacao& amb, int idTerminal) {
  return amb.linhasZenthora(
      "SELECT C.TipoMsg, C.Sequencia, M.Mensagem, C.Origem, C.IdSequencia FROM tCfgMensagemExtensaoLogistica C "
      "JOIN tMensagemExtensaoLogistica M ON M.idMsg = C.idMsg WHERE C.IdTerminal = " +
      std::to_string(idTerminal) + " AND C.IdConfig = 0 ORDER BY C.TipoMsg, C.Sequencia");
}

TEST(ImportacaoMensagensELP, MessagesGoToTheLastVehicleNamedAndTheOthersFollowIt) {
  AmbienteImportacao amb;
  // an older configuration of vehicle A is replaced, not added to
  amb.executa("INSERT INTO tMensagemExtensaoLogistica (idMsg, TipoMsg, Mensagem) VALUES (900, 2, 'Antiga')");
  amb.executa("INSERT INTO tCfgMensagemExtensaoLogistica (IdTerminal, IdConfig, idMsg, TipoMsg, Sequencia) "
              "VALUES (10, 0, 900, 2, 1)");
  amb.importa("-15", veiculos({"A", "b", "0C", "A"}) + "<MensagensELP>" + mensagem("0", "  Chegada no cliente  ") +
                         mensagem("2", "Saída do cliente com 25 c"_cp) + mensagem("1", "Aguardando doca") +
                         mensagem("0", "Descarga iniciada") + "</MensagensELP>");

  const std::string status = statusELP({{"00000C", 0}, {"00000B", 0}, {"00000A", 0}});
  EXPECT_EQ(amb.canal.enfileirados(), (std::vector<std::string>{status}));
  EXPECT_EQ(amb.canal.recebido(amb.cliente), test::documento(status));  // the status reply only
  // the text is cut to its first 18 characters
  EXPECT_EQ(configuracao(amb, 0xC),
            (std::vector<std::string>{"0|1|Chegada no cliente|1|0", "0|2|Descarga iniciada|1|0",
                                      "1|2|Aguardando doca|1|0", "2|1|" + "Saída do cliente c"_cp + "|1|0"}));
  EXPECT_EQ(configuracao(amb, 0xB), configuracao(amb, 0xC));
  EXPECT_EQ(configuracao(amb, 0xA), configuracao(amb, 0xC));
}

TEST(ImportacaoMensagensELP, PerTypeLimitsLeaveTheRestOutAndMarkEveryVehicle) {
  AmbienteImportacao amb;
  std::string m;
  for (int i = 1; i <= 101; ++i) m += mensagem("0", "Chegada " + std::to_string(i));
  for (int i = 1; i <= 16; ++i) m += mensagem("1", "Espera " + std::to_string(i));
  for (int i = 1; i <= 16; ++i) m += mensagem("2", "Saida " + std::to_string(i));
  amb.importa("-15", veiculos({"A", "B"}) + "<MensagensELP>" + m + "</MensagensELP>");

  const std::string limite = "Configuração atingiu o limite do número de mensagens. "_cp + kSem + ": ";
  EXPECT_EQ(amb.canal.recebido(amb.cliente), erroImportacao(limite + "Chegada 101") +
                                                 erroImportacao(limite + "Espera 16") +
                                                 test::documento(statusELP({{"00000B", 2}, {"00000A", 2}})));
  const std::vector<std::string> linhas = configuracao(amb, 0xB);
  ASSERT_EQ(linhas.size(), 100u + 15u + 16u);
  EXPECT_EQ(linhas[0], "0|1|Chegada 1|1|0");
  EXPECT_EQ(linhas[99], "0|100|Chegada 100|1|0");
  EXPECT_EQ(linhas[100], "1|2|Espera 1|1|0");  // type 1 starts at 2
  EXPECT_EQ(linhas[114], "1|16|Espera 15|1|0");
  EXPECT_EQ(linhas[115], "2|1|Saida 1|1|0");
  EXPECT_EQ(linhas[130], "2|16|Saida 16|1|0");
  EXPECT_EQ(configuracao(amb, 0xA), linhas);
}

// Each rejected message is named by its replies, in order, and left out;
// the rest is stored and every vehicle gets status 2.
TEST(ImportacaoMensagensELP, RejectedMessagesAreAnsweredAndLeftOut) {
  struct Caso {
    std::string elemento;
    std::vector<std::string> erros;
  };
  const std::string incompleto = "Configuração de mensagem incompleto. "_cp + kSem + ": ";
  const std::vector<Caso> casos = {
      {mensagem("x", "Texto"), {"Tag <TipoMsg> informado erroneamente. "_cp + kSem, incompleto + "Texto"}},
      {"<MensagemELP><TipoMsg/><Mensagem>Texto</Mensagem></MensagemELP>",
       {"Tag <TipoMsg> informado erroneamente. "_cp + kSem, incompleto + "Texto"}},
      {mensagem("3", "Texto"), {"Tipo de mensagem inválido. "_cp + kSem + ": Texto"}},
      {mensagem("-1", "Texto"), {incompleto + "Texto"}},
      {mensagem("1", "&#32;&#32;"), {"Tag <Mensagem> vazia. "_cp + kSem, incompleto}},
      {"<MensagemELP><TipoMsg>1</TipoMsg><Mensagem/></MensagemELP>",
       {"Tag <Mensagem> informado erroneamente. "_cp + kSem, incompleto}},
      {"<MensagemELP><Mensagem>Texto</Mensagem></MensagemELP>", {incompleto + "Texto"}},
  };
  for (const Caso& c : casos) {
    AmbienteImportacao amb;
    amb.importa("-15", veiculos({"A"}) + "<MensagensELP>" + c.elemento + mensagem("0", "Fica") + "</MensagensELP>");
    std::string esperado;
    for (const std::string& e : c.erros) esperado += erroImportacao(e);
    EXPECT_EQ(amb.canal.recebido(amb.cliente), esperado + test::documento(statusELP({{"00000A", 2}}))) << c.elemento;
    EXPECT_EQ(configuracao(amb, 0xA), (std::vector<std::string>{"0|1|Fica|1|0"})) << c.elemento;
  }
}

TEST(ImportacaoMensagensELP, DocumentsWithoutVehiclesOrMessagesStoreNothing) {
  const std::string complemento =
      ", não é possível realizar a Importação de Mensagens de Extensão Logística de Parada"_cp;
  struct Caso {
    std::string corpo;
    std::string recebido;
  };
  const std::vector<Caso> casos = {
      {veiculos({"1F", "20"}) + "<MensagensELP>" + mensagem("0", "M") + "</MensagensELP>",
       erroImportacao(" Veículo 1F não está cadastrado !"_cp) + erroImportacao(" Veículo 20 não está cadastrado !"_cp) +
           erroImportacao("Tag <Veiculo> está em branco"_cp + complemento)},
      // an IDTERMINAL without text ends the list: B is never read
      {veiculos({"", "B"}) + "<MensagensELP>" + mensagem("0", "M") + "</MensagensELP>",
       erroImportacao("Tag <Veiculo> está em branco"_cp + complemento)},
      {veiculos({"A"}) + "<MensagensELP> </MensagensELP>",
       erroImportacao("Tag <MensagensELP> está em branco"_cp + complemento)},
      {veiculos({"A"}), ""},
  };
  for (const Caso& c : casos) {
    AmbienteImportacao amb;
    amb.importa("-15", c.corpo);
    EXPECT_EQ(amb.canal.recebido(amb.cliente), c.recebido) << c.corpo;
    EXPECT_TRUE(amb.canal.enfileirados().empty()) << c.corpo;
    EXPECT_TRUE(amb.linhasZenthora("SELECT * FROM tCfgMensagemExtensaoLogistica").empty()) << c.corpo;
  }
}

// Random documents of vehicles and messages, some elements misspelt or
// empty: every one is answered or refused, and what is stored never breaks
// the per-type sequence rules.
TEST(ImportacaoMensagensELP, RandomDocumentsKeepTheSequenceRules) {
  AmbienteImportacao amb;
  std::mt19937 gerador(15);
  const std::vector<std::string> ids = {"A", "B", "C", "D", "", "zz"};
  const std::vector<std::string> tipos = {"0", "1", "2", "3", "", "a", " 1 ", "$2"};
  const std::vector<std::string> textos = {"Chegada", "", "  ", "Uma mensagem muito longa para caber", "&amp;<>",
                                           "Saída"_cp};
  auto escolhe = [&](const std::vector<std::string>& v) { return v[gerador() % v.size()]; };
  for (int i = 0; i < 60; ++i) {
    std::string corpo;
    for (int v = static_cast<int>(gerador() % 3); v > 0; --v) corpo += veiculos({escolhe(ids), escolhe(ids)});
    corpo += "<MensagensELP>";
    for (int m = static_cast<int>(gerador() % 40); m > 0; --m) {
      if (gerador() % 5 == 0)
        corpo += "<MensagemELP><TipoMsg>" + escolhe(tipos) + "</TipoMsg></MensagemELP>";
      else
        corpo += mensagem(escolhe(tipos), escolhe(textos));
    }
    corpo += "</MensagensELP>";
    amb.importa("-15", corpo);
    amb.canal.recebido(amb.cliente);
  }
  EXPECT_TRUE(amb.linhasZenthora("SELECT IdTerminal, TipoMsg FROM tCfgMensagemExtensaoLogistica "
                                 "GROUP BY IdTerminal, TipoMsg "
                                 "HAVING count(*) <> count(DISTINCT Sequencia) OR TipoMsg NOT IN (0, 1, 2)")
                  .empty());
  EXPECT_TRUE(amb.linhasZenthora("SELECT Mensagem FROM tMensagemExtensaoLogistica WHERE length(Mensagem) > 18 "
                                 "OR length(trim(Mensagem)) = 0")
                  .empty());
  EXPECT_TRUE(amb.linhasZenthora("SELECT 1 FROM tCfgMensagemExtensaoLogistica WHERE (TipoMsg = 1 AND Sequencia < 2) "
                                 "OR Sequencia > 100 OR (TipoMsg > 0 AND Sequencia > 16)")
                  .empty());
}

}  // namespace
