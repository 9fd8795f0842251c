#include "conditioning/gracon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kaldero {
namespace {

TEST(LimbSearch, LastFallAndThePeakBeforeIt) {
  // Peak at sample 10 of 30, then a steady fall: i1 = 10, i2 = 29.
  std::vector<float> c(30);
  for (int i = 0; i < 30; ++i) c[i] = i < 10 ? float(i + 1) : 10 - 0.25f * float(i - 9);
  FallingLimb l = limbSearch(c, 30);
  ASSERT_TRUE(l.found);
  EXPECT_EQ(l.i1 + 1, 10);
  EXPECT_EQ(l.i2 + 1, 29);
  // A flat top: the limb starts at its first sample.
  l = limbSearch(std::vector<float>{1, 5, 5, 3, 2, 1}, 6);
  EXPECT_EQ(l.i1, 1);
  EXPECT_EQ(l.i2, 4);
  // Falling from the start: no rise, the limb starts at sample 1.
  l = limbSearch(std::vector<float>{9, 8, 7, 6}, 4);
  EXPECT_EQ(l.i1, 0);
  EXPECT_EQ(l.i2, 2);
}

TEST(LimbSearch, NoFallBeforeTheLastSample) {
  EXPECT_FALSE(limbSearch(std::vector<float>{1, 2, 3, 1}, 4).found);
  EXPECT_FALSE(limbSearch(std::vector<float>{2, 2, 2}, 3).found);
  EXPECT_FALSE(limbSearch(std::vector<float>{5, 1}, 2).found);
  EXPECT_FALSE(limbSearch(std::vector<float>{5}, 1).found);
}

TEST(LimbSearch, ZeroCrossingAndMeanDischarge) {
  const std::vector<float> t{0, 1, 3, 4};
  const std::vector<float> c{0, 8, 4, 1};
  EXPECT_FLOAT_EQ(zeroCrossing(t, c, 1, 2), 5.0f);  // 8 -> 4 over 2 time units
  const std::vector<float> q{9, 2, 6, 9};
  // Limb samples 2 to 4: 2 for 2 time units, 6 for 1.
  EXPECT_FLOAT_EQ(limbMeanDischarge(t, q, FallingLimb{true, 1, 3}), 10.0f / 3.0f);
}

TEST(GRACON, EqualConcentrationsInTheLimbHaveNoCrossing) {
  const std::vector<float> t{4, 5, 6, 7, 8, 9, 9.5f};
  const std::vector<float> c{5, 10, 8, 8, 4, 2, 1};
  Notices notices;
  TailFit tail;
  GraconResult g = GRACON(notices, t, c, 7, ExtrapolationMethod::ZeroTime, tail);
  EXPECT_EQ(g.errorCode, 0);
  EXPECT_TRUE(notices.empty());
  EXPECT_TRUE(std::isfinite(g.zeroTime));
  EXPECT_GT(g.zeroTime, 9.5f);
}

}  // namespace
}  // namespace kaldero
