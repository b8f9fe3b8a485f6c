#pragma once

// A console reporter that also keeps the time of every benchmark run, so a
// program can print each figure as a ratio against the baseline measured in
// the same run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace kvt::bench {

class Coletor : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration) {
        tempos[r.benchmark_name()] = r.GetAdjustedRealTime();
        temposCpu[r.benchmark_name()] = r.GetAdjustedCPUTime();
      } else if (r.aggregate_name == "median") {
        // with repetitions the median stands for the benchmark
        tempos[r.run_name.str()] = r.GetAdjustedRealTime();
        temposCpu[r.run_name.str()] = r.GetAdjustedCPUTime();
      }
    ConsoleReporter::ReportRuns(runs);
  }
  // The time of one benchmark by name; 0 when it did not run.
  double tempo(const std::string& nome) const {
    const auto t = tempos.find(nome);
    return t == tempos.end() ? 0.0 : t->second;
  }
  // The same in CPU time of the process, steadier than the real time on a
  // machine shared with other work.
  double tempoCpu(const std::string& nome) const {
    const auto t = temposCpu.find(nome);
    return t == temposCpu.end() ? 0.0 : t->second;
  }
  std::map<std::string, double> tempos;
  std::map<std::string, double> temposCpu;
};

// Prints the time of medido as a ratio against that of base, both measured in
// this run; nothing when either did not run.
inline void imprimeRazao(const Coletor& coletor, const char* medido, const char* base, const char* texto) {
  const double m = coletor.tempo(medido), b = coletor.tempo(base);
  if (m > 0 && b > 0) std::printf("%s: %.2f x the time of %s (%s)\n", medido, m / b, base, texto);
}

// Both ratios of medido against base, in real time and in CPU time.
inline void imprimeRazoes(const Coletor& coletor, const char* medido, const char* base, const char* texto) {
  const double m = coletor.tempo(medido), b = coletor.tempo(base);
  const double mc = coletor.tempoCpu(medido), bc = coletor.tempoCpu(base);
  if (m > 0 && b > 0 && mc > 0 && bc > 0)
    std::printf("%s: %.2f x the time of %s, %.2f x its CPU time (%s)\n", medido, m / b, base, mc / bc, texto);
}

// The body of a benchmark program: runs the benchmarks the command line
// selects, then hands their times to imprime for the ratios.
template <class Imprime>
int executaBenchmarks(int argc, char** argv, Imprime imprime) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Coletor coletor;
  benchmark::RunSpecifiedBenchmarks(&coletor);
  imprime(coletor);
  benchmark::Shutdown();
  return 0;
}

}  // namespace kvt::bench
