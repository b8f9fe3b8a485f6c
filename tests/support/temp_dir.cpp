#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace kvt::test {

TempDir::TempDir() {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = std::filesystem::temp_directory_path() / ("kvt-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

static std::filesystem::path fromEnv(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v ? std::filesystem::path(v) : std::filesystem::path(fallback);
}

std::filesystem::path sourceDir() { return fromEnv("KVT_SOURCE_DIR", KVT_TEST_SOURCE_DIR); }
std::filesystem::path binaryDir() { return fromEnv("KVT_BINARY_DIR", KVT_TEST_BINARY_DIR); }

}  // namespace kvt::test
