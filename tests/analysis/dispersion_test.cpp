#include "analysis/dispersion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/analysis_context.h"
#include "tests/support/capture.h"
#include "tests/support/listing_values.h"

namespace kaldero {
namespace {

using testing::ContextFixture;

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
void moments(ContextFixture& f) {
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
  ContextFixture f;
  moments(f);
  std::vector<float> D(5);
  velocitiesAndDispersion(f.ctx(), 5, kX, kF, D, 0.0f, 0.0f);
  const AnalysisResults& r = f.results;
  const double v = 1000.0 / 36000.0;
  EXPECT_FLOAT_EQ(r.meanVelocity, static_cast<float>(v));
  // D = 0.5 s^2 / t^2 * v L = 0.5 * 8 / 100 * 100 m/h * 1000 m / 3600.
  EXPECT_NEAR(r.momentDispersion, 0.04 * 100 * 1000 / 3600.0, 1e-5);
  EXPECT_EQ(r.dispersion, r.momentDispersion);
  EXPECT_NEAR(r.peclet, v * 1000 / r.dispersion, 1e-3);
  // The first sample with tracer arrives at 5 h.
  EXPECT_NEAR(r.kept.maxVelocity, 1000.0 / 18000.0, 1e-7);
  const std::string l = f.listingText();
  EXPECT_TRUE(testing::hasLine(l, "Dispersion estimate is probably too large"));
  EXPECT_TRUE(testing::hasLine(l, "Advection > Diffusion"));
  EXPECT_TRUE(testing::hasLine(l, "Peclet estimate is probably too small"));
  EXPECT_TRUE(testing::hasLine(l, "Standard deviation for tracer velocity"));
  EXPECT_EQ(f.consoleText(),
            "       NOT ENOUGH STORAGE SPACE FOR CHATWIN PARAMETER OR\n"
            "       INSUFFICIENT NUMBER OF DATA POINTS FOR CHATWIN ESTIMATION\n\n"
            "           DISPERSION ESTIMATED BY METHOD OF MOMENTS\n\n");
}

TEST(VelocitiesAndDispersion, ChatwinEstimateIsKeptOnlyWhenSmaller) {
  const float moment = 0.04f * 100 * 1000 / 3600.0f;
  for (float chatwin : {0.5f, 2.0f}) {
    ContextFixture f;
    moments(f);
    std::vector<float> D(5);
    velocitiesAndDispersion(f.ctx(), 5, kX, kF, D, chatwin, 0.0f);
    const bool kept = chatwin < moment;
    EXPECT_FLOAT_EQ(f.results.dispersion, kept ? chatwin : moment);
    const std::string l = f.listingText();
    EXPECT_EQ(testing::hasLine(l, "Dispersion estimate is probably too large"), !kept);
    EXPECT_EQ(testing::hasLine(l, "Peclet estimate is probably too small"), !kept);
    EXPECT_EQ(f.consoleText().empty(), kept);
  }
}

TEST(VelocitiesAndDispersion, FlowZoneCorrectionAddsToTheVelocity) {
  ContextFixture f;
  moments(f);
  std::vector<float> D(5);
  velocitiesAndDispersion(f.ctx(), 5, kX, kF, D, 0.0f, 0.01f);
  EXPECT_FLOAT_EQ(f.results.meanVelocity, 1000.0f / 36000.0f + 0.01f);
  const std::string l = f.listingText();
  // The spread of the velocity carries the correction too.
  const double s = f.results.velocitySpread;
  EXPECT_NEAR(*testing::listedValue(l, "Standard deviation for tracer velocity", 1), s + 36.0,
              0.01);
}

TEST(VelocitiesAndDispersion, LongReleaseWithoutSpreadAndWithTheUnshiftedArrival) {
  ContextFixture f;
  moments(f);
  f.control.releaseMode = 2;
  f.control.releaseDuration = 12;  // not below the mean time: long release
  f.results.longReleaseMoment = 36000 * 55;
  std::vector<float> D(5);
  velocitiesAndDispersion(f.ctx(), 5, kX, kF, D, 0.0f, 0.0f);
  const AnalysisResults& r = f.results;
  EXPECT_EQ(r.velocitySpread, 0.0f);
  // (R / R1 - L / (2 vh)) vh^2 / 3600 = (55 - 5) * 100^2 / 3600.
  EXPECT_NEAR(r.momentDispersion, 50.0 * 10000 / 3600, 1e-3);
  // The first arrival (5 h) comes before the middle of the release (6 h):
  // the maximum velocity uses the arrival itself.
  EXPECT_NEAR(r.kept.maxVelocity, 1000.0 / 18000.0, 1e-7);
  const std::string l = f.listingText();
  EXPECT_FALSE(testing::hasLine(l, "Standard deviation for tracer velocity"));
}

TEST(VelocitiesAndDispersion, LongReleaseCountsTheMaximumVelocityFromMidRelease) {
  ContextFixture g;
  std::vector<float> D(5);
  moments(g);
  g.control.releaseMode = 2;
  g.control.releaseDuration = 12;
  g.results.meanTimeHours = 11;
  g.results.longReleaseMoment = 36000 * 55;
  const std::vector<float> late{0, 36000, 54000, 72000, 90000};
  velocitiesAndDispersion(g.ctx(), 5, late, kF, D, 0.0f, 0.0f);
  EXPECT_NEAR(g.results.kept.maxVelocity, 1000.0 / (36000.0 - 21600.0), 1e-7);
}

TEST(VelocitiesAndDispersion, MaximumVelocityStaysWhenNoSampleQualifies) {
  ContextFixture f;
  moments(f);
  f.results.kept.maxVelocity = 0.125f;
  f.control.flowZoneArrival = 30;  // after every sample
  std::vector<float> D(5);
  velocitiesAndDispersion(f.ctx(), 5, kX, kF, D, 0.0f, 0.0f);
  EXPECT_EQ(f.results.kept.maxVelocity, 0.125f);
}

TEST(VelocitiesAndDispersion, NoDispersionLeavesThePecletNumberUnclassed) {
  // A step release (mode 3) has no moment dispersion and no Chatwin
  // estimate: the Peclet number cannot be formed.
  ContextFixture f;
  moments(f);
  f.control.releaseMode = 3;
  std::vector<float> D(5);
  velocitiesAndDispersion(f.ctx(), 5, kX, kF, D, 0.0f, 0.0f);
  EXPECT_EQ(f.results.dispersion, 0.0f);
  EXPECT_EQ(f.results.peclet, 0.0f);
  const std::string l = f.listingText();
  EXPECT_FALSE(testing::hasLine(l, "Diffusion"));
  EXPECT_FALSE(testing::hasLine(l, "Advection"));
  EXPECT_EQ(l.find("NaN"), std::string::npos);
  EXPECT_EQ(l.find("Inf"), std::string::npos);
}

}  // namespace
}  // namespace kaldero
