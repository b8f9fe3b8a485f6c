// Vehicle commands through the telecommand processor on a real embedded
// central and real sockets: the telecommand rows stored for each vehicle and
// the exact bytes of every refusal.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/text/cp1252.h"
#include "tests/server/telecmd/ambiente_telecmd.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::test::AmbienteTeleCmd;
using kvt::test::documento;
using kvt::test::respostaErro;
using kvt::test::todosOsCodigos;

namespace {

// One telecommand row as the communication base reads it.
struct Linha {
  std::int32_t IdSeqMsg, IdTerminal, CodMsg, DesabilitarGPRS, IdUsuario;
  std::string Token1, Token2, Origem;
  friend bool operator==(const Linha&, const Linha&) = default;
  friend std::ostream& operator<<(std::ostream& o, const Linha& l) {
    return o << "{" << l.IdSeqMsg << ", " << l.IdTerminal << ", " << l.CodMsg << ", " << l.DesabilitarGPRS << ", "
             << l.IdUsuario << ", \"" << l.Token1 << "\", \"" << l.Token2 << "\", " << l.Origem << "}";
  }
};

struct ComandoVeiculo : ::testing::Test {
  AmbienteTeleCmd amb{todosOsCodigos()};
  int cliente = amb.canal.conecta("Sim");
  int outro = amb.canal.conecta("Sim");

  void SetUp() override {
    amb.estado.BaseAtiva = true;
    amb.executa(
        "INSERT INTO tRastreador (Rastreador, ListaKVT) VALUES (1, 1), (2, 1), (3, 1), (5, 0);"
        "INSERT INTO tMensagem (CodMsg, ZETA) VALUES (1, 'S'), (2, 'N'), (19, 'N'), (107, 'N');"
        "INSERT INTO tlnk_planoXcomando (TX_Plano, idComandoHex) VALUES ('PLANO A', '01'), ('PLANO A', 'F5'),"
        " ('PLANO A', '1E'), ('PLANO A', '60');"
        "INSERT INTO tMensagemPre_Zeta (idMsg, idMsgSub, Mensagem) VALUES (31, 0, 'Ocorrencia: '),"
        " (31, 1, 'Pneu furado'), (31, 2, 'Pane'), (31, 3, 'Acidente'), (32, 0, 'Cheguei'), (33, 1, 'Saindo');"
        "INSERT INTO tRegraRastreadorKVT (Regra, Rastreador, VersaoMinima) VALUES ('ModeloComPlano', 1, NULL),"
        " ('ModelosMensagemPre', 2, NULL), ('ModelosMensagemPre', 3, NULL), ('ModelosMensagemPre', 6, NULL),"
        " ('ModelosMensagemPre', 7, NULL), ('ModelosMensagemPre', 8, NULL), ('ModelosMensagemPre', 9, NULL),"
        " ('AceitaTextoSatelite', 3, '3.0');"
        // 1000, 1001: GPRS units (consoles 1 and 5); 1002: the model that follows a plan;
        // 1003, 1004: GPRS/satellite units last heard an hour ago (the Zeta 3.2 takes texts by
        // satellite); 1005: in power-saving mode; 1006: a model not enabled for this server.
        "INSERT INTO tVeiculo (IdTerminal, Rastreador, Versao, TipoComunicacao, TipoConsole, linker_plano) VALUES"
        " (4096, 2, '2.0', 1, 1, NULL), (4097, 2, '2.0', 1, 5, NULL), (4098, 1, '1.0', 1, 1, 'PLANO A'),"
        " (4099, 2, '2.0', 6, 1, NULL), (4100, 3, '3.2', 6, 1, NULL), (4101, 2, '2.0', 6, 1, NULL),"
        " (4102, 5, '1.0', 1, 1, NULL);"
        "INSERT INTO tTeleEvento (IdSequencia, IdTerminal, Evento, DataHoraRec, TecnologiaEvento) VALUES"
        " (1, 4099, 2, datetime('now','localtime','-1 hour'), 2), (2, 4100, 2, datetime('now','localtime','-1 hour'), 2),"
        " (3, 4101, 57, datetime('now','localtime','-1 minute'), 2);"
        "INSERT INTO tGridVeiculos (IdTerminal, IdSeq_LastCnx) VALUES (4099, 1), (4100, 2), (4101, 3)");
    // the catalogue rules are read when the processor starts
    amb.teleCmd = std::make_unique<telecmd::tTeleCmd>(telecmd::tTeleCmd::Dependencias{
        amb.canal, amb.cfg, amb.estado, amb.status, *amb.logs, *amb.dbZenthora, *amb.respostas, *amb.permissao});
  }

