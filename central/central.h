#pragma once

// The embedded central: the three SQLite files that stand in for the central's
// databases (dbZenthora, dbBase and the electronic-security database), built
// from central/schema, optionally filled with the demo data of central/demo,
// and a KORVATEL.INI whose BANCOS section points at them.

#include <filesystem>
#include <stdexcept>
#include <string>

namespace kvt::central {

struct CentralOptions {
  bool demo = false;                // fill the central with the demo data
  std::string nomeMr = "ModCom02";  // the communication module served (NOME_MR)
  int port = 12000;                 // KORVATEL_PORT
  bool overwrite = false;           // replace an existing central in the folder
};

struct CentralFiles {
  std::string zenthora, base, sse, ini;      // absolute paths
  std::string urlZenthora, urlBase, urlSse;  // the BANCOS connection URLs
};

// The folder already holds a central (one of the three files or KORVATEL.INI)
// and the options do not allow replacing it.
class CentralExists : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates dir when needed and builds the central in it: zenthora.db, base.db,
// sse.db and KORVATEL.INI. Every database holds its tables, the stand-in
// procedures (table kvtProcedimento) and, for dbBase, the tModRas row of the
// module served. Throws CentralExists, or std::runtime_error on any other
// failure.
CentralFiles createCentral(const std::string& dir, const CentralOptions& options = {});

// The file names createCentral uses inside its folder.
inline constexpr const char* kZenthoraFile = "zenthora.db";
inline constexpr const char* kBaseFile = "base.db";
inline constexpr const char* kSseFile = "sse.db";
inline constexpr const char* kIniFile = "KORVATEL.INI";

// The project's source folder, where central/schema and central/demo are read:
// the environment variable KVT_SOURCE_DIR when set, else the folder the
// library was built from.
std::filesystem::path sourceDir();

}  // namespace kvt::central
