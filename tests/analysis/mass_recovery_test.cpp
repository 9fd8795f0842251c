#include "analysis/mass_recovery.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::StationFixture;

TEST(FirstMomentStep, PulseTakesTheFirstMomentOfTheLoad) {
  StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 0.5f;
  f.results.peakTime = 7200;  // half the peak time, 1 h, exceeds the release
  f.results.recoveredMass = 10;
  f.results.lowerLimit = 0;
  f.results.upperLimit = 10800;
  std::vector<float> X{0, 3600, 7200, 10800}, F{4, 2, 2, 2}, D(4);
  firstMomentStep(f.notices, f.results, f.inputs(), 4, X, F, D);
  EXPECT_TRUE(f.notices.empty());
  // The load at time 0 is lost; the others come back unchanged.
  EXPECT_EQ(F, (std::vector<float>{0, 2, 2, 2}));
  // F X is 0, 7200, 14400, 21600: a straight line of slope 2.
  EXPECT_NEAR(f.results.firstMoment, 10800.0 * 10800.0, 100.0);
  EXPECT_EQ(f.results.recordedUpperLimit, 10800.0f);
  EXPECT_EQ(f.results.upperLimit, 10800.0f);
  EXPECT_FLOAT_EQ(f.results.comparisonTime, f.results.firstMoment / 10 / 3600);
  // An instantaneous release has no comparison time.
  f.release.mode = ReleaseMode::Instantaneous;
  firstMomentStep(f.notices, f.results, f.inputs(), 4, X, F, D);
  EXPECT_EQ(f.results.comparisonTime, 0.0f);
}

TEST(FirstMomentStep, LongReleaseIntegratesTheShortfallUpToThePeak) {
  StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 5;
  const std::vector<float> X{0, 3600, 7200, 10800, 14400};
  std::vector<float> F{0, 5, 10, 10, 4}, D(5);
  f.results.peakIndex = 3;
  f.results.peakConcentration = 10;
  f.results.peakTime = 7200;
  f.results.lowerLimit = 0;
  f.results.upperLimit = 14400;
  firstMomentStep(f.notices, f.results, f.inputs(), 5, X, F, D);
  EXPECT_EQ(f.results.recordedUpperLimit, 14400.0f);
  EXPECT_EQ(f.results.upperLimit, 7200.0f);
  // Shortfall 1, 0.5, 0 on a straight line: the integral is 3600.
  EXPECT_NEAR(f.results.firstMoment, 3600.0, 1.0);
  // The curve is left as it was.
  EXPECT_EQ(F, (std::vector<float>{0, 5, 10, 10, 4}));
  // A long release has no comparison time, so the driver leaves the curve
  // as concentrations.
  EXPECT_EQ(f.results.comparisonTime, 0.0f);
  // The distance-weighted integral of a long release is the distance.
  distanceWeightedStep(f.notices, f.results, f.inputs(), 5, X, F, D);
  EXPECT_EQ(f.results.distanceWeighted, 1000.0f);
  EXPECT_TRUE(f.notices.empty());

  // Half the peak time exactly equal to the release: the shortfall
  // integral in hours.
  f.release.durationHours = 1;
  f.results.upperLimit = 14400;
  firstMomentStep(f.notices, f.results, f.inputs(), 5, X, F, D);
  EXPECT_NEAR(f.results.comparisonTime, 1.0, 1e-5);
}

TEST(FirstMomentStep, LimitBeyondTheSamplesIsNoticedAndWarned) {
  StationFixture f;
  f.results.lowerLimit = 0;
  f.results.upperLimit = 20000;  // beyond the last sample
  std::vector<float> X{0, 3600, 7200, 10800}, F{0, 2, 2, 2}, D(4);
  firstMomentStep(f.notices, f.results, f.inputs(), 4, X, F, D);
  ASSERT_EQ(f.notices.size(), 1u);
  EXPECT_EQ(f.notices[0].kind, Notice::Kind::IntegrationLimits);
  EXPECT_GT(f.notices[0].code, 0);
  EXPECT_EQ(f.results.limitsWarning, f.notices[0].code);
  EXPECT_TRUE(std::isfinite(f.results.firstMoment));
}

TEST(DistanceWeightedStep, InstantaneousReleaseWeightsTheLoadByTheDistance) {
  StationFixture f;
  f.results.lowerLimit = 0;
  f.results.upperLimit = 10800;
  const std::vector<float> X{0, 3600, 7200, 10800}, F{1, 1, 1, 1};
  std::vector<float> D(4);
  distanceWeightedStep(f.notices, f.results, f.inputs(), 4, X, F, D);
  // L F is 1000 from the first sample with a time on; the sample at time 0
  // keeps 0, which the interpolant sees over the first hour.
  EXPECT_GT(f.results.distanceWeighted, 1000.0f * 7200);
  EXPECT_LT(f.results.distanceWeighted, 1000.0f * 10800);
}

TEST(DistanceWeightedStep, SamplesBeforeHalfTheReleaseKeepZero) {
  StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 2;  // half the release: 3600 s
  f.results.peakTime = 36000;
  f.results.lowerLimit = 0;
  f.results.upperLimit = 14400;
  const std::vector<float> X{0, 3600, 7200, 10800, 14400};
  const std::vector<float> F{1, 1, 1, 1, 1};
  std::vector<float> D(5);
  distanceWeightedStep(f.notices, f.results, f.inputs(), 5, X, F, D);
  EXPECT_TRUE(std::isfinite(f.results.distanceWeighted));
  // L * X / (X - 3600) is 2000, 1500, 1333.3 for the last three samples.
  EXPECT_GT(f.results.distanceWeighted, 1333.0f * 7200);
  EXPECT_LT(f.results.distanceWeighted, 2000.0f * 10800);
}

TEST(Recovery, PercentRecoveryAndAccuracyIndex) {
  AnalysisResults r;
  r.recoveredMass = 1e6f;  // ug
  recovery(r, 1000);       // mg
  EXPECT_EQ(r.percentRecovery, 100.0f);
  EXPECT_EQ(r.accuracyIndex, 0.0f);
  r.recoveredMass = 1.5e6f;
  recovery(r, 1000);
  EXPECT_FLOAT_EQ(r.percentRecovery, 150.0f);
  EXPECT_FLOAT_EQ(r.accuracyIndex, -0.5f);
  // Without an injected mass there is no recovery to give, not infinity.
  recovery(r, 0);
  EXPECT_EQ(r.percentRecovery, 0.0f);
  EXPECT_EQ(r.accuracyIndex, 0.0f);
}

}  // namespace
}  // namespace kaldero
