#include "analysis/dispersion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::StationFixture;

TEST(PecletClass, BoundariesBelongToTheBalancedClass) {
  EXPECT_EQ(pecletClass(0.4f), "Diffusion = Advection");
  EXPECT_EQ(pecletClass(6.0f), "Diffusion = Advection");
  EXPECT_EQ(pecletClass(std::nextafter(0.4f, 0.0f)), "Diffusion > Advection");
  EXPECT_EQ(pecletClass(std::nextafter(6.0f, 7.0f)), "Advection > Diffusion");
  EXPECT_EQ(pecletClass(-1.0f), "Diffusion > Advection");
  EXPECT_FALSE(pecletClass(std::numeric_limits<float>::quiet_NaN()).has_value());
}

// An instantaneous release with mean transit time 10 h and variance 8 h^2
// over 1000 m; the moments of the earlier steps as they would come out.
struct Moments {
  MassRecovery mass;
  TransitTimes transit;
  ChatwinResults chatwin;  // no estimate, no flow-zone correction
  Carried previousMaxVelocity;
  Moments() {
    transit.meanTime.hours = 10;
    transit.variance = 8;
    transit.zerothMoment = 72000;
    mass.firstMoment = 36000;      // load-weighted time integral / mass = 1
    mass.distanceWeighted = 1000;  // so v = 1000 m / 36000 s
    mass.limits = mass.momentLimits = {0, 72000};
  }
  Transport run(const StationFixture& f, const std::vector<float>& X,
                const std::vector<float>& F) const {
    return velocitiesAndDispersion(f.inputs(), X, F, mass, transit, chatwin, previousMaxVelocity);
  }
};

const std::vector<float> kX{0, 18000, 36000, 54000, 72000};
const std::vector<float> kF{0, 1, 2, 1, 0};

TEST(VelocitiesAndDispersion, MomentEstimateWithoutChatwin) {
  StationFixture f;
  const Transport r = Moments{}.run(f, kX, kF);
  const double v = 1000.0 / 36000.0;
  EXPECT_FLOAT_EQ(r.meanVelocity.perSecond, static_cast<float>(v));
  // D = 0.5 s^2 / t^2 * v L = 0.5 * 8 / 100 * 100 m/h * 1000 m / 3600.
  EXPECT_NEAR(r.momentDispersion, 0.04 * 100 * 1000 / 3600.0, 1e-5);
  EXPECT_EQ(r.dispersion, r.momentDispersion);
  EXPECT_FALSE(r.chatwinDispersion.has_value());
  ASSERT_TRUE(r.peclet.has_value());
  EXPECT_NEAR(*r.peclet, v * 1000 / r.dispersion, 1e-3);
  // The first sample with tracer arrives at 5 h.
  EXPECT_NEAR(r.maxVelocity.value, 1000.0 / 18000.0, 1e-7);
  EXPECT_TRUE(r.maxVelocity.computed);
  EXPECT_FLOAT_EQ(r.maxVelocityUnits.perSecond, r.maxVelocity.value);
  EXPECT_FLOAT_EQ(r.maxVelocityUnits.perHour, r.maxVelocity.value * 3600);
  EXPECT_FLOAT_EQ(r.maxVelocityUnits.perDay, r.maxVelocity.value * 86400);
  EXPECT_FLOAT_EQ(r.meanVelocity.perHour, r.meanVelocity.perSecond * 3600);
  EXPECT_FLOAT_EQ(r.meanVelocity.perDay, r.meanVelocity.perSecond * 86400);
  ASSERT_TRUE(r.dispersivity.has_value());
  EXPECT_FLOAT_EQ(*r.dispersivity, r.dispersion / r.meanVelocity.perSecond);
  // The moment estimate is marked as such; the velocities of a pulse have
  // a spread.
  EXPECT_TRUE(r.dispersionFromMoments);
  EXPECT_EQ(r.pecletClass, "Advection > Diffusion");
  EXPECT_TRUE(r.pulseRegime);
  ASSERT_TRUE(r.velocitySpread.has_value());
  EXPECT_GT(r.velocitySpread->perHour, 0);
  EXPECT_FLOAT_EQ(r.velocitySpread->perDay, 24 * r.velocitySpread->perHour);
  EXPECT_FLOAT_EQ(r.velocitySpread->perSecond, r.velocitySpread->perHour / 3600);
  EXPECT_TRUE(r.notices.empty());
}

TEST(VelocitiesAndDispersion, ChatwinEstimateIsKeptOnlyWhenSmaller) {
  StationFixture f;
  const float moment = 0.04f * 100 * 1000 / 3600.0f;
  for (float chatwin : {0.5f, 2.0f}) {
    Moments m;
    m.chatwin.fitted = true;
    m.chatwin.dispersion = chatwin;
    const Transport r = m.run(f, kX, kF);
    const bool kept = chatwin < moment;
    EXPECT_FLOAT_EQ(r.dispersion, kept ? chatwin : moment);
    EXPECT_NEAR(r.momentDispersion, moment, 1e-5);
    EXPECT_EQ(r.dispersionFromMoments, !kept);
    EXPECT_EQ(r.chatwinDispersion, chatwin);
  }
}

