#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "tests/central/sqlite_shell.h"
#include "tests/support/temp_dir.h"

namespace {

struct Run {
  int exitCode;
  std::string output;  // standard output and standard error
};

Run korvatelCentral(const std::string& arguments) {
  const std::string command = "'" KORVATEL_CENTRAL "' " + arguments + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
  const int status = pclose(pipe.release());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace

TEST(CentralTool, InitCreatesTheCentralAndRefusesToOverwriteItUnlessForced) {
  kvt::test::TempDir tmp;
  const std::string dir = tmp.file("nova/central");  // created with its parents

  auto run = korvatelCentral("init '" + dir + "' --demo --module ModCom03 --port 12345");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find(dir + "/zenthora.db"), std::string::npos) << run.output;
  EXPECT_EQ(kvt::test::sqliteShell(dir + "/zenthora.db", "SELECT count(*) > 0 FROM tVeiculo"), "1");
  const std::string ini = kvt::test::readFile(dir + "/KORVATEL.INI");
  EXPECT_NE(ini.find("\r\nNOME_MR=ModCom03\r\n"), std::string::npos);
  EXPECT_NE(ini.find("\r\nKORVATEL_PORT=12345\r\n"), std::string::npos);

  run = korvatelCentral("init '" + dir + "'");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.output.find("--force"), std::string::npos) << run.output;
  EXPECT_EQ(kvt::test::sqliteShell(dir + "/zenthora.db", "SELECT count(*) > 0 FROM tVeiculo"), "1");

  run = korvatelCentral("init '" + dir + "' --force");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(kvt::test::sqliteShell(dir + "/zenthora.db", "SELECT count(*) FROM tVeiculo"), "0");
  EXPECT_EQ(kvt::test::sqliteShell(dir + "/base.db", "SELECT ModCom FROM tModRas"), "2");
}

TEST(CentralTool, BadArgumentsAreRefusedWithTheUsage) {
  kvt::test::TempDir tmp;
  for (const std::string& args : std::vector<std::string>{
           "", "criar " + tmp.file("x"), "init " + tmp.file("x") + " --port 0", "init " + tmp.file("x") + " --port abc",
           "init " + tmp.file("x") + " --module", "init " + tmp.file("x") + " --demais"}) {
    SCOPED_TRACE(args);
    const auto run = korvatelCentral(args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("uso: korvatel-central init DIR"), std::string::npos) << run.output;
  }
  EXPECT_FALSE(std::filesystem::exists(tmp.file("x")));
}
