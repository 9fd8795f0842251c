// The inputs of a station's CXTFIT file from its results, and the stations
// that give no file.
#include <gtest/gtest.h>

#include <vector>

#include "analysis/cxtfit.h"
#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::StationFixture;

StationResults results() {
  StationResults r;
  r.arrival.peakTime = 7200;
  r.mass.emplace().mass.micrograms = 5e5f;
  Transport& t = r.transport.emplace();
  t.dispersion = 0.5f;
  t.meanVelocity.perSecond = 0.1f;
  FlowGeometry& g = r.geometry.emplace();
  g.volume = 300;
  g.conductivity = 2;
  return r;
}

TEST(CxtfitInputs, FromTheStationsSetupReleaseAndResults) {
  StationFixture f;
  f.test.cxtfitSettings = {0, 0};
  f.release.durationHours = 1.5f;
  const std::vector<float> Q{1, 2, 6};
  const std::optional<cxtfit::Inputs> in = cxtfit::inputsOf(f.inputs(), results(), Q);
  ASSERT_TRUE(in.has_value());
  EXPECT_EQ(in->distance, 1000);
  EXPECT_EQ(in->peakTime, 7200);
  EXPECT_EQ(in->volume, 300);
  EXPECT_EQ(in->dispersion, 0.5f);
  EXPECT_EQ(in->meanVelocity, 0.1f);
  EXPECT_EQ(in->conductivity, 2);
  EXPECT_EQ(in->injectedMass, 1e6f);
  EXPECT_EQ(in->recoveredMass, 5e5f);
  EXPECT_EQ(in->releaseDuration, 1.5f);
  EXPECT_EQ(in->constantDischarge, 1);
  EXPECT_EQ(in->meanDischarge, 3);
  EXPECT_EQ(in->releaseMode, ReleaseMode::Instantaneous);
  EXPECT_EQ(in->dischargeMode, DischargeMode::Constant);
  EXPECT_EQ(in->geometry, FlowForm::Conduit);
  EXPECT_EQ(in->settings, (std::array<int32_t, 2>{1, 0}));  // normalized
}

TEST(CxtfitInputs, NoFileOutsideTheTotalsOrWithoutAVolume) {
  StationFixture f;
  StationResults r = results();
  ASSERT_TRUE(cxtfit::inputsOf(f.inputs(), r, {}).has_value());
  f.test.stationTotals = Option::Off;
  EXPECT_FALSE(cxtfit::inputsOf(f.inputs(), r, {}).has_value());
  f.test.stationTotals = Option::On;
  r.geometry->volume = 0;
  EXPECT_FALSE(cxtfit::inputsOf(f.inputs(), r, {}).has_value());
}

}  // namespace
}  // namespace kaldero
