// Stations fitted together along a chain (analysis/joint_fit.h): the first
// station from the release and the reaches below it at once, each reach
// from the modelled flux of the station above it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "analysis/joint_fit.h"
#include "numeric/advection_dispersion.h"
#include "tests/support/joint_chain.h"

namespace kaldero {
namespace {

using testing::Chain;
using testing::onePath;


TEST(JointFit, ExactCurvesGiveTheirPathsForTheStationAndTheReach) {
  const double v = 0.04, D = 0.05;
  const Chain c(v, D, 0, 1);
  ASSERT_TRUE(c.joint.fitted) << c.joint.reason;
  ASSERT_EQ(c.joint.parts.size(), 2u);
  EXPECT_EQ(c.joint.parts[0].from, "");
  EXPECT_EQ(c.joint.parts[1].to, "DOWN.DAT");
  EXPECT_NEAR(c.first().velocity.value / v, 1, 1e-6);
  EXPECT_NEAR(c.first().dispersion.value / D, 1, 1e-5);
  // The reach through the modelled flux on its grid: the grid's error only
  // (that of the reach fitted alone from the exact flux, 1.3e-3 in D).
  EXPECT_NEAR(c.reach().velocity.value / v, 1, 1e-4);
  EXPECT_NEAR(c.reach().dispersion.value / D, 1, 2e-3);
  EXPECT_NEAR(c.reach().massFraction.value, 1, 1e-3);
  EXPECT_GT(c.joint.parts[1].fit.models[0].rSquared, 0.999999);
  EXPECT_EQ(c.joint.samples, 900);
  EXPECT_EQ(c.joint.parameters, 6);
}

TEST(JointFit, NoisyStationsGiveTheReachWithinItsTolerances) {
  for (const uint64_t seed : {11u, 12u, 13u}) {
    const double v = 0.045, D = 0.04;
    const Chain c(v, D, 0.01, seed);
    ASSERT_TRUE(c.joint.fitted) << c.joint.reason;
    EXPECT_NEAR(c.reach().velocity.value / v, 1, 0.02);
    EXPECT_NEAR(c.reach().dispersion.value / D, 1, 0.10);
    EXPECT_NEAR(c.reach().massFraction.value, 1, 0.05);
    // The reach's share takes the upstream mass's error: its interval is
    // no narrower than that of the upstream station's mass alone.
    const Estimate& share = c.reach().massFraction;
    const Estimate& mass = c.first().mass;
    EXPECT_GE(share.standardError / share.value, 0.9 * mass.standardError / mass.value);
    const PathModelFit& down = c.joint.parts[1].fit.models[0];
    EXPECT_GT(down.errors.lag1.value, 0.5);  // its own AR(1) process
    EXPECT_LT(down.errors.lag1.value, 0.95);
  }
}

TEST(JointFit, AnUpstreamPeakNarrowerThanTheReachsCellsKeepsItsMass) {
  // A sharp peak at 150 m (v 0.02 m/s, D 0.002 m2/s: a standard deviation
  // of 270 s) spread by a reach of 620 m (D 1 m2/s) into a downstream
  // record of 4e6 s, whose grid has cells of 3,900 s: the modelled flux is
  // taken at the upstream samples too, or the reach's share is off by the
  // mass the coarse points miss. Both with white noise of 0.1 % of the
  // peak (exact curves would leave the two stations' deviations orders of
  // magnitude apart).
  const double v = 0.02, M = 5e7, Q = 0.5;
  numeric::Random noise(5);
  FitSamples up, down;
  for (double t = 60; t <= 20000; t += 60) {
    up.times.push_back(t);
    up.concentrations.push_back(M / Q * numeric::diracResponse(t, 150, v, 0.002).value);
    up.discharges.push_back(Q);
  }
  constexpr double h = 5;
  for (double t = 8000; t <= 4e6; t += 8000) {
    double sum = 0;
    for (double tau = 0.5 * h; tau < std::min(t, 20000.0); tau += h)
      sum += numeric::diracResponse(tau, 150, v, 0.002).value *
             numeric::diracResponse(t - tau, 620, v, 1.0).value;
    down.times.push_back(t);
    down.concentrations.push_back(M / Q * sum * h);
    down.discharges.push_back(Q);
  }
  for (FitSamples* f : {&up, &down}) {
    const double peak = *std::max_element(f->concentrations.begin(), f->concentrations.end());
    for (double& c : f->concentrations) c += 1e-3 * peak * noise.normal();
  }
  FitOptions o = onePath(ErrorModel::Independent);
  FlowPathFitInput upInput;
  static_cast<FitOptions&>(upInput) = o;
  upInput.times = up.times;
  upInput.concentrations = up.concentrations;
  upInput.discharges = up.discharges;
  upInput.distance = 150;
  upInput.recoveredMass = M;
  upInput.meanTransitTime = 150 / v;
  const FlowPathFitResult upFit = fitFlowPaths(upInput);
  const ReachEnd upper{up, 150, 150 / v, {}, 0}, lower{down, 770, 770 / v, {}, 0};
  std::vector<double> flux;
  const FlowPathFitInput reachInput = reachFitInput(o, upper, lower, flux);
  ASSERT_GT(reachInput.inputStep, 3800);
  const FlowPathFitResult reachFit = fitFlowPaths(reachInput);
  const JointStage stages[] = {{&upInput, &upFit, "", "UP.DAT", 150},
                               {&reachInput, &reachFit, "UP.DAT", "DOWN.DAT", 620}};
  const JointFitResult joint = fitJoint(stages);
  ASSERT_TRUE(joint.fitted) << joint.reason;
  // The modelled flux keeps the upstream mass, and the reach is the one
  // fitted from the measured flux (whose timing the coarse cells move by
  // 2 %: the grid's, not the joint fit's).
  EXPECT_NEAR(joint.parts[1].fit.recoveredMass / M, 1, 1e-3);
  const FittedPath& reach = joint.parts[1].fit.models[0].paths[0];
  const FittedPath& alone = reachFit.best()->paths[0];
  EXPECT_NEAR(reach.massFraction.value, alone.massFraction.value, 2e-3);
  EXPECT_NEAR(reach.velocity.value / alone.velocity.value, 1, 1e-3);
}

TEST(JointFit, AChainThatCannotBeFittedSaysWhy) {
  const Chain c(0.04, 0.05, 0.01, 3);
  const JointStage alone[] = {{&c.upInput, &c.upFit, "", "UP.DAT", 150}};
  EXPECT_EQ(fitJoint(alone).reason, "the chain has no reach");
  const FlowPathFitResult none = fitNotMade(onePath(), "not fitted");
  const JointStage unfitted[] = {{&c.upInput, &c.upFit, "", "UP.DAT", 150},
                                 {&c.reachInput, &none, "UP.DAT", "DOWN.DAT", 620}};
  const JointFitResult r = fitJoint(unfitted);
  EXPECT_FALSE(r.fitted);
  EXPECT_EQ(r.reason, "UP.DAT to DOWN.DAT was not fitted");
  // A chain must start from the release.
  const JointStage reversed[] = {{&c.reachInput, &c.reachFit, "", "DOWN.DAT", 620},
                                 {&c.upInput, &c.upFit, "DOWN.DAT", "UP.DAT", 150}};
  EXPECT_EQ(fitJoint(reversed).reason,
            "the chain does not start at a station fitted from the release");
}

}  // namespace
}  // namespace kaldero
