#include <gtest/gtest.h>

#include <string>

#include "platform/text/cp1252.h"
#include "tests/server/operations/ambiente_operacao.h"

using namespace kvt;
using namespace kvt::text::literals;
using namespace std::string_literals;
using kvt::test::AmbienteOperacao;
using kvt::test::cabecalho;
using kvt::test::documento;
using kvt::test::erroStatus;

namespace {

// Vehicles 1000 (4096) and 1001 (4097) of an enabled model, 1003 (4099) of a
// model not enabled; 1004 (4100) a GPRS/satellite tracker without recent
// GPRS, configured from the server central 10.0.0.1. Kinds 1 and 2 of plain
// profiles, 8 (per technology) and 10 (flag in FlagCentralSegRast).
struct TransmissoesFixture : ::testing::Test {
  AmbienteOperacao amb;

  void SetUp() override {
    amb.executa("INSERT INTO tRastreador (Rastreador, ListaKVT) VALUES (1, 1), (5, 0)");
    amb.executa("INSERT INTO tVeiculo (IdTerminal, Rastreador, TipoComunicacao) VALUES "
                "(4096, 1, 1), (4097, 1, 1), (4099, 5, 1), (4100, 1, 6)");
    amb.executa("INSERT INTO tConfigCentral (IdTerminal, idopcaoconfig, IpCentralOrigem) VALUES (4100, 1, '10.0.0.1')");
    amb.executa("INSERT INTO tOpcoesOperacao (IdOpcao, NomeOpcao, CodMsgHex, TabelaConf, FlagCentralRastSeg) VALUES "
                "(1, 'Comunicacao', 'E4', 'tCfgComunicacao', NULL), (2, 'Velocidade', '70', 'tCfgVelocidade', NULL), "
                "(8, 'Seguranca', '76', 'tCfgSegCentralRast', 'C'), (10, 'Atuadores', '78', 'tCfgAtuadores', 'C'), "
                "(23, 'Cercas', '32', NULL, NULL), (24, 'Rotas', '31', NULL, NULL)");
    amb.executa("INSERT INTO tCfgPerfil (IdConfig, IdOpcao, Nome, FlagCentralRastSeg, FlagCentralSegRast) VALUES "
                "(101, 1, 'GPRS', NULL, NULL), (201, 2, 'Rodovia', NULL, NULL), (202, 2, 'Urbano', NULL, NULL), "
                "(801, 8, 'Lacre', 'C', NULL), "
                "(802, 8, 'Lacre R', 'R', NULL), (1001, 10, 'Sirene', NULL, 'C'), (1002, 10, 'Pisca', 'C', 'R')");
    amb.executa("INSERT INTO tOperacao (IdOperacao, Nome) VALUES (1, 'Longa distancia'), (2, 'Urbana')");
    amb.executa("INSERT INTO tItensOperacao (IdOperacao, IDConfiguracao, NomeConfiguracao, IdOpcao, NomeOpcaoConf) "
                "VALUES (1, 101, 'GPRS', 1, 'Comunicacao'), (1, 201, 'Rodovia', 2, 'Velocidade'), "
                "(2, 202, 'Urbano', 2, 'Velocidade')");
  }

  std::string resposta(const std::string& codigo, const std::string& resto) {
    return documento(cabecalho(codigo) + resto);
  }
  std::string transmissao(const std::string& codigo, const std::string& terminal, int status) {
    return resposta(codigo, " <IdTerminal> " + terminal + " </IdTerminal> <StsTransmissao>" + std::to_string(status) +
                                "</StsTransmissao>");
  }
  std::int64_t telecomandos(const std::string& onde = "1 = 1") {
    return amb.valor("SELECT count(*) FROM tTelecomando WHERE " + onde);
  }
  void barra(int codigo) {
    amb.executa("INSERT INTO tCentralDestinoPermissoes (ipcentralorigem, ipcentraldestino, tipomsg, codmsg) VALUES "
                "('10.0.0.1', '127.0.0.1', 'TC', " + std::to_string(codigo) + ")");
  }
};

}  // namespace

