#include "analysis/run_totals.h"

#include <gtest/gtest.h>

#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::StationFixture;

// The results of a station with its recovered mass (ug) and, when it has
// one, its volume (m3) and surface area (m2).
StationResults station(float recoveredMass, std::optional<float> volume = std::nullopt,
                       float surfaceArea = 0) {
  StationResults r;
  r.mass = MassRecovery{};
  r.mass->mass.micrograms = recoveredMass;
  if (volume) {
    r.geometry = FlowGeometry{};
    r.geometry->volume = *volume;
    r.geometry->surfaceArea = surfaceArea;
  }
  return r;
}

TEST(RunTotals, EveryStationAddsItsMassVolumesOnlyWithTheStationTotals) {
  StationFixture f;
  const StationResults r = station(100, 1000, 500);
  RunSums sums = addStation(RunSums{}, r, f.test);
  f.test.stationTotals = Option::Off;
  sums = addStation(sums, r, f.test);
  EXPECT_EQ(sums.recoveredMass, 200.0f);
  EXPECT_EQ(sums.aquiferVolume, 1000.0f);
  EXPECT_EQ(sums.surfaceArea, 500.0f);
  // A station that stopped before its geometry adds its mass alone; one
  // that stopped before its mass adds nothing.
  f.test.stationTotals = Option::On;
  sums = addStation(sums, station(50), f.test);
  EXPECT_EQ(sums.recoveredMass, 250.0f);
  EXPECT_EQ(sums.aquiferVolume, 1000.0f);
  sums = addStation(sums, StationResults{}, f.test);
  EXPECT_EQ(sums.recoveredMass, 250.0f);
}

TEST(RunTotals, MassInTheUnitsOfTheListing) {
  StationFixture f;
  const StationResults last = station(0);
  RunTotals totals = runTotals(RunSums{500, 0, 0}, last, f.test, f.release.injectedMass);
  EXPECT_FLOAT_EQ(totals.recoveredMassKg, 5e-7f);
  EXPECT_FLOAT_EQ(totals.recoveredMassG, 5e-4f);
  // Below 1000 ug the listing adds micrograms and milligrams.
  ASSERT_TRUE(totals.recoveredMassUg && totals.recoveredMassMg);
  EXPECT_EQ(*totals.recoveredMassUg, 500.0f);
  EXPECT_FLOAT_EQ(*totals.recoveredMassMg, 0.5f);
  EXPECT_EQ(totals.sums.recoveredMass, 500.0f);
  totals = runTotals(RunSums{5e6f, 0, 0}, last, f.test, f.release.injectedMass);
  EXPECT_FLOAT_EQ(totals.recoveredMassKg, 5e-3f);
  EXPECT_FALSE(totals.recoveredMassUg.has_value());
  EXPECT_FALSE(totals.recoveredMassMg.has_value());  // 5000 mg
}

// A run whose last station alone gave the volume of 1000 m3 and the
// surface area of 500 m2.
const RunSums kOneStation{0, 1000, 500};
RunSums oneStation(float recoveredMass) {
  RunSums s = kOneStation;
  s.recoveredMass = recoveredMass;
  return s;
}

TEST(VolumeAndSorption, NothingWithoutAVolumeOfTheLastStation) {
  StationFixture f;
  const RunTotals totals =
      runTotals(RunSums{0, 500, 0}, station(0), f.test, f.release.injectedMass);
  EXPECT_FALSE(totals.volume.has_value());
  // Nor when its geometry did not run.
  EXPECT_FALSE(runTotals(RunSums{0, 500, 0}, StationResults{}, f.test, f.release.injectedMass)
                   .volume.has_value());
}

TEST(VolumeAndSorption, OneStation) {
  StationFixture f;
  // Half the injected kilogram.
  const RunTotals totals =
      runTotals(oneStation(5e8f), station(5e8f, 1000), f.test, f.release.injectedMass);
  ASSERT_TRUE(totals.volume.has_value());
  EXPECT_TRUE(totals.volume->aquifer);
  EXPECT_FALSE(totals.volume->severalVolumes);
  ASSERT_TRUE(totals.volume->surfaceArea && totals.volume->finalSorption);
  EXPECT_EQ(*totals.volume->surfaceArea, 500.0f);
  // Kd = V (M/V - R/V) / ((R/V) A) = (M - R) / ((R/V) A)
  //    = 5e5 mg / (500 mg/m3 * 500 m2) = 2 m.
  EXPECT_FLOAT_EQ(totals.volume->finalSorption->value, 2.0f);
  EXPECT_TRUE(totals.volume->finalSorption->computed);
}

