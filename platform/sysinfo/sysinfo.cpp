#include "platform/sysinfo/sysinfo.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "platform/sysinfo/classes.h"
#include "platform/sysinfo/wql.h"
#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"

namespace kvt::sysinfo {

std::string Sources::path(const std::string& relative) const {
  if (root.empty() || root == "/") return "/" + relative;
  return root.back() == '/' ? root + relative : root + "/" + relative;
}

std::optional<std::string> readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return s.str();
}

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t i = 0;
  while (i < text.size()) {
    auto end = text.find('\n', i);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(i, end - i));
    i = end + 1;
  }
  return lines;
}

std::string computerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

bool isThisMachine(const std::string& machine) {
  const std::string m = text::upperAscii(machine);
  return m.empty() || m == "." || m == "LOCALHOST" || m == "127.0.0.1" || m == "::1" ||
         m == text::upperAscii(computerName()) || m == text::upperAscii(computerName().substr(0, 15));
}

namespace {

using Reader = std::function<std::vector<Object>(const Sources&)>;

const Reader* readerOf(const std::string& className) {
  static const std::vector<std::pair<std::string, Reader>> classes = {
      {"WIN32_PERFFORMATTEDDATA_PERFPROC_PROCESS", processes},
      {"CIM_PHYSICALMEMORY", physicalMemory},
      {"WIN32_PHYSICALMEMORY", physicalMemory},
      {"WIN32_LOGICALDISK", logicalDisks},
      {"CIM_PROCESSOR", processors},
      {"WIN32_PROCESSOR", processors},
      {"CIM_OPERATINGSYSTEM", operatingSystem},
      {"WIN32_OPERATINGSYSTEM", operatingSystem},
  };
  const std::string upper = text::upperAscii(className);
  for (const auto& [name, reader] : classes)
    if (name == upper) return &reader;
  return nullptr;
}

bool isCimV2(const std::string& ns) {
  std::string n = text::upperAscii(ns);
  for (char& c : n)
    if (c == '/') c = '\\';
  return n == "ROOT\\CIMV2";
}

// Only the selected properties, in the class's order; a name the class does
// not have makes the query invalid.
Object project(const Object& object, const std::vector<std::string>& selected) {
  std::vector<std::string> upper;
  for (const std::string& s : selected) {
    upper.push_back(text::upperAscii(s));
    bool known = false;
    for (const Property& p : object) known = known || text::upperAscii(p.name) == upper.back();
    if (!known) throw QueryError("Invalid query: no property " + s);
  }
  Object out;
  for (const Property& p : object) {
    const std::string name = text::upperAscii(p.name);
    for (const std::string& u : upper)
      if (u == name) {
        out.push_back(p);
        break;
      }
  }
  return out;
}

// The system's texts are UTF-8 and may hold control bytes (a process may name
// itself with any bytes); ours are Windows-1252 and never hold them.
void toOurText(Object& object) {
  for (Property& p : object) {
    p.value = text::utf8ToCp1252(p.value);
    for (char& c : p.value)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
}

}  // namespace

std::vector<Object> query(const std::string& machine, const std::string& wmiNamespace, const std::string& wql,
                          const Sources& sources) {
  if (!isThisMachine(machine)) throw QueryError("The RPC server is unavailable: " + machine);
  if (!isCimV2(wmiNamespace)) throw QueryError("Invalid namespace: " + wmiNamespace);
  const WqlQuery q = parseWql(wql);
  const Reader* reader = readerOf(q.className);
  if (!reader) throw QueryError("Invalid class: " + q.className);
  std::vector<Object> out;
  for (const Object& o : (*reader)(sources)) {
    if (q.where && !satisfies(o, *q.where)) continue;
    out.push_back(q.all ? o : project(o, q.properties));
    toOurText(out.back());
  }
  return out;
}

}  // namespace kvt::sysinfo
