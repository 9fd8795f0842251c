#include "input/data_reduction.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

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

// The station's storage: nine arrays of n + pad values and the pad, a
// count that must fit 32 bits.
TEST(StationStorage, LengthBeyondA32BitCountCannotBeHad) {
  EXPECT_TRUE(stationStorage(3, 5));
  EXPECT_TRUE(stationStorage(10, 1));
  EXPECT_FALSE(stationStorage(std::numeric_limits<int32_t>::max() / 8, 1));
  // 9 (n + 1) + 1 just above 2^31 - 1: the pad counts, nine times and once.
  EXPECT_FALSE(stationStorage(238609294, 1));
  EXPECT_FALSE(stationStorage(238609289, 5));  // 9 * 238609294 + 5
  EXPECT_FALSE(stationStorage(-1, 1));
}

}  // namespace
}  // namespace kaldero
