// The README's table of what a central must provide is checked both ways: every
// object and column it names exists in the embedded central, and every table and
// stored procedure that a registered statement names is in the table.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "central/central.h"
#include "platform/db/db.h"
#include "tests/support/temp_dir.h"

using namespace kvt;

namespace {

struct Objeto {
  std::string banco;
  std::vector<std::string> colunas;
};

std::string minusculas(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The rows of the table under "### What a central must provide".
std::map<std::string, Objeto> contratoDoReadme() {
  const std::string readme = test::readFile((test::sourceDir() / "README.md").string());
  const auto inicio = readme.find("### What a central must provide");
  EXPECT_NE(inicio, std::string::npos) << "README lacks the contract section";
  std::map<std::string, Objeto> objetos;
  if (inicio == std::string::npos) return objetos;
  std::istringstream linhas(readme.substr(inicio));
  const std::regex linha(R"re(\| `(\w+)` \| (dbZenthora|dbBase|dbSSE) \| ([^|]*) \| [^|]+ \|)re");
  const std::regex nome(R"re(`(\w+)`)re");
  std::string l;
  std::getline(linhas, l);
  while (std::getline(linhas, l) && !l.starts_with("#")) {
    std::smatch m;
    if (!l.starts_with("| `")) continue;
    EXPECT_TRUE(std::regex_match(l, m, linha)) << "malformed row: " << l;
    if (m.empty()) continue;
    Objeto o{m[2], {}};
    const std::string cols = m[3];
    for (std::sregex_iterator i(cols.begin(), cols.end(), nome), fim; i != fim; ++i) o.colunas.push_back((*i)[1]);
    EXPECT_TRUE(objetos.emplace(m[1], o).second) << "repeated: " << m[1];
  }
  return objetos;
}

std::set<std::string> colunasDe(db::Connection& c, const std::string& tabela) {
  std::set<std::string> colunas;
  db::Statement st(c, "PRAGMA table_info(" + tabela + ")");
  for (st.open(); !st.eof(); st.next()) colunas.insert(st.field("name").asString());
  return colunas;
}

bool procedimentoExiste(db::Connection& c, const std::string& nome) {
  db::Statement st(c, "SELECT Nome FROM kvtProcedimento WHERE Nome = :Nome");
  st.bindText("Nome", nome).open();
  return !st.eof();
}

}  // namespace

TEST(ContratoDaCentral, EveryObjectAndColumnTheReadmeNamesExistsInTheEmbeddedCentral) {
  test::TempDir dir;
  const auto files = central::createCentral(dir.path().string());
  std::map<std::string, std::unique_ptr<db::Connection>> bancos;
  bancos["dbZenthora"] = db::Connection::open(files.urlZenthora);
  bancos["dbBase"] = db::Connection::open(files.urlBase);
  bancos["dbSSE"] = db::Connection::open(files.urlSse);
  const auto contrato = contratoDoReadme();
  ASSERT_FALSE(contrato.empty());
  for (const auto& [nome, o] : contrato) {
    db::Connection& c = *bancos.at(o.banco);
    if (nome.starts_with("sp")) {
      EXPECT_TRUE(procedimentoExiste(c, nome)) << nome << " is not a procedure of " << o.banco;
      continue;
    }
    const auto colunas = colunasDe(c, nome);
    EXPECT_FALSE(colunas.empty()) << nome << " is not a table of " << o.banco;
    for (const auto& col : o.colunas) EXPECT_TRUE(colunas.count(col)) << nome << "." << col << " in " << o.banco;
  }
}

TEST(ContratoDaCentral, EveryTableAndProcedureTheServerNamesIsInTheReadme) {
  std::set<std::string> contrato;  // names compare without case, as in the central's collation
  for (const auto& [nome, o] : contratoDoReadme()) contrato.insert(minusculas(nome));
  const std::regex procedimento(R"re(\bexec(?:ute)?\s+(?:\w+\.\.)?(\w+))re", std::regex::icase);
  // the lookahead leaves "into t" of "insert into t" for the next match
  const std::regex tabela(R"re(\b(?:from|join|into|update|table|insert|delete)\s+(?=(?:\w+\.\.)?(\w+)))re",
                          std::regex::icase);
  std::set<std::string> faltam;
  for (const db::RegisteredStatement& s : db::registeredStatements()) {
    const std::string& t = s.sql.mssql;
    for (std::sregex_iterator i(t.begin(), t.end(), procedimento), fim; i != fim; ++i)
      if (!contrato.count(minusculas((*i)[1]))) faltam.insert((*i)[1].str() + " (" + s.name + ")");
    for (std::sregex_iterator i(t.begin(), t.end(), tabela), fim; i != fim; ++i) {
      const std::string n = (*i)[1];
      const bool nomeDeTabela = n.size() > 1 && (n[0] == 't' || n[0] == 'T');
      if (nomeDeTabela && !contrato.count(minusculas(n))) faltam.insert(n + " (" + s.name + ")");
    }
  }
  std::string lista;
  for (const auto& f : faltam) lista += f + "\n";
  EXPECT_EQ(lista, "") << "add these to the README's contract table";
}

TEST(ChavesDoIni, EveryKeyTheServerReadsHasARowInTheReadmeTable) {
  const std::string readme = test::readFile((test::sourceDir() / "README.md").string());
  const auto inicio = readme.find("## KORVATEL.INI");
  ASSERT_NE(inicio, std::string::npos);
  const std::string tabela = readme.substr(inicio, readme.find("\n## ", inicio + 1) - inicio);
  const std::regex leitura(R"re((?:read(?:Integer|String)|readChar|AbreBanco)\(\s*(?:\w+|"\w+"),\s*"(\w+)")re");
  std::set<std::string> faltam;
  std::size_t chaves = 0;
  for (const char* pasta : {"server", "platform/ini"}) {
    for (const auto& e : std::filesystem::recursive_directory_iterator(test::sourceDir() / pasta)) {
      if (e.path().extension() != ".cpp") continue;
      const std::string fonte = test::readFile(e.path().string());
      for (std::sregex_iterator i(fonte.begin(), fonte.end(), leitura), fim; i != fim; ++i) {
        ++chaves;
        const std::string chave = (*i)[1];
        if (tabela.find("| `" + chave + "` |") == std::string::npos) faltam.insert(chave);
      }
    }
  }
  EXPECT_GT(chaves, 30u) << "the scan found too few reads to be looking at the server's sources";
  std::string lista;
  for (const auto& f : faltam) lista += f + "\n";
  EXPECT_EQ(lista, "") << "add these keys to the README's KORVATEL.INI table";
}
