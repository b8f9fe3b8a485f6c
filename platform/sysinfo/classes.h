#pragma once

// The classes the machine answers, and the readers of the texts they are
// built from (kept apart so tests can feed them any text).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sysinfo/sysinfo.h"

namespace kvt::sysinfo {

std::vector<Object> processes(const Sources& s);
std::vector<Object> physicalMemory(const Sources& s);
std::vector<Object> logicalDisks(const Sources& s);
std::vector<Object> processors(const Sources& s);
std::vector<Object> operatingSystem(const Sources& s);

// The whole text of a file; nothing when it cannot be read.
std::optional<std::string> readText(const std::string& path);

// The lines of a text, without their '\n'; a last '\n' starts no line.
std::vector<std::string_view> splitLines(std::string_view text);

// /proc/<pid>/stat: the command name and the fields after it.
struct ProcessStat {
  std::string name;
  std::uint64_t utime = 0, stime = 0, starttime = 0, rss = 0;  // clock ticks, pages
};
std::optional<ProcessStat> parseProcessStat(std::string_view text);

// /proc/meminfo: a value in kilobytes by key ("MemTotal").
std::optional<std::uint64_t> meminfoKb(std::string_view text, std::string_view key);

// The memory devices (type 17) of a firmware SMBIOS structure table, installed
// ones only; capacity in bytes, memory type as the management service numbers it.
struct MemoryDevice {
  std::string bankLabel;
  std::uint64_t capacity = 0;
  std::string deviceLocator;
  int memoryType = 0;
};
std::vector<MemoryDevice> parseSmbiosMemory(std::string_view table);

// /proc/mounts: one entry per line, octal escapes of blanks undone.
struct Mount {
  std::string device, mountPoint, type;
};
std::vector<Mount> parseMounts(std::string_view text);

// /proc/cpuinfo: one block per logical processor, key/value pairs in order.
using CpuBlock = std::vector<std::pair<std::string, std::string>>;
std::vector<CpuBlock> parseCpuInfo(std::string_view text);

// /etc/os-release: the value of one key, quotes and escapes undone.
std::optional<std::string> osReleaseValue(std::string_view text, std::string_view key);

}  // namespace kvt::sysinfo
