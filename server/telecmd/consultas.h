#pragma once

// The query telecommands of the processor: the tracker list (-1), the
// diagnostic report (-29), the custom events (-30), the last positions (-31),
// the centrals of each vehicle (-32) and the odometer list (-33). Each answers
// with reply documents through EnviaResposta, delivered with the outbound
// buffer to every client that receives data.
//
// The object prepares its statements once and fills the processor's dispatch
// slots when it is built; the server object builds it right after the
// processor and keeps it as long.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/db/db.h"
#include "platform/xml/xml_document.h"
#include "server/runtime/log_files.h"
#include "server/telecmd/tele_cmd.h"

namespace kvt::telecmd {

// Statements of the queries (registered for the statement check).
const db::SqlText& sqlListaRastreadores();
const db::SqlText& sqlGradeVeiculos();
const db::SqlText& sqlCentralServidora();
const db::SqlText& sqlCentraisClientes();
const db::SqlText& sqlListaOdometros();
const db::SqlText& sqlEventosPersonalizados();
const db::SqlText& sqlVersaoBanco();
const db::SqlText& sqlTotalVeiculos();
const db::SqlText& sqlAplicativos();
const db::SqlText& sqlEstatisticasBase();
// The files of one database with their sizes (the name is written into the text).
db::SqlText sqlArquivosBanco(const std::string& banco);

// One input of the vehicle units (a module and a port) as the custom-event
// list names it: its value type and its element name.
struct DefinicaoEntrada {
  std::int32_t TipoCompilador = 0;
  std::string Identificador;
};
// Finds an input by its key (module x 65536 + port) in the input definitions
// read at start-up; nothing when no input has that key.
using LocalizaModuloPorta = std::function<std::optional<DefinicaoEntrada>(std::int32_t moduloPorta)>;

// One entry of the diagnostic report, walked in order.
struct TEstru {
  enum class Tipo { Secao, WMI, VersaoSQL, BancosDeDados, TotalVeiculos, Estatisticas, Aplicativos };
  Tipo tipo;
  std::string nome;
  std::string namespaceWMI;
  std::string consulta;
  std::string rotulos;
};
// The report's fixed table.
const std::vector<TEstru>& TabelaDiagnostico();

// One database whose files the report lists: the connection it is read on
// ("dbBase" or "dbZenthora") and the database's name.
struct TDBSeq {
  std::string alias;
  std::string banco;
};
const std::vector<TDBSeq>& TabelaBancos();

class tConsultas {
 public:
  struct Dependencias {
    tTeleCmd& teleCmd;
    db::Connection& dbBase;
    runtime::LogFiles& logs;
    LocalizaModuloPorta qrDef_Modulo_Porta;
    // The machine whose facts the report gathers: the program's first
    // command-line argument when it was given one, else this computer's name.
    std::string maquina;
  };

  // Prepares the statements and fills the slots of -1, -29 to -33.
  explicit tConsultas(const Dependencias& d);
  // Empties the slots it filled, so the processor never calls into a freed object.
  ~tConsultas();
  tConsultas(const tConsultas&) = delete;
  tConsultas& operator=(const tConsultas&) = delete;

  // -1: the trackers whose registration changed between the two dates of the
  // request; `todos` 1 lists every model, not only those enabled for this server.
  void ListaRastreadores(const xml::Element& raiz, std::int32_t todos);
  // -33: the odometer of every tracker enabled for this server.
  void ListaOdometros();
  // -31: the last position of one vehicle, or of all in one document.
  void EnviaUltimaPosicao(const xml::Element& raiz);
  // -32: the server central or the client centrals of one vehicle, or of each.
  void InfoCentral(const xml::Element& raiz);
  // -30: the custom events with the inputs they read.
  void ListaEventosPersonalizados();
  // -29: the diagnostic report of the server machine and the databases.
  void Diagnostico();

  // Pieces of the report; each keeps what it gathered before an error.
  std::string AreaSQL(const std::string& nome, const db::SqlText& sql);
  std::string AreaWMI(const std::string& nome, const std::string& namespaceWMI, const std::string& consulta,
                      const std::string& rotulos);
  std::string AreaBancosDeDados();
  std::string AreaEstatisticas();

 private:
  // One reply per row of an open statement, rendered as the tracker list renders them.
  bool enviaLinhas(db::Statement& st, const char* codigoResposta);
  std::string relatorio();

  tTeleCmd& teleCmd_;
  db::Connection& dbBase_;
  runtime::LogFiles& logs_;
  LocalizaModuloPorta qrDef_Modulo_Porta_;
  std::string maquina_;

  std::unique_ptr<db::Statement> qrListaRastreadores_;
  std::unique_ptr<db::Statement> qrGradeVeiculos_;
  std::unique_ptr<db::Statement> qrCentralServidora_;
  std::unique_ptr<db::Statement> qrCentraisClientes_;
  std::unique_ptr<db::Statement> qrListaOdometros_;
};

// The text of a column as the query replies carry it: the column IdTerminal
// (`terminal`; the name compared in upper case, see ColunasTerminal) as its
// integer in upper-case hexadecimal of at least six digits, any other column
// as read.
std::string TextoDoCampo(const db::Value& valor, bool terminal);
// Which columns of an open statement are the IdTerminal column.
std::vector<bool> ColunasTerminal(const db::Statement& st);

// "<area><nome>" + nome + "</nome>" + conteudo + "</area>".
std::string AreaXML(const std::string& nome, const std::string& conteudo);
// "<tag>value</tag>" with the trimmed tag and the trimmed, cleaned value.
std::string ElementoXML(const std::string& tag, const std::string& valor);

// The label of a property in a labels text such as
// "$NAME$:Nome;$WORKINGSET$%2%:Memoria_MB", and the unit digit written between
// percent signs after its marker (0 when none). Nothing when the property has
// no marker.
struct RotuloWMI {
  std::string rotulo;
  int unidade = 0;
};
std::optional<RotuloWMI> LocalizaRotulo(const std::string& rotulos, const std::string& propriedade);
// A value in the unit of its label: unit 1 divides by 2^30, 2 by 2^20, 3 by
// 2^10, written with two decimals and the regional decimal separator; a value
// that is not a number, or any other unit, is left as it is.
std::string ValorNaUnidade(const std::string& valor, int unidade);

}  // namespace kvt::telecmd
