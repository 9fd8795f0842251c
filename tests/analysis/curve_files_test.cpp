#include "analysis/curve_files.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero::curves {
namespace {

TEST(CurveFiles, NormalizedLoadAndStandardizedValues) {
  // Times in s, concentrations in ng/L; 2 g recovered.
  const std::vector<float> T{0.0f, 3600.0f, 7200.0f};
  std::vector<float> C{0.0f, 4000.0f, 1000.0f};
  const std::vector<float> Q{1.0f, 0.5f, 0.25f};
  std::vector<float> tf(3), v(3), st(3), sc(3);

  normalizedCurve(T, C, 3, TimeUnit::Hours, 2.0f, tf, v);
  EXPECT_EQ(tf, (std::vector<float>{0.0f, 1.0f, 2.0f}));
  EXPECT_FLOAT_EQ(v[1], 2.0f);  // 4 ug/L over 2 g: 2 mg/L per kg
  // Mean time 1.5 h, standard deviation 0.5 h, peak 4000 ng/L.
  standardizedCurve(T, C, 3, 1.5f, 0.5f, 4000.0f, st, sc);
  EXPECT_EQ(st, (std::vector<float>{-3.0f, -1.0f, 1.0f}));
  EXPECT_EQ(sc, (std::vector<float>{0.0f, 1.0f, 0.25f}));

  // The load with the measured discharges replaces the concentrations.
  loadCurve(T, C, Q, 3, TimeUnit::Minutes, DischargeMode::Measured, 7.0f, 2.0f, tf, v);
  EXPECT_EQ(C, (std::vector<float>{0.0f, 2000.0f, 250.0f}));
  EXPECT_EQ(tf, (std::vector<float>{0.0f, 60.0f, 120.0f}));
  EXPECT_FLOAT_EQ(v[1], 1000.0f);  // 2000 ug/s over 2 g: mg/s per kg
  // With a constant discharge, every sample takes it.
  std::vector<float> C2{0.0f, 4000.0f, 1000.0f};
  loadCurve(T, C2, Q, 3, TimeUnit::Hours, DischargeMode::Constant, 0.5f, 2.0f, tf, v);
  EXPECT_EQ(C2, (std::vector<float>{0.0f, 2000.0f, 500.0f}));
}

// No recovered mass, no spread, no peak: zeros, which a file can show,
// instead of NaN or infinities.
TEST(CurveFiles, DegenerateCurvesGiveZeros) {
  const std::vector<float> T{0.0f, 3600.0f};
  std::vector<float> C{0.0f, 5.0f};
  const std::vector<float> Q{1.0f, 1.0f};
  std::vector<float> tf(2), v(2), st(2), sc(2);
  normalizedCurve(T, C, 2, TimeUnit::Hours, 0.0f, tf, v);
  EXPECT_EQ(v, (std::vector<float>{0.0f, 0.0f}));
  standardizedCurve(T, C, 2, 1.0f, 0.0f, 0.0f, st, sc);
  EXPECT_EQ(st, (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(sc, (std::vector<float>{0.0f, 0.0f}));
  loadCurve(T, C, Q, 2, TimeUnit::Hours, DischargeMode::Measured, 0.0f, 0.0f, tf, v);
  EXPECT_EQ(v, (std::vector<float>{0.0f, 0.0f}));
}

}  // namespace
}  // namespace kaldero::curves
