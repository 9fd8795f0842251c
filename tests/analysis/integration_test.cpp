#include "analysis/integration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file_reports.h"
#include "tests/support/capture.h"

namespace kaldero {
namespace {

const std::vector<float> kX{0, 1, 2, 4, 7};
const std::vector<float> kF{0, 2, 5, 6, 1};

TEST(CURINT, IntegratesBetweenTheLimitsSilently) {
  testing::CapturedConsole cc;
  AnalysisResults r;
  r.lowerLimit = 0;
  r.upperLimit = 7;
  std::vector<float> d(5);
  int32_t ierr = 99;
  EXPECT_NEAR(CURINT(cc.console(), r, 5, kX.data(), kF.data(), d.data(), false, ierr), 28.582759,
              1e-4);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(r.limitsWarning, 0);
  EXPECT_EQ(cc.output(), "");
  r.lowerLimit = 0.5f;
  r.upperLimit = 3.3f;
  EXPECT_NEAR(CURINT(cc.console(), r, 5, kX.data(), kF.data(), d.data(), false, ierr), 11.478312,
              1e-4);
}

TEST(CURINT, LimitOutsideTheSamplesIsReportedAndStored) {
  testing::CapturedConsole cc("\n");
  AnalysisResults r;
  r.lowerLimit = -1;
  r.upperLimit = 8;
  std::vector<float> d(5);
  int32_t ierr = 0;
  EXPECT_NEAR(CURINT(cc.console(), r, 5, kX.data(), kF.data(), d.data(), false, ierr), 27.480907,
              1e-4);
  EXPECT_EQ(ierr, 3);
  EXPECT_EQ(r.limitsWarning, 3);
  EXPECT_EQ(cc.output(), kStars80 + "\n\n AN ERROR CALLING PCHQA, IERR =            3\n\n"
                                    "This error is a only a warning - press RETURN.\n\n\n" +
                             kStars80 + "\n");
}

TEST(CURINT, WithoutAnInterpolantTheIntegralIsZero) {
  // One point, and times that do not increase: the derivatives cannot be
  // formed; the report pauses and nothing beyond the samples is read.
  testing::CapturedConsole cc;
  AnalysisResults r;
  r.lowerLimit = 0;
  r.upperLimit = 5;
  const float x1[] = {0}, f1[] = {3};
  float d1[1];
  int32_t ierr = 0;
  EXPECT_EQ(CURINT(cc.console(), r, 1, x1, f1, d1, false, ierr), 0.0f);
  EXPECT_EQ(ierr, -1);
  EXPECT_EQ(cc.output(), kStars80 + "\n\n AN ERROR CALLING PCHEZ FOR INTEGRATION, IERR =           -1\n"
                                    "Error may be recoverable -- press RETURN.\n\n\n" +
                             kStars80 + "\n");
  const float x3[] = {0, 2, 2}, f3[] = {1, 2, 3};
  float d3[3];
  EXPECT_EQ(CURINT(cc.console(), r, 3, x3, f3, d3, false, ierr), 0.0f);
  EXPECT_EQ(ierr, -3);
  EXPECT_EQ(r.limitsWarning, 0);
}

}  // namespace
}  // namespace kaldero
