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

const std::vector<float> kX{0, 12000, 24000, 36000};
const std::vector<float> kQ{0, 0, 0, 0};

// The geometry step of a station with the results of the earlier steps it
// takes: the mean transit time, the mean velocity, the recovered mass and
// the lower integration limit.
struct Geometry : StationFixture {
  MassRecovery mass;
  TransitTimes transit;
  Transport transport;
  CarriedResults carried;  // what the earlier stations left
  CarriedResults after;    // what this one leaves
  FlowGeometry g;

  // A volume estimate from a constant discharge: V = mean transit time *
  // discharge.
  Geometry(float meanHours = 10, float discharge = 1, float velocity = 0.01f) {
    test.dischargeMode = DischargeMode::Constant;
    test.constantDischarge = discharge;
    setup.constantDischarge = discharge;
    mean(meanHours * 60, velocity);
  }
  void mean(float minutes, float velocity) {
    transit.meanTime.minutes = minutes;
    transit.meanTime.hours = minutes / 60;
    transport.meanVelocity.perSecond = velocity;
  }
  const FlowGeometry& run(float recoveredMass, const std::vector<float>& X = kX,
                          const std::vector<float>& Q = kQ) {
    mass.mass.micrograms = recoveredMass;
    const Curve cv{X, std::vector<float>(X.size(), 0.0f), Q};
    g = flowGeometry(inputs(), cv, mass, transit, transport, carried, after);
    return g;
  }
};

TEST(Conduit, Turbulent) {
  // V = 1000 m3 over 1000 m: A = 1 m2, d = 2 / sqrt(pi).
  Geometry f(1000.0f / 3600.0f, 1.0f, 0.01f);
  const FlowGeometry& g = f.run(5e8f);  // half the injected kilogram
  const double d = 2 / std::sqrt(M_PI);
  EXPECT_NEAR(g.volume, 1000.0, 0.01);
  ASSERT_TRUE(g.conduit && g.conduit->totals && g.massTransfer);
  const ConduitForm& c = *g.conduit;
  EXPECT_EQ(c.volume, g.volume);
  EXPECT_NEAR(c.crossSection, 1.0, 1e-5);
  EXPECT_EQ(g.surfaceArea, c.surfaceArea);
  // Half the tracer stayed behind: (Mi - Mr) V / (S Mr) = V / S.
  EXPECT_NEAR(c.sorption, 1000 / c.surfaceArea, 1e-5 * 1000 / c.surfaceArea);
  // Turbulent: a sublayer, no conductivity.
  ASSERT_TRUE(c.sublayer.has_value());
  EXPECT_GT(*c.sublayer, 0.0f);
  EXPECT_EQ(f.after.conduit.sublayer.value, *c.sublayer);
  EXPECT_TRUE(f.after.conduit.sublayer.computed);
  EXPECT_FALSE(c.totals->conductivity.has_value());
  EXPECT_NEAR(c.totals->diameter.metres, d, 1e-5);
  EXPECT_FALSE(c.totals->diameter.feet.has_value());
  EXPECT_NEAR(c.totals->depth.metres, 1 / d, 1e-5);
  EXPECT_NEAR(c.totals->reynolds, 0.01 * 999.1 * d / 0.001139, 0.1);
  EXPECT_EQ(f.after.conduit.reynolds.value, c.totals->reynolds);
  EXPECT_NEAR(c.totals->froude, 0.01 / std::sqrt(9.807 / d), 1e-7);
  EXPECT_EQ(c.headLoss, f.after.conduit.headLoss.value);
  const MassTransfer& m = *g.massTransfer;
  EXPECT_NEAR(m.schmidt, 0.001139 / (999.1 * 1e-9), 1e-3);  // viscosity / (density D)
  EXPECT_GT(m.sherwood, 0.0f);
  ASSERT_TRUE(m.coefficient && m.shearVelocity && m.diffusionLayer);
  EXPECT_NEAR(*m.coefficient, m.sherwood * 1e-9 / d, 1e-6 * *m.coefficient);
  EXPECT_GT(m.shearVelocity->value, 0.0f);
  EXPECT_EQ(m.shearVelocity->value, f.after.conduit.shearVelocity.value);
  // The diffusion layer in mm; the carried one in m.
  EXPECT_FLOAT_EQ(m.diffusionLayer->value, f.after.diffusionLayer.value * 1000);
  EXPECT_TRUE(m.diffusionLayer->computed);
  EXPECT_FALSE(g.startsAfterRelease);
  EXPECT_EQ(g.volumeCode, 0);
  EXPECT_TRUE(g.volumeNotices.empty());
  // The upper limit of the volume integral is the mean transit time.
  EXPECT_EQ(g.volumeLimits.lower, 0.0f);
  EXPECT_NEAR(g.volumeLimits.upper, 1000.0, 1e-3);
  // A constant discharge shows no limits of the volume integral.
  EXPECT_FALSE(c.volumeLimits.has_value());
}

