#include "analysis/tracer_load.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero {
namespace {

TEST(TracerLoad, MeasuredOrConstantDischargeOrNone) {
  const std::vector<float> c{1, 2, 3}, q{2, 3, 4};
  // 0.5 m3/s, as the unit conversion left it.
  EXPECT_EQ(tracerLoad(c, {DischargeMode::Measured, q, 0.5f}), (std::vector<float>{2, 6, 12}));
  const DischargeOf constant{DischargeMode::Constant, q, 0.5f};
  const std::vector<float> load = tracerLoad(c, constant);
  EXPECT_EQ(load, (std::vector<float>{0.5f, 1, 1.5f}));
  EXPECT_EQ(concentrationsFromLoad(load, constant), c);
  // Another mode changes nothing; the input is never changed.
  EXPECT_EQ(tracerLoad(c, {DischargeMode{3}, q, 0.5f}), c);
  EXPECT_EQ(concentrationsFromLoad(c, {DischargeMode{3}, q, 0.5f}), c);
  EXPECT_EQ(c, (std::vector<float>{1, 2, 3}));
  // Only the values given are converted.
  EXPECT_EQ(tracerLoad(std::span(c).first(2), {DischargeMode::Measured, q, 0}),
            (std::vector<float>{2, 6}));
}

TEST(TracerLoad, BackToConcentrationNeverGivesNaN) {
  // A sample without discharge has no concentration to give back; a
  // negative discharge gives a negative quotient, stored as 0.
  const std::vector<float> q{0.5f, 2, 0, -1};
  EXPECT_EQ(concentrationsFromLoad(std::vector<float>{1, 6, 0, 5}, {DischargeMode::Measured, q, 0}),
            (std::vector<float>{2, 3, 0, 0}));
  const std::vector<float> none{0};
  EXPECT_EQ(concentrationsFromLoad(std::vector<float>{5}, {DischargeMode::Measured, none, 0})[0],
            0.0f);
  EXPECT_EQ(concentrationsFromLoad(std::vector<float>{5, 0}, {DischargeMode::Constant, {}, 0}),
            (std::vector<float>{0, 0}));
}

}  // namespace
}  // namespace kaldero
