#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "platform/file/append_file.h"
#include "tests/support/temp_dir.h"

using kvt::file::AppendFile;
using kvt::test::readFile;
using kvt::test::TempDir;
using kvt::test::writeFile;

// Between two appends someone else does something to the file; the second
// append goes to what the name leads to then, and the size is that file's.
TEST(AppendFile, FollowsTheNameWhateverHappenedToTheFileBetweenAppends) {
  struct Caso {
    const char* nome;
    std::function<void(const std::string& path)> meanwhile;
    std::string expected;  // the file under the name after the second append
  };
  const Caso casos[] = {
      {"nothing", [](const std::string&) {}, "ab"},
      {"deleted", [](const std::string& p) { std::filesystem::remove(p); }, "b"},
      {"replaced by rename",
       [](const std::string& p) {
         writeFile(p + ".new", "xyz");
         std::filesystem::rename(p + ".new", p);
       },
       "xyzb"},
      {"renamed away", [](const std::string& p) { std::filesystem::rename(p, p + ".old"); }, "b"},
      {"grown by another writer", [](const std::string& p) {
         std::FILE* f = std::fopen(p.c_str(), "ab");
         std::fputs("--", f);
         std::fclose(f);
       },
       "a--b"},
  };
  for (const Caso& c : casos) {
    TempDir dir;
    const std::string path = dir.file("f.txt");
    AppendFile f;
    ASSERT_TRUE(f.follow(path)) << c.nome;
    ASSERT_TRUE(f.append("a")) << c.nome;
    c.meanwhile(path);
    ASSERT_TRUE(f.follow(path)) << c.nome;
    ASSERT_TRUE(f.append("b")) << c.nome;
    EXPECT_EQ(readFile(path), c.expected) << c.nome;
    EXPECT_EQ(f.size(), static_cast<std::int64_t>(c.expected.size())) << c.nome;
  }
}

TEST(AppendFile, ANameThatIsNoRegularFileOrCannotBeCreatedFails) {
  TempDir dir;
  AppendFile f;
  std::filesystem::create_directory(dir.file("folder"));
  EXPECT_FALSE(f.follow(dir.file("folder")));
  EXPECT_FALSE(f.follow(dir.file("missing-folder/f.txt")));
  EXPECT_FALSE(f.append("x"));
  EXPECT_FALSE(f.isOpen());
}