TEST(Conduit, LaminarHasAConductivityAndNoSublayer) {
  Geometry f(1000.0f / 3600.0f, 1.0f, 1e-5f);
  f.test.conductivityUnit = ConductivityUnit::Code2;
  const FlowGeometry& g = f.run(2e9f);  // more than was injected
  const double d = 2 / std::sqrt(M_PI);
  ASSERT_TRUE(g.conduit && g.conduit->totals);
  EXPECT_EQ(g.conduit->sorption, 0.0f);
  EXPECT_FALSE(g.conduit->sublayer.has_value());
  EXPECT_FALSE(f.after.conduit.sublayer.computed);
  EXPECT_EQ(f.after.conduit.sublayer.value, 0.0f);
  ASSERT_TRUE(g.conduit->totals->conductivity.has_value());
  EXPECT_NEAR(*g.conduit->totals->conductivity, (d / 2) * (d / 2) * 9798.1738 / 0.009112, 1.0);
  EXPECT_FLOAT_EQ(f.after.conduit.friction.value, 64.0f / f.after.conduit.reynolds.value);
  // Conductivity unit code 2 adds the lengths in feet.
  ASSERT_TRUE(g.conduit->totals->diameter.feet.has_value());
  EXPECT_FLOAT_EQ(*g.conduit->totals->diameter.feet, g.conduit->totals->diameter.metres * 3.2808f);
}

TEST(Conduit, WithoutVolumeItIsNotDescribed) {
  // Constant discharge without the station-totals option: the discharge
  // column is empty and the volume 0.
  Geometry f;
  f.test.stationTotals = Option::Off;
  const FlowGeometry& g = f.run(5e8f);
  EXPECT_EQ(g.volume, 0.0f);
  EXPECT_FALSE(g.conduit.has_value());
  EXPECT_FALSE(g.massTransfer.has_value());
  EXPECT_EQ(g.surfaceArea, 0.0f);
}

TEST(Conduit, HydraulicsOfAnEarlierStationAreCarried) {
  Geometry f;
  CarriedResults earlier;
  earlier.conduit.headLoss = {7, true};
  f.carried = earlier.forNextStation();
  f.test.stationTotals = Option::Off;
  f.run(5e8f);
  // Kept for the listings, but not computed by this station.
  EXPECT_EQ(f.after.conduit.headLoss.value, 7.0f);
  EXPECT_FALSE(f.after.conduit.headLoss.computed);
  EXPECT_EQ(f.after.forNextStation().conduit.headLoss.value, 7.0f);
}

TEST(PorousZone, WithoutConductivityUnitThereIsNoFlowForm) {
  Geometry f;
  f.test.geometry = FlowForm::PorousZone;
  const FlowGeometry& g = f.run(5e8f);
  EXPECT_NEAR(g.volume, 36000.0, 0.1);
  EXPECT_TRUE(g.noFlowForm);
  EXPECT_FALSE(g.porous.has_value());
  EXPECT_FALSE(g.massTransfer.has_value());
}

