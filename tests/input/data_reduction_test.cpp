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

TEST(ReductionDecision, EveryLineReadsALongFileWholeInModeOneOnly) {
  auto every = [](int32_t lines, ReductionMode mode) {
    return decideReduction(lines, mode, Option::Off, Option::On, [](int32_t) { return true; },
                           /*everyLine*/ true);
  };
  auto d = every(2000000, kEvery);
  EXPECT_EQ(d.mode, kEvery);
  EXPECT_EQ(d.k, 0);
  EXPECT_EQ(d.n, 2000000);
  EXPECT_FALSE(d.reduces());
  // The header's group means and sub-sampling are still taken as asked.
  d = every(2000000, kMeans);
  EXPECT_EQ(d.mode, kMeans);
  EXPECT_EQ(d.k, 2500);
  d = every(1000, kKth);
  EXPECT_EQ(d.mode, kKth);
  EXPECT_TRUE(d.reduces());
}

TEST(ReductionDecision, WhatWasDoneInWords) {
  EXPECT_EQ(reductionWords(decide(6000, kEvery)).what, "every line");
  EXPECT_EQ(reductionWords(decide(6000, kEvery)).why, "");
  const ReductionWords many = reductionWords(decide(12800, kEvery));
  EXPECT_EQ(many.what, "group means of 16 lines");
  EXPECT_EQ(many.why, "more than 6000 lines in data-reduction mode 1");
  EXPECT_EQ(reductionWords(decide(12360, kMeans)).why,
            "as the header's data-reduction mode 2 asks");
  // Every k-th line takes the line k + 1 after the one before it.
  EXPECT_EQ(reductionWords(decide(1000, kKth)).what, "every 3rd line");
  EXPECT_EQ(reductionWords(decide(601, kMeans, Option::On)).why,
            "data-reduction mode 2 with knots is read as mode 3");
  ReductionDecision halved = decideReduction(
      12800, kEvery, Option::Off, Option::Off, [](int32_t n) { return n < 500; });
  EXPECT_TRUE(halved.halved);
  EXPECT_NE(reductionWords(halved).why.find("halved for want of storage"), std::string::npos);
}

}  // namespace
}  // namespace kaldero