  void envia(const std::string& codMsg, int idSeqMsg, const std::string& corpo, const std::string& terminal = "") {
    std::string xml = "<telecomando><CodMsg>" + codMsg + "</CodMsg><IdSeqMsg>" + std::to_string(idSeqMsg) +
                      "</IdSeqMsg>";
    if (!terminal.empty()) xml += "<IdTerminal>" + terminal + "</IdTerminal>";
    amb.envia(cliente, xml + corpo + "</telecomando>");
  }

  std::vector<Linha> linhas() {
    db::Statement st(*amb.dbZenthora,
                     "SELECT IdSeqMsg, IdTerminal, CodMsg, DesabilitarGPRS, IdUsuario, Token1, Token2, Origem "
                     "FROM tTelecomando ORDER BY IdSequencia");
    st.open();
    std::vector<Linha> r;
    for (; !st.eof(); st.next())
      r.push_back({st.field(std::size_t{0}).asInt(), st.field(1).asInt(), st.field(2).asInt(), st.field(3).asInt(),
                   st.field(4).asInt(), st.field(5).asString(), st.field(6).asString(), st.field(7).asString()});
    return r;
  }
  std::string escalar(const std::string& sql) {
    db::Statement st(*amb.dbZenthora, sql);
    st.open();
    return st.eof() ? "(nada)" : st.field(std::size_t{0}).asString();
  }
  // What the sender received; the other client must have received the same.
  std::string recebido() {
    const std::string r = amb.canal.recebido(cliente);
    EXPECT_EQ(amb.canal.recebido(outro), r);
    return r;
  }
};

constexpr const char* kOrigem = "ModCom02";

}  // namespace

TEST_F(ComandoVeiculo, VehiclesAreServedLastListedFirstWithConsecutiveSequences) {
  // header vehicle first, then the Veiculo list; a repeated vehicle once; an unregistered one refused
  envia("1", 50,
        "<Veiculo><IdTerminal>1001</IdTerminal><IdTerminal>9999</IdTerminal><idterminal> 1000 </idterminal>"
        "<IdTerminal>1001</IdTerminal></Veiculo>",
        "1003");
  EXPECT_EQ(recebido(), respostaErro(50, "9999", "1", 302, " Veiculo 9999 nao esta cadastrado !"));
  const std::vector<Linha> esperado = {
      {50, 4096, 1, 0, -1, "", "", kOrigem},
      {51, 4097, 1, 0, -1, "", "", kOrigem},
      {52, 4099, 1, 1, -1, "", "", kOrigem},  // by satellite: the code may go that way
  };
  EXPECT_EQ(linhas(), esperado);
  EXPECT_EQ(amb.estado.TotalCmdEnviados, 1);
  EXPECT_EQ(escalar("SELECT count(*) FROM tTelecomando WHERE StatusEnvio = 16"), "3");
}

