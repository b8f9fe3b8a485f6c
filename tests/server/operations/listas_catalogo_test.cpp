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

struct ListasFixture : ::testing::Test {
  AmbienteOperacao amb;

  // A configuration kind and its template profiles.
  void opcao(int id, const std::string& codigo) {
    amb.executa("INSERT INTO tOpcoesOperacao (IdOpcao, NomeOpcao, CodMsgHex, TabelaConf) VALUES (" +
                std::to_string(id) + ", 'Opcao " + std::to_string(id) + "', '" + codigo + "', 'tCfgPerfil')");
  }
  void perfil(int idConfig, int opcao, const std::string& nome, int terminal = 0, int sequencia = 0) {
    amb.executa("INSERT INTO tCfgPerfil (IdConfig, IdOpcao, Nome, IdTerminal, IdSequencia) VALUES (" +
                std::to_string(idConfig) + ", " + std::to_string(opcao) + ", '" + nome + "', " +
                std::to_string(terminal) + ", " + std::to_string(sequencia) + ")");
  }
};

}  // namespace

TEST_F(ListasFixture, EmptyCataloguesAnswerTheHeadingOnly) {
  const struct {
    int pedido;
    std::string resposta;
  } casos[] = {
      {-2, cabecalho("-41")},
      {-4, cabecalho("-43")},
      {-12, cabecalho("-51")},
      {-13, cabecalho("-59") + " <MensagensELP>  </MensagensELP> "},
      {-16, cabecalho("-63")},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.pedido);
    EXPECT_EQ(amb.pede(c.pedido), documento(c.resposta));
  }
}

TEST_F(ListasFixture, OperationsGroupConsecutiveRowsAndCleanTheirNames) {
  amb.executa("INSERT INTO tOperacao (IdOperacao, Nome) VALUES (1, '"s + "Ação & <Peça>"_cp + "'), (2, 'Urbana')");
  // the items of both operations come interleaved
  amb.executa("INSERT INTO tItensOperacao (IdOperacao, IDConfiguracao, NomeConfiguracao, IdOpcao, NomeOpcaoConf) VALUES "
              "(1, 101, '"s + "Padrão"_cp + "', 1, '" + "Comunicação"_cp + "'), "
              "(1, 201, 'Rodovia', 2, 'Velocidade'), "
              "(2, 202, 'Urbano', 2, 'Velocidade'), "
              "(1, 401, 'Jornada', 4, 'A&B')");
  const std::string op1 = " <Operacao> <IdOperacao> 1 </IdOperacao><NomeOperacao> Acao e [Peca] </NomeOperacao>";
  const std::string op2 = " <Operacao> <IdOperacao> 2 </IdOperacao><NomeOperacao> Urbana </NomeOperacao>";
  auto item = [](const std::string& id, const std::string& nome, const std::string& tipo, const std::string& nomeTipo) {
    return " <Item><IdItem> " + id + " </IdItem><NomeItem> " + nome + " </NomeItem><IdTipoItem> " + tipo +
           " </IdTipoItem><NomeTipoItem> " + nomeTipo + " </NomeTipoItem></Item>";
  };
  EXPECT_EQ(amb.pede(-2),
            documento(cabecalho("-41") + op1 + item("101", "Padrao", "1", "Comunicação"_cp) +
                      item("201", "Rodovia", "2", "Velocidade") + "</Operacao> " + op2 +
                      item("202", "Urbano", "2", "Velocidade") + "</Operacao> " + op1 +
                      item("401", "Jornada", "4", "A&amp;B") + "</Operacao> "));
}

TEST_F(ListasFixture, ProfilesOfEveryKindBelow26WithTheirKind) {
  opcao(1, "E4");
  opcao(2, "70");
  opcao(30, "30");
  perfil(101, 1, "GPRS & "s + "padrão"_cp);
  perfil(102, 1, "Satelite");
  perfil(101, 1, "copia de um veiculo", 4096, 55);  // a vehicle's copy is not a template
  perfil(201, 2, "Rodovia");
  perfil(3001, 30, "Alvos");  // kinds from 26 up are not listed
  auto p = [](const std::string& id, const std::string& nome, const std::string& tipo) {
    return " <PerfilConfiguracao> <IdPerfilConfiguracao> " + id + " </IdPerfilConfiguracao><NomePerfilConfiguracao> " +
           nome + " </NomePerfilConfiguracao><TipoConfiguracao> " + tipo + " </TipoConfiguracao> </PerfilConfiguracao> ";
  };
  EXPECT_EQ(amb.pede(-4), documento(cabecalho("-43") + p("101", "GPRS e padrao", "1") + p("102", "Satelite", "1") +
                                    p("201", "Rodovia", "2")));
}

