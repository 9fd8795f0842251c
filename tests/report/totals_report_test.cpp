// The run totals appended to the last station's results listing.
#include "report/totals_report.h"

#include <gtest/gtest.h>

#include <string>

#include "core/text.h"
#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::ReportCapture;

const std::string kLongName = text::padded("A-STATION-FILE-NAME-OF-THIRTY-ONE-CHARACTERS.DAT");

const std::string kTotalsBox =
    "\n\n"
    "     *******************************************************************\n"
    "     *                                                                 *\n"
    "     *  LISTING OF TOTAL ESTIMATES FOR: A-STATION-FILE-NAME-OF-THIRTY-O*\n"
    "     *                                                                 *\n"
    "     *******************************************************************\n"
    "\n\n";

const std::string kFullRecovery =
    "\n\n"
    "               Percent recovery of tracer injected                  100.00     %\n"
    "\n\n"
    "               Accuracy index (0.0 = Perfect Recov.)                 0.000    \n"
    "\n\n";

TEST(RunTotalsReport, SmallTotalInFourUnits) {
  TestDescription t;
  ReportCapture out;
  RunTotals totals;
  totals.recoveredMass = 500;
  totals.recoveredMassKg = 5e-7f;
  totals.percentRecovery = 100;
  writeRunTotals(out.target(), totals, t, kLongName);
  EXPECT_EQ(
      out.listingText(),
      kTotalsBox +
          "               Total quantity of tracer recovered                   .50000E-06 kg\n"
          "                                                                    .50000E-03 g\n"
          "                                                                    .50000     mg\n"
          "                                                                    500.00     \xB5"
          "g\n" +
          kFullRecovery);
  EXPECT_EQ(out.consoleText(), "");
}

TEST(RunTotalsReport, LargeTotalInTwoUnitsWithTheEcho) {
  TestDescription t;
  ReportCapture out("\n");
  RunTotals totals;
  totals.recoveredMass = 5e6f;
  totals.recoveredMassKg = 5e-3f;
  totals.percentRecovery = 100;
  writeRunTotals(out.target(true), totals, t, kLongName);
  const std::string totalsLines =
      kTotalsBox +
      "               Total quantity of tracer recovered                   .50000E-02 kg\n"
      "                                                                    5.0000     g\n";
  EXPECT_EQ(out.listingText(), totalsLines + kFullRecovery);
  // The console: the same lines (the recovery without its two leading
  // empty lines), then the pause.
  EXPECT_EQ(out.consoleText(), totalsLines + kFullRecovery.substr(2) + "\n" + std::string(30, ' ') +
                                   "Press <RETURN> to continue program\n\n");
}

TEST(RunTotalsReport, AppendsToTheListing) {
  TestDescription t;
  ReportCapture out;
  out.listing.line("STATION RESULTS");
  writeRunTotals(out.target(), RunTotals{}, t, kLongName);
  EXPECT_EQ(out.listingText().substr(0, 16), "STATION RESULTS\n");
}

// The volume block of a run whose last station alone gave the volume.
RunTotals oneStation() {
  RunTotals totals;
  totals.aquiferVolume = 1000;
  totals.surfaceArea = 500;
  totals.recoveredMass = 5e8f;
  totals.finalSorption = 2;
  totals.volumeBlock = true;
  totals.percentRecovery = 50;
  totals.accuracyIndex = 0.5f;
  return totals;
}

const std::string kVolumeBlock =
    "\n\n\n\n"
    "               Total aquifer volume estimate                        1000.0     m^3\n"
    "\n"
    "               Total aquifer surface area estimate                  500.00     m\n"
    "\n"
    "               Final tracer sorption coefficient                    2.0000     m\n"
    "\n\n\n\n";

TEST(RunTotalsReport, VolumeAndSorptionOfOneStation) {
  TestDescription t;
  t.geometry = FlowForm::Conduit;
  ReportCapture out;
  writeRunTotals(out.target(), oneStation(), t, kLongName);
  const std::string l = out.listingText();
  EXPECT_NE(l.find("\n" + kVolumeBlock + "\n\n" +
                   "               Percent recovery of tracer injected                  50.000"),
            std::string::npos)
      << l;
  EXPECT_EQ(out.consoleText(), "\n\n");
}

TEST(RunTotalsReport, NoVolumeBlockWithoutAVolumeOfTheLastStation) {
  TestDescription t;
  ReportCapture out;
  RunTotals totals = oneStation();
  totals.volumeBlock = false;
  writeRunTotals(out.target(), totals, t, kLongName);
  const std::string l = out.listingText();
  EXPECT_EQ(l.find("volume estimate"), std::string::npos);
  EXPECT_EQ(out.consoleText(), "");
}

TEST(RunTotalsReport, TransportZoneAndPorousZone) {
  {
    TestDescription t;
    t.geometry = FlowForm::ConduitZone;
    ReportCapture out;
    writeRunTotals(out.target(), oneStation(), t, kLongName);
    const std::string l = out.listingText();
    EXPECT_NE(l.find("Total transport zone volume estimate                 1000.0     m^3"),
              std::string::npos);
    EXPECT_NE(l.find("Total aquifer surface area estimate"), std::string::npos);
  }
  {
    TestDescription t;
    t.geometry = FlowForm::PorousZone;
    ReportCapture out;
    writeRunTotals(out.target(), oneStation(), t, kLongName);
    const std::string l = out.listingText();
    EXPECT_NE(l.find("Total aquifer volume estimate"), std::string::npos);
    EXPECT_EQ(l.find("Total aquifer surface area estimate"), std::string::npos);
    EXPECT_EQ(l.find("Final tracer sorption coefficient"), std::string::npos);
  }
}

const std::string kSeveralVolumes =
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

TEST(RunTotalsReport, SeveralStationsInvalidateThePreliminaryEstimates) {
  TestDescription t;
  ReportCapture out;
  RunTotals totals = oneStation();
  totals.severalVolumes = true;
  writeRunTotals(out.target(), totals, t, kLongName);
  EXPECT_EQ(out.consoleText(), kSeveralVolumes + "\n\n");
  const std::string l = out.listingText();
  EXPECT_NE(l.find("Final tracer sorption coefficient                    2.0000     m\n\n\n" +
                   kSeveralVolumes + "\n\n"),
            std::string::npos);
}

TEST(RunTotalsReport, RecoveryAboveAllAddsTheImpossibleCondition) {
  for (bool several : {false, true}) {
    TestDescription t;
    ReportCapture out("\n");
    RunTotals totals;
    totals.recoveredMass = 1.25e9f;
    totals.percentRecovery = 125;
    totals.accuracyIndex = -0.25f;
    totals.severalVolumes = several;
    writeRunTotals(out.target(true), totals, t, kLongName);
    const std::string l = out.listingText();
    EXPECT_NE(l.find("Percent recovery of tracer injected                  125.00     %\n"),
              std::string::npos);
    EXPECT_NE(l.find("*     AN IMPOSSIBLE CONDITION EXISTS!"), std::string::npos);
    // The block pauses with the layout of its caller: the shorter one
    // after the warning of several volumes.
    const std::string console = out.consoleText();
    const std::string prompt = std::string(30, ' ') + "Press <RETURN> to continue program\n";
    const std::size_t at = console.rfind(prompt);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(console.substr(at + prompt.size()), std::string(several ? 7 : 11, '\n'));
  }
}

}  // namespace
}  // namespace kaldero
