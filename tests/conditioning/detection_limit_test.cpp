// The readings below a detection limit and what is put in their place.
#include "conditioning/detection_limit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kaldero {
namespace {

// A curve whose logarithm is a parabola: exp(-(t - 20)^2 / 18), peak 1
// at t = 20, read every hour from 0 to 60, with a background of b.
struct Readings {
  std::vector<float> T, C;
};

Readings gaussian(float background = 0) {
  Readings r;
  for (int i = 0; i <= 60; ++i) {
    r.T.push_back(static_cast<float>(i));
    r.C.push_back(background + static_cast<float>(std::exp(-(i - 20.0) * (i - 20.0) / 18.0)));
  }
  return r;
}

TEST(DetectionLimit, TheLimbsOfAGaussianCurveAreContinuedBelowTheLimit) {
  // Limit 0.05: the curve reads above it from t = 13 to 27. Each limb is
  // the exponential of a parabola, so the readings below the limit are put
  // back at the curve's own values.
  Readings r = gaussian();
  const Readings truth = r;
  const Censoring c(r.T, r.C, 0.05f, 0);
  ASSERT_EQ(c.firstDetected(), 13u);
  ASSERT_EQ(c.lastDetected(), 27u);
  replaceCensored(c, r.T, r.C, nullptr);
  for (std::size_t i = 0; i < r.C.size(); ++i) {
    if (i >= 13 && i <= 27) {
      EXPECT_EQ(r.C[i], truth.C[i]) << "a reading of the curve is changed at " << i;
    } else {
      EXPECT_NEAR(r.C[i], truth.C[i], 1e-4 * 0.05) << "at " << i;
      EXPECT_LE(r.C[i], 0.05f);
    }
  }
}

TEST(DetectionLimit, ALoneReadingAboveTheLimitOutsideTheCurveIsTakenForNoise) {
  Readings r = gaussian();
  r.C[50] = 0.08f;  // a spike long after the curve
  r.C[3] = 0.09f;   // and one before it
  const Censoring c(r.T, r.C, 0.05f, 0);
  EXPECT_EQ(c.firstDetected(), 13u);
  EXPECT_EQ(c.lastDetected(), 27u);
  EXPECT_FALSE(c.inCurve(50));
  replaceCensored(c, r.T, r.C, nullptr);
  EXPECT_LT(r.C[50], 1e-6f);
  EXPECT_LT(r.C[3], 1e-6f);
}

TEST(DetectionLimit, AReadingBelowTheLimitWithinTheCurveTakesTheMiddleOrADraw) {
  Readings r = gaussian(0.01f);  // background 0.01
  r.C[22] = 0.02f;               // below the limit amid the curve
  const Censoring c(r.T, r.C, 0.05f, 0.01f);
  Readings middle = r;
  replaceCensored(c, middle.T, middle.C, nullptr);
  EXPECT_FLOAT_EQ(middle.C[22], 0.03f);  // halfway from the background to the limit
  numeric::Random rng(5);
  double low = 1, high = 0;
  for (int k = 0; k < 200; ++k) {
    Readings d = r;
    replaceCensored(c, d.T, d.C, &rng);
    low = std::min<double>(low, d.C[22]);
    high = std::max<double>(high, d.C[22]);
  }
  EXPECT_GE(low, 0.01);
  EXPECT_LE(high, 0.05);
  EXPECT_LT(low, 0.012);
  EXPECT_GT(high, 0.048);
}

TEST(DetectionLimit, ADrawKeepsTheCensoringOfTheStationsRecord) {
  const Readings measured = gaussian();
  Readings draw = measured;
  draw.C[12] = 0.06f;  // censored in the record, above the limit in the draw
  draw.C[16] = 0.04f;  // resolved in the record, below the limit in the draw
  const Censoring c(draw.T, draw.C, 0.05f, 0, measured.C);
  EXPECT_EQ(c.firstDetected(), 13u);
  EXPECT_TRUE(c.censored(12, 0.06f));
  EXPECT_FALSE(c.censored(16, 0.04f));
  replaceCensored(c, draw.T, draw.C, nullptr);
  EXPECT_LE(draw.C[12], 0.05f);
  EXPECT_EQ(draw.C[16], 0.04f);
}

TEST(DetectionLimit, WithoutTwoSuccessiveReadingsOrAnyAboveTheLimit) {
  // One reading above the limit alone: the curve is that reading, and
  // there is no limb to continue: the rest is the background.
  Readings one;
  for (int i = 0; i < 10; ++i) {
    one.T.push_back(static_cast<float>(i));
    one.C.push_back(i == 4 ? 1.0f : 0.2f);
  }
  const Censoring c(one.T, one.C, 0.5f, 0.1f);
  EXPECT_EQ(c.firstDetected(), 4u);
  EXPECT_EQ(c.lastDetected(), 4u);
  replaceCensored(c, one.T, one.C, nullptr);
  for (int i = 0; i < 10; ++i) EXPECT_FLOAT_EQ(one.C[i], i == 4 ? 1.0f : 0.1f);
  // None above it: every reading is the background.
  Readings none = one;
  none.C[4] = 0.3f;
  const Censoring n(none.T, none.C, 0.5f, 0.1f);
  EXPECT_FALSE(n.firstDetected());
  replaceCensored(n, none.T, none.C, nullptr);
  for (float x : none.C) EXPECT_FLOAT_EQ(x, 0.1f);
}

TEST(DetectionLimit, ALimbThatDoesNotFallIsNotContinued) {
  // A falling limb that rises again before the record ends (a second
  // peak cut by the limit): a parabola that turns up and a rising
  // exponential are no recession, so after the curve there is no tracer.
  Readings r;
  const float c[] = {0.0f, 0.0f, 2.0f, 5.0f, 3.0f, 1.0f, 1.5f, 2.0f, 2.5f, 0.0f, 0.0f};
  for (int i = 0; i < 11; ++i) {
    r.T.push_back(static_cast<float>(i));
    r.C.push_back(c[i]);
  }
  const Censoring censoring(r.T, r.C, 0.5f, 0);
  replaceCensored(censoring, r.T, r.C, nullptr);
  EXPECT_EQ(r.C[9], 0.0f);
  EXPECT_EQ(r.C[10], 0.0f);
}

}  // namespace
}  // namespace kaldero
