#include "analysis/tracer_load.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero {
namespace {

TEST(TracerLoad, MeasuredOrConstantDischargeOrNone) {
  TestDescription t;
  StationSetup setup;
  setup.constantDischarge = 0.5f;  // m3/s, as the unit conversion left it
  std::vector<float> c{1, 2, 3}, q{2, 3, 4};
  t.dischargeMode = DischargeMode::Measured;
  toTracerLoad(t, setup, c, q, 3);
  EXPECT_EQ(c, (std::vector<float>{2, 6, 12}));
  t.dischargeMode = DischargeMode::Constant;
  t.constantDischarge = 1800;  // as read (m3/h): not the one used
  c = {1, 2, 3};
  toTracerLoad(t, setup, c, q, 3);
  EXPECT_EQ(c, (std::vector<float>{0.5f, 1, 1.5f}));
  toConcentration(t, setup, c, q, 3);
  EXPECT_EQ(c, (std::vector<float>{1, 2, 3}));
  // Another mode changes nothing; only n samples are touched.
  t.dischargeMode = DischargeMode{3};
  toTracerLoad(t, setup, c, q, 3);
  EXPECT_EQ(c, (std::vector<float>{1, 2, 3}));
  t.dischargeMode = DischargeMode::Measured;
  toTracerLoad(t, setup, c, q, 2);
  EXPECT_EQ(c, (std::vector<float>{2, 6, 3}));
}

TEST(TracerLoad, BackToConcentrationNeverGivesNaN) {
  TestDescription t;
  StationSetup setup;
  t.dischargeMode = DischargeMode::Measured;
  // A sample without discharge has no concentration to give back; a
  // negative discharge gives a negative quotient, stored as 0.
  std::vector<float> c{1, 6, 0, 5}, q{0.5f, 2, 0, -1};
  toConcentration(t, setup, c, q, 4);
  EXPECT_EQ(c, (std::vector<float>{2, 3, 0, 0}));
  c = {5};
  q = {0};
  toConcentration(t, setup, c, q, 1);
  EXPECT_EQ(c[0], 0.0f);
  t.dischargeMode = DischargeMode::Constant;
  setup.constantDischarge = 0;
  c = {5, 0};
  toConcentration(t, setup, c, q, 2);
  EXPECT_EQ(c, (std::vector<float>{0, 0}));
}

}  // namespace
}  // namespace kaldero
