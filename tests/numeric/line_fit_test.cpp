#include "numeric/line_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kaldero {
namespace {

TEST(LineFit, PointsOnALine) {
  const std::vector<float> x{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  std::vector<float> y;
  for (float v : x) y.push_back(3 - 2 * v);
  LineCoefficients c;
  ASSERT_TRUE(LineFit(x, y, c));
  EXPECT_NEAR(c.a, 3.0f, 1e-5);
  EXPECT_NEAR(c.b, -2.0f, 1e-5);
  Correlation s = PearsonStatistics(x, y);
  EXPECT_NEAR(s.r, -1.0f, 1e-6);
  EXPECT_NEAR(s.r2, 1.0f, 1e-6);
  EXPECT_TRUE(std::isfinite(s.z));
  EXPECT_LT(s.z, -5.0f);
  EXPECT_EQ(s.prob, 0.0f);
  EXPECT_FALSE(s.warnings.badArgument);
  EXPECT_FALSE(s.warnings.noConvergence);
}

TEST(LineFit, ThreePointsHaveOneDegreeOfFreedom) {
  const std::vector<float> x{1, 2, 3}, y{1, 3, 2};
  LineCoefficients c;
  ASSERT_TRUE(LineFit(x, y, c));
  EXPECT_NEAR(c.b, 0.5f, 1e-6);
  EXPECT_NEAR(c.a, 1.0f, 1e-6);
  Correlation s = PearsonStatistics(x, y);
  EXPECT_NEAR(s.r, 0.5f, 1e-6);
  // t = 0.5 sqrt(1 / 0.75) with one degree of freedom: two-sided p = 2/3.
  EXPECT_NEAR(s.prob, 2.0f / 3.0f, 1e-4);
}

TEST(LineFit, LargeTimesAreScaledBeforeTheDecomposition) {
  std::vector<float> x, y;
  for (int i = 0; i < 50; ++i) {
    x.push_back(2.0e6f + 3600.0f * static_cast<float>(i));
    y.push_back(400.0f - 1.5e-4f * x.back());
  }
  LineCoefficients c;
  ASSERT_TRUE(LineFit(x, y, c));
  EXPECT_NEAR(c.b, -1.5e-4f, 1e-8);
  EXPECT_NEAR(c.a, 400.0f, 0.05f);
}

TEST(LineFit, AllTimesEqualGiveTheLeastNormSolution) {
  const std::vector<float> x{2, 2, 2}, y{1, 2, 3};
  LineCoefficients c;
  ASSERT_TRUE(LineFit(x, y, c));
  EXPECT_NEAR(c.a, 1.0f, 1e-5);
  EXPECT_NEAR(c.b, 0.5f, 1e-5);
  Correlation s = PearsonStatistics(x, y);
  EXPECT_EQ(s.r, 0.0f);
  EXPECT_NEAR(s.prob, 1.0f, 1e-6);
}

TEST(Significance, AgreesWithStudentsT) {
  // x = 1..10 and y = x + k e, with e orthogonal to x, chosen for r = 0.5:
  // t = 1.633 with 8 degrees of freedom, two-sided p = 0.1411.
  std::vector<float> x, y;
  const float e[10] = {1, -1, -1, 1, 1, -1, -1, 1, 0, 0};
  const float k = std::sqrt(3 * 82.5f / 8);
  for (int i = 0; i < 10; ++i) {
    x.push_back(static_cast<float>(i + 1));
    y.push_back(x.back() + k * e[i]);
  }
  Correlation s = PearsonStatistics(x, y);
  EXPECT_NEAR(s.r, 0.5f, 1e-5);
  EXPECT_NEAR(s.z, 0.5493061f, 1e-4);
  EXPECT_NEAR(s.prob, 0.1411f, 5e-4);
  BetaWarnings w;
  EXPECT_NEAR(BETAI(4, 0.5f, 0.75f, w), 0.1411f, 5e-4);
  EXPECT_FALSE(w.badArgument || w.noConvergence);
}

TEST(Significance, IncompleteBetaAndLogGamma) {
  BetaWarnings w;
  EXPECT_NEAR(GAMMLN(5), std::log(24.0f), 1e-5);
  EXPECT_NEAR(GAMMLN(0.5f), 0.5f * std::log(3.14159265f), 1e-5);
  EXPECT_NEAR(GAMMLN(10.5f), std::lgamma(10.5f), 1e-4);
  for (float x : {0.1f, 0.5f, 0.9f}) {
    EXPECT_NEAR(BETAI(1, 1, x, w), x, 1e-5);
    EXPECT_NEAR(BETAI(3, 1, x, w), x * x * x, 1e-5);
  }
  EXPECT_EQ(BETAI(2, 3, 0, w), 0.0f);
  EXPECT_EQ(BETAI(2, 3, 1, w), 1.0f);
  EXPECT_FALSE(w.badArgument);
  EXPECT_FALSE(w.noConvergence);
}

TEST(Significance, BadArgumentIsReportedAndTheComputationGoesOn) {
  BetaWarnings w;
  (void)BETAI(2, 0.5f, 1.5f, w);
  EXPECT_TRUE(w.badArgument);
  EXPECT_FALSE(w.noConvergence);
}

TEST(Significance, ContinuedFractionThatDoesNotConvergeIsReported) {
  // Large parameters need more terms than the fraction is given; its last
  // value is used.
  BetaWarnings w;
  const float p = BETAI(1e6f, 1e6f, 0.5f, w);
  EXPECT_TRUE(w.noConvergence);
  EXPECT_FALSE(w.badArgument);
  EXPECT_TRUE(std::isfinite(p));
}

}  // namespace
}  // namespace kaldero
