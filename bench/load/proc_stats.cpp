#include "bench/load/proc_stats.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace kvt::load {

std::int64_t cpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The command name is in parentheses and may hold blanks: count from after it.
  const std::size_t fim = text.rfind(')');
  if (fim == std::string::npos) return -1;
  std::istringstream campos(text.substr(fim + 2));
  std::string campo;
  // Fields 3 (state) to 13 precede utime (14) and stime (15).
  for (int i = 3; i <= 13; ++i) campos >> campo;
  std::int64_t utime = 0, stime = 0;
  if (!(campos >> utime >> stime)) return -1;
  return utime + stime;
}

long ticksPerSecond() { return ::sysconf(_SC_CLK_TCK); }

long peakRssKib(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string linha;
  while (std::getline(in, linha))
    if (linha.rfind("VmHWM:", 0) == 0) return std::stol(linha.substr(6));
  return -1;
}

double loadAverage() {
  std::ifstream in("/proc/loadavg");
  double um = -1;
  in >> um;
  return um;
}

}  // namespace kvt::load
