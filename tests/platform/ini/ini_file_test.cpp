#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "platform/ini/ini_file.h"
#include "platform/ini/regional_settings.h"
#include "tests/support/temp_dir.h"

using kvt::ini::IniFile;
using kvt::test::readFile;
using kvt::test::TempDir;
using kvt::test::writeFile;

namespace {

const char* kSample =
    "; KORVATEL settings\r\n"
    "[KORVATEL]\r\n"
    "Num_Arquivos_Log=3\r\n"
    "  tam_max_arq_log = 2000 \r\n"
    "Arq_Log_Corrente=abc\r\n"
    "NOME_MR=\"ModCom03\"\r\n"
    "TELECMD = 1E,5C \r\n"
    "\r\n"
    "[Controle]\r\n"
    "; positions\r\n"
    "ULTIMO_NUM_SEQ_PROCESSADO=17\r\n"
    "ULTIMO_NUM_SEQ_PROCESSADO=99\r\n"
    "\r\n"
    "[OUTRA]\r\n"
    "X=1\r\n";

}  // namespace

TEST(IniFile, ReadsWithThePlatformRules) {
  TempDir dir;
  writeFile(dir.file("K.INI"), kSample);
  IniFile ini(dir.file("K.INI"));
  struct Case {
    const char* section;
    const char* key;
    int expected;
  } integers[] = {
      {"KORVATEL", "Num_Arquivos_Log", 3},          // plain
      {"korvatel", "TAM_MAX_ARQ_LOG", 2000},        // case-insensitive, blanks trimmed
      {"KORVATEL", "Arq_Log_Corrente", -5},         // unparsable: default
      {"KORVATEL", "KORVATEL_PORT", -5},            // missing: default
      {"CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", 17}, // first occurrence wins
      {"NADA", "X", -5},                            // missing section
  };
  for (const auto& c : integers) EXPECT_EQ(ini.readInteger(c.section, c.key, -5), c.expected) << c.key;
  EXPECT_EQ(ini.readString("KORVATEL", "NOME_MR", ""), "ModCom03");  // quotes dropped
  EXPECT_EQ(ini.readString("KORVATEL", "TELECMD", ""), "1E,5C");
  EXPECT_EQ(ini.readString("KORVATEL", "TELEEVT", "none"), "none");
  EXPECT_FALSE(ini.hasKey("KORVATEL", "; KORVATEL settings"));

  // the edges of a line: what comes before any section, a header with text
  // after its bracket, quotes of either kind, a lone quote, a last line
  // without its line end
  writeFile(dir.file("B.INI"),
            "solto=1\r\n[ Sec ] resto\r\na='x y'\r\nb=\"\r\n\tc\t=\t\"\"\r\nd = \"v\"'\r\n=sem\r\ne=fim\r");
  IniFile bordas(dir.file("B.INI"));
  struct Texto {
    const char* section;
    const char* key;
    const char* expected;  // null: absent
  } textos[] = {{"", "solto", nullptr}, {"Sec", "a", "x y"},  {"SEC", "b", "\""},   {"Sec", "c", ""},
                {"Sec", "d", "\"v\"'"}, {"Sec", "", nullptr}, {"Sec", "e", "fim"}};
  for (const auto& t : textos) {
    EXPECT_EQ(bordas.hasKey(t.section, t.key), t.expected != nullptr) << t.key;
    if (t.expected) {
      EXPECT_EQ(bordas.readString(t.section, t.key, "?"), t.expected) << t.key;
    }
  }
}

