// The fit's models beyond paths sharing one zone: a storage zone of its own
// on some paths, first-order decay, forced models that the data do not
// resolve, zones near equilibrium, and errors growing with the signal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
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

// Samples every dt seconds over the distance L, 0.5 m^3/s.
using Curve = testing::FitCurve;

Curve make(const std::vector<FlowPath>& paths, int n, double dt, double L, double noise = 0,
           double phi = 0, unsigned seed = 1) {
  Curve s;
  s.L = L;
  for (int i = 1; i <= n; ++i) s.t.push_back(i * dt);
  s.q.assign(s.t.size(), 0.5);
  s.c.resize(s.t.size());
  numeric::concentrations(s.t, s.q, s.L, s.Td, paths, s.c);
  testing::addAr1Noise(s.c, noise, phi, seed);
  return s;
}

// Two paths, the slow one (40 % of the mass) with a zone of its own
// (beta 0.5, alpha 1e-5 1/s: alpha L / v = 0.5), the fast one without.
const FlowPath kSlow{0.01, 0.05, 0.4e8, 0.5, 1e-5};
const FlowPath kFast{0.03, 0.15, 0.6e8};

TEST(FlowPathZones, AZoneOnTheSlowPathAloneIsRecoveredAndChosen) {
  const Curve s = make({kSlow, kFast}, 800, 200, 500, 0.005, 0, 3);
  const FlowPathFitResult own =
      fitFlowPaths(s.input(2, StorageChoice::PerPath, ErrorModel::Independent));
  ASSERT_TRUE(own.fitted()) << own.reason;
  // Each choice of the paths with a zone: the slow one, the fast one, both.
  ASSERT_EQ(own.models.size(), 3u);
  const PathModelFit& m = *own.best();
  EXPECT_EQ(m.label(), "2p:1");
  EXPECT_EQ(m.zones, ZoneLayout::PerPath);
  EXPECT_TRUE(m.resolved) << m.caution;
  const FittedPath& slow = m.paths[0];
  const FittedPath& fast = m.paths[1];
  ASSERT_TRUE(slow.storage);
  EXPECT_FALSE(fast.storage);
  const double total = kSlow.mass + kFast.mass;
  EXPECT_NEAR(slow.mass.value / m.totalMass.value, kSlow.mass / total, 0.05 * 0.4);
  EXPECT_NEAR(slow.velocity.value / kSlow.velocity, 1, 0.02);
  EXPECT_NEAR(fast.velocity.value / kFast.velocity, 1, 0.02);
  EXPECT_NEAR(slow.storageRatio.value / kSlow.storageRatio, 1, 0.1);
  EXPECT_NEAR(slow.exchangeRate.value / kSlow.exchangeRate, 1, 0.2);
  // The interval covers the truth and the mean travel time counts the zone.
  EXPECT_LT(slow.exchangeRate.lower, kSlow.exchangeRate);
  EXPECT_GT(slow.exchangeRate.upper, kSlow.exchangeRate);
  EXPECT_NEAR(slow.meanTravelTime.value, 1.5 * 500 / 0.01, 0.03 * 75000);

  // The automatic choice finds the same layout among every one tried.
  const FlowPathFitResult automatic =
      fitFlowPaths(s.input(kAutomaticPaths, StorageChoice::Allowed, ErrorModel::Independent));
  ASSERT_TRUE(automatic.fitted()) << automatic.reason;
  EXPECT_EQ(automatic.best()->label(), "2p:1");
  EXPECT_FALSE(automatic.chosenUnresolved);
  // Drawn as fitted: the model paths keep the zone on the slow path alone.
  const std::vector<FlowPath> drawn = modelPaths(m);
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_TRUE(drawn[0].hasStorage());
  EXPECT_FALSE(drawn[1].hasStorage());
}

