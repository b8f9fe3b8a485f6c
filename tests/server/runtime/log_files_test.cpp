#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/ini/ini_file.h"
#include "platform/text/regional.h"
#include "server/runtime/log_files.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using kvt::test::readFile;
using kvt::test::TempDir;
using kvt::test::writeFile;

namespace {

struct LogFixture : ::testing::Test {
  TempDir dir;
  runtime::LogSettings settings;
  runtime::HistoryList history;
  clk::ManualClock manual{0, {2024, 5, 6, 7, 8, 9, 0}};
  clk::ScopedClock scope{manual};
  std::string ini = dir.file("KORVATEL.INI");

  void SetUp() override {
    text::setRegional({});
    writeFile(ini, "[KORVATEL]\r\n; log\r\nArq_Log_Corrente=1\r\n[CONTROLE]\r\nTIMEOUT=60\r\n");
  }
  runtime::LogFiles logs() { return runtime::LogFiles(settings, ini, history, dir.path().string()); }
  std::int64_t size(const std::string& name) {
    std::error_code ec;
    auto s = std::filesystem::file_size(dir.file(name), ec);
    return ec ? -1 : static_cast<std::int64_t>(s);
  }
};

}  // namespace

TEST_F(LogFixture, EntryFormatAndHistoryList) {
  auto log = logs();
  EXPECT_EQ(log.NomeArquivoLog(), "KORVATEL01.log");
  log.GravaLog(log.NomeArquivoLog(), "TFPrincipal.Inicializa", "Ponto 1", false, false);
  log.GravaLog(log.NomeArquivoLog(), "tTeleCmd", "falhou\r\nlinha 2", true, true);
  manual.setNow({2024, 5, 7, 0, 0, 0, 0});
  log.log("TFPrincipal.X", "meia-noite", false, true);
  EXPECT_EQ(readFile(dir.file("KORVATEL01.log")),
            "[INFO][06/05/2024 07:08:09][TFPrincipal.Inicializa] Ponto 1\r\n\r\n"
            "[ERRO][06/05/2024 07:08:09][tTeleCmd] falhou\r\nlinha 2\r\n\r\n"
            "[INFO][07/05/2024][TFPrincipal.X] meia-noite\r\n\r\n");
  ASSERT_EQ(history.size(), 2u);  // only on-screen entries, newest first
  EXPECT_EQ(history.at(0), "[07/05/2024] meia-noite");
  EXPECT_EQ(history.at(1), "[06/05/2024 07:08:09] falhou\r\nlinha 2");
}

TEST_F(LogFixture, RotationOrderWithTheDefaults) {
  // by the calling rule written out, and by log(), which looks at the file
  // once for both of its steps
  const std::function<void(runtime::LogFiles&, const std::string&)> chamadas[] = {
      [](runtime::LogFiles& log, const std::string& m) { log.GravaLog(log.NomeArquivoLog(), "T.R", m, false, false); },
      [](runtime::LogFiles& log, const std::string& m) { log.log("T.R", m); }};
  for (const auto& chama : chamadas) {
    for (const auto& f : std::filesystem::directory_iterator(dir.path()))
      if (f.path().extension() == ".log") std::filesystem::remove(f.path());
    SetUp();
    settings = {};
    settings.Tam_Max_Arq_Log = 200;  // each entry takes a file over the limit
    auto log = logs();
    std::vector<std::string> used;
    for (int i = 0; i < 8; ++i) {
      const std::string marca = "entrada" + std::to_string(i) + "-";
      chama(log, marca + std::string(250 - marca.size(), 'x'));
      for (int n = 0; n <= 5; ++n) {
        const std::string name = "KORVATEL0" + std::to_string(n) + ".log";
        if (size(name) >= 0 && readFile(dir.file(name)).find(marca) != std::string::npos) used.push_back(name);
      }
    }
    const std::vector<std::string> expected = {"KORVATEL01.log", "KORVATEL02.log", "KORVATEL03.log",
                                               "KORVATEL04.log", "KORVATEL05.log", "KORVATEL00.log",
                                               "KORVATEL01.log", "KORVATEL02.log"};
    EXPECT_EQ(used, expected);
    // the old file of the cycle restarted empty, and the index reached the INI
    EXPECT_LT(size("KORVATEL01.log"), 400);
    EXPECT_EQ(ini::IniFile(ini).readInteger("KORVATEL", "Arq_Log_Corrente", -1), 3);
    EXPECT_NE(readFile(ini).find("; log\r\nArq_Log_Corrente=3\r\n[CONTROLE]\r\nTIMEOUT=60\r\n"), std::string::npos);
  }
}

