// The query telecommands through the processor, a real client link on
// 127.0.0.1 and the embedded central: what each client receives, byte for byte.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "platform/text/cp1252.h"
#include "platform/text/regional.h"
#include "server/events/custom_event.h"
#include "server/telecmd/consultas.h"
#include "tests/server/telecmd/ambiente_telecmd.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::test::AmbienteTeleCmd;
using kvt::test::documento;

namespace {

const std::string kAgora = " <DataHoraEm> 02/01/2024 03:04:05 </DataHoraEm> ";

std::string tc(const std::string& corpo) { return "<telecomando>" + corpo + "</telecomando>"; }

std::string erro(const std::string& pecas) { return documento(kAgora + "<CodMsg> -40</CodMsg> " + pecas); }

std::size_t conta(const std::string& texto, const std::string& parte) {
  std::size_t n = 0;
  for (auto p = texto.find(parte); p != std::string::npos; p = texto.find(parte, p + parte.size())) ++n;
  return n;
}

// The vehicles of the tests:
//   1A2B  model 1 (enabled), changed 05/03/2010 10:00, satellite data, a sensor, a server central
//   2000  model 5 (not enabled for this server), changed 2015, no central at all
//   3000  model 1, changed in 2000 (before the default start)
//   4000  model 1, changed 04/03/2010 23:59:59, two client centrals
struct ConsultasFixture : ::testing::Test {
  AmbienteTeleCmd amb{"-1,-33"};
  std::unique_ptr<db::Connection> dbBase;
  events::DefinicoesModuloPorta definicoes;
  std::unique_ptr<telecmd::tConsultas> consultas;
  int cliente = 0;

  void SetUp() override {
    dbBase = db::Connection::open(amb.central.urlBase);
    cliente = amb.canal.conecta("Sim");
    amb.executa("INSERT INTO tTransp (IdTransp, Transportadora) VALUES (1, 'Transportes Ágil'), (2, 'Zeta Cargas')"_cp);
    amb.executa("INSERT INTO tFrota (IdFrota, Nome_Frota) VALUES (1, 'Frota Sul'), (2, 'Frota Norte')");
    amb.executa("INSERT INTO tRastreador (Rastreador, Descricao, ListaKVT) VALUES (1, 'KR', 1), (5, 'Legado', 0)");
    amb.executa(
        "INSERT INTO tVeiculo (IdTerminal, IdTransp, IdFrota, Veiculo, Marca, Modelo, Tipo, Cor, Ano, Placas, Chassi, "
        "Cidade, UF, Rastreador, Versao, DadosCnx1, Console, TipoConsole, Odometro, DataAlteracao) VALUES "
        "(6699, 1, 1, 'Caminhão & <1>', 'Scania', 'R 450', 'Cavalo', 'Branco', 2019, 'ABC1D23', '9BSR', 'São Paulo', "
        "'SP', 1, '2.0.4', '5511', 2, 3, 1, '2010-03-05 10:00:00'), "
        "(8192, 2, 2, 'Legado', 'Volvo', 'FH', 'Toco', 'Azul', 2001, 'LEG0001', 'X', 'Recife', 'PE', 5, '1.0', "
        "'5581', 1, 1, 0, '2015-06-01 08:00:00'), "
        "(12288, 1, 2, 'Antigo', 'Ford', 'F', 'Toco', 'Preto', 1999, 'ANT0001', 'Y', 'Natal', 'RN', 1, '1.0', '5584', "
        "1, 1, 0, '2000-06-01 08:00:00'), "
        "(16384, 1, 1, 'Baú', 'Iveco', 'S', 'Truck', 'Prata', 2020, 'BAU0001', 'Z', 'Curitiba', 'PR', 1, '3.2.1', "
        "'5541', 1, 1, 0, '2010-03-04 23:59:59')"_cp);
    amb.executa(
        "INSERT INTO tVeicZeta (IdTerminal, ControlStationID, Password, DestinationAddress, TerminalID) VALUES "
        "(6699, 'CS1', 'pw', 'DA', 'TID')");
    amb.executa(
        "INSERT INTO tVeicSensor (idTerminal, StrSensor1, UsoSensor1, StrSensor2, UsoSensor2) VALUES "
        "(6699, 'Porta do baú', 1, 'Temperatura', 0)"_cp);
    amb.executa(
        "INSERT INTO tGridVeiculos (IdTerminal, Latitude, Longitude, Localizacao, StatusVeic, TecnologiaEvento, "
        "DataHoraEm_LastCnx_OK) VALUES "
        "(6699, -23.5, -46.625, 'Em \"Centro\" São Paulo', 'Parado', 2, '2024-01-01 10:00:00'), "
        "(8192, -8.05, -34.9, 'Recife', 'Em movimento', 1, '2024-01-01 11:00:00'), "
        "(16384, -25.4, -49.25, 'Curitiba', 'Parado', 2, '2024-01-01 12:00:00')"_cp);
    amb.executa(
        "INSERT INTO tCentral (IdCentral, Nome, IP, Port) VALUES (1, 'Central Parceira', '10.20.30.40', 12000), "
        "(2, 'Central Cliente Recife', '10.50.60.70', 12001), (3, 'Central <Sul> & Cia', '10.9.9.9', 12002)");
    amb.executa(
        "INSERT INTO tConfigCentral (IdTerminal, idopcaoconfig, IpCentralOrigem, PortCentralOrigem) VALUES "
        "(6699, 1, '10.20.30.40', 12000)");
    amb.executa(
        "INSERT INTO tCentralDestino (IdTerminal, IpCentralDestino, PortCentralDestino) VALUES "
        "(16384, '10.50.60.70', 12001), (16384, '10.9.9.9', 12002)");
    cria();
  }

