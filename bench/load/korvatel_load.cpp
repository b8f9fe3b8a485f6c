// End-to-end load of the real korvatel program with its production timers:
// a feeder inserts position Posts at a fixed rate, ten clients read, and each
// run reports the events per second that reached every client, the latency
// from insert to arrival, the server's processor time and peak memory.
//
//   korvatel-load                          the standard table of runs
//   korvatel-load --run 'raised:rate=5000,Eventos_Por_Leitura=20000' [--run ...]
//   options: --seconds S (20)  --warmup S (8)  --drain S (20)  --clients N (10)
//            --korvatel PATH (beside this program)  --keep (leave the folders)
//            --perf FILE (sample the server with perf record over the window)
//
// A run's settings are KORVATEL.INI keys of section KORVATEL, or SECTION.Key.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/load/load_run.h"

using namespace kvt::load;

namespace {

// "label:rate=R,Key=Value,..."
LoadSettings parseRun(const std::string& descricao) {
  LoadSettings s;
  std::string resto = descricao;
  if (const auto dois = resto.find(':'); dois != std::string::npos) {
    s.label = resto.substr(0, dois);
    resto = resto.substr(dois + 1);
  }
  while (!resto.empty()) {
    const auto virgula = resto.find(',');
    const std::string par = resto.substr(0, virgula);
    resto = virgula == std::string::npos ? "" : resto.substr(virgula + 1);
    const auto igual = par.find('=');
    if (igual == std::string::npos) throw std::invalid_argument("expected Key=Value, not " + par);
    const std::string chave = par.substr(0, igual), valor = par.substr(igual + 1);
    if (chave == "rate")
      s.rate = std::stoi(valor);
    else
      s.ini.emplace_back(chave, valor);
  }
  if (s.label.empty()) s.label = descricao;
  return s;
}

// Default settings below and above what one pass every three seconds drains
// (100 rows / 3 s); the rows per pass raised alone to at least three seconds
// of events, alone and with the timed flush at 1 s; then the settings of a
// large central (README), also with room to spare.
std::vector<LoadSettings> standardTable() {
  const std::string grande = ",Tamanho_Buffer=1000000,Tamanho_Buffer_Min=1000000,TIMER_BUFFER=1";
  return {
      parseRun("default:rate=25"),
      parseRun("default:rate=100"),
      parseRun("rows raised:rate=1000,Eventos_Por_Leitura=6000"),
      parseRun("rows raised:rate=5000,Eventos_Por_Leitura=30000"),
      parseRun("rows and timer:rate=5000,Eventos_Por_Leitura=30000,TIMER_BUFFER=1"),
      parseRun("large central:rate=1000,Eventos_Por_Leitura=30000" + grande),
      parseRun("large central:rate=5000,Eventos_Por_Leitura=30000" + grande),
      parseRun("large central:rate=8000,Eventos_Por_Leitura=30000" + grande),
      parseRun("large central:rate=15000,Eventos_Por_Leitura=60000" + grande),
  };
}

std::string settingsText(const LoadSettings& s) {
  std::string t;
  for (const auto& [k, v] : s.ini) t += (t.empty() ? "" : " ") + k + "=" + v;
  return t.empty() ? "defaults" : t;
}

std::string ms(double v) {
  if (v < 0) return "not arrived";
  char b[32];
  std::snprintf(b, sizeof b, "%.0f", v);
  return b;
}

int usage() {
  std::fprintf(stderr,
               "usage: korvatel-load [--run 'label:rate=R,Key=Value,...']... [--seconds S] [--warmup S] "
               "[--drain S] [--clients N] [--korvatel PATH] [--keep] [--perf FILE]\n");
  return 64;
}

}  // namespace

int main(int argc, char** argv) {
  LoadOptions options;
  std::vector<LoadSettings> runs;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string a = argv[i];
      auto valor = [&]() -> std::string {
        if (i + 1 >= argc) throw std::invalid_argument(a + " needs a value");
        return argv[++i];
      };
      if (a == "--run")
        runs.push_back(parseRun(valor()));
      else if (a == "--seconds")
        options.seconds = std::stod(valor());
      else if (a == "--warmup")
        options.warmupSeconds = std::stod(valor());
      else if (a == "--drain")
        options.drainSeconds = std::stod(valor());
      else if (a == "--clients")
        options.clients = std::stoi(valor());
      else if (a == "--korvatel")
        options.korvatel = valor();
      else if (a == "--keep")
        options.keepFolder = true;
      else if (a == "--perf")
        options.perfData = valor();
      else
        return usage();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return usage();
  }
  if (options.korvatel.empty())
    options.korvatel = (std::filesystem::canonical("/proc/self/exe").parent_path() / "korvatel").string();
  if (runs.empty()) runs = standardTable();

  std::printf("%d clients, %.0f s measured after %.0f s of warm-up; %ld processors\n\n", options.clients,
              options.seconds, options.warmupSeconds, ::sysconf(_SC_NPROCESSORS_ONLN));
  std::printf("| run | settings | inserted ev/s | delivered ev/s (slowest client) | to every client | p50 ms | p99 ms | "
              "max ms | flushes/s | server CPU (cores) | peak RSS MiB | load avg |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
  std::fflush(stdout);
  int falhas = 0;
  for (const LoadSettings& s : runs) {
    try {
      const LoadResult r = runLoad(s, options);
      std::printf("| %s | %s | %.0f | %.0f | %.1f%% | %s | %s | %s | %.1f | %.3f | %.0f | %.2f-%.2f |\n",
                  s.label.c_str(), settingsText(s).c_str(), r.insertedPerSecond, r.deliveredPerSecond,
                  100.0 * r.completeFraction, ms(r.p50Ms).c_str(), ms(r.p99Ms).c_str(), ms(r.maxMs).c_str(),
                  r.flushesPerSecond, r.serverCores, static_cast<double>(r.peakRssKib) / 1024.0, r.loadBefore, r.loadAfter);
      if (!r.folder.empty()) std::printf("  (kept in %s)\n", r.folder.c_str());
    } catch (const std::exception& e) {
      std::printf("| %s | %s | failed: %s |\n", s.label.c_str(), settingsText(s).c_str(), e.what());
      ++falhas;
    }
    std::fflush(stdout);
  }
  return falhas == 0 ? 0 : 1;
}