TEST(VelocitiesAndDispersion, FlowZoneCorrectionAddsToTheVelocityAndItsSpread) {
  StationFixture f;
  Moments corrected;
  corrected.chatwin.flowZoneVelocityCorrection = 0.01f;
  const Transport r = corrected.run(f, kX, kF);
  EXPECT_FLOAT_EQ(r.meanVelocity.perSecond, 1000.0f / 36000.0f + 0.01f);
  EXPECT_FLOAT_EQ(r.meanVelocity.perHour, 3600 * (1000.0f / 36000.0f + 0.01f));
  // The spread is that of the samples plus the correction, stored with it
  // in every unit (the listing and the results files only show it).
  const Transport g = Moments{}.run(f, kX, kF);
  ASSERT_TRUE(r.velocitySpread && g.velocitySpread);
  EXPECT_FLOAT_EQ(r.velocitySpread->perHour, g.velocitySpread->perHour + 36.0f);
  EXPECT_FLOAT_EQ(r.velocitySpread->perDay, g.velocitySpread->perDay + 24 * 36.0f);
  EXPECT_FLOAT_EQ(r.velocitySpread->perSecond, g.velocitySpread->perSecond + 0.01f);
}

TEST(VelocitiesAndDispersion, LongReleaseWithoutSpreadAndWithTheUnshiftedArrival) {
  StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 12;  // not below the mean time: long release
  Moments m;
  m.transit.longReleaseMoment = 36000 * 55;
  const Transport r = m.run(f, kX, kF);
  EXPECT_FALSE(r.velocitySpread.has_value());
  // (R / R1 - L / (2 vh)) vh^2 / 3600 = (55 - 5) * 100^2 / 3600.
  EXPECT_NEAR(r.momentDispersion, 50.0 * 10000 / 3600, 1e-3);
  // The first arrival (5 h) comes before the middle of the release (6 h):
  // the maximum velocity uses the arrival itself.
  EXPECT_NEAR(r.maxVelocity.value, 1000.0 / 18000.0, 1e-7);
  EXPECT_FALSE(r.pulseRegime);  // the report has no velocity spread
}

TEST(VelocitiesAndDispersion, LongReleaseCountsTheMaximumVelocityFromMidRelease) {
  StationFixture g;
  g.release.mode = ReleaseMode::Pulse;
  g.release.durationHours = 12;
  Moments m;
  m.transit.meanTime.hours = 11;
  m.transit.longReleaseMoment = 36000 * 55;
  const std::vector<float> late{0, 36000, 54000, 72000, 90000};
  EXPECT_NEAR(m.run(g, late, kF).maxVelocity.value, 1000.0 / (36000.0 - 21600.0), 1e-7);
}

TEST(VelocitiesAndDispersion, MaximumVelocityIsCarriedWhenNoSampleQualifies) {
  StationFixture f;
  f.release.flowZoneArrivalHours = 30;  // after every sample
  Moments m;
  m.previousMaxVelocity = {0.125f, true};
  const Transport r = m.run(f, kX, kF);
  // The previous station's value, not computed by this one.
  EXPECT_EQ(r.maxVelocity.value, 0.125f);
  EXPECT_FALSE(r.maxVelocity.computed);
  EXPECT_FLOAT_EQ(r.maxVelocityUnits.perHour, 0.125f * 3600);
}

TEST(VelocitiesAndDispersion, NoDispersionLeavesThePecletNumberUnclassed) {
  // A step release (mode 3) has no moment dispersion and no Chatwin
  // estimate: the Peclet number cannot be formed.
  StationFixture f;
  f.release.mode = ReleaseMode::Step;
  const Transport r = Moments{}.run(f, kX, kF);
  EXPECT_EQ(r.dispersion, 0.0f);
  EXPECT_FALSE(r.peclet.has_value());
  EXPECT_FALSE(r.pecletClass.has_value());
  EXPECT_TRUE(r.dispersivity.has_value());
  EXPECT_TRUE(std::isfinite(r.meanVelocity.perSecond));
}

TEST(VelocitiesAndDispersion, APulseLongerThanTheCurveGivesNoNegativeDispersion) {
  // A 20 h box pulse adds 20^2/12 = 33 h^2 to a variance of 8 h^2: the
  // moment estimate is below 0 and is no estimate. The positive Chatwin
  // estimate is reported, though larger; without one, there is none.
  StationFixture f;
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 20;
  Moments m;
  m.transit.meanTime.hours = 25;
  m.chatwin.fitted = true;
  m.chatwin.dispersion = 0.0101f;
  const Transport withChatwin = m.run(f, kX, kF);
  EXPECT_LT(withChatwin.momentDispersion, 0);
  EXPECT_TRUE(withChatwin.momentDispersionRejected);
  EXPECT_FLOAT_EQ(withChatwin.dispersion, 0.0101f);
  EXPECT_FALSE(withChatwin.dispersionFromMoments);
  EXPECT_FALSE(withChatwin.dispersionUndefined());
  ASSERT_TRUE(withChatwin.peclet.has_value());
  EXPECT_GT(*withChatwin.peclet, 0);
  ASSERT_TRUE(withChatwin.dispersivity.has_value());
  EXPECT_GT(*withChatwin.dispersivity, 0);

  m.chatwin = ChatwinResults{};
  const Transport none = m.run(f, kX, kF);
  EXPECT_TRUE(none.dispersionUndefined());
  EXPECT_EQ(none.dispersion, 0.0f);
  EXPECT_FALSE(none.dispersivity.has_value());
  EXPECT_FALSE(none.peclet.has_value());
  EXPECT_FALSE(none.pecletClass.has_value());
}

}  // namespace
}  // namespace kaldero
