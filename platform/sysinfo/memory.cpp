// CIM_PhysicalMemory: the memory banks. Without the firmware tables (readable
// by the administrator only) the machine answers one bank that holds the
// physical memory the system sees.

#include <charconv>

#include "platform/sysinfo/classes.h"

namespace kvt::sysinfo {

std::optional<std::uint64_t> meminfoKb(std::string_view text, std::string_view key) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto end = text.find('\n', i);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(i, end - i);
    i = end + 1;
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || line.substr(0, colon) != key) continue;
    std::size_t p = colon + 1;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    std::uint64_t v = 0;
    const auto r = std::from_chars(line.data() + p, line.data() + line.size(), v);
    if (r.ec != std::errc() || r.ptr == line.data() + p) return std::nullopt;
    return v;
  }
  return std::nullopt;
}

std::vector<Object> physicalMemory(const Sources& s) {
  const auto text = readText(s.path("proc/meminfo"));
  if (!text) throw QueryError("cannot read proc/meminfo");
  const auto total = meminfoKb(*text, "MemTotal");
  if (!total) throw QueryError("proc/meminfo holds no MemTotal");
  return {Object{{"BankLabel", "BANK 0"},
                 {"Capacity", std::to_string(*total * 1024)},
                 {"DeviceLocator", "DIMM 0"},
                 {"MemoryType", "0"},
                 {"PositionInRow", "1"},
                 {"Tag", "Physical Memory 0"}}};
}

}  // namespace kvt::sysinfo