TEST(PorousZone, ConductivityRescaledAndPorosityReset) {
  Geometry f;
  f.test.geometry = FlowForm::PorousZone;
  f.test.conductivityUnit = ConductivityUnit::Code2;
  f.test.conductivity = 0.001f;  // per second; code 2 makes it per hour
  f.test.porosity = 0;
  const FlowGeometry& g = f.run(5e8f);
  EXPECT_FLOAT_EQ(g.conductivity, 3.6f);
  ASSERT_TRUE(g.porosityReset.has_value());
  EXPECT_EQ(g.porosityReset->read, 0.0f);
  EXPECT_EQ(g.porosityReset->percent, 0.0f);
  // The header keeps the values as read.
  EXPECT_EQ(f.test.conductivity, 0.001f);
  EXPECT_EQ(f.test.porosity, 0.0f);
  ASSERT_TRUE(g.porous && g.porous->headLoss && g.porous->volume && g.porous->reynolds);
  EXPECT_NEAR(g.porous->headLoss->value, 0.01 * 1000 / 3.6, 1e-5);  // v L / K
  EXPECT_EQ(f.after.porous.headLoss.value, g.porous->headLoss->value);
  EXPECT_NEAR(*g.porous->volume, 36000.0, 0.1);
  EXPECT_NEAR(g.porous->crossSection, 36.0, 1e-3);
  EXPECT_GT(f.after.porous.reynolds.value, 0.0f);
  EXPECT_EQ(g.porous->reynolds->value, f.after.porous.reynolds.value);
  ASSERT_TRUE(g.massTransfer.has_value());
  EXPECT_NEAR(g.massTransfer->sherwood,
              sherwoodNumber(f.after.porous.reynolds.value, water::kSchmidtCubeRoot), 1e-3);
  // No wall to flow from: no coefficient, shear velocity or diffusion layer.
  EXPECT_FALSE(g.massTransfer->coefficient.has_value());
  EXPECT_FALSE(g.massTransfer->shearVelocity.has_value());
  EXPECT_FALSE(g.massTransfer->diffusionLayer.has_value());
  // A porous zone has no surface area for the run totals.
  EXPECT_EQ(g.surfaceArea, 0.0f);
}

TEST(PorousZone, PorosityWithinRangeIsKept) {
  for (float porosity : {0.25f, 1.0f}) {
    Geometry f;
    f.test.geometry = FlowForm::PorousZone;
    f.test.conductivityUnit = ConductivityUnit::Code1;
    f.test.conductivity = 0.001f;
    f.test.porosity = porosity;
    const FlowGeometry& g = f.run(5e8f);
    EXPECT_FALSE(g.porosityReset.has_value()) << porosity;
    EXPECT_FLOAT_EQ(g.conductivity, 0.001f);
  }
}

TEST(Fractures, FissureHeightFromTheCrossSection) {
  // V = 36000 m3 over 1000 m: A = 36 m2, b = 5 * 6 = 30 m, w = 1.2 m.
  Geometry f(10.0f, 1.0f, 0.0005f);
  f.test.geometry = FlowForm::Fractures;
  f.test.porosity = 1.0f;  // accepted as it is
  const FlowGeometry& g = f.run(5e8f);
  EXPECT_FLOAT_EQ(g.conductivity, 30.0f);
  EXPECT_FALSE(g.porosityReset.has_value());
  ASSERT_TRUE(g.fractures && g.fractures->described && g.fractures->froude);
  const FractureForm::Described& d = *g.fractures->described;
  EXPECT_FLOAT_EQ(d.fissureHeight, 30.0f);
  EXPECT_FLOAT_EQ(d.width.metres, 1.2f);
  EXPECT_NEAR(*g.fractures->froude, 0.0005 / std::sqrt(9.807 * 30), 1e-8);
  // Laminar fractures: S = 2 L b 1000 / n, a conductivity, no sublayer.
  EXPECT_FALSE(d.sublayer.has_value());
  EXPECT_NEAR(d.surfaceArea, 2 * 1000 * 30 * 1000, 10);
  EXPECT_EQ(g.surfaceArea, d.surfaceArea);
  ASSERT_TRUE(d.conductivity.has_value());
  EXPECT_NEAR(*d.conductivity, 9798.1738 * 1.2 * 1.2 / 0.013668, 1.0);
  ASSERT_TRUE(g.massTransfer && g.massTransfer->shearVelocity);
  EXPECT_EQ(g.massTransfer->shearVelocity->value, f.after.fracture.shearVelocity.value);
  EXPECT_TRUE(f.after.fracture.shearVelocity.computed);
  // The conduit values are not this station's.
  EXPECT_FALSE(f.after.conduit.reynolds.computed);
}

