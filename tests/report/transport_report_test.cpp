// The transport part of the results listing, written from given results:
// the layout of each block, where it goes with and without the screen
// echo, and the pauses and stops that go with it.
#include "report/transport_report.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "core/file_reports.h"
#include "core/format.h"
#include "core/stop.h"
#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::ReportCapture;
using testing::StationFixture;

const std::string kStationBox =
    "\n\n"
    "     *******************************************************************\n"
    "     *                                                                 *\n"
    "     *  Listing of output for: ST.DAT                                  *\n"
    "     *                                                                 *\n"
    "     *******************************************************************\n"
    "\n\n\n"
    "          Limits to integration for the data file: ST.DAT                                  \n"
    "\n";

void headValues(StationFixture& f) {
  f.test.timeUnit = TimeUnit::Hours;
  f.test.concentrationUnit = ConcentrationUnit::MicrogramsPerLitre;
  f.control.massUnit = MassUnit::Pounds;
  f.results.recoveredMass = 2.5e9f;
  f.results.lowerLimit = 0;
  f.results.recordedUpperLimit = 36000;
  f.results.upperLimit = 7200;
  f.results.firstArrival = 3600;
  f.results.peakTime = 7200;
  f.results.peakConcentration = 5000;
}

StationReport reportOf(const StationFixture& f) {
  return StationReport{f.test, f.setup, f.control, f.stationFile};
}

TEST(MassRecoveryReport, WritesTheHeadOfTheListing) {
  StationFixture f;
  ReportCapture out;
  headValues(f);
  writeMassRecovery(out.target(), reportOf(f), f.results);
  EXPECT_EQ(
      out.listingText(),
      kStationBox +
          "               Lower integration limit                              0.0000     hrs\n"
          "               Upper integration limit                              10.000     hrs\n"
          "\n"
          "               The quantity of tracer recovered                     2.5000     kg\n"
          "                                                                    2500.0     g\n"
          "                                                                    .25000E+07 mg\n"
          "                                                                    .25000E+10 \xB5"
          "g\n"
          "\n\n"
          "                                                                    (5.5115     lbs)\n"
          "\n\n"
          "               Distance from input to outflow point                 1.0000     km\n"
          "               Uncorrected for sinuosity  \n"
          "\n\n\n\n\n\n"
          "               Time to leading edge (first arrival)                 1.0000     hrs\n"
          "\n\n"
          "               Time to peak tracer concentration                    2.0000     hrs\n"
          "               For a peak tracer concentration                      5.0000     \xB5"
          "g/L\n"
          "\n");
  EXPECT_EQ(out.consoleText(), "");  // no screen echo
}

