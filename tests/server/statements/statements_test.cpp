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
  std::string failures;
  for (const auto& f : db::prepareAllSqlite(*c)) failures += f + "\n";
  EXPECT_EQ(failures, "");
}