TEST(FlowPathZones, PathsSharingAZoneAreChosenWhenTheirZoneIsOne) {
  // Two paths with the same zone: the shared model, two parameters fewer
  // than zones of their own, wins the criterion.
  const FlowPath a{0.01, 0.05, 0.4e8, 0.3, 2e-5}, b{0.03, 0.15, 0.6e8, 0.3, 2e-5};
  const Curve s = make({a, b}, 800, 200, 500, 0.005, 0, 5);
  const FlowPathFitResult r =
      fitFlowPaths(s.input(kAutomaticPaths, StorageChoice::Allowed, ErrorModel::Independent));
  ASSERT_TRUE(r.fitted()) << r.reason;
  EXPECT_EQ(r.best()->label(), "2s");
  const FittedPath& p = r.best()->paths[0];
  EXPECT_NEAR(p.storageRatio.value / 0.3, 1, 0.15);
  EXPECT_NEAR(p.exchangeRate.value / 2e-5, 1, 0.2);
}

TEST(FlowPathZones, DecayIsTheRateThatMakesThePathsCarryTheInjectedMass) {
  // lambda 2e-6 1/s over a travel time of 2e5 s: a third of the tracer is
  // lost on the way. The curve alone cannot tell it from a faster path
  // carrying less; with the injected mass the rate is determined.
  FlowPath p{0.01, 0.5, 1e8};
  p.decayRate = 2e-6;
  const Curve s = make({p}, 1000, 400, 2000, 0.002, 0, 7);
  // One path (or one with its zone), decay, the injected mass known.
  const auto withDecay = [](const Curve& curve, StorageChoice storage, double injected) {
    FlowPathFitInput in = curve.input(1, storage, ErrorModel::Independent);
    in.decay = true;
    in.injectedMass = injected;
    return in;
  };
  const FlowPathFitResult r = fitFlowPaths(withDecay(s, StorageChoice::None, 1e8));
  ASSERT_TRUE(r.fitted()) << r.reason;
  const PathModelFit& m = *r.best();
  EXPECT_EQ(m.label(), "1+decay");
  ASSERT_TRUE(m.decay);
  EXPECT_TRUE(m.resolved) << m.caution;
  EXPECT_NEAR(m.decayRate.value / 2e-6, 1, 0.1);
  EXPECT_LT(m.decayRate.lower, 2e-6);
  EXPECT_GT(m.decayRate.upper, 2e-6);
  EXPECT_NEAR(m.totalMass.value / 1e8, 1, 1e-9);  // the injected mass
  EXPECT_NEAR(m.paths[0].velocity.value / 0.01, 1, 0.01);
  EXPECT_NEAR(m.paths[0].massFraction.value, 1, 1e-9);

  // The paths with decay give the very curve fitted (drawn from them).
  const std::vector<FlowPath> drawn = modelPaths(m);
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].decayRate, m.decayRate.value);
  std::vector<double> y(s.t.size());
  numeric::concentrations(s.t, s.q, s.L, s.Td, drawn, y);
  double worst = 0;
  for (std::size_t i = 0; i < y.size(); ++i)
    worst = std::max(worst, std::fabs(y[i] - m.modelValues[i]));
  EXPECT_LT(worst, 1e-6 * *std::max_element(y.begin(), y.end()));

  // A zone of its own and decay: the same holds with the zone's exchange
  // faster and its capacity smaller than without decay.
  FlowPath z{0.01, 0.5, 1e8, 0.3, 2e-5};
  z.decayRate = 2e-6;
  const Curve zoned = make({z}, 1000, 600, 2000, 0.002, 0, 8);
  const FlowPathFitResult zr = fitFlowPaths(withDecay(zoned, StorageChoice::Forced, 1e8));
  ASSERT_TRUE(zr.fitted()) << zr.reason;
  const FittedPath& f = zr.best()->paths[0];
  EXPECT_NEAR(zr.best()->decayRate.value / 2e-6, 1, 0.1);
  EXPECT_NEAR(f.storageRatio.value / 0.3, 1, 0.1);
  EXPECT_NEAR(f.exchangeRate.value / 2e-5, 1, 0.1);

  // Paths carrying the injected mass already: no decay, said.
  const Curve plain = make({{0.01, 0.5, 1e8}}, 1000, 400, 2000, 0.002, 0, 7);
  FlowPathFitInput none = withDecay(plain, StorageChoice::None, 0.9e8);
  const FlowPathFitResult without = fitFlowPaths(none);
  ASSERT_TRUE(without.fitted());
  EXPECT_EQ(without.best()->decayRate.value, 0);
  EXPECT_FALSE(without.best()->decayRate.resolved);
  EXPECT_THAT(without.best()->caution, ::testing::HasSubstr("no decay rate makes the paths carry"));
  // Without the injected mass there is nothing to tell the rate by.
  none.injectedMass = 0;
  EXPECT_EQ(fitFlowPaths(none).reason, "decay needs the injected mass (the paths carry it all)");
}

