#include "analysis/tracer_load.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero {
namespace {

TEST(TracerLoad, BackToConcentrationNeverGivesNaN) {
  TestDescription t;
  t.dischargeMode = 1;
  // A sample without discharge has no concentration to give back; a
  // negative discharge gives a negative quotient, stored as 0.
  std::vector<float> c{1, 6, 0, 5}, q{0.5f, 2, 0, -1};
  toConcentration(t, c, q, 4);
  EXPECT_EQ(c, (std::vector<float>{2, 3, 0, 0}));
  c = {5};
  q = {0};
  toConcentration(t, c, q, 1);
  EXPECT_EQ(c[0], 0.0f);
  t.dischargeMode = 2;
  t.constantDischarge = 0;
  c = {5, 0};
  toConcentration(t, c, q, 2);
  EXPECT_EQ(c, (std::vector<float>{0, 0}));
}

}  // namespace
}  // namespace kaldero