TEST_F(TransmissoesFixture, MalformedRequestsAreAnsweredWithTheElementsMessage) {
  const std::string assoc = "nao e possivel realizar a associacao da operacao";
  const std::string perfil = "nao e possivel realizar a associacao do perfil de configuracao";
  const std::string elp = "nao e possivel realizar a transmissao das Mensagens de Extensao Logistica de Parada";
  const struct {
    std::string pedido;
    std::string mensagem;
  } casos[] = {
      {"<CodMsg>-3</CodMsg><IdOperacao></IdOperacao><IdTerminal>1000</IdTerminal>", "Tag [IdOperacao] esta em branco, " + assoc},
      {"<CodMsg>-3</CodMsg><IdTerminal>1000</IdTerminal><IdOperacao>x1</IdOperacao>", "Tag [IdOperacao] esta em branco, " + assoc},
      {"<CodMsg>-3</CodMsg><IdTerminal> </IdTerminal><IdOperacao>x1</IdOperacao>", "Tag [IdTerminal] esta em branco, " + assoc},
      {"<CodMsg>-3</CodMsg><IdOperacao>1</IdOperacao>", "Telecomando incompleto, " + assoc},
      {"<CodMsg>-5</CodMsg><TipoConfiguracao>a</TipoConfiguracao>", "Tag [TipoConfiguracao] esta em branco, " + perfil},
      {"<CodMsg>-5</CodMsg><IdPerfilConfiguracao>1</IdPerfilConfiguracao><TipoConfiguracao>1</TipoConfiguracao>",
       "Telecomando incompleto, " + perfil},
      {"<CodMsg>-21</CodMsg><IdTerminal/>", "Tag [IdTerminal] esta em branco, nao e possivel realizar a transmissao da Operacao"},
      {"<CodMsg>-21</CodMsg>", "Telecomando incompleto, nao e possivel realizar a transmissao da Operacao"},
      {"<CodMsg>-22</CodMsg><IdSeqMsg>5</IdSeqMsg><IdTerminal>1000</IdTerminal>",
       "Telecomando incompleto, nao e possivel realizar a transmissao"},
      {"<CodMsg>-23</CodMsg><IdSeqMsg>5</IdSeqMsg><IdTerminal>1000</IdTerminal><Caracteristica>1</Caracteristica>"
       "<Atendimento>2</Atendimento><Sobreposicao>?</Sobreposicao>",
       "Tag [Sobreposicao] esta em branco, nao e possivel realizar a transmissao dos Alvos"},
      {"<CodMsg>-24</CodMsg><IdTerminal>1000</IdTerminal>", "Telecomando incompleto, nao e possivel realizar a transmissao das Cercas"},
      {"<CodMsg>-25</CodMsg><IdSeqMsg>-</IdSeqMsg>", "Tag [IdSeqMsg] esta em branco, nao e possivel realizar a transmissao das Rotas"},
      {"<CodMsg>-26</CodMsg>", "Telecomando incompleto, nao e possivel obter o status da transmissao da Operacao"},
      {"<CodMsg>-28</CodMsg><TipoChegada>3</TipoChegada>",
       "Tag [TipoChegada] informado erroneamente. Nao e possivel realizar a transmissao das Mensagens de Extensao "
       "Logistica de Parada"},
      {"<CodMsg>-28</CodMsg><ListaParadas>-1</ListaParadas>",
       "Tag [ListaParadas] informado erroneamente. Nao e possivel realizar a transmissao das Mensagens de Extensao "
       "Logistica de Parada"},
      {"<CodMsg>-28</CodMsg><TituloListaParadas>   </TituloListaParadas><TipoChegada>9</TipoChegada>",
       "Tag [TituloListaParadas] esta em branco, " + elp},
      {"<CodMsg>-28</CodMsg><IdSeqMsg>1</IdSeqMsg><IdTerminal>1000</IdTerminal><TipoChegada>0</TipoChegada>"
       "<TipoSaida>0</TipoSaida><ListaParadas>0</ListaParadas><NaturezaOperacao>0</NaturezaOperacao>",
       "Telecomando incompleto, " + elp},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.pedido);
    EXPECT_EQ(amb.pede(c.pedido), erroStatus(c.mensagem));
  }
  // nothing was written into the central
  EXPECT_EQ(telecomandos(), 0);
  EXPECT_EQ(amb.valor("SELECT count(*) FROM tTransOperacao"), 0);
}

