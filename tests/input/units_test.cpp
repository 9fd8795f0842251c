#include "input/units.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero::units {
namespace {

TEST(Units, ConcentrationsBelowAThousandthOfANanogramBecomeZero) {
  TestDescription t;
  t.concentrationUnit = ConcentrationUnit::MilligramsPerLitre;
  Curve c = toInternalUnits(t, Curve{{1}, {0.0005f}, {0}});
  EXPECT_FLOAT_EQ(c.C[0], 500.0f);
  t = TestDescription{};
  t.concentrationUnit = ConcentrationUnit::GramsPerLitre;
  const Curve tiny{{0, 0}, {5e-13f, -5e-13f}, {0, 0}};
  c = toInternalUnits(t, tiny);
  EXPECT_EQ(c.C[0], 0.0f);
  EXPECT_EQ(c.C[1], 0.0f);
  // The curve converted is a new one.
  EXPECT_EQ(tiny.C[0], 5e-13f);
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
  t.dischargeMode = DischargeMode::Constant;
  t.dischargeUnit = DischargeUnit::CubicMetresPerHour;
  t.constantDischarge = 36.0f;
  const Curve curve{{1}, {1}, {7}};
  EXPECT_FLOAT_EQ(internalSetup(t).constantDischarge, 0.01f);
  EXPECT_FLOAT_EQ(toInternalUnits(t, curve).Q[0], 7.0f);
  // The header keeps the value as read.
  EXPECT_EQ(t.constantDischarge, 36.0f);
  // A measured discharge converts the column instead.
  t.dischargeMode = DischargeMode::Measured;
  EXPECT_FLOAT_EQ(toInternalUnits(t, curve).Q[0], 7.0f / 3600.0f);
}

TEST(Units, SinuosityOutsideOneToThreeIsReplacedByOne) {
  for (float factor : {0.5f, 3.5f}) {
    TestDescription t;
    t.distanceUnit = DistanceUnit::Kilometres;
    t.distance = 2.0f;
    t.sinuosityOption = 1;
    t.sinuosity = factor;
    const StationSetup setup = internalSetup(t);
    EXPECT_FLOAT_EQ(setup.sinuosity, 1.0f);
    EXPECT_FLOAT_EQ(setup.distance, 2000.0f);
    EXPECT_EQ(t.distance, 2.0f);
  }
  TestDescription t;
  t.distanceUnit = DistanceUnit{5};  // unknown: unchanged
  t.distance = 7.0f;
  t.sinuosityOption = 1;
  t.sinuosity = 1.5f;
  const StationSetup setup = internalSetup(t);
  EXPECT_FLOAT_EQ(setup.distance, 10.5f);
  EXPECT_FLOAT_EQ(setup.sinuosity, 1.5f);
}

TEST(Units, TimesInSecondsAndTheKnotOptionAsRead) {
  // The knot spacing stays in the unit of the file: the knots are made
  // before the conversion.
  TestDescription t;
  t.timeUnit = TimeUnit::Hours;
  t.knotOption = Option::On;
  EXPECT_FLOAT_EQ(toInternalUnits(t, Curve{{2.0f}, {1}, {1}}).T[0], 7200.0f);
  EXPECT_EQ(internalSetup(t).knotOption, Option::On);
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

TEST(Units, TimesBackInTheFileUnitAndTheReleaseInMilligrams) {
  TestDescription t;
  t.timeUnit = TimeUnit::Minutes;
  EXPECT_EQ(toFileTimes(t, std::vector<float>{0, 60, 150}), (std::vector<float>{0, 1, 2.5f}));
  ControlValues c;
  c.injectedMass = 2.5f;
  c.massUnit = MassUnit::Kilograms;
  c.releaseMode = ReleaseMode::Pulse;
  c.releaseDuration = 3;
  c.flowZoneArrival = 0.5f;
  const ReleaseSetup r = internalRelease(c);
  EXPECT_EQ(r.injectedMass, 2.5e6f);
  EXPECT_EQ(r.massUnit, MassUnit::Kilograms);
  EXPECT_EQ(r.mode, ReleaseMode::Pulse);
  EXPECT_EQ(r.durationHours, 3);
  EXPECT_EQ(r.flowZoneArrivalHours, 0.5f);
}

}  // namespace
}  // namespace kaldero::units