TEST(VolumeAndSorption, MoreRecoveredThanInjectedGivesNoSorption) {
  StationFixture f;
  RunTotals totals =
      runTotals(oneStation(2e9f), station(2e9f, 1000), f.test, f.release.injectedMass);
  ASSERT_TRUE(totals.volume && totals.volume->finalSorption);
  EXPECT_EQ(totals.volume->finalSorption->value, 0.0f);
  EXPECT_TRUE(totals.impossible);
  // Without the station totals the run computes none: the listing shows 0.
  f.test.stationTotals = Option::Off;
  totals = runTotals(oneStation(5e8f), station(5e8f, 1000), f.test, f.release.injectedMass);
  ASSERT_TRUE(totals.volume && totals.volume->finalSorption);
  EXPECT_EQ(totals.volume->finalSorption->value, 0.0f);
  EXPECT_FALSE(totals.volume->finalSorption->computed);
}

TEST(VolumeAndSorption, PorousZoneHasNoSorption) {
  StationFixture f;
  f.test.geometry = FlowForm::PorousZone;
  RunTotals totals =
      runTotals(oneStation(5e8f), station(5e8f, 1000), f.test, f.release.injectedMass);
  ASSERT_TRUE(totals.volume.has_value());
  EXPECT_TRUE(totals.volume->aquifer);
  EXPECT_FALSE(totals.volume->finalSorption.has_value());
  EXPECT_FALSE(totals.volume->surfaceArea.has_value());
  // A transport zone has one, and is no aquifer.
  f.test.geometry = FlowForm::ConduitZone;
  totals = runTotals(oneStation(5e8f), station(5e8f, 1000), f.test, f.release.injectedMass);
  ASSERT_TRUE(totals.volume && totals.volume->finalSorption);
  EXPECT_FALSE(totals.volume->aquifer);
  EXPECT_FLOAT_EQ(totals.volume->finalSorption->value, 2.0f);
}

TEST(VolumeAndSorption, SeveralStationsInvalidateThePreliminaryEstimates) {
  StationFixture f;
  // The last of several stations gave 400 of the 1000 m3.
  const RunTotals totals =
      runTotals(oneStation(5e8f), station(5e8f, 400), f.test, f.release.injectedMass);
  ASSERT_TRUE(totals.volume && totals.volume->finalSorption);
  EXPECT_TRUE(totals.volume->severalVolumes);
  EXPECT_FLOAT_EQ(totals.volume->finalSorption->value, 2.0f);
}

TEST(RunRecovery, PercentOfTheRun) {
  StationFixture f;
  const StationResults last = station(0);
  // All of the injected kilogram.
  RunTotals totals = runTotals(RunSums{1e9f, 0, 0}, last, f.test, f.release.injectedMass);
  EXPECT_EQ(totals.percentRecovery, 100.0f);
  EXPECT_EQ(totals.accuracyIndex, 0.0f);
  EXPECT_FALSE(totals.impossible);
  totals = runTotals(RunSums{1.25e9f, 0, 0}, last, f.test, f.release.injectedMass);
  EXPECT_FLOAT_EQ(totals.percentRecovery.value_or(0), 125.0f);
  EXPECT_FLOAT_EQ(totals.accuracyIndex.value_or(0), -0.25f);
  EXPECT_TRUE(totals.impossible);
  // Without an injected mass there is no recovery: undefined, not infinity
  // or 0.
  totals = runTotals(RunSums{1.25e9f, 0, 0}, last, f.test, 0);
  EXPECT_FALSE(totals.percentRecovery.has_value());
  EXPECT_FALSE(totals.accuracyIndex.has_value());
}

}  // namespace
}  // namespace kaldero