TEST_F(TransmissoesFixture, OperationIsAssociatedWithAnEnabledVehicleOnly) {
  auto associa = [&](const std::string& op, const std::string& terminal) {
    return amb.pede(-3, "<IdOperacao>" + op + "</IdOperacao><IdTerminal>" + terminal + "</IdTerminal>");
  };
  auto sts = [&](const std::string& op, const std::string& terminal, int status) {
    return resposta("-42", " <IdOperacao> " + op + " </IdOperacao> <IdTerminal> " + terminal +
                               " </IdTerminal> <StsAssociacao> " + std::to_string(status) + " </StsAssociacao>");
  };
  EXPECT_EQ(associa("9", "1000"), sts("9", "1000", 1));
  EXPECT_EQ(associa("1", "1003"), sts("1", "1003", 2));
  EXPECT_EQ(associa("1", "7777"), sts("1", "7777", 2));
  EXPECT_EQ(amb.valor("SELECT count(*) FROM tTransOperacao"), 0);
  EXPECT_EQ(associa("1", "1000"), sts("1", "1000", 0));
  EXPECT_EQ(amb.texto("SELECT IdOperacao || '|' || IdTerminal || '|' || NomeOperacao || '|' || Status FROM tTransOperacao"),
            "1|4096|Longa distancia|0");
}

TEST_F(TransmissoesFixture, ProfileAssociationFindsTheTemplateOfItsKindAndDirection) {
  auto associa = [&](int perfil, int tipo, const std::string& terminal = "1000") {
    return amb.pede(-5, "<IdTerminal>" + terminal + "</IdTerminal><IdPerfilConfiguracao>" + std::to_string(perfil) +
                            "</IdPerfilConfiguracao><TipoConfiguracao>" + std::to_string(tipo) + "</TipoConfiguracao>");
  };
  auto sts = [&](int perfil, int tipo, int status, const std::string& terminal = "1000") {
    return resposta("-44", " <IdTerminal> " + terminal + " </IdTerminal> <IdPerfilConfiguracao>" +
                               std::to_string(perfil) + "</IdPerfilConfiguracao> <TipoConfiguracao>" +
                               std::to_string(tipo) + "</TipoConfiguracao> <StsAssociacao>" + std::to_string(status) +
                               "</StsAssociacao>");
  };
  EXPECT_EQ(associa(101, 7), sts(101, 7, 3));
  EXPECT_EQ(associa(101, 1, "1003"), sts(101, 1, 1, "1003"));
  EXPECT_EQ(associa(201, 1), sts(201, 1, 2));    // a profile of another kind
  EXPECT_EQ(associa(802, 8), sts(802, 8, 2));    // the kind's flag is C, this profile's R
  EXPECT_EQ(associa(1002, 10), sts(1002, 10, 2));  // kind 10 compares FlagCentralSegRast
  EXPECT_EQ(telecomandos(), 0);

  // kind 8 keeps one copy per tracker technology
  EXPECT_EQ(associa(801, 8), sts(801, 8, 0));
  EXPECT_EQ(amb.texto("SELECT group_concat(Tecnologia) FROM (SELECT Tecnologia FROM tCfgPerfil WHERE IdTerminal = 4096 "
                      "AND IdConfig = 801 ORDER BY IdPerfil)"),
            "0,1,2");
  EXPECT_EQ(telecomandos("IdTerminal = 4096 AND CodMsg = 118 AND IdSeqMsg = -IdSequencia"), 3);

  EXPECT_EQ(associa(1001, 10), sts(1001, 10, 0));
  EXPECT_EQ(amb.valor("SELECT count(*) FROM tCfgPerfil WHERE IdTerminal = 4096 AND IdConfig = 1001 AND Tecnologia = 0"), 1);
  EXPECT_EQ(telecomandos("IdTerminal = 4096 AND CodMsg = 120"), 1);
}

