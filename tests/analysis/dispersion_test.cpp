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
  EXPECT_EQ(pecletClass(std::numeric_limits<float>::quiet_NaN()), "");
}

// An instantaneous release with mean transit time 10 h and variance 8 h^2
// over 1000 m; the moments of DITRTI as they would come out.
void moments(StationFixture& f) {
  f.results.meanTimeHours = 10;
  f.results.variance = 8;
  f.results.firstMoment = 36000;      // load-weighted time integral / mass = 1
  f.results.distanceWeighted = 1000;  // so v = 1000 m / 36000 s
  f.results.zerothMoment = 72000;
  f.results.lowerLimit = 0;
  f.results.upperLimit = 72000;
}

const std::vector<float> kX{0, 18000, 36000, 54000, 72000};
const std::vector<float> kF{0, 1, 2, 1, 0};

TEST(VelocitiesAndDispersion, MomentEstimateWithoutChatwin) {
  StationFixture f;
  moments(f);
  std::vector<float> D(5);
  velocitiesAndDispersion(f.notices, f.results, f.inputs(), 5, kX, kF, D);
  const AnalysisResults& r = f.results;
  const double v = 1000.0 / 36000.0;
  EXPECT_FLOAT_EQ(r.meanVelocity, static_cast<float>(v));
  // D = 0.5 s^2 / t^2 * v L = 0.5 * 8 / 100 * 100 m/h * 1000 m / 3600.
  EXPECT_NEAR(r.momentDispersion, 0.04 * 100 * 1000 / 3600.0, 1e-5);
  EXPECT_EQ(r.dispersion, r.momentDispersion);
  EXPECT_NEAR(r.peclet, v * 1000 / r.dispersion, 1e-3);
  // The first sample with tracer arrives at 5 h.
  EXPECT_NEAR(r.kept.maxVelocity, 1000.0 / 18000.0, 1e-7);
  EXPECT_FLOAT_EQ(r.kept.maxVelocityHour, r.kept.maxVelocity * 3600);
  EXPECT_FLOAT_EQ(r.kept.maxVelocityDay, r.kept.maxVelocity * 86400);
  EXPECT_FLOAT_EQ(r.meanVelocityHour, r.meanVelocity * 3600);
  EXPECT_FLOAT_EQ(r.meanVelocityDay, r.meanVelocity * 86400);
  EXPECT_FLOAT_EQ(r.dispersivity, r.dispersion / r.meanVelocity);
  // The moment estimate is marked as such; the velocities of a pulse have
  // a spread.
  EXPECT_TRUE(r.dispersionFromMoments);
  EXPECT_TRUE(r.pecletFormed);
  EXPECT_EQ(pecletClass(r.peclet), "Advection > Diffusion");
  EXPECT_TRUE(r.pulseRegime);
  EXPECT_GT(r.velocitySpread, 0);
  EXPECT_TRUE(f.notices.empty());
}

TEST(VelocitiesAndDispersion, ChatwinEstimateIsKeptOnlyWhenSmaller) {
  const float moment = 0.04f * 100 * 1000 / 3600.0f;
  for (float chatwin : {0.5f, 2.0f}) {
    StationFixture f;
    moments(f);
    std::vector<float> D(5);
    f.results.chatwinDispersion = chatwin;
    velocitiesAndDispersion(f.notices, f.results, f.inputs(), 5, kX, kF, D);
    const bool kept = chatwin < moment;
    EXPECT_FLOAT_EQ(f.results.dispersion, kept ? chatwin : moment);
    EXPECT_NEAR(f.results.momentDispersion, moment, 1e-5);
    EXPECT_EQ(f.results.dispersionFromMoments, !kept);
  }
}

