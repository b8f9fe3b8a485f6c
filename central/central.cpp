#include "central/central.h"

#include <cstdlib>
#include <system_error>

#include "central/central_ini.h"
#include "central/demo_data.h"
#include "central/schema.h"
#include "central/sqlite_file.h"

#ifndef KVT_SOURCE_DIR
#error "KVT_SOURCE_DIR must name the project's source folder"
#endif

namespace kvt::central {

namespace {

namespace fs = std::filesystem;

const char* const kCentralFiles[] = {kZenthoraFile, kBaseFile, kSseFile, kIniFile};

void removeDatabaseFile(const fs::path& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::error_code ec;
    fs::remove(path.string() + suffix, ec);
    if (ec) throw std::runtime_error("cannot remove " + path.string() + suffix + ": " + ec.message());
  }
}

void clearFolder(const fs::path& dir, bool overwrite) {
  for (const char* name : kCentralFiles) {
    if (!fs::exists(dir / name)) continue;
    if (!overwrite) throw CentralExists((dir / name).string() + " already exists");
  }
  for (const char* name : kCentralFiles) removeDatabaseFile(dir / name);
}

void openAsWal(SqliteFile& file) { file.exec("PRAGMA journal_mode=WAL"); }

void addModule(SqliteFile& base, const std::string& nomeMr) {
  base.run("INSERT OR IGNORE INTO tModRas (ModCom, Descr, CCRO) VALUES (?, ?, 0)",
           {SqlValue{std::int64_t{numeroModulo(nomeMr)}}, SqlValue{nomeMr}});
}

}  // namespace

fs::path sourceDir() {
  if (const char* dir = std::getenv("KVT_SOURCE_DIR"); dir && *dir) return dir;
  return KVT_SOURCE_DIR;
}

CentralFiles createCentral(const std::string& dirText, const CentralOptions& options) {
  const fs::path dir = fs::absolute(dirText).lexically_normal();
  fs::create_directories(dir);
  clearFolder(dir, options.overwrite);

  CentralFiles files;
  files.zenthora = (dir / kZenthoraFile).string();
  files.base = (dir / kBaseFile).string();
  files.sse = (dir / kSseFile).string();
  files.ini = (dir / kIniFile).string();
  files.urlZenthora = "sqlite:" + files.zenthora + ";Attach=dbModRas:" + files.sse;
  files.urlBase = "sqlite:" + files.base;
  files.urlSse = "sqlite:" + files.sse + ";Attach=dbZenthora:" + files.zenthora;

  try {
    {
      SqliteFile zenthora(files.zenthora), base(files.base), sse(files.sse);
      SqliteFile* byName[] = {&zenthora, &base, &sse};
      for (std::size_t i = 0; i < 3; ++i) {
        openAsWal(*byName[i]);
        byName[i]->exec("BEGIN");
        loadSchema(*byName[i], kDatabases[i]);
      }
      addModule(base, options.nomeMr);
      if (options.demo) loadDemo(zenthora, base, sse);
      for (auto* file : byName) file->exec("COMMIT");
    }
    writeCentralIni(files, options);
  } catch (...) {
    // A half-built central would stop the next attempt without --force.
    for (const char* name : kCentralFiles) {
      try {
        removeDatabaseFile(dir / name);
      } catch (const std::exception&) {
      }
    }
    throw;
  }
  return files;
}

}  // namespace kvt::central