TEST(Fractures, FissureHeightInFeet) {
  Geometry f(10.0f, 1.0f, 0.0005f);
  f.test.geometry = FlowForm::Fractures;
  f.test.conductivityUnit = ConductivityUnit::Code2;
  f.test.conductivity = 10;
  f.test.porosity = 1.5f;
  const FlowGeometry& g = f.run(5e8f);
  EXPECT_FLOAT_EQ(g.conductivity, 3.048f);
  ASSERT_TRUE(g.fractures && g.fractures->described);
  const FractureForm::Described& d = *g.fractures->described;
  EXPECT_FLOAT_EQ(d.width.metres, 36.0f / 3.048f);
  ASSERT_TRUE(d.width.feet.has_value());
  ASSERT_TRUE(g.porosityReset.has_value());
  EXPECT_EQ(g.porosityReset->read, 1.5f);
  EXPECT_FLOAT_EQ(g.porosityReset->percent, 150.0f);
  // Turbulent flow in the wide fracture; the reset porosity of 1 is the
  // one the surface area is divided by.
  ASSERT_TRUE(d.sublayer.has_value());
  EXPECT_FLOAT_EQ(d.surfaceArea, 2 * 1000 * 3.048f / (*d.sublayer / 1000));
}

TEST(FlowGeometry, MeasuredDischargeNotFromTimeZero) {
  // With the station totals and a measured discharge starting after the
  // release, the volume cannot be integrated properly: without the screen
  // echo the geometry follows anyway, on the limits of the integral.
  Geometry f;
  f.test.dischargeMode = DischargeMode::Measured;
  f.test.timeUnit = TimeUnit::Hours;
  f.mass.limits = {3600, 14400};
  f.mean(180, 0.01f);
  const FlowGeometry& g = f.run(5e8f, {3600, 7200, 10800, 14400}, {1, 1, 1, 1});
  EXPECT_TRUE(g.startsAfterRelease);
  EXPECT_FALSE(g.endedAtStart);
  EXPECT_NEAR(g.volume, 7200.0, 0.01);
  EXPECT_EQ(g.volumeLimits.lower, 3600.0f);
  EXPECT_EQ(g.volumeLimits.upper, 10800.0f);
  ASSERT_TRUE(g.conduit.has_value());
  // A measured discharge with the station totals shows the limits.
  ASSERT_TRUE(g.conduit->volumeLimits.has_value());
  EXPECT_EQ(g.conduit->volumeLimits->upper, 10800.0f);
}

TEST(FlowGeometry, MeasuredDischargeNotFromTimeZeroWithScreenEcho) {
  // With the screen echo the geometry is skipped after the report.
  Geometry f;
  f.test.dischargeMode = DischargeMode::Measured;
  f.test.screenEcho = Option::On;
  f.mass.limits = {3600, 14400};
  f.mean(180, 0.01f);
  const FlowGeometry& g = f.run(5e8f, {3600, 7200, 10800, 14400}, {1, 1, 1, 1});
  EXPECT_TRUE(g.startsAfterRelease);
  EXPECT_TRUE(g.endedAtStart);
  EXPECT_EQ(g.volume, 0.0f);
  EXPECT_FALSE(g.conduit.has_value());
  EXPECT_FALSE(g.massTransfer.has_value());
}

TEST(FlowGeometry, VolumeBeyondTheMeasuredDischargeIsAWarning) {
  Geometry f;
  f.test.dischargeMode = DischargeMode::Measured;
  f.test.stationTotals = Option::Off;
  f.mean(180, 0.01f);  // beyond the last sample
  const FlowGeometry& g = f.run(5e8f, {0, 3600, 7200}, {1, 1, 1});
  EXPECT_NEAR(g.volume, 10800.0, 0.1);
  EXPECT_EQ(g.volumeCode, 2);
  ASSERT_EQ(g.volumeNotices.size(), 1u);
  EXPECT_EQ(g.volumeNotices[0].kind, Notice::Kind::IntegrationLimits);
  EXPECT_EQ(g.volumeNotices[0].code, 2);
}

}  // namespace
}  // namespace kaldero