  // The query object as the server builds it; `maquina` is where the report looks.
  void cria(const std::string& maquina = "") {
    consultas.reset();
    definicoes = events::CarregaDef_Modulo_Porta(*amb.dbZenthora);
    consultas = std::make_unique<telecmd::tConsultas>(telecmd::tConsultas::Dependencias{
        *amb.teleCmd, *dbBase, *amb.logs,
        [this](std::int32_t chave) -> std::optional<telecmd::DefinicaoEntrada> {
          const events::DefModuloPorta* d = definicoes.Localiza(chave);
          if (!d) return std::nullopt;
          return telecmd::DefinicaoEntrada{d->TipoCompilador, d->Identificador};
        },
        maquina});
  }

  std::string pede(const std::string& corpo) {
    amb.envia(cliente, tc(corpo));
    return amb.canal.recebido(cliente);
  }
};

// The -20 reply of 1A2B, every column in the statement's order.
std::string rastreador1A2B() {
  const std::vector<std::pair<std::string, std::string>> campos = {
      {"Transportadora", "Transportes Agil"}, {"Frota", "Frota Sul"}, {"DataAlteracao", "05/03/2010 10:00:00"},
      {"IdTerminal", "001A2B"}, {"Veiculo", "Caminhao e [1]"}, {"Marca", "Scania"}, {"Modelo", "R 450"},
      {"Tipo", "Cavalo"}, {"Cor", "Branco"}, {"Ano", "2019"}, {"Placa", "ABC1D23"}, {"Chassi", "9BSR"},
      {"Cidade", "Sao Paulo"}, {"UF", "SP"}, {"TipoComunicacao", "1"}, {"Telefone", "5511"}, {"Terminal", "2"},
      {"TipoTerminal", "3"}, {"SensorBau", "0"}, {"SensorCarreta", "0"}, {"SensorPortas", "0"},
      {"BloqCombustivel", "0"}, {"Sirene", "0"}, {"Pisca", "0"}, {"BotaoPanico", "0"}, {"Hodometro", "1"},
      {"Nobreak", "0"}, {"Versao", "2.0.4"}, {"ModeloRastreador", "1"}, {"CarretaId", ""}, {"TravaBau", "0"},
      {"TipoHodometro", "0"}, {"TipoBloqueador", "0"}, {"TipoTrava", "0"}, {"AlertaAudivel_MMA", "0"},
      {"SensorTemperatura", "0"}, {"TipoTermometro", "0"}, {"OperadoraCEL", ""}, {"Login_Sat", "CS1"},
      {"Password_Sat", "pw"}, {"Endereco_Destino_Sat", "DA"}, {"Identificacao_Terminal_Sat", "TID"},
      {"Central_Principal_Auxiliar_Sat", "0"}, {"sensor1", "Porta do bau"}, {"sensor2", ""}, {"sensor3", ""},
      {"sensor4", ""}, {"UsaFP", "0"}, {"BotBau", "0"}};
  std::string corpo = kAgora + "<CodMsg> -20 </CodMsg> ";
  for (const auto& [nome, valor] : campos) corpo += "<" + nome + "> " + valor + " </" + nome + "> ";
  return documento(corpo);
}

}  // namespace

