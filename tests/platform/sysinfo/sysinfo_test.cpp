#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sysinfo/classes.h"
#include "platform/sysinfo/sysinfo.h"
#include "platform/sysinfo/wql.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::sysinfo;
using kvt::test::TempDir;
using kvt::test::writeFile;

namespace {

std::vector<std::string> nomes(const Object& o) {
  std::vector<std::string> out;
  for (const Property& p : o) out.push_back(p.name);
  return out;
}

std::string valor(const Object& o, const std::string& nome) {
  for (const Property& p : o)
    if (p.name == nome) return p.value;
  ADD_FAILURE() << "no property " << nome;
  return {};
}

// A machine of its own: proc/ and etc/ texts in a temporary folder.
struct MaquinaFicticia : ::testing::Test {
  TempDir dir;
  Sources fontes;

  void SetUp() override {
    fontes.root = dir.path().string();
    std::filesystem::create_directories(dir.path() / "proc" / "1");
    std::filesystem::create_directories(dir.path() / "proc" / "42");
    std::filesystem::create_directories(dir.path() / "proc" / "43");
    std::filesystem::create_directories(dir.path() / "proc" / "self");
    std::filesystem::create_directories(dir.path() / "etc");
    std::filesystem::create_directories(dir.path() / "disco um");
    std::filesystem::create_directories(dir.path() / "rede");
    escreve("proc/uptime", "1000.00 3000.00\n");
    // pid 1 used 500 ticks in 990 s of life; pid 42 "(a b) c" holds blanks and a parenthesis
    escreve("proc/1/stat", "1 (init) S 0 1 1 0 -1 4194560 1 2 3 4 300 200 0 0 20 0 1 0 1000 1000 256\n");
    escreve("proc/42/stat", "42 ((a b) c) R 1 42 42 0 -1 0 0 0 0 0 5000 5000 0 0 20 0 1 0 90000 1 512 x\n");
    escreve("proc/43/stat", "43 (ação\x01\n) S 1 1 1 0 -1 0 0 0 0 0 1 1 0 0 20 0 1 0 100 1 1\n");
    escreve("proc/self/stat", "not a process\n");
    escreve("proc/meminfo", "MemTotal:       16384000 kB\nMemFree:  100 kB\nMemAvailable:    8192000 kB\n");
    escreve("proc/mounts",
            "proc /proc proc rw 0 0\n"
            "/dev/sda1 " + comEscape(dir.path() / "disco um") + " ext4 rw 0 0\n"
            "/dev/sda1 /outro/ponto ext4 rw 0 0\n"
            "tmpfs /run tmpfs rw 0 0\n"
            "servidor:/dados " + (dir.path() / "rede").string() + " nfs4 rw 0 0\n"
            "/dev/sdz9 /nao/existe ext4 rw 0 0\n");
    escreve("proc/cpuinfo",
            "processor\t: 0\nvendor_id\t: GenuineIntel\nmodel name\t: Intel(R) Xeon(R) Gold\nphysical id\t: 0\n"
            "cpu cores\t: 2\n\n"
            "processor\t: 1\nvendor_id\t: GenuineIntel\nmodel name\t: Intel(R) Xeon(R) Gold\nphysical id\t: 0\n"
            "cpu cores\t: 2\n\n"
            "processor\t: 2\nvendor_id\t: GenuineIntel\nmodel name\t: Intel(R) Xeon(R) Silver\nphysical id\t: 1\n"
            "cpu cores\t: 1\n");
    escreve("etc/os-release", "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n");
  }

  void escreve(const std::string& rel, const std::string& texto) { writeFile((dir.path() / rel).string(), texto); }

  static std::string comEscape(const std::filesystem::path& p) {
    std::string out;
    for (char c : p.string()) out += c == ' ' ? std::string("\\040") : std::string(1, c);
    return out;
  }

  std::vector<Object> consulta(const std::string& wql) { return query("", "root\\cimv2", wql, fontes); }
};

}  // namespace

