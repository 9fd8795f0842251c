// The flow-geometry lines of the results listing, written from the results
// of the geometry step on a station in internal units.
#include "report/geometry_report.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "analysis/finite_check.h"
#include "analysis/geometry.h"
#include "core/file_reports.h"
#include "core/format.h"
#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::ReportCapture;
using testing::StationFixture;

bool hasLine(const std::string& text, std::string_view label) {
  return text.find("\n" + std::string(15, ' ') + std::string(label)) != std::string::npos ||
         text.find("\n" + std::string(16, ' ') + std::string(label)) != std::string::npos;
}

// A station with a constant discharge of 1 m3/s and the given mean time;
// the geometry step then its lines.
struct Geometry {
  StationFixture f;
  ReportCapture out;
  MassRecovery mass;
  TransitTimes transit;
  Transport transport;

  explicit Geometry(float meanHours, float velocity, const std::string& keyboard = "")
      : out(keyboard) {
    transit.meanTime.minutes = meanHours * 60;
    transit.meanTime.hours = meanHours;
    transport.meanVelocity.perSecond = velocity;
    mass.mass.micrograms = 5e8f;
  }
  void write(const std::vector<float>& X = {0, 12000, 24000, 36000},
             const std::vector<float>& Q = {0, 0, 0, 0}) {
    const Curve cv{X, std::vector<float>(X.size(), 0.0f), Q};
    CarriedResults after;
    const FlowGeometry g =
        flowGeometry(f.inputs(), cv, mass, transit, transport, CarriedResults{}, after);
    writeFlowGeometry(out.target(f.test.echo()), f.test, g);
  }
};

TEST(ConduitReport, TurbulentConduitLines) {
  Geometry g(1000.0f / 3600.0f, 0.01f);
  g.write();
  const std::string l = g.out.listingText();
  EXPECT_NE(
      l.find("\n               Flow-channel volume estimate                         1000.0     "
             "m^3\n"),
      std::string::npos)
      << l;
  EXPECT_TRUE(hasLine(l, "Viscous-flow sublayer along walls"));
  EXPECT_FALSE(hasLine(l, "and an hydraulic conductivity"));
  EXPECT_NE(l.find("Based on an estimated tube diameter                 1.1284     m\n"),
            std::string::npos);
  EXPECT_NE(l.find("Based on an estimated hydraulic depth               .88623     m\n"),
            std::string::npos);
  EXPECT_TRUE(hasLine(l, "Shear velocity"));
  EXPECT_TRUE(hasLine(l, "Mass transfer coef. from wall to flow"));
  // Constant discharge: no limit lines.
  EXPECT_FALSE(hasLine(l, "Based on a lower integration limit"));
  EXPECT_EQ(g.out.consoleText(), "\n");
}

TEST(ConduitReport, LaminarConduitLengthsAlsoInFeet) {
  Geometry g(1000.0f / 3600.0f, 1e-5f);
  g.f.test.conductivityUnit = ConductivityUnit::Code2;
  g.write();
  const std::string l = g.out.listingText();
  EXPECT_FALSE(hasLine(l, "Viscous-flow sublayer along walls"));
  EXPECT_TRUE(hasLine(l, "and an hydraulic conductivity"));
  // The diameter and the depth also in feet.
  EXPECT_NE(l.find("\n" + std::string(68, ' ') + "(3.7020     ft)\n"), std::string::npos);
  EXPECT_NE(l.find("\n" + std::string(68, ' ') + "(2.9075     ft)\n"), std::string::npos);
}

TEST(ConduitReport, WithoutVolumeNothingIsWritten) {
  Geometry g(10.0f, 0.01f);
  g.f.test.stationTotals = Option::Off;
  g.f.test.normalizedOption = Option::On;
  g.write();
  EXPECT_EQ(g.out.listingText(), "");
  EXPECT_EQ(g.out.consoleText(), "");
}