TEST_F(ConsultasFixture, TrackerListRendersEveryColumnOfEachTrackerInItsOwnDocument) {
  EXPECT_EQ(pede("<codmsg>-1</codmsg><DataAlteracaoInicio>05/03/2010</DataAlteracaoInicio>"), rastreador1A2B());
}

TEST_F(ConsultasFixture, TrackerListChoosesItsTrackersByDatesAndModel) {
  struct Caso {
    const char* pedido;
    std::vector<std::string> terminais;  // in the order of carrier, fleet, vehicle (Baú before Caminhão)
  };
  const Caso casos[] = {
      // without dates: from 01/01/01 (1 January 2001) until now, enabled models only
      {"", {"004000", "001A2B"}},
      {"<DataAlteracaoInicio>05/03/2010</DataAlteracaoInicio>", {"001A2B"}},
      {"<dataalteracaoinicio> 05/03/2010 </dataalteracaoinicio><DATAALTERACAOFIM>05/03/2010</DATAALTERACAOFIM>",
       {"001A2B"}},
      {"<DataAlteracaoFim>04/03/2010</DataAlteracaoFim>", {"004000"}},
      {"<SERV_WEB>1</SERV_WEB>", {"004000", "001A2B", "002000"}},
      // unreadable dates and the calendar's zero day count as missing
      {"<DataAlteracaoInicio>31/02/2010</DataAlteracaoInicio><DataAlteracaoFim>amanha</DataAlteracaoFim>",
       {"004000", "001A2B"}},
      {"<DataAlteracaoInicio>30/12/1899</DataAlteracaoInicio><DataAlteracaoFim/>", {"004000", "001A2B"}},
      {"<DataAlteracaoInicio>01/01/1990</DataAlteracaoInicio>", {"003000", "004000", "001A2B"}},
  };
  for (const Caso& c : casos) {
    const std::string recebido = pede(std::string("<codmsg>-1</codmsg>") + c.pedido);
    std::vector<std::string> terminais;
    const std::regex id("<IdTerminal> ([0-9A-F]+) </IdTerminal>");
    for (auto it = std::sregex_iterator(recebido.begin(), recebido.end(), id); it != std::sregex_iterator(); ++it)
      terminais.push_back((*it)[1]);
    EXPECT_EQ(terminais, c.terminais) << c.pedido;
    EXPECT_EQ(conta(recebido, "<?xml"), c.terminais.size()) << c.pedido;
  }
}

TEST_F(ConsultasFixture, TrackerListWithoutTrackersAnswersWithTheIntervalItUsed) {
  struct Caso {
    const char* pedido;
    const char* intervalo;
  };
  const Caso casos[] = {
      {"<DataAlteracaoFim>01/01/2000</DataAlteracaoFim>", "01/01/01 ate 01/01/2000 23:59:59"},
      {"<DataAlteracaoInicio>01/01/2020</DataAlteracaoInicio>", "01/01/2020 00:00:01 ate 02/01/2024 03:04:05"},
  };
  for (const Caso& c : casos)
    EXPECT_EQ(pede(std::string("<codmsg>-1</codmsg>") + c.pedido),
              erro(" <StsEnvio>311</StsEnvio>  <MsgErro> A Central nao possui rastreadores com informacoes alteradas "
                   "no intervalo de datas informado. Intervalo de " +
                   std::string(c.intervalo) + " </MsgErro>"))
        << c.pedido;
}

TEST_F(ConsultasFixture, OdometerListSendsOneDocumentPerEnabledTracker) {
  const std::string recebido = pede("<codmsg>-33</codmsg>");
  EXPECT_EQ(recebido,
            documento(kAgora + "<CodMsg> -68 </CodMsg> <IdTerminal> 001A2B </IdTerminal> <Veiculo> Caminhao e [1] "
                               "</Veiculo> <Placa> ABC1D23 </Placa> <Hodometro> 1 </Hodometro> <TipoHodometro> 0 "
                               "</TipoHodometro> ") +
                documento(kAgora + "<CodMsg> -68 </CodMsg> <IdTerminal> 003000 </IdTerminal> <Veiculo> Antigo "
                                   "</Veiculo> <Placa> ANT0001 </Placa> <Hodometro> 0 </Hodometro> <TipoHodometro> 0 "
                                   "</TipoHodometro> ") +
                documento(kAgora + "<CodMsg> -68 </CodMsg> <IdTerminal> 004000 </IdTerminal> <Veiculo> Bau </Veiculo> "
                                   "<Placa> BAU0001 </Placa> <Hodometro> 0 </Hodometro> <TipoHodometro> 0 "
                                   "</TipoHodometro> "));
  amb.executa("DELETE FROM tVeiculo");
  EXPECT_EQ(pede("<codmsg>-33</codmsg>"),
            erro(" <StsEnvio>311</StsEnvio>  <MsgErro> A Central nao possui rastreadores. </MsgErro>"));
}

