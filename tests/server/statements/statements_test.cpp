// Every SQLite text the programs send is prepared against the embedded central,
// so a typo in a table or column fails here rather than in the demo.
#include <gtest/gtest.h>


#include "central/central.h"
#include "platform/db/db.h"
#include "tests/support/temp_dir.h"

using namespace kvt;

TEST(Statements, EverySqliteTextPreparesOnTheEmbeddedCentral) {
  test::TempDir dir;
  const auto files = central::createCentral(dir.path().string());
  // registrations dropped by the linker would make this test pass on nothing
  ASSERT_GT(db::registeredStatements().size(), 20u);
  // one connection sees the three databases: unqualified names resolve through
  // the attached base, three-part names through dbModRas
  auto c = db::Connection::open("sqlite:" + files.zenthora + ";Attach=dbModRas:" + files.sse +
                                ";Attach=dbBase:" + files.base);
  // the security connection: its own procedures, and the application's
  // tables as dbZenthora
  auto sse = db::Connection::open(files.urlSse);
  std::string failures;
  for (const db::RegisteredStatement& s : db::registeredStatements()) {
    const std::vector<std::string> aqui = db::prepareSqlite(*c, s.sql.sqlite);
    if (aqui.empty() || db::prepareSqlite(*sse, s.sql.sqlite).empty()) continue;
    for (const auto& f : aqui) failures += s.name + ": " + f + "\n";
  }
  EXPECT_EQ(failures, "");
}
