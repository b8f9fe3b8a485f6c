#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kvt::ini {

// A Windows INI file: sections and keys are matched without regard to ASCII
// case, the first occurrence wins, values are trimmed and lose one pair of
// enclosing quotes. Texts are Windows-1252 bytes, as stored.
class IniFile {
 public:
  explicit IniFile(std::string path);

  const std::string& path() const { return path_; }
  bool exists() const;
  // Reads the file again from disk.
  void reload();

  bool hasKey(std::string_view section, std::string_view key) const;
  std::string readString(std::string_view section, std::string_view key, std::string_view fallback) const;
  // Missing or unparsable values give the fallback (platform integer rules).
  std::int32_t readInteger(std::string_view section, std::string_view key, std::int32_t fallback) const;

  // Replaces one key's value in place, keeping every other byte of the file,
  // and adds the key (or the section) when it is not there. The new file is
  // written beside the old one and renamed over it, so a crash leaves either
  // the old or the new file whole. Throws std::runtime_error on failure.
  void writeString(std::string_view section, std::string_view key, std::string_view value);
  void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
  // Several keys of one section in a single rewrite: one new file, one sync,
  // one rename, so a crash leaves all of them old or all of them new.
  void writeStrings(std::string_view section, std::span<const std::pair<std::string_view, std::string_view>> values);
  void writeIntegers(std::string_view section, std::span<const std::pair<std::string_view, std::int32_t>> values);

  // Called after the temporary file is complete and before it is renamed;
  // tests use it to stand for a crash at that moment.
  static void setBeforeRenameHook(std::function<void(const std::string& tempPath)> hook);

 private:
  struct Line {
    std::string text;        // the line without its terminator
    std::string terminator;  // "\r\n", "\n" or "" for the last line
  };
  struct Entry {
    std::string section;
    std::string key;
    std::string value;
  };

  void parse(const std::string& bytes);
  const Entry* find(std::string_view section, std::string_view key) const;

  std::string path_;
  std::vector<Entry> entries_;
};

// Splits bytes into lines with their terminators (exposed for the writer's tests).
std::vector<std::pair<std::string, std::string>> splitLines(const std::string& bytes);

}  // namespace kvt::ini
