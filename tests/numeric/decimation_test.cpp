#include "numeric/decimation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

namespace kaldero::numeric {
namespace {

struct Curve {
  std::vector<double> x, y;
};

// A tracer breakthrough curve with noise: a skewed peak on a flat base.
Curve breakthrough(std::size_t n, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0, 0.02);
  Curve c;
  for (std::size_t i = 0; i < n; ++i) {
    const double t = 0.1 + 100.0 * static_cast<double>(i) / static_cast<double>(n);
    c.x.push_back(t);
    c.y.push_back(std::exp(-std::pow(std::log(t / 20), 2)) + noise(random));
  }
  return c;
}

// Indices strictly increasing, at most maxPoints, first and last kept.
void expectValid(const std::vector<std::size_t>& kept, std::size_t n, std::size_t maxPoints) {
  EXPECT_LE(kept.size(), maxPoints);
  for (std::size_t k = 1; k < kept.size(); ++k) EXPECT_LT(kept[k - 1], kept[k]);
  if (!kept.empty()) {
    EXPECT_LT(kept.back(), n);
  }
  if (maxPoints >= 2 && n >= 2) {
    ASSERT_GE(kept.size(), 2u);
    EXPECT_EQ(kept.front(), 0u);
    EXPECT_EQ(kept.back(), n - 1);
  }
}

TEST(Decimation, ACurveWithinTheLimitIsReturnedWhole) {
  const std::vector<double> x{0, 1, 2, 3}, y{5, NAN, 7, 7};
  EXPECT_EQ(decimate(x, y, 4), (std::vector<std::size_t>{0, 1, 2, 3}));
  EXPECT_EQ(decimate(x, y, 100).size(), 4u);
  EXPECT_TRUE(decimate({}, {}, 0).empty());
}

TEST(Decimation, NeverMoreThanTheLimitAndEndsKept) {
  const Curve smooth = breakthrough(5000);
  Curve gappy = breakthrough(5000, 2);
  for (std::size_t i = 1; i < gappy.y.size(); i += 2) gappy.y[i] = NAN;  // every other point
  Curve flat{std::vector<double>(3000), std::vector<double>(3000, 4.5)};
  for (std::size_t i = 0; i < flat.x.size(); ++i) flat.x[i] = static_cast<double>(i);
  for (const Curve* c : std::initializer_list<const Curve*>{&smooth, &gappy, &flat}) {
    for (std::size_t maxPoints : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 11u, 50u, 999u, 2000u}) {
      SCOPED_TRACE(maxPoints);
      expectValid(decimate(c->x, c->y, maxPoints), c->x.size(), maxPoints);
    }
  }
  // A constant curve keeps few points: nothing varies within a bucket.
  EXPECT_LE(decimate(flat.x, flat.y, 2000).size(), 2000u);
}

TEST(Decimation, TheGlobalPeakAndTroughAreKept) {
  Curve c = breakthrough(100000);
  c.y[73456] = 50;   // a one-sample spike
  c.y[12345] = -50;  // and a dip
  for (std::size_t maxPoints : {4u, 5u, 10u, 100u, 2000u}) {
    const auto kept = decimate(c.x, c.y, maxPoints);
    expectValid(kept, c.x.size(), maxPoints);
    EXPECT_NE(std::find(kept.begin(), kept.end(), 73456u), kept.end()) << maxPoints;
    EXPECT_NE(std::find(kept.begin(), kept.end(), 12345u), kept.end()) << maxPoints;
  }
  const auto three = decimate(c.x, c.y, 3);
  EXPECT_EQ(three, (std::vector<std::size_t>{0, 73456, c.x.size() - 1}));
}

// Every point of the curve has kept points at least as high and at least
// as low within one bucket width: the drawn envelope is the same.
TEST(Decimation, TheEnvelopeIsKeptAtBucketResolution) {
  const Curve c = breakthrough(20000, 7);
  const std::size_t maxPoints = 500;
  const auto kept = decimate(c.x, c.y, maxPoints);
  expectValid(kept, c.x.size(), maxPoints);
  const double width = (c.x.back() - c.x.front()) / static_cast<double>((maxPoints - 2) / 5);
  std::size_t first = 0;
  for (std::size_t i = 0; i < c.x.size(); ++i) {
    while (c.x[kept[first]] < c.x[i] - width) ++first;
    bool above = false, below = false;
    for (std::size_t k = first; k < kept.size() && c.x[kept[k]] <= c.x[i] + width; ++k) {
      above |= c.y[kept[k]] >= c.y[i];
      below |= c.y[kept[k]] <= c.y[i];
    }
    ASSERT_TRUE(above && below) << "point " << i;
  }
}