TEST_F(TransmissoesFixture, PendingOperationsAreStoredItemByItemAndMarkedTransmitted) {
  EXPECT_EQ(amb.pede(-21, "<IdTerminal>1003</IdTerminal>"), transmissao("-52", "1003", 1));
  EXPECT_EQ(amb.pede(-21, "<IdTerminal>1000</IdTerminal>"), transmissao("-52", "1000", 2));

  // two operations waiting for the same vehicle
  amb.pede(-3, "<IdOperacao>1</IdOperacao><IdTerminal>1000</IdTerminal>");
  amb.pede(-3, "<IdOperacao>2</IdOperacao><IdTerminal>1000</IdTerminal>");
  amb.pede(-3, "<IdOperacao>2</IdOperacao><IdTerminal>1001</IdTerminal>");
  amb.amb.estado.BaseAtiva = false;
  EXPECT_EQ(amb.pede(-21, "<IdTerminal>1000</IdTerminal>"), transmissao("-52", "1000", 3));
  amb.amb.estado.BaseAtiva = true;
  EXPECT_EQ(telecomandos(), 0);

  EXPECT_EQ(amb.pede(-21, "<IdSeqMsg>77</IdSeqMsg><IdTerminal>1000</IdTerminal>"), transmissao("-52", "1000", 0));
  // one telecommand per item, with the kind's command, recorded with its transmission
  EXPECT_EQ(amb.texto("SELECT group_concat(T.IdTransOperacao || ':' || T.IdConfiguracao || ':' || C.CodMsg || ':' || "
                      "C.Origem || ':' || C.StatusEnvio, ' ') FROM (SELECT * FROM tTransItensOperacao ORDER BY "
                      "IdTransItem) T JOIN tTelecomando C ON C.IdSequencia = T.IdSequencia"),
            "1:101:228:ModCom02:16 1:201:112:ModCom02:16 2:202:112:ModCom02:16");
  // each item's telecommand has a sequence of its own, so its status events reach it alone
  EXPECT_EQ(telecomandos("IdSeqMsg = -IdSequencia"), 3);
  // both transmissions are made; the other vehicle's operation still waits
  EXPECT_EQ(amb.texto("SELECT group_concat(IdTransOperacao || ':' || Status || ':' || (DtTransmissao IS NOT NULL), ' ') "
                      "FROM tTransOperacao"),
            "1:1:1 2:1:1 3:0:0");
  EXPECT_EQ(amb.pede(-21, "<IdTerminal>1000</IdTerminal>"), transmissao("-52", "1000", 2));
  EXPECT_EQ(telecomandos(), 3);
}