TEST_F(ConsultasFixture, LastPositionOfOneVehicleOfAllOrOfNone) {
  const std::string v1A2B =
      "<Veiculo IdTerminal=\"001A2B\" Transportadora=\"Transportes Agil\" ModeloRastreador=\"1\" Frota=\"Frota Sul\" "
      "Latitude=\"-23,5\" Longitude=\"-46,625\" Localizacao=\"Em &quot;Centro&quot; Sao Paulo\" StatusVeic=\"Parado\" "
      "Tecnologia=\"2\" DataHora=\"01/01/2024 10:00:00\" /> ";
  const std::string v2000 =
      "<Veiculo IdTerminal=\"002000\" Transportadora=\"Zeta Cargas\" ModeloRastreador=\"5\" Frota=\"Frota Norte\" "
      "Latitude=\"-8,05\" Longitude=\"-34,9\" Localizacao=\"Recife\" StatusVeic=\"Em movimento\" Tecnologia=\"1\" "
      "DataHora=\"01/01/2024 11:00:00\" /> ";
  const std::string v4000 =
      "<Veiculo IdTerminal=\"004000\" Transportadora=\"Transportes Agil\" ModeloRastreador=\"1\" Frota=\"Frota Sul\" "
      "Latitude=\"-25,4\" Longitude=\"-49,25\" Localizacao=\"Curitiba\" StatusVeic=\"Parado\" Tecnologia=\"2\" "
      "DataHora=\"01/01/2024 12:00:00\" /> ";
  auto resposta = [](const std::string& veiculos) {
    return documento(kAgora + "<CodMsg> -66 </CodMsg> <UltimaPosicao> " + veiculos + " </UltimaPosicao>");
  };
  EXPECT_EQ(pede("<codmsg>-31</codmsg><IdTerminal>1A2B</IdTerminal>"), resposta(v1A2B));
  EXPECT_EQ(pede("<codmsg>-31</codmsg>"), resposta(v1A2B + v2000 + v4000));
  EXPECT_EQ(pede("<codmsg>-31</codmsg><IdTerminal>FFFF</IdTerminal>"), resposta(""));
  EXPECT_EQ(pede("<codmsg>-31</codmsg><IdTerminal> </IdTerminal>"),
            erro(" <MsgErro> Tag [IdTerminal] esta em branco, nao enviar a ultima posicao valida. </MsgErro>"));
}