TEST_F(ComandoVeiculo, ElementErrorsRefuseBeforeAnythingIsStored) {
  struct Caso {
    const char* codigo;
    const char* corpo;
    int sts;
    const char* mensagem;
  };
  const Caso casos[] = {
      {"13", "<IdMensagem> </IdMensagem>", 0,
       "Tag [IdMensagem] esta em branco, nao e possivel realizar a transmissao da mensagem livre"},
      {"13", "<IdMensagem>7x</IdMensagem>", 0,
       "Tag [IdMensagem] esta em branco, nao e possivel realizar a transmissao da mensagem livre"},
      {"60", "<IdMensagemPre/>", 0,
       "Tag [IdMensagemPre] esta em branco, nao e possivel realizar a transmissao da mensagem Pre-Definida"},
      {"E4", "<IP></IP>", 303, "Tag [IP] esta em branco, nao e possivel realizar a transmissao do telecomando avulso"},
      {"E4", "<IP>1.2.3.4</IP><Porta> </Porta>", 304,
       "Tag [Porta] esta em branco, nao e possivel realizar a transmissao do telecomando avulso"},
      {"E4", "<Operacao/>", 305,
       "Tag [Operacao] esta em branco, nao e possivel realizar a transmissao do telecomando avulso"},
      {"13", "<ConfirmaLeitura/>", 0,
       "Tag [ConfirmaLeitura] esta em branco, nao e possivel realizar a transmissao da mensagem livre"},
      {"13", "<ConfirmaRecebimento/>", 0,
       "Tag [ConfirmaRecebimento] esta em branco, nao e possivel realizar a transmissao da mensagem"},
      {"13", "<ConfirmaRecebimento>2</ConfirmaRecebimento>", 0,
       "Tag [ConfirmaRecebimento] invalida, nao e possivel realizar a transmissao da mensagem"},
      {"E3", "<OperCelAOperar/>", 0,
       "Tag [OperCelAOperar] esta em branco, nao e possivel realizar a transmissao da mensagem livre"},
      {"E6", "<Tempo>dez</Tempo>", 0, "Tag [Tempo] invalida, nao e possivel realizar a transmissao do lacre de motor"},
      {"E6", "<Tempo>1801</Tempo>", 0,
       "Tag [Tempo] invalida. Deve ser entre 0 e 1800, nao e possivel realizar a transmissao do lacre de motor"},
      {"E6", "<Tempo>-1</Tempo>", 0,
       "Tag [Tempo] invalida. Deve ser entre 0 e 1800, nao e possivel realizar a transmissao do lacre de motor"},
  };
  for (const Caso& c : casos) {
    envia(c.codigo, 9, c.corpo, "1000");
    EXPECT_EQ(recebido(), respostaErro(9, "001000", c.codigo, c.sts, c.mensagem)) << c.codigo << " " << c.corpo;
  }
  EXPECT_TRUE(linhas().empty());
  // the elements of other codes are not read: OperCelAOperar and Tempo belong to E3 and E6
  envia("2", 9, "<OperCelAOperar/><Tempo>x</Tempo>", "1000");
  EXPECT_EQ(recebido(), "");
  EXPECT_EQ(linhas().size(), 1u);
}

TEST_F(ComandoVeiculo, TextoWithoutTextTakesTheGeneralFailurePath) {
  envia("13", 3, "<Texto></Texto><IdMensagem>1</IdMensagem>", "1000");
  EXPECT_EQ(recebido(), "");
  EXPECT_TRUE(linhas().empty());
  EXPECT_NE(amb.log().find("Erro ao processar TeleComando do Cliente["), std::string::npos);
}

