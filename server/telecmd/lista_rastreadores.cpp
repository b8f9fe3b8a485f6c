// The tracker list (-1) and the odometer list (-33): one reply per row, every
// column of the row an element of its own.

#include <string>

#include "platform/clock/clock.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"
#include "server/common/elemento.h"
#include "server/telecmd/consultas.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::telecmd {

using namespace text::literals;

// The dates are texts the central reads as day/month/year; the SQLite text
// turns both bounds into its own date-time text first (two-digit years as the
// central reads them: below 50 in this century).
KVT_SQL(sqlListaRastreadores,
        "set dateformat dmy select  Transportadora, Frota = Nome_Frota, V.DataAlteracao,V.IdTerminal, Veiculo, "
        "Marca, Modelo, V.Tipo, Cor, Ano, Placa = Placas, Chassi, V.Cidade, V.UF, TipoComunicacao,Telefone = "
        "DadosCnx1,Terminal = Console, TipoTerminal = TipoConsole, SensorBau = Bau, SensorCarreta = Carreta, "
        "SensorPortas = Portas, BloqCombustivel = BloqComb, Sirene, Pisca, BotaoPanico = BotPanico, Hodometro = "
        "Odometro, Nobreak = Bateria, Versao, ModeloRastreador = Rastreador, CarretaId, TravaBau, TipoHodometro = "
        "TipoOdometro, TipoBloqueador, TipoTrava, AlertaAudivel_MMA = AlertaAudivel, SensorTemperatura = "
        "Termometro,  TipoTermometro, OperadoraCEL, Login_Sat = VD.ControlStationID, Password_Sat = VD.Password, "
        "Endereco_Destino_Sat = VD.DestinationAddress, Identificacao_Terminal_Sat = VD.TerminalID, "
        "Central_Principal_Auxiliar_Sat = V.CentralPrincipal, IsNull((SELECT s1.StrSensor1  FROM tVeicSensor AS "
        "s1 WHERE s1.idTerminal = v.idTerminal  AND s1.UsoSensor1=1),'') AS sensor1, IsNull((SELECT s2.StrSensor2  "
        "FROM tVeicSensor AS s2 WHERE s2.idTerminal = v.idTerminal  AND s2.UsoSensor2=1),'') AS sensor2, "
        "IsNull((SELECT s3.StrSensor3  FROM tVeicSensor AS s3 WHERE s3.idTerminal = v.idTerminal  AND "
        "s3.UsoSensor3=1),'') AS sensor3, IsNull((SELECT s4.StrSensor4  FROM tVeicSensor AS s4 WHERE s4.idTerminal "
        "= v.idTerminal  AND s4.UsoSensor4=1),'') AS sensor4, UsaFuncaoProgramavel AS UsaFP, BotBau from tVeiculo "
        "V left join tVeicZETA VD on V.IdTerminal = VD.IdTerminal inner join tTransp T on V.IDTransp = T.IdTransp "
        "inner join tFrota F on V.IdFrota = F.IdFrota where (Rastreador in (select rastreador from trastreador "
        "where ListaKVT = 1) OR (:Todos = 1) ) AND       V.DataAlteracao >= :DataAlteracao1 AND V.DataAlteracao <= "
        ":DataAlteracao2 order by transportadora, nome_frota, veiculo",
        "WITH texto(k, s) AS (VALUES (1, trim(:DataAlteracao1)), (2, trim(:DataAlteracao2))), "
        "dia(k, d, r) AS (SELECT k, substr(s, 1, instr(s, '/') - 1), substr(s, instr(s, '/') + 1) FROM texto), "
        "mes(k, d, m, r) AS (SELECT k, d, substr(r, 1, instr(r, '/') - 1), substr(r, instr(r, '/') + 1) FROM dia), "
        "ano(k, d, m, y, h) AS (SELECT k, d, m, "
        "CASE WHEN instr(r, ' ') > 0 THEN substr(r, 1, instr(r, ' ') - 1) ELSE r END, "
        "CASE WHEN instr(r, ' ') > 0 THEN trim(substr(r, instr(r, ' ') + 1)) ELSE '00:00:00' END FROM mes), "
        "limite(k, v) AS (SELECT k, printf('%04d-%02d-%02d %s', "
        "CASE WHEN length(y) <= 2 THEN CASE WHEN CAST(y AS INTEGER) < 50 THEN 2000 ELSE 1900 END + CAST(y AS INTEGER) "
        "ELSE CAST(y AS INTEGER) END, CAST(m AS INTEGER), CAST(d AS INTEGER), "
        "CASE WHEN instr(h, ':') = 2 THEN '0' || h ELSE h END) FROM ano) "
        "SELECT T.Transportadora AS Transportadora, F.Nome_Frota AS Frota, V.DataAlteracao AS DataAlteracao, "
        "V.IdTerminal AS IdTerminal, V.Veiculo AS Veiculo, V.Marca AS Marca, V.Modelo AS Modelo, V.Tipo AS Tipo, "
        "V.Cor AS Cor, V.Ano AS Ano, V.Placas AS Placa, V.Chassi AS Chassi, V.Cidade AS Cidade, V.UF AS UF, "
        "V.TipoComunicacao AS TipoComunicacao, V.DadosCnx1 AS Telefone, V.Console AS Terminal, "
        "V.TipoConsole AS TipoTerminal, V.Bau AS SensorBau, V.Carreta AS SensorCarreta, V.Portas AS SensorPortas, "
        "V.BloqComb AS BloqCombustivel, V.Sirene AS Sirene, V.Pisca AS Pisca, V.BotPanico AS BotaoPanico, "
        "V.Odometro AS Hodometro, V.Bateria AS Nobreak, V.Versao AS Versao, V.Rastreador AS ModeloRastreador, "
        "V.CarretaId AS CarretaId, V.TravaBau AS TravaBau, V.TipoOdometro AS TipoHodometro, "
        "V.TipoBloqueador AS TipoBloqueador, V.TipoTrava AS TipoTrava, V.AlertaAudivel AS AlertaAudivel_MMA, "
        "V.Termometro AS SensorTemperatura, V.TipoTermometro AS TipoTermometro, V.OperadoraCEL AS OperadoraCEL, "
        "VD.ControlStationID AS Login_Sat, VD.Password AS Password_Sat, VD.DestinationAddress AS Endereco_Destino_Sat, "
        "VD.TerminalID AS Identificacao_Terminal_Sat, V.CentralPrincipal AS Central_Principal_Auxiliar_Sat, "
        "IFNULL((SELECT s1.StrSensor1 FROM tVeicSensor AS s1 WHERE s1.idTerminal = V.IdTerminal AND s1.UsoSensor1 = 1), "
        "'') AS sensor1, "
        "IFNULL((SELECT s2.StrSensor2 FROM tVeicSensor AS s2 WHERE s2.idTerminal = V.IdTerminal AND s2.UsoSensor2 = 1), "
        "'') AS sensor2, "
        "IFNULL((SELECT s3.StrSensor3 FROM tVeicSensor AS s3 WHERE s3.idTerminal = V.IdTerminal AND s3.UsoSensor3 = 1), "
        "'') AS sensor3, "
        "IFNULL((SELECT s4.StrSensor4 FROM tVeicSensor AS s4 WHERE s4.idTerminal = V.IdTerminal AND s4.UsoSensor4 = 1), "
        "'') AS sensor4, "
        "V.UsaFuncaoProgramavel AS UsaFP, V.BotBau AS BotBau "
        "FROM tVeiculo V LEFT JOIN tVeicZeta VD ON V.IdTerminal = VD.IdTerminal "
        "INNER JOIN tTransp T ON V.IdTransp = T.IdTransp INNER JOIN tFrota F ON V.IdFrota = F.IdFrota "
        "WHERE (V.Rastreador IN (SELECT Rastreador FROM tRastreador WHERE ListaKVT = 1) OR (:Todos = 1)) "
        "AND V.DataAlteracao >= (SELECT v FROM limite WHERE k = 1) AND V.DataAlteracao <= (SELECT v FROM limite WHERE k = 2) "
        "ORDER BY T.Transportadora, F.Nome_Frota, V.Veiculo");