TEST(PorousZoneReport, WithoutConductivityUnitNothingIsWritten) {
  Geometry g(10.0f, 0.01f);
  g.f.test.geometry = FlowForm::PorousZone;
  g.write();
  EXPECT_EQ(g.out.listingText(), "");
}

const std::string kPorosityZeroListing =
    "\n                POROSITY   0.00% <= 0.0%\n\n              POROSITY RESET TO 100%\n\n\n";
const std::string kPorosityZeroConsole =
    "\n                POROSITY   0.00% <= 0.0%\n\n            POROSITY RESET TO 1.0 (100%)\n\n\n";

TEST(PorousZoneReport, PorosityResetOnBothAndNoWallTransfer) {
  Geometry g(10.0f, 0.01f);
  g.f.test.geometry = FlowForm::PorousZone;
  g.f.test.conductivityUnit = ConductivityUnit::Code2;
  g.f.test.conductivity = 0.001f;
  g.f.test.porosity = 0;
  g.write();
  const std::string l = g.out.listingText();
  EXPECT_NE(l.find("Transport zone volume estimate                       36000.     m^3\n"),
            std::string::npos);
  EXPECT_NE(l.find("Transport zone cross-sectional area                  36.000     m^2\n"),
            std::string::npos);
  EXPECT_NE(l.find("\n" + kPorosityZeroListing), std::string::npos) << l;
  EXPECT_TRUE(hasLine(l, "Estimated Reynolds number"));
  EXPECT_TRUE(hasLine(l, "Estimated Sherwood number"));
  EXPECT_FALSE(hasLine(l, "Shear velocity"));
  EXPECT_FALSE(hasLine(l, "Mass transfer coef. from wall to flow"));
  EXPECT_NE(g.out.consoleText().find(kPorosityZeroConsole), std::string::npos);
}

TEST(FractureReport, PorosityAboveOneIsResetOnBoth) {
  // Fractures without a volume write nothing but the porosity report.
  Geometry g(10.0f, 0.0005f);
  g.f.test.geometry = FlowForm::Fractures;
  g.f.test.stationTotals = Option::Off;
  g.f.test.normalizedOption = Option::On;
  g.f.test.porosity = 1.5f;
  g.write();
  EXPECT_EQ(
      g.out.listingText(),
      "\n                POROSITY 150.00% > 100%\n\n              POROSITY RESET TO 100%\n\n\n");
  EXPECT_EQ(g.out.consoleText(),
            "\n                POROSITY 150.00% > 100%\n\n"
            "            POROSITY RESET TO 1.0 (100%)\n\n\n");
}

TEST(FractureReport, FissureHeightAndTransportWidth) {
  Geometry g(10.0f, 0.0005f);
  g.f.test.geometry = FlowForm::Fractures;
  g.write();
  const std::string l = g.out.listingText();
  EXPECT_EQ(l.find("POROSITY"), std::string::npos);
  EXPECT_NE(l.find("Based on an estimated fissure height                30.000     m\n"),
            std::string::npos);
  EXPECT_NE(l.find("Transport zone surface area                          .60000E+08 m^2\n"),
            std::string::npos);
  EXPECT_TRUE(hasLine(l, "and an hydraulic conductivity"));
  // Its own spacing: the number one column further right.
  EXPECT_NE(l.find("Based on an estimated transport width                1.2000    m\n"),
            std::string::npos);
}

TEST(FlowGeometryReport, MeasuredDischargeNotFromTimeZero) {
  Geometry g(3.0f, 0.01f);
  g.f.test.dischargeMode = DischargeMode::Measured;
  g.f.test.timeUnit = TimeUnit::Hours;
  g.mass.limits.lower = 3600;
  g.write({3600, 7200, 10800, 14400}, {1, 1, 1, 1});
  const std::string report = kStars80 +
                             "\n\n --------- CANNOT INTEGRATE AQUIFER VOLUME ---------\n\n"
                             " AQUIFER VOLUME INTEGRATION REQUIRES THAT THE TIME-DISCHARGE DATA\n"
                             " FILE BEGIN AT ZERO TIME TO PROPERLY INTEGRATE VOLUME.\n\n" +
                             kStars80 + "\n";
  const std::string l = g.out.listingText();
  EXPECT_EQ(l.substr(0, report.size()), report);
  EXPECT_NE(
      l.find("\n                Based on a lower integration limit                  1.0000     "
             "hrs\n"
             "                and on an upper integration limit                   3.0000     "
             "hrs\n"),
      std::string::npos)
      << l;
  EXPECT_EQ(g.out.consoleText(), report + "\n");
}