TEST_F(ConsultasFixture, CentralsOfEachVehicle) {
  const std::string servidor =
      documento(kAgora + "<CodMsg> -67 </CodMsg> <IdTerminal> 001A2B </IdTerminal> <Transportadora> " +
                "Transportes Ágil"_cp +
                " </Transportadora> <ModeloRastreador> 1 </ModeloRastreador> <Frota> Frota Sul </Frota> <Latitude> "
                "-23,5 </Latitude> <Longitude> -46,625 </Longitude> <Localizacao> " +
                "Em \"Centro\" São Paulo"_cp +
                " </Localizacao> <StatusVeic> Parado </StatusVeic> <Tecnologia> 2 </Tecnologia> <DataHora> "
                "01/01/2024 10:00:00 </DataHora> <CentralServidora> <NomeCentralServidora>Central "
                "Parceira</NomeCentralServidora><IPCentralServidora>10.20.30.40</IPCentralServidora>"
                "<PortaCentralServidora>12000</PortaCentralServidora></CentralServidora> ");
  const std::string nenhuma =
      documento(kAgora + "<CodMsg> -67 </CodMsg> <IdTerminal> 002000 </IdTerminal> <Transportadora> Zeta Cargas "
                         "</Transportadora> <ModeloRastreador> 5 </ModeloRastreador> <Frota> Frota Norte </Frota> "
                         "<Latitude> -8,05 </Latitude> <Longitude> -34,9 </Longitude> <Localizacao> Recife "
                         "</Localizacao> <StatusVeic> Em movimento </StatusVeic> <Tecnologia> 1 </Tecnologia> "
                         "<DataHora> 01/01/2024 11:00:00 </DataHora> <CentraisClientes></CentraisClientes>");
  const std::string clientes =
      documento(kAgora + "<CodMsg> -67 </CodMsg> <IdTerminal> 004000 </IdTerminal> <Transportadora> " +
                "Transportes Ágil"_cp +
                " </Transportadora> <ModeloRastreador> 1 </ModeloRastreador> <Frota> Frota Sul </Frota> <Latitude> "
                "-25,4 </Latitude> <Longitude> -49,25 </Longitude> <Localizacao> Curitiba </Localizacao> "
                "<StatusVeic> Parado </StatusVeic> <Tecnologia> 2 </Tecnologia> <DataHora> 01/01/2024 12:00:00 "
                "</DataHora> <CentraisClientes><Cliente><NomeCentralDestino>Central Cliente "
                "Recife</NomeCentralDestino><IpCentralDestino>10.50.60.70</IpCentralDestino><PortaCentralDestino>12001"
                "</PortaCentralDestino></Cliente> <Cliente><NomeCentralDestino>Central &lt;Sul&gt; &amp; "
                "Cia</NomeCentralDestino><IpCentralDestino>10.9.9.9</IpCentralDestino><PortaCentralDestino>12002"
                "</PortaCentralDestino></Cliente> </CentraisClientes>");
  EXPECT_EQ(pede("<codmsg>-32</codmsg><IdTerminal>1a2b</IdTerminal>"), servidor);
  EXPECT_EQ(pede("<codmsg>-32</codmsg><IdTerminal>2000</IdTerminal>"), nenhuma);
  EXPECT_EQ(pede("<codmsg>-32</codmsg>"), servidor + nenhuma + clientes);
  EXPECT_EQ(pede("<codmsg>-32</codmsg><IdTerminal>FFFF</IdTerminal>"), "");
  EXPECT_EQ(pede("<codmsg>-32</codmsg><IdTerminal></IdTerminal>"),
            erro(" <MsgErro> Tag [IdTerminal] esta em branco, nao enviar a ultima posicao valida. </MsgErro>"));
}

TEST_F(ConsultasFixture, CustomEventsNameTheInputsTheyRead) {
  amb.executa(
      "INSERT INTO tDef_Modulo_Porta (Modulo, Porta, Descricao, TipoCompilador) VALUES "
      "(1, 1, 'Temperatura', 3), (2, 1, 'Hodômetro', 6), (2, 2, 'Sem variável', 1)"_cp);
  amb.executa(
      "INSERT INTO tDef_Variavel (Modulo, Porta, TipoLogico, Identificador) VALUES "
      "(1, 1, 'N', 'TemperaturaBau'), (2, 1, 'N', 'Hodometro')");
  amb.executa(
      "INSERT INTO tEventoPersonalizado (IdEvento, Sistema, Descricao, Tipo, Modulo1_Porta1, Modulo2_Porta2, "
      "Modulo10_Porta10) VALUES "
      "(1, 0, 'Temperatura & baú', 'Alerta', 65537, 0, 131073), "
      "(2, 0, 'Nada', 'Info', 131074, 999, 0), "
      "(90, 1, 'Do sistema', 'Sistema', 65537, 0, 0)"_cp);
  cria();
  EXPECT_EQ(pede("<codmsg>-30</codmsg>"),
            documento(kAgora + " <CodMsg> -65 </CodMsg> " +
                      "<EventoPersonalizado> <IdEvtPersonalizado> 1 </IdEvtPersonalizado>  <DescEvtPersonalizado> " +
                      "Temperatura &amp; baú"_cp +
                      " </DescEvtPersonalizado> <TipoEvtPersonalizado> Alerta </TipoEvtPersonalizado>  "
                      "<Complemento> <Tipo> 3 </Tipo><Nome> TemperaturaBau </Nome> <Tipo> 6 </Tipo><Nome> Hodometro "
                      "</Nome>  </Complemento> </EventoPersonalizado>"
                      "<EventoPersonalizado> <IdEvtPersonalizado> 2 </IdEvtPersonalizado>  <DescEvtPersonalizado> "
                      "Nada </DescEvtPersonalizado> <TipoEvtPersonalizado> Info </TipoEvtPersonalizado>  "
                      "<Complemento>  </Complemento> </EventoPersonalizado>"));
}

