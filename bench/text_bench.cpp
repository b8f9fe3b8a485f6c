// Lower-casing the receive text (ASCII letters only) against copying the same
// bytes, the baseline of the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "platform/text/ascii_case.h"

static std::string sampleText() {
  std::string doc = "<TELECOMANDO><CODMSG>-27</CODMSG><USUARIO>OPERADOR</USUARIO><SENHA>Jo\xE3o</SENHA></TELECOMANDO>";
  std::string out;
  while (out.size() < 64 * 1024) out += doc;
  return out;
}

static void BM_CopyBaseline(benchmark::State& state) {
  const std::string text = sampleText();
  std::string out(text.size(), '\0');
  for (auto _ : state) {
    std::memcpy(out.data(), text.data(), text.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CopyBaseline);

static void BM_LowerAscii(benchmark::State& state) {
  const std::string text = sampleText();
  std::string out = text;
  for (auto _ : state) {
    std::memcpy(out.data(), text.data(), text.size());
    kvt::text::lowerAsciiInPlace(out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LowerAscii);

BENCHMARK_MAIN();
