// The diagnostic report (-29): the server machine (processes, memory, disks,
// processors, operating system), the database server, the databases' files,
// the vehicle count, Quillon's statistics and the central's programs, in one
// document. Each piece degrades on its own: a piece that fails is left empty.

#include <cstdint>
#include <string>

#include "platform/text/cp1252.h"
#include "server/telecmd/consultas.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::telecmd {

using namespace text::literals;

KVT_SQL(sqlVersaoBanco,
        "SELECT REPLACE(REPLACE(REPLACE(CAST(@@VERSION AS VARCHAR(500)), CHAR(13), ''),CHAR(10),''),CHAR(9),';') AS "
        "Versao",
        "SELECT 'SQLite ' || sqlite_version() AS Versao");

KVT_SQL(sqlTotalVeiculos, "SELECT Count(idTerminal) AS QtdVeic FROM tVeiculo",
        "SELECT Count(idTerminal) AS QtdVeic FROM tVeiculo");

KVT_SQL(sqlAplicativos,
        "SELECT ISNULL(NomePrograma,'') AS Programa, ISNULL(DataHoraCarga,'') AS DHCarga, "
        "ISNULL(DataHoraUltimaAtualizacao,'') AS DHAtualizacao, IntervaloAtualizacao AS TmpAtual, Ativo, "
        "ISNULL(Versao,'') AS Versao FROM tDiagnostico ORDER BY Programa",
        // the date columns are named as they are, so they read as dates (a null reads as an empty text)
        "SELECT IFNULL(NomePrograma, '') AS Programa, DataHoraCarga AS DHCarga, "
        "DataHoraUltimaAtualizacao AS DHAtualizacao, IntervaloAtualizacao AS TmpAtual, Ativo, "
        "IFNULL(Versao, '') AS Versao FROM tDiagnostico ORDER BY Programa");

KVT_SQL(sqlEstatisticasBase, "SELECT top 1 Buffer FROM tView where Versao = 3 order by DHAtualizacao desc",
        "SELECT Buffer FROM tView WHERE Versao = 3 ORDER BY DHAtualizacao DESC LIMIT 1");

