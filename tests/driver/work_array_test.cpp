#include "driver/work_array.h"

#include <gtest/gtest.h>

#include <limits>

namespace kaldero {
namespace {

constexpr ReductionMode kEvery = ReductionMode::EveryLine;
constexpr ReductionMode kMeans = ReductionMode::GroupMeans;
constexpr ReductionMode kKth = ReductionMode::EveryKth;

ReductionDecision decide(int32_t lines, ReductionMode mode, Option knot = Option::Off,
                         Option totals = Option::Off) {
  return decideReduction(lines, mode, knot, totals, [](int32_t) { return true; });
}

TEST(ReductionDecision, SmallFilesAreReadWhole) {
  auto d = decide(600, kMeans);
  EXPECT_EQ(d.mode, kEvery);
  EXPECT_EQ(d.k, 0);
  EXPECT_EQ(d.n, 600);
  d = decide(6000, kEvery);
  EXPECT_EQ(d.mode, kEvery);
  EXPECT_EQ(d.n, 6000);
}

TEST(ReductionDecision, GroupMeansAndSubSampling) {
  auto d = decide(601, kMeans);
  EXPECT_EQ(d.mode, kMeans);
  EXPECT_EQ(d.k, 2);
  EXPECT_EQ(d.n, 300);
  d = decide(601, kKth);
  EXPECT_EQ(d.mode, kKth);
  EXPECT_EQ(d.k, 2);
  EXPECT_EQ(d.n, 201);
  d = decide(601, kMeans, /*knot*/ Option::On);
  EXPECT_EQ(d.mode, kKth);
  EXPECT_EQ(d.n, 201);
}

TEST(ReductionDecision, LargeFilesInModeOneAreThinned) {
  auto d = decide(6001, kEvery);
  EXPECT_EQ(d.mode, kMeans);
  EXPECT_EQ(d.k, 8);
  EXPECT_EQ(d.n, 750);
  d = decide(6001, kEvery, Option::Off, /*totals*/ Option::On);
  EXPECT_EQ(d.n, 751);
  d = decide(1000000, kMeans);
  EXPECT_EQ(d.k, 1250);
  EXPECT_EQ(d.n, 800);
  d = decide(1001, kMeans);  // 1001 / 800 = 1, 1001 / 1 > 800
  EXPECT_EQ(d.k, 2);
  EXPECT_EQ(d.n, 500);
}

TEST(ReductionDecision, FailedAllocationHalvesTheSamples) {
  std::vector<int32_t> tried;
  auto d = decideReduction(6001, kKth, Option::Off, Option::Off, [&](int32_t n) {
    tried.push_back(n);
    return n < 200;
  });
  // 6001 -> k 8, n 750 -> 750*8/9 = 666 -> +1; then halved, +1 again.
  ASSERT_EQ(tried.size(), 3u);
  EXPECT_EQ(tried[0], 667);
  EXPECT_EQ(tried[1], 334);
  EXPECT_EQ(tried[2], 168);
  EXPECT_EQ(d.k, 32);
  EXPECT_TRUE(d.allocated);
}

TEST(StationWorkArray, NineSegmentsAfterThePad) {
  StationWorkArray w;
  ASSERT_TRUE(w.allocate(10, 5));
  EXPECT_EQ(StationWorkArray::totalLength(10, 5), 9 * 15 + 5);
  for (int j = 1; j <= 9; ++j) EXPECT_EQ(w.segment(j).size(), 15u);
  // Segments follow each other without overlap.
  EXPECT_EQ(w.segment(2).data(), w.segment(1).data() + 15);
  EXPECT_EQ(w.segment(9).data() + 15,
            w.segment(1).data() - 5 + StationWorkArray::totalLength(10, 5));
  EXPECT_EQ(StationWorkArray::padFor(Option::On, ExtrapolationMethod::Exponential), 5);
  EXPECT_EQ(StationWorkArray::padFor(Option::On, ExtrapolationMethod::Pchip), 1);
  EXPECT_EQ(StationWorkArray::padFor(Option::Off, ExtrapolationMethod::Exponential), 1);
}

TEST(StationWorkArray, LengthBeyondA32BitCountCannotBeHad) {
  StationWorkArray w;
  EXPECT_FALSE(w.allocate(std::numeric_limits<int32_t>::max() / 8, 1));
  EXPECT_FALSE(w.allocated());
  ASSERT_TRUE(w.allocate(3, 5));
  EXPECT_EQ(w.segment(9).size(), 8u);
}

}  // namespace
}  // namespace kaldero
