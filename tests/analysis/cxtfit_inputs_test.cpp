// The inputs of a station's CXTFIT file, and the stations that give none.
#include <gtest/gtest.h>

#include <vector>

#include "analysis/cxtfit.h"
#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

TEST(CxtfitInputs, NoFileOutsideTheTotalsOrWithoutAVolume) {
  testing::StationFixture f;
  f.test.cxtfitSettings = {0, 0};
  StationResults r;
  r.mass.emplace().mass.micrograms = 5e5f;
  r.transport.emplace().dispersion = 0.5f;
  r.geometry.emplace().volume = 300;
  const std::vector<float> Q{1, 2, 6};
  const std::optional<cxtfit::Inputs> in = cxtfit::inputsOf(f.inputs(), r, Q);
  ASSERT_TRUE(in.has_value());
  EXPECT_EQ(in->injectedMass, 1e6f);
  EXPECT_EQ(in->recoveredMass, 5e5f);
  EXPECT_EQ(in->meanDischarge, 3);
  EXPECT_EQ(in->settings, (std::array<int32_t, 2>{1, 0}));  // normalized
  f.test.stationTotals = Option::Off;
  EXPECT_FALSE(cxtfit::inputsOf(f.inputs(), r, Q).has_value());
  f.test.stationTotals = Option::On;
  r.geometry->volume = 0;
  EXPECT_FALSE(cxtfit::inputsOf(f.inputs(), r, Q).has_value());
}

}  // namespace
}  // namespace kaldero
