#include "analysis/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::StationFixture;

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
void station(StationFixture& f, float meanHours, float discharge, float velocity) {
  f.test.dischargeMode = DischargeMode::Constant;
  f.test.constantDischarge = discharge;
  f.setup.constantDischarge = discharge;
  f.results.meanTimeMinutes = meanHours * 60;
  f.results.meanVelocity = velocity;
  f.results.lowerLimit = 0;
}

const std::vector<float> kX{0, 12000, 24000, 36000};
const std::vector<float> kQ{0, 0, 0, 0};

void geometry(StationFixture& f, float recoveredMass, const std::vector<float>& X = kX,
              const std::vector<float>& Q = kQ) {
  std::vector<float> D(X.size());
  flowGeometry(f.results, f.inputs(), static_cast<int32_t>(X.size()), X, Q, D, recoveredMass);
}

TEST(Conduit, Turbulent) {
  StationFixture f;
  // V = 1000 m3 over 1000 m: A = 1 m2, d = 2 / sqrt(pi).
  station(f, 1000.0f / 3600.0f, 1.0f, 0.01f);
  geometry(f, 5e8f);  // half the injected kilogram
  const AnalysisResults& r = f.results;
  const GeometryResults& g = r.geometry;
  const double d = 2 / std::sqrt(M_PI);
  EXPECT_NEAR(r.aquiferVolume, 1000.0, 0.01);
  EXPECT_NEAR(r.crossSection, 1.0, 1e-5);
  // Half the tracer stayed behind: (Mi - Mr) V / (S Mr) = V / S.
  EXPECT_NEAR(r.sorption, 1000 / r.surfaceArea, 1e-5 * 1000 / r.surfaceArea);
  EXPECT_TRUE(g.described);
  EXPECT_FALSE(g.laminar);
  EXPECT_GT(r.kept.conduit.sublayer, 0.0f);
  EXPECT_EQ(g.conduitConductivity, 0.0f);
  EXPECT_NEAR(g.diameter, d, 1e-5);
  EXPECT_NEAR(g.depth, 1 / d, 1e-5);
  EXPECT_NEAR(r.kept.conduit.reynolds, 0.01 * 999.1 * d / 0.001139, 0.1);
  EXPECT_NEAR(r.froude, 0.01 / std::sqrt(9.807 / d), 1e-7);
  EXPECT_NEAR(r.schmidt, 0.001139 / (999.1 * 1e-9), 1e-3);  // viscosity / (density D)
  EXPECT_GT(r.sherwood, 0.0f);
  EXPECT_NEAR(r.massTransfer, r.sherwood * 1e-9 / d, 1e-6 * r.massTransfer);
  EXPECT_TRUE(g.massTransfer);
  EXPECT_GT(g.shearVelocity, 0.0f);
  EXPECT_EQ(g.shearVelocity, r.kept.conduit.shearVelocity);
  EXPECT_FALSE(g.startsAfterRelease);
  EXPECT_EQ(g.volumeCode, 0);
  EXPECT_TRUE(g.volumeNotices.empty());
  // The upper limit of the volume integral is the mean transit time.
  EXPECT_NEAR(r.upperLimit, 1000.0, 1e-3);
}

TEST(Conduit, LaminarHasAConductivityAndNoSublayer) {
  StationFixture f;
  station(f, 1000.0f / 3600.0f, 1.0f, 1e-5f);
  f.test.conductivityUnit = ConductivityUnit::Code2;
  geometry(f, 2e9f);  // more than was injected
  const double d = 2 / std::sqrt(M_PI);
  const GeometryResults& g = f.results.geometry;
  EXPECT_EQ(f.results.sorption, 0.0f);
  EXPECT_TRUE(g.laminar);
  EXPECT_EQ(f.results.kept.conduit.sublayer, 0.0f);
  EXPECT_NEAR(g.conduitConductivity, (d / 2) * (d / 2) * 9798.1738 / 0.009112, 1.0);
  EXPECT_FLOAT_EQ(f.results.kept.conduit.friction, 64.0f / f.results.kept.conduit.reynolds);
}