TEST_F(ComandoVeiculo, ModelAndPlanChecks) {
  envia("2", 4, "", "1006");
  envia("2", 5, "", "7777");
  EXPECT_EQ(
      recebido(),
      respostaErro(4, "001006", "2", 302, "Terminal desconhecido ou modelo incompativel para esse telecomando") +
          respostaErro(5, "007777", "2", 302, " Veiculo 007777 nao esta cadastrado !") +
          respostaErro(5, "007777", "2", 302, "Terminal desconhecido ou modelo incompativel para esse telecomando"));

  // model 1 follows its plan: 02 is not in it
  envia("2", 6, "", "1002");
  EXPECT_EQ(recebido(), respostaErro(6, "001002", "2", 0, "Telecomando nao permitido para esse plano"));
  const std::string log = amb.log();
  const auto consulta = log.find(
      "select count(*) as Quantidade from tveiculo a, tlnk_planoXcomando b where a.idterminal=001002 and "
      "a.linker_plano=b.TX_Plano and idComandoHex=02");
  ASSERT_NE(consulta, std::string::npos);
  const auto ponto2 = log.find("ponto 2", consulta);
  ASSERT_NE(ponto2, std::string::npos);
  EXPECT_NE(log.find("ponto 3", ponto2), std::string::npos);

  // the plan's own codes and their complements
  envia("1", 7, "", "1002");
  envia("F5", 8, "<Complemento></Complemento>", "1002");
  envia("F5", 9, "<Complemento>Lacre 5</Complemento>", "1002");
  envia("1E", 10, "<Complemento>x</Complemento><CausaAutorizacao>99</CausaAutorizacao>", "1002");
  envia("1E", 11, "<CausaAutorizacao>130</CausaAutorizacao>", "1002");
  // F5 to a model without a plan keeps the tokens of its elements
  envia("F5", 12, "<Complemento>abc</Complemento>", "1000");
  EXPECT_EQ(recebido(), respostaErro(8, "001002", "F5", 0, "Necessario Complemento") +
                            respostaErro(10, "001002", "1E", 0,
                                         "Deslacre Motor: 2,130 Abertura Bau: 3,131 Executar Macro: 14,142 "));
  const std::vector<Linha> esperado = {
      {7, 4098, 1, 0, -1, "", "", kOrigem},
      {9, 4098, 0xF5, 0, -1, "FA,7,Lacre 5", "", kOrigem},
      {11, 4098, 0x1E, 0, -1, "F9,0,", "36,3,130", kOrigem},
      {12, 4096, 0xF5, 0, -1, "", "", kOrigem},
  };
  EXPECT_EQ(linhas(), esperado);
}

TEST_F(ComandoVeiculo, TokenRulesOfEachCode) {
  envia("E6", 1, "", "1000");
  envia("E6", 2, "<Tempo>1800</Tempo>", "1000");
  envia("E4", 3, "<IP>10.0.0.1</IP><Porta>8080</Porta><Operacao>X</Operacao>", "1000");
  envia("2", 4, "<IP>10.0.0.1</IP><Porta>8080</Porta><Operacao>X</Operacao>", "1000");
  envia("E3", 5, "<OperCelAOperar>2</OperCelAOperar>", "1000");
  envia("6B", 6, "<Texto>" + std::string(1024, 'b') + "</Texto><IdMensagem>12</IdMensagem>", "1000");
  envia("6B", 7, "<Texto> a </Texto><IdMensagem>3</IdMensagem><ConfirmaRecebimento>1</ConfirmaRecebimento>", "1000");
  EXPECT_EQ(recebido(), "");
  const std::vector<Linha> esperado = {
      {1, 4096, 0xE6, 0, -1, "23,1,0", "", kOrigem},
      {2, 4096, 0xE6, 0, -1, "23,4,1800", "", kOrigem},
      {3, 4096, 0xE4, 0, -1, "B0,8,10.0.0.1", "B1,4,8080#CC,1,X", kOrigem},
      {4, 4096, 2, 0, -1, "#B0,8,10.0.0.1", "#B1,4,8080", kOrigem},
      {5, 4096, 0xE3, 0, -1, "E5,1,2", "", kOrigem},
      {6, 4096, 0x6B, 0, -1, "26,1024," + std::string(1024, 'b'), "25,2,12#29,1,0", kOrigem},
      {7, 4096, 0x6B, 0, -1, "26,3, a ", "25,1,3#29,1,1", kOrigem},
  };
  EXPECT_EQ(linhas(), esperado);
  EXPECT_EQ(escalar("SELECT IdTerminal || '/' || OperadoraCelular FROM tCfgTrocaOperadoraCelular WHERE IdSequencia = 5"),
            "4096/2");

  envia("6B", 8, "<Texto>" + std::string(1025, 'b') + "</Texto><IdMensagem>12</IdMensagem>", "1000");
  envia("6B", 9, "<Texto>abc</Texto>", "1000");
  envia("E3", 10, "<OperCelAOperar>3</OperCelAOperar>", "1000");
  envia("E3", 11, "<OperCelAOperar>12</OperCelAOperar>", "1000");
  envia("E3", 12, "", "1000");
  EXPECT_EQ(recebido(),
            respostaErro(-1, "001000", "", 0, "Tag [Texto] invalida. O tamanho do campo deve ser inferior a 1024") +
                respostaErro(9, "001000", "6B", 0, "Telecomando (Mensagem Binaria) incompleto") +
                respostaErro(-1, "001000", "", 0, "Operadora celular desconhecida") +
                respostaErro(11, "001000", "E3", 0, "Campo operadora celular a comunicar nao informada corretamente") +
                respostaErro(12, "001000", "E3", 0, "Campo operadora celular a comunicar nao informada corretamente"));
  EXPECT_EQ(linhas().size(), esperado.size());
}

