#include "server/events/logistic_complement.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/text/cp1252.h"
#include "platform/text/regional.h"
#include "server/runtime/history_list.h"
#include "server/runtime/log_files.h"
#include "tests/support/temp_dir.h"

using namespace kvt::events;
using namespace kvt::text::literals;

namespace {

constexpr std::int32_t kTerminal = 0x1234;  // 4660

struct Complementos : ::testing::Test {
  kvt::clk::ManualClock relogio{0, {2024, 1, 2, 3, 4, 5, 0}};
  kvt::clk::ScopedClock escopo{relogio};
  std::vector<std::string> listados;
  std::vector<std::string> registrados;
  std::vector<std::pair<std::int32_t, std::int32_t>> pesquisas;
  tComplementoEvento complementos{
      [this](std::string_view rotina, std::string_view m) {
        EXPECT_EQ(rotina, "TFPrincipal.Post2XML");
        registrados.emplace_back(m);
      },
      [this](const std::string& linha) { listados.push_back(linha); },
      [this](std::int32_t terminal, std::int32_t alvo) -> std::optional<std::string> {
        pesquisas.emplace_back(terminal, alvo);
        if (terminal == kTerminal && alvo == 10) return std::string("Posto A&B");
        return std::nullopt;
      }};

  void SetUp() override { kvt::text::setRegional({}); }
  std::string decodifica(std::int32_t n, std::string_view c, std::int32_t solar = 0) {
    return complementos.ComplementoLogistico(n, c, kTerminal, solar);
  }
};

const std::string kAlvo10 = "<OrdemEnvioAlvo> 10 </OrdemEnvioAlvo> <Nome_Alvo> Posto A&amp;B </Nome_Alvo>";
const std::string kAlvo0 = "<OrdemEnvioAlvo> 0 </OrdemEnvioAlvo> <Nome_Alvo> ALVO NR. 0 NAO IDENTIFICADO  </Nome_Alvo>";

std::string erroGenerico(int n, const std::string& c) {
  return "Erro ao processar o complemento do teleevento logístico "_cp + std::to_string(n) +
         ". ComplementoEvt = " + c + "; IdTerminal = 4660";
}

}  // namespace

