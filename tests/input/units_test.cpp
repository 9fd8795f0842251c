#include "input/units.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero::units {
namespace {

TEST(Units, ConcentrationsBelowAThousandthOfANanogramBecomeZero) {
  TestDescription t;
  StationSetup setup;
  t.concentrationUnit = ConcentrationUnit::MilligramsPerLitre;
  std::vector<float> T{1}, C{0.0005f}, Q{0};
  convertStationData(t, setup, T, C, Q, 1);
  EXPECT_FLOAT_EQ(C[0], 500.0f);
  t = TestDescription{};
  t.concentrationUnit = ConcentrationUnit::GramsPerLitre;
  C = {5e-13f, -5e-13f};
  T = {0, 0};
  Q = {0, 0};
  convertStationData(t, setup, T, C, Q, 2);
  EXPECT_EQ(C[0], 0.0f);
  EXPECT_EQ(C[1], 0.0f);
}

TEST(Units, DischargeFactorsInTheirOrder) {
  EXPECT_FLOAT_EQ(dischargeToSI(3.6f, DischargeUnit::CubicFeetPerHour), 3.6f / 3600.0f * 0.02832f);
  EXPECT_NEAR(dischargeToSI(3.6f, DischargeUnit::CubicFeetPerHour), 0.00002832f, 1e-10);
  EXPECT_FLOAT_EQ(dischargeToSI(1440.0f, DischargeUnit::GallonsPerDay), 0.00006309f);
  EXPECT_FLOAT_EQ(dischargeToSI(86400.0f, DischargeUnit::CubicMetresPerDay), 1.0f);
  EXPECT_FLOAT_EQ(dischargeToSI(2.0f, DischargeUnit{11}), 2.0f);  // no such unit: as it is
}

TEST(Units, ConstantDischargeOnlyInModeTwo) {
  TestDescription t;
  StationSetup setup;
  t.dischargeMode = DischargeMode::Constant;
  t.dischargeUnit = DischargeUnit::CubicMetresPerHour;
  t.constantDischarge = 36.0f;
  std::vector<float> T{1}, C{1}, Q{7};
  convertStationData(t, setup, T, C, Q, 1);
  EXPECT_FLOAT_EQ(setup.constantDischarge, 0.01f);
  EXPECT_FLOAT_EQ(Q[0], 7.0f);
  // The header keeps the value as read.
  EXPECT_EQ(t.constantDischarge, 36.0f);
  // A measured discharge converts the column instead.
  t.dischargeMode = DischargeMode::Measured;
  convertStationData(t, setup, T, C, Q, 1);
  EXPECT_FLOAT_EQ(Q[0], 7.0f / 3600.0f);
}

TEST(Units, SinuosityOutsideOneToThreeIsReplacedByOne) {
  for (float factor : {0.5f, 3.5f}) {
    TestDescription t;
    StationSetup setup;
    t.distanceUnit = DistanceUnit::Kilometres;
    t.distance = 2.0f;
    t.sinuosityOption = 1;
    t.sinuosity = factor;
    std::vector<float> T{1}, C{1}, Q{1};
    convertStationData(t, setup, T, C, Q, 1);
    EXPECT_FLOAT_EQ(setup.sinuosity, 1.0f);
    EXPECT_FLOAT_EQ(setup.distance, 2000.0f);
    EXPECT_EQ(t.distance, 2.0f);
  }
  TestDescription t;
  StationSetup setup;
  t.distanceUnit = DistanceUnit{5};  // unknown: unchanged
  t.distance = 7.0f;
  t.sinuosityOption = 1;
  t.sinuosity = 1.5f;
  std::vector<float> T{1}, C{1}, Q{1};
  convertStationData(t, setup, T, C, Q, 1);
  EXPECT_FLOAT_EQ(setup.distance, 10.5f);
  EXPECT_FLOAT_EQ(setup.sinuosity, 1.5f);
}

TEST(Units, TimesAndKnotSpacing) {
  TestDescription t;
  StationSetup setup;
  t.timeUnit = TimeUnit::Hours;
  setup.knotSpacing = 0.5f;
  std::vector<float> T{2.0f}, C{1}, Q{1};
  convertStationData(t, setup, T, C, Q, 1);
  EXPECT_FLOAT_EQ(T[0], 7200.0f);
  EXPECT_FLOAT_EQ(setup.knotSpacing, 1800.0f);
}

TEST(Units, InjectedMassInMilligrams) {
  EXPECT_NEAR(2 * massFactor(MassUnit::Pounds), 907184.8f, 0.1f);
  EXPECT_EQ(massFactor(MassUnit::Kilograms), 1e6f);
  EXPECT_EQ(massFactor(MassUnit::Grams), 1000.0f);
  EXPECT_EQ(3 * massFactor(MassUnit{9}), 3.0f);  // any other code is milligrams
}

TEST(Units, TimeInTheUnitOfTheStationDataFile) {
  EXPECT_FLOAT_EQ(fromSeconds(7200.0f, TimeUnit::Hours), 2.0f);
  EXPECT_FLOAT_EQ(fromSeconds(172800.0f, TimeUnit::Days), 2.0f);
  EXPECT_FLOAT_EQ(fromSeconds(120.0f, TimeUnit::Minutes), 2.0f);
  EXPECT_FLOAT_EQ(fromSeconds(2.0f, TimeUnit::Seconds), 2.0f);
  // Another code is taken as seconds, as the unit conversion took it.
  EXPECT_FLOAT_EQ(fromSeconds(7200.0f, TimeUnit{9}), 7200.0f);
}

}  // namespace
}  // namespace kaldero::units
