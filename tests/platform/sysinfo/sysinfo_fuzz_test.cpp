// Random and mutated texts through every reader of the machine's facts and
// through the query reader: nothing crashes, every failure is a QueryError.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/sysinfo/classes.h"
#include "platform/sysinfo/wql.h"

using namespace kvt::sysinfo;

namespace {

struct Mutador {
  std::mt19937 rng{20261211};
  int ate(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

  std::string muta(std::string s) {
    static const char kBytes[] = " \t\n:()='\"\\<>!*,-.0123456789abcXYZ\x01\xff\xe9";
    const int n = 1 + ate(6);
    for (int i = 0; i < n; ++i) {
      const int op = ate(4);
      const auto pos = static_cast<std::size_t>(ate(static_cast<int>(s.size()) + 1));
      const char c = kBytes[ate(static_cast<int>(sizeof kBytes) - 1)];
      if (op == 0) s.insert(pos, 1, c);
      else if (op == 1 && pos < s.size()) s.erase(pos, 1 + static_cast<std::size_t>(ate(8)));
      else if (op == 2 && pos < s.size()) s[pos] = c;
      else s = s.substr(0, pos);
    }
    return s;
  }
};

}  // namespace

TEST(SysinfoFuzz, ReadersNeverCrash) {
  Mutador m;
  const std::string sementes[] = {
      "1 (init) S 0 1 1 0 -1 4194560 1 2 3 4 300 200 0 0 20 0 1 0 1000 1000 256\n",
      "MemTotal:       16384000 kB\nMemAvailable:    8192000 kB\n",
      "/dev/sda1 /a\\040b ext4 rw 0 0\nserver:/x /y nfs rw 0 0\n",
      "processor\t: 0\nmodel name\t: X\nphysical id\t: 0\n\nprocessor\t: 1\n",
      "NAME=\"Debian\"\nPRETTY_NAME=\"Debian \\\"12\\\"\"\n",
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string t = m.muta(sementes[static_cast<std::size_t>(m.ate(5))]);
    if (const auto st = parseProcessStat(t)) {
      EXPECT_LE(st->name.size(), t.size());
    }
    (void)meminfoKb(t, "MemTotal");
    for (const Mount& mt : parseMounts(t)) EXPECT_FALSE(mt.type.empty());
    for (const CpuBlock& b : parseCpuInfo(t)) EXPECT_FALSE(b.empty());
    (void)osReleaseValue(t, "PRETTY_NAME");
  }
}

TEST(SysinfoFuzz, FirmwareTableReaderNeverReadsPastItsText) {
  std::mt19937 rng(17);
  auto ate = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  // a memory device with strings, an end marker, then mutations of it
  std::string semente(0x22, '\0');
  semente[0] = 17;
  semente[1] = 0x22;
  semente[0x0C] = 0x00;
  semente[0x0D] = 0x20;
  semente[0x10] = 1;
  semente[0x11] = 2;
  semente += std::string("DIMM\0BANK\0\0", 11);
  semente += std::string("\x7f\x04\x00\x00\x00\x00", 6);
  for (int i = 0; i < 20000; ++i) {
    std::string t = semente + semente.substr(0, static_cast<std::size_t>(ate(static_cast<int>(semente.size()))));
    const int n = 1 + ate(8);
    for (int k = 0; k < n; ++k) {
      const auto pos = static_cast<std::size_t>(ate(static_cast<int>(t.size())));
      if (ate(3) == 0) t.erase(pos, 1 + static_cast<std::size_t>(ate(6)));
      else t[pos] = static_cast<char>(ate(256));
    }
    for (const MemoryDevice& d : parseSmbiosMemory(t)) {
      EXPECT_LE(d.bankLabel.size(), t.size());
      EXPECT_LE(d.deviceLocator.size(), t.size());
    }
  }
}

TEST(SysinfoFuzz, QueryReaderEitherReadsOrRefuses) {
  Mutador m;
  const std::string sementes[] = {
      "select name,percentprocessortime,workingset from Win32_PerfFormattedData_PerfProc_Process",
      "select tag,capacity,positioninrow  from CIM_PhysicalMemory where memorytype<>11",
      "select * from CIM_OperatingSystem where caption = 'x y'",
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string t = m.muta(sementes[static_cast<std::size_t>(m.ate(3))]);
    try {
      const WqlQuery q = parseWql(t);
      EXPECT_FALSE(q.className.empty());
      EXPECT_TRUE(q.all || !q.properties.empty());
      if (q.where) (void)satisfies(Object{{"Caption", "x"}, {"MemoryType", "3"}}, *q.where);
    } catch (const QueryError&) {
    }
  }
}
