// Reading a logger-sized station data file: 1,000,000 data lines (time,
// concentration, discharge) reduced to group means, through the header pass
// and the data pass as a run does them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/console.h"
#include "core/text.h"
#include "input/data_reduction.h"
#include "input/station_file.h"
#include "tests/support/station_text.h"

namespace {

constexpr int kLines = 1000000;

std::string makeFile() {
  const auto path = std::filesystem::temp_directory_path() / "kaldero-bench-1m.dat";
  if (!std::filesystem::exists(path)) {
    std::ofstream out(path);
    out << kaldero::testing::stationText({{63, "2"}}, "");
    char line[96];
    for (int i = 1; i <= kLines; ++i) {
      const double t = i * 0.001;
      const double c = 50.0 * t * t * std::exp(-t);
      std::snprintf(line, sizeof line, "%.3f\t%.5f\t%.4f\n", t, c, 0.0057 + 1e-6 * (i % 17));
      out << line;
    }
  }
  return path.string();
}

void BM_ReadStationFile(benchmark::State& state) {
  const std::string path = makeFile();
  std::FILE* sink = std::fopen("/dev/null", "w");
  kaldero::Console console(sink, nullptr, false, false);
  const std::string name = kaldero::text::padded("BENCH.DAT");
  for (auto _ : state) {
    kaldero::StationFile file;
    file.open(path);
    kaldero::TestDescription test;
    int32_t lines = 0;
    file.readHeader(console, test, name, lines);
    auto d = kaldero::decideReduction(lines, test.reductionMode, test.knotOption,
                                      test.stationTotals,
                                      [](int32_t n) { return kaldero::stationStorage(n, 1); });
    kaldero::DataPassFacts facts;
    const kaldero::MeasuredCurve curve =
        file.readData(console, test, name, d.n, d.k, d.mode, facts);
    const int32_t n = curve.samples.size();
    benchmark::DoNotOptimize(curve.samples.T[n - 1]);
    if (n != 800) state.SkipWithError("unexpected sample count");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
  state.counters["lines"] = kLines;
  std::fclose(sink);
}
BENCHMARK(BM_ReadStationFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