TEST_F(ListasFixture, AKind26OrAboveEndsTheProfileListWhereverItComes) {
  // a catalogue table without a clustered key returns its rows as stored
  amb.executa("DROP TABLE tOpcoesOperacao");
  amb.executa("CREATE TABLE tOpcoesOperacao (IdOpcao INTEGER, NomeOpcao TEXT, CodMsgHex TEXT, TabelaConf TEXT, "
              "FlagCentralRastSeg TEXT)");
  opcao(2, "70");
  opcao(26, "30");
  opcao(1, "E4");
  perfil(101, 1, "GPRS");
  perfil(201, 2, "Rodovia");
  EXPECT_EQ(amb.pede(-4), documento(cabecalho("-43") +
                                    " <PerfilConfiguracao> <IdPerfilConfiguracao> 201 </IdPerfilConfiguracao>"
                                    "<NomePerfilConfiguracao> Rodovia </NomePerfilConfiguracao><TipoConfiguracao> 2 "
                                    "</TipoConfiguracao> </PerfilConfiguracao> "));
  amb.executa("DELETE FROM tOpcoesOperacao WHERE IdOpcao = 2");
  EXPECT_EQ(amb.pede(-4), documento(cabecalho("-43")));
}

TEST_F(ListasFixture, FormattedMessagesNegateTEAndTCAndShowTheHashInHexadecimal) {
  amb.executa("INSERT INTO tCfgMacro (idMacro, Titulo, Hash, TE, TC) VALUES "
              "(-5, 'NEGATIVO', -5, 1, 1), (439041101, '"s + "ENTREGA Ç <1>"_cp + "', 439041101, 0, 1)");
  amb.executa("INSERT INTO tCfgMacroCampos (idMacro, idCampo, Nome, Tipo, Tam, Obrig) VALUES "
              "(439041101, 2, 'RECEBEDOR', 1, 20, 1), (439041101, 1, '"s + "NOTA FISCAL Nº"_cp + "', 1, 10, 0), "
              "(-5, 1, 'X', 5, 5, 1)");
  auto campo = [](const std::string& id, const std::string& nome, const std::string& tam, const std::string& obrig,
                  const std::string& tipo) {
    return " <Campo>  <IdCampo> " + id + " </IdCampo> <NomeCampo> " + nome + " </NomeCampo> <TamCampo> " + tam +
           " </TamCampo> <ObrigCampo> " + obrig + " </ObrigCampo> <TipoCampo> " + tipo + " </TipoCampo> </Campo> ";
  };
  EXPECT_EQ(amb.pede(-12),
            documento(cabecalho("-51") +
                      "<MensagemFormatada> <IdMensagemFormatada> -5 </IdMensagemFormatada><NroSeqMacro> FFFFFFFB "
                      "</NroSeqMacro><TE> 0 </TE><TC> 0 </TC><NomeMensagemFormatada> NEGATIVO </NomeMensagemFormatada>" +
                      campo("1", "X", "5", "1", "5") + " </MensagemFormatada>" +
                      "<MensagemFormatada> <IdMensagemFormatada> 439041101 </IdMensagemFormatada><NroSeqMacro> "
                      "1A2B3C4D </NroSeqMacro><TE> 1 </TE><TC> 0 </TC><NomeMensagemFormatada> ENTREGA C &lt;1&gt; "
                      "</NomeMensagemFormatada>" +
                      campo("1", "NOTA FISCAL N ", "10", "0", "1") + campo("2", "RECEBEDOR", "20", "1", "1") +
                      " </MensagemFormatada>"));
}

TEST_F(ListasFixture, StopLogisticsMessagesVisibleOnesByTypeAndText) {
  amb.executa("INSERT INTO tMensagemExtensaoLogistica (idMsg, TipoMsg, Mensagem, Visivel) VALUES "
              "(1, 2, 'SAIDA', 1), (2, 0, '"s + "INÍCIO & FIM"_cp + "', 1), (3, 0, 'AGUARDANDO', 1), (4, 1, 'OCULTA', 0)");
  auto m = [](const std::string& tipo, const std::string& texto) {
    return "<MensagemELP> <TipoMsg> " + tipo + " </TipoMsg><Mensagem> " + texto + " </Mensagem> </MensagemELP>";
  };
  EXPECT_EQ(amb.pede(-13), documento(cabecalho("-59") + " <MensagensELP> " + m("0", "AGUARDANDO") +
                                     m("0", "INICIO e FIM") + m("2", "SAIDA") + " </MensagensELP> "));
}

