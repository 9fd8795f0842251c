// What a station gives its flow-path fit: the samples as read, background
// off with negatives kept, in internal units and since the flow zone; the
// hints of its other analyses.
#include "analysis/station_fit.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::StationFixture;

// Hours, ug/L, a measured discharge in m3/h; 1 ug/L background.
StationFixture hoursStation() {
  StationFixture f;
  f.test.timeUnit = TimeUnit::Hours;
  f.test.concentrationUnit = ConcentrationUnit::MicrogramsPerLitre;
  f.test.dischargeMode = DischargeMode::Measured;
  f.test.dischargeUnit = DischargeUnit::CubicMetresPerHour;
  f.test.backgroundOption = Option::On;
  f.test.background = 1.0f;
  f.release.flowZoneArrivalHours = 0.5f;
  return f;
}

TEST(StationFit, SamplesKeepNegativesInInternalUnitsSinceTheFlowZone) {
  const StationFixture f = hoursStation();
  const Curve read{{1, 2, 3}, {5, 1, 0.5f}, {3600, 7200, 1800}};
  const FitSamples s = fitSamples(f.inputs(), read);
  EXPECT_EQ(s.times, (std::vector<double>{1800, 5400, 9000}));
  EXPECT_EQ(s.concentrations, (std::vector<double>{4000, 0, -500}));
  EXPECT_EQ(s.discharges, (std::vector<double>{1, 2, 0.5}));
}

TEST(StationFit, ConstantDischargeOfTheSetupAtEverySample) {
  StationFixture f = hoursStation();
  f.test.dischargeMode = DischargeMode::Constant;
  f.setup.constantDischarge = 0.25f;
  // The data pass leaves zero discharges in this mode.
  const FitSamples s = fitSamples(f.inputs(), Curve{{1, 2}, {3, 2}, {0, 0}});
  EXPECT_EQ(s.discharges, (std::vector<double>{0.25, 0.25}));
}

TEST(StationFit, InputFromTheOptionsSamplesAndResults) {
  StationFixture f;
  f.setup.distance = 1500;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 2;
  StationResults r;
  r.arrival.peakTime = 7200;
  r.mass.emplace().mass.micrograms = 4e6f;
  r.transit.emplace().meanTime.hours = 3;
  r.transport.emplace().momentDispersion = 0.5f;
  r.chatwin.emplace().dispersion = 0.25f;  // no line fitted: no hint
  FitOptions options;
  options.paths = 2;
  options.baseline = true;
  const FitSamples samples{{0, 60, 120}, {0, 5, 1}, {1, 1, 1}};
  FlowPathFitInput in = stationFitInput(options, samples, f.inputs(), r);
  EXPECT_EQ(in.paths, 2);
  EXPECT_TRUE(in.baseline);
  EXPECT_EQ(in.times.data(), samples.times.data());  // the samples, not a copy
  EXPECT_EQ(in.concentrations.size(), 3u);
  EXPECT_EQ(in.distance, 1500);
  EXPECT_EQ(in.releaseDuration, 7200);
  EXPECT_EQ(in.recoveredMass, 4e6);
  EXPECT_EQ(in.meanTransitTime, 10800);
  EXPECT_EQ(in.momentDispersion, 0.5);
  EXPECT_EQ(in.chatwinDispersion, 0);
  EXPECT_EQ(in.peakTime, 7200);
  r.chatwin->fitted = true;
  f.release.mode = ReleaseMode::Instantaneous;  // its duration does not count
  in = stationFitInput(options, samples, f.inputs(), r);
  EXPECT_EQ(in.chatwinDispersion, 0.25);
  EXPECT_EQ(in.releaseDuration, 0);
}

}  // namespace
}  // namespace kaldero
