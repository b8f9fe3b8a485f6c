#pragma once

// A console reporter that also keeps the time of every benchmark run, so a
// program can print each figure as a ratio against the baseline measured in
// the same run.

#include <benchmark/benchmark.h>

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

}  // namespace kvt::bench