TEST_F(ListasFixture, StopLogisticsMessagesOfATrackerAndWhyThereAreNone) {
  amb.executa("INSERT INTO tRastreador (Rastreador, ListaKVT) VALUES (1, 1), (5, 0)");
  amb.executa("INSERT INTO tVeiculo (IdTerminal, Rastreador) VALUES (4096, 1), (4097, 1), (4098, 1), (4099, 5)");
  amb.executa("INSERT INTO tMensagemExtensaoLogistica (idMsg, TipoMsg, Mensagem) VALUES "
              "(1, 0, 'CHEGADA'), (2, 1, 'DESCARGA'), (5, 2, 'SAIDA')");
  amb.executa("INSERT INTO tCfgMensagemExtensaoLogistica (IdTerminal, IdConfig, idMsg, TipoMsg, Sequencia, IdSequencia) "
              "VALUES (4096, 0, 5, 2, 1, 0), (4096, 0, 2, 1, 3, NULL), (4096, 0, 1, 0, 2, 0), "
              "(4096, 7, 1, 0, 9, 0), "      // another configuration
              "(4097, 0, 1, 0, 1, 321)");  // already transmitted
  auto sts = [](const std::string& terminal, const std::string& resto) {
    return documento(cabecalho("-60") + " <IdTerminal> " + terminal + " </IdTerminal>" + resto);
  };
  auto m = [](const std::string& tipo, const std::string& seq, const std::string& texto) {
    return " <MensagemELP>  <TipoMsg> " + tipo + " </TipoMsg>  <Sequencia> " + seq + "  </Sequencia>  <Mensagem> " +
           texto + "</Mensagem>  </MensagemELP> ";
  };
  EXPECT_EQ(amb.pede(-14, "<IdTerminal> 1000 </IdTerminal>"),
            sts("1000", " <StsMensagemELP> 0 </StsMensagemELP> <MensagensELP>" + m("0", "2", "CHEGADA") +
                            m("1", "3", "DESCARGA") + m("2", "1", "SAIDA") + " </MensagensELP>"));
  EXPECT_EQ(amb.pede(-14, "<idterminal>1001</idterminal>"), sts("1001", " <StsMensagemELP> 2 </StsMensagemELP>"));
  EXPECT_EQ(amb.pede(-14, "<IdTerminal>1002</IdTerminal>"), sts("1002", " <StsMensagemELP> 2 </StsMensagemELP>"));
  EXPECT_EQ(amb.pede(-14, "<IdTerminal>1003</IdTerminal>"), sts("1003", " <StsMensagemELP> 1 </StsMensagemELP>"));
  EXPECT_EQ(amb.pede(-14, "<IdTerminal>&lt;1&gt;</IdTerminal>"), sts("&lt;1&gt;", " <StsMensagemELP> 1 </StsMensagemELP>"));

  EXPECT_EQ(amb.pede(-14, "<IdTerminal> </IdTerminal>"),
            erroStatus("Tag [IdTerminal] esta em branco, nao e possivel obter as mensagens desse rastreador"));
  EXPECT_EQ(amb.pede(-14), erroStatus("Telecomando incompleto, nao e possivel obter as mensagens desse rastreador"));
}

TEST_F(ListasFixture, PredefinedMessagesCarryTheirGroupHeadingAndOneNumber) {
  amb.executa("INSERT INTO tMensagemPre_Zeta (idMsg, idMsgSub, Mensagem) VALUES "
              "(31, 0, 'Abaixo de 32'), (31, 1, 'nunca listada'), "
              "(32, 0, 'A'), (32, 1, 'B'), (32, 2, '"s + "Cê"_cp + "'), (33, 1, 'D'), (34, 0, 'E'), (35, 1, 'F')");
  auto m = [](const std::string& id, const std::string& texto) {
    return "<MensagemPre> <IdMensagemPre> " + id + " </IdMensagemPre> <Mensagem> " + texto + " </Mensagem></MensagemPre>";
  };
  const std::string antes = m("256", "A B") + m("257", "A Ce") + m("264", "D");
  EXPECT_EQ(amb.pede(-16), documento(cabecalho("-63") + antes + m("272", "E") + m("280", "F")));

  // a heading that is the last row is no message of its own
  amb.executa("DELETE FROM tMensagemPre_Zeta WHERE idMsg = 35");
  EXPECT_EQ(amb.pede(-16), documento(cabecalho("-63") + antes));
}
