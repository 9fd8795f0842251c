#include "analysis/run_totals.h"

#include <gtest/gtest.h>

#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::StationFixture;

TEST(RunTotals, EveryStationAddsItsMassVolumesOnlyWithTheStationTotals) {
  StationFixture f;
  RunTotals totals;
  f.results.recoveredMass = 100;
  f.results.aquiferVolume = 1000;
  f.results.surfaceArea = 500;
  addStationToTotals(totals, f.results, f.test);
  f.test.stationTotals = Option::Off;
  addStationToTotals(totals, f.results, f.test);
  EXPECT_EQ(totals.recoveredMass, 200.0f);
  EXPECT_EQ(totals.aquiferVolume, 1000.0f);
  EXPECT_EQ(totals.surfaceArea, 500.0f);
}

TEST(RunTotals, MassInKilograms) {
  StationFixture f;
  RunTotals totals;
  totals.recoveredMass = 500;
  finishRunTotals(totals, f.results, f.test, f.release.injectedMass);
  EXPECT_FLOAT_EQ(totals.recoveredMassKg, 5e-7f);
  totals.recoveredMass = 5e6f;
  finishRunTotals(totals, f.results, f.test, f.release.injectedMass);
  EXPECT_FLOAT_EQ(totals.recoveredMassKg, 5e-3f);
}

// A run whose last station alone gave the volume of 1000 m3 and the
// surface area of 500 m2.
RunTotals oneStation(StationFixture& f, float recoveredMass) {
  f.results.aquiferVolume = 1000;
  RunTotals totals;
  totals.aquiferVolume = 1000;
  totals.surfaceArea = 500;
  totals.recoveredMass = recoveredMass;
  return totals;
}

TEST(VolumeAndSorption, NothingWithoutAVolumeOfTheLastStation) {
  StationFixture f;
  RunTotals totals;
  totals.aquiferVolume = 500;
  totals.finalSorption = 7;
  finishRunTotals(totals, f.results, f.test, f.release.injectedMass);
  EXPECT_FALSE(totals.volumeBlock);
  EXPECT_FALSE(totals.severalVolumes);
  EXPECT_EQ(totals.finalSorption, 7.0f);
}

TEST(VolumeAndSorption, OneStation) {
  StationFixture f;
  RunTotals totals = oneStation(f, 5e8f);  // half the injected kilogram
  finishRunTotals(totals, f.results, f.test, f.release.injectedMass);
  EXPECT_TRUE(totals.volumeBlock);
  EXPECT_FALSE(totals.severalVolumes);
  // Kd = V (M/V - R/V) / ((R/V) A) = (M - R) / ((R/V) A)
  //    = 5e5 mg / (500 mg/m3 * 500 m2) = 2 m.
  EXPECT_FLOAT_EQ(totals.finalSorption, 2.0f);
}

TEST(VolumeAndSorption, MoreRecoveredThanInjectedGivesNoSorption) {
  StationFixture f;
  RunTotals totals = oneStation(f, 2e9f);
  totals.finalSorption = 7;
  finishRunTotals(totals, f.results, f.test, f.release.injectedMass);
  EXPECT_EQ(totals.finalSorption, 0.0f);
  // Without the station totals the previous value stays.
  totals.finalSorption = 7;
  f.test.stationTotals = Option::Off;
  finishRunTotals(totals, f.results, f.test, f.release.injectedMass);
  EXPECT_EQ(totals.finalSorption, 7.0f);
}

TEST(VolumeAndSorption, PorousZoneHasNoSorption) {
  StationFixture f;
  f.test.geometry = FlowForm::PorousZone;
  RunTotals totals = oneStation(f, 5e8f);
  finishRunTotals(totals, f.results, f.test, f.release.injectedMass);
  EXPECT_TRUE(totals.volumeBlock);
  EXPECT_EQ(totals.finalSorption, 0.0f);
  // A transport zone has one.
  f.test.geometry = FlowForm::ConduitZone;
  finishRunTotals(totals, f.results, f.test, f.release.injectedMass);
  EXPECT_FLOAT_EQ(totals.finalSorption, 2.0f);
}

TEST(VolumeAndSorption, SeveralStationsInvalidateThePreliminaryEstimates) {
  StationFixture f;
  RunTotals totals = oneStation(f, 5e8f);
  f.results.aquiferVolume = 400;  // the last of several stations
  finishRunTotals(totals, f.results, f.test, f.release.injectedMass);
  EXPECT_TRUE(totals.volumeBlock);
  EXPECT_TRUE(totals.severalVolumes);
  EXPECT_FLOAT_EQ(totals.finalSorption, 2.0f);
}

TEST(RunRecovery, PercentOfTheRun) {
  StationFixture f;
  RunTotals totals;
  totals.recoveredMass = 1e9f;  // all of the injected kilogram
  finishRunTotals(totals, f.results, f.test, f.release.injectedMass);
  EXPECT_EQ(totals.percentRecovery, 100.0f);
  EXPECT_EQ(totals.accuracyIndex, 0.0f);
  totals.recoveredMass = 1.25e9f;
  finishRunTotals(totals, f.results, f.test, f.release.injectedMass);
  EXPECT_FLOAT_EQ(totals.percentRecovery, 125.0f);
  EXPECT_FLOAT_EQ(totals.accuracyIndex, -0.25f);
  // Without an injected mass: zeros, not infinities.
  finishRunTotals(totals, f.results, f.test, 0);
  EXPECT_EQ(totals.percentRecovery, 0.0f);
  EXPECT_EQ(totals.accuracyIndex, 0.0f);
}

}  // namespace
}  // namespace kaldero
