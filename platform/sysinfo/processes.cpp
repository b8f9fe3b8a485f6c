// Win32_PerfFormattedData_PerfProc_Process: one object per running process,
// from /proc/<pid>/stat. The processor percentage is the process's processor
// time over its lifetime, so one reading needs no second sample.

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

#include "platform/sysinfo/classes.h"

namespace kvt::sysinfo {

std::optional<ProcessStat> parseProcessStat(std::string_view text) {
  // "pid (name) state ppid ...": the name may hold blanks and parentheses,
  // so it ends at the last ')'.
  const auto open = text.find('(');
  const auto close = text.rfind(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
  ProcessStat st;
  st.name = std::string(text.substr(open + 1, close - open - 1));
  // fields from the state on, numbered as proc(5) numbers them (state is 3)
  std::vector<std::string_view> fields;
  std::size_t i = close + 1;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\n')) ++i;
    std::size_t j = i;
    while (j < text.size() && text[j] != ' ' && text[j] != '\n') ++j;
    if (j > i) fields.push_back(text.substr(i, j - i));
    i = j;
  }
  auto field = [&](std::size_t number, std::uint64_t& out) {
    const std::size_t k = number - 3;
    if (k >= fields.size()) return false;
    const auto f = fields[k];
    const auto r = std::from_chars(f.data(), f.data() + f.size(), out);
    return r.ec == std::errc() && r.ptr == f.data() + f.size();
  };
  if (!field(14, st.utime) || !field(15, st.stime) || !field(22, st.starttime) || !field(24, st.rss))
    return std::nullopt;
  return st;
}

std::vector<Object> processes(const Sources& s) {
  const auto uptimeText = readText(s.path("proc/uptime"));
  if (!uptimeText) throw QueryError("cannot read proc/uptime");
  double uptime = 0;
  std::from_chars(uptimeText->data(), uptimeText->data() + uptimeText->size(), uptime);
  const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  const double hz = ticksPerSecond > 0 ? static_cast<double>(ticksPerSecond) : 100.0;

  std::vector<std::pair<long, Object>> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(s.path("proc"), ec)) {
    const std::string pid = entry.path().filename().string();
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    // a process may end between the listing and the reading
    const auto text = readText(entry.path().string() + "/stat");
    if (!text) continue;
    const auto st = parseProcessStat(*text);
    if (!st) continue;
    const double lifetime = uptime - static_cast<double>(st->starttime) / hz;
    const double cpu = static_cast<double>(st->utime + st->stime) / hz;
    const auto percent = lifetime > 0 ? static_cast<std::uint64_t>(std::llround(100.0 * cpu / lifetime)) : 0;
    const std::uint64_t workingSet = st->rss * static_cast<std::uint64_t>(pageSize > 0 ? pageSize : 4096);
    found.emplace_back(std::stol(pid), Object{{"IDProcess", pid},
                                              {"Name", st->name},
                                              {"PercentProcessorTime", std::to_string(percent)},
                                              {"WorkingSet", std::to_string(workingSet)}});
  }
  if (ec) throw QueryError("cannot list proc: " + ec.message());
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Object> out;
  for (auto& [pid, o] : found) out.push_back(std::move(o));
  return out;
}

}  // namespace kvt::sysinfo
