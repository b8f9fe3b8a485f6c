// The last positions (-31) and the centrals of each vehicle (-32), both read
// from the vehicle grid: for one vehicle, or for all when the request names none.

#include <string>
#include <utility>
#include <vector>

#include "platform/text/cp1252.h"
#include "server/common/elemento.h"
#include "server/telecmd/consultas.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::telecmd {

using namespace text::literals;

KVT_SQL(sqlGradeVeiculos,
        "select G.IdTerminal, Transportadora, Rastreador as ModeloRastreador, Nome_Frota as Frota, Latitude, "
        "Longitude, Localizacao, StatusVeic, TecnologiaEvento as Tecnologia, DataHoraEm_LastCnx_OK as DataHora from "
        "tGridVeiculos As G inner join tVeiculo AS V on G.IdTerminal = V.IdTerminal inner join tTransp as T on "
        "V.IdTransp = T.IdTransp inner join tFrota AS F on  F.IdFrota = V.IdFrota where G.IdTerminal=:IdTerminal or "
        "1 = :Todos",
        "SELECT G.IdTerminal AS IdTerminal, T.Transportadora AS Transportadora, V.Rastreador AS ModeloRastreador, "
        "F.Nome_Frota AS Frota, G.Latitude AS Latitude, G.Longitude AS Longitude, G.Localizacao AS Localizacao, "
        "G.StatusVeic AS StatusVeic, G.TecnologiaEvento AS Tecnologia, G.DataHoraEm_LastCnx_OK AS DataHora "
        "FROM tGridVeiculos AS G INNER JOIN tVeiculo AS V ON G.IdTerminal = V.IdTerminal "
        "INNER JOIN tTransp AS T ON V.IdTransp = T.IdTransp INNER JOIN tFrota AS F ON F.IdFrota = V.IdFrota "
        "WHERE G.IdTerminal = :IdTerminal OR 1 = :Todos ORDER BY G.IdTerminal");

KVT_SQL(sqlCentralServidora,
        "select Nome as NomeCentralServidora, IpCentralOrigem as IPCentralServidora, PortCentralOrigem as "
        "PortaCentralServidora  from tConfigCentral inner join tCentral as C on IpCentralOrigem=IP and "
        "PortCentralOrigem=Port where IdTerminal=:IdTerminal",
        "SELECT C.Nome AS NomeCentralServidora, IpCentralOrigem AS IPCentralServidora, "
        "PortCentralOrigem AS PortaCentralServidora FROM tConfigCentral "
        "INNER JOIN tCentral AS C ON IpCentralOrigem = C.IP AND PortCentralOrigem = C.Port WHERE IdTerminal = :IdTerminal");

KVT_SQL(sqlCentraisClientes,
        "select Nome as NomeCentralDestino, IpCentralDestino,PortCentralDestino as PortaCentralDestino from "
        "tCentralDestino  inner join tCentral as C on IpCentralDestino=IP and PortCentralDestino=Port where "
        "IdTerminal=:IdTerminal",
        "SELECT C.Nome AS NomeCentralDestino, IpCentralDestino AS IpCentralDestino, "
        "PortCentralDestino AS PortaCentralDestino FROM tCentralDestino "
        "INNER JOIN tCentral AS C ON IpCentralDestino = C.IP AND PortCentralDestino = C.Port "
        "WHERE IdTerminal = :IdTerminal ORDER BY IdCentralDestino");

namespace {

using Campos = std::vector<std::pair<std::string, std::string>>;

// The vehicle named by the request: whether the element is there, and its id.
struct Alvo {
  bool presente = false;
  bool vazio = false;
  std::int32_t IdTerminal = 0;
};

Alvo leIdTerminal(const xml::Element& raiz) {
  Alvo a;
  xml::Element e = raiz.firstChildElement();
  while (e && !common::ElementoChamado(e, "IDTERMINAL")) e = e.nextSiblingElement();
  if (!e) return a;
  a.presente = true;
  const auto id = HexParaInt(common::TextoDoElemento(e));
  if (!id) a.vazio = true;
  else a.IdTerminal = *id;
  return a;
}

// Every row of the open statement as (column name, column text) pairs; the
// statement is closed after.
std::vector<Campos> leLinhas(db::Statement& st) {
  std::vector<Campos> linhas;
  const std::vector<bool> terminal = ColunasTerminal(st);
  for (; !st.eof(); st.next()) {
    Campos c;
    for (std::size_t i = 0; i < st.columnCount(); ++i)
      c.emplace_back(st.columnName(i), TextoDoCampo(st.field(i), terminal[i]));
    linhas.push_back(std::move(c));
  }
  st.close();
  return linhas;
}

// An attribute value, appended: cleaned like every reply text, and a double
// quote (which would end the attribute early and break the document for every
// client) written as its entity.
void acrescentaAtributo(std::string& corpo, const std::string& texto) {
  for (char c : LimpaTextoXML(texto)) {
    if (c == '"') corpo += "&quot;";
    else corpo += c;
  }
}

// "<name>value</name>" for every field; the values are not cleaned, only kept
// from being read as markup.
std::string camposJuntos(const Campos& campos) {
  std::string s;
  for (const auto& [nome, valor] : campos) s += "<" + nome + ">" + EscapaTextoXML(valor) + "</" + nome + ">";
  return s;
}

}  // namespace