TEST_F(Complementos, OutputOfEveryDecoder) {
  struct Caso {
    int n;
    std::string complemento;
    int solar;
    std::string saida;
  } casos[] = {
      {5, "1F4", 0, "<Referencia>500</Referencia>"},
      {24, "-A", 0, "<Referencia>-10</Referencia>"},
      {22, "21", 0, "<Tipo_Tratamento>Alarme</Tipo_Tratamento><Tipo_Area>Cerca de entrada restrita</Tipo_Area>"},
      {23, "05", 0, "<Tipo_Tratamento>Teleevento normal</Tipo_Tratamento><Tipo_Area>Alvo</Tipo_Area>"},
      {22, "30", 0, "<Tipo_Tratamento>Bloqueio</Tipo_Tratamento><Tipo_Area>Cerca de saída restrita</Tipo_Area>"_cp},
      {22, "99", 0, "<Tipo_Tratamento></Tipo_Tratamento><Tipo_Area></Tipo_Area>"},
      {53, "0000003CFF8307A2", 0,
       " <Temperatura_Validade> 1 </Temperatura_Validade>  <Temperatura_Controle> 1 </Temperatura_Controle>  "
       "<Temperatura_Tecnologia> 1 </Temperatura_Tecnologia>  <Temperatura_Valor> -12,5 </Temperatura_Valor>  "
       "<Temperatura_Intervalo> 60 </Temperatura_Intervalo>  <Temperatura_AcaoAlarme> 10 </Temperatura_AcaoAlarme>  "
       "<Temperatura_Codigo> 2 </Temperatura_Codigo> "},
      {53, "FFFFFFFF00FA0C12", 0,
       " <Temperatura_Validade> 0 </Temperatura_Validade>  <Temperatura_Controle> 0 </Temperatura_Controle>  "
       "<Temperatura_Tecnologia> 3 </Temperatura_Tecnologia>  <Temperatura_Valor> 25 </Temperatura_Valor>  "
       "<Temperatura_Intervalo> 4294967295 </Temperatura_Intervalo>  <Temperatura_AcaoAlarme> 1 </Temperatura_AcaoAlarme>  "
       "<Temperatura_Codigo> 2 </Temperatura_Codigo> "},
      {113, "351A00C800FA0082", 0, ""},
      {113, "351A00C800FA0082", 1,
       " <RISOLAR_Tensao_Bat>    13,0 </RISOLAR_Tensao_Bat>  <RISOLAR_Tensao_Painel>    25,0 </RISOLAR_Tensao_Painel> "
       " <RISOLAR_Corrente_Bat> 200 </RISOLAR_Corrente_Bat>  <RISOLAR_Temperatura> 26 </RISOLAR_Temperatura> "
       " <RISOLAR_Alimentacao> 1 </RISOLAR_Alimentacao>  <RISOLAR_Carregador> 1 </RISOLAR_Carregador> "
       " <RISOLAR_Nivel_Bateria> 3 </RISOLAR_Nivel_Bateria> "},
      {138, "0F00000000000000", 2,
       " <RISOLAR_Tensao_Bat>     0,0 </RISOLAR_Tensao_Bat>  <RISOLAR_Tensao_Painel>     0,0 </RISOLAR_Tensao_Painel> "
       " <RISOLAR_Corrente_Bat> 0 </RISOLAR_Corrente_Bat>  <RISOLAR_Temperatura> 0 </RISOLAR_Temperatura> "
       " <RISOLAR_Alimentacao> 3 </RISOLAR_Alimentacao>  <RISOLAR_Carregador> 3 </RISOLAR_Carregador> "
       " <RISOLAR_Nivel_Bateria> 0 </RISOLAR_Nivel_Bateria> "},
      {120, "0000000A", 0, kAlvo10},
      {123, "0000000B", 0, "<OrdemEnvioAlvo> 11 </OrdemEnvioAlvo> <Nome_Alvo> ALVO NR. 11 NAO IDENTIFICADO  </Nome_Alvo>"},
      {124, "0300000A", 0, kAlvo10 + " <Resultado_Operacao> 3 </Resultado_Operacao>"},
      {148, "000000A5", 0, " <TipoMsg> 0 </TipoMsg> <SequenciaChegada> 37 </SequenciaChegada>"},
      {148, " 000000A5 ", 0, " <TipoMsg> 1 </TipoMsg> <SequenciaChegada> 10 </SequenciaChegada>"},  // read as written
      {149, "00001105", 0,
       " <TipoMsg> 1 </TipoMsg> <SequenciaChegada> 5 </SequenciaChegada> <SequenciaSaida> 17 </SequenciaSaida>"},
      {149, "0000000000001185", 0,
       " <TipoMsg> 0 </TipoMsg> <SequenciaChegada> 5 </SequenciaChegada> <SequenciaSaida> 17 </SequenciaSaida>"},
      {169, "1234", 0, " <TipoMensagem> 52 </TipoMensagem> <IdMsgConfirmacao> 18 </IdMsgConfirmacao>"},
      {178, "234", 0, " <TipoMensagem> 52 </TipoMensagem> <IdMsgConfirmacao> 2 </IdMsgConfirmacao>"},
      {184, "000002001E00003C", 0,
       "<TipoInfracao> 2 </TipoInfracao><ValorMaximoMedido> 3000 </ValorMaximoMedido> <DuracaoInfracao>60</DuracaoInfracao> "},
      {184, "000000001E00003C", 0,
       "<TipoInfracao> 0 </TipoInfracao><ValorMaximoMedido> 30 </ValorMaximoMedido> <DuracaoInfracao>60</DuracaoInfracao> "},
      {184, "000003001E", 0,
       "<TipoInfracao> 3 </TipoInfracao><ValorMaximoMedido> 0 </ValorMaximoMedido> <DuracaoInfracao>0</DuracaoInfracao> "},
      {184, "00000500FF00003C", 0,
       "<TipoInfracao> 5 </TipoInfracao><ValorMaximoMedido> 0 </ValorMaximoMedido> <DuracaoInfracao>60</DuracaoInfracao> "},
      {193, "0135", 0,
       "<AlarmesHyundai> <NivelBaixoLiqRefr> 1 </NivelBaixoLiqRefr><EngineCheck> 0 </EngineCheck>"
       "<PressaoAltaOleoMotor> 1 </PressaoAltaOleoMotor><OleoHidrTempAlta> 0 </OleoHidrTempAlta>"
       "<LiqRefrSuperAquec> 1 </LiqRefrSuperAquec> </AlarmesHyundai> "
       "<EventosHyundai> <ModoPotencia> 1 </ModoPotencia><ModoUsuario> 1 </ModoUsuario> </EventosHyundai> "},
      {194, "1FFFFF000000E1020305", 0,
       "<FalhaMotorHyundai> <Ativo0> 1 </Ativo0><SPN0> 70203 </SPN0><FMI0> 01 </FMI0>"
       "<Ativo1> 0 </Ativo1><SPN1> 00000 </SPN1><FMI1> 00 </FMI1>"
       "<Ativo2> 1 </Ativo2><SPN2> 0FFFF </SPN2><FMI2> 1F </FMI2></FalhaMotorHyundai> "},
      {195, "0102030405060708", 0, "<FalhaMaquinaHyundai> 08 07 06 05 04 03 02 01 </FalhaMaquinaHyundai>"},
      {195, "0102", 0, "<FalhaMaquinaHyundai>       02 01 </FalhaMaquinaHyundai>"},
      {196, "1F000010000020000030040000505801", 0,
       "<AlarmesHyundai> <NivelBaixoLiqRefr> 1 </NivelBaixoLiqRefr><EngineCheck> 0 </EngineCheck>"
       "<PressaoAltaOleoMotor> 0 </PressaoAltaOleoMotor><OleoHidrTempAlta> 0 </OleoHidrTempAlta>"
       "<LiqRefrSuperAquec> 0 </LiqRefrSuperAquec> </AlarmesHyundai> "
       "<EventosHyundai> <ModoPotencia> 0 </ModoPotencia><ModoUsuario> 0 </ModoUsuario> </EventosHyundai> "
       " <InfoPeriodicasHyundai> <NivelCombustivel> 50 </NivelCombustivel> <ComunicacaoCLP> 1 </ComunicacaoCLP> "
       "<Eficiencia> 80 </Eficiencia> <Horimetro> 1024 </Horimetro> <TempoPotenciaH> 48 </TempoPotenciaH> "
       "<TempoPotenciaS> 32 </TempoPotenciaS> <TempoUsuarioM> 16 </TempoUsuarioM> <SinalGSM> 100 </SinalGSM> "
       " </InfoPeriodicasHyundai> "},
      {196, "0A0000100000200000300400FFFF1403", 0,
       "<AlarmesHyundai> <NivelBaixoLiqRefr> 1 </NivelBaixoLiqRefr><EngineCheck> 1 </EngineCheck>"
       "<PressaoAltaOleoMotor> 0 </PressaoAltaOleoMotor><OleoHidrTempAlta> 0 </OleoHidrTempAlta>"
       "<LiqRefrSuperAquec> 0 </LiqRefrSuperAquec> </AlarmesHyundai> "
       "<EventosHyundai> <ModoPotencia> 0 </ModoPotencia><ModoUsuario> 0 </ModoUsuario> </EventosHyundai> "
       " <InfoPeriodicasHyundai> <NivelCombustivel> 42 </NivelCombustivel> <ComunicacaoCLP> 0 </ComunicacaoCLP> "
       "<Horimetro> 1024 </Horimetro> <SinalGSM> 32 </SinalGSM>  </InfoPeriodicasHyundai> "},
      {1, "1F4", 0, ""},
      {0, "1F4", 0, ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.n << " " << c.complemento);
    listados.clear();
    EXPECT_EQ(decodifica(c.n, c.complemento, c.solar), c.saida);
    EXPECT_TRUE(listados.empty()) << listados.front();
  }
}

