#include "input/units.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero::units {
namespace {

TEST(Units, ConcentrationsBelowAThousandthOfANanogramBecomeZero) {
  TestDescription t;
  t.concentrationUnit = 2;
  std::vector<float> T{1}, C{0.0005f}, Q{0};
  convertStationData(t, T, C, Q, 1);
  EXPECT_FLOAT_EQ(C[0], 500.0f);
  t = TestDescription{};
  t.concentrationUnit = 1;
  C = {5e-13f, -5e-13f};
  T = {0, 0};
  Q = {0, 0};
  convertStationData(t, T, C, Q, 2);
  EXPECT_EQ(C[0], 0.0f);
  EXPECT_EQ(C[1], 0.0f);
}

TEST(Units, DischargeFactorsInTheirOrder) {
  EXPECT_FLOAT_EQ(dischargeToSI(3.6f, 8), 3.6f / 3600.0f * 0.02832f);
  EXPECT_NEAR(dischargeToSI(3.6f, 8), 0.00002832f, 1e-10);
  EXPECT_FLOAT_EQ(dischargeToSI(1440.0f, 5), 0.00006309f);
  EXPECT_FLOAT_EQ(dischargeToSI(86400.0f, 1), 1.0f);
  EXPECT_FLOAT_EQ(dischargeToSI(2.0f, 11), 2.0f);
}

TEST(Units, ConstantDischargeOnlyInModeTwo) {
  TestDescription t;
  t.dischargeMode = 2;
  t.dischargeUnit = 2;
  t.constantDischarge = 36.0f;
  std::vector<float> T{1}, C{1}, Q{7};
  convertStationData(t, T, C, Q, 1);
  EXPECT_FLOAT_EQ(t.constantDischarge, 0.01f);
  EXPECT_FLOAT_EQ(Q[0], 7.0f);
}

TEST(Units, SinuosityOutsideOneToThreeIsReplacedByOne) {
  for (float factor : {0.5f, 3.5f}) {
    TestDescription t;
    t.distanceUnit = 3;
    t.distance = 2.0f;
    t.sinuosityOption = 1;
    t.sinuosity = factor;
    std::vector<float> T{1}, C{1}, Q{1};
    convertStationData(t, T, C, Q, 1);
    EXPECT_FLOAT_EQ(t.sinuosity, 1.0f);
    EXPECT_FLOAT_EQ(t.distance, 2000.0f);
  }
  TestDescription t;
  t.distanceUnit = 5;  // unknown: unchanged
  t.distance = 7.0f;
  t.sinuosityOption = 1;
  t.sinuosity = 1.5f;
  std::vector<float> T{1}, C{1}, Q{1};
  convertStationData(t, T, C, Q, 1);
  EXPECT_FLOAT_EQ(t.distance, 10.5f);
}

TEST(Units, TimesAndKnotSpacing) {
  TestDescription t;
  t.timeUnit = 2;
  t.knotSpacing = 0.5f;
  std::vector<float> T{2.0f}, C{1}, Q{1};
  convertStationData(t, T, C, Q, 1);
  EXPECT_FLOAT_EQ(T[0], 7200.0f);
  EXPECT_FLOAT_EQ(t.knotSpacing, 1800.0f);
}

TEST(Units, InjectedMassInMilligrams) {
  ControlValues c;
  c.injectedMass = 2;
  c.massUnit = 1;
  convertInjectedMass(c);
  EXPECT_NEAR(c.injectedMass, 907184.8f, 0.1f);
  EXPECT_EQ(c.massUnit, 1);
  c.injectedMass = 3;
  c.massUnit = 9;
  convertInjectedMass(c);
  EXPECT_EQ(c.injectedMass, 3.0f);
}

TEST(Units, AxisLabels) {
  std::string label(50, ' ');
  timeLabel(2, label);
  EXPECT_EQ(label, "Time from Injection (h)" + std::string(27, ' '));
  timeLabel(7, label);  // unknown code: unchanged
  EXPECT_EQ(label.substr(0, 23), "Time from Injection (h)");
  concentrationLabel(3, label);
  EXPECT_EQ(text::trimmed(label), "Concentration (\\gmg L\\u-1\\d)");
  dischargeLabel(9, label);
  EXPECT_EQ(text::trimmed(label), "Discharge (ft^3 min\\u-1\\d)");
  timeLabelLong(3, label);
  EXPECT_EQ(text::trimmed(label), "Time from Injection (minutes)");
}

}  // namespace
}  // namespace kaldero::units