TEST_F(ComandoVeiculo, PreDefinedMessagesNumberTheirRows) {
  struct Caso {
    int id;
    const char* texto;  // the row's own text, without its heading
  };
  const Caso aceitos[] = {{250, "Acidente"}, {248, "Pneu furado"}, {256, "Cheguei"}, {264, "Saindo"}};
  int seq = 1;
  for (const Caso& c : aceitos)
    envia("60", seq++, "<IdMensagemPre>" + std::to_string(c.id) + "</IdMensagemPre><IdMensagem>40</IdMensagem>",
          "1000");
  envia("60", seq++, "<IdMensagemPre>249</IdMensagemPre>", "1000");
  EXPECT_EQ(recebido(), "");
  const std::vector<Linha> r = linhas();
  ASSERT_EQ(r.size(), 5u);
  EXPECT_EQ(r[0], (Linha{1, 4096, 0x60, 0, -1, "D5,3,250", "29,1,0#25,2,40", kOrigem}));
  EXPECT_EQ(r[4], (Linha{5, 4096, 0x60, 0, -1, "D5,3,249", "29,1,0", kOrigem}));
  for (std::size_t i = 0; i < std::size(aceitos); ++i)
    EXPECT_EQ(escalar("SELECT Texto || '|' || StsConfirmacao || '|' || IdMensagem FROM tMensagemEnv ORDER BY "
                      "IdSequencia LIMIT 1 OFFSET " + std::to_string(i)),
              std::string(aceitos[i].texto) + "|N|40");

  // the catalogue was read at the first pre-defined message and is kept: a
  // group removed meanwhile is still found
  amb.executa("DELETE FROM tMensagemPre_Zeta WHERE idMsg = 32");
  envia("60", 19, "<IdMensagemPre>256</IdMensagemPre>", "1000");
  EXPECT_EQ(linhas().size(), 6u);
  envia("60", 20, "<IdMensagemPre>247</IdMensagemPre>", "1000");
  envia("60", 21, "<IdMensagemPre>258</IdMensagemPre>", "1000");
  envia("60", 22, "", "1000");
  envia("60", 23, "<IdMensagemPre>250</IdMensagemPre>", "1002");
  EXPECT_EQ(
      recebido(),
      respostaErro(20, "001000", "60", 0,
                   "Telecomando (Mensagem Pre-Definida) a token IdMensagemPre esta com um valor invalido") +
          respostaErro(
              21, "001000", "60", 0,
              "Telecomando (Mensagem Pre-Definida) a token IdMensagemPre nao foi encontra na lista de mensagens "
              "pre-definidas validas") +
          respostaErro(22, "001000", "60", 0, "Telecomando (Mensagem Pre-Definida) incompleto") +
          respostaErro(
              23, "001002", "60", 0,
              "Telecomando (Mensagem Pre-Definida) valido somente para os modelo de Rastreadores 2, 3, 6, 7, 8, 9"));
}

