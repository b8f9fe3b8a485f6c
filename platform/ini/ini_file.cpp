#include "platform/ini/ini_file.h"

#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text/ascii_case.h"
#include "platform/text/integer_text.h"
#include "platform/text/trim.h"

namespace kvt::ini {

namespace {

std::function<void(const std::string&)>& beforeRenameHook() {
  static std::function<void(const std::string&)> hook;
  return hook;
}

bool readAll(const std::string& path, std::string& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[8192];
  std::size_t n;
  out.clear();
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return true;
}

// "[name]" → name; false when the line is no section header. The name is a
// view into the line.
bool sectionName(std::string_view line, std::string_view& name) {
  const std::string_view t = text::trimView(line);
  if (t.size() < 2 || t.front() != '[') return false;
  const auto close = t.find(']');
  if (close == std::string_view::npos) return false;
  name = text::trimView(t.substr(1, close - 1));
  return true;
}

// "key=value" → key and raw value (views into the line); false for comments
// and lines without "=".
bool keyLine(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::string_view t = text::trimLeftView(line);
  if (t.empty() || t.front() == ';') return false;
  const auto eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  key = text::trimView(t.substr(0, eq));
  value = text::trimView(t.substr(eq + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return !key.empty();
}

void writeWhole(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) throw std::runtime_error("Unable to write to " + path + " (cannot create " + temp + ")");
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      ::close(fd);
      ::unlink(temp.c_str());
      throw std::runtime_error("Unable to write to " + path + " (cannot write " + temp + ")");
    }
    done += static_cast<std::size_t>(n);
  }
  ::fsync(fd);
  ::close(fd);
  if (beforeRenameHook()) beforeRenameHook()(temp);
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    throw std::runtime_error("Unable to write to " + path + " (cannot replace it)");
  }
}

}  // namespace

std::vector<std::pair<std::string, std::string>> splitLines(const std::string& bytes) {
  std::vector<std::pair<std::string, std::string>> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const auto nl = bytes.find('\n', start);
    if (nl == std::string::npos) {
      lines.emplace_back(bytes.substr(start), "");
      break;
    }
    const bool cr = nl > start && bytes[nl - 1] == '\r';
    lines.emplace_back(bytes.substr(start, nl - start - (cr ? 1 : 0)), cr ? "\r\n" : "\n");
    start = nl + 1;
  }
  return lines;
}

IniFile::IniFile(std::string path) : path_(std::move(path)) { reload(); }

bool IniFile::exists() const {
  struct stat st;
  return ::stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void IniFile::reload() {
  std::string bytes;
  if (!readAll(path_, bytes)) bytes.clear();
  parse(bytes);
}

void IniFile::parse(const std::string& bytes) {
  entries_.clear();
  std::string_view section;
  bool inSection = false;
  const std::string_view texto(bytes);
  // the lines as splitLines cuts them, read in place
  for (std::size_t start = 0; start < texto.size();) {
    const std::size_t nl = texto.find('\n', start);
    const std::size_t end = nl == std::string_view::npos ? texto.size() : nl;
    std::string_view line = texto.substr(start, end - start);
    if (nl != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = nl == std::string_view::npos ? texto.size() : nl + 1;
    std::string_view name, key, value;
    if (sectionName(line, name)) {
      section = name;
      inSection = true;
    } else if (inSection && keyLine(line, key, value)) {
      entries_.push_back({std::string(section), std::string(key), std::string(value)});
    }
  }
}

const IniFile::Entry* IniFile::find(std::string_view section, std::string_view key) const {
  for (const auto& e : entries_)
    if (text::equalsIgnoreCase(e.section, section) && text::equalsIgnoreCase(e.key, key)) return &e;
  return nullptr;
}

bool IniFile::hasKey(std::string_view section, std::string_view key) const { return find(section, key) != nullptr; }

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view fallback) const {
  const Entry* e = find(section, key);
  return e ? e->value : std::string(fallback);
}

std::int32_t IniFile::readInteger(std::string_view section, std::string_view key, std::int32_t fallback) const {
  const Entry* e = find(section, key);
  return e ? text::strToIntDef(e->value, fallback) : fallback;
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value) {
  writeString(section, key, std::to_string(value));
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
  const std::pair<std::string_view, std::string_view> um[] = {{key, value}};
  writeStrings(section, um);
}

namespace {

// Sets one key in the lines of a file (see writeString).
void setKey(std::vector<std::pair<std::string, std::string>>& lines, const std::string& eol, std::string_view section,
            std::string_view key, std::string_view value) {
  // locate the section and, inside it, the key and the last non-blank line
  std::ptrdiff_t sectionLine = -1, keyAt = -1, lastInSection = -1;
  bool inside = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view name, k, v;
    if (sectionName(lines[i].first, name)) {
      if (inside) break;
      inside = text::equalsIgnoreCase(name, section) && sectionLine < 0;
      if (inside) sectionLine = lastInSection = static_cast<std::ptrdiff_t>(i);
      continue;
    }
    if (!inside) continue;
    if (!text::trimView(lines[i].first).empty()) lastInSection = static_cast<std::ptrdiff_t>(i);
    if (keyLine(lines[i].first, k, v) && text::equalsIgnoreCase(k, key)) {
      keyAt = static_cast<std::ptrdiff_t>(i);
      break;
    }
  }

  std::string newLine = std::string(key) + "=" + std::string(value);
  if (keyAt >= 0) {
    auto& line = lines[static_cast<std::size_t>(keyAt)].first;
    line = line.substr(0, line.find('=') + 1) + std::string(value);
  } else if (sectionLine >= 0) {
    auto& after = lines[static_cast<std::size_t>(lastInSection)];
    if (after.second.empty()) after.second = eol;
    lines.insert(lines.begin() + lastInSection + 1, {std::move(newLine), eol});
  } else {
    if (!lines.empty() && lines.back().second.empty()) lines.back().second = eol;
    std::string header = "[";
    header.append(section).append("]");
    lines.push_back({std::move(header), eol});
    lines.push_back({std::move(newLine), eol});
  }
}

}  // namespace

void IniFile::writeStrings(std::string_view section,
                           std::span<const std::pair<std::string_view, std::string_view>> values) {
  std::string bytes;
  if (!readAll(path_, bytes)) bytes.clear();
  auto lines = splitLines(bytes);
  const std::string eol = bytes.find("\r\n") != std::string::npos || bytes.find('\n') == std::string::npos ? "\r\n" : "\n";
  for (const auto& [key, value] : values) setKey(lines, eol, section, key, value);

  std::string out;
  out.reserve(bytes.size() + 64 * values.size() + 16);
  for (const auto& [line, terminator] : lines) out.append(line).append(terminator);
  writeWhole(path_, out);
  parse(out);
}

void IniFile::writeIntegers(std::string_view section, std::span<const std::pair<std::string_view, std::int32_t>> values) {
  std::vector<std::string> textos;
  textos.reserve(values.size());
  std::vector<std::pair<std::string_view, std::string_view>> pares;
  pares.reserve(values.size());
  for (const auto& [key, value] : values) textos.push_back(std::to_string(value));
  for (std::size_t i = 0; i < values.size(); ++i) pares.emplace_back(values[i].first, textos[i]);
  writeStrings(section, pares);
}

void IniFile::setBeforeRenameHook(std::function<void(const std::string&)> hook) { beforeRenameHook() = std::move(hook); }

}  // namespace kvt::ini
