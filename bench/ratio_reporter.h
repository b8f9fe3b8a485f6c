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
      if (r.run_type == Run::RT_Iteration) tempos[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  // The time of one benchmark by name; 0 when it did not run.
  double tempo(const std::string& nome) const {
    const auto t = tempos.find(nome);
    return t == tempos.end() ? 0.0 : t->second;
  }
  std::map<std::string, double> tempos;
};

// Prints the time of medido as a ratio against that of base, both measured in
// this run; nothing when either did not run.
inline void imprimeRazao(const Coletor& coletor, const char* medido, const char* base, const char* texto) {
  const double m = coletor.tempo(medido), b = coletor.tempo(base);
  if (m > 0 && b > 0) std::printf("%s: %.2f x the time of %s (%s)\n", medido, m / b, base, texto);
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