namespace {

std::string literal(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

}  // namespace

// The files of one database and their sizes in megabytes. In the embedded
// central a database is the file attached under its name, or the connection's
// own file.
db::SqlText sqlArquivosBanco(const std::string& banco) {
  const std::string nome = literal(banco);
  return {"SELECT CAST(filename AS VARCHAR(80)) AS Arquivo, (size*8)/1024 AS Tam_MB FROM " + banco + ".dbo.sysfiles",
          "SELECT substr(d.file, 1, 80) AS Arquivo, "
          "(SELECT page_count FROM pragma_page_count(d.name)) * (SELECT page_size FROM pragma_page_size(d.name)) "
          "/ 1048576 AS Tam_MB FROM pragma_database_list AS d WHERE d.name = CASE WHEN EXISTS "
          "(SELECT 1 FROM pragma_database_list WHERE name = " + nome + ") THEN " + nome + " ELSE 'main' END"};
}
KVT_SQL_COMPOSED(sqlArquivosBanco, sqlArquivosBanco("dbModRas"));

const std::vector<TEstru>& TabelaDiagnostico() {
  using T = TEstru::Tipo;
  static const std::vector<TEstru> tabela = {
      {T::Secao, "Gerenciador de tarefas", "", "", ""},
      {T::WMI, "Processos", "root\\cimv2",
       "select name,percentprocessortime,workingset from Win32_PerfFormattedData_PerfProc_Process",
       "$NAME$:Nome;$PERCENTPROCESSORTIME$:CPU;$WORKINGSET$%2%:Memoria_MB"},
      {T::WMI, "Memória Física"_cp, "root\\cimv2",
       "select tag,capacity,positioninrow  from CIM_PhysicalMemory where memorytype<>11",
       "$BANKLEVEL$:Banco;$CAPACITY$%1%:Capacidade_GB;$POSITIONINROW$:Banco"},
      {T::Secao, "Meu Computador", "", "", ""},
      {T::WMI, "Unidades de Disco", "root\\cimv2",
       "select caption,description,providername, size, freespace from Win32_LogicalDisk",
       "$CAPTION$:Disco;$DESCRIPTION$:Descricao;$PROVIDERNAME$:Caminho;$SIZE$%1%:Tamanho_GB;$FREESPACE$%1%:Livre_GB"},
      {T::WMI, "CPU", "root\\cimv2", "select name from CIM_Processor", "$NAME$:Processador"},
      {T::WMI, "Sistema Operacional", "root\\cimv2", "select * from CIM_OperatingSystem",
       "$CAPTION$:Sistema;$CSDVERSION$:Detalhes"},
      {T::Secao, "SQL Server", "", "", ""},
      {T::VersaoSQL, "Versão"_cp, "", "", ""},
      {T::BancosDeDados, "Bancos de Dados", "", "", ""},
      {T::TotalVeiculos, "Total de Veículos"_cp, "", "", ""},
      {T::Secao, "Modulos", "", "", ""},
      {T::Estatisticas, "Estatisticas", "", "", ""},
      {T::Aplicativos, "Aplicativos", "", "", ""},
  };
  return tabela;
}

const std::vector<TDBSeq>& TabelaBancos() {
  static const std::vector<TDBSeq> tabela = {
      {"dbBase", "dbBase"}, {"dbZenthora", "dbModRas"}, {"dbZenthora", "dbZenthora"}};
  return tabela;
}

std::string tConsultas::AreaSQL(const std::string& nome, const db::SqlText& sql) {
  std::string conteudo;
  try {
    db::Statement st(teleCmd_.dbZenthora(), sql);
    st.open();
    for (; !st.eof(); st.next())
      for (std::size_t i = 0; i < st.columnCount(); ++i) conteudo += ElementoXML(st.columnName(i), st.field(i).asString());
  } catch (const std::exception&) {
    // the area keeps what was gathered
  }
  return AreaXML(nome, conteudo);
}

std::string tConsultas::AreaBancosDeDados() {
  std::string conteudo;
  for (const TDBSeq& b : TabelaBancos()) {
    db::Connection& conexao = b.alias == "dbBase" ? dbBase_ : teleCmd_.dbZenthora();
    std::string deste;
    try {
      db::Statement st(conexao, sqlArquivosBanco(b.banco));
      st.open();
      for (; !st.eof(); st.next())
        for (std::size_t i = 0; i < st.columnCount(); ++i) deste += ElementoXML(st.columnName(i), st.field(i).asString());
    } catch (const std::exception&) {
      continue;  // that database is left out
    }
    conteudo += deste;
  }
  return AreaXML("Bancos de Dados", conteudo);
}

std::string tConsultas::AreaEstatisticas() {
  std::string conteudo;
  try {
    db::Statement st(dbBase_, sqlEstatisticasBase());
    st.open();
    if (!st.eof()) {
      // four 32-bit little-endian counters; a shorter record holds none of them
      const std::string buffer = st.field("Buffer").asString();
      if (buffer.size() >= 16) {
        auto contador = [&](std::size_t n) {
          std::uint32_t v = 0;
          for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(buffer[n * 4 + static_cast<std::size_t>(k)]);
          return std::to_string(v);
        };
        conteudo += ElementoXML("Comunicacao", "Eventos") + ElementoXML("Pendentes", contador(0)) +
                    ElementoXML("Por_segundo", contador(2)) + ElementoXML("Comunicacao", "Comandos") +
                    ElementoXML("Pendentes", contador(1)) + ElementoXML("Por_segundo", contador(3));
      }
    }
  } catch (const std::exception&) {
    // errors leave the area as it is
  }
  return AreaXML("Estatisticas", conteudo);
}

std::string tConsultas::relatorio() {
  std::string r;
  try {
    for (const TEstru& e : TabelaDiagnostico()) {
      switch (e.tipo) {
        case TEstru::Tipo::Secao:
          if (!r.empty()) r += "</secao>";
          r += "<secao>" + std::string("<nome>") + e.nome + "</nome>";
          break;
        case TEstru::Tipo::WMI:
          if (!e.consulta.empty()) r += AreaWMI(e.nome, e.namespaceWMI, e.consulta, e.rotulos);
          break;
        case TEstru::Tipo::VersaoSQL: r += AreaSQL(e.nome, sqlVersaoBanco()); break;
        case TEstru::Tipo::BancosDeDados: r += AreaBancosDeDados(); break;
        case TEstru::Tipo::TotalVeiculos: r += AreaSQL(e.nome, sqlTotalVeiculos()); break;
        case TEstru::Tipo::Estatisticas: r += AreaEstatisticas(); break;
        case TEstru::Tipo::Aplicativos: r += AreaSQL(e.nome, sqlAplicativos()); break;
      }
    }
  } catch (const std::exception& e) {
    logs_.log("tTeleCmd", "Ocorreu uma falha no aplicativo. "_cp + e.what());
  }
  return r + "</secao>";
}

void tConsultas::Diagnostico() {
  const std::string corpo = " <DataHoraEm> " + DataHoraAtual() + " </DataHoraEm> " + "<CodMsg> " + "-64" +
                            " </CodMsg> " + "<DIAGNOSTICO>" + "<Diag_Document>" + relatorio() + "</Diag_Document>" +
                            "</DIAGNOSTICO>";
  teleCmd_.EnviaResposta(LimpaAcentos(corpo));
}

}  // namespace kvt::telecmd