TEST_F(Complementos, FailuresAreListed) {
  const std::string agora = "[02/01/2024 03:04:05] ";
  const std::string area = "Erro ao obter complemento (Tipo_Area) do teleevento logístico nr. 22 (Entrada de Area). "
                           "ComplementoEvt = "_cp;
  const std::string tratamento = "Erro ao obter complemento (Tratamento) do teleevento logístico nr. "_cp;
  struct Caso {
    int n;
    std::string complemento, saida;
    std::vector<std::string> listados;
  } casos[] = {
      {22, "X9", "<Tipo_Tratamento>Falha no tratamento</Tipo_Tratamento><Tipo_Area></Tipo_Area>",
       {agora + tratamento + "22 (Entrada de Area). ComplementoEvt = X9"}},
      {23, "", "<Tipo_Tratamento>Falha no tratamento</Tipo_Tratamento><Tipo_Area>Falha no Tipo Area</Tipo_Area>",
       {agora + tratamento + "23 (Entrada de Area). ComplementoEvt = ", agora + "Erro ao obter complemento (Tipo_Area) do teleevento logístico nr. 23 (Entrada de Area). ComplementoEvt = "_cp}},
      {22, "2", "<Tipo_Tratamento>Alarme</Tipo_Tratamento><Tipo_Area>Falha no Tipo Area</Tipo_Area>",
       {agora + area + "2"}},
      {5, "", "", {erroGenerico(5, "")}},
      {53, "0000003CFF83", "", {erroGenerico(53, "0000003CFF83")}},
      {113, "351A00C800FA", "", {erroGenerico(113, "351A00C800FA")}},
      {120, "", kAlvo0, {erroGenerico(120, "")}},
      {124, "", kAlvo0 + " <Resultado_Operacao> 0 </Resultado_Operacao>",
       {"Erro ao obter IdAlvo do complemento do teleevento logístico nr. 124. ComplementoEvt = ; IdTerminal = 4660"_cp,
        "Erro ao obter Resultado_Operacao do complemento do teleevento logístico nr. 124. ComplementoEvt = ; "
        "IdTerminal = 4660"_cp}},
      {125, "03", "<OrdemEnvioAlvo> 0 </OrdemEnvioAlvo> <Nome_Alvo> ALVO NR. 0 NAO IDENTIFICADO  </Nome_Alvo>"
                  " <Resultado_Operacao> 3 </Resultado_Operacao>",
       {"Erro ao obter IdAlvo do complemento do teleevento logístico nr. 125. ComplementoEvt = 03; IdTerminal = 4660"_cp}},
      {148, "000000A5FF", "", {erroGenerico(148, "000000A5FF")}},
      {149, "", "", {erroGenerico(149, "")}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.n << " '" << c.complemento << "'");
    listados.clear();
    EXPECT_EQ(decodifica(c.n, c.complemento, 1), c.saida);
    EXPECT_EQ(listados, c.listados);
  }
}

