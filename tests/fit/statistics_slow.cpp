// The statistical claims of the flow-path fit, over many seeded synthetic
// curves with AR(1) noise of lag-1 correlation 0.8 (what fluorometer
// records show): the 95 % intervals of v and D cover the truth at their
// nominal rate, and the automatic choice finds the true number of paths.
// Deterministic: every curve comes from its own seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
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

TEST(FlowPathFitStatistics, IntervalsCoverTheTruthUnderAutocorrelatedNoise) {
  // 240 seeded curves of one path, 200 samples 5 minutes apart, AR(1)
  // noise of 3 % of the peak with lag-1 correlation 0.8.
  constexpr int kRuns = 240;
  for (ErrorModel errors : {ErrorModel::Ar1, ErrorModel::Independent}) {
    int fits = 0, coveredV = 0, coveredD = 0;
    double phi = 0;
    for (int run = 0; run < kRuns; ++run) {
      const Synthetic s = curve({kOne}, 200, 300, 0.03, 0.8, 5000 + run);
      FlowPathFitInput in = input(s, 1);
      in.storage = StorageChoice::None;
      in.errors = errors;
      const FlowPathFitResult r = fitFlowPaths(in);
      if (!r.fitted()) continue;
      ++fits;
      const FittedPath& p = r.best()->paths[0];
      coveredV += p.velocity.lower <= kOne.velocity && kOne.velocity <= p.velocity.upper;
      coveredD += p.dispersion.lower <= kOne.dispersion && kOne.dispersion <= p.dispersion.upper;
      phi += r.best()->errors.lag1.value;
    }
    const double cv = static_cast<double>(coveredV) / fits, cd = static_cast<double>(coveredD) / fits;
    std::printf("%s errors: %d of %d fitted; 95 %% interval coverage: velocity %.3f, dispersion "
                "%.3f; mean lag-1 estimate %.3f\n",
                errors == ErrorModel::Ar1 ? "AR(1)" : "independent", fits, kRuns, cv, cd,
                phi / fits);
    EXPECT_EQ(fits, kRuns);
    if (errors == ErrorModel::Ar1) {
      EXPECT_GE(cv, 0.90);
      EXPECT_LE(cv, 0.99);
      EXPECT_GE(cd, 0.90);
      EXPECT_LE(cd, 0.99);
      EXPECT_NEAR(phi / fits, 0.8, 0.05);
    } else {
      // The independent-error intervals on correlated noise: far too narrow.
      EXPECT_LT(cv, 0.8);
    }
  }
}

TEST(FlowPathFitStatistics, AutomaticChoiceFindsTheTrueNumberOfPaths) {
  // 50 seeded curves each of one and of two paths, 400 samples 5 minutes
  // apart, AR(1) noise of 2 % of the peak with lag-1 correlation 0.8, and
  // 25 each with independent noise; every model family tried (one to three
  // paths, with and without storage).
  for (double lag1 : {0.8, 0.0})
  for (int truth : {1, 2}) {
    const int kRuns = lag1 > 0 ? 50 : 25;
    int right = 0, storage = 0, fitted = 0;
    int chosen[kMaxPaths + 1] = {};
    for (int run = 0; run < kRuns; ++run) {
      const Synthetic s = truth == 1 ? curve({kOne}, 400, 300, 0.02, lag1, 7000 + run)
                                     : curve(kTwo, 400, 300, 0.02, lag1, 8000 + run);
      const FlowPathFitResult r = fitFlowPaths(input(s, kAutomaticPaths));
      if (!r.fitted()) continue;
      ++fitted;
      ++chosen[r.best()->pathCount];
      right += r.best()->pathCount == truth;
      storage += r.best()->storage;
    }
    std::printf("noise lag-1 %.1f, %d true path(s): %d of %d runs chose it (1: %d, 2: %d, 3: %d; "
                "with storage %d)\n",
                lag1, truth, right, kRuns, chosen[1], chosen[2], chosen[3], storage);
    EXPECT_EQ(fitted, kRuns);
    EXPECT_GE(right, 0.9 * kRuns);
  }
}

}  // namespace
}  // namespace kaldero
