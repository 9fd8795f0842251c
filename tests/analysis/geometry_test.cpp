#include "analysis/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/file_reports.h"
#include "tests/support/analysis_context.h"
#include "tests/support/listing_values.h"

namespace kaldero {
namespace {

using testing::ContextFixture;
using testing::hasLine;
using testing::listedValue;

TEST(FlowRegime, ConduitIsLaminarUpTo2000) {
  const ConduitFriction at = conduitFriction(2000.0f, 1.0f);
  EXPECT_TRUE(at.laminar);
  EXPECT_FLOAT_EQ(at.friction, 64.0f / 2000.0f);
  const ConduitFriction turbulent = conduitFriction(std::nextafter(2000.0f, 3000.0f), 1.0f);
  EXPECT_FALSE(turbulent.laminar);
  EXPECT_GT(turbulent.sublayer, 0.0f);
}

TEST(FlowRegime, FracturesAndPorousZonesAreLaminarUpTo500) {
  const FractureFriction at = fractureFriction(500.0f, 0.2f, 100.0f);
  EXPECT_TRUE(at.laminar);
  EXPECT_FLOAT_EQ(at.friction, 16.0f / 500.0f);
  const float above = std::nextafter(500.0f, 600.0f);
  EXPECT_FALSE(fractureFriction(above, 0.2f, 100.0f).laminar);
  EXPECT_NEAR(sherwoodNumber(500.0f, 2.0f), 0.664 * std::sqrt(500.0) * 2, 1e-3);
  EXPECT_NEAR(sherwoodNumber(above, 2.0f), 0.037 * std::pow(500.0, 0.8) * 2, 1e-3);
}

// A station whose volume estimate comes from a constant discharge:
// V = mean transit time * discharge.
void station(ContextFixture& f, float meanHours, float discharge, float velocity) {
  f.test.dischargeMode = 2;
  f.test.constantDischarge = discharge;
  f.results.meanTimeMinutes = meanHours * 60;
  f.results.meanVelocity = velocity;
  f.results.lowerLimit = 0;
}

const std::vector<float> kX{0, 12000, 24000, 36000};
const std::vector<float> kQ{0, 0, 0, 0};

TEST(CONDUI, TurbulentConduit) {
  ContextFixture f;
  // V = 1000 m3 over 1000 m: A = 1 m2, d = 2 / sqrt(pi).
  station(f, 1000.0f / 3600.0f, 1.0f, 0.01f);
  std::vector<float> D(4);
  GEOMET(f.ctx(), 4, kX, kQ, D, 5e8f);  // half the injected kilogram
  const AnalysisResults& r = f.results;
  const double d = 2 / std::sqrt(M_PI);
  EXPECT_NEAR(r.aquiferVolume, 1000.0, 0.01);
  EXPECT_NEAR(r.crossSection, 1.0, 1e-5);
  // Half the tracer stayed behind: (Mi - Mr) V / (S Mr) = V / S.
  EXPECT_NEAR(r.sorption, 1000 / r.surfaceArea, 1e-5 * 1000 / r.surfaceArea);
  const std::string l = f.listingText();
  EXPECT_NEAR(*listedValue(l, "Flow-channel volume estimate"), 1000.0, 0.01);
  EXPECT_TRUE(hasLine(l, "Viscous-flow sublayer along walls"));
  EXPECT_FALSE(hasLine(l, "and an hydraulic conductivity"));
  EXPECT_NEAR(*listedValue(l, "Based on an estimated tube diameter"), d, 1e-4);
  EXPECT_NEAR(*listedValue(l, "Based on an estimated hydraulic depth"), 1 / d, 1e-4);
  EXPECT_NEAR(*listedValue(l, "Estimated Schmidt number"), 1140.0, 0.01);
  EXPECT_TRUE(hasLine(l, "Shear velocity"));
  // Constant discharge: no limit lines.
  EXPECT_FALSE(hasLine(l, "Based on a lower integration limit"));
}

TEST(CONDUI, LaminarConduitHasAConductivityAndNoSublayer) {
  ContextFixture f;
  station(f, 1000.0f / 3600.0f, 1.0f, 1e-5f);
  f.test.conductivityUnit = 2;
  std::vector<float> D(4);
  GEOMET(f.ctx(), 4, kX, kQ, D, 2e9f);  // more than was injected
  const double d = 2 / std::sqrt(M_PI);
  EXPECT_EQ(f.results.sorption, 0.0f);
  const std::string l = f.listingText();
  EXPECT_FALSE(hasLine(l, "Viscous-flow sublayer along walls"));
  EXPECT_NEAR(*listedValue(l, "and an hydraulic conductivity"),
              (d / 2) * (d / 2) * 9798.1738 / 0.009112, 1.0);
  // The diameter and the depth also in feet.
  EXPECT_NE(l.find("\n" + std::string(68, ' ') + "(3.7020     ft)\n"), std::string::npos);
}

TEST(CONDUI, WithoutVolumeNothingIsWritten) {
  // Constant discharge without the station-totals option: the discharge
  // column is empty and the volume 0.
  ContextFixture f;
  station(f, 10.0f, 1.0f, 0.01f);
  f.test.stationTotals = 0;
  f.test.normalizedOption = 1;
  std::vector<float> D(4);
  GEOMET(f.ctx(), 4, kX, kQ, D, 5e8f);
  EXPECT_EQ(f.results.aquiferVolume, 0.0f);
  EXPECT_EQ(f.listingText(), "");
}

TEST(GEOMET, PorousZoneWithoutConductivityUnitWritesNothing) {
  ContextFixture f;
  station(f, 10.0f, 1.0f, 0.01f);
  f.test.geometry = 3;
  std::vector<float> D(4);
  GEOMET(f.ctx(), 4, kX, kQ, D, 5e8f);
  EXPECT_NEAR(f.results.aquiferVolume, 36000.0, 0.1);
  EXPECT_EQ(f.listingText(), "");
}

TEST(PORZON, ConductivityRescaledAndPorosityReset) {
  ContextFixture f;
  station(f, 10.0f, 1.0f, 0.01f);
  f.test.geometry = 3;
  f.test.conductivityUnit = 2;
  f.test.conductivity = 0.001f;  // per second; code 2 makes it per hour
  f.test.porosity = 0;
  std::vector<float> D(4);
  GEOMET(f.ctx(), 4, kX, kQ, D, 5e8f);
  EXPECT_FLOAT_EQ(f.test.conductivity, 3.6f);
  EXPECT_EQ(f.test.porosity, 1.0f);
  EXPECT_NEAR(f.results.kept.porous.headLoss, 0.01 * 1000 / 3.6, 1e-5);  // v L / K
  const std::string l = f.listingText();
  EXPECT_NEAR(*listedValue(l, "Transport zone volume estimate"), 36000.0, 0.1);
  EXPECT_NEAR(*listedValue(l, "Transport zone cross-sectional area"), 36.0, 1e-3);
  EXPECT_NE(l.find("\n\n                POROSITY   0.00% <= 0.0%\n\n"
                   "              POROSITY RESET TO 100%\n\n\n"),
            std::string::npos);
  EXPECT_TRUE(hasLine(l, "Estimated Reynolds number"));
  EXPECT_FALSE(hasLine(l, "Shear velocity"));
  EXPECT_FALSE(hasLine(l, "Mass transfer coef. from wall to flow"));
  EXPECT_NE(f.consoleText().find("\n                POROSITY   0.00% <= 0.0%\n\n"
                                 "            POROSITY RESET TO 1.0 (100%)\n\n\n"),
            std::string::npos);
}

TEST(PORRST, PorosityAboveOne) {
  ContextFixture f;
  f.test.porosity = 1.5f;
  PORRST(f.ctx());
  EXPECT_EQ(f.listingText(),
            "\n                POROSITY 150.00% > 100%\n\n              POROSITY RESET TO 100%\n\n\n");
  EXPECT_EQ(f.consoleText(), "\n                POROSITY 150.00% > 100%\n\n"
                             "            POROSITY RESET TO 1.0 (100%)\n\n\n");
}

TEST(FRACTR, FissureHeightFromTheCrossSection) {
  ContextFixture f;
  // V = 36000 m3 over 1000 m: A = 36 m2, b = 5 * 6 = 30 m, w = 1.2 m.
  station(f, 10.0f, 1.0f, 0.0005f);
  f.test.geometry = 4;
  f.test.porosity = 1.0f;  // accepted as it is
  std::vector<float> D(4);
  GEOMET(f.ctx(), 4, kX, kQ, D, 5e8f);
  EXPECT_FLOAT_EQ(f.test.conductivity, 30.0f);
  const std::string l = f.listingText();
  EXPECT_FALSE(hasLine(l, "POROSITY"));
  EXPECT_NEAR(*listedValue(l, "Based on an estimated fissure height"), 30.0, 1e-3);
  EXPECT_NEAR(*listedValue(l, "Estimated Froude number"), 0.0005 / std::sqrt(9.807 * 30), 1e-8);
  // Laminar fractures: S = 2 L b 1000 / n.
  EXPECT_NEAR(*listedValue(l, "Transport zone surface area"), 2 * 1000 * 30 * 1000, 10);
  EXPECT_TRUE(hasLine(l, "and an hydraulic conductivity"));
  EXPECT_NE(l.find("Based on an estimated transport width                1.2000    m\n"),
            std::string::npos);
}

TEST(GEOMET, MeasuredDischargeNotFromTimeZero) {
  // With the station totals and a measured discharge starting after the
  // release, the volume cannot be integrated properly: the report, then
  // without screen echo the geometry anyway, on the limits of the
  // integral.
  ContextFixture f;
  f.test.dischargeMode = 1;
  f.test.timeUnit = 2;
  const std::vector<float> X{3600, 7200, 10800, 14400}, Q{1, 1, 1, 1};
  f.results.lowerLimit = 3600;
  f.results.meanTimeMinutes = 180;
  f.results.meanVelocity = 0.01f;
  std::vector<float> D(4);
  GEOMET(f.ctx(), 4, X, Q, D, 5e8f);
  EXPECT_NEAR(f.results.aquiferVolume, 7200.0, 0.01);
  const std::string report =
      kStars80 +
      "\n\n --------- CANNOT INTEGRATE AQUIFER VOLUME ---------\n\n"
      " AQUIFER VOLUME INTEGRATION REQUIRES THAT THE TIME-DISCHARGE DATA\n"
      " FILE BEGIN AT ZERO TIME TO PROPERLY INTEGRATE VOLUME.\n\n" +
      kStars80 + "\n";
  const std::string l = f.listingText();
  EXPECT_EQ(l.substr(0, report.size()), report);
  EXPECT_NEAR(*listedValue(l, "Based on a lower integration limit"), 1.0, 1e-6);
  EXPECT_NEAR(*listedValue(l, "and on an upper integration limit"), 3.0, 1e-6);
  EXPECT_EQ(f.consoleText(), report + "\n");
}

TEST(GEOMET, MeasuredDischargeNotFromTimeZeroWithScreenEcho) {
  // With the screen echo the geometry is skipped after the pause.
  const std::vector<float> X{3600, 7200, 10800, 14400}, Q{1, 1, 1, 1};
  std::vector<float> D(4);
  ContextFixture g;
  g.test.dischargeMode = 1;
  g.test.screenEcho = 1;
  g.results.lowerLimit = 3600;
  g.results.meanTimeMinutes = 180;
  GEOMET(g.ctx(), 4, X, Q, D, 5e8f);
  EXPECT_EQ(g.results.aquiferVolume, 0.0f);
  const std::string l = g.listingText();
  EXPECT_NE(l.find("CANNOT INTEGRATE AQUIFER VOLUME"), std::string::npos);
  EXPECT_FALSE(hasLine(l, "Flow-channel volume estimate"));
  EXPECT_NE(g.consoleText().find("Press <RETURN> to continue program"), std::string::npos);
}

TEST(GEOMET, VolumeBeyondTheMeasuredDischargeIsAWarning) {
  ContextFixture f("\n");
  f.test.dischargeMode = 1;
  f.test.stationTotals = 0;
  f.test.normalizedOption = 1;
  const std::vector<float> X{0, 3600, 7200}, Q{1, 1, 1};
  f.results.meanTimeMinutes = 180;  // beyond the last sample
  f.results.meanVelocity = 0.01f;
  std::vector<float> D(3);
  GEOMET(f.ctx(), 3, X, Q, D, 5e8f);
  EXPECT_NEAR(f.results.aquiferVolume, 10800.0, 0.1);
  const std::string l = f.listingText();
  const std::string warning =
      "\n\n" + kStars80 +
      "\n AN ERROR CALLING PCHQA, IERR =            2\n"
      " This error was an warning - you may have continued.\n\n"
      " This error occurred because your aquifer retained the tracer for\n"
      " a longer period of time than you measured discharge at the spring so\n"
      " you were forced to integrate beyond the limits of time for your data\n"
      " file which may result in an inaccurate volume estimate for your aquifer.\n\n\n" +
      kStars80 + "\n";
  EXPECT_EQ(l.substr(0, warning.size()), warning);
  EXPECT_NE(f.consoleText().find(" you are forced to integrate beyond the limits of time for "
                                 "your data\n"),
            std::string::npos);
}

}  // namespace
}  // namespace kaldero