TEST_F(Complementos, TargetLookupUsesTheTerminalAndTheTarget) {
  decodifica(120, "0000000A");
  decodifica(121, "");
  decodifica(125, "FF00000B");
  EXPECT_EQ(pesquisas, (std::vector<std::pair<std::int32_t, std::int32_t>>{{kTerminal, 10}, {kTerminal, 0}, {kTerminal, 11}}));
}

TEST_F(Complementos, ReceptionResultsAreLogged) {
  struct Caso {
    int n;
    std::string complemento, saida, listado, registrado;
  } casos[] = {
      {169, "001234", " <TipoMensagem> 52 </TipoMensagem> <IdMsgConfirmacao> 18 </IdMsgConfirmacao>", "",
       "Recebido TeleEvento Logistico[0x95] Evento[RECEPCAO_OK=169] para IdTerminal [4660] TipoMensagem[52] "
       "IdMsgConfirmacao[18]"},
      {178, "0102", " <TipoMensagem> 2 </TipoMensagem> <IdMsgConfirmacao> 1 </IdMsgConfirmacao>", "",
       "Recebido TeleEvento Logistico[0x95] Evento[TIMEOUT_RECEPCAO=178] para IdTerminal [4660] TipoMensagem[2] "
       "IdMsgConfirmacao[1]"},
      {179, "0102", " <TipoMensagem> 2 </TipoMensagem> <IdMsgConfirmacao> 1 </IdMsgConfirmacao>", "",
       "Recebido TeleEvento Logistico[0x95] Evento[FALHA_PROCESSAMENTO=179] para IdTerminal para [4660] "
       "TipoMensagem[2] IdMsgConfirmacao[1]"},
      {169, "12", "",
       "Erro ao processar o complemento do teleevento logístico Evento[RECEPCAO_OK=169] para IdTerminal[4660]."_cp,
       "Erro ao processar complemento do TeleEvento Logistico[0x95] Evento[RECEPCAO_OK=169] para IdTerminal [4660] "
       "+ComplementoEvt[12]"},
      {178, "", "",
       "Erro ao processar o complemento do teleevento logístico Evento[TIMEOUT_RECEPCAO=178] para IdTerminal[4660]."_cp,
       "Erro ao processar complemento do TeleEvento Logistico[0x95] Evento[TIMEOUT_RECEPCAO=178] para IdTerminal "
       "[4660] +ComplementoEvt[]"},
      {179, "7", "",
       "Erro ao processar o complemento do teleevento logístico Evento[FALHA_PROCESSAMENTO=179] IdTerminal[4660]."_cp,
       "Erro ao processar complemento do  TeleEvento Logistico[0x95] Evento[FALHA_PROCESSAMENTO=179] para "
       "IdTerminal [4660] +ComplementoEvt[7]"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.n << " '" << c.complemento << "'");
    listados.clear();
    registrados.clear();
    EXPECT_EQ(decodifica(c.n, c.complemento), c.saida);
    EXPECT_EQ(listados, c.listado.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.listado});
    EXPECT_EQ(registrados, std::vector<std::string>{c.registrado});
  }
}