TEST(Wql, ReadsTheQueriesOfTheReportAndRefusesAnythingElse) {
  const WqlQuery q = parseWql("select tag,capacity,positioninrow  from CIM_PhysicalMemory where memorytype<>11");
  EXPECT_FALSE(q.all);
  EXPECT_EQ(q.properties, (std::vector<std::string>{"tag", "capacity", "positioninrow"}));
  EXPECT_EQ(q.className, "CIM_PhysicalMemory");
  ASSERT_TRUE(q.where);
  EXPECT_EQ(q.where->property, "memorytype");
  EXPECT_EQ(q.where->op, "<>");
  EXPECT_EQ(q.where->value, "11");

  const WqlQuery todos = parseWql("SELECT * FROM CIM_OperatingSystem WHERE Caption = 'Debian 12'");
  EXPECT_TRUE(todos.all);
  EXPECT_EQ(todos.where->value, "Debian 12");

  for (const char* ruim : {"", "select", "select from X", "select a, from X", "select a X", "select * from",
                           "select * from X where", "select * from X where a", "select * from X where a = ",
                           "select * from X where a ! 1", "select * from X where a = 'aberto",
                           "select * from X y", "select * from X where a = 1 and b = 2", "delete from X",
                           "select a;b from X", "select * from X where a = 1 ;"})
    EXPECT_THROW(parseWql(ruim), QueryError) << ruim;
}

TEST(Wql, ComparesNumbersAsNumbersAndTextsWithoutCase) {
  const Object o{{"MemoryType", "9"}, {"Tag", "Physical Memory 0"}};
  struct Caso {
    const char* propriedade;
    const char* op;
    const char* valor;
    bool esperado;
  };
  const Caso casos[] = {
      {"memorytype", "<>", "11", true}, {"MEMORYTYPE", "<", "11", true},  {"MemoryType", ">", "11", false},
      {"MemoryType", "=", "9.0", true}, {"MemoryType", "!=", "9", false}, {"MemoryType", ">=", "9", true},
      {"MemoryType", "<=", "8", false}, {"tag", "=", "PHYSICAL memory 0", true}, {"Tag", "<>", "x", true},
      {"Inexistente", "<>", "11", false},
  };
  for (const Caso& c : casos)
    EXPECT_EQ(satisfies(o, {c.propriedade, c.op, c.valor}), c.esperado) << c.propriedade << c.op << c.valor;
}

TEST_F(MaquinaFicticia, ProcessesCarryTheirNameCpuShareAndWorkingSet) {
  const auto objetos = consulta("select name,percentprocessortime,workingset from Win32_PerfFormattedData_PerfProc_Process");
  ASSERT_EQ(objetos.size(), 3u);  // "self" is no process number
  EXPECT_EQ(nomes(objetos[0]), (std::vector<std::string>{"Name", "PercentProcessorTime", "WorkingSet"}));
  EXPECT_EQ(valor(objetos[0], "Name"), "init");
  const double hz = static_cast<double>(::sysconf(_SC_CLK_TCK));
  const double vida = 1000.0 - 1000.0 / hz;
  EXPECT_EQ(valor(objetos[0], "PercentProcessorTime"), std::to_string(std::llround(100.0 * (500.0 / hz) / vida)));
  EXPECT_EQ(valor(objetos[0], "WorkingSet"), std::to_string(256ull * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE))));
  EXPECT_EQ(valor(objetos[1], "Name"), "(a b) c");
  // the system's UTF-8 becomes Windows-1252, control bytes blanks
  EXPECT_EQ(valor(objetos[2], "Name"), "a\xe7\xe3o  ");
}

