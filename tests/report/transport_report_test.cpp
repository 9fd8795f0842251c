// The transport part of the results listing, written from given results:
// the layout of each block, where it goes with and without the screen
// echo, and the pauses and stops that go with it.
#include "report/transport_report.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "analysis/dispersion.h"
#include "analysis/finite_check.h"
#include "analysis/mass_recovery.h"
#include "core/error.h"
#include "core/file_reports.h"
#include "core/format.h"
#include "core/stop.h"
#include "report/listing_lines.h"
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

// The head of a station in hours and ug/L whose mass was released in
// pounds.
StationResults headValues(StationFixture& f) {
  f.test.timeUnit = TimeUnit::Hours;
  f.test.concentrationUnit = ConcentrationUnit::MicrogramsPerLitre;
  StationResults r;
  r.distance.metres = f.setup.distance;
  r.mass = MassRecovery{};
  r.mass->mass = massInUnits(2.5e9f, true);
  r.mass->limits = {0, 36000};
  r.mass->momentLimits = {0, 7200};
  r.arrival.firstArrival = 3600;
  r.arrival.peakTime = 7200;
  r.arrival.peakConcentration = 5000;
  return r;
}

StationReport reportOf(const StationFixture& f) {
  return StationReport{f.test, f.setup, f.stationFile};
}

TEST(MassRecoveryReport, WritesTheHeadOfTheListing) {
  StationFixture f;
  ReportCapture out;
  const StationResults r = headValues(f);
  writeMassRecovery(out.target(), reportOf(f), r);
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
    StationResults r = headValues(f);
    // The distance as analyseStation stores it: in feet as well when the
    // header gives it in feet.
    r.distance.metres = c.distance;
    if (c.unit == DistanceUnit::Feet) r.distance.feet = c.distance * 3.2808f;
    f.setup.sinuosity = c.factor;
    f.test.distanceUnit = c.unit;
    f.test.sinuosityOption = c.option;
    writeMassRecovery(out.target(), reportOf(f), r);
    const std::string l = out.listingText();
    for (const auto& line : c.lines)
      EXPECT_NE(l.find("\n" + line + "\n"), std::string::npos) << line;
  }
  // A sinuosity option other than 0 and 1 writes no note.
  StationFixture f;
  ReportCapture out;
  const StationResults r = headValues(f);
  f.test.sinuosityOption = 2;
  f.setup.sinuosity = 1.2f;
  writeMassRecovery(out.target(), reportOf(f), r);
  const std::string l = out.listingText();
  EXPECT_EQ(l.find("orrected for sinuosity"), std::string::npos);
}