TEST_F(Complementos, TelemetryAccessoriesLogAndDropTheirOutputOnFailure) {
  EXPECT_NE(decodifica(184, "000002001E00003C"), "");
  EXPECT_EQ(registrados, (std::vector<std::string>{
                             "Recebido TeleEvento Logistico[0x95] Evento Telemetria Trovik [CODIGO=184] para IdTerminal para [4660]",
                             "Processado TeleEvento Logistico[0x95] Evento Telemetria Trovik [CODIGO=184] para IdTerminal para [4660]"}));
  registrados.clear();
  EXPECT_EQ(decodifica(184, "00000200"), "");  // kind 2 without its value
  EXPECT_EQ(listados, (std::vector<std::string>{
                          "Erro ao processar o complemento do teleevento logístico Evento Telemetria Trovik [CODIGO=184] IdTerminal[4660]."_cp}));
  EXPECT_EQ(registrados, (std::vector<std::string>{
                             "Recebido TeleEvento Logistico[0x95] Evento Telemetria Trovik [CODIGO=184] para IdTerminal para [4660]",
                             "Erro ao processar complemento do TeleEvento Logistico[0x95] Evento Telemetria Trovik [CODIGO=184] para IdTerminal [4660] +ComplementoEvt[00000200]"}));

  for (const auto& [n, curto] : std::vector<std::pair<int, std::string>>{
           {193, ""}, {194, "1FFFFF000000E10203"}, {196, "1F0000100000200000300400FFFF"}}) {
    SCOPED_TRACE(n);
    listados.clear();
    registrados.clear();
    EXPECT_EQ(decodifica(n, curto), "");
    const std::string codigo = std::to_string(n);
    EXPECT_EQ(listados, std::vector<std::string>{
                            "Erro ao processar o complemento do teleevento logístico Evento Telemetria Hyundai [CODIGO="_cp +
                            codigo + "] IdTerminal[4660]."});
    EXPECT_EQ(registrados, (std::vector<std::string>{
                               "Recebido TeleEvento Logistico[0x95] Evento Telemetria Hyundai [CODIGO=" + codigo +
                                   "] para IdTerminal para [4660]",
                               "Erro ao processar complemento do  TeleEvento Logistico[0x95]Evento Telemetria Hyundai [CODIGO=" +
                                   codigo + "]  para IdTerminal [4660] +ComplementoEvt[" + curto + "]"}));
  }
}

