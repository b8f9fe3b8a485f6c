// Formatted messages (5C and 6A) through the telecommand processor on a real
// embedded central and real sockets: the definitions in tCfgMacro,
// tCfgMacroCampos and tMacroVeic, the telecommand rows and the reply bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "central/quillon/quillon_sim.h"
#include "platform/text/cp1252.h"
#include "server/operations/operacao.h"
#include "server/operations/tratadores.h"
#include "tests/server/telecmd/ambiente_telecmd.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::test::AmbienteTeleCmd;
using kvt::test::documento;
using kvt::test::respostaErro;
using kvt::test::todosOsCodigos;

namespace {

// A Campo element; empty texts leave the element out.
std::string campo(const std::string& nome, const std::string& tipo, const std::string& tam,
                  const std::string& lin = "") {
  std::string c = "<Campo><NomeCampo>" + nome + "</NomeCampo><PosEdCampo>1</PosEdCampo><ObrigCampo>1</ObrigCampo>";
  if (!tipo.empty()) c += "<TipoCampo>" + tipo + "</TipoCampo>";
  if (!tam.empty()) c += "<TamCampo>" + tam + "</TamCampo>";
  if (!lin.empty()) c += "<LinCampo>" + lin + "</LinCampo>";
  return c + "</Campo>";
}

std::string macro(const std::string& hash, const std::string& terminal, const std::string& campos,
                  const std::string& te = "1", const std::string& tc = "1") {
  return "<Macro><NomeMacro>Entrega</NomeMacro><NroSeqMacro>" + hash + "</NroSeqMacro><Terminal>" + terminal +
         "</Terminal><TE>" + te + "</TE><TC>" + tc + "</TC>" + campos + "</Macro>";
}

std::string campos(int n, const std::string& tam = "1") {
  std::string c;
  for (int i = 0; i < n; ++i) c += campo("C" + std::to_string(i), "1", tam);
  return c;
}

struct MensagensFormatadas : ::testing::Test {
  AmbienteTeleCmd amb{todosOsCodigos()};
  int cliente = amb.canal.conecta("Sim");

  void SetUp() override {
    amb.estado.BaseAtiva = true;
    amb.executa(
        "INSERT INTO tRastreador (Rastreador, ListaKVT) VALUES (2, 1), (5, 0);"
        // 1000: console 5; 1001: console 1; 1005: a GPRS/satellite unit in power-saving mode
        "INSERT INTO tVeiculo (IdTerminal, Rastreador, Versao, TipoComunicacao, TipoConsole) VALUES"
        " (4096, 2, '2.0', 1, 5), (4097, 2, '2.0', 1, 1), (4101, 2, '2.0', 6, 1);"
        "INSERT INTO tTeleEvento (IdSequencia, IdTerminal, Evento, DataHoraRec, TecnologiaEvento) VALUES"
        " (3, 4101, 57, datetime('now','localtime','-1 minute'), 2);"
        "INSERT INTO tGridVeiculos (IdTerminal, IdSeq_LastCnx) VALUES (4101, 3)");
  }

  void envia(const std::string& codMsg, int idSeqMsg, const std::string& corpo, const std::string& terminal = "1000") {
    std::string xml = "<telecomando><CodMsg>" + codMsg + "</CodMsg><IdSeqMsg>" + std::to_string(idSeqMsg) +
                      "</IdSeqMsg>";
    if (!terminal.empty()) xml += "<IdTerminal>" + terminal + "</IdTerminal>";
    amb.envia(cliente, xml + corpo + "</telecomando>");
  }
  std::string recebido() { return amb.canal.recebido(cliente); }
  // The rows of a query, one text per row with its columns joined by "|".
  std::vector<std::string> linhas(const std::string& sql) { return kvt::test::linhasDe(*amb.dbZenthora, sql); }
  std::size_t definicoes() {
    return linhas("SELECT 1 FROM tCfgMacro").size() + linhas("SELECT 1 FROM tCfgMacroCampos").size() +
           linhas("SELECT 1 FROM tMacroVeic").size() + linhas("SELECT 1 FROM tTelecomando").size();
  }
};

using Linhas = std::vector<std::string>;

}  // namespace