TEST(MassRecoveryReport, DistanceSinuosityAndFeet) {
  struct Case {
    float distance;
    DistanceUnit unit;
    int32_t option;
    float factor;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases{
      {999.9f,
       DistanceUnit::Metres,
       1,
       1.5f,
       {"               Distance from input to outflow point                 999.90     m",
        "               Corrected for sinuosity =  1.50X"}},
      {100.0f,
       DistanceUnit::Feet,
       1,
       1.0f,
       {"               Distance from input to outflow point                 100.00     m",
        "                                                                   (328.08     ft)",
        "               Uncorrected for sinuosity  "}},
  };
  for (const auto& c : cases) {
    StationFixture f;
    ReportCapture out;
    headValues(f);
    f.setup.distance = c.distance;
    f.setup.sinuosity = c.factor;
    f.test.distanceUnit = c.unit;
    f.test.sinuosityOption = c.option;
    writeMassRecovery(out.target(), reportOf(f), f.results);
    const std::string l = out.listingText();
    for (const auto& line : c.lines)
      EXPECT_NE(l.find("\n" + line + "\n"), std::string::npos) << line;
  }
  // A sinuosity option other than 0 and 1 writes no note.
  StationFixture f;
  ReportCapture out;
  headValues(f);
  f.test.sinuosityOption = 2;
  f.setup.sinuosity = 1.2f;
  writeMassRecovery(out.target(), reportOf(f), f.results);
  const std::string l = out.listingText();
  EXPECT_EQ(l.find("orrected for sinuosity"), std::string::npos);
}

TEST(MassRecoveryReport, EchoShowsTheLinesAndPauses) {
  StationFixture f;
  ReportCapture out;
  headValues(f);
  f.results.limitsWarning = 2;
  writeMassRecovery(out.target(true), reportOf(f), f.results);
  const std::string listing = out.listingText();
  const std::string console = out.consoleText();
  const std::string warning =
      "\n RESULTS MAY BE HIGHLY SUSPECT - LIMITS TO INTEGRATION OUTSIDE\n RECOMMENDED VALUES.\n";
  const std::string pause =
      "\n                              Press <RETURN> to continue program\n\n";
  const std::size_t w = listing.find(warning);
  ASSERT_NE(w, std::string::npos);
  // The console has every listing line, with the pause after the warning.
  const std::size_t split = w + warning.size();
  EXPECT_EQ(console, listing.substr(0, split) + pause + listing.substr(split));
}

// The transit times of a station in hours.
void transitValues(StationFixture& f) {
  f.test.timeUnit = TimeUnit::Hours;
  f.results.lowerLimit = 0;
  f.results.upperLimit = f.results.recordedUpperLimit = 36000;
  f.results.meanTimeDays = 14.0f / 72.0f;
  f.results.meanTimeHours = 14.0f / 3.0f;
  f.results.meanTimeMinutes = 280.0f;
  f.results.variance = 4;
  f.results.standardDeviation = 2;
}

TEST(TransitTimeReport, InfiltrationLongerThanTheTravelIsShownWider) {
  StationFixture f;
  ReportCapture out;
  transitValues(f);
  // A mean time of 14/3 h less a flow-zone arrival of 5 h.
  f.results.meanTimeDays = (14.0f / 3.0f - 5.0f) / 24.0f;
  f.results.meanTimeHours = 14.0f / 3.0f - 5.0f;
  f.results.meanTimeMinutes = 280.0f - 300.0f;
  writeTransitTimes(out.target(), reportOf(f), f.results);
  const std::string l = out.listingText();
  const std::string expected =
      "\n\n"
      "               The mean tracer transit time                         -.138889E-01 d\n"
      "                                                                    -.333333     hrs\n"
      "                                                                    -20.0000     min\n"
      "\n\n"
      "                    TRACER INFILTRATION TIME EXCEEDS MEAN TIME OF TRAVEL\n"
      "\n\n\n\n"
      "               Variance for mean tracer time";
  EXPECT_EQ(l.substr(0, expected.size()), expected);
}

TEST(TransitTimeReport, LoweredUpperLimitIsSaidOnBoth) {
  StationFixture f;
  ReportCapture out;
  transitValues(f);
  f.results.recordedUpperLimit = 10800;
  f.results.upperLimit = 7200;
  writeTransitTimes(out.target(), reportOf(f), f.results);
  const std::string message =
      "\n\n          Upper Limit to integration necessarily changed!\n\n"
      "               Lower integration limit                              0.0000     hrs\n"
      "               Upper integration limit                              2.0000     hrs\n\n";
  EXPECT_EQ(out.listingText().substr(0, message.size()), message);
  // Without the echo only the message itself reaches the console.
  EXPECT_EQ(out.consoleText(), "\n\n          Upper Limit to integration necessarily changed!\n\n");
}

TEST(TransitTimeReport, LimitsWarningFollowsTheDeviation) {
  StationFixture f;
  ReportCapture out;
  transitValues(f);
  f.results.limitsWarning = 1;
  writeTransitTimes(out.target(), reportOf(f), f.results);
  const std::string framed = kStars80 +
                             "\n\n RESULTS MAY BE HIGHLY SUSPECT - LIMITS TO INTEGRATION OUTSIDE\n"
                             " RECOMMENDED VALUES.\n\n" +
                             kStars80 + "\n";
  const std::string l = out.listingText();
  ASSERT_GE(l.size(), framed.size());
  EXPECT_EQ(l.substr(l.size() - framed.size()), framed);
  EXPECT_EQ(out.consoleText(), framed);
}

// Velocities and dispersion of a pulse, the dispersion from the moments.
void velocityValues(AnalysisResults& r) {
  r.meanVelocity = 1000.0f / 36000.0f;
  r.meanVelocityHour = 100.0f;
  r.meanVelocityDay = 2400.0f;
  r.velocitySpread = 12.0f;
  r.pulseRegime = true;
  r.dispersion = r.momentDispersion = 1.0f;
  r.dispersionFromMoments = true;
  r.dispersivity = 36.0f;
  r.peclet = 27.777779f;
  r.pecletFormed = true;
  r.kept.maxVelocity = 1000.0f / 18000.0f;
  r.kept.maxVelocityHour = 200.0f;
  r.kept.maxVelocityDay = 4800.0f;
}

const std::string kMomentsNote =
    "       NOT ENOUGH STORAGE SPACE FOR CHATWIN PARAMETER OR\n"
    "       INSUFFICIENT NUMBER OF DATA POINTS FOR CHATWIN ESTIMATION\n\n"
    "           DISPERSION ESTIMATED BY METHOD OF MOMENTS\n\n";

TEST(VelocityReport, MomentEstimateIsMarkedAndNotedOnTheConsole) {
  AnalysisResults r;
  velocityValues(r);
  ReportCapture out;
  writeVelocitiesAndDispersion(out.target(), r);
  const std::string l = out.listingText();
  for (const char* line :
       {"\n                Dispersion estimate is probably too large\n",
        "\n                Peclet estimate is probably too small\n",
        "\n               Standard deviation for tracer velocity               288.00     m/d\n",
        "\n                                                                    Advection > "
        "Diffusion\n"})
    EXPECT_NE(l.find(line), std::string::npos) << line;
  EXPECT_EQ(out.consoleText(), kMomentsNote);
}

TEST(VelocityReport, ChatwinEstimateHasNoMarks) {
  AnalysisResults r;
  velocityValues(r);
  r.dispersionFromMoments = false;
  ReportCapture out;
  writeVelocitiesAndDispersion(out.target(), r);
  const std::string l = out.listingText();
  EXPECT_EQ(l.find("probably too"), std::string::npos);
  EXPECT_NE(l.find("Advection > Diffusion"), std::string::npos);
  EXPECT_EQ(out.consoleText(), "");
}

TEST(VelocityReport, FlowZoneCorrectionAddsToTheSpread) {
  AnalysisResults r;
  velocityValues(r);
  r.flowZoneVelocityCorrection = 0.01f;
  ReportCapture out;
  writeVelocitiesAndDispersion(out.target(), r);
  // 12 m/h and 0.01 m/s (36 m/h).
  EXPECT_NE(out.listingText().find("\n" + std::string(68, ' ') + "48.000     m/hr\n"),
            std::string::npos);
}

TEST(VelocityReport, NoSpreadForALongReleaseAndNoClassWithoutAPecletNumber) {
  AnalysisResults r;
  velocityValues(r);
  r.pulseRegime = false;
  r.pecletFormed = false;
  r.peclet = 0;
  ReportCapture out;
  writeVelocitiesAndDispersion(out.target(), r);
  const std::string l = out.listingText();
  EXPECT_EQ(l.find("Standard deviation for tracer velocity"), std::string::npos);
  EXPECT_EQ(l.find("Diffusion >"), std::string::npos);
  EXPECT_EQ(l.find("Advection >"), std::string::npos);
  EXPECT_EQ(l.find("Diffusion ="), std::string::npos);
}

TEST(VelocityReport, NonFiniteValueNamesItsLine) {
  AnalysisResults r;
  velocityValues(r);
  r.peclet = std::numeric_limits<float>::quiet_NaN();
  ReportCapture out;
  try {
    writeVelocitiesAndDispersion(out.target(), r);
    FAIL() << "a NaN was written";
  } catch (const fmt::NonFiniteQuantity& q) {
    EXPECT_EQ(q.quantity, "Peclet number");
  }
  // The lines before it were written, the number itself never.
  const std::string l = out.listingText();
  EXPECT_NE(l.find("Longitudinal dispersivity"), std::string::npos);
  EXPECT_EQ(l.find("Peclet number"), std::string::npos);
  EXPECT_EQ(l.find("NaN"), std::string::npos);
}

TEST(RecoveryReport, PercentRecoveryAndAccuracyIndex) {
  AnalysisResults r;
  r.percentRecovery = 100;
  r.accuracyIndex = 0;
  ReportCapture out;
  writeRecovery(out.target(), r);
  EXPECT_EQ(out.listingText(),
            "\n\n\n\n"
            "               Percent recovery of tracer injected                  100.00     %\n"
            "\n\n"
            "               Accuracy index (0.0 = Perfect Recov.)                 0.000    \n"
            "\n\n\n\n");
  EXPECT_EQ(out.consoleText(), "\n\n\n");
}

const std::string kImpossible =
    "$\n\n\n\n\n\n"
    "               *******************************************************************\n"
    "               *                                                                 *\n"
    "               *     AN IMPOSSIBLE CONDITION EXISTS!  CHECK YOUR UNITS FOR       *\n"
    "               *     CORRECTNESS OR CHECK TO SEE IF SAMPLE CONTAMINATION         *\n"
    "               *     HAS OCCURRED (i.e., HAS SOMEONE ELSE BEEN INJECTING         *\n"
    "               *     THE SAME TRACER MATERIAL IN THE AREA?).  ALSO CHECK         *\n"
    "               *     YOUR LIMITS TO INTEGRATION AND YOUR DISCHARGE ESTIMATES.    *\n"
    "               *     DISCHARGE ESTIMATION ERRORS ARE VERY COMMON.  TRACER        *\n"
    "               *     RECOVERY SHOULD NOT BE GREATER THAN 100% AND THE            *\n"
    "               *     ACCURACY INDEX SHOULD NOT BE LESS THAN ZERO.                *\n"
    "               *                                                                 *\n"
    "               *******************************************************************\n";

TEST(RecoveryReport, RecoveryAboveAllAddsTheImpossibleCondition) {
  AnalysisResults r;
  r.percentRecovery = 150;
  r.accuracyIndex = -0.5f;
  ReportCapture out;
  writeRecovery(out.target(), r);
  const std::string l = out.listingText();
  EXPECT_NE(l.find("Percent recovery of tracer injected                  150.00     %\n"),
            std::string::npos);
  EXPECT_NE(l.find("Accuracy index (0.0 = Perfect Recov.)                -.5000    \n"),
            std::string::npos);
  EXPECT_NE(l.find("\n\n" + kImpossible + "\n\n"), std::string::npos);
}

TEST(ImpossibleCondition, EchoPausesWithTheLayoutOfItsCaller) {
  for (int32_t flag : {0, 1}) {
    ReportCapture out("\n");
    writeImpossibleCondition(out.target(true), flag);
    EXPECT_EQ(out.consoleText(), kImpossible + "\n" + std::string(30, ' ') +
                                     "Press <RETURN> to continue program\n" +
                                     std::string(flag == 0 ? 11 : 7, '\n'));
    EXPECT_EQ(out.listingText(), kImpossible);
  }
}

TEST(LimitsWarning, FramedOnBoth) {
  ReportCapture out;
  writeLimitsWarning(out.target());
  const std::string framed = kStars80 +
                             "\n\n RESULTS MAY BE HIGHLY SUSPECT - LIMITS TO INTEGRATION OUTSIDE\n"
                             " RECOMMENDED VALUES.\n\n" +
                             kStars80 + "\n";
  EXPECT_EQ(out.consoleText(), framed);
  EXPECT_EQ(out.listingText(), framed);
}

TEST(NoMassRecovered, StopsTheRun) {
  testing::CapturedConsole cc;
  EXPECT_THROW(stopNoMassRecovered(cc.console()), RunStopped);
  EXPECT_EQ(cc.output(),
            "   PROGRAM STOPPED BECAUSE NO TRACER MASS RECOVERED!!!\n"
            "  STOPPED DUE TO ERROR IN DITRTI. TRACER MASS=0!!\n");
}

}  // namespace
}  // namespace kaldero
