// CIM_Processor: one object per processor package, from /proc/cpuinfo.

#include <sys/utsname.h>

#include <map>

#include "platform/sysinfo/classes.h"
#include "platform/text/trim.h"

namespace kvt::sysinfo {

std::vector<CpuBlock> parseCpuInfo(std::string_view text) {
  std::vector<CpuBlock> blocks;
  CpuBlock current;
  std::size_t i = 0;
  while (i <= text.size()) {
    auto end = text.find('\n', i);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(i, end - i);
    i = end + 1;
    const auto colon = line.find(':');
    if (text::trim(line).empty()) {
      if (!current.empty()) blocks.push_back(std::move(current));
      current.clear();
    } else if (colon != std::string_view::npos) {
      current.emplace_back(text::trim(line.substr(0, colon)), text::trim(line.substr(colon + 1)));
    }
    if (end == text.size()) break;
  }
  if (!current.empty()) blocks.push_back(std::move(current));
  return blocks;
}

namespace {

std::string valueOf(const CpuBlock& b, std::string_view key) {
  for (const auto& [k, v] : b)
    if (k == key) return v;
  return {};
}

struct Package {
  std::string manufacturer, name, cores;
  int logical = 0;
};

}  // namespace

std::vector<Object> processors(const Sources& s) {
  const auto text = readText(s.path("proc/cpuinfo"));
  if (!text) throw QueryError("cannot read proc/cpuinfo");
  std::map<int, Package> packages;  // by physical id
  for (const CpuBlock& b : parseCpuInfo(*text)) {
    if (valueOf(b, "processor").empty()) continue;  // blocks that describe no processor
    const std::string physical = valueOf(b, "physical id");
    int id = 0;
    try {
      id = physical.empty() ? 0 : std::stoi(physical);
    } catch (const std::exception&) {
      id = 0;
    }
    Package& p = packages[id];
    if (p.name.empty()) p.name = valueOf(b, "model name");
    if (p.name.empty()) p.name = valueOf(b, "Processor");
    if (p.manufacturer.empty()) p.manufacturer = valueOf(b, "vendor_id");
    if (p.cores.empty()) p.cores = valueOf(b, "cpu cores");
    ++p.logical;
  }
  std::vector<Object> out;
  for (auto& [id, p] : packages) {
    if (p.name.empty()) {
      struct utsname u {};
      if (::uname(&u) == 0) p.name = u.machine;
    }
    out.push_back(Object{{"DeviceID", "CPU" + std::to_string(id)},
                         {"Manufacturer", p.manufacturer},
                         {"Name", p.name},
                         {"NumberOfCores", p.cores.empty() ? std::to_string(p.logical) : p.cores},
                         {"NumberOfLogicalProcessors", std::to_string(p.logical)}});
  }
  return out;
}

}  // namespace kvt::sysinfo
