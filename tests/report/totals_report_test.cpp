// The run totals appended to the last station's results listing.
#include "report/totals_report.h"

#include <gtest/gtest.h>

#include <string>

#include "analysis/run_totals.h"
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
  ReportCapture out;
  RunTotals totals;
  totals.sums.recoveredMass = 500;
  totals.recoveredMassKg = 5e-7f;
  totals.recoveredMassG = 5e-4f;
  totals.recoveredMassMg = 0.5f;
  totals.recoveredMassUg = 500;
  totals.percentRecovery = 100;
  totals.accuracyIndex = 0;
  writeRunTotals(out.target(), totals, kLongName);
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
  ReportCapture out("\n");
  RunTotals totals;
  totals.sums.recoveredMass = 5e6f;
  totals.recoveredMassKg = 5e-3f;
  totals.recoveredMassG = 5.0f;
  totals.percentRecovery = 100;
  totals.accuracyIndex = 0;
  writeRunTotals(out.target(true), totals, kLongName);
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
  ReportCapture out;
  out.listing.line("STATION RESULTS");
  writeRunTotals(out.target(), RunTotals{}, kLongName);
  EXPECT_EQ(out.listingText().substr(0, 16), "STATION RESULTS\n");
}

// The run totals of a run whose last station (of the given flow form)
// alone gave the volume, 1000 m3, with a surface area of 500 m2 and half
// of the injected kilogram: a sorption coefficient of 2 m, a recovery of
// 50 percent.
RunTotals oneStation(FlowForm form = FlowForm::Conduit) {
  testing::StationFixture f;
  f.test.geometry = form;
  StationResults last;
  last.geometry = FlowGeometry{};
  last.geometry->volume = 1000;
  return runTotals(RunSums{5e8f, 1000, 500}, last, f.test, f.release.injectedMass);
}

const std::string kVolumeBlock =
    "\n\n\n\n"
    "               Total aquifer volume estimate                        1000.0     m^3\n"
    "\n"
    "               Total aquifer surface area estimate                  500.00     m^2\n"
    "\n"
    "               Final tracer sorption coefficient                    2.0000     m\n"
    "\n\n\n\n";

TEST(RunTotalsReport, VolumeAndSorptionOfOneStation) {
  ReportCapture out;
  writeRunTotals(out.target(), oneStation(), kLongName);
  const std::string l = out.listingText();
  EXPECT_NE(l.find("\n" + kVolumeBlock + "\n\n" +
                   "               Percent recovery of tracer injected                  50.000"),
            std::string::npos)
      << l;
  EXPECT_EQ(out.consoleText(), "\n\n");
}

TEST(RunTotalsReport, NoVolumeBlockWithoutAVolumeOfTheLastStation) {
  ReportCapture out;
  RunTotals totals = oneStation();
  totals.volume.reset();
  writeRunTotals(out.target(), totals, kLongName);
  const std::string l = out.listingText();
  EXPECT_EQ(l.find("volume estimate"), std::string::npos);
  EXPECT_EQ(out.consoleText(), "");
}

TEST(RunTotalsReport, TransportZoneAndPorousZone) {
  {
    ReportCapture out;
    writeRunTotals(out.target(), oneStation(FlowForm::ConduitZone), kLongName);
    const std::string l = out.listingText();
    EXPECT_NE(l.find("Total transport zone volume estimate                 1000.0     m^3"),
              std::string::npos);
    EXPECT_NE(l.find("Total aquifer surface area estimate"), std::string::npos);
  }
  {
    ReportCapture out;
    writeRunTotals(out.target(), oneStation(FlowForm::PorousZone), kLongName);
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
  ReportCapture out;
  RunTotals totals = oneStation();
  totals.volume->severalVolumes = true;
  writeRunTotals(out.target(), totals, kLongName);
  EXPECT_EQ(out.consoleText(), kSeveralVolumes + "\n\n");
  const std::string l = out.listingText();
  EXPECT_NE(l.find("Final tracer sorption coefficient                    2.0000     m\n\n\n" +
                   kSeveralVolumes + "\n\n"),
            std::string::npos);
}

TEST(RunTotalsReport, RecoveryAboveAllAddsTheImpossibleCondition) {
  for (bool several : {false, true}) {
    ReportCapture out("\n");
    RunTotals totals;
    totals.sums.recoveredMass = 1.25e9f;
    totals.percentRecovery = 125;
    totals.accuracyIndex = -0.25f;
    totals.impossible = true;
    if (several) {
      totals.volume = RunTotals::VolumeBlock{};
      totals.volume->severalVolumes = true;
    }
    writeRunTotals(out.target(true), totals, kLongName);
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