TEST_F(MensagensFormatadas, LimitsRefuseTheWholeDocumentBeforeAnythingIsWritten) {
  const std::string kBytes = "Mensagem formatada com mais de 512 bytes uteis. Telecomando nao pode ser enviado.";
  const std::string kCampos =
      "Mensagem formatada com mais campos do que o permitido para o tipo de terminal. Telecomando nao pode ser "
      "enviado.";
  struct Caso {
    std::string macros;
    std::string mensagem;
  };
  const Caso casos[] = {
      // a valid form first: it is not stored either
      {macro("10", "5", campos(1)) + macro("11", "5", campo("A", "1", "100") + campo("B", "1", "100") +
                                                          campo("C", "1", "12")),
       kBytes},
      // the limit uses the declared size, even where the type fixes a smaller one
      {macro("12", "5", campo("A", "5", "100") + campo("B", "5", "100") + campo("C", "5", "12")), kBytes},
      {macro("13", "4", campos(21)), kCampos},
      {macro("14", "5", campos(81)), kCampos},
  };
  int seq = 1;
  for (const Caso& c : casos) {
    envia("5C", seq, c.macros);
    EXPECT_EQ(recebido(), respostaErro(seq, "001000", "5C", 0, c.mensagem)) << seq;
    ++seq;
  }
  EXPECT_EQ(definicoes(), 0u);
  EXPECT_EQ(amb.estado.TotalCmdEnviados, 0);

  // 21 fields for a full console, 512 bytes exactly
  envia("5C", 20, macro("15", "5", campos(21)) + macro("16", "4", campo("A", "1", "100") + campo("B", "1", "100")));
  EXPECT_EQ(recebido(), "");
  EXPECT_EQ(linhas("SELECT idMacro, count(*), sum(Tam) FROM tCfgMacroCampos GROUP BY idMacro ORDER BY idMacro"),
            (Linhas{"21|21|21", "22|2|512"}));
  EXPECT_EQ(amb.estado.TotalCmdEnviados, 1);
}

TEST_F(MensagensFormatadas, DefinitionsAreStoredAsTheConsoleShowsThem) {
  const std::string m1 = macro("80000001", "5",
                               campo("Tipo", "5", "14") + campo("Descri\xE7\xE3o", "1", "F", "7") +
                                   campo("Obs", "1", "14"),
                               "0", "1");
  const std::string m2 = macro("2A", "1", campo("x", "3", "1"), "0", "0");
  envia("5C", 40, m1 + m2, "");  // no vehicle: nothing is written
  envia("5C", 41, "<Veiculo><IdTerminal>1001</IdTerminal><IdTerminal>9999</IdTerminal></Veiculo>" + m2, "");
  EXPECT_EQ(recebido(), respostaErro(41, "9999", "5C", 0, " Veiculo 9999 nao esta cadastrado !"));
  // console type 1 shows upper case only
  EXPECT_EQ(linhas("SELECT idMacro, idultimo, Titulo, Terminal, Enviado, Hash, TE, TC FROM tCfgMacro ORDER BY idMacro"),
            (Linhas{"42|0|ENTREGA|1|0|42|0|1"}));
  EXPECT_EQ(linhas("SELECT idMacro, idTerminal, Status, Central, IdSeq FROM tMacroVeic ORDER BY idTerminal"),
            (Linhas{"42|4097|3|0|1"}));
  EXPECT_EQ(linhas("SELECT IdSeqMsg, IdTerminal, CodMsg, StatusEnvio FROM tTelecomando ORDER BY IdSequencia"),
            (Linhas{"41|4097|92|16"}));

  // the first document again, to the console that shows everything
  envia("5C", 42, m1 + m2);
  EXPECT_EQ(recebido(), "");
  EXPECT_EQ(linhas("SELECT idMacro, Titulo, Terminal, Hash, TE, TC, idGrupo = (SELECT IdGrupo FROM tGrupoMacro WHERE "
                   "Nome_Grupo = 'GRUPO CADASTRADO PELO KVTPLUS') FROM tCfgMacro ORDER BY idMacro"),
            (Linhas{"-2147483647|Entrega|5|-2147483647|1|0|1", "42|Entrega|1|42|0|1|1"}));
  EXPECT_EQ(linhas("SELECT idCampo, Nome, Tipo, Tam, lin, col, alin, Obrig FROM tCfgMacroCampos WHERE idMacro < 0 "
                   "ORDER BY idCampo"),
            (Linhas{"1|Tipo|5|5|1|1|1|1", "2|Descri\xE7\xE3o|1|15|7|1|1|1", "3|Obs|1|20|5|1|1|1"}));
  EXPECT_EQ(linhas("SELECT idMacro, IdSeq FROM tMacroVeic WHERE idTerminal = 4096 ORDER BY IdSeq"),
            (Linhas{"-2147483647|1", "42|2"}));
  EXPECT_NE(amb.log().find("Enviando Configura\xE7\xE3o de Mensagens Formatadas para IdTerminal[4096] IdSeqMsg[42]"),
            std::string::npos);

  // -12 lists the definitions with TE and TC as the clients sent them
  operations::TdmOperacao op(operations::TdmOperacao::Dependencias{*amb.dbZenthora, *amb.dbZenthora, amb.canal,
                                                                   *amb.respostas, *amb.permissao, amb.cfg,
                                                                   amb.estado});
  operations::DefineTratadoresOperacao(*amb.teleCmd, op);
  amb.envia(cliente, "<telecomando><CodMsg>-12</CodMsg></telecomando>");
  ASSERT_FALSE(amb.canal.enfileirados().empty());
  const std::string lista = amb.canal.enfileirados().back();
  EXPECT_NE(lista.find("<IdMensagemFormatada> 42 </IdMensagemFormatada><NroSeqMacro> 2A </NroSeqMacro><TE> 1 </TE>"
                       "<TC> 0 </TC>"),
            std::string::npos)
      << lista;
}

