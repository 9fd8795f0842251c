#include "analysis/integration.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero {
namespace {

const std::vector<float> kX{0, 1, 2, 4, 7};
const std::vector<float> kF{0, 2, 5, 6, 1};

TEST(Integration, IntegratesBetweenTheLimitsSilently) {
  Notices notices;
  Integral i = integrate(notices, 5, kX, kF, {0, 7});
  EXPECT_NEAR(i.value, 28.582759, 1e-4);
  EXPECT_EQ(i.code, 0);
  EXPECT_EQ(i.limitsWarning(), 0);
  EXPECT_TRUE(notices.empty());
  i = integrate(notices, 5, kX, kF, {0.5f, 3.3f});
  EXPECT_NEAR(i.value, 11.478312, 1e-4);
  EXPECT_TRUE(notices.empty());
}

TEST(Integration, LimitOutsideTheSamplesIsNoticedAndStored) {
  Notices notices;
  Integral i = integrate(notices, 5, kX, kF, {-1, 8});
  EXPECT_NEAR(i.value, 27.480907, 1e-4);
  EXPECT_EQ(i.code, 3);
  EXPECT_EQ(i.limitsWarning(), 3);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].kind, Notice::Kind::IntegrationLimits);
  EXPECT_EQ(notices[0].code, 3);
  // Only the upper limit outside: code 2; the notices add up.
  i = integrate(notices, 5, kX, kF, {0, 8});
  EXPECT_EQ(i.code, 2);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[1].code, 2);
  EXPECT_EQ(i.limitsWarning(), 2);
}

TEST(Integration, WithoutAnInterpolantTheIntegralIsZero) {
  // One point, and times that do not increase: the derivatives cannot be
  // formed; nothing beyond the samples is read.
  Notices notices;
  const std::vector<float> x1{0}, f1{3};
  Integral i = integrate(notices, 1, x1, f1, {0, 5});
  EXPECT_EQ(i.value, 0.0f);
  EXPECT_EQ(i.code, -1);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].kind, Notice::Kind::IntegrationDerivatives);
  EXPECT_EQ(notices[0].code, -1);
  const std::vector<float> x3{0, 2, 2}, f3{1, 2, 3};
  i = integrate(notices, 3, x3, f3, {0, 5});
  EXPECT_EQ(i.value, 0.0f);
  EXPECT_EQ(i.code, -3);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[1].code, -3);
  // A derivative error is no limits warning.
  EXPECT_EQ(i.limitsWarning(), 0);
}

}  // namespace
}  // namespace kaldero