TEST(FlowPathZones, AForcedModelTheDataDoNotResolveGivesItsEstimatesFlagged) {
  // Two separated peaks fitted as one path: the model the user forced is
  // estimated, its wide intervals stand, and it says why it is not
  // resolved.
  const Curve s = make({{0.03, 0.1, 0.5e8}, {0.008, 0.05, 0.5e8}}, 600, 200, 500, 0.01, 0.8, 9);
  const FlowPathFitResult r = fitFlowPaths(s.input(1, StorageChoice::None, ErrorModel::Ar1));
  ASSERT_TRUE(r.fitted()) << r.reason;
  const PathModelFit& m = *r.best();
  EXPECT_FALSE(m.resolved);
  EXPECT_TRUE(r.chosenUnresolved);
  EXPECT_FALSE(m.caution.empty());
  EXPECT_FALSE(m.paths[0].resolved());
  EXPECT_GT(m.paths[0].velocity.value, 0);
  EXPECT_TRUE(std::isfinite(m.paths[0].dispersion.upper));
}

TEST(FlowPathZones, ZonesFromFarFromToNearEquilibriumAreRecoveredNoiseFree) {
  // A path with a zone of its own over beta 0.1 to 2, alpha L / v 0.1 to
  // 100 (near equilibrium the curve is an advection-dispersion curve of
  // the mean velocity; the zone still shows in its spread) and Peclet
  // numbers 20 and 200; noise-free samples give the parameters back.
  for (double beta : {0.1, 2.0})
    for (double w : {0.1, 1.0, 30.0, 100.0})
      for (double peclet : {20.0, 200.0}) {
        const double L = 500, v = 0.01;
        const FlowPath p{v, v * L / peclet, 1e8, beta, w * v / L};
        // 1000 samples over four mean travel times and, where the exchange
        // is slow, 400 more to five exchange times past the mean.
        const double mean = (1 + beta) * L / v;
        const double span = mean + 5 / p.exchangeRate;
        Curve s = make({p}, 1000, 4 * mean / 1000, L);
        for (int i = 1; i <= 400 && span > 4 * mean; ++i)
          s.t.push_back(4 * mean + i * (span - 4 * mean) / 400);
        s.q.assign(s.t.size(), 0.5);
        s.c.resize(s.t.size());
        numeric::concentrations(s.t, s.q, s.L, s.Td, {&p, 1}, s.c);
        const FlowPathFitResult r =
            fitFlowPaths(s.input(1, StorageChoice::Forced, ErrorModel::Independent));
        const std::string at = "beta " + std::to_string(beta) + ", alpha L / v " +
                               std::to_string(w) + ", Pe " + std::to_string(peclet);
        ASSERT_TRUE(r.fitted()) << at << ": " << r.reason;
        const FittedPath& f = r.best()->paths[0];
        EXPECT_TRUE(r.best()->settled) << at;
        EXPECT_NEAR(f.velocity.value / v, 1, 1e-4) << at;
        EXPECT_NEAR(f.dispersion.value / p.dispersion, 1, 1e-4) << at;
        EXPECT_NEAR(f.storageRatio.value / beta, 1, 1e-4) << at;
        EXPECT_NEAR(f.exchangeRate.value / p.exchangeRate, 1, 1e-4) << at;
      }
}