TEST(IniFile, WriteBackReplacesOneValueAndKeepsEveryOtherByte) {
  TempDir dir;
  const std::string path = dir.file("K.INI");
  writeFile(path, kSample);
  IniFile ini(path);
  ini.writeInteger("controle", "ULTIMO_NUM_SEQ_PROCESSADO", 123456);
  std::string expected = kSample;
  expected.replace(expected.find("PROCESSADO=17"), 13, "PROCESSADO=123456");
  EXPECT_EQ(readFile(path), expected);
  EXPECT_EQ(ini.readInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", 0), 123456);

  // a new key goes after the last line of its section, a new section at the end
  ini.writeInteger("KORVATEL", "Arq_Log_Corrente", 4);  // existing, replaced
  ini.writeString("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO_CTRL", "8");
  ini.writeString("NOVA", "A", "b");
  const std::string after = readFile(path);
  EXPECT_NE(after.find("Arq_Log_Corrente=4\r\n"), std::string::npos);
  EXPECT_NE(after.find("ULTIMO_NUM_SEQ_PROCESSADO=99\r\nULTIMO_NUM_SEQ_PROCESSADO_CTRL=8\r\n\r\n[OUTRA]"),
            std::string::npos);
  EXPECT_TRUE(after.ends_with("\r\n[OUTRA]\r\nX=1\r\n[NOVA]\r\nA=b\r\n")) << after;
  IniFile again(path);
  EXPECT_EQ(again.readString("NOVA", "A", ""), "b");
  EXPECT_EQ(again.readInteger("OUTRA", "X", 0), 1);
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST(IniFile, WriteBackKeepsUnixLineEndsAndCreatesMissingFiles) {
  TempDir dir;
  writeFile(dir.file("a.ini"), "[S]\nk=1\n# x\n");
  IniFile a(dir.file("a.ini"));
  a.writeString("S", "j", "2");
  EXPECT_EQ(readFile(dir.file("a.ini")), "[S]\nk=1\n# x\nj=2\n");

  IniFile b(dir.file("new.ini"));
  EXPECT_FALSE(b.exists());
  b.writeString("KORVATEL", "Arq_Log_Corrente", "2");
  EXPECT_EQ(readFile(dir.file("new.ini")), "[KORVATEL]\r\nArq_Log_Corrente=2\r\n");
}

TEST(IniFileDeathTest, CrashBeforeTheRenameLeavesTheOldFileWhole) {
  TempDir dir;
  const std::string path = dir.file("KORVATEL.INI");
  writeFile(path, kSample);
  EXPECT_EXIT(
      {
        IniFile::setBeforeRenameHook([](const std::string&) { std::_Exit(7); });
        IniFile ini(path);
        ini.writeInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", 5);
      },
      ::testing::ExitedWithCode(7), "");
  EXPECT_EQ(readFile(path), kSample);
  EXPECT_EQ(IniFile(path).readInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", 0), 17);
  // the next write-back replaces the leftover temporary file and succeeds
  IniFile ini(path);
  ini.writeInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", 5);
  EXPECT_EQ(IniFile(path).readInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", 0), 5);
}

TEST(IniFile, SeveralKeysOfOneSectionGoInOneRewrite) {
  TempDir dir;
  const std::string path = dir.file("KORVATEL.INI");
  writeFile(path, kSample);
  int renames = 0;
  IniFile::setBeforeRenameHook([&](const std::string&) { ++renames; });
  IniFile ini(path);
  const std::pair<std::string_view, std::int32_t> posicoes[] = {{"ULTIMO_NUM_SEQ_PROCESSADO", 41},
                                                                {"ULTIMO_NUM_SEQ_PROCESSADO_CTRL", 7}};
  ini.writeIntegers("CONTROLE", posicoes);
  IniFile::setBeforeRenameHook(nullptr);
  EXPECT_EQ(renames, 1);
  // the same bytes as the two single writes give
  std::string expected = kSample;
  expected.replace(expected.find("PROCESSADO=17"), 13, "PROCESSADO=41");
  expected.replace(expected.find("PROCESSADO=99\r\n"), 15, "PROCESSADO=99\r\nULTIMO_NUM_SEQ_PROCESSADO_CTRL=7\r\n");
  EXPECT_EQ(readFile(path), expected);
  IniFile again(path);
  EXPECT_EQ(again.readInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", 0), 41);
  EXPECT_EQ(again.readInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO_CTRL", 0), 7);

  // a crash before the rename leaves both old
  const std::pair<std::string_view, std::int32_t> outras[] = {{"ULTIMO_NUM_SEQ_PROCESSADO", 50},
                                                              {"ULTIMO_NUM_SEQ_PROCESSADO_CTRL", 9}};
  EXPECT_EXIT(
      {
        IniFile::setBeforeRenameHook([](const std::string&) { std::_Exit(7); });
        IniFile(path).writeIntegers("CONTROLE", outras);
      },
      ::testing::ExitedWithCode(7), "");
  EXPECT_EQ(readFile(path), expected);
}

TEST(IniFile, WriteBackIntoAnUnwritableFolderThrowsAndKeepsTheFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  TempDir dir;
  const std::string path = dir.file("K.INI");
  writeFile(path, kSample);
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  IniFile ini(path);
  EXPECT_THROW(ini.writeInteger("KORVATEL", "Arq_Log_Corrente", 2), std::runtime_error);
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
  EXPECT_EQ(readFile(path), kSample);
}

TEST(RegionalSettings, OverridesComeFromSectionRegional) {
  TempDir dir;
  writeFile(dir.file("K.INI"), "[REGIONAL]\nShortDateFormat=yyyy-mm-dd\nDateSeparator=-\nDecimalSeparator=.\n");
  const auto r = kvt::ini::readRegionalSettings(IniFile(dir.file("K.INI")));
  EXPECT_EQ(r.shortDateFormat, "yyyy-mm-dd");
  EXPECT_EQ(r.dateSeparator, '-');
  EXPECT_EQ(r.decimalSeparator, '.');
  EXPECT_EQ(r.thousandSeparator, '.');  // Brazilian default kept
  EXPECT_EQ(r.longTimeFormat, "hh:nn:ss");
}
