// The statistical claims of the flow-path fit, over many seeded synthetic
// curves with AR(1) noise of lag-1 correlation 0.8 (what fluorometer
// records show), white noise and errors growing with the signal: the 95 %
// intervals of v, D and the mass, from the covariance and from the
// bootstrap, cover the truth at their nominal rate, and the automatic
// choice finds the true model (paths and zones).
// Deterministic: every curve comes from its own seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "numeric/advection_dispersion.h"
#include "tests/support/ar1_noise.h"

namespace kaldero {
namespace {

using numeric::FlowPath;

struct Synthetic {
  std::vector<double> t, c, q;
  double L = 500;
  double Td = 1800;
};

// n samples every dt seconds of the paths, plus AR(1) noise of lag-1
// correlation phi and marginal standard deviation `noise` times the peak.
Synthetic curve(const std::vector<FlowPath>& paths, int n, double dt, double noise, double phi,
                unsigned seed) {
  Synthetic s;
  for (int i = 1; i <= n; ++i) {
    s.t.push_back(i * dt);
    s.q.push_back(0.5);
  }
  s.c.resize(s.t.size());
  numeric::concentrations(s.t, s.q, s.L, s.Td, paths, s.c);
  testing::addAr1Noise(s.c, noise, phi, seed);
  return s;
}

FlowPathFitInput input(const Synthetic& s, int paths) {
  FlowPathFitInput in;
  in.times = s.t;
  in.concentrations = s.c;
  in.discharges = s.q;
  in.distance = s.L;
  in.releaseDuration = s.Td;
  in.paths = paths;
  return in;
}

// 100 g at 0.02 m/s over 500 m, Peclet number 20.
const FlowPath kOne{0.02, 0.5, 1.0e8};
// 40 g fast and narrow, 60 g slow and wide.
const std::vector<FlowPath> kTwo{{0.03, 0.2, 4.0e7}, {0.012, 0.3, 6.0e7}};

// Coverage of the 95 % intervals of v, D and the total mass over kRuns
// seeded curves of one path, 200 samples 5 minutes apart.
struct Coverage {
  int fits = 0, v = 0, D = 0, mass = 0;
  double lag1 = 0;
  double rate(int n) const { return static_cast<double>(n) / fits; }
};

bool inside(double lo, double x, double hi) { return lo <= x && x <= hi; }

Coverage coverage(ErrorModel errors, double noise, double phi, double relative, bool bootstrap,
                  int runs, unsigned seed0) {
  Coverage c;
  for (int run = 0; run < runs; ++run) {
    Synthetic s = curve({kOne}, 200, 300, noise, phi, seed0 + static_cast<unsigned>(run));
    if (relative > 0) {
      // Errors growing with the signal: a share of the reading, correlated
      // as the offset noise.
      std::vector<double> clean(s.t.size());
      numeric::concentrations(s.t, s.q, s.L, s.Td, {&kOne, 1}, clean);
      std::mt19937_64 rng(seed0 + 100000 + static_cast<unsigned>(run));
      std::normal_distribution<double> z(0, 1);
      double e = z(rng);
      for (std::size_t i = 0; i < s.c.size(); ++i) {
        e = phi * e + std::sqrt(1 - phi * phi) * z(rng);
        s.c[i] += relative * clean[i] * e;
      }
    }
    FlowPathFitInput in = input(s, 1);
    in.storage = StorageChoice::None;
    in.errors = errors;
    if (bootstrap) {
      in.intervals = IntervalMethod::Bootstrap;
      in.bootstrapReplicates = 200;
      in.bootstrapSeed = seed0 + static_cast<unsigned>(run);
    }
    const FlowPathFitResult r = fitFlowPaths(in);
    if (!r.fitted()) continue;
    ++c.fits;
    const FittedPath& p = r.best()->paths[0];
    const Estimate& M = r.best()->totalMass;
    if (bootstrap) {
      c.v += inside(p.velocity.bootstrapLower, kOne.velocity, p.velocity.bootstrapUpper);
      c.D += inside(p.dispersion.bootstrapLower, kOne.dispersion, p.dispersion.bootstrapUpper);
      c.mass += inside(M.bootstrapLower, kOne.mass, M.bootstrapUpper);
    } else {
      c.v += inside(p.velocity.lower, kOne.velocity, p.velocity.upper);
      c.D += inside(p.dispersion.lower, kOne.dispersion, p.dispersion.upper);
      c.mass += inside(M.lower, kOne.mass, M.upper);
    }
    c.lag1 += r.best()->errors.lag1.value;
  }
  return c;
}

void expectNominal(const char* what, const Coverage& c, int runs) {
  std::printf("%s: %d of %d fitted; 95 %% interval coverage: velocity %.3f, dispersion %.3f, "
              "mass %.3f; mean lag-1 estimate %.3f\n",
              what, c.fits, runs, c.rate(c.v), c.rate(c.D), c.rate(c.mass), c.lag1 / c.fits);
  EXPECT_EQ(c.fits, runs) << what;
  for (const auto& [name, n] : {std::pair{"velocity", c.v}, {"dispersion", c.D}, {"mass", c.mass}}) {
    EXPECT_GE(c.rate(n), 0.925) << what << ", " << name;
    EXPECT_LE(c.rate(n), 0.975) << what << ", " << name;
  }
}

TEST(FlowPathFitStatistics, IntervalsCoverTheTruthAtTheirNominalRate) {
  // 800 runs: bounds of about +-1.5 points around 0.95.
  constexpr int kRuns = 800;
  // AR(1) noise of 3 % of the peak at lag-1 0.8, the default error model.
  const Coverage ar1 = coverage(ErrorModel::Ar1, 0.03, 0.8, 0, false, kRuns, 5000);
  expectNominal("AR(1) errors, lag-1 0.8", ar1, kRuns);
  EXPECT_NEAR(ar1.lag1 / ar1.fits, 0.8, 0.05);
  // White noise, the independent-error model.
  expectNominal("independent errors, white noise",
                coverage(ErrorModel::Independent, 0.03, 0, 0, false, kRuns, 15000), kRuns);
  // 4 % of the reading plus 1 % of the peak, both at lag-1 0.5: errors
  // growing with the signal.
  expectNominal("relative errors, 4 % + 1 %, lag-1 0.5",
                coverage(ErrorModel::Ar1Relative, 0.01, 0.5, 0.04, false, kRuns, 25000), kRuns);
  // The independent-error intervals on correlated noise: far too narrow.
  const Coverage wrong = coverage(ErrorModel::Independent, 0.03, 0.8, 0, false, 100, 5000);
  EXPECT_LT(wrong.rate(wrong.v), 0.8);
}

TEST(FlowPathFitStatistics, BootstrapIntervalsCoverTheTruthAtTheirNominalRate) {
  // The sieve bootstrap of the AR(1) residuals, 200 resamples a curve.
  constexpr int kRuns = 400;
  expectNominal("AR(1) errors, lag-1 0.8, bootstrap",
                coverage(ErrorModel::Ar1, 0.03, 0.8, 0, true, kRuns, 35000), kRuns);
}

// The truths of the automatic choice: paths and their zones, and whether
// the choice is held to find them (a shared zone and a zone on one path
// are reported only: see below).
struct Truth {
  const char* label;
  std::vector<FlowPath> paths;
  int samples;
  bool held;
};

TEST(FlowPathFitStatistics, AutomaticChoiceFindsTheTrueModel) {
  // 40 seeded curves of each truth, 5 minutes apart, with AR(1) noise of
  // 2 % of the peak at lag-1 0.8 and 40 with white noise; every model tried
  // (one to three paths without a zone, sharing one, with zones of their
  // own). One and two paths and one path with a zone are found in at least
  // 85 % of the runs. Two paths sharing a zone and two with a zone on the
  // slow one alone are not held to it: where the fast path's tail lies
  // under the slow path, the two models (of as many parameters) give
  // nearly the same curve, and the zone shows on the slow path's tail
  // only; they are printed for the record, and the zone on the slow path
  // is held at 85 % with white noise.
  const std::vector<Truth> truths{
      {"1", {kOne}, 400, true},
      {"2", kTwo, 400, true},
      {"1s", {{0.02, 0.5, 1.0e8, 0.5, 4e-5}}, 500, true},
      {"2s", {{0.03, 0.2, 4.0e7, 0.8, 2e-5}, {0.012, 0.3, 6.0e7, 0.8, 2e-5}}, 800, false},
      {"2p:1", {{0.01, 0.05, 4.0e7, 1.0, 2e-5}, {0.03, 0.15, 6.0e7}}, 800, false},
  };
  constexpr int kRuns = 40;
  for (double lag1 : {0.8, 0.0})
    for (const Truth& truth : truths) {
      int right = 0, fitted = 0, paths = 0;
      for (int run = 0; run < kRuns; ++run) {
        const Synthetic s = curve(truth.paths, truth.samples, 300, 0.02, lag1,
                                  9000 + 100 * static_cast<unsigned>(&truth - truths.data()) +
                                      static_cast<unsigned>(run));
        const FlowPathFitResult r = fitFlowPaths(input(s, kAutomaticPaths));
        if (!r.fitted()) continue;
        ++fitted;
        right += r.best()->label() == truth.label;
        paths += r.best()->pathCount == static_cast<int>(truth.paths.size());
      }
      std::printf("noise lag-1 %.1f, truth %s: %d of %d runs chose it, %d the number of paths\n",
                  lag1, truth.label, right, kRuns, paths);
      EXPECT_EQ(fitted, kRuns);
      const bool held = truth.held || (std::string(truth.label) == "2p:1" && lag1 == 0);
      if (held) {
        EXPECT_GE(right, 0.85 * kRuns) << truth.label << " at lag-1 " << lag1;
      }
    }
}

}  // namespace
}  // namespace kaldero