TEST_F(MensagensFormatadas, AFormStoredByFiveCIsSentBySixAPaddedToItsFields) {
  // the hash above 7FFFFFFF is stored negative and still found
  envia("5C", 1, macro("80000001", "5", campo("Tipo", "5", "14") + campo("A", "1", "F") + campo("B", "1", "14")));
  envia("6A", 2,
        "<Texto>0123456789</Texto><IdMensagem>77</IdMensagem><NroSeqMacro>80000001</NroSeqMacro>"
        "<ConfirmaRecebimento>1</ConfirmaRecebimento>");
  EXPECT_EQ(recebido(), "");
  EXPECT_EQ(linhas("SELECT IdSeqMsg, IdTerminal, CodMsg, Token1, Token2 FROM tTelecomando WHERE CodMsg = 106"),
            (Linhas{"2|4096|106|26,40,0123456789" + std::string(30, ' ') + "|25,2,77#29,1,1"}));
  EXPECT_EQ(amb.estado.TotalCmdEnviados, 2);
  EXPECT_NE(amb.log().find("Enviando Mensagens Formatadas para IdTerminal[4096] IdSeqMsg[2] IdMensagem[77] Texto["
                           "0123456789" +
                           std::string(30, ' ') + "] IdSequencia2"),
            std::string::npos);

  // a text already as long is neither padded nor cut; the text is not filtered
  envia("6A", 3, "<Texto>" + std::string(45, '\xE1') + "</Texto><NroSeqMacro>80000001</NroSeqMacro>");
  EXPECT_EQ(linhas("SELECT length(CAST(Token1 AS BLOB)) FROM tTelecomando WHERE IdSeqMsg = 3"), (Linhas{"51"}));

  // refusals
  envia("6A", 4, "<Texto>x</Texto><IdMensagem>5</IdMensagem><NroSeqMacro>ABC</NroSeqMacro>");
  envia("6A", 5, "<Texto>x</Texto><NroSeqMacro>80000001</NroSeqMacro><NroSeqMacro></NroSeqMacro>");
  envia("6A", 6, "<IdMensagem>x</IdMensagem>");
  envia("6A", 7, "<ConfirmaRecebimento>3</ConfirmaRecebimento>");
  envia("6A", 8, "<Texto>x</Texto><NroSeqMacro>80000001</NroSeqMacro>", "1001");
  amb.estado.BaseAtiva = false;
  envia("6A", 9, "<Texto>x</Texto><NroSeqMacro>80000001</NroSeqMacro>");
  EXPECT_EQ(
      recebido(),
      respostaErro(4, "001000", "6A", 309,
                   "IdTerminal: 4096 nao possui mensagem formatada: ABC associada. IdMensagem: 5") +
          respostaErro(5, "001000", "6A", 310,
                       "Tag [NROSEQMACRO] invalido (80000001), nao e possivel realizar a transmissao da mensagem") +
          respostaErro(6, "001000", "6A", 310,
                       "Tag [IdMensagem] esta em branco, nao e possivel realizar a transmissao da mensagem livre") +
          respostaErro(7, "001000", "6A", 310,
                       "Tag [ConfirmaRecebimento] invalida, nao e possivel realizar a transmissao da mensagem") +
          respostaErro(8, "001001", "6A", 309,
                       "IdTerminal: 4097 nao possui mensagem formatada: 80000001 associada. IdMensagem: -1") +
          respostaErro(9, "001000", "6A", 306,
                       "Base fora do ar, nao e possivel realizar a transmissao do telecomando"));
  EXPECT_NE(amb.log().find("Verifique a Tag <NROSEQMACRO>, est\xE1 em branco, assumido valor 0"), std::string::npos);
  EXPECT_EQ(linhas("SELECT 1 FROM tTelecomando WHERE CodMsg = 106").size(), 2u);
}

