#include "analysis/mass_recovery.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::conditionedCurve;
using testing::StationFixture;

// The recovered mass and moment integrals of a curve; with the fixture's
// constant discharge of 1 m3/s the load equals the concentrations.
MassRecovery recover(const StationFixture& f, const Curve& cv, const ArrivalAndPeak& peak,
                     AnalysisCurves& curves) {
  return massRecovery(f.inputs(), cv, f.discharge(cv), peak, curves);
}

ArrivalAndPeak peakAt(float peakTime, int32_t peakIndex = 1, float peakConcentration = 0) {
  ArrivalAndPeak p;
  p.peakTime = peakTime;
  p.peakIndex = peakIndex;
  p.peakConcentration = peakConcentration;
  return p;
}

TEST(FirstMomentStep, PulseTakesTheFirstMomentOfTheLoad) {
  StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 0.5f;
  // Half the peak time, 1 h, exceeds the release.
  const Curve cv = conditionedCurve({0, 3600, 7200, 10800}, {4, 2, 2, 2});
  AnalysisCurves curves;
  const MassRecovery r = recover(f, cv, peakAt(7200), curves);
  EXPECT_TRUE(r.notices.empty());
  EXPECT_EQ(curves.momentInput, (std::vector<float>{4, 2, 2, 2}));
  // The load at time 0 is lost by the F*t/t round trip; the others come
  // back unchanged.
  EXPECT_EQ(curves.afterFirstMoment, (std::vector<float>{0, 2, 2, 2}));
  // F X is 0, 7200, 14400, 21600: a straight line of slope 2.
  EXPECT_NEAR(r.firstMoment, 10800.0 * 10800.0, 100.0);
  EXPECT_EQ(r.limits.lower, 0.0f);
  EXPECT_EQ(r.limits.upper, 10800.0f);
  EXPECT_EQ(r.momentLimits.upper, 10800.0f);
  EXPECT_FLOAT_EQ(r.comparisonTime, r.firstMoment / r.mass.micrograms / 3600);
  // A release shorter than the comparison time is in the pulse regime.
  EXPECT_TRUE(r.loadRegime);
  // An instantaneous release has no comparison time.
  f.release.mode = ReleaseMode::Instantaneous;
  EXPECT_EQ(recover(f, cv, peakAt(7200), curves).comparisonTime, 0.0f);
}

TEST(FirstMomentStep, LongReleaseIntegratesTheShortfallUpToThePeak) {
  StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 5;
  const Curve cv = conditionedCurve({0, 3600, 7200, 10800, 14400}, {0, 5, 10, 10, 4});
  AnalysisCurves curves;
  const MassRecovery r = recover(f, cv, peakAt(7200, 3, 10), curves);
  // The recovered mass is integrated over every sample; the later
  // integrals stop at the peak.
  EXPECT_EQ(r.limits.upper, 14400.0f);
  EXPECT_EQ(r.momentLimits.lower, 0.0f);
  EXPECT_EQ(r.momentLimits.upper, 7200.0f);
  // Shortfall 1, 0.5, 0 on a straight line: the integral is 3600.
  EXPECT_NEAR(r.firstMoment, 3600.0, 1.0);
  // The curve is left as it was: concentrations, no round trip.
  EXPECT_EQ(curves.momentInput, cv.C);
  EXPECT_EQ(curves.afterFirstMoment, cv.C);
  // A long release has no comparison time, so the curve stays
  // concentrations for the later steps.
  EXPECT_EQ(r.comparisonTime, 0.0f);
  EXPECT_FALSE(r.loadRegime);
  // The distance-weighted integral of a long release is the distance.
  EXPECT_EQ(r.distanceWeighted, 1000.0f);
  EXPECT_TRUE(r.notices.empty());

  // Half the peak time exactly equal to the release: the shortfall
  // integral in hours.
  f.release.durationHours = 1;
  EXPECT_NEAR(recover(f, cv, peakAt(7200, 3, 10), curves).comparisonTime, 1.0, 1e-5);
}

TEST(FirstMomentStep, LimitsAreTheSampleTimesAndGiveNoWarning) {
  // The integration limits are inputs of the step, the first and the last
  // sample time: a curve that starts after time 0 integrates from its
  // first sample, without extrapolating beyond the samples.
  StationFixture f;
  const Curve cv = conditionedCurve({1800, 3600, 7200, 10800}, {0, 2, 2, 2});
  AnalysisCurves curves;
  const MassRecovery r = recover(f, cv, peakAt(3600, 2, 2), curves);
  EXPECT_EQ(r.limits.lower, 1800.0f);
  EXPECT_EQ(r.limits.upper, 10800.0f);
  EXPECT_EQ(r.limitsWarning, 0);
  EXPECT_TRUE(r.notices.empty());
  EXPECT_TRUE(std::isfinite(r.firstMoment));
  EXPECT_GT(r.firstMoment, 0.0f);
}