TEST_F(TransmissoesFixture, OperationItemsBarredBetweenCentralsAreSkipped) {
  amb.executa("INSERT INTO tMensagem (CodMsg, ZETA) VALUES (92, 'S')");  // the operation may go by satellite
  amb.pede(-3, "<IdOperacao>1</IdOperacao><IdTerminal>1004</IdTerminal>");
  barra(0x70);  // the speed limits of kind 2
  // an item of a kind the catalogue does not know has no command to go by
  amb.executa("INSERT INTO tItensOperacao (IdOperacao, IDConfiguracao, NomeConfiguracao, IdOpcao, NomeOpcaoConf) "
              "VALUES (1, 9901, 'Sem tipo', 77, 'Desconhecido')");
  EXPECT_EQ(amb.pede(-21, "<IdTerminal>1004</IdTerminal>"), transmissao("-52", "1004", 0));
  // only the communication item, by satellite
  EXPECT_EQ(amb.texto("SELECT group_concat(CodMsg || ':' || DesabilitarGPRS) FROM tTelecomando"), "228:1");
  EXPECT_EQ(amb.valor("SELECT Status FROM tTransOperacao"), 1);

  // without the satellite permission the operation check refuses the vehicle
  amb.executa("UPDATE tMensagem SET ZETA = 'N'");
  amb.pede(-3, "<IdOperacao>2</IdOperacao><IdTerminal>1004</IdTerminal>");
  EXPECT_EQ(amb.pede(-21, "<IdTerminal>1004</IdTerminal>"), transmissao("-52", "1004", 4));
  EXPECT_EQ(telecomandos(), 1);
}

TEST_F(TransmissoesFixture, ProfileTransmissionResendsTheNewestProfileOfItsKind) {
  auto transmite = [&](int tipo, const std::string& terminal = "1000") {
    return amb.pede(-22, "<IdSeqMsg>40</IdSeqMsg><TipoConfiguracao>" + std::to_string(tipo) +
                             "</TipoConfiguracao><IdTerminal>" + terminal + "</IdTerminal>");
  };
  auto sts = [&](int tipo, int status, const std::string& terminal = "1000") {
    return resposta("-53", " <IdTerminal> " + terminal + " </IdTerminal> <TipoConfiguracao>" + std::to_string(tipo) +
                               "</TipoConfiguracao> <StsTransmissao>" + std::to_string(status) + "</StsTransmissao>");
  };
  EXPECT_EQ(transmite(99), sts(99, 3));
  EXPECT_EQ(transmite(1, "1003"), sts(1, 1, "1003"));
  EXPECT_EQ(transmite(1), sts(1, 3));  // never sent to this vehicle

  amb.pede(-5, "<IdTerminal>1000</IdTerminal><IdPerfilConfiguracao>101</IdPerfilConfiguracao>"
               "<TipoConfiguracao>1</TipoConfiguracao>");
  amb.pede(-5, "<IdTerminal>1004</IdTerminal><IdPerfilConfiguracao>101</IdPerfilConfiguracao>"
               "<TipoConfiguracao>1</TipoConfiguracao>");
  ASSERT_EQ(telecomandos(), 2);
  amb.amb.estado.BaseAtiva = false;
  EXPECT_EQ(transmite(1), sts(1, 5));
  amb.amb.estado.BaseAtiva = true;
  EXPECT_EQ(transmite(1, "1004"), sts(1, 6, "1004"));  // not by satellite
  amb.executa("INSERT INTO tMensagem (CodMsg, ZETA) VALUES (228, 'S')");
  barra(228);
  EXPECT_EQ(transmite(1, "1004"), sts(1, 6, "1004"));  // barred by its server central
  EXPECT_EQ(telecomandos(), 2);

  EXPECT_EQ(transmite(1), sts(1, 0));
  EXPECT_EQ(amb.texto("SELECT IdSeqMsg || ':' || CodMsg || ':' || IdTerminal || ':' || Token1 FROM tTelecomando "
                      "ORDER BY IdSequencia DESC LIMIT 1"),
            "40:228:4096:1,101,");
  // the vehicle's copy now carries the new telecommand
  EXPECT_EQ(amb.valor("SELECT IdSequencia FROM tCfgPerfil WHERE IdTerminal = 4096"),
            amb.valor("SELECT max(IdSequencia) FROM tTelecomando"));

  // a profile taken out of the catalogue meanwhile: the procedure stores nothing
  amb.executa("DELETE FROM tCfgPerfil WHERE IdConfig = 101 AND IdTerminal = 0");
  EXPECT_EQ(transmite(1), sts(1, 4));
  EXPECT_EQ(telecomandos(), 3);
}

