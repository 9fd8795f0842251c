#include "analysis/mass_recovery.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/file_reports.h"
#include "core/stop.h"
#include "tests/support/analysis_context.h"
#include "tests/support/listing_values.h"

namespace kaldero {
namespace {

using testing::ContextFixture;

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

void headValues(ContextFixture& f) {
  f.test.timeUnit = 2;
  f.test.concentrationUnit = 3;
  f.control.massUnit = 1;
  f.results.lowerLimit = 0;
  f.results.recordedUpperLimit = 36000;
  f.results.upperLimit = 7200;
  f.results.firstArrival = 3600;
  f.results.peakTime = 7200;
  f.results.peakConcentration = 5000;
}

TEST(MASREP, WritesTheHeadOfTheListing) {
  ContextFixture f;
  headValues(f);
  MASREP(f.ctx(), 2.5e9f, 1.0f);
  EXPECT_EQ(f.listingText(),
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
  EXPECT_EQ(f.results.recoveredMassGrams, 2500.0f);
  EXPECT_EQ(f.consoleText(), "");  // no screen echo
}

TEST(MASREP, DistanceSinuosityAndFeet) {
  struct Case {
    float distance;
    int32_t unit, option;
    float factor;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases{
      {999.9f, 1, 1, 1.5f,
       {"               Distance from input to outflow point                 999.90     m",
        "               Corrected for sinuosity =  1.50X"}},
      {100.0f, 2, 1, 1.0f,
       {"               Distance from input to outflow point                 100.00     m",
        "                                                                   (328.08     ft)",
        "               Uncorrected for sinuosity  "}},
  };
  for (const auto& c : cases) {
    ContextFixture f;
    headValues(f);
    f.test.distance = c.distance;
    f.test.distanceUnit = c.unit;
    f.test.sinuosityOption = c.option;
    MASREP(f.ctx(), 1e6f, c.factor);
    const std::string l = f.listingText();
    for (const auto& line : c.lines) EXPECT_NE(l.find("\n" + line + "\n"), std::string::npos) << line;
  }
  // A sinuosity option other than 0 and 1 writes no note.
  ContextFixture f;
  headValues(f);
  f.test.sinuosityOption = 2;
  MASREP(f.ctx(), 1e6f, 1.2f);
  const std::string l = f.listingText();
  EXPECT_FALSE(testing::hasLine(l, "Corrected for sinuosity"));
  EXPECT_FALSE(testing::hasLine(l, "Uncorrected for sinuosity"));
}

TEST(MASREP, EchoShowsTheLinesAndPauses) {
  ContextFixture f;
  headValues(f);
  f.test.screenEcho = 1;
  f.results.limitsWarning = 2;
  MASREP(f.ctx(), 2.5e9f, 1.0f);
  const std::string listing = f.listingText();
  const std::string console = f.consoleText();
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

TEST(MOMONE, PulseTakesTheFirstMomentOfTheLoad) {
  ContextFixture f;
  f.control.releaseMode = 2;
  f.control.releaseDuration = 0.5f;
  f.results.peakTime = 7200;  // half the peak time, 1 h, exceeds the release
  f.results.recoveredMass = 10;
  f.results.lowerLimit = 0;
  f.results.upperLimit = 10800;
  std::vector<float> X{0, 3600, 7200, 10800}, F{4, 2, 2, 2}, D(4);
  MOMONE(f.ctx(), 4, X, F, D);
  // The load at time 0 is lost; the others come back unchanged.
  EXPECT_EQ(F, (std::vector<float>{0, 2, 2, 2}));
  // F X is 0, 7200, 14400, 21600: a straight line of slope 2.
  EXPECT_NEAR(f.results.firstMoment, 10800.0 * 10800.0, 100.0);
  EXPECT_EQ(f.results.recordedUpperLimit, 10800.0f);
  EXPECT_FLOAT_EQ(f.results.comparisonTime, f.results.firstMoment / 10 / 3600);
  // An instantaneous release has no comparison time.
  f.control.releaseMode = 1;
  MOMONE(f.ctx(), 4, X, F, D);
  EXPECT_EQ(f.results.comparisonTime, 0.0f);
}

TEST(MOMONE, LongReleaseIntegratesTheShortfallUpToThePeak) {
  ContextFixture f;
  f.control.releaseMode = 2;
  f.control.releaseDuration = 5;
  const std::vector<float> X{0, 3600, 7200, 10800, 14400};
  std::vector<float> F{0, 5, 10, 10, 4}, D(5);
  f.results.peakIndex = 3;
  f.results.peakConcentration = 10;
  f.results.peakTime = 7200;
  f.results.lowerLimit = 0;
  f.results.upperLimit = 14400;
  MOMONE(f.ctx(), 5, X, F, D);
  EXPECT_EQ(f.results.recordedUpperLimit, 14400.0f);
  EXPECT_EQ(f.results.upperLimit, 7200.0f);
  // Shortfall 1, 0.5, 0 on a straight line: the integral is 3600.
  EXPECT_NEAR(f.results.firstMoment, 3600.0, 1.0);
  // A long release has no comparison time, so the driver leaves the curve
  // as concentrations.
  EXPECT_EQ(f.results.comparisonTime, 0.0f);
  // The distance-weighted integral of a long release is the distance.
  DISINT(f.ctx(), 5, X, F, D);
  EXPECT_EQ(f.results.distanceWeighted, 1000.0f);

  // Half the peak time exactly equal to the release: the shortfall
  // integral in hours.
  f.control.releaseDuration = 1;
  f.results.upperLimit = 14400;
  MOMONE(f.ctx(), 5, X, F, D);
  EXPECT_NEAR(f.results.comparisonTime, 1.0, 1e-5);
}

TEST(DISINT, SamplesBeforeHalfTheReleaseKeepZero) {
  ContextFixture f;
  f.control.releaseMode = 2;
  f.control.releaseDuration = 2;  // half the release: 3600 s
  f.results.peakTime = 36000;
  f.results.lowerLimit = 0;
  f.results.upperLimit = 14400;
  const std::vector<float> X{0, 3600, 7200, 10800, 14400};
  const std::vector<float> F{1, 1, 1, 1, 1};
  std::vector<float> D(5);
  DISINT(f.ctx(), 5, X, F, D);
  EXPECT_TRUE(std::isfinite(f.results.distanceWeighted));
  // L * X / (X - 3600) is 2000, 1500, 1333.3 for the last three samples.
  EXPECT_GT(f.results.distanceWeighted, 1333.0f * 7200);
  EXPECT_LT(f.results.distanceWeighted, 2000.0f * 10800);
}

TEST(RECREP, PercentRecoveryAndAccuracyIndex) {
  ContextFixture f;
  f.control.injectedMass = 1000;  // mg
  RECREP(f.ctx(), 1e6f);          // ug
  EXPECT_EQ(f.listingText(),
            "\n\n\n\n"
            "               Percent recovery of tracer injected                  100.00     %\n"
            "\n\n"
            "               Accuracy index (0.0 = Perfect Recov.)                 0.000    \n"
            "\n\n\n\n");
  EXPECT_EQ(f.consoleText(), "\n\n\n");
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

TEST(RECREP, RecoveryAboveAllAddsTheImpossibleCondition) {
  ContextFixture f;
  f.control.injectedMass = 1000;
  RECREP(f.ctx(), 1.5e6f);
  const std::string l = f.listingText();
  EXPECT_NE(l.find("Percent recovery of tracer injected                  150.00     %\n"),
            std::string::npos);
  EXPECT_NE(l.find("Accuracy index (0.0 = Perfect Recov.)                -.5000    \n"),
            std::string::npos);
  EXPECT_NE(l.find("\n\n" + kImpossible + "\n\n"), std::string::npos);
}

TEST(IMPCON, EchoPausesWithTheLayoutOfItsCaller) {
  for (int32_t flag : {0, 1}) {
    ContextFixture f;
    f.test.screenEcho = 1;
    IMPCON(f.ctx(), flag);
    EXPECT_EQ(f.consoleText(), kImpossible + "\n" + std::string(30, ' ') +
                                   "Press <RETURN> to continue program\n" +
                                   std::string(flag == 0 ? 11 : 7, '\n'));
    EXPECT_EQ(f.listingText(), kImpossible);
  }
}

TEST(SUSWRN, FramedOnBoth) {
  ContextFixture f;
  SUSWRN(f.ctx());
  const std::string framed = kStars80 +
                             "\n\n RESULTS MAY BE HIGHLY SUSPECT - LIMITS TO INTEGRATION OUTSIDE\n"
                             " RECOMMENDED VALUES.\n\n" +
                             kStars80 + "\n";
  EXPECT_EQ(f.consoleText(), framed);
  EXPECT_EQ(f.listingText(), framed);
}

TEST(NOMASS, StopsTheRun) {
  testing::CapturedConsole cc;
  EXPECT_THROW(NOMASS(cc.console()), RunStopped);
  EXPECT_EQ(cc.output(),
            "   PROGRAM STOPPED BECAUSE NO TRACER MASS RECOVERED!!!\n"
            "  STOPPED DUE TO ERROR IN DITRTI. TRACER MASS=0!!\n");
}

}  // namespace
}  // namespace kaldero
