#include "analysis/transit_times.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/mass_recovery.h"
#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::conditionedCurve;
using testing::StationFixture;

TEST(FirstArrivalAndPeak, EarlierPeakWinsTies) {
  const std::vector<float> X{3600, 7200, 10800, 14400}, C{0, 4, 9, 9};
  ArrivalAndPeak r = arrivalAndPeak(X, C, 0);
  EXPECT_EQ(r.firstArrival, 7200.0f);
  EXPECT_EQ(r.peakIndex, 3);
  EXPECT_EQ(r.peakConcentration, 9.0f);
  EXPECT_EQ(r.peakTime, 10800.0f);
  EXPECT_FLOAT_EQ(r.chatwinPeak, 9 * std::sqrt(10800.0f));
  // A flow-zone arrival of 2 hours takes 7200 s off the peak time.
  r = arrivalAndPeak(X, C, 2);
  EXPECT_EQ(r.peakTime, 3600.0f);
  // No positive concentration: no first arrival (0), and a peak before the
  // flow-zone arrival leaves no Chatwin parameter.
  const std::vector<float> zero{0, 0, 0, 0};
  r = arrivalAndPeak(X, zero, 2);
  EXPECT_EQ(r.firstArrival, 0.0f);
  EXPECT_EQ(r.peakIndex, 1);
  EXPECT_EQ(r.peakTime, -3600.0f);
  EXPECT_EQ(r.chatwinPeak, 0.0f);
  // No sample at all.
  r = arrivalAndPeak({}, {}, 0);
  EXPECT_EQ(r.peakIndex, 1);
  EXPECT_EQ(r.peakConcentration, 0.0f);
  EXPECT_EQ(r.firstArrival, 0.0f);
}

// A triangular load from 0 to 10 h peaking at 4 h, sampled every 3.6 s:
// dense enough for the interpolant to have the moments of the triangle
// (mean 14/3 h, variance 76/18 h^2).
struct Triangle {
  static constexpr int32_t n = 10001;
  std::vector<float> X, F;
  Triangle() {
    for (int i = 0; i < n; ++i) {
      const double t = i / 1000.0;  // hours
      X.push_back(static_cast<float>(3600.0 * t));
      F.push_back(static_cast<float>(t <= 4 ? 2.5 * t : 10.0 - 5.0 * (t - 4) / 3.0));
    }
  }
};

// The peak and the integrals of the triangle as the earlier steps leave
// them: area 50 (unit h) and mean 14/3 h.
ArrivalAndPeak trianglePeak() {
  ArrivalAndPeak p;
  p.peakIndex = 4001;
  p.peakConcentration = 10;
  p.peakTime = 14400;
  return p;
}
MassRecovery triangleMass() {
  MassRecovery m;
  m.limits = m.momentLimits = {0, 36000};
  m.mass.micrograms = 50 * 3600.0f;
  m.firstMoment = 50 * 3600.0f * (14.0f / 3.0f * 3600.0f);
  return m;
}

std::optional<TransitTimes> triangleTransit(const StationFixture& f) {
  const Triangle tr;
  return transitTimes(f.inputs(), tr.X, tr.F, trianglePeak(), triangleMass());
}

TEST(DITRTI, PulseMoments) {
  StationFixture f;
  const std::optional<TransitTimes> t = triangleTransit(f);
  ASSERT_TRUE(t);
  EXPECT_TRUE(t->notices.empty());
  EXPECT_NEAR(t->meanTime.hours, 14.0 / 3.0, 1e-5);
  EXPECT_NEAR(t->meanTime.minutes, 280.0, 1e-3);
  EXPECT_NEAR(t->meanTime.days, 14.0 / 72.0, 1e-6);
  EXPECT_NEAR(t->variance, 76.0 / 18.0, 1e-3);
  EXPECT_NEAR(t->standardDeviation.hours, std::sqrt(76.0 / 18.0), 1e-3);
  EXPECT_FLOAT_EQ(t->standardDeviation.days, t->standardDeviation.hours / 24);
  EXPECT_FLOAT_EQ(t->standardDeviation.minutes, t->standardDeviation.hours * 60);
  EXPECT_FLOAT_EQ(t->varianceUnits.minutes, t->variance * 3600);
  EXPECT_NEAR(t->zerothMoment, 50 * 3600.0, 1.0);
  // Only with the normalized-file option.
  EXPECT_FALSE(t->skewness.has_value());
  EXPECT_FALSE(t->kurtosis.has_value());
  // The plot parameters in the station's time unit (seconds).
  EXPECT_FLOAT_EQ(t->meanTimeInTimeUnit, t->meanTime.hours * 3600);
  EXPECT_FALSE(t->infiltrationExceedsMean);
}