TEST_F(MaquinaFicticia, MemoryDisksProcessorsAndSystemFromTheirTexts) {
  const auto memoria = consulta("select tag,capacity,positioninrow  from CIM_PhysicalMemory where memorytype<>11");
  ASSERT_EQ(memoria.size(), 1u);
  // the class's order, not the query's
  EXPECT_EQ(nomes(memoria[0]), (std::vector<std::string>{"Capacity", "PositionInRow", "Tag"}));
  EXPECT_EQ(valor(memoria[0], "Capacity"), std::to_string(16384000ull * 1024));
  EXPECT_TRUE(consulta("select tag from CIM_PhysicalMemory where memorytype=0").size() == 1);
  EXPECT_TRUE(consulta("select tag from CIM_PhysicalMemory where memorytype=11").empty());

  const auto discos = consulta("select caption,description,providername, size, freespace from Win32_LogicalDisk");
  ASSERT_EQ(discos.size(), 2u);  // proc and tmpfs are no disks; a device counts once; an absent point is skipped
  EXPECT_EQ(nomes(discos[0]), (std::vector<std::string>{"Caption", "Description", "FreeSpace", "ProviderName", "Size"}));
  EXPECT_EQ(valor(discos[0], "Caption"), (dir.path() / "disco um").string());
  EXPECT_EQ(valor(discos[0], "Description"), "Disco fixo local");
  EXPECT_EQ(valor(discos[0], "ProviderName"), "");
  EXPECT_GT(std::stoull(valor(discos[0], "Size")), 0u);
  EXPECT_LE(std::stoull(valor(discos[0], "FreeSpace")), std::stoull(valor(discos[0], "Size")));
  EXPECT_EQ(valor(discos[1], "Description"), "Unidade de rede");
  EXPECT_EQ(valor(discos[1], "ProviderName"), "servidor:/dados");

  const auto cpus = consulta("select * from CIM_Processor");
  ASSERT_EQ(cpus.size(), 2u);  // one per package
  EXPECT_EQ(valor(cpus[0], "Name"), "Intel(R) Xeon(R) Gold");
  EXPECT_EQ(valor(cpus[0], "NumberOfLogicalProcessors"), "2");
  EXPECT_EQ(valor(cpus[1], "Name"), "Intel(R) Xeon(R) Silver");

  const auto sistema = consulta("select * from CIM_OperatingSystem");
  ASSERT_EQ(sistema.size(), 1u);
  EXPECT_EQ(nomes(sistema[0])[0], "Caption");
  EXPECT_EQ(nomes(sistema[0])[1], "CSDVersion");
  EXPECT_EQ(valor(sistema[0], "Caption"), "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(valor(sistema[0], "TotalVisibleMemorySize"), "16384000");
  EXPECT_EQ(valor(sistema[0], "FreePhysicalMemory"), "8192000");
}

TEST_F(MaquinaFicticia, QueriesThatCannotBeAnsweredFail) {
  EXPECT_THROW(query("OUTRA-MAQUINA", "root\\cimv2", "select * from CIM_Processor", fontes), QueryError);
  EXPECT_THROW(query("", "root\\inexistente", "select * from CIM_Processor", fontes), QueryError);
  EXPECT_THROW(consulta("select * from Win32_Service"), QueryError);
  EXPECT_THROW(consulta("select velocidade from CIM_Processor"), QueryError);
  std::filesystem::remove(dir.path() / "proc" / "meminfo");
  EXPECT_THROW(consulta("select * from CIM_PhysicalMemory"), QueryError);
  // the other classes do not need it
  EXPECT_EQ(consulta("select name from CIM_Processor").size(), 2u);
}

TEST(SysinfoLive, ThisMachineAnswersEveryClassOfTheReport) {
  const std::string eu = computerName();
  EXPECT_TRUE(isThisMachine(eu));
  EXPECT_TRUE(isThisMachine(""));
  EXPECT_TRUE(isThisMachine("LOCALHOST"));
  EXPECT_FALSE(isThisMachine(eu + "-outra"));
  EXPECT_FALSE(query(eu, "ROOT/CIMV2", "select name,workingset from Win32_PerfFormattedData_PerfProc_Process").empty());
  EXPECT_FALSE(query(eu, "root\\cimv2", "select capacity from CIM_PhysicalMemory").empty());
  EXPECT_FALSE(query(eu, "root\\cimv2", "select size from Win32_LogicalDisk").empty());
  EXPECT_FALSE(query(eu, "root\\cimv2", "select name from CIM_Processor").empty());
  const auto os = query(eu, "root\\cimv2", "select caption from CIM_OperatingSystem");
  ASSERT_EQ(os.size(), 1u);
  EXPECT_FALSE(os[0][0].value.empty());
}
