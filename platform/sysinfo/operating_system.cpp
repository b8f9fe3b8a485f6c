// CIM_OperatingSystem: the distribution's name from /etc/os-release, the
// kernel from uname, the memory from /proc/meminfo.

#include <sys/utsname.h>

#include "platform/sysinfo/classes.h"

namespace kvt::sysinfo {

std::optional<std::string> osReleaseValue(std::string_view text, std::string_view key) {
  for (const std::string_view line : splitLines(text)) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos || line.substr(0, eq) != key) continue;
    std::string_view v = line.substr(eq + 1);
    while (!v.empty() && (v.back() == '\r' || v.back() == ' ')) v.remove_suffix(1);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      const char quote = v.front();
      v = v.substr(1, v.size() - 2);
      std::string out;
      for (std::size_t k = 0; k < v.size(); ++k) {
        if (quote == '"' && v[k] == '\\' && k + 1 < v.size()) ++k;
        out += v[k];
      }
      return out;
    }
    return std::string(v);
  }
  return std::nullopt;
}

std::vector<Object> operatingSystem(const Sources& s) {
  struct utsname u {};
  if (::uname(&u) != 0) throw QueryError("uname failed");
  std::string caption;
  for (const char* file : {"etc/os-release", "usr/lib/os-release"}) {
    if (const auto text = readText(s.path(file))) {
      caption = osReleaseValue(*text, "PRETTY_NAME").value_or(osReleaseValue(*text, "NAME").value_or(""));
      if (!caption.empty()) break;
    }
  }
  if (caption.empty()) caption = u.sysname;
  std::string total, free;
  if (const auto mem = readText(s.path("proc/meminfo"))) {
    if (const auto v = meminfoKb(*mem, "MemTotal")) total = std::to_string(*v);
    if (const auto v = meminfoKb(*mem, "MemAvailable")) free = std::to_string(*v);
  }
  return {Object{{"Caption", caption},
                 {"CSDVersion", std::string(u.sysname) + " " + u.release + " " + u.version},
                 {"CSName", u.nodename},
                 {"FreePhysicalMemory", free},
                 {"OSArchitecture", u.machine},
                 {"TotalVisibleMemorySize", total},
                 {"Version", u.release}}};
}

}  // namespace kvt::sysinfo