TEST(FlowGeometryReport, MeasuredDischargeNotFromTimeZeroWithScreenEcho) {
  Geometry g(3.0f, 0.01f, "\n");
  g.f.test.dischargeMode = DischargeMode::Measured;
  g.f.test.screenEcho = Option::On;
  g.mass.limits.lower = 3600;
  g.write({3600, 7200, 10800, 14400}, {1, 1, 1, 1});
  const std::string l = g.out.listingText();
  EXPECT_NE(l.find("CANNOT INTEGRATE AQUIFER VOLUME"), std::string::npos);
  EXPECT_FALSE(hasLine(l, "Flow-channel volume estimate"));
  EXPECT_NE(g.out.consoleText().find("Press <RETURN> to continue program"), std::string::npos);
}

TEST(FlowGeometryReport, VolumeBeyondTheMeasuredDischargeIsAWarning) {
  Geometry g(3.0f, 0.01f, "\n");
  g.f.test.dischargeMode = DischargeMode::Measured;
  g.f.test.stationTotals = Option::Off;
  g.f.test.normalizedOption = Option::On;
  g.write({0, 3600, 7200}, {1, 1, 1});
  const std::string warning =
      "\n\n" + kStars80 +
      "\n AN ERROR CALLING PCHQA, IERR =            2\n"
      " This error was an warning - you may have continued.\n\n"
      " This error occurred because your aquifer retained the tracer for\n"
      " a longer period of time than you measured discharge at the spring so\n"
      " you were forced to integrate beyond the limits of time for your data\n"
      " file which may result in an inaccurate volume estimate for your aquifer.\n\n\n" +
      kStars80 + "\n";
  const std::string l = g.out.listingText();
  EXPECT_EQ(l.substr(0, warning.size()), warning);
  // The console has the notice of the integral (with its wait) first, then
  // the warning in the present tense.
  const std::string console = g.out.consoleText();
  const std::string notice = kStars80 +
                             "\n\n AN ERROR CALLING PCHQA, IERR =            2\n\n"
                             "This error is a only a warning - press RETURN.\n\n\n" +
                             kStars80 + "\n";
  EXPECT_EQ(console.substr(0, notice.size()), notice);
  EXPECT_NE(console.find(" you are forced to integrate beyond the limits of time for "
                         "your data\n"),
            std::string::npos);
}

TEST(FlowGeometryReport, NonFiniteValueNamesItsLine) {
  // The finite check names the listing line of a value that is not a
  // number (the station stops before its listing shows it); a writer that
  // meets one all the same fills its field with asterisks.
  StationFixture f;
  ReportCapture out;
  FlowGeometry g;
  g.volume = 1000;
  g.conduit = ConduitForm{};
  g.conduit->volume = 1000;
  g.conduit->crossSection = std::numeric_limits<float>::infinity();
  EXPECT_EQ(nonFinite(g), "Flow-channel cross-sectional area");
  writeFlowGeometry(out.target(), f.test, g);
  const std::string l = out.listingText();
  EXPECT_NE(l.find("Flow-channel cross-sectional area" + std::string(20, ' ') + "**********"),
            std::string::npos)
      << l;
  EXPECT_EQ(l.find("Inf"), std::string::npos);
  EXPECT_EQ(l.find("inf"), std::string::npos);
}

}  // namespace
}  // namespace kaldero
