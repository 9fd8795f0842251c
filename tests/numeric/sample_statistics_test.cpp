#include "numeric/sample_statistics.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero::numeric {
namespace {

TEST(SampleStatistics, MedianOfOddAndEvenCounts) {
  EXPECT_EQ(sampleStatistics(std::vector<float>{1, 2, 7}).median, 2.0f);
  EXPECT_EQ(sampleStatistics(std::vector<float>{1, 2, 7, 9}).median, 4.5f);
}

TEST(SampleStatistics, QuartilesAtPlottingPositions) {
  // n = 6: p(2) = 0.25 and p(5) = 0.75 exactly, the values themselves.
  const std::vector<float> six{1, 2, 3, 4, 5, 6};
  EXPECT_EQ(plottingPositionQuantile(six, 0.25f), 2.0f);
  EXPECT_EQ(plottingPositionQuantile(six, 0.75f), 5.0f);
  // n = 5: p = 0.1, 0.3, ...; 0.25 lies 3/4 of the way from p(1) to p(2).
  const std::vector<float> five{0, 4, 8, 12, 16};
  EXPECT_FLOAT_EQ(plottingPositionQuantile(five, 0.25f), 3.0f);
  EXPECT_FLOAT_EQ(plottingPositionQuantile(five, 0.75f), 13.0f);
  // n = 2: both quartiles sit on the two values.
  const std::vector<float> two{3, 7};
  // With no value below the fraction the interpolation starts from 0 at 0.
  EXPECT_FLOAT_EQ(plottingPositionQuantile(std::vector<float>{4}, 0.25f), 2.0f);
  EXPECT_EQ(plottingPositionQuantile(two, 0.25f), 3.0f);
  EXPECT_EQ(plottingPositionQuantile(two, 0.75f), 7.0f);
}

TEST(SampleStatistics, HalfRangeMeanTakesTheNarrowerHalf) {
  // Upper half narrower: the values from the median to Q3.
  SampleStatistics s = sampleStatistics(std::vector<float>{0, 10, 10, 10});
  EXPECT_EQ(s.median, 10.0f);
  EXPECT_EQ(s.lowerQuartile, 5.0f);
  EXPECT_EQ(s.upperQuartile, 10.0f);
  EXPECT_EQ(s.halfRangeMean, 10.0f);
  // Lower half narrower: the values from Q1 to the median.
  s = sampleStatistics(std::vector<float>{0, 1, 2, 10});
  EXPECT_EQ(s.median, 1.5f);
  EXPECT_EQ(s.lowerQuartile, 0.5f);
  EXPECT_EQ(s.upperQuartile, 6.0f);
  EXPECT_EQ(s.halfRangeMean, 1.0f);
  // Equal halves count as the upper one: {0, 10} has median 5, Q1 0, Q3 10.
  EXPECT_EQ(sampleStatistics(std::vector<float>{0, 10}).halfRangeMean, 10.0f);
}

TEST(SampleStatistics, TinySamples) {
  SampleStatistics one = sampleStatistics(std::vector<float>{4});
  EXPECT_EQ(one.median, 4.0f);
  EXPECT_EQ(one.lowerQuartile, 4.0f);
  EXPECT_EQ(one.upperQuartile, 4.0f);
  EXPECT_EQ(one.halfRangeMean, 4.0f);
  SampleStatistics none = sampleStatistics(std::vector<float>{});
  EXPECT_EQ(none.median, 0.0f);
  EXPECT_EQ(none.halfRangeMean, 0.0f);
}

}  // namespace
}  // namespace kaldero::numeric
