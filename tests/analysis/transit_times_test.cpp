#include "analysis/transit_times.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/mass_recovery.h"
#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::StationFixture;

TEST(FirstArrivalAndPeak, EarlierPeakWinsTiesAndArrivalMayStay) {
  AnalysisResults r;
  const std::vector<float> X{3600, 7200, 10800, 14400}, C{0, 4, 9, 9};
  firstArrivalAndPeak(r, 4, X, C, 0);
  EXPECT_EQ(r.firstArrival, 7200.0f);
  EXPECT_EQ(r.peakIndex, 3);
  EXPECT_EQ(r.peakConcentration, 9.0f);
  EXPECT_EQ(r.peakTime, 10800.0f);
  EXPECT_FLOAT_EQ(r.chatwinPeak, 9 * std::sqrt(10800.0f));
  // A flow-zone arrival of 2 hours takes 7200 s off the peak time.
  firstArrivalAndPeak(r, 4, X, C, 2);
  EXPECT_EQ(r.peakTime, 3600.0f);
  // No positive concentration: the first arrival keeps its value, and a
  // peak before the flow-zone arrival leaves no Chatwin parameter.
  const std::vector<float> zero{0, 0, 0, 0};
  firstArrivalAndPeak(r, 4, X, zero, 2);
  EXPECT_EQ(r.firstArrival, 7200.0f);
  EXPECT_EQ(r.peakIndex, 1);
  EXPECT_EQ(r.peakTime, -3600.0f);
  EXPECT_EQ(r.chatwinPeak, 0.0f);
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

void pulseMoments(StationFixture& f) {
  f.results.lowerLimit = 0;
  f.results.upperLimit = 36000;
  f.results.recordedUpperLimit = 36000;
  f.results.peakIndex = 4001;
  f.results.peakConcentration = 10;
  f.results.peakTime = 14400;
  // Area 50 (unit h) and mean 14/3 h.
  f.results.recoveredMass = 50 * 3600.0f;
  f.results.firstMoment = 50 * 3600.0f * (14.0f / 3.0f * 3600.0f);
}

TEST(DITRTI, PulseMoments) {
  StationFixture f;
  Triangle tr;
  pulseMoments(f);
  std::vector<float> D(Triangle::n);
  const std::vector<float> before = tr.F;
  ASSERT_TRUE(transitTimes(f.notices, f.results, f.inputs(), Triangle::n, tr.X, tr.F, D));
  EXPECT_EQ(tr.F, before);
  EXPECT_TRUE(f.notices.empty());
  const AnalysisResults& r = f.results;
  EXPECT_NEAR(r.meanTimeHours, 14.0 / 3.0, 1e-5);
  EXPECT_NEAR(r.meanTimeMinutes, 280.0, 1e-3);
  EXPECT_NEAR(r.meanTimeDays, 14.0 / 72.0, 1e-6);
  EXPECT_NEAR(r.variance, 76.0 / 18.0, 1e-3);
  EXPECT_NEAR(r.standardDeviation, std::sqrt(76.0 / 18.0), 1e-3);
  EXPECT_NEAR(r.zerothMoment, 50 * 3600.0, 1.0);
  EXPECT_EQ(r.skewness, 0.0f);  // only with the normalized-file option
}

TEST(DITRTI, SkewnessAndKurtosisOfThePulse) {
  StationFixture f;
  Triangle tr;
  pulseMoments(f);
  f.test.normalizedOption = Option::On;
  std::vector<float> D(Triangle::n);
  transitTimes(f.notices, f.results, f.inputs(), Triangle::n, tr.X, tr.F, D);
  // Triangle a = 0, b = 10, c = 4: skewness
  // sqrt(2) (a+b-2c)(2a-b-c)(a-2b+c) / (5 (a^2+b^2+c^2-ab-ac-bc)^1.5),
  // excess kurtosis -0.6.
  const double q = 0 + 100 + 16 - 0 - 0 - 40;
  const double skew = std::sqrt(2.0) * 2 * (-14) * (-16) / (5 * std::pow(q, 1.5));
  EXPECT_NEAR(f.results.skewness, skew, 1e-3);
  EXPECT_NEAR(f.results.kurtosis, -0.6, 1e-3);
}

TEST(DITRTI, FlowZoneArrivalLowersTheMeanTime) {
  Triangle tr;
  std::vector<float> D(Triangle::n);
  auto transit = [&](float flowZone) {
    StationFixture f;
    pulseMoments(f);
    f.release.flowZoneArrivalHours = flowZone;
    transitTimes(f.notices, f.results, f.inputs(), Triangle::n, tr.X, tr.F, D);
    return f.results;
  };
  const AnalysisResults a = transit(0), b = transit(2);
  EXPECT_NEAR(a.meanTimeHours - b.meanTimeHours, 2.0, 1e-5);
  EXPECT_NEAR(a.meanTimeMinutes - b.meanTimeMinutes, 120.0, 1e-3);
  EXPECT_NEAR(a.meanTimeDays - b.meanTimeDays, 0.083333, 1e-6);
  // The variance is taken about the uncorrected mean.
  EXPECT_EQ(a.variance, b.variance);
}

TEST(DITRTI, InfiltrationLongerThanTheTravelGivesANegativeMeanTime) {
  StationFixture f;
  Triangle tr;
  pulseMoments(f);
  f.release.flowZoneArrivalHours = 5;
  std::vector<float> D(Triangle::n);
  transitTimes(f.notices, f.results, f.inputs(), Triangle::n, tr.X, tr.F, D);
  EXPECT_NEAR(f.results.meanTimeHours, 14.0 / 3.0 - 5, 1e-5);
  EXPECT_NEAR(f.results.meanTimeMinutes, -20.0, 1e-3);
  EXPECT_NEAR(f.results.meanTimeDays, -1.0 / 72.0, 1e-6);
  EXPECT_NEAR(f.results.variance, 76.0 / 18.0, 1e-3);
}

TEST(DITRTI, LongReleaseLowersTheUpperLimit) {
  StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 20;
  // A rise to a plateau: 0, 0.5, 1, 1 (concentrations), the peak at 2 h.
  const std::vector<float> X{0, 3600, 7200, 10800};
  std::vector<float> C{0, 5, 10, 10}, D(4);
  f.results.lowerLimit = 0;
  f.results.upperLimit = 10800;
  f.results.peakIndex = 3;
  f.results.peakConcentration = 10;
  f.results.peakTime = 7200;
  f.results.recoveredMass = 1;
  firstMomentStep(f.notices, f.results, f.inputs(), 4, X, C, D);
  transitTimes(f.notices, f.results, f.inputs(), 4, X, C, D);
  // The shortfall 1, 0.5, 0 over two hours: a mean of 1 h.
  EXPECT_NEAR(f.results.meanTimeHours, 1.0, 1e-5);
  EXPECT_GT(f.results.longReleaseMoment, 0);
  // The report says the limit changed when the two limits differ.
  EXPECT_EQ(f.results.recordedUpperLimit, 10800.0f);
  EXPECT_EQ(f.results.upperLimit, 7200.0f);
  EXPECT_EQ(f.results.lowerLimit, 0.0f);
  // The long release has no pulse moments.
  EXPECT_EQ(f.results.zerothMoment, 0.0f);
}

TEST(DITRTI, NegativeVarianceHasNoStandardDeviation) {
  StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 20;
  // The shortfall integral is taken as the mean time; one that is too long
  // for its second moment gives a negative variance.
  const std::vector<float> X{0, 3600, 7200}, C{0, 5, 10};
  std::vector<float> D(3);
  f.results.lowerLimit = 0;
  f.results.upperLimit = 7200;
  f.results.recordedUpperLimit = 7200;
  f.results.peakIndex = 3;
  f.results.peakConcentration = 10;
  f.results.peakTime = 7200;
  f.results.recoveredMass = 1;
  f.results.firstMoment = 5 * 3600;
  f.test.normalizedOption = Option::On;
  transitTimes(f.notices, f.results, f.inputs(), 3, X, C, D);
  EXPECT_LT(f.results.variance, 0);
  EXPECT_EQ(f.results.standardDeviation, 0.0f);
  EXPECT_EQ(f.results.skewness, 0.0f);
  EXPECT_EQ(f.results.kurtosis, 0.0f);
}

TEST(DITRTI, NoMassComputesNothing) {
  // The run then stops with its report.
  StationFixture f;
  Triangle tr;
  std::vector<float> D(Triangle::n);
  f.results.meanTimeHours = 7;
  EXPECT_FALSE(transitTimes(f.notices, f.results, f.inputs(), Triangle::n, tr.X, tr.F, D));
  EXPECT_EQ(f.results.meanTimeHours, 7.0f);
  EXPECT_EQ(f.results.variance, 0.0f);
  EXPECT_EQ(f.results.standardDeviation, 0.0f);
  EXPECT_TRUE(f.notices.empty());
}

}  // namespace
}  // namespace kaldero
