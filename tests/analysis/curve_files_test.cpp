#include "analysis/curve_files.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero::curves {
namespace {

// Transit times with the mean time and the standard deviation in hours.
TransitTimes transit(float meanHours, float sigmaHours) {
  TransitTimes t;
  t.meanTime.hours = meanHours;
  t.standardDeviation.hours = sigmaHours;
  return t;
}

TEST(CurveFiles, NormalizedLoadAndStandardizedValues) {
  // Times in s, concentrations in ng/L; 2 g recovered.
  const std::vector<float> T{0.0f, 3600.0f, 7200.0f};
  const std::vector<float> C{0.0f, 4000.0f, 1000.0f};
  const std::vector<float> Q{1.0f, 0.5f, 0.25f};
  const DischargeOf measured{DischargeMode::Measured, Q, 7.0f};

  // Mean time 1.5 h, standard deviation 0.5 h, peak 4000 ng/L.
  CurveFileValues v =
      curveFileValues(T, C, measured, TimeUnit::Hours, 2.0f, transit(1.5f, 0.5f), 4000.0f, false);
  EXPECT_EQ(v.times, (std::vector<float>{0.0f, 1.0f, 2.0f}));
  EXPECT_FLOAT_EQ(v.values[1], 2.0f);  // 4 ug/L over 2 g: 2 mg/L per kg
  EXPECT_EQ(v.standardizedTimes, (std::vector<float>{-3.0f, -1.0f, 1.0f}));
  EXPECT_EQ(v.standardizedConcentrations, (std::vector<float>{0.0f, 1.0f, 0.25f}));
  EXPECT_TRUE(v.loadValues.empty());  // not asked for

  // The load with the measured discharges (not the constant one); the times
  // in the station's unit.
  v = curveFileValues(T, C, measured, TimeUnit::Minutes, 2.0f, transit(1.5f, 0.5f), 4000.0f, true);
  EXPECT_EQ(v.times, (std::vector<float>{0.0f, 60.0f, 120.0f}));
  ASSERT_EQ(v.loadValues.size(), 3u);
  EXPECT_FLOAT_EQ(v.loadValues[1], 1000.0f);  // 2000 ug/s over 2 g: mg/s per kg
  EXPECT_FLOAT_EQ(v.loadValues[2], 125.0f);
  // The concentration curve is not made of loads.
  EXPECT_FLOAT_EQ(v.values[1], 2.0f);
  // With a constant discharge, every sample takes it.
  v = curveFileValues(T, C, {DischargeMode::Constant, Q, 0.5f}, TimeUnit::Hours, 2.0f,
                      transit(1.5f, 0.5f), 4000.0f, true);
  EXPECT_EQ(v.loadValues, (std::vector<float>{0.0f, 1000.0f, 250.0f}));
}

// No recovered mass, no spread, no peak: zeros, which a file can show,
// instead of NaN or infinities.
TEST(CurveFiles, DegenerateCurvesGiveZeros) {
  const std::vector<float> T{0.0f, 3600.0f};
  const std::vector<float> C{0.0f, 5.0f};
  const std::vector<float> Q{1.0f, 1.0f};
  const CurveFileValues v = curveFileValues(T, C, {DischargeMode::Measured, Q, 0.0f},
                                            TimeUnit::Hours, 0.0f, transit(1.0f, 0.0f), 0.0f, true);
  EXPECT_EQ(v.values, (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(v.standardizedTimes, (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(v.standardizedConcentrations, (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(v.loadValues, (std::vector<float>{0.0f, 0.0f}));
}

}  // namespace
}  // namespace kaldero::curves