TEST_F(TransmissoesFixture, TargetsFencesAndRoutesNeedAssociationsAndPassBothChecks) {
  const std::string alvos = "<IdSeqMsg>50</IdSeqMsg><Caracteristica>1</Caracteristica><Atendimento>2</Atendimento>"
                            "<Sobreposicao>0</Sobreposicao>";
  auto pede = [&](int codigo, const std::string& terminal) {
    return amb.pede(codigo, (codigo == -23 ? alvos : "<IdSeqMsg>50</IdSeqMsg>"s) + "<IdTerminal>" + terminal +
                                "</IdTerminal>");
  };
  const struct {
    int pedido;
    const char* resposta;
    const char* tabela;
    int codMsg;      // of the stored telecommand
    int permissao;   // the code the inter-central check sees
    int verificacao; // the code the transmission check sees
    const char* colunaItem;
    const char* item;
  } casos[] = {
      {-23, "-54", "tAlvoVeic", 0x30, 0x30, 0x30, ", IdAlvo", ", 7"},
      {-24, "-55", "tCercaVeic", 0x32, 0x32, 0x32, "", ""},
      {-25, "-56", "tRotaVeic", 0x31, 0x31, 0x5C, "", ""},
  };
  db::Statement alvo(*amb.dbSSE, "INSERT INTO tAlvo (IdAlvo, Nome_Alvo) VALUES (7, 'Cliente')"s);
  alvo.execute();
  for (const auto& c : casos) {
    SCOPED_TRACE(c.pedido);
    amb.executa("DELETE FROM tTelecomando; DELETE FROM tMensagem; DELETE FROM tCentralDestinoPermissoes");
    EXPECT_EQ(pede(c.pedido, "1003"), transmissao(c.resposta, "1003", 1));
    EXPECT_EQ(pede(c.pedido, "1000"), transmissao(c.resposta, "1000", 2));
    db::Statement associa(*amb.dbSSE, "INSERT INTO "s + c.tabela + " (IdVeiculo" + c.colunaItem + ") VALUES (4096" +
                                          c.item + "), (4100" + c.item + ")");
    associa.execute();
    amb.amb.estado.BaseAtiva = false;
    EXPECT_EQ(pede(c.pedido, "1000"), transmissao(c.resposta, "1000", 3));
    amb.amb.estado.BaseAtiva = true;

    // the satellite tracker: the check's code must be one that may go by satellite
    EXPECT_EQ(pede(c.pedido, "1004"), transmissao(c.resposta, "1004", 4));
    amb.executa("INSERT INTO tMensagem (CodMsg, ZETA) VALUES (" + std::to_string(c.verificacao) + ", 'S')");
    barra(c.permissao);
    EXPECT_EQ(pede(c.pedido, "1004"), transmissao(c.resposta, "1004", 4));
    EXPECT_EQ(telecomandos(), 0);
    amb.executa("DELETE FROM tCentralDestinoPermissoes");
    barra(c.verificacao == c.permissao ? 1 : c.verificacao);  // another code barred changes nothing
    EXPECT_EQ(pede(c.pedido, "1004"), transmissao(c.resposta, "1004", 0));
    EXPECT_EQ(amb.texto("SELECT IdSeqMsg || ':' || CodMsg || ':' || DesabilitarGPRS || ':' || Origem FROM tTelecomando"),
              "50:" + std::to_string(c.codMsg) + ":1:ModCom02");
  }
  // the targets' settings go with their telecommand
  EXPECT_EQ(amb.texto("SELECT group_concat(IdTerminal || ':' || Nome_Alvo || ':' || TipoAlvos || ':' || Persistencia || ':' || "
                      "EmSobreposicao) FROM tCfgAlvoVeic"),
            "4100:Cliente:2:1:0");
}