TEST_F(MensagensFormatadas, ASleepingTrackerKeepsItsDefinitionsAndIsAnswered308) {
  envia("5C", 7, macro("99", "1", campos(2)), "1005");
  envia("6A", 8, "<Texto>x</Texto><NroSeqMacro>99</NroSeqMacro>", "1005");
  EXPECT_EQ(
      recebido(),
      respostaErro(7, "001005", "5C", 308,
                   "RI (4101) esta em modo economia (ModoSleep) e nao e permitido o envio do Telecomando [5C]") +
          respostaErro(8, "001005", "6A", 308,
                       "RI (4101) esta em modo economia (ModoSleep) e nao e permitido o envio do Telecomando [6A]"));
  EXPECT_EQ(linhas("SELECT idMacro, idTerminal FROM tMacroVeic"), (Linhas{"153|4101"}));
  EXPECT_EQ(linhas("SELECT count(*) FROM tCfgMacroCampos"), (Linhas{"2"}));
  EXPECT_TRUE(linhas("SELECT 1 FROM tTelecomando").empty());
  EXPECT_EQ(amb.estado.TotalCmdEnviados, 0);
}

TEST_F(MensagensFormatadas, EmptyElementsAreWarnedInDocumentOrderAndTakeTheirDefaults) {
  envia("5C", 30,
        "<Macro><NomeMacro/><NroSeqMacro/><Terminal/><TE/><TC/><Campo><NomeCampo/><PosEdCampo/><ObrigCampo/>"
        "<TipoCampo/><TamCampo/><LinCampo/><ColCampo/></Campo></Macro>");
  EXPECT_EQ(
      recebido(),
      respostaErro(30, "001000", "5C", 0,
                   "Verifique a Tag [NOMEMACRO], esta em branco, assumido valor \"MACRO EM BRANCO\"") +
          respostaErro(30, "001000", "5C", 0, "Verifique a Tag [NROSEQMACRO], esta em branco, assumido valor 0") +
          respostaErro(-1, "001000", "", 0, "Verifique a Tag [TE], esta em branco, assumido valor 1") +
          respostaErro(-1, "001000", "", 0, "Verifique a Tag [TC], esta em branco, assumido valor 0") +
          respostaErro(30, "001000", "5C", 0, "Tag [NOMECAMPO] esta em branco, assumido valor \"CAMPO EM BRANCO\"") +
          respostaErro(30, "001000", "5C", 0, "Tag [POSEDCAMPO] esta em branco, assumido valor 1") +
          respostaErro(30, "001000", "5C", 0, "Tag [OBRIGCAMPO] esta em branco, assumido valor 0") +
          respostaErro(30, "001000", "5C", 0, "Tag [TIPOCAMPO] esta em branco, assumido valor 0"));
  EXPECT_EQ(linhas("SELECT idMacro, Titulo, Terminal, Hash, TE, TC FROM tCfgMacro"),
            (Linhas{"0|MACRO EM BRANCO|1|0|0|1"}));
  EXPECT_EQ(linhas("SELECT Nome, Tipo, Tam, lin, col, alin, Obrig FROM tCfgMacroCampos"),
            (Linhas{"CAMPO EM BRANCO|0|0|1|1|1|0"}));
  // a Veiculo/IdTerminal without text ends the request before anything is written
  envia("5C", 31, "<Veiculo><IdTerminal></IdTerminal></Veiculo>" + macro("5", "5", campos(1)));
  EXPECT_EQ(recebido(), "");
  EXPECT_EQ(linhas("SELECT count(*) FROM tCfgMacro"), (Linhas{"1"}));
}