TEST_F(ConsultasFixture, DiagnosticReportOfAnUnreachableMachineKeepsEveryOtherArea) {
  cria("maquina-que-nao-existe");
  amb.executa(
      "INSERT INTO tDiagnostico (CodigoPrograma, NomePrograma, DataHoraCarga, DataHoraUltimaAtualizacao, "
      "IntervaloAtualizacao, Versao, Ativo) VALUES (1, 'Quillon', '2024-01-01 10:00:00', '2024-01-02 03:04:00', 3, "
      "'4.10', 1), (2, 'Relatórios', NULL, NULL, NULL, NULL, 0)"_cp);
  db::Statement base(*dbBase, std::string("INSERT INTO tView (Versao, DHAtualizacao, Buffer) VALUES "
                                          "(3, '2024-01-01 00:00:00', :antigo), (3, '2024-01-02 00:00:00', :novo), "
                                          "(2, '2024-01-03 00:00:00', :outro)"));
  base.bindBinary("antigo", std::string(16, '\x01'))
      .bindBinary("novo", std::string("\xD2\x04\x00\x00\x11\x00\x00\x00\x55\x00\x00\x00\x03\x00\x00\x01", 16))
      .bindBinary("outro", std::string(16, '\x02'))
      .execute();

  db::Statement versao(*amb.dbZenthora, std::string("SELECT sqlite_version()"));
  versao.open();
  auto arquivo = [](const std::string& caminho) {
    return "<Arquivo>" + caminho.substr(0, 80) + "</Arquivo><Tam_MB>0</Tam_MB>";
  };
  const std::string esperado = documento(
      kAgora + "<CodMsg> -64 </CodMsg> <DIAGNOSTICO><Diag_Document>"
               "<secao><nome>Gerenciador de tarefas</nome><area><nome>Processos</nome></area>"
               "<area><nome>Memoria Fisica</nome></area></secao>"
               "<secao><nome>Meu Computador</nome><area><nome>Unidades de Disco</nome></area>"
               "<area><nome>CPU</nome></area><area><nome>Sistema Operacional</nome></area></secao>"
               "<secao><nome>SQL Server</nome><area><nome>Versao</nome><Versao>SQLite " +
      versao.field(std::size_t{0}).asString() + "</Versao></area><area><nome>Bancos de Dados</nome>" +
      arquivo(amb.central.base) + arquivo(amb.central.sse) + arquivo(amb.central.zenthora) +
      "</area><area><nome>Total de Veiculos</nome><QtdVeic>4</QtdVeic></area></secao>"
      "<secao><nome>Modulos</nome><area><nome>Estatisticas</nome><Comunicacao>Eventos</Comunicacao>"
      "<Pendentes>1234</Pendentes><Por_segundo>85</Por_segundo><Comunicacao>Comandos</Comunicacao>"
      "<Pendentes>17</Pendentes><Por_segundo>16777219</Por_segundo></area>"
      "<area><nome>Aplicativos</nome><Programa>Quillon</Programa><DHCarga>01/01/2024 10:00:00</DHCarga>"
      "<DHAtualizacao>02/01/2024 03:04:00</DHAtualizacao><TmpAtual>3</TmpAtual><Ativo>1</Ativo><Versao>4.10</Versao>"
      "<Programa>Relatorios</Programa><DHCarga></DHCarga><DHAtualizacao></DHAtualizacao><TmpAtual></TmpAtual>"
      "<Ativo>0</Ativo><Versao></Versao></area></secao></Diag_Document></DIAGNOSTICO>");
  EXPECT_EQ(pede("<codmsg>-29</codmsg>"), esperado);

  // a statistics record shorter than its four counters gives an empty area
  amb.executa("DELETE FROM tVeiculo");
  db::Statement curto(*dbBase, std::string("UPDATE tView SET Buffer = :b WHERE Versao = 3"));
  curto.bindBinary("b", std::string(15, '\x07')).execute();
  const std::string recebido = pede("<codmsg>-29</codmsg>");
  EXPECT_NE(recebido.find("<area><nome>Estatisticas</nome></area>"), std::string::npos);
  EXPECT_NE(recebido.find("<QtdVeic>0</QtdVeic>"), std::string::npos);
}

TEST_F(ConsultasFixture, DiagnosticReportOfThisMachineWritesSizesInTheirUnitsAndRegionalSeparator) {
  for (const char separador : {',', '.'}) {
    text::RegionalSettings r;
    r.decimalSeparator = separador;
    r.thousandSeparator = separador == ',' ? '.' : ',';
    text::setRegional(r);
    const std::string recebido = pede("<codmsg>-29</codmsg>");
    const std::string s = separador == '.' ? "\\." : ",";
    for (const char* rotulo : {"Tamanho_GB", "Livre_GB", "Capacidade_GB", "Memoria_MB"}) {
      const std::regex valor(std::string("<") + rotulo + ">[0-9]+" + s + "[0-9][0-9]</" + rotulo + ">");
      EXPECT_TRUE(std::regex_search(recebido, valor)) << rotulo << " with '" << separador << "'";
    }
    for (const char* rotulo : {"<Nome>", "<CPU>", "<Disco>", "<Processador>", "<Sistema>", "<Detalhes>"})
      EXPECT_NE(recebido.find(rotulo), std::string::npos) << rotulo;
  }
  text::setRegional({});
}

