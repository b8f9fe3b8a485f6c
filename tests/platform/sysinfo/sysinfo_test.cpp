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

namespace {

// One SMBIOS structure: its header, `corpo` from offset 4 on, and its strings.
std::string estrutura(int tipo, std::string corpo, const std::vector<std::string>& textos) {
  std::string s;
  s += static_cast<char>(tipo);
  s += static_cast<char>(4 + corpo.size());
  s += std::string("\x34\x12", 2);  // handle
  s += corpo;
  for (const std::string& t : textos) s += t + std::string(1, '\0');
  if (textos.empty()) s += std::string(1, '\0');
  return s + std::string(1, '\0');
}

// A memory device (type 17, 0x22 bytes long): size word, extended size, type.
std::string dispositivo(std::uint16_t tamanho, std::uint32_t estendido, std::uint8_t tipo, bool comTextos) {
  std::string c(0x22 - 4, '\0');
  auto poe = [&](std::size_t offset, std::uint32_t v, int n) {
    for (int k = 0; k < n; ++k) c[offset - 4 + static_cast<std::size_t>(k)] = static_cast<char>((v >> (8 * k)) & 0xFF);
  };
  poe(0x0C, tamanho, 2);
  poe(0x1C, estendido, 4);
  poe(0x10, comTextos ? 1 : 0, 1);  // device locator: string 1
  poe(0x11, comTextos ? 2 : 0, 1);  // bank locator: string 2
  poe(0x12, tipo, 1);
  return estrutura(17, c, comTextos ? std::vector<std::string>{"DIMM_A1", "BANK 0"} : std::vector<std::string>{});
}

}  // namespace

TEST_F(MaquinaFicticia, MemoryBanksComeFromTheFirmwareTableWhenItCanBeRead) {
  std::filesystem::create_directories(dir.path() / "sys" / "firmware" / "dmi" / "tables");
  escreve("sys/firmware/dmi/tables/DMI",
          estrutura(16, std::string(11, '\x01'), {"sistema"}) +  // another structure, with strings
              dispositivo(0x2000, 0, 0x1A, true) +                   // 8 GiB of DDR4
              dispositivo(0, 0, 0x02, false) +                       // an empty socket
              dispositivo(0x7FFF, 0x10000, 0x09, false) +            // 64 GiB of flash, extended size
              dispositivo(0x8000 | 512, 0, 0x07, false) +            // 512 KiB of RAM
              estrutura(127, "", {}) + dispositivo(0x0001, 0, 0x07, false));  // past the end
  const auto bancos = consulta("select tag,capacity,positioninrow  from CIM_PhysicalMemory where memorytype<>11");
  ASSERT_EQ(bancos.size(), 2u);
  EXPECT_EQ(bancos[0], (Object{{"Capacity", std::to_string(8ull << 30)}, {"PositionInRow", ""}, {"Tag", "Physical Memory 0"}}));
  EXPECT_EQ(bancos[1], (Object{{"Capacity", "524288"}, {"PositionInRow", ""}, {"Tag", "Physical Memory 2"}}));
  const auto todos = consulta("select * from CIM_PhysicalMemory");
  ASSERT_EQ(todos.size(), 3u);
  EXPECT_EQ(valor(todos[0], "BankLabel"), "BANK 0");
  EXPECT_EQ(valor(todos[0], "DeviceLocator"), "DIMM_A1");
  EXPECT_EQ(valor(todos[1], "Capacity"), std::to_string(64ull << 30));
  EXPECT_EQ(valor(todos[1], "MemoryType"), "11");

  // a table without memory devices falls back to the memory the system sees
  escreve("sys/firmware/dmi/tables/DMI", estrutura(16, std::string(11, '\x01'), {}));
  EXPECT_EQ(valor(consulta("select capacity from CIM_PhysicalMemory")[0], "Capacity"), std::to_string(16384000ull * 1024));
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
