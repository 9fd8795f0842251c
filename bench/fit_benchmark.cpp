// The flow-path fit as --fit auto runs it: every model (one to three paths,
// each without a storage zone, sharing one, and with zones of their own on
// each choice of paths: 16 models; AR(1) errors) on an 800-sample curve of
// two paths with 1 % noise, for a release of 30 minutes and an
// instantaneous one; the noise independent, or autocorrelated with a lag-1
// coefficient of 0.8 as logger records are. The target is 0.5 s a curve on
// one core.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "analysis/station_fit.h"
#include "numeric/advection_dispersion.h"

namespace {

struct Curve {
  std::vector<double> t, c, q;
};

Curve twoPaths(double Td, double lag1) {
  const std::vector<kaldero::numeric::FlowPath> paths{{0.03, 0.2, 4.0e7}, {0.012, 0.3, 6.0e7}};
  Curve s;
  for (int i = 1; i <= 800; ++i) {
    s.t.push_back(150.0 * i);
    s.q.push_back(0.5);
  }
  s.c.resize(s.t.size());
  kaldero::numeric::concentrations(s.t, s.q, 500, Td, paths, s.c);
  const double peak = *std::max_element(s.c.begin(), s.c.end());
  std::mt19937_64 rng(42);
  std::normal_distribution<double> z(0, 1);
  double e = z(rng);
  for (double& c : s.c) {
    e = lag1 * e + std::sqrt(1 - lag1 * lag1) * z(rng);
    c += 0.01 * peak * e;
  }
  return s;
}

void BM_FitAutomatic(benchmark::State& state) {
  const double Td = static_cast<double>(state.range(0));
  const double lag1 = static_cast<double>(state.range(1)) / 10;
  const Curve s = twoPaths(Td, lag1);
  kaldero::FlowPathFitInput in;
  in.times = s.t;
  in.concentrations = s.c;
  in.discharges = s.q;
  in.distance = 500;
  in.releaseDuration = Td;
  in.recoveredMass = 1.0e8;
  in.paths = kaldero::kAutomaticPaths;
  in.storage = kaldero::StorageChoice::Allowed;
  in.errors = kaldero::ErrorModel::Ar1;
  int chosen = 0;
  std::size_t models = 0;
  for (auto _ : state) {
    const kaldero::FlowPathFitResult r = kaldero::fitFlowPaths(in);
    benchmark::DoNotOptimize(r.chosen);
    if (!r.fitted() || r.best()->pathCount != 2) state.SkipWithError("two paths not found");
    chosen = r.fitted() ? r.best()->pathCount : 0;
    models = r.models.size();
  }
  state.counters["samples"] = static_cast<double>(s.t.size());
  state.counters["models"] = static_cast<double>(models);
  state.counters["paths_chosen"] = chosen;
}
// One path with a storage zone (--fit 1s) on a record of every line: n
// samples over the same 40 h, 1 % white noise. The target is 2 s for
// 100,000 samples on one core, and a cost that grows no faster than the
// samples.
void BM_FitOneStoragePath(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  std::vector<kaldero::numeric::FlowPath> paths{{0.02, 0.1, 5.0e7, 0.3, 2e-4}};
  Curve s;
  for (int i = 1; i <= n; ++i) {
    s.t.push_back(40.0 * 3600 * i / n);
    s.q.push_back(0.5);
  }
  s.c.resize(s.t.size());
  kaldero::numeric::concentrations(s.t, s.q, 500, 0, paths, s.c);
  const double peak = *std::max_element(s.c.begin(), s.c.end());
  std::mt19937_64 rng(7);
  std::normal_distribution<double> z(0, 1);
  for (double& c : s.c) c += 0.01 * peak * z(rng);
  kaldero::FlowPathFitInput in;
  in.times = s.t;
  in.concentrations = s.c;
  in.discharges = s.q;
  in.distance = 500;
  in.recoveredMass = 5.0e7;
  in.paths = 1;
  in.storage = kaldero::StorageChoice::Forced;
  in.errors = kaldero::ErrorModel::Ar1;
  for (auto _ : state) {
    const kaldero::FlowPathFitResult r = kaldero::fitFlowPaths(in);
    benchmark::DoNotOptimize(r.chosen);
    if (!r.fitted()) state.SkipWithError(r.reason.c_str());
  }
  state.counters["samples"] = n;
  // The time a sample costs: constant when the cost is linear.
  state.counters["per_sample"] = benchmark::Counter(
      static_cast<double>(n),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FitOneStoragePath)
    ->Arg(12500)
    ->Arg(25000)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

// Release (s), lag-1 coefficient of the noise (tenths).
BENCHMARK(BM_FitAutomatic)
    ->Args({1800, 0})
    ->Args({0, 0})
    ->Args({1800, 8})
    ->Args({0, 8})
    ->Unit(benchmark::kMillisecond);

// A reach (--fit-reaches) between a 1,400-sample and a 12,000-sample
// station, 150 m and 770 m from the release: the downstream curve two paths
// of the 620 m reach with a storage zone on the slow one, 1 % AR(1) noise
// (lag-1 0.8); fitted from the upstream flux with every model (auto). The
// target is 2 s on one core.
void BM_FitReachAutomatic(benchmark::State& state) {
  const double Q = 0.5;
  const kaldero::numeric::FlowPath first{0.02, 0.02, 1.0e8};
  kaldero::FitSamples up, down;
  for (int i = 1; i <= 1400; ++i) {
    up.times.push_back(20.0 * i);
    up.discharges.push_back(Q);
  }
  up.concentrations.resize(up.times.size());
  kaldero::numeric::concentrations(up.times, up.discharges, 150, 0, {&first, 1},
                                   up.concentrations);
  // The downstream station: the upstream flux through the reach's paths,
  // made here by the program's own convolution of the noise-free flux.
  std::vector<double> flux(up.times.size());
  for (std::size_t i = 0; i < flux.size(); ++i) flux[i] = up.concentrations[i] * Q;
  for (int i = 1; i <= 12000; ++i) {
    down.times.push_back(60.0 * i);
    down.discharges.push_back(Q);
  }
  const std::vector<kaldero::numeric::FlowPath> reach{{0.004, 0.05, 0.6e8},
                                                      {0.0015, 0.03, 0.4e8, 0.3, 2e-5}};
  down.concentrations.assign(down.times.size(), 0.0);
  kaldero::reachConcentrations(down.times, down.discharges, up.times, flux, 20, 620, reach,
                               down.concentrations);
  const double peak = *std::max_element(down.concentrations.begin(), down.concentrations.end());
  std::mt19937_64 rng(11);
  std::normal_distribution<double> z(0, 1);
  double e = z(rng);
  for (double& c : down.concentrations) {
    e = 0.8 * e + 0.6 * z(rng);
    c += 0.01 * peak * e;
  }
  kaldero::FitOptions options;
  options.paths = kaldero::kAutomaticPaths;
  options.storage = kaldero::StorageChoice::Allowed;
  options.errors = kaldero::ErrorModel::Ar1;
  std::vector<double> upstreamFlux;
  // The upstream errors carried into the intervals: 1 % of its peak, AR(1)
  // of lag-1 0.8 at its spacing.
  const double upPeak = *std::max_element(up.concentrations.begin(), up.concentrations.end());
  const kaldero::ReachEnd upstream{
      up, 150, 150 / 0.02, {0.01 * upPeak, 0, -20 / std::log(0.8)}, 0};
  const kaldero::ReachEnd downstream{down, 770, 150 / 0.02 + 620 / 0.003, {}, 0};
  const kaldero::FlowPathFitInput in =
      kaldero::reachFitInput(options, upstream, downstream, upstreamFlux);
  int chosen = 0;
  for (auto _ : state) {
    const kaldero::FlowPathFitResult r = kaldero::fitFlowPaths(in);
    benchmark::DoNotOptimize(r.chosen);
    if (!r.fitted()) state.SkipWithError(r.reason.c_str());
    chosen = r.fitted() ? r.best()->pathCount : 0;
  }
  state.counters["upstream_samples"] = static_cast<double>(up.times.size());
  state.counters["downstream_samples"] = static_cast<double>(down.times.size());
  state.counters["paths_chosen"] = chosen;
}
BENCHMARK(BM_FitReachAutomatic)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