TEST(DiagnosticoRotulos, LabelsAndUnitsOfTheMachineAreas) {
  const std::string rotulos = "$NAME$:Nome;$PERCENTPROCESSORTIME$:CPU;$WORKINGSET$%2%:Memoria_MB;$X$%:Y;$Z$%9%:Fim";
  struct Caso {
    const char* propriedade;
    std::optional<std::string> rotulo;
    int unidade;
  };
  const Caso casos[] = {
      {"Name", "Nome", 0}, {"PercentProcessorTime", "CPU", 0}, {"WorkingSet", "Memoria_MB", 2},
      {"X", "Y", 0},       {"Z", "Fim", 9},                    {"Caption", std::nullopt, 0},
      {"NAM", std::nullopt, 0},
  };
  for (const Caso& c : casos) {
    const auto r = telecmd::LocalizaRotulo(rotulos, c.propriedade);
    ASSERT_EQ(r.has_value(), c.rotulo.has_value()) << c.propriedade;
    if (!r) continue;
    EXPECT_EQ(r->rotulo, *c.rotulo) << c.propriedade;
    EXPECT_EQ(r->unidade, c.unidade) << c.propriedade;
  }

  text::setRegional({});
  struct Valor {
    const char* valor;
    int unidade;
    const char* esperado;
  };
  const Valor valores[] = {
      {"500107862016", 1, "465,76"}, {"1048576", 2, "1,00"}, {"1536", 3, "1,50"}, {"0", 1, "0,00"},
      {"12345", 0, "12345"},         {"12345", 4, "12345"},  {"C:", 1, "C:"},    {"", 1, ""},
      {"12x", 2, "12x"},
  };
  for (const Valor& v : valores) EXPECT_EQ(telecmd::ValorNaUnidade(v.valor, v.unidade), v.esperado) << v.valor;
}

TEST_F(ConsultasFixture, AFreedQueryObjectLeavesItsCodesUnhandled) {
  consultas.reset();
  for (const char* codigo : {"-1", "-29", "-30", "-31", "-32", "-33"})
    EXPECT_EQ(pede(std::string("<codmsg>") + codigo + "</codmsg>"), "") << codigo;
}

// Random date texts reach the statement of the tracker list only after they
// read as dates; whatever a client writes, the request is answered with trackers
// or with the 311 reply, never ends in the failure path.
TEST_F(ConsultasFixture, TrackerListAnswersWhateverDatesAClientWrites) {
  std::mt19937 rng(20261211);
  auto ate = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  const char* const pedacos[] = {"05", "5", "31", "00", "12", "13", "1899", "30", "2010", "10", "99", "0", "/", "/",
                                 " ", ":", "23:59:59", "-", "a", "'", "''; drop table tVeiculo; --", "%", "\xe9", ""};
  auto texto = [&] {
    std::string t;
    const int n = 1 + ate(7);
    for (int i = 0; i < n; ++i) t += pedacos[ate(static_cast<int>(std::size(pedacos)))];
    return t;
  };
  for (int i = 0; i < 150; ++i) {
    const std::string pedido = "<codmsg>-1</codmsg><DataAlteracaoInicio>" + texto() +
                               "</DataAlteracaoInicio><DataAlteracaoFim>" + texto() + "</DataAlteracaoFim>";
    const std::string recebido = pede(pedido);
    const bool lista = recebido.find("<CodMsg> -20 </CodMsg>") != std::string::npos;
    const bool vazia = recebido.find("<StsEnvio>311</StsEnvio>") != std::string::npos;
    EXPECT_TRUE(lista != vazia) << pedido << "\n" << recebido.substr(0, 300);
  }
  EXPECT_EQ(amb.log().find("Erro ao processar"), std::string::npos);
  db::Statement n(*amb.dbZenthora, std::string("SELECT COUNT(*) FROM tVeiculo"));
  n.open();
  EXPECT_EQ(n.field(std::size_t{0}).asInt(), 4);
}

