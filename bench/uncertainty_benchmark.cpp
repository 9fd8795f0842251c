// The uncertainty of a station's results (--uncertainty): DRAWS perturbed
// copies of a record of SAMPLES lines, each through the station's data
// pass, conditioned and analysed as the station itself, with a 3 %
// concentration error (lag-1 correlation 0.5), a 5 % rating error and a 2 %
// background error. The target is 1,000 draws of a 1,000-line record within
// 0.15 s on one core.
#include <benchmark/benchmark.h>

#include "analysis/uncertainty.h"
#include "input/data_reduction.h"
#include "tests/support/synthetic_station.h"

namespace {

void BM_Draws(benchmark::State& state) {
  const int samples = static_cast<int>(state.range(0));
  const int draws = static_cast<int>(state.range(1));
  // 1 kg over 1 km at 100 m/h, sampled over four mean transit times.
  kaldero::testing::SyntheticStation s =
      kaldero::testing::syntheticStation(1000, 1000, 100, 500, 0.5, samples, 40.0 / samples);
  // The station's own data pass: a record of more than 6000 lines is
  // thinned to group means as the listing's curve was.
  s.reduction = kaldero::decideReduction(samples, s.test);
  s.test.backgroundOption = kaldero::Option::On;
  kaldero::UncertaintyRequest request;
  request.draws = draws;
  request.concentration = {0.03, true, "3%"};
  request.concentrationCorrelation = 0.5;
  request.discharge = {0.05, true, "5%"};
  request.background = {0.02, true, "2%"};
  const kaldero::CarriedResults none;
  int completed = 0;
  for (auto _ : state) {
    const kaldero::UncertaintyResult r = kaldero::drawUncertainty(
        s.draws(none), request, 1);
    completed = r.completed;
    benchmark::DoNotOptimize(r.completed);
  }
  // Draws analysed to the end (a stopped draw costs less).
  state.counters["completed"] = completed;
  state.counters["draws_per_s"] =
      benchmark::Counter(static_cast<double>(draws) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

}  // namespace

// A record of every line of a logger: 1,000 draws of 100,000 lines, each
// thinned by the station's own data pass (group means of 125 lines) and
// analysed; the target is 5 s on one core.
BENCHMARK(BM_Draws)
    ->Args({1000, 1000})
    ->Args({10000, 100})
    ->Args({100000, 1000})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
