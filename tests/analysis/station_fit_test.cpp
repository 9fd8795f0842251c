// What a station gives its flow-path fit: the samples as read, background
// off with negatives kept, in internal units and since the flow zone; the
// hints of its other analyses.
#include "analysis/station_fit.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/station_fixture.h"
#include "tests/support/synthetic_station.h"

namespace kaldero {
namespace {

TEST(StationFit, SamplesKeepNegativesInInternalUnitsSinceTheFlowZone) {
  testing::StationFixture f;
  f.test.timeUnit = TimeUnit::Hours;
  f.test.concentrationUnit = ConcentrationUnit::MicrogramsPerLitre;
  f.test.dischargeMode = DischargeMode::Measured;
  f.test.dischargeUnit = DischargeUnit::CubicMetresPerHour;
  f.test.backgroundOption = Option::On;
  f.test.background = 1.0f;
  f.release.flowZoneArrivalHours = 0.5f;
  // Every line as read, a concentration below the background too.
  const MeasuredRecord read = testing::recordOf(Curve{{1, 2, 3}, {5, 1, 0.5f}, {3600, 7200, 1800}});
  FitSamples s = fitSamples(f.inputs(), read);
  EXPECT_EQ(s.times, (std::vector<double>{1800, 5400, 9000}));
  EXPECT_EQ(s.concentrations, (std::vector<double>{4000, 0, -500}));
  EXPECT_EQ(s.discharges, (std::vector<double>{1, 2, 0.5}));
  // A constant discharge: the setup's at every sample.
  f.test.dischargeMode = DischargeMode::Constant;
  f.setup.constantDischarge = 0.25f;
  s = fitSamples(f.inputs(), testing::recordOf(Curve{{1, 2}, {3, 2}, {}}, false));
  EXPECT_EQ(s.discharges, (std::vector<double>{0.25, 0.25}));
}

TEST(StationFit, NoReleaseDurationForAnInstantaneousReleaseNoHintWithoutAChatwinLine) {
  testing::StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 2;
  StationResults r;
  r.mass.emplace();
  r.transit.emplace().meanTime.hours = 3;
  r.transport.emplace();
  r.chatwin.emplace().dispersion = 0.25f;
  const FitSamples samples{{0, 60}, {0, 5}, {1, 1}};
  FlowPathFitInput in = stationFitInput(FitOptions{}, samples, f.inputs(), r);
  EXPECT_EQ(in.times.data(), samples.times.data());  // the samples, not a copy
  EXPECT_EQ(in.releaseDuration, 7200);
  EXPECT_EQ(in.meanTransitTime, 10800);
  EXPECT_EQ(in.chatwinDispersion, 0);
  r.chatwin->fitted = true;
  f.release.mode = ReleaseMode::Instantaneous;
  in = stationFitInput(FitOptions{}, samples, f.inputs(), r);
  EXPECT_EQ(in.chatwinDispersion, 0.25);
  EXPECT_EQ(in.releaseDuration, 0);
}

}  // namespace
}  // namespace kaldero