TEST(VelocitiesAndDispersion, FlowZoneCorrectionAddsToTheVelocity) {
  StationFixture f;
  moments(f);
  std::vector<float> D(5);
  f.results.flowZoneVelocityCorrection = 0.01f;
  velocitiesAndDispersion(f.notices, f.results, f.inputs(), 5, kX, kF, D);
  EXPECT_FLOAT_EQ(f.results.meanVelocity, 1000.0f / 36000.0f + 0.01f);
  EXPECT_FLOAT_EQ(f.results.meanVelocityHour, 3600 * (1000.0f / 36000.0f + 0.01f));
  // The spread is that of the samples; the report adds the correction (it
  // is handed over with the results).
  StationFixture g;
  moments(g);
  std::vector<float> E(5);
  velocitiesAndDispersion(g.notices, g.results, g.inputs(), 5, kX, kF, E);
  EXPECT_EQ(f.results.velocitySpread, g.results.velocitySpread);
  EXPECT_EQ(f.results.flowZoneVelocityCorrection, 0.01f);
}

TEST(VelocitiesAndDispersion, LongReleaseWithoutSpreadAndWithTheUnshiftedArrival) {
  StationFixture f;
  moments(f);
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 12;  // not below the mean time: long release
  f.results.longReleaseMoment = 36000 * 55;
  std::vector<float> D(5);
  velocitiesAndDispersion(f.notices, f.results, f.inputs(), 5, kX, kF, D);
  const AnalysisResults& r = f.results;
  EXPECT_EQ(r.velocitySpread, 0.0f);
  // (R / R1 - L / (2 vh)) vh^2 / 3600 = (55 - 5) * 100^2 / 3600.
  EXPECT_NEAR(r.momentDispersion, 50.0 * 10000 / 3600, 1e-3);
  // The first arrival (5 h) comes before the middle of the release (6 h):
  // the maximum velocity uses the arrival itself.
  EXPECT_NEAR(r.kept.maxVelocity, 1000.0 / 18000.0, 1e-7);
  EXPECT_FALSE(r.pulseRegime);  // the report has no velocity spread
}

TEST(VelocitiesAndDispersion, LongReleaseCountsTheMaximumVelocityFromMidRelease) {
  StationFixture g;
  std::vector<float> D(5);
  moments(g);
  g.release.mode = ReleaseMode::Pulse;
  g.release.durationHours = 12;
  g.results.meanTimeHours = 11;
  g.results.longReleaseMoment = 36000 * 55;
  const std::vector<float> late{0, 36000, 54000, 72000, 90000};
  velocitiesAndDispersion(g.notices, g.results, g.inputs(), 5, late, kF, D);
  EXPECT_NEAR(g.results.kept.maxVelocity, 1000.0 / (36000.0 - 21600.0), 1e-7);
}

TEST(VelocitiesAndDispersion, MaximumVelocityStaysWhenNoSampleQualifies) {
  StationFixture f;
  moments(f);
  f.results.kept.maxVelocity = 0.125f;
  f.release.flowZoneArrivalHours = 30;  // after every sample
  std::vector<float> D(5);
  velocitiesAndDispersion(f.notices, f.results, f.inputs(), 5, kX, kF, D);
  EXPECT_EQ(f.results.kept.maxVelocity, 0.125f);
}

TEST(VelocitiesAndDispersion, NoDispersionLeavesThePecletNumberUnclassed) {
  // A step release (mode 3) has no moment dispersion and no Chatwin
  // estimate: the Peclet number cannot be formed.
  StationFixture f;
  moments(f);
  f.release.mode = ReleaseMode::Step;
  std::vector<float> D(5);
  velocitiesAndDispersion(f.notices, f.results, f.inputs(), 5, kX, kF, D);
  EXPECT_EQ(f.results.dispersion, 0.0f);
  EXPECT_EQ(f.results.peclet, 0.0f);
  EXPECT_FALSE(f.results.pecletFormed);
  EXPECT_EQ(f.results.dispersivity, 0.0f);
  EXPECT_TRUE(std::isfinite(f.results.meanVelocity));
}

}  // namespace
}  // namespace kaldero