TEST(FirstMomentStep, TooFewSamplesAreNoticedNotIntegrated) {
  // A single sample has no interpolant: every integral notes the
  // derivative error and stays 0.
  StationFixture f;
  const Curve cv = conditionedCurve({3600}, {5});
  AnalysisCurves curves;
  const MassRecovery r = recover(f, cv, peakAt(3600, 1, 5), curves);
  EXPECT_EQ(r.mass.micrograms, 0.0f);
  EXPECT_EQ(r.firstMoment, 0.0f);
  EXPECT_EQ(r.distanceWeighted, 0.0f);
  ASSERT_FALSE(r.notices.empty());
  for (const Notice& n : r.notices) EXPECT_EQ(n.kind, Notice::Kind::IntegrationDerivatives);
  EXPECT_EQ(r.limitsWarning, 0);
}

TEST(DistanceWeightedStep, InstantaneousReleaseWeightsTheLoadByTheDistance) {
  StationFixture f;
  const Curve cv = conditionedCurve({0, 3600, 7200, 10800}, {1, 1, 1, 1});
  AnalysisCurves curves;
  const MassRecovery r = recover(f, cv, peakAt(0), curves);
  // L F is 1000 from the first sample with a time on; the sample at time 0
  // keeps 0, which the interpolant sees over the first hour.
  EXPECT_GT(r.distanceWeighted, 1000.0f * 7200);
  EXPECT_LT(r.distanceWeighted, 1000.0f * 10800);
}

TEST(DistanceWeightedStep, SamplesBeforeHalfTheReleaseKeepZero) {
  StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 2;  // half the release: 3600 s
  const Curve cv = conditionedCurve({0, 3600, 7200, 10800, 14400}, {1, 1, 1, 1, 1});
  AnalysisCurves curves;
  const MassRecovery r = recover(f, cv, peakAt(36000), curves);
  EXPECT_TRUE(std::isfinite(r.distanceWeighted));
  // L * X / (X - 3600) is 2000, 1500, 1333.3 for the last three samples.
  EXPECT_GT(r.distanceWeighted, 1333.0f * 7200);
  EXPECT_LT(r.distanceWeighted, 2000.0f * 10800);
}

TEST(MassRecovery, LoadAndMassInTheUnitsOfTheListing) {
  // 2 m3/s: the load is twice the concentrations; a pound release adds the
  // pounds line.
  StationFixture f;
  f.setup.constantDischarge = 2;
  f.release.massUnit = MassUnit::Pounds;
  const Curve cv = conditionedCurve({0, 3600, 7200}, {0, 500, 0});
  AnalysisCurves curves;
  const MassRecovery r = recover(f, cv, peakAt(3600, 2, 500), curves);
  EXPECT_EQ(curves.load, (std::vector<float>{0, 1000, 0}));
  EXPECT_GT(r.mass.micrograms, 0.0f);
  EXPECT_FLOAT_EQ(r.mass.milligrams, r.mass.micrograms * 1e-3f);
  EXPECT_FLOAT_EQ(r.mass.grams, r.mass.micrograms * 1e-6f);
  EXPECT_FLOAT_EQ(r.mass.kilograms, r.mass.micrograms * 1e-9f);
  ASSERT_TRUE(r.mass.pounds.has_value());
  EXPECT_FLOAT_EQ(*r.mass.pounds, r.mass.kilograms * 2.2046f);
  f.release.massUnit = MassUnit{4};
  EXPECT_FALSE(recover(f, cv, peakAt(3600, 2, 500), curves).mass.pounds.has_value());
}

TEST(Recovery, PercentRecoveryAndAccuracyIndex) {
  Recovery r = recovery(1e6f, 1000);  // ug, mg
  EXPECT_EQ(r.percent, 100.0f);
  EXPECT_EQ(r.accuracyIndex, 0.0f);
  EXPECT_FALSE(r.impossible);
  r = recovery(1.5e6f, 1000);
  EXPECT_FLOAT_EQ(r.percent.value_or(0), 150.0f);
  EXPECT_FLOAT_EQ(r.accuracyIndex.value_or(0), -0.5f);
  EXPECT_TRUE(r.impossible);
  // Without an injected mass there is no recovery to give, not infinity.
  r = recovery(1.5e6f, 0);
  EXPECT_FALSE(r.percent.has_value());
  EXPECT_FALSE(r.accuracyIndex.has_value());
  EXPECT_FALSE(r.impossible);
}

}  // namespace
}  // namespace kaldero