TEST(Decimation, MonotoneCurvesStayMonotone) {
  std::vector<double> x, rising, falling;
  for (int i = 0; i < 10000; ++i) {
    x.push_back(i * 0.5);
    rising.push_back(std::sqrt(i) + (i % 7 == 0 ? 1e-9 : 0));  // tiny steps, still rising
    falling.push_back(std::exp(-i / 900.0));
  }
  for (const auto* y : {&rising, &falling}) {
    const auto kept = decimate(x, *y, 300);
    expectValid(kept, x.size(), 300);
    EXPECT_GT(kept.size(), 100u);  // the budget is used, not squandered
    for (std::size_t k = 1; k < kept.size(); ++k) {
      if (y == &rising)
        EXPECT_GT((*y)[kept[k]], (*y)[kept[k - 1]]);
      else
        EXPECT_LT((*y)[kept[k]], (*y)[kept[k - 1]]);
    }
  }
}

TEST(Decimation, GapsSurviveAsAKeptGapPoint) {
  Curve c = breakthrough(10000, 3);
  for (std::size_t i = 3000; i < 3400; ++i) c.y[i] = NAN;
  for (std::size_t i = 7000; i < 7300; ++i) c.x[i] = INFINITY;  // a bad time is a gap too
  c.y[9999] = NAN;                                              // a gap at the end
  const auto kept = decimate(c.x, c.y, 200);
  expectValid(kept, c.x.size(), 200);
  for (auto [from, to] : {std::pair<std::size_t, std::size_t>{3000, 3400}, {7000, 7300}}) {
    bool inside = false;
    for (std::size_t k : kept) inside |= k >= from && k < to;
    EXPECT_TRUE(inside) << "gap at " << from;
  }
  EXPECT_EQ(kept.back(), 9999u);

  // Nothing finite at all: the ends, which are gaps themselves.
  const std::vector<double> x(50, NAN), y(50, 1.0);
  EXPECT_EQ(decimate(x, y, 10), (std::vector<std::size_t>{0, 49}));
}

TEST(Decimation, TinyAndExtremeInputs) {
  EXPECT_EQ(decimate(std::vector<double>{1}, std::vector<double>{2}, 0).size(), 0u);
  EXPECT_EQ(decimate(std::vector<double>{1, 2}, std::vector<double>{2, 3}, 1),
            (std::vector<std::size_t>{0}));
  // Every x the same, and x spanning the whole double range.
  const std::vector<double> same(100, 3.0);
  std::vector<double> wide, y;
  for (int i = 0; i < 100; ++i) {
    wide.push_back(-1e308 + i * 2e306);
    y.push_back(i % 2 ? 1 : -1);
  }
  expectValid(decimate(same, y, 10), 100, 10);
  expectValid(decimate(wide, y, 10), 100, 10);
  EXPECT_THROW(decimate(std::vector<double>{1, 2}, std::vector<double>{1}, 5),
               std::invalid_argument);
}

// One pass with a fixed number of buckets: within the limit, the ends and
// the extremes kept, the envelope at the resolution of its buckets, the
// same points whether the curve comes in single or double precision.
TEST(Decimation, InOnePassKeepsTheEnvelopeOfItsBuckets) {
  const Curve c = breakthrough(200000, 3);
  const std::size_t maxPoints = 4000;
  const auto kept = decimateInOnePass(c.x, c.y, maxPoints);
  expectValid(kept, c.x.size(), maxPoints);
  EXPECT_GT(kept.size(), maxPoints / 2);
  const auto peak = static_cast<std::size_t>(std::max_element(c.y.begin(), c.y.end()) - c.y.begin());
  EXPECT_TRUE(std::binary_search(kept.begin(), kept.end(), peak));
  const double width = (c.x.back() - c.x.front()) / static_cast<double>((maxPoints - 2) / 5);
  std::size_t first = 0;
  for (std::size_t i = 0; i < c.x.size(); i += 7) {
    while (c.x[kept[first]] < c.x[i] - width) ++first;
    bool above = false, below = false;
    for (std::size_t k = first; k < kept.size() && c.x[kept[k]] <= c.x[i] + width; ++k) {
      above |= c.y[kept[k]] >= c.y[i];
      below |= c.y[kept[k]] <= c.y[i];
    }
    ASSERT_TRUE(above && below) << "point " << i;
  }
  std::vector<float> xf(c.x.begin(), c.x.end()), yf(c.y.begin(), c.y.end());
  std::vector<double> xd(xf.begin(), xf.end()), yd(yf.begin(), yf.end());
  EXPECT_EQ(decimateInOnePass(std::span<const float>(xf), std::span<const float>(yf), maxPoints),
            decimateInOnePass(std::span<const double>(xd), std::span<const double>(yd), maxPoints));
  // Within the limit: every point.
  EXPECT_EQ(decimateInOnePass(c.x, c.y, c.x.size()).size(), c.x.size());
}

}  // namespace
}  // namespace kaldero::numeric