TEST(FlowPathZones, ErrorsGrowingWithTheSignalAreEstimated) {
  // Noise of 4 % of the reading plus an offset of 0.2 % of the peak,
  // correlated at lag-1 0.5: the relative error model estimates both
  // parts and weights the samples by them.
  const FlowPath p{0.02, 0.2, 1e8};
  Curve s = make({p}, 800, 100, 500);
  const double peak = *std::max_element(s.c.begin(), s.c.end());
  std::mt19937_64 rng(11);
  std::normal_distribution<double> z(0, 1);
  double e1 = z(rng), e2 = z(rng);
  for (std::size_t i = 0; i < s.c.size(); ++i) {
    e1 = 0.5 * e1 + std::sqrt(0.75) * z(rng);
    e2 = 0.5 * e2 + std::sqrt(0.75) * z(rng);
    s.c[i] += 0.04 * s.c[i] * e1 + 0.002 * peak * e2;
  }
  const FlowPathFitResult r = fitFlowPaths(s.input(1, StorageChoice::None, ErrorModel::Ar1Relative));
  ASSERT_TRUE(r.fitted()) << r.reason;
  const PathModelFit& m = *r.best();
  EXPECT_EQ(m.errors.model, ErrorModel::Ar1Relative);
  EXPECT_NEAR(m.errors.relativeError / 0.04, 1, 0.3);
  EXPECT_NEAR(m.errors.offsetError / (0.002 * peak), 1, 0.4);
  EXPECT_NEAR(m.paths[0].velocity.value / p.velocity, 1, 0.01);
  // The relative scale is a parameter of the criterion.
  const FlowPathFitResult plain = fitFlowPaths(s.input(1, StorageChoice::None, ErrorModel::Ar1));
  ASSERT_TRUE(plain.fitted());
  EXPECT_EQ(m.criterionParameters, plain.best()->criterionParameters + 1);
  EXPECT_LT(m.aicc, plain.best()->aicc);  // the better error model
}

TEST(FlowPathZones, IntervalsTakeStudentsTOfTheEffectiveSamples) {
  // With errors correlated at lag-1 0.8 the 200 samples carry the
  // information of about 1 + 199 (1 - phi) / (1 + phi) independent ones;
  // the intervals take the 0.975 quantile of Student's t with that many
  // less the three parameters (the variance is known only that well), not
  // the 0.95 quantile, nor the degrees of freedom of every sample.
  const Curve s = make({{0.02, 0.5, 1e8}}, 200, 300, 500, 0.03, 0.8, 21);
  const FlowPathFitResult r = fitFlowPaths(s.input(1, StorageChoice::None, ErrorModel::Ar1));
  ASSERT_TRUE(r.fitted()) << r.reason;
  const PathModelFit& m = *r.best();
  const double phi = m.errors.lag1.value;
  const double effective = 1 + 199 * (1 - phi) / (1 + phi);
  EXPECT_NEAR(m.errors.effectiveSamples, effective, 1e-6 * effective);
  namespace bm = boost::math;
  EXPECT_NEAR(m.tQuantile, bm::quantile(bm::students_t(effective - 3), 0.975), 1e-9);
  EXPECT_GT(m.tQuantile, bm::quantile(bm::students_t(200 - 3), 0.975) + 0.05);
  // The velocity's interval is that quantile times its standard error (in
  // the logarithm).
  const Estimate& v = m.paths[0].velocity;
  EXPECT_NEAR(std::log(v.upper / v.value), m.tQuantile * v.standardError / v.value, 1e-9);
  // Independent errors: the residual degrees of freedom.
  const FlowPathFitResult white =
      fitFlowPaths(s.input(1, StorageChoice::None, ErrorModel::Independent));
  ASSERT_TRUE(white.fitted());
  EXPECT_NEAR(white.best()->tQuantile, bm::quantile(bm::students_t(197), 0.975), 1e-9);
}

}  // namespace
}  // namespace kaldero