TEST(Conduit, WithoutVolumeItIsNotDescribed) {
  // Constant discharge without the station-totals option: the discharge
  // column is empty and the volume 0.
  StationFixture f;
  station(f, 10.0f, 1.0f, 0.01f);
  f.test.stationTotals = Option::Off;
  geometry(f, 5e8f);
  const GeometryResults& g = f.results.geometry;
  EXPECT_EQ(f.results.aquiferVolume, 0.0f);
  EXPECT_FALSE(g.described);
  EXPECT_FALSE(g.massTransfer);
  EXPECT_EQ(f.results.surfaceArea, 0.0f);
}

TEST(Conduit, HydraulicsOfAnEarlierStationAreKept) {
  StationFixture f;
  f.results.kept.conduit.headLoss = 7;
  station(f, 10.0f, 1.0f, 0.01f);
  f.test.stationTotals = Option::Off;
  geometry(f, 5e8f);
  EXPECT_EQ(f.results.kept.conduit.headLoss, 7.0f);
  f.results.resetStation();
  EXPECT_EQ(f.results.kept.conduit.headLoss, 7.0f);
}

TEST(PorousZone, WithoutConductivityUnitThereIsNoFlowForm) {
  StationFixture f;
  station(f, 10.0f, 1.0f, 0.01f);
  f.test.geometry = FlowForm::PorousZone;
  geometry(f, 5e8f);
  EXPECT_NEAR(f.results.aquiferVolume, 36000.0, 0.1);
  EXPECT_TRUE(f.results.geometry.noFlowForm);
  EXPECT_FALSE(f.results.geometry.massTransfer);
}

TEST(PorousZone, ConductivityRescaledAndPorosityReset) {
  StationFixture f;
  station(f, 10.0f, 1.0f, 0.01f);
  f.test.geometry = FlowForm::PorousZone;
  f.test.conductivityUnit = ConductivityUnit::Code2;
  f.test.conductivity = 0.001f;  // per second; code 2 makes it per hour
  f.test.porosity = 0;
  geometry(f, 5e8f);
  const GeometryResults& g = f.results.geometry;
  EXPECT_FLOAT_EQ(g.conductivity, 3.6f);
  EXPECT_EQ(g.porosity, 1.0f);
  EXPECT_TRUE(g.porosityReset);
  EXPECT_EQ(g.porosityRead, 0.0f);
  // The header keeps the values as read.
  EXPECT_EQ(f.test.conductivity, 0.001f);
  EXPECT_EQ(f.test.porosity, 0.0f);
  EXPECT_NEAR(f.results.kept.porous.headLoss, 0.01 * 1000 / 3.6, 1e-5);  // v L / K
  EXPECT_NEAR(f.results.aquiferVolume, 36000.0, 0.1);
  EXPECT_NEAR(f.results.crossSection, 36.0, 1e-3);
  EXPECT_GT(f.results.kept.porous.reynolds, 0.0f);
  EXPECT_NEAR(f.results.sherwood,
              sherwoodNumber(f.results.kept.porous.reynolds, water::kSchmidtCubeRoot), 1e-3);
  EXPECT_TRUE(g.massTransfer);
  EXPECT_EQ(f.results.massTransfer, 0.0f);  // no wall to flow from
}

TEST(PorousZone, PorosityWithinRangeIsKept) {
  for (float porosity : {0.25f, 1.0f}) {
    StationFixture f;
    station(f, 10.0f, 1.0f, 0.01f);
    f.test.geometry = FlowForm::PorousZone;
    f.test.conductivityUnit = ConductivityUnit::Code1;
    f.test.conductivity = 0.001f;
    f.test.porosity = porosity;
    geometry(f, 5e8f);
    EXPECT_EQ(f.results.geometry.porosity, porosity);
    EXPECT_FALSE(f.results.geometry.porosityReset);
    EXPECT_FLOAT_EQ(f.results.geometry.conductivity, 0.001f);
  }
}

TEST(Fractures, FissureHeightFromTheCrossSection) {
  StationFixture f;
  // V = 36000 m3 over 1000 m: A = 36 m2, b = 5 * 6 = 30 m, w = 1.2 m.
  station(f, 10.0f, 1.0f, 0.0005f);
  f.test.geometry = FlowForm::Fractures;
  f.test.porosity = 1.0f;  // accepted as it is
  geometry(f, 5e8f);
  const GeometryResults& g = f.results.geometry;
  EXPECT_FLOAT_EQ(g.conductivity, 30.0f);
  EXPECT_FALSE(g.porosityReset);
  EXPECT_TRUE(g.described);
  EXPECT_FLOAT_EQ(g.width, 1.2f);
  EXPECT_NEAR(f.results.froude, 0.0005 / std::sqrt(9.807 * 30), 1e-8);
  // Laminar fractures: S = 2 L b 1000 / n.
  EXPECT_TRUE(g.laminar);
  EXPECT_NEAR(f.results.surfaceArea, 2 * 1000 * 30 * 1000, 10);
  EXPECT_NEAR(g.fractureConductivity, 9798.1738 * 1.2 * 1.2 / 0.013668, 1.0);
  EXPECT_EQ(g.shearVelocity, f.results.kept.fracture.shearVelocity);
  EXPECT_TRUE(g.massTransfer);
}

