// What the flow-path fit does beyond separating paths on white noise: cut-off
// records, the global start on a two-peak curve, a baseline offset and
// negative concentrations, uneven sampling, storage zones, the AR(1) error
// models, the criterion's unit, the bootstrap, and the flag of a criterion
// still improving at the cap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "numeric/advection_dispersion.h"
#include "tests/support/ar1_noise.h"
#include "tests/support/fit_curve.h"

namespace kaldero {
namespace {

using numeric::FlowPath;

// Samples over 500 m with a release of 30 minutes.
struct Curve : testing::FitCurve {
  Curve() { Td = 1800; }
};

// The paths at the times, plus AR(1) noise (lag-1 phi, marginal sd noise
// times the peak).
Curve make(const std::vector<FlowPath>& paths, std::vector<double> t, double noise = 0,
           double phi = 0, unsigned seed = 1) {
  Curve s;
  s.t = std::move(t);
  s.q.assign(s.t.size(), 0.5);
  s.c.resize(s.t.size());
  numeric::concentrations(s.t, s.q, s.L, s.Td, paths, s.c);
  testing::addAr1Noise(s.c, noise, phi, seed);
  return s;
}

std::vector<double> even(int n, double dt) {
  std::vector<double> t;
  for (int i = 1; i <= n; ++i) t.push_back(i * dt);
  return t;
}

const FlowPath kOne{0.02, 0.5, 1.0e8};

TEST(FlowPathModel, CurvesCutOffBeforeTheirTailAreFitted) {
  // The record stops when 60, 70 or 80 % of the mass has passed, before
  // the curve falls to half its peak: a fit, whose velocity is within 2 %
  // and whose total mass estimates what passed after the record too.
  const std::vector<double> full = even(600, 150);
  std::vector<double> cumulative(full.size());
  for (std::size_t i = 0; i < full.size(); ++i)
    cumulative[i] = numeric::PathResponse(500, kOne.velocity, kOne.dispersion, 1800)
                        .stepComplement(full[i])
                        .value;
  for (double share : {0.6, 0.7, 0.8}) {
    std::vector<double> t;
    for (std::size_t i = 0; i < full.size(); ++i)
      if (1 - cumulative[i] <= share) t.push_back(full[i]);
    const Curve s = make({kOne}, t, 0.01, 0.8, 31);
    FlowPathFitInput in = s.input(1);
    const FlowPathFitResult r = fitFlowPaths(in);
    ASSERT_TRUE(r.fitted()) << share << ": " << r.reason;
    const PathModelFit& m = *r.best();
    EXPECT_NEAR(m.paths[0].velocity.value / kOne.velocity, 1, 0.02) << share;
    EXPECT_NEAR(m.totalMass.value / kOne.mass, 1, 0.1) << share;
    EXPECT_LE(m.totalMass.lower, kOne.mass) << share;
    EXPECT_GE(m.totalMass.upper, kOne.mass) << share;
  }
  // A curve that only rises is still refused.
  std::vector<double> rising;
  for (double x : even(200, 150))
    if (x < 20000) rising.push_back(x);
  const FlowPathFitResult r = fitFlowPaths(make({kOne}, rising).input(1));
  EXPECT_FALSE(r.fitted());
  EXPECT_NE(r.reason.find("does not fall after its peak"), std::string::npos) << r.reason;
}

// The smallest residual sum of one path by brute force: a fine grid of
// (ln v, ln D) with the mass by linear least squares.
double bruteForceOnePath(const Curve& s) {
  double best = 1e300;
  for (int a = 0; a < 90; ++a)
    for (int b = 0; b < 90; ++b) {
      const double v = 0.004 * std::exp(a * std::log(25.0) / 89);
      const double D = 0.005 * std::exp(b * std::log(2000.0) / 89);
      const numeric::PathResponse p(s.L, v, D, s.Td);
      double hh = 0, hy = 0, yy = 0;
      for (std::size_t i = 0; i < s.t.size(); ++i) {
        const double h = p.pulse(s.t[i]).value / s.q[i];
        hh += h * h, hy += h * s.c[i], yy += s.c[i] * s.c[i];
      }
      if (hh > 0 && hy > 0) best = std::min(best, yy - hy * hy / hh);
    }
  return best;
}

TEST(FlowPathModel, OnePathOnATwoPeakCurveFindsTheBestOnePathOptimum) {
  // Velocity ratio 2 and 3, 30 % of the mass fast: one path settles on the
  // best single peak, not on a broad compromise (17-19 % worse), and is
  // never out of range.
  for (double ratio : {2.0, 3.0}) {
    const std::vector<FlowPath> paths{{0.012 * ratio, 0.1, 3.0e7}, {0.012, 0.15, 7.0e7}};
    const Curve s = make(paths, even(600, 200), 0.005, 0, 41);
    FlowPathFitInput in = s.input(1);
    in.errors = ErrorModel::Independent;
    const FlowPathFitResult r = fitFlowPaths(in);
    ASSERT_TRUE(r.fitted()) << ratio << ": " << r.reason;
    const double grid = bruteForceOnePath(s);
    EXPECT_LE(r.best()->rss, grid * (1 + 1e-9)) << ratio;
  }
}

TEST(FlowPathModel, BaselineOffsetAndNegativeConcentrations) {
  const Curve clean = make({kOne}, even(300, 300), 0.01, 0, 51);
  const double peak = *std::max_element(clean.c.begin(), clean.c.end());
  for (double offset : {0.03, -0.02}) {
    Curve s = clean;
    for (double& c : s.c) c += offset * peak;
    FlowPathFitInput in = s.input(1);
    in.errors = ErrorModel::Independent;
    in.baseline = true;
    const FlowPathFitResult with = fitFlowPaths(in);
    ASSERT_TRUE(with.fitted()) << with.reason;
    const PathModelFit& m = *with.best();
    ASSERT_TRUE(m.baseline);
    EXPECT_NEAR(m.baselineOffset.value / peak, offset, 0.003) << offset;
    EXPECT_LE(m.baselineOffset.lower, offset * peak);
    EXPECT_GE(m.baselineOffset.upper, offset * peak);
    EXPECT_NEAR(m.paths[0].dispersion.value / kOne.dispersion, 1, 0.02) << offset;
    EXPECT_NEAR(m.paths[0].mass.value / kOne.mass, 1, 0.02) << offset;
    EXPECT_EQ(m.parameters, 4);
    // Without the offset parameter the curve's mass and spread take it up.
    in.baseline = false;
    const FlowPathFitResult without = fitFlowPaths(in);
    ASSERT_TRUE(without.fitted()) << without.reason;
    EXPECT_GT(std::fabs(without.best()->paths[0].mass.value / kOne.mass - 1), 0.03) << offset;
    // Negative concentrations are fitted as they are: the residuals and the
    // model add up to the samples given.
    if (offset < 0) {
      for (std::size_t i = 0; i < s.c.size(); ++i)
        EXPECT_DOUBLE_EQ(m.residuals[i] + m.modelValues[i], s.c[i]);
    }
  }
}

TEST(FlowPathModel, UnevenlySpacedSamplesAreTakenAsTheyAre) {
  // Gaps of 2 to 20 minutes, AR(1) noise in continuous time.
  std::mt19937_64 rng(61);
  std::uniform_real_distribution<double> gap(120, 1200);
  std::vector<double> t{600};
  while (t.back() < 90000) t.push_back(t.back() + gap(rng));
  const Curve s = make({kOne}, t, 0.01, 0.5, 62);
  const FlowPathFitResult r = fitFlowPaths(s.input(1));
  ASSERT_TRUE(r.fitted()) << r.reason;
  const PathModelFit& m = *r.best();
  EXPECT_EQ(r.samplesFitted, static_cast<int>(t.size()));
  EXPECT_EQ(r.times, t);
  EXPECT_NEAR(m.paths[0].velocity.value / kOne.velocity, 1, 0.02);
  EXPECT_GT(m.errors.medianSpacing, 120);
  EXPECT_LT(m.errors.medianSpacing, 1200);
  EXPECT_EQ(m.errors.model, ErrorModel::Ar1);
  EXPECT_EQ(m.residuals.size(), t.size());
}

TEST(FlowPathModel, StorageZoneIsRecoveredAndChosen) {
  // One path with a storage zone of capacity ratio 0.4 exchanging over
  // about half the mobile travel time: the storage fit gives it back, and
  // the choice between one to two paths, with and without storage, takes it.
  FlowPath p{0.025, 0.3, 1.0e8, 0.4, 1.0 / 10000};
  const Curve s = make({p}, even(500, 200), 0.005, 0, 71);
  FlowPathFitInput in = s.input(1, StorageChoice::Forced);
  in.errors = ErrorModel::Independent;
  const FlowPathFitResult forced = fitFlowPaths(in);
  ASSERT_TRUE(forced.fitted()) << forced.reason;
  const FittedPath& f = forced.best()->paths[0];
  ASSERT_TRUE(f.storage);
  EXPECT_NEAR(f.velocity.value / p.velocity, 1, 0.02);
  EXPECT_NEAR(f.dispersion.value / p.dispersion, 1, 0.05);
  EXPECT_NEAR(f.storageRatio.value / p.storageRatio, 1, 0.05);
  EXPECT_NEAR(f.exchangeRate.value / p.exchangeRate, 1, 0.05);
  EXPECT_NEAR(f.meanTravelTime.value, 1.4 * 500 / 0.025 + 0 * 900, 0.02 * 28000);
  const std::vector<numeric::FlowPath> drawn = modelPaths(*forced.best());
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_TRUE(drawn[0].hasStorage());

  in.paths = 2;
  in.storage = StorageChoice::Allowed;
  const FlowPathFitResult two = fitFlowPaths(in);
  ASSERT_TRUE(two.fitted()) << two.reason;
  ASSERT_EQ(two.models.size(), 5u);  // 2, 2s and zones of their own on 1, 2 or both
  // Forced to two paths, the storage zone still describes the curve better
  // than a second path (or the second storage path is not resolved).
  in.paths = kAutomaticPaths;
  in.storage = StorageChoice::Allowed;
  const FlowPathFitResult automatic = fitFlowPaths(in);
  ASSERT_TRUE(automatic.fitted()) << automatic.reason;
  EXPECT_EQ(automatic.best()->label(), "1s");
  EXPECT_FALSE(automatic.stillImprovingAtLargest);
}

TEST(FlowPathModel, ErrorModelsAndTheCriterionsUnit) {
  const Curve s = make({kOne}, even(300, 300), 0.02, 0.8, 81);
  FlowPathFitInput in = s.input(1);
  // Independent errors: the criterion from the RMSE in ug/L.
  in.errors = ErrorModel::Independent;
  const FlowPathFitResult plain = fitFlowPaths(in);
  ASSERT_TRUE(plain.fitted());
  const PathModelFit& m = *plain.best();
  const double n = m.samples, p = m.criterionParameters, rmse = m.rmse * 1e-3;
  EXPECT_EQ(p, 4);
  EXPECT_NEAR(m.aicc,
              n * std::log(2 * M_PI * rmse * rmse) + n + 2 * p + 2 * p * (p + 1) / (n - p - 1),
              1e-9 * std::fabs(m.aicc));
  EXPECT_NEAR(m.errors.durbinWatson, 2 * (1 - m.errors.residualLag1), 0.05);
  EXPECT_EQ(m.errors.effectiveSamples, n);
  // AR(1), least squares: the same curve, wider intervals, the coefficient
  // near the truth, the whitened residuals nearly uncorrelated.
  in.errors = ErrorModel::Ar1;
  const FlowPathFitResult ar = fitFlowPaths(in);
  ASSERT_TRUE(ar.fitted());
  const PathModelFit& a = *ar.best();
  EXPECT_NEAR(a.paths[0].velocity.value, m.paths[0].velocity.value, 1e-6 * kOne.velocity);
  EXPECT_GT(a.paths[0].velocity.standardError, 2 * m.paths[0].velocity.standardError);
  EXPECT_NEAR(a.errors.lag1.value, 0.8, 0.08);
  EXPECT_LT(std::fabs(a.errors.whitenedLag1), 0.15);
  EXPECT_LT(a.errors.effectiveSamples, 0.2 * n);
  EXPECT_EQ(a.criterionParameters, 5);
  EXPECT_EQ(a.degreesOfFreedom, 300 - 3 - 1);
  EXPECT_LT(a.aicc, m.aicc);  // the correlated model describes the noise better
  // AR(1) jointly (generalised least squares): the coefficient too.
  in.errors = ErrorModel::Ar1Gls;
  const FlowPathFitResult gls = fitFlowPaths(in);
  ASSERT_TRUE(gls.fitted()) << gls.reason;
  EXPECT_NEAR(gls.best()->errors.lag1.value, 0.8, 0.08);
  EXPECT_NEAR(gls.best()->paths[0].velocity.value / kOne.velocity, 1, 0.02);
  EXPECT_EQ(gls.errorModel, ErrorModel::Ar1Gls);
}

TEST(FlowPathModel, BootstrapIntervalsAreSeededAndReproducible) {
  const Curve s = make({kOne}, even(200, 300), 0.02, 0.8, 91);
  FlowPathFitInput in = s.input(1);
  in.intervals = IntervalMethod::Bootstrap;
  in.bootstrapReplicates = 60;
  in.bootstrapSeed = 7;
  const FlowPathFitResult a = fitFlowPaths(in), b = fitFlowPaths(in);
  in.bootstrapSeed = 8;
  const FlowPathFitResult c = fitFlowPaths(in);
  ASSERT_TRUE(a.fitted() && b.fitted() && c.fitted());
  const PathModelFit& m = *a.best();
  const Estimate& v = m.paths[0].velocity;
  ASSERT_TRUE(v.bootstrapped);
  EXPECT_LT(v.bootstrapLower, v.value);
  EXPECT_GT(v.bootstrapUpper, v.value);
  EXPECT_EQ(v.bootstrapLower, b.best()->paths[0].velocity.bootstrapLower);
  EXPECT_EQ(v.bootstrapUpper, b.best()->paths[0].velocity.bootstrapUpper);
  EXPECT_NE(v.bootstrapLower, c.best()->paths[0].velocity.bootstrapLower);
  EXPECT_TRUE(m.paths[0].dispersion.bootstrapped && m.totalMass.bootstrapped);
  EXPECT_FALSE(m.paths[0].storageRatio.bootstrapped);
  EXPECT_EQ(m.bootstrap.replicates, 60);
  EXPECT_EQ(m.bootstrap.seed, 7u);
  EXPECT_GT(m.bootstrap.lag1, 0.5);  // resampled from the residuals' own AR(1) process
  EXPECT_LT(m.bootstrap.failed, 6);
  // Only the chosen model is resampled; without the option nothing is.
  in.intervals = IntervalMethod::Covariance;
  EXPECT_FALSE(fitFlowPaths(in).best()->paths[0].velocity.bootstrapped);
  in.intervals = IntervalMethod::Bootstrap;
  in.bootstrapReplicates = 5;
  EXPECT_FALSE(fitFlowPaths(in).fitted());
}

TEST(FlowPathModel, TheCapOfThreePathsIsSaidAloud) {
  // Four separated paths: the criterion keeps improving up to three.
  const std::vector<FlowPath> four{
      {0.05, 0.05, 2e7}, {0.03, 0.05, 2e7}, {0.018, 0.05, 2e7}, {0.011, 0.05, 2e7}};
  const Curve s = make(four, even(700, 150), 0.003, 0, 101);
  FlowPathFitInput in = s.input(kAutomaticPaths);
  in.errors = ErrorModel::Independent;
  const FlowPathFitResult r = fitFlowPaths(in);
  ASSERT_TRUE(r.fitted()) << r.reason;
  EXPECT_EQ(r.best()->pathCount, 3);
  EXPECT_TRUE(r.stillImprovingAtLargest);
  // Asked for three, there is no choice to comment on.
  in.paths = 3;
  const FlowPathFitResult asked = fitFlowPaths(in);
  ASSERT_TRUE(asked.fitted());
  EXPECT_FALSE(asked.stillImprovingAtLargest);
  // One true path: the choice stops below the cap.
  const FlowPathFitResult one = fitFlowPaths(make({kOne}, even(300, 300), 0.01).input(0));
  ASSERT_TRUE(one.fitted());
  EXPECT_FALSE(one.stillImprovingAtLargest);
  EXPECT_EQ(one.pathsAsked, kAutomaticPaths);
}

}  // namespace
}  // namespace kaldero