TEST_F(ComandoVeiculo, FreeTextIsFoldedForTheConsoleAndKeptWithItsMessage) {
  const std::string texto = "<Texto>ol\xE1, 50%!</Texto><IdMensagem>77</IdMensagem><ConfirmaLeitura>1</ConfirmaLeitura>"
                            "<ConfirmaRecebimento>1</ConfirmaRecebimento>";
  envia("13", 1, texto, "1000");
  envia("13", 2, texto, "1001");
  envia("13", 3, "<Texto>x</Texto><IdMensagem>5</IdMensagem><ConfirmaLeitura>256</ConfirmaLeitura>", "1000");
  envia("13", 4, "<Texto>x</Texto><IdMensagem>5</IdMensagem>", "1000");
  EXPECT_EQ(recebido(), respostaErro(4, "001000", "13", 0, "Telecomando (Mensagem Livre) incompleto"));
  const std::string dobrado("OL\0, 50%!", 9);
  const std::vector<Linha> esperado = {
      {1, 4096, 0x13, 0, -1, "26,9," + dobrado, "24,1,1#25,2,77#29,1,1", kOrigem},
      {2, 4097, 0x13, 0, -1, "26,9,ol\xE1, 50%!", "24,1,1#25,2,77#29,1,1", kOrigem},
      {3, 4096, 0x13, 0, -1, "26,1,X", "24,1,256#25,1,5#29,1,0", kOrigem},
  };
  EXPECT_EQ(linhas(), esperado);
  db::Statement st(*amb.dbZenthora, "SELECT Texto, StsConfirmacao FROM tMensagemEnv ORDER BY IdSequencia");
  st.open();
  EXPECT_EQ(st.field(std::size_t{0}).asString(), dobrado);
  EXPECT_EQ(st.field(1).asString(), "P");
  st.next();
  st.next();
  EXPECT_EQ(st.field(1).asString(), "N");  // the lowest 8 bits of 256 are zero
  EXPECT_NE(amb.log().find("Enviando Mensagens Livre para IdTerminal[4097] IdSeqMsg[2] IdMensagem[77] Texto[ol\xE1, 50%!]"),
            std::string::npos);
}

TEST_F(ComandoVeiculo, SatelliteSleepAndBaseDown) {
  // 1003 is served first and refused, 1000 after it takes the same sequence
  envia("2", 1, "<Veiculo><IdTerminal>1000</IdTerminal><IdTerminal>1003</IdTerminal></Veiculo>");
  EXPECT_EQ(amb.estado.TotalCmdEnviados, 1);
  envia("2", 5, "<Veiculo><IdTerminal>1003</IdTerminal><IdTerminal>1000</IdTerminal></Veiculo>");
  EXPECT_EQ(amb.estado.TotalCmdEnviados, 1);  // the last vehicle tried was refused
  envia("13", 7, "<Texto>oi</Texto><IdMensagem>1</IdMensagem><ConfirmaLeitura>0</ConfirmaLeitura>", "1004");
  envia("13", 8, "<Texto>oi</Texto><IdMensagem>1</IdMensagem><ConfirmaLeitura>0</ConfirmaLeitura>", "1003");
  envia("2", 9, "", "1005");
  envia("5F", 10, "", "1005");
  envia("11", 11, "", "1005");
  EXPECT_EQ(
      recebido(),
      respostaErro(1, "1003", "2", 301,
                   "RI (4099) esta sem comunicacao GPRS e o telecomando (2) nao e permitido envio em Satelite") +
          respostaErro(6, "1000", "2", 301,
                       "RI (4099) esta sem comunicacao GPRS e o telecomando (2) nao e permitido envio em Satelite") +
          respostaErro(8, "001003", "13", 301,
                       "RI (4099) esta sem comunicacao GPRS e o telecomando (13) nao e permitido envio em Satelite") +
          respostaErro(9, "001005", "2", 308,
                       "RI (4101) esta em modo economia (ModoSleep) e nao e permitido o envio do telecomando"));
  const std::vector<Linha> esperado = {
      {1, 4096, 2, 0, -1, "", "", kOrigem},
      {5, 4096, 2, 0, -1, "", "", kOrigem},
      {7, 4100, 0x13, 1, -1, "26,2,OI", "24,1,0#25,1,1#29,1,0", kOrigem},
      {10, 4101, 0x5F, 0, -1, "", "", kOrigem},  // woken over its recent GPRS
      {11, 4101, 0x11, 0, -1, "", "", kOrigem},
  };
  EXPECT_EQ(linhas(), esperado);

  amb.estado.BaseAtiva = false;
  envia("1", 12, "", "1000");
  EXPECT_EQ(recebido(), respostaErro(12, "001000", "1", 306,
                                     "Base fora do ar, nao e possivel realizar a transmissao do telecomando"));
  EXPECT_EQ(linhas().size(), esperado.size());
}