TEST_F(LogFixture, SingleFileWhenNumArquivosLogIsZero) {
  settings.Num_Arquivos_Log = 0;
  settings.Arq_Log_Corrente = 0;
  settings.Tam_Max_Arq_Log = 200;
  auto log = logs();
  log.log("T.R", std::string(250, 'a'));
  EXPECT_EQ(settings.Arq_Log_Corrente, 0);
  EXPECT_GT(size("KORVATEL00.log"), 250);
  log.log("T.R", "b");  // NomeArquivoLog deletes the full file first
  EXPECT_EQ(readFile(dir.file("KORVATEL00.log")).find("aaaa"), std::string::npos);
  EXPECT_NE(readFile(dir.file("KORVATEL00.log")).find("] b\r\n\r\n"), std::string::npos);
}

TEST_F(LogFixture, SizesAreRoundedDownTo128Bytes) {
  struct Case {
    std::int64_t existing;
    bool rotates;
  } cases[] = {{10000127 - 41, false}, {10000128 - 41, true}};
  // the entry written below is 41 bytes long, so the file ends at 10000127 or 10000128
  for (const auto& c : cases) {
    settings = {};
    writeFile(dir.file("KORVATEL01.log"), std::string(static_cast<std::size_t>(c.existing), 'z'));
    auto log = logs();
    EXPECT_EQ(log.NomeArquivoLog(), "KORVATEL01.log");
    EXPECT_EQ(size("KORVATEL01.log"), c.existing) << "not deleted before the write";
    log.GravaLog("KORVATEL01.log", "T.R", "1234", false, false);
    ASSERT_EQ(size("KORVATEL01.log"), c.existing + 41);
    EXPECT_EQ(settings.Arq_Log_Corrente, c.rotates ? 2 : 1) << c.existing;
    // the same file seen again by NomeArquivoLog is deleted only past the limit
    settings.Arq_Log_Corrente = 1;
    log.NomeArquivoLog();
    EXPECT_EQ(size("KORVATEL01.log") == -1, c.rotates) << c.existing;
  }
}

TEST_F(LogFixture, UnwritableLogFileRaisesAnIoError) {
  std::filesystem::create_directory(dir.file("KORVATEL01.log"));  // a folder cannot be opened as a file
  auto log = logs();
  EXPECT_THROW(log.GravaLog("KORVATEL01.log", "T.R", "x", false, true), runtime::LogIoError);
  EXPECT_EQ(history.size(), 0u);
}

TEST_F(LogFixture, AnEntryFollowsTheNameWhenTheFileWasDeletedOrReplacedMeanwhile) {
  auto log = logs();
  const std::string path = dir.file("KORVATEL01.log");
  const std::function<void()> cases[] = {[&] { std::filesystem::remove(path); },
                                         [&] { writeFile(path, "outro\r\n"); },
                                         // grown past the limit in place: the entry's own look at the
                                         // name deletes it, and the entry goes to a new file
                                         [&] {
                                           std::ofstream(path, std::ios::app) << std::string(300, 'x');
                                           settings.Tam_Max_Arq_Log = 200;
                                         }};
  for (const auto& mexe : cases) {
    settings.Tam_Max_Arq_Log = 10000000;
    log.log("T.R", "antes");
    mexe();
    log.log("T.R", "depois");
    EXPECT_NE(readFile(path).find("] depois\r\n\r\n"), std::string::npos) << readFile(path);
    EXPECT_EQ(readFile(path).find("antes"), std::string::npos);
    EXPECT_EQ(settings.Arq_Log_Corrente, 1);
  }
}