TEST(DITRTI, SkewnessAndKurtosisOfThePulse) {
  StationFixture f;
  f.test.normalizedOption = Option::On;
  const std::optional<TransitTimes> t = triangleTransit(f);
  ASSERT_TRUE(t && t->skewness && t->kurtosis);
  // Triangle a = 0, b = 10, c = 4: skewness
  // sqrt(2) (a+b-2c)(2a-b-c)(a-2b+c) / (5 (a^2+b^2+c^2-ab-ac-bc)^1.5),
  // excess kurtosis -0.6.
  const double q = 0 + 100 + 16 - 0 - 0 - 40;
  const double skew = std::sqrt(2.0) * 2 * (-14) * (-16) / (5 * std::pow(q, 1.5));
  EXPECT_NEAR(*t->skewness, skew, 1e-3);
  EXPECT_NEAR(*t->kurtosis, -0.6, 1e-3);
}

TEST(DITRTI, FlowZoneArrivalLowersTheMeanTime) {
  auto transit = [&](float flowZone) {
    StationFixture f;
    f.release.flowZoneArrivalHours = flowZone;
    return *triangleTransit(f);
  };
  const TransitTimes a = transit(0), b = transit(2);
  EXPECT_NEAR(a.meanTime.hours - b.meanTime.hours, 2.0, 1e-5);
  EXPECT_NEAR(a.meanTime.minutes - b.meanTime.minutes, 120.0, 1e-3);
  EXPECT_NEAR(a.meanTime.days - b.meanTime.days, 0.083333, 1e-6);
  // The variance is taken about the uncorrected mean.
  EXPECT_EQ(a.variance, b.variance);
}

TEST(DITRTI, InfiltrationLongerThanTheTravelGivesANegativeMeanTime) {
  StationFixture f;
  f.release.flowZoneArrivalHours = 5;
  const TransitTimes t = *triangleTransit(f);
  EXPECT_NEAR(t.meanTime.hours, 14.0 / 3.0 - 5, 1e-5);
  EXPECT_NEAR(t.meanTime.minutes, -20.0, 1e-3);
  EXPECT_NEAR(t.meanTime.days, -1.0 / 72.0, 1e-6);
  EXPECT_NEAR(t.variance, 76.0 / 18.0, 1e-3);
  EXPECT_TRUE(t.infiltrationExceedsMean);
}

TEST(DITRTI, LongReleaseTakesTheLimitsTheFirstMomentLowered) {
  StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 20;
  // A rise to a plateau: 0, 0.5, 1, 1 (concentrations), the peak at 2 h.
  const Curve cv = conditionedCurve({0, 3600, 7200, 10800}, {0, 5, 10, 10});
  const ArrivalAndPeak peak = arrivalAndPeak(cv.T, cv.C, 0);
  ASSERT_EQ(peak.peakIndex, 3);
  AnalysisCurves curves;
  const MassRecovery mass = massRecovery(f.inputs(), cv, f.discharge(cv), peak, curves);
  const std::optional<TransitTimes> t =
      transitTimes(f.inputs(), cv.T, curves.afterFirstMoment, peak, mass);
  ASSERT_TRUE(t);
  // The shortfall 1, 0.5, 0 over two hours: a mean of 1 h.
  EXPECT_NEAR(t->meanTime.hours, 1.0, 1e-5);
  EXPECT_GT(t->longReleaseMoment, 0);
  // The limits the listing reports: the recorded upper limit and the one
  // the moments took (the report says the limit changed).
  EXPECT_EQ(mass.limits.upper, 10800.0f);
  EXPECT_EQ(mass.momentLimits.upper, 7200.0f);
  EXPECT_EQ(mass.momentLimits.lower, 0.0f);
  // The long release has no pulse moments.
  EXPECT_EQ(t->zerothMoment, 0.0f);
}

TEST(DITRTI, NegativeVarianceHasNoStandardDeviation) {
  StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 20;
  f.test.normalizedOption = Option::On;
  // The shortfall integral is taken as the mean time; one that is too long
  // for its second moment gives a negative variance.
  const std::vector<float> X{0, 3600, 7200}, C{0, 5, 10};
  ArrivalAndPeak peak;
  peak.peakIndex = 3;
  peak.peakConcentration = 10;
  peak.peakTime = 7200;
  MassRecovery mass;
  mass.limits = mass.momentLimits = {0, 7200};
  mass.mass.micrograms = 1;
  mass.firstMoment = 5 * 3600;
  const std::optional<TransitTimes> t = transitTimes(f.inputs(), X, C, peak, mass);
  ASSERT_TRUE(t);
  EXPECT_LT(t->variance, 0);
  EXPECT_EQ(t->standardDeviation.hours, 0.0f);
  EXPECT_EQ(t->standardDeviation.days, 0.0f);
  EXPECT_EQ(t->skewness.value_or(-1), 0.0f);
  EXPECT_EQ(t->kurtosis.value_or(-1), 0.0f);
}

TEST(DITRTI, NoMassComputesNothing) {
  // The run then stops with its report.
  StationFixture f;
  const Triangle tr;
  MassRecovery none = triangleMass();
  none.mass.micrograms = 0;
  EXPECT_FALSE(transitTimes(f.inputs(), tr.X, tr.F, trianglePeak(), none));
}

}  // namespace
}  // namespace kaldero
