#include "numeric/pchip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kaldero::numeric {
namespace {

// Reference data: X = 0, 1, 2, 4, 7; F = 0, 2, 5, 6, 1.
const std::vector<float> kX{0, 1, 2, 4, 7};
const std::vector<float> kF{0, 2, 5, 6, 1};

TEST(PCHEZ, ReferenceDerivatives) {
  std::vector<float> d(5);
  EXPECT_EQ(PCHEZ(5, kX.data(), kF.data(), d.data()), 1);  // one change of direction
  EXPECT_NEAR(d[0], 1.5f, 1e-6);
  EXPECT_NEAR(d[1], 2.4f, 1e-6);
  EXPECT_NEAR(d[2], 0.93103448f, 1e-6);
  EXPECT_EQ(d[3], 0.0f);
  EXPECT_NEAR(d[4], -2.9666667f, 1e-6);
}

TEST(PCHEZ, Errors) {
  std::vector<float> d(3);
  const float x1[] = {0};
  EXPECT_EQ(PCHEZ(1, x1, x1, d.data()), -1);
  const float x[] = {0, 2, 2};
  const float f[] = {1, 2, 3};
  EXPECT_EQ(PCHEZ(3, x, f, d.data()), -3);
}

TEST(PCHEZ, TwoPointsGiveTheSecant) {
  const float x[] = {1, 3};
  const float f[] = {2, 6};
  float d[2];
  EXPECT_EQ(PCHEZ(2, x, f, d), 0);
  EXPECT_EQ(d[0], 2.0f);
  EXPECT_EQ(d[1], 2.0f);
}

TEST(PCHQA, ReferenceIntegrals) {
  std::vector<float> d(5);
  PCHEZ(5, kX.data(), kF.data(), d.data());
  int32_t ierr = -9;
  EXPECT_NEAR(PCHQA(5, kX.data(), kF.data(), d.data(), 0, 7, ierr), 28.582759f, 1e-4);
  EXPECT_EQ(ierr, 0);
  EXPECT_NEAR(PCHQA(5, kX.data(), kF.data(), d.data(), 0.5f, 3.3f, ierr), 11.478312f, 1e-4);
  EXPECT_EQ(ierr, 0);
  EXPECT_NEAR(PCHQA(5, kX.data(), kF.data(), d.data(), -1, 8, ierr), 27.480907f, 1e-4);
  EXPECT_EQ(ierr, 3);
  EXPECT_NEAR(PCHQA(5, kX.data(), kF.data(), d.data(), 7, 0, ierr), -28.582759f, 1e-4);
  EXPECT_EQ(PCHQA(5, kX.data(), kF.data(), d.data(), 3, 3, ierr), 0.0f);
  PCHQA(5, kX.data(), kF.data(), d.data(), 0, 9, ierr);
  EXPECT_EQ(ierr, 2);
  PCHQA(5, kX.data(), kF.data(), d.data(), -2, 5, ierr);
  EXPECT_EQ(ierr, 1);
}

TEST(PCHQA, IntervalsWithinOneCubicAndAcrossTheFirstAndLast) {
  std::vector<float> d(5);
  PCHEZ(5, kX.data(), kF.data(), d.data());
  int32_t ierr;
  // The sum of pieces equals the whole.
  const float whole = PCHQA(5, kX.data(), kF.data(), d.data(), 0, 7, ierr);
  float sum = 0;
  const float cuts[] = {0, 0.3f, 1.5f, 2.5f, 3.0f, 5.0f, 6.5f, 7};
  for (int i = 0; i + 1 < 8; ++i)
    sum += PCHQA(5, kX.data(), kF.data(), d.data(), cuts[i], cuts[i + 1], ierr);
  EXPECT_NEAR(sum, whole, 1e-4);
}

TEST(PCHEV, ReferenceValueAndExtrapolationCount) {
  std::vector<float> d(5);
  PCHEZ(5, kX.data(), kF.data(), d.data());
  const float xe[] = {3, -1, 7, 8};
  float fe[4], de[4];
  EXPECT_EQ(PCHEV(5, kX.data(), kF.data(), d.data(), 4, xe, fe, de), 2);
  EXPECT_NEAR(fe[0], 5.7327586f, 1e-5);
  EXPECT_NEAR(de[0], 0.51724138f, 1e-5);
  EXPECT_NEAR(fe[2], 1.0f, 1e-6);  // the last knot itself
  EXPECT_EQ(PCHEV(5, kX.data(), kF.data(), d.data(), 0, xe, fe, de), -4);
}

TEST(PCHEV, PointThatIsNotANumberStaysInsideTheData) {
  std::vector<float> d(5);
  PCHEZ(5, kX.data(), kF.data(), d.data());
  const float xe[] = {std::nanf("")};
  float fe[1];
  EXPECT_EQ(PCHEV(5, kX.data(), kF.data(), d.data(), 1, xe, fe, nullptr), 0);
  EXPECT_TRUE(std::isnan(fe[0]));
}

TEST(PCHIP, ShapePreservingProperties) {
  // Constant data stays constant, linear data is reproduced, monotone data
  // stays monotone and a flat segment has zero end derivatives.
  const float x[] = {0, 1, 3, 4, 8};
  const float flat[] = {2, 2, 2, 2, 2};
  const float line[] = {1, 3, 7, 9, 17};
  const float mono[] = {0, 0.1f, 5, 5, 9};
  float d[5];
  PCHEZ(5, x, flat, d);
  for (float v : d) EXPECT_EQ(v, 0.0f);
  PCHEZ(5, x, line, d);
  for (float v : d) EXPECT_NEAR(v, 2.0f, 1e-6);
  PCHEZ(5, x, mono, d);
  EXPECT_EQ(d[2], 0.0f);
  EXPECT_EQ(d[3], 0.0f);
  float prev = -1;
  for (int i = 0; i <= 800; ++i) {
    const float t = i * 0.01f;
    float f;
    PCHEV(5, x, mono, d, 1, &t, &f, nullptr);
    EXPECT_GE(f, prev - 1e-5f) << t;
    prev = f;
  }
}

// The integral point by point, in double precision: the same interpolant
// as PCHEZ and PCHQA (to single precision on their reference data), the
// partial integrals as each interval closes, and the exact integral of a
// smooth curve at fine spacing.
TEST(MonotoneIntegral, IsTheInterpolantsIntegralPointByPoint) {
  MonotoneIntegral m;
  std::vector<double> partial;
  for (std::size_t i = 0; i < kX.size(); ++i) {
    m.add(kX[i], kF[i]);
    if (m.closedIntervals() == partial.size() + 1) partial.push_back(m.value());
  }
  EXPECT_NEAR(m.finish(), 28.582759, 1e-5);
  EXPECT_EQ(m.closedIntervals(), 4u);
  // The interval integrals of PCHQA's cubic, each closed once the point
  // after it is known.
  std::vector<float> d(5);
  PCHEZ(5, kX.data(), kF.data(), d.data());
  const std::vector<float> single = cumulativeIntegral(5, kX.data(), kF.data(), d.data());
  ASSERT_EQ(partial.size(), 3u);
  for (std::size_t i = 0; i < partial.size(); ++i)
    EXPECT_NEAR(partial[i], single[i + 1], 1e-5) << i;

  // A coarse curve that rises and falls, uneven steps: the interval
  // integrals of the single-precision package, to its precision.
  const std::vector<float> x{0, 0.5f, 2, 2.5f, 4, 7, 8, 11, 15};
  const std::vector<float> f{0, 1, 4, 6, 5, 3, 2.5f, 1, 0.2f};
  std::vector<float> dd(x.size());
  PCHEZ(static_cast<int32_t>(x.size()), x.data(), f.data(), dd.data());
  const std::vector<float> coarse =
      cumulativeIntegral(static_cast<int32_t>(x.size()), x.data(), f.data(), dd.data());
  MonotoneIntegral falling;
  for (std::size_t i = 0; i < x.size(); ++i) {
    falling.add(x[i], f[i]);
    if (falling.closedIntervals() > 0) {
      EXPECT_NEAR(falling.value(), coarse[falling.closedIntervals()], 1e-5)
          << falling.closedIntervals();
    }
  }
  EXPECT_NEAR(falling.finish(), coarse.back(), 1e-5);

  // Two points: the secant; one point: nothing.
  MonotoneIntegral two;
  two.add(1, 2);
  two.add(3, 6);
  EXPECT_DOUBLE_EQ(two.finish(), 8.0);
  MonotoneIntegral one;
  one.add(1, 2);
  EXPECT_EQ(one.finish(), 0.0);

  // t e^-t over [0, 30] at 100,000 points: 1 - 31 e^-30, to 1e-9.
  MonotoneIntegral fine;
  const int n = 100000;
  for (int i = 0; i < n; ++i) {
    const double t = 30.0 * i / (n - 1);
    fine.add(t, t * std::exp(-t));
  }
  EXPECT_NEAR(fine.finish(), 1 - 31 * std::exp(-30.0), 1e-9);
}

// Summed in double precision, the integral of a long single-precision curve
// keeps its digits; in single precision it loses them interval by interval.
TEST(PCHQA, WideSumsKeepTheDigitsOfMillionsOfIntervals) {
  const int n = 2000000;
  std::vector<float> x(n), f(n, 0.1f), d(n);
  for (int i = 0; i < n; ++i) x[i] = 0.25f * static_cast<float>(i);
  PCHEZ(n, x.data(), f.data(), d.data());
  int32_t ierr = 0;
  const double exact = static_cast<double>(0.1f) * 0.25 * (n - 1);
  const float wide = PCHQA(n, x.data(), f.data(), d.data(), 0, x.back(), ierr, true);
  const float single = PCHQA(n, x.data(), f.data(), d.data(), 0, x.back(), ierr);
  EXPECT_NEAR(wide, exact, 1e-7 * exact);
  EXPECT_GT(std::fabs(single - exact), 1e-4 * exact);
}

}  // namespace
}  // namespace kaldero::numeric
