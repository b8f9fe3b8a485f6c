// CIM_PhysicalMemory: the memory banks, from the firmware's SMBIOS table
// (memory devices, type 17) when the system lets us read it (usually the
// administrator only); otherwise one bank that holds the physical memory the
// system sees.

#include <charconv>

#include "platform/sysinfo/classes.h"

namespace kvt::sysinfo {

std::optional<std::uint64_t> meminfoKb(std::string_view text, std::string_view key) {
  for (const std::string_view line : splitLines(text)) {
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

namespace {

std::uint32_t bytesAt(std::string_view s, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int k = n - 1; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(k)]);
  return v;
}

// The memory types of the management service, from those of the firmware
// table; the types the service does not know (DDR and later) read 0.
int serviceMemoryType(int smbios) {
  switch (smbios) {
    case 0x01: return 1;   // other
    case 0x03: return 2;   // DRAM
    case 0x04: return 6;   // EDRAM
    case 0x05: return 7;   // VRAM
    case 0x06: return 8;   // SRAM
    case 0x07: return 9;   // RAM
    case 0x08: return 10;  // ROM
    case 0x09: return 11;  // flash
    case 0x0A: return 12;  // EEPROM
    default: return 0;
  }
}

}  // namespace

std::vector<MemoryDevice> parseSmbiosMemory(std::string_view table) {
  std::vector<MemoryDevice> out;
  std::size_t at = 0;
  while (at + 4 <= table.size()) {
    const auto type = static_cast<unsigned char>(table[at]);
    const std::size_t length = static_cast<unsigned char>(table[at + 1]);
    if (length < 4 || at + length > table.size()) break;
    // the strings follow the formatted area and end with two zero bytes
    std::vector<std::string_view> strings;
    const std::size_t first = at + length;
    const auto end = table.find(std::string_view("\0\0", 2), first);
    if (end == std::string_view::npos) break;
    for (std::string_view area = table.substr(first, end - first); !area.empty();) {
      const auto z = area.find('\0');
      strings.push_back(area.substr(0, z));
      area = z == std::string_view::npos ? std::string_view() : area.substr(z + 1);
    }
    auto stringAt = [&](std::size_t offset) -> std::string {
      if (offset >= length) return {};
      const std::size_t index = static_cast<unsigned char>(table[at + offset]);
      return index >= 1 && index <= strings.size() ? std::string(strings[index - 1]) : std::string();
    };
    if (type == 127) break;  // end of table
    if (type == 17 && length >= 0x15) {
      const std::uint32_t size = bytesAt(table, at + 0x0C, 2);
      std::uint64_t bytes = 0;
      if (size == 0x7FFF && length >= 0x20) bytes = static_cast<std::uint64_t>(bytesAt(table, at + 0x1C, 4) & 0x7FFFFFFF) << 20;
      else if (size != 0xFFFF && size != 0x7FFF) bytes = (size & 0x8000) ? std::uint64_t{size & 0x7FFFu} << 10 : std::uint64_t{size} << 20;
      if (size != 0) {  // 0: no device in this socket
        out.push_back({stringAt(0x11), bytes, stringAt(0x10),
                       serviceMemoryType(static_cast<unsigned char>(table[at + 0x12]))});
      }
    }
    at = end + 2;
  }
  return out;
}

std::vector<Object> physicalMemory(const Sources& s) {
  std::vector<Object> out;
  if (const auto table = readText(s.path("sys/firmware/dmi/tables/DMI"))) {
    for (const MemoryDevice& d : parseSmbiosMemory(*table)) {
      out.push_back(Object{{"BankLabel", d.bankLabel},
                           {"Capacity", std::to_string(d.capacity)},
                           {"DeviceLocator", d.deviceLocator},
                           {"MemoryType", std::to_string(d.memoryType)},
                           {"PositionInRow", ""},
                           {"Tag", "Physical Memory " + std::to_string(out.size())}});
    }
    if (!out.empty()) return out;
  }
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
