#pragma once

#include <filesystem>
#include <string>

namespace kvt::test {

// A fresh folder under the system's temporary folder, removed with its contents
// when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Whole-file helpers for tests (bytes in, bytes out).
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// Folder of the source tree and of the build tree, from the environment set by CTest.
std::filesystem::path sourceDir();
std::filesystem::path binaryDir();

}  // namespace kvt::test
