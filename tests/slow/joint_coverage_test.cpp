// The 95 % intervals of the joint fit of a station and the reach below it
// (--fit-joint) against the true paths over 400 seeded chains: each on one
// path of a velocity and dispersion coefficient drawn anew (v 0.03 to 0.06
// m/s, D 0.02 to 0.08 m2/s), the upstream station at 150 m, the downstream
// one at 770 m (the reach of 620 m has the path's v and D and carries the
// whole upstream flux), both in closed form with noise of 1 % of their
// peaks.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/joint_chain.h"

namespace kaldero {
namespace {

using testing::Chain;

constexpr int kRuns = 400;

bool covers(const Estimate& e, double x) { return e.lower <= x && x <= e.upper; }

// The shares of the chains whose intervals cover the truth: the upstream
// station's v, D and mass, the reach's v, D and share; every chain must be
// fitted.
std::vector<double> coverage(ErrorModel errors, double phi, uint64_t seed) {
  numeric::Random draw(seed);
  int fitted = 0;
  std::vector<int> n(6, 0);
  for (int k = 0; k < kRuns; ++k) {
    const double v = 0.03 + 0.03 * draw.uniform(), D = 0.02 + 0.06 * draw.uniform();
    const Chain chain(v, D, 0.01, seed + 1 + static_cast<uint64_t>(k), testing::onePath(errors),
                      phi);
    if (!chain.joint.fitted) continue;
    ++fitted;
    n[0] += covers(chain.first().velocity, v);
    n[1] += covers(chain.first().dispersion, D);
    n[2] += covers(chain.first().mass, 5e7);
    n[3] += covers(chain.reach().velocity, v);
    n[4] += covers(chain.reach().dispersion, D);
    n[5] += covers(chain.reach().massFraction, 1);
  }
  EXPECT_EQ(fitted, kRuns);
  std::vector<double> share;
  for (const int k : n) share.push_back(k / static_cast<double>(kRuns));
  std::printf("joint coverage over %d chains (%d fitted), lag-1 %g: station v %.3f, D %.3f, "
              "mass %.3f; reach v %.3f, D %.3f, share %.3f\n",
              kRuns, fitted, phi, share[0], share[1], share[2], share[3], share[4], share[5]);
  return share;
}

TEST(JointCoverage, WithAr1ErrorsTheJointIntervalsCoverTheStationAndTheReach) {
  for (const double c : coverage(ErrorModel::Ar1, 0.8, 4405)) {
    EXPECT_GE(c, 0.925);
    EXPECT_LE(c, 0.975);
  }
}

TEST(JointCoverage, WithIndependentErrorsTheJointIntervalsCoverTheStationAndTheReach) {
  for (const double c : coverage(ErrorModel::Independent, 0, 4404)) {
    EXPECT_GE(c, 0.925);
    EXPECT_LE(c, 0.975);
  }
}

}  // namespace
}  // namespace kaldero