TEST(Fractures, FissureHeightInFeet) {
  StationFixture f;
  station(f, 10.0f, 1.0f, 0.0005f);
  f.test.geometry = FlowForm::Fractures;
  f.test.conductivityUnit = ConductivityUnit::Code2;
  f.test.conductivity = 10;
  f.test.porosity = 1.5f;
  geometry(f, 5e8f);
  const GeometryResults& g = f.results.geometry;
  EXPECT_FLOAT_EQ(g.conductivity, 3.048f);
  EXPECT_FLOAT_EQ(g.width, 36.0f / 3.048f);
  EXPECT_TRUE(g.porosityReset);
  EXPECT_EQ(g.porosityRead, 1.5f);
  EXPECT_EQ(g.porosity, 1.0f);
}

TEST(FlowGeometry, MeasuredDischargeNotFromTimeZero) {
  // With the station totals and a measured discharge starting after the
  // release, the volume cannot be integrated properly: without the screen
  // echo the geometry follows anyway, on the limits of the integral.
  StationFixture f;
  f.test.dischargeMode = DischargeMode::Measured;
  f.test.timeUnit = TimeUnit::Hours;
  const std::vector<float> X{3600, 7200, 10800, 14400}, Q{1, 1, 1, 1};
  f.results.lowerLimit = 3600;
  f.results.meanTimeMinutes = 180;
  f.results.meanVelocity = 0.01f;
  geometry(f, 5e8f, X, Q);
  const GeometryResults& g = f.results.geometry;
  EXPECT_TRUE(g.startsAfterRelease);
  EXPECT_FALSE(g.endedAtStart);
  EXPECT_NEAR(f.results.aquiferVolume, 7200.0, 0.01);
  EXPECT_EQ(f.results.lowerLimit, 3600.0f);
  EXPECT_EQ(f.results.upperLimit, 10800.0f);
  EXPECT_TRUE(g.described);
}

TEST(FlowGeometry, MeasuredDischargeNotFromTimeZeroWithScreenEcho) {
  // With the screen echo the geometry is skipped after the report.
  StationFixture f;
  f.test.dischargeMode = DischargeMode::Measured;
  f.test.screenEcho = Option::On;
  const std::vector<float> X{3600, 7200, 10800, 14400}, Q{1, 1, 1, 1};
  f.results.lowerLimit = 3600;
  f.results.meanTimeMinutes = 180;
  geometry(f, 5e8f, X, Q);
  EXPECT_TRUE(f.results.geometry.startsAfterRelease);
  EXPECT_TRUE(f.results.geometry.endedAtStart);
  EXPECT_EQ(f.results.aquiferVolume, 0.0f);
  EXPECT_FALSE(f.results.geometry.described);
}

TEST(FlowGeometry, VolumeBeyondTheMeasuredDischargeIsAWarning) {
  StationFixture f;
  f.test.dischargeMode = DischargeMode::Measured;
  f.test.stationTotals = Option::Off;
  const std::vector<float> X{0, 3600, 7200}, Q{1, 1, 1};
  f.results.meanTimeMinutes = 180;  // beyond the last sample
  f.results.meanVelocity = 0.01f;
  geometry(f, 5e8f, X, Q);
  const GeometryResults& g = f.results.geometry;
  EXPECT_NEAR(f.results.aquiferVolume, 10800.0, 0.1);
  EXPECT_EQ(g.volumeCode, 2);
  ASSERT_EQ(g.volumeNotices.size(), 1u);
  EXPECT_EQ(g.volumeNotices[0].kind, Notice::Kind::IntegrationLimits);
  EXPECT_EQ(g.volumeNotices[0].code, 2);
  EXPECT_EQ(f.results.limitsWarning, 2);
}

}  // namespace
}  // namespace kaldero