TEST(MassRecoveryReport, EchoShowsTheLinesAndPauses) {
  StationFixture f;
  ReportCapture out;
  StationResults r = headValues(f);
  r.mass->limitsWarning = 2;
  writeMassRecovery(out.target(true), reportOf(f), r);
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
StationResults transitValues(StationFixture& f) {
  f.test.timeUnit = TimeUnit::Hours;
  StationResults r;
  r.mass = MassRecovery{};
  r.mass->limits = r.mass->momentLimits = {0, 36000};
  r.transit = TransitTimes{};
  r.transit->meanTime = {14.0f / 72.0f, 14.0f / 3.0f, 280.0f};
  r.transit->variance = 4;
  r.transit->varianceUnits = {4.0f / 576.0f, 4.0f, 4.0f * 3600.0f};
  r.transit->standardDeviation = {2.0f / 24.0f, 2.0f, 120.0f};
  return r;
}

TEST(TransitTimeReport, InfiltrationLongerThanTheTravelIsShownWider) {
  StationFixture f;
  ReportCapture out;
  StationResults r = transitValues(f);
  // A mean time of 14/3 h less a flow-zone arrival of 5 h.
  r.transit->meanTime = {(14.0f / 3.0f - 5.0f) / 24.0f, 14.0f / 3.0f - 5.0f, 280.0f - 300.0f};
  r.transit->infiltrationExceedsMean = true;
  writeTransitTimes(out.target(), reportOf(f), r);
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
  StationResults r = transitValues(f);
  r.mass->limits.upper = 10800;
  r.mass->momentLimits.upper = 7200;
  writeTransitTimes(out.target(), reportOf(f), r);
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
  StationResults r = transitValues(f);
  r.transit->limitsWarning = 1;
  writeTransitTimes(out.target(), reportOf(f), r);
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
void velocityValues(Transport& r) {
  r.meanVelocity = {2400.0f, 100.0f, 1000.0f / 36000.0f};
  r.velocitySpread = VelocityInUnits{24 * 12.0f, 12.0f, 12.0f / 3600};
  r.pulseRegime = true;
  r.dispersion = r.momentDispersion = 1.0f;
  r.dispersionFromMoments = true;
  r.dispersivity = 36.0f;
  r.peclet = 27.777779f;
  r.pecletClass = "Advection > Diffusion";
  r.maxVelocity = {1000.0f / 18000.0f, true};
  r.maxVelocityUnits = {4800.0f, 200.0f, 1000.0f / 18000.0f};
}

const std::string kMomentsNote =
    "       NOT ENOUGH STORAGE SPACE FOR CHATWIN PARAMETER OR\n"
    "       INSUFFICIENT NUMBER OF DATA POINTS FOR CHATWIN ESTIMATION\n\n"
    "           DISPERSION ESTIMATED BY METHOD OF MOMENTS\n\n";

TEST(VelocityReport, MomentEstimateIsMarkedAndNotedOnTheConsole) {
  Transport r;
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
  Transport r;
  velocityValues(r);
  r.dispersionFromMoments = false;
  ReportCapture out;
  writeVelocitiesAndDispersion(out.target(), r);
  const std::string l = out.listingText();
  EXPECT_EQ(l.find("probably too"), std::string::npos);
  EXPECT_NE(l.find("Advection > Diffusion"), std::string::npos);
  EXPECT_EQ(out.consoleText(), "");
}

// The standard-deviation line of the velocity in m/hr.
std::string spreadPerHourLine(const Transport& r) {
  ReportCapture out;
  writeVelocitiesAndDispersion(out.target(), r);
  const std::string l = out.listingText();
  const std::size_t at = l.find("Standard deviation for tracer velocity");
  if (at == std::string::npos) return "";
  const std::size_t line = l.find('\n', at) + 1;
  return l.substr(line, l.find('\n', line) - line);
}

TEST(VelocityReport, FlowZoneCorrectionAddsToTheSpreadOnce) {
  // The spread of a curve computed with and without a flow-zone velocity
  // correction of 0.01 m/s (36 m/h): the listing shows the stored spread,
  // the correction added once.
  StationFixture f;
  const std::vector<float> X{0, 18000, 36000, 54000, 72000}, F{0, 1, 2, 1, 0};
  MassRecovery mass;
  mass.firstMoment = 36000;
  mass.distanceWeighted = 1000;
  mass.limits = mass.momentLimits = {0, 72000};
  TransitTimes transit;
  transit.meanTime.hours = 10;
  transit.variance = 8;
  transit.zerothMoment = 72000;
  ChatwinResults chatwin;
  const Transport plain = velocitiesAndDispersion(f.inputs(), X, F, mass, transit, chatwin, {});
  chatwin.flowZoneVelocityCorrection = 0.01f;
  const Transport corrected =
      velocitiesAndDispersion(f.inputs(), X, F, mass, transit, chatwin, {});
  ASSERT_TRUE(plain.velocitySpread.has_value());
  EXPECT_EQ(spreadPerHourLine(corrected),
            std::string(68, ' ') + lines::g10(plain.velocitySpread->perHour + 36.0f) + " m/hr");
  // A stored spread of 48 m/h is shown as it is.
  Transport r;
  velocityValues(r);
  r.velocitySpread = VelocityInUnits{24 * 48.0f, 48.0f, 48.0f / 3600};
  EXPECT_EQ(spreadPerHourLine(r), std::string(68, ' ') + "48.000     m/hr");
}

TEST(VelocityReport, NoSpreadForALongReleaseAndNoClassWithoutAPecletNumber) {
  Transport r;
  velocityValues(r);
  r.pulseRegime = false;
  r.velocitySpread.reset();
  r.pecletClass.reset();
  r.peclet.reset();
  ReportCapture out;
  writeVelocitiesAndDispersion(out.target(), r);
  const std::string l = out.listingText();
  EXPECT_EQ(l.find("Standard deviation for tracer velocity"), std::string::npos);
  EXPECT_EQ(l.find("Diffusion >"), std::string::npos);
  EXPECT_EQ(l.find("Advection >"), std::string::npos);
  EXPECT_EQ(l.find("Diffusion ="), std::string::npos);
}

TEST(VelocityReport, NonFiniteValueNamesItsLine) {
  // The finite check of the results names the listing line of a value that
  // is not a number (the station then stops before its listing shows it);
  // a writer that meets one all the same fills its field with asterisks.
  Transport r;
  velocityValues(r);
  r.peclet = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(nonFinite(r), "Peclet number");
  ReportCapture out;
  writeVelocitiesAndDispersion(out.target(), r);
  const std::string l = out.listingText();
  EXPECT_NE(l.find("\n" + lines::labelled(15, "Peclet number", std::string(10, '*')) + "\n"),
            std::string::npos)
      << l;
  EXPECT_EQ(l.find("NaN"), std::string::npos);
  EXPECT_EQ(l.find("nan"), std::string::npos);
}

TEST(RecoveryReport, PercentRecoveryAndAccuracyIndex) {
  Recovery r;
  r.percent = 100;
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
  Recovery r;
  r.percent = 150;
  r.accuracyIndex = -0.5f;
  r.impossible = true;
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
  try {
    stopNoMassRecovered(cc.console());
    FAIL() << "the run goes on";
  } catch (const Error& e) {
    EXPECT_EQ(e.exitStatus(), kExitStopped);
    EXPECT_EQ(e.message, "  STOPPED DUE TO ERROR IN DITRTI. TRACER MASS=0!!");
  }
  EXPECT_EQ(cc.output(),
            "   PROGRAM STOPPED BECAUSE NO TRACER MASS RECOVERED!!!\n"
            "  STOPPED DUE TO ERROR IN DITRTI. TRACER MASS=0!!\n");
}

}  // namespace
}  // namespace kaldero
