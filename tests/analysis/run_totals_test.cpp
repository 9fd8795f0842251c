#include "analysis/run_totals.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/analysis_context.h"
#include "tests/support/listing_values.h"

namespace kaldero {
namespace {

using testing::ContextFixture;
using testing::hasLine;

const std::string kTotalsBox =
    "\n\n"
    "     *******************************************************************\n"
    "     *                                                                 *\n"
    "     *  LISTING OF TOTAL ESTIMATES FOR: A-STATION-FILE-NAME-OF-THIRTY-O*\n"
    "     *                                                                 *\n"
    "     *******************************************************************\n"
    "\n\n";

TEST(RunTotals, SmallTotalInFourUnitsLargeInTwo) {
  {
    ContextFixture f;
    f.stationFile = text::padded("A-STATION-FILE-NAME-OF-THIRTY-ONE-CHARACTERS.DAT");
    RunTotals totals;
    totals.recoveredMass = 500;
    writeTotals(f.ctx(), totals);
    EXPECT_FLOAT_EQ(totals.recoveredMassKg, 5e-7f);
    EXPECT_EQ(f.listingText(),
              kTotalsBox +
                  "               Total quantity of tracer recovered                   .50000E-06 kg\n"
                  "                                                                    .50000E-03 g\n"
                  "                                                                    .50000     mg\n"
                  "                                                                    500.00     \xB5"
                  "g\n");
    EXPECT_EQ(f.consoleText(), "");
  }
  {
    ContextFixture f;
    f.stationFile = text::padded("A-STATION-FILE-NAME-OF-THIRTY-ONE-CHARACTERS.DAT");
    f.test.screenEcho = 1;
    RunTotals totals;
    totals.recoveredMass = 5e6f;
    writeTotals(f.ctx(), totals);
    const std::string expected =
        kTotalsBox +
        "               Total quantity of tracer recovered                   .50000E-02 kg\n"
        "                                                                    5.0000     g\n";
    EXPECT_EQ(f.listingText(), expected);
    EXPECT_EQ(f.consoleText(), expected);
  }
}

TEST(RunTotals, AppendsToTheListing) {
  ContextFixture f;
  f.listing.line("STATION RESULTS");
  RunTotals totals;
  writeTotals(f.ctx(), totals);
  EXPECT_EQ(f.listingText().substr(0, 16), "STATION RESULTS\n");
}

// A run whose last station alone gave the volume of 1000 m3 and the
// surface area of 500 m2.
RunTotals oneStation(ContextFixture& f, float recoveredMass) {
  f.results.aquiferVolume = 1000;
  RunTotals totals;
  totals.aquiferVolume = 1000;
  totals.surfaceArea = 500;
  totals.recoveredMass = recoveredMass;
  return totals;
}

TEST(VolumeAndSorption, NothingWithoutAVolumeOfTheLastStation) {
  ContextFixture f;
  RunTotals totals;
  totals.aquiferVolume = 500;
  EXPECT_EQ(writeVolumeAndSorption(f.ctx(), totals), 0);
  EXPECT_EQ(f.listingText(), "");
  EXPECT_EQ(f.consoleText(), "");
}

TEST(VolumeAndSorption, OneStation) {
  ContextFixture f;
  RunTotals totals = oneStation(f, 5e8f);  // half the injected kilogram
  EXPECT_EQ(writeVolumeAndSorption(f.ctx(), totals), 0);
  // Kd = V (M/V - R/V) / ((R/V) A) = (M - R) / ((R/V) A)
  //    = 5e5 mg / (500 mg/m3 * 500 m2) = 2 m.
  EXPECT_FLOAT_EQ(totals.finalSorption, 2.0f);
  EXPECT_EQ(f.listingText(),
            "\n\n\n\n"
            "               Total aquifer volume estimate                        1000.0     m^3\n"
            "\n"
            "               Total aquifer surface area estimate                  500.00     m\n"
            "\n"
            "               Final tracer sorption coefficient                    2.0000     m\n"
            "\n\n\n\n");
  EXPECT_EQ(f.consoleText(), "\n\n");
}

TEST(VolumeAndSorption, MoreRecoveredThanInjectedGivesNoSorption) {
  ContextFixture f;
  RunTotals totals = oneStation(f, 2e9f);
  totals.finalSorption = 7;
  writeVolumeAndSorption(f.ctx(), totals);
  EXPECT_EQ(totals.finalSorption, 0.0f);
  // Without the station totals the previous value stays.
  totals.finalSorption = 7;
  f.test.stationTotals = 0;
  writeVolumeAndSorption(f.ctx(), totals);
  EXPECT_EQ(totals.finalSorption, 7.0f);
}

TEST(VolumeAndSorption, TransportZoneAndPorousZone) {
  {
    ContextFixture f;
    f.test.geometry = 2;
    RunTotals totals = oneStation(f, 5e8f);
    writeVolumeAndSorption(f.ctx(), totals);
    const std::string l = f.listingText();
    EXPECT_TRUE(hasLine(l, "Total transport zone volume estimate                 1000.0     m^3"));
    EXPECT_TRUE(hasLine(l, "Total aquifer surface area estimate"));
  }
  {
    ContextFixture f;
    f.test.geometry = 3;
    RunTotals totals = oneStation(f, 5e8f);
    writeVolumeAndSorption(f.ctx(), totals);
    const std::string l = f.listingText();
    EXPECT_TRUE(hasLine(l, "Total aquifer volume estimate"));
    EXPECT_FALSE(hasLine(l, "Total aquifer surface area estimate"));
    EXPECT_FALSE(hasLine(l, "Final tracer sorption coefficient"));
  }
}

TEST(VolumeAndSorption, SeveralStationsInvalidateThePreliminaryEstimates) {
  ContextFixture f;
  RunTotals totals = oneStation(f, 5e8f);
  f.results.aquiferVolume = 400;  // the last of several stations
  EXPECT_EQ(writeVolumeAndSorption(f.ctx(), totals), 1);
  const std::string report =
      "\n"
      "               *******************************************************************\n"
      "               *                                                                 *\n"
      "               *       ALL PRELIMINARY SORPTION COEFFICIENT ESTIMATES            *\n"
      "               *       ARE INVALID BECAUSE TRACER MASS WAS RECOVERED AT          *\n"
      "               *       MORE THAN ONE LOCATION!!!                                 *\n"
      "               *                                                                 *\n"
      "               *  ONLY FINAL SORPTION COEFFICIENT ESTIMATE SHOULD BE CONSIDERED  *\n"
      "               *                                                                 *\n"
      "               *******************************************************************\n";
  EXPECT_EQ(f.consoleText(), report + "\n\n");
  const std::string l = f.listingText();
  EXPECT_NE(l.find("Final tracer sorption coefficient                    2.0000     m\n\n\n" +
                   report + "\n\n"),
            std::string::npos);
}

TEST(RunRecovery, PercentOfTheRunAndTheImpossibleCondition) {
  {
    ContextFixture f;
    RunTotals totals;
    totals.recoveredMass = 1e9f;  // all of the injected kilogram
    writeRunRecovery(f.ctx(), totals, 0);
    EXPECT_EQ(f.listingText(),
              "\n\n"
              "               Percent recovery of tracer injected                  100.00     %\n"
              "\n\n"
              "               Accuracy index (0.0 = Perfect Recov.)                 0.000    \n"
              "\n\n");
  }
  {
    ContextFixture f;
    RunTotals totals;
    totals.recoveredMass = 1.25e9f;
    writeRunRecovery(f.ctx(), totals, 1);
    const std::string l = f.listingText();
    EXPECT_NEAR(*testing::listedValue(l, "Percent recovery of tracer injected"), 125.0, 1e-6);
    EXPECT_NE(l.find("*     AN IMPOSSIBLE CONDITION EXISTS!"), std::string::npos);
  }
}

}  // namespace
}  // namespace kaldero