TEST_F(MensagensFormatadas, RandomDocumentsKeepTheStoredFormsWithinTheirRules) {
  std::mt19937 gerador(77);
  const char* nomes[] = {"NomeMacro", "NroSeqMacro", "Terminal", "TE", "TC"};
  const char* nomesCampo[] = {"NomeCampo", "PosEdCampo", "ObrigCampo", "TipoCampo", "LinCampo", "ColCampo", "TamCampo"};
  const char* valores[] = {"", "0", "1", "3", "5", "8", "14", "FF", "100", "-1", "x", "80000001", "\xE7"};
  const auto valor = [&] { return std::string(valores[gerador() % std::size(valores)]); };
  for (int i = 0; i < 150; ++i) {
    std::string corpo;
    for (int m = static_cast<int>(gerador() % 3); m > 0; --m) {
      corpo += "<Macro>";
      for (int k = static_cast<int>(gerador() % 6); k > 0; --k) {
        const std::string n = nomes[gerador() % std::size(nomes)];
        corpo += "<" + n + ">" + valor() + "</" + n + ">";
      }
      for (int c = static_cast<int>(gerador() % 4); c > 0; --c) {
        corpo += "<Campo>";
        for (int k = static_cast<int>(gerador() % 8); k > 0; --k) {
          const std::string n = nomesCampo[gerador() % std::size(nomesCampo)];
          corpo += "<" + n + ">" + valor() + "</" + n + ">";
        }
        corpo += "</Campo>";
      }
      corpo += "</Macro>";
    }
    const bool formatada = gerador() % 3 == 0;
    envia(formatada ? "6A" : "5C", 1 + i,
          formatada ? "<Texto>t</Texto><NroSeqMacro>" + valor() + "</NroSeqMacro>" : corpo,
          gerador() % 2 ? "1000" : "1001");
  }
  (void)recebido();
  // the types that fix their size never keep another one, and every association names a stored form
  EXPECT_TRUE(linhas("SELECT 1 FROM tCfgMacroCampos WHERE (Tipo = 3 AND Tam <> 16) OR (Tipo = 5 AND Tam <> 5) OR "
                     "(Tipo = 8 AND Tam <> 5)")
                  .empty());
  EXPECT_TRUE(linhas("SELECT 1 FROM tMacroVeic WHERE idMacro NOT IN (SELECT idMacro FROM tCfgMacro)").empty());
  EXPECT_FALSE(linhas("SELECT 1 FROM tCfgMacro").empty());
}

TEST_F(MensagensFormatadas, TheCommunicationBaseAnswersBothRowsWithTheirSendStatus) {
  envia("5C", 61, macro("1A2B", "5", campos(2, "A")));
  envia("6A", 62, "<Texto>ok</Texto><NroSeqMacro>1A2B</NroSeqMacro>");
  ASSERT_EQ(linhas("SELECT IdSeqMsg FROM tTelecomando WHERE StatusEnvio = 16 ORDER BY IdSequencia"),
            (Linhas{"61", "62"}));
  auto base = db::Connection::open(amb.central.urlBase);
  quillon::SimOptions opcoes;
  opcoes.callWaitMs = 0;
  quillon::QuillonSim quillon(*amb.dbZenthora, *base, opcoes);
  for (int passo = 0; passo < 5; ++passo) quillon.serveTelecommands();
  EXPECT_EQ(linhas("SELECT count(*) FROM tTelecomando WHERE StatusEnvio = 200"), (Linhas{"2"}));
  db::Statement posts(*base, std::string("SELECT Post FROM tEvtPostCtrl02 WHERE Post LIKE '%#5,2,81#%' ORDER BY NumSeq"));
  posts.open();
  std::vector<std::string> status;
  for (; !posts.eof(); posts.next()) {
    const std::string p = posts.field(std::size_t{0}).asString();
    status.push_back(p.substr(p.find("#27,")));
  }
  ASSERT_EQ(status.size(), 2u);
  EXPECT_EQ(status[0].rfind("#27,2,61#28,", 0), 0u) << status[0];
  EXPECT_EQ(status[1].rfind("#27,2,62#28,", 0), 0u) << status[1];
}