TEST_F(ComandoVeiculo, RandomDocumentsStoreOnlyWellFormedRowsForRegisteredVehicles) {
  std::mt19937 gerador(2024);
  const char* codigos[] = {"1", "2", "13", "60", "6B", "E3", "E4", "E6", "F5", "1E", "5F", "11"};
  const char* elementos[] = {"Texto", "IdMensagem", "IdMensagemPre", "ConfirmaLeitura", "ConfirmaRecebimento", "IP",
                             "Porta", "Operacao", "OperCelAOperar", "Tempo", "Complemento", "CausaAutorizacao"};
  const char* valores[] = {"", " ", "0", "1", "2", "130", "250", "1800", "-1", "x\xE7", "&amp;", "12a", "9999999999"};
  const char* terminais[] = {"1000", "1001", "1002", "1003", "1004", "1005", "1006", "", "zz", "-1"};
  for (int i = 0; i < 300; ++i) {
    std::string corpo;
    const int n = static_cast<int>(gerador() % 6);
    for (int k = 0; k < n; ++k) {
      const std::string nome = elementos[gerador() % std::size(elementos)];
      corpo += "<" + nome + ">" + valores[gerador() % std::size(valores)] + "</" + nome + ">";
    }
    if (gerador() % 2) {
      corpo += "<Veiculo>";
      for (int k = static_cast<int>(gerador() % 3); k >= 0; --k)
        corpo += std::string("<IdTerminal>") + terminais[gerador() % std::size(terminais)] + "</IdTerminal>";
      corpo += "</Veiculo>";
    }
    envia(codigos[gerador() % std::size(codigos)], 1 + i, corpo, terminais[gerador() % std::size(terminais)]);
  }
  (void)amb.canal.recebido(cliente);
  (void)amb.canal.recebido(outro);
  // only registered vehicles (the model check is the reference terminal's, so a
  // listed vehicle of a model not enabled may be among them)
  EXPECT_EQ(escalar("SELECT count(*) FROM tTelecomando WHERE IdTerminal NOT IN (SELECT IdTerminal FROM tVeiculo)"),
            "0");
  EXPECT_GT(std::stoi(escalar("SELECT count(*) FROM tTelecomando")), 0);
  // every token carries the true length of its value
  for (const Linha& l : linhas())
    for (const std::string& tokens : {l.Token1, l.Token2}) {
      std::size_t p = tokens.empty() || tokens[0] != '#' ? 0 : 1;
      while (p < tokens.size()) {
        const auto v1 = tokens.find(',', p), v2 = tokens.find(',', v1 + 1);
        ASSERT_NE(v2, std::string::npos) << tokens;
        const std::size_t tamanho = std::stoul(tokens.substr(v1 + 1, v2 - v1 - 1));
        // the single-digit read and receipt confirmations keep their fixed length
        p = v2 + 1 + tamanho;
        if (p < tokens.size()) {
          ASSERT_EQ(tokens[p], '#') << tokens;
          ++p;
        }
      }
    }
}