TEST_F(Complementos, PassThroughComplementComesFirst) {
  EXPECT_EQ(complementos.Complemento("92", 0, "0A0B", kTerminal, 0), "<Complemento>0A0B</Complemento>");
  EXPECT_EQ(complementos.Complemento("92", 5, "1F4", kTerminal, 0),
            "<Complemento>1F4</Complemento><Referencia>500</Referencia>");
  EXPECT_EQ(complementos.Complemento("95", 5, "1F4", kTerminal, 0), "<Referencia>500</Referencia>");
  EXPECT_EQ(complementos.Complemento("092", 0, "0A0B", kTerminal, 0), "");
}

TEST_F(Complementos, RandomComplementsNeverEscape) {
  const int numeros[] = {4, 5, 13, 14, 22, 23, 24, 25, 53, 113, 114, 132, 135, 138, 120, 123,
                         124, 125, 148, 149, 169, 178, 179, 184, 193, 194, 195, 196};
  std::mt19937 gerador(11);
  std::uniform_int_distribution<int> byte(0, 255), tamanho(0, 40);
  for (int i = 0; i < 6000; ++i) {
    std::string c;
    const int n = tamanho(gerador);
    for (int k = 0; k < n; ++k)
      c += static_cast<char>(i % 2 ? "0123456789ABCDEF -"[byte(gerador) % 18] : byte(gerador));
    for (int numero : numeros) ASSERT_NO_THROW(decodifica(numero, c, 1)) << numero << " '" << c << "'";
  }
}

TEST(ComplementosLog, EntriesReachTheLogFileAndTheActivityList) {
  kvt::test::TempDir dir;
  kvt::test::writeFile(dir.file("KORVATEL.INI"), "[KORVATEL]\r\nArq_Log_Corrente=1\r\n");
  kvt::runtime::LogSettings settings;
  kvt::runtime::HistoryList historico;
  historico.append("anterior");
  kvt::runtime::LogFiles logs(settings, dir.file("KORVATEL.INI"), historico, dir.path().string());
  tComplementoEvento complementos(registroInformativo(logs), listaAtividades(historico), nullptr);
  complementos.ComplementoLogistico(194, "", 77, 0);
  const std::string texto = kvt::test::readFile(dir.file("KORVATEL01.log"));
  EXPECT_NE(texto.find("[INFO]"), std::string::npos);
  EXPECT_NE(texto.find("][TFPrincipal.Post2XML] Recebido TeleEvento Logistico[0x95] Evento Telemetria Hyundai "
                       "[CODIGO=194] para IdTerminal para [77]\r\n"),
            std::string::npos);
  EXPECT_EQ(texto.find("[ERRO]"), std::string::npos);
  ASSERT_EQ(historico.size(), 2u);  // appended at the end, without a time stamp
  EXPECT_EQ(historico.at(0), "anterior");
  EXPECT_EQ(historico.at(1),
            "Erro ao processar o complemento do teleevento logístico Evento Telemetria Hyundai [CODIGO=194] IdTerminal[77]."_cp);
  // without a target lookup the name is unknown
  EXPECT_EQ(complementos.ElementoAlvo(3, 77),
            "<OrdemEnvioAlvo> 3 </OrdemEnvioAlvo> <Nome_Alvo> ALVO NR. 3 NAO IDENTIFICADO  </Nome_Alvo>");
}
