// The flow-path fit with the number of paths chosen by the AICc (one, two
// and three paths fitted) on an 800-sample curve of two paths with 1 % noise,
// for a release of 30 minutes and an instantaneous one.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "numeric/advection_dispersion.h"

namespace {

struct Curve {
  std::vector<double> t, c, q;
};

Curve twoPaths(double Td) {
  const std::vector<kaldero::numeric::FlowPath> paths{{0.03, 0.2, 4.0e7}, {0.012, 0.3, 6.0e7}};
  Curve s;
  for (int i = 1; i <= 800; ++i) {
    s.t.push_back(150.0 * i);
    s.q.push_back(0.5);
    s.c.push_back(kaldero::numeric::concentration(s.t.back(), 500, 0.5, Td, paths));
  }
  const double peak = *std::max_element(s.c.begin(), s.c.end());
  std::mt19937_64 rng(42);
  std::normal_distribution<double> noise(0, 0.01 * peak);
  for (double& c : s.c) c += noise(rng);
  return s;
}

void BM_FitAutomatic(benchmark::State& state) {
  const double Td = static_cast<double>(state.range(0));
  const Curve s = twoPaths(Td);
  kaldero::FlowPathFitInput in;
  in.times = s.t;
  in.concentrations = s.c;
  in.discharges = s.q;
  in.distance = 500;
  in.releaseDuration = Td;
  in.recoveredMass = 1.0e8;
  in.paths = kaldero::kAutomaticPaths;
  for (auto _ : state) {
    const kaldero::FlowPathFitResult r = kaldero::fitFlowPaths(in);
    benchmark::DoNotOptimize(r.chosen);
    if (!r.fitted() || r.best()->pathCount != 2) state.SkipWithError("two paths not found");
  }
  state.counters["samples"] = static_cast<double>(s.t.size());
}
BENCHMARK(BM_FitAutomatic)->Arg(1800)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