TEST(DiagnosticoRotulos, RandomLabelsAndValuesNeverBreakTheReader) {
  text::setRegional({});
  std::mt19937 rng(7);
  auto ate = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  const std::string bytes = "$%:;0123456789.,-eENAMESIZ \xff";
  auto aleatorio = [&](int max) {
    std::string t;
    const int n = ate(max);
    for (int i = 0; i < n; ++i) t += bytes[static_cast<std::size_t>(ate(static_cast<int>(bytes.size())))];
    return t;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string rotulos = aleatorio(40);
    if (const auto r = telecmd::LocalizaRotulo(rotulos, aleatorio(6))) {
      EXPECT_LE(r->rotulo.size(), rotulos.size());
      EXPECT_EQ(r->rotulo.find(';'), std::string::npos);
    }
    const std::string valor = aleatorio(25);
    const std::string escrito = telecmd::ValorNaUnidade(valor, ate(5));
    EXPECT_TRUE(escrito == valor || std::regex_match(escrito, std::regex("-?[0-9]+,[0-9][0-9]"))) << valor;
  }
}

// A reply that can flush the outbound buffer lets the next queued telecommand
// start meanwhile; this link starts it on the hundredth reply.
class CanalQueAninha : public test::CanalSockets {
 public:
  std::function<void()> naCentesima;
  void Enfileira_XML_Envio(const std::string& corpo) override {
    test::CanalSockets::Enfileira_XML_Envio(corpo);
    if (++respostas_ == 100 && naCentesima) naCentesima();
  }
  void zera() { respostas_ = 0; }

 private:
  int respostas_ = 0;
};

TEST(ConsultasOcupado, ARequestArrivingWhileTheSameListIsBeingSentIsDropped) {
  AmbienteTeleCmd amb{"-1,-33"};
  CanalQueAninha canal;
  telecmd::RespostaStatusErro respostas(canal, *amb.logs);
  telecmd::tPermissaoCentral permissao(*amb.dbZenthora, respostas);
  telecmd::tTeleCmd teleCmd(
      telecmd::tTeleCmd::Dependencias{canal, amb.cfg, amb.estado, amb.status, *amb.logs, *amb.dbZenthora, respostas,
                                      permissao});
  auto dbBase = db::Connection::open(amb.central.urlBase);
  telecmd::tConsultas consultas(telecmd::tConsultas::Dependencias{teleCmd, *dbBase, *amb.logs, {}, ""});

  amb.executa("INSERT INTO tTransp (IdTransp, Transportadora) VALUES (1, 'T')");
  amb.executa("INSERT INTO tFrota (IdFrota, Nome_Frota) VALUES (1, 'F')");
  amb.executa("INSERT INTO tRastreador (Rastreador, Descricao, ListaKVT) VALUES (1, 'KR', 1)");
  amb.executa(
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 600) "
      "INSERT INTO tVeiculo (IdTerminal, IdTransp, IdFrota, Veiculo, Rastreador, DataAlteracao) "
      "SELECT 4096 + i, 1, 1, printf('V%04d', i), 1, '2020-01-01 00:00:00' FROM n");
  const int c = canal.conecta("Sim");

  for (const auto& [codigo, resposta] : {std::pair<std::string, std::string>{"-1", "<CodMsg> -20 </CodMsg>"},
                                         std::pair<std::string, std::string>{"-33", "<CodMsg> -68 </CodMsg>"}}) {
    const std::string pedido = tc("<codmsg>" + codigo + "</codmsg>");
    int aninhados = 0;
    canal.zera();
    canal.naCentesima = [&] {
      ++aninhados;
      teleCmd.ExecutaTeleCmd(pedido, canal.ip(c), canal.porta(c));
      // another telecommand still runs meanwhile
      teleCmd.ExecutaTeleCmd(tc("<codmsg>-31</codmsg><IdTerminal>1001</IdTerminal>"), canal.ip(c), canal.porta(c));
    };
    teleCmd.ExecutaTeleCmd(pedido, canal.ip(c), canal.porta(c));
    const std::string recebido = canal.recebido(c);
    EXPECT_EQ(aninhados, 1) << codigo;
    EXPECT_EQ(conta(recebido, resposta), 600u) << codigo;
    EXPECT_EQ(conta(recebido, "<CodMsg> -66 </CodMsg>"), 1u) << codigo;

    // the flag is down again once the list is sent
    canal.naCentesima = nullptr;
    teleCmd.ExecutaTeleCmd(pedido, canal.ip(c), canal.porta(c));
    EXPECT_EQ(conta(canal.recebido(c), resposta), 600u) << codigo;
  }
}