void tConsultas::EnviaUltimaPosicao(const xml::Element& raiz) {
  const Alvo alvo = leIdTerminal(raiz);
  if (alvo.vazio) {
    teleCmd_.RetornaErroXML("Tag <IdTerminal> está em branco, não enviar a ultima posicao valida."_cp, "", "", 0, -1);
    return;
  }
  db::Statement& st = *qrGradeVeiculos_;
  st.bindInt("IdTerminal", alvo.IdTerminal).bindInt("Todos", alvo.presente ? -1 : 1);
  st.open();
  std::string corpo = " <DataHoraEm> " + DataHoraAtual() + " </DataHoraEm> " + "<CodMsg> " + "-66" + " </CodMsg> " +
                      "<UltimaPosicao> ";
  for (const Campos& linha : leLinhas(st)) {
    corpo += "<Veiculo ";
    for (const auto& [nome, valor] : linha) {
      corpo.append(nome).append("=\"");
      acrescentaAtributo(corpo, valor);
      corpo.append("\" ");
    }
    corpo += "/> ";
  }
  corpo += " </UltimaPosicao>";
  teleCmd_.EnviaResposta(corpo);
}

void tConsultas::InfoCentral(const xml::Element& raiz) {
  const Alvo alvo = leIdTerminal(raiz);
  if (alvo.vazio) {
    teleCmd_.RetornaErroXML("Tag <IdTerminal> está em branco, não enviar a ultima posicao valida."_cp, "", "", 0, -1);
    return;
  }
  db::Statement& grade = *qrGradeVeiculos_;
  grade.bindInt("IdTerminal", alvo.IdTerminal).bindInt("Todos", alvo.presente ? -1 : 1);
  grade.open();
  std::vector<std::pair<std::int32_t, std::string>> veiculos;  // terminal and its fields
  const std::vector<bool> terminal = ColunasTerminal(grade);
  for (; !grade.eof(); grade.next()) {
    std::string campos;
    for (std::size_t i = 0; i < grade.columnCount(); ++i) {
      const std::string& nome = grade.columnName(i);
      campos.append("<").append(nome).append("> ");
      campos.append(EscapaTextoXML(TextoDoCampo(grade.field(i), terminal[i])));
      campos.append(" </").append(nome).append("> ");
    }
    veiculos.emplace_back(grade.field("IdTerminal").asInt(), std::move(campos));
  }
  grade.close();

  for (const auto& [terminal, campos] : veiculos) {
    std::string corpo =
        " <DataHoraEm> " + DataHoraAtual() + " </DataHoraEm> " + "<CodMsg> " + "-67" + " </CodMsg> " + campos;
    db::Statement& servidora = *qrCentralServidora_;
    servidora.bindInt("IdTerminal", terminal);
    servidora.open();
    const std::vector<Campos> centrais = leLinhas(servidora);
    if (!centrais.empty()) {
      corpo += "<CentralServidora> " + camposJuntos(centrais.front()) + "</CentralServidora> ";
    } else {
      db::Statement& clientes = *qrCentraisClientes_;
      clientes.bindInt("IdTerminal", terminal);
      clientes.open();
      corpo += "<CentraisClientes>";
      for (const Campos& cliente : leLinhas(clientes)) corpo += "<Cliente>" + camposJuntos(cliente) + "</Cliente> ";
      corpo += "</CentraisClientes>";
    }
    teleCmd_.EnviaResposta(corpo);
  }
}

}  // namespace kvt::telecmd
