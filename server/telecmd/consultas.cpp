// The query handlers' object: their statements, their dispatch slots and the
// row rendering they share.

#include "server/telecmd/consultas.h"

#include "platform/text/ascii_case.h"
#include "platform/text/trim.h"
#include "server/common/elemento.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::telecmd {

tConsultas::tConsultas(const Dependencias& d)
    : teleCmd_(d.teleCmd),
      dbBase_(d.dbBase),
      logs_(d.logs),
      qrDef_Modulo_Porta_(d.qrDef_Modulo_Porta),
      maquina_(d.maquina),
      qrListaRastreadores_(std::make_unique<db::Statement>(d.teleCmd.dbZenthora(), sqlListaRastreadores())),
      qrGradeVeiculos_(std::make_unique<db::Statement>(d.teleCmd.dbZenthora(), sqlGradeVeiculos())),
      qrCentralServidora_(std::make_unique<db::Statement>(d.teleCmd.dbZenthora(), sqlCentralServidora())),
      qrCentraisClientes_(std::make_unique<db::Statement>(d.teleCmd.dbZenthora(), sqlCentraisClientes())),
      qrListaOdometros_(std::make_unique<db::Statement>(d.teleCmd.dbZenthora(), sqlListaOdometros())) {
  tTeleCmd& t = teleCmd_;
  // -1 and -33 are guarded against nesting by the processor's busy flags
  t.DefineTratador(Tratador::ListaRastreadores, [this](const PedidoTeleCmd& p) {
    ListaRastreadores(p.raiz, p.ServWeb);
    return true;
  });
  t.DefineTratador(Tratador::ListaOdometros, [this](const PedidoTeleCmd&) {
    ListaOdometros();
    return true;
  });
  t.DefineTratador(Tratador::EnviaUltimaPosicao, [this](const PedidoTeleCmd& p) {
    EnviaUltimaPosicao(p.raiz);
    return true;
  });
  t.DefineTratador(Tratador::InfoCentral, [this](const PedidoTeleCmd& p) {
    InfoCentral(p.raiz);
    return true;
  });
  t.DefineTratador(Tratador::ListaEventosPersonalizados, [this](const PedidoTeleCmd&) {
    ListaEventosPersonalizados();
    return true;
  });
  t.DefineTratador(Tratador::Diagnostico, [this](const PedidoTeleCmd&) {
    Diagnostico();
    return true;
  });
}

tConsultas::~tConsultas() {
  for (Tratador slot : {Tratador::ListaRastreadores, Tratador::ListaOdometros, Tratador::EnviaUltimaPosicao,
                        Tratador::InfoCentral, Tratador::ListaEventosPersonalizados, Tratador::Diagnostico})
    teleCmd_.DefineTratador(slot, {});
}

std::string TextoDoCampo(const db::Value& valor, bool terminal) {
  return terminal ? common::TextoTerminal(valor.asInt()) : valor.asString();
}

std::vector<bool> ColunasTerminal(const db::Statement& st) {
  std::vector<bool> terminal(st.columnCount());
  for (std::size_t i = 0; i < st.columnCount(); ++i) terminal[i] = text::upperAscii(st.columnName(i)) == "IDTERMINAL";
  return terminal;
}

bool tConsultas::enviaLinhas(db::Statement& st, const char* codigoResposta) {
  if (st.eof()) return false;
  // The rows are kept apart from the statement first: a reply can flush the
  // outbound buffer, and nothing then may re-open this statement under us.
  std::vector<std::string> corpos;
  corpos.reserve(st.rowCount());
  const std::size_t colunas = st.columnCount();
  const std::vector<bool> terminal = ColunasTerminal(st);
  std::string corpo;
  for (; !st.eof(); st.next()) {
    corpo.clear();
    corpo.append(" <DataHoraEm> ").append(DataHoraAtual()).append(" </DataHoraEm> ");
    corpo.append("<CodMsg> ").append(codigoResposta).append(" </CodMsg> ");
    for (std::size_t i = 0; i < colunas; ++i) {
      const std::string& nome = st.columnName(i);
      corpo.append("<").append(nome).append("> ");
      corpo.append(LimpaTextoXML(TextoDoCampo(st.field(i), terminal[i])));
      corpo.append(" </").append(nome).append("> ");
    }
    corpos.push_back(LimpaAcentos(corpo));
  }
  st.close();
  for (const std::string& corpo : corpos) teleCmd_.EnviaResposta(corpo);
  return true;
}

std::string AreaXML(const std::string& nome, const std::string& conteudo) {
  return "<area>" + std::string("<nome>") + nome + "</nome>" + conteudo + "</area>";
}

std::string ElementoXML(const std::string& tag, const std::string& valor) {
  const std::string t = text::trim(tag);
  return "<" + t + ">" + LimpaTextoXML(text::trim(valor)) + "</" + t + ">";
}

}  // namespace kvt::telecmd
