#include "analysis/integration.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero {
namespace {

const std::vector<float> kX{0, 1, 2, 4, 7};
const std::vector<float> kF{0, 2, 5, 6, 1};

TEST(Integration, IntegratesBetweenTheLimitsSilently) {
  Notices notices;
  AnalysisResults r;
  r.lowerLimit = 0;
  r.upperLimit = 7;
  std::vector<float> d(5);
  int32_t ierr = 99;
  EXPECT_NEAR(integrateInterpolant(notices, r, 5, kX.data(), kF.data(), d.data(), false, ierr),
              28.582759, 1e-4);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(r.limitsWarning, 0);
  EXPECT_TRUE(notices.empty());
  r.lowerLimit = 0.5f;
  r.upperLimit = 3.3f;
  EXPECT_NEAR(integrateInterpolant(notices, r, 5, kX.data(), kF.data(), d.data(), false, ierr),
              11.478312, 1e-4);
  EXPECT_TRUE(notices.empty());
}

TEST(Integration, LimitOutsideTheSamplesIsNoticedAndStored) {
  Notices notices;
  AnalysisResults r;
  r.lowerLimit = -1;
  r.upperLimit = 8;
  std::vector<float> d(5);
  int32_t ierr = 0;
  EXPECT_NEAR(integrateInterpolant(notices, r, 5, kX.data(), kF.data(), d.data(), false, ierr),
              27.480907, 1e-4);
  EXPECT_EQ(ierr, 3);
  EXPECT_EQ(r.limitsWarning, 3);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].kind, Notice::Kind::IntegrationLimits);
  EXPECT_EQ(notices[0].code, 3);
  // Only the upper limit outside: code 2; the warning stays until it is
  // reset by the caller.
  r.lowerLimit = 0;
  integrateInterpolant(notices, r, 5, kX.data(), kF.data(), d.data(), false, ierr);
  EXPECT_EQ(ierr, 2);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[1].code, 2);
  EXPECT_EQ(r.limitsWarning, 2);
}

TEST(Integration, WithoutAnInterpolantTheIntegralIsZero) {
  // One point, and times that do not increase: the derivatives cannot be
  // formed; nothing beyond the samples is read.
  Notices notices;
  AnalysisResults r;
  r.lowerLimit = 0;
  r.upperLimit = 5;
  const float x1[] = {0}, f1[] = {3};
  float d1[1];
  int32_t ierr = 0;
  EXPECT_EQ(integrateInterpolant(notices, r, 1, x1, f1, d1, false, ierr), 0.0f);
  EXPECT_EQ(ierr, -1);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].kind, Notice::Kind::IntegrationDerivatives);
  EXPECT_EQ(notices[0].code, -1);
  const float x3[] = {0, 2, 2}, f3[] = {1, 2, 3};
  float d3[3];
  EXPECT_EQ(integrateInterpolant(notices, r, 3, x3, f3, d3, false, ierr), 0.0f);
  EXPECT_EQ(ierr, -3);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[1].code, -3);
  EXPECT_EQ(r.limitsWarning, 0);
}

}  // namespace
}  // namespace kaldero
