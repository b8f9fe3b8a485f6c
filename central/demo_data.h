#pragma once

// The demo contents of the embedded central: the SQL of central/demo (tracker
// models, token catalogue, modules, diagnostics, reference points, messages,
// catalogues), the Brazilian places of central/demo/br-places.csv, and what is
// generated here: operators with their password digests and a few hundred
// vehicles spread over the country.

#include <string>
#include <vector>

namespace kvt::central {

class SqliteFile;

struct DemoOperator {
  std::string login;  // stored upper-case
  std::string nome;
  std::string senha;  // clear text; the digest of its upper-case form is stored
  int status;         // 1 = active
  int habKvt;         // 1 = may use KORVATEL
};

// The demo's operators, passwords included, so that tools and tests can log in.
const std::vector<DemoOperator>& demoOperators();

// Number of vehicles the demo generates.
inline constexpr int kDemoVehicles = 300;
// IdTerminal of the first demo vehicle; the others follow it.
inline constexpr int kFirstDemoTerminal = 0x1000;

void loadDemo(SqliteFile& zenthora, SqliteFile& base, SqliteFile& sse);

}  // namespace kvt::central