TEST_F(TransmissoesFixture, StopListTransmissionChecksItsMessagesAndCutsTheTitle) {
  auto pede = [&](const std::string& terminal, int chegada, int saida, const std::string& titulo = "Lista") {
    return amb.pede(-28, "<IdSeqMsg>60</IdSeqMsg><IdTerminal>" + terminal + "</IdTerminal><TituloListaParadas>" +
                             titulo + "</TituloListaParadas><TipoChegada>" + std::to_string(chegada) +
                             "</TipoChegada><TipoSaida>" + std::to_string(saida) +
                             "</TipoSaida><ListaParadas>1</ListaParadas><NaturezaOperacao>0</NaturezaOperacao>");
  };
  EXPECT_EQ(pede("1003", 0, 0), transmissao("-62", "1003", 1));
  EXPECT_EQ(pede("1000", 2, 0), transmissao("-62", "1000", 2));  // no arrival messages
  amb.executa("INSERT INTO tCfgMensagemExtensaoLogistica (IdTerminal, IdConfig, idMsg, TipoMsg, Sequencia) VALUES "
              "(4096, 0, 1, 1, 1)");
  EXPECT_EQ(pede("1000", 2, 2), transmissao("-62", "1000", 2));  // no departure messages
  amb.amb.estado.BaseAtiva = false;
  EXPECT_EQ(pede("1000", 2, 1), transmissao("-62", "1000", 3));
  amb.amb.estado.BaseAtiva = true;
  EXPECT_EQ(pede("1004", 0, 0), transmissao("-62", "1004", 4));
  EXPECT_EQ(telecomandos(), 0);

  EXPECT_EQ(pede("1000", 2, 1, "  Entregas do dia 11 - Zona Sul  "), transmissao("-62", "1000", 0));
  EXPECT_EQ(amb.texto("SELECT TituloListaParadas || '|' || TipoChegada || TipoSaida || ListaParadas || "
                      "NaturezaOperacao || '|' || IdConfig FROM tCfgListaParadas"),
            "Entregas do dia 11|2110|0");
  EXPECT_EQ(amb.texto("SELECT IdSeqMsg || ':' || CodMsg || ':' || Origem FROM tTelecomando"), "60:231:ModCom02");
  // the configured messages went with it
  EXPECT_EQ(amb.valor("SELECT IdSequencia FROM tCfgMensagemExtensaoLogistica"),
            amb.valor("SELECT IdSequencia FROM tTelecomando"));
}

