#pragma once

// The demo's places (Brazilian cities from GeoNames) for tests and benchmarks:
// central/demo/br-places.csv, or the shared copy beside the project until the
// demo holds one. Names are converted to Windows-1252.

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/cp1252.h"
#include "server/common/kd_tree.h"

namespace kvt::test {

inline std::filesystem::path brPlacesFile() {
  const char* env = std::getenv("KVT_SOURCE_DIR");
  const std::filesystem::path source =
      env ? std::filesystem::path(env)
          : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().parent_path();
  for (const auto& candidate : {source / "central/demo/br-places.csv", source / "../shared/data/br-places.csv"})
    if (std::filesystem::exists(candidate)) return candidate;
  return {};
}

// The cities in the file's order (empty when the file is missing).
inline std::vector<common::Ponto> brPlaces() {
  std::vector<common::Ponto> places;
  std::ifstream in(brPlacesFile());
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string_view> cols;
    std::string_view rest(line);
    for (auto comma = rest.find(','); comma != std::string_view::npos; comma = rest.find(',')) {
      cols.push_back(rest.substr(0, comma));
      rest.remove_prefix(comma + 1);
    }
    cols.push_back(rest);
    if (cols.size() != 4) continue;
    double lat = 0, lon = 0;
    std::from_chars(cols[2].data(), cols[2].data() + cols[2].size(), lat);
    std::from_chars(cols[3].data(), cols[3].data() + cols[3].size(), lon);
    places.emplace_back(text::utf8ToCp1252(cols[1]), std::string(cols[0]), lat, lon);
  }
  return places;
}

}  // namespace kvt::test