// The odometer of every tracker whose model is enabled for this server, with
// what names the vehicle, in the order of the terminal ids.
KVT_SQL(sqlListaOdometros,
        "select V.IdTerminal, Veiculo, Placa = Placas, Hodometro = Odometro, TipoHodometro = TipoOdometro from "
        "tVeiculo V where Rastreador in (select rastreador from trastreador where ListaKVT = 1) order by V.IdTerminal",
        "SELECT V.IdTerminal AS IdTerminal, V.Veiculo AS Veiculo, V.Placas AS Placa, V.Odometro AS Hodometro, "
        "V.TipoOdometro AS TipoHodometro FROM tVeiculo V "
        "WHERE V.Rastreador IN (SELECT Rastreador FROM tRastreador WHERE ListaKVT = 1) ORDER BY V.IdTerminal");

namespace {

// A date the client wrote: it must read as a date, and the calendar's zero
// day counts as no date at all.
bool ehData(const std::string& texto) {
  if (texto.empty()) return false;
  const auto data = text::tryStrToDate(texto, clk::now().year);
  return data && !(data->year == 1899 && data->month == 12 && data->day == 30);
}

}  // namespace

void tConsultas::ListaRastreadores(const xml::Element& raiz, std::int32_t todos) {
  std::string inicio;
  std::string fim;
  for (xml::Element e = raiz.firstChildElement(); e; e = e.nextSiblingElement()) {
    if (common::ElementoChamado(e, "DATAALTERACAOINICIO")) inicio = common::TextoDoElemento(e);
    else if (common::ElementoChamado(e, "DATAALTERACAOFIM")) fim = common::TextoDoElemento(e);
  }
  const std::string de = ehData(inicio) ? inicio + " 00:00:01" : "01/01/01";
  const std::string ate = ehData(fim) ? fim + " 23:59:59" : DataHoraAtual();

  db::Statement& st = *qrListaRastreadores_;
  st.bindInt("Todos", todos).bindText("DataAlteracao1", de).bindText("DataAlteracao2", ate);
  st.open();
  if (!enviaLinhas(st, "-20")) {
    st.close();
    teleCmd_.RetornaErroXML(
        "A Central não possui rastreadores com informações alteradas no intervalo de datas informado. Intervalo de "_cp +
            de + " até "_cp + ate,
        "", "", 311, 0);
  }
}

void tConsultas::ListaOdometros() {
  db::Statement& st = *qrListaOdometros_;
  st.open();
  if (!enviaLinhas(st, "-68")) {
    st.close();
    teleCmd_.RetornaErroXML("A Central não possui rastreadores."_cp, "", "", 311, 0);
  }
}

}  // namespace kvt::telecmd