TEST_F(TransmissoesFixture, OperationStatusReportsEachItemsTelecommand) {
  auto sts = [&](const std::string& terminal, const std::string& resto) {
    return resposta("-57", " <IdTerminal> " + terminal + " </IdTerminal>" + resto);
  };
  EXPECT_EQ(amb.pede(-26, "<IdTerminal>1003</IdTerminal>"), sts("1003", " <StsOperacao> 1 </StsOperacao>"));
  EXPECT_EQ(amb.pede(-26, "<IdTerminal>1000</IdTerminal>"), sts("1000", " <StsOperacao> 2 </StsOperacao>"));

  amb.executa("INSERT INTO tMensagem (CodMsg, Descricao) VALUES (112, 'Limites & velocidade'), (228, 'Comunicacao')");
  amb.executa("INSERT INTO tItensOperacao (IdOperacao, IDConfiguracao, NomeConfiguracao, IdOpcao, NomeOpcaoConf) VALUES "
              "(1, 301, 'Parada', 3, 'Parada'), (1, 401, 'Jornada', 4, 'Jornada'), (1, 501, 'Telemetria', 5, 'T'), "
              "(1, 601, 'Sensores', 6, 'S'), (1, 701, 'Teclado', 7, 'K'), (1, 901, 'Nove', 9, 'N'), "
              "(1, 902, 'Dez', 9, 'N'), (1, 903, 'Onze', 9, 'N')");
  amb.executa("INSERT INTO tTransOperacao (IdTransOperacao, IdOperacao, IdTerminal, NomeOperacao, Status, DtTransmissao) "
              "VALUES (5, 1, 4096, 'Antiga', 1, '2024-01-01 10:00:00'), (6, 1, 4096, 'Longa & distancia', 1, "
              "'2024-01-02 10:00:00')");
  amb.executa("INSERT INTO tTelecomando (IdSequencia, CodMsg, StatusEnvio) VALUES "
              "(10, 228, 0), (11, 112, 0), (12, 112, 0), (13, 112, 16), (14, 112, 1234), (15, 112, 257), (16, 112, 2)");
  amb.executa("INSERT INTO tOpRemota (IdSequencia, DiagnosticoOpRemota) VALUES (10, 0), (12, 7)");
  amb.executa("INSERT INTO tTransItensOperacao (IdTransOperacao, IdConfiguracao, IdOpcao, IdSequencia) VALUES "
              "(6, 101, 1, 10), (6, 201, 2, 11), (6, 301, 3, 12), (6, 401, 4, 13), (6, 501, 5, 14), (6, 601, 6, 15), "
              "(6, 701, 7, 99), (6, 901, 9, -1), (6, 902, 9, -2), (6, 903, 9, 16), (5, 101, 1, 10)");
  auto item = [](const std::string& id, const std::string& nome, const std::string& tipo, const std::string& desc,
                 const std::string& status) {
    return " <Item>  <IdItem> " + id + " </IdItem>  <NomeItem> " + nome + "  </NomeItem>  <TipoItem> " + tipo +
           "</TipoItem>  <DescItem> " + desc + "</DescItem>  <StatusItem> " + status + "</StatusItem>  </Item> ";
  };
  const std::string lim = "Limites &amp; velocidade";
  EXPECT_EQ(amb.pede(-26, "<IdTerminal>1000</IdTerminal>"),
            sts("1000", " <StsOperacao> 0 </StsOperacao> <IdOperacao> 1 </IdOperacao>  <NomeOperacao> Longa &amp; "
                        "distancia </NomeOperacao> " +
                            item("101", "GPRS", "1", "Comunicacao", "Enviado e processado com sucesso pelo veículo"_cp) +
                            item("201", "Rodovia", "2", lim, "Enviado") +
                            item("301", "Parada", "3", lim, "Enviado e processado com erros pelo veículo  "_cp) +
                            item("401", "Jornada", "4", lim, "Aguardando conexão com veículo..."_cp) +
                            item("501", "Telemetria", "5", lim, "Erro desconhecido: 123") +
                            item("601", "Sensores", "6", lim, "Veículo desconhecido pela base   "_cp) +
                            item("701", "Teclado", "7", "", "Falha no Telecomando") +
                            item("901", "Nove", "9", "", "Rastreador incompatível."_cp) +
                            item("902", "Dez", "9", "", "Configuração sem permissão na Central Cliente"_cp) +
                            item("903", "Onze", "9", lim, "Erro desconhecido: 2")));
}

TEST_F(TransmissoesFixture, AProfileTableThatIsNoPlainNameIsNeverComposedIntoAStatement) {
  amb.executa("UPDATE tOpcoesOperacao SET TabelaConf = 'tCfgPerfil; DELETE FROM tVeiculo' WHERE IdOpcao = 1");
  amb.pede(-5, "<IdTerminal>1000</IdTerminal><IdPerfilConfiguracao>101</IdPerfilConfiguracao>"
               "<TipoConfiguracao>1</TipoConfiguracao>");
  amb.pede(-22, "<IdSeqMsg>1</IdSeqMsg><IdTerminal>1000</IdTerminal><TipoConfiguracao>1</TipoConfiguracao>");
  // the general failure path: logged with the document, nothing answered, nothing run
  EXPECT_EQ(amb.amb.canal.recebido(amb.cliente), "");
  EXPECT_NE(amb.amb.log().find("tCfgPerfil; DELETE FROM tVeiculo"), std::string::npos);
  EXPECT_EQ(amb.valor("SELECT count(*) FROM tVeiculo"), 4);
  EXPECT_EQ(telecomandos(), 0);
}
