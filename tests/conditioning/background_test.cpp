// Background subtraction on a curve read from a real station data file.
#include "conditioning/background.h"

#include <gtest/gtest.h>

#include "tests/support/data_pass.h"
#include "tests/support/station_text.h"

namespace kaldero {
namespace {

TEST(Background, SubtractedAndNotBelowZero) {
  testing::DataRun r =
      testing::runDataPass(testing::stationText({{6, "1 0.2"}}, "1 0.5 1\n2 0.2 1\n3 0.1 1\n"), 3,
                           ReductionMode::EveryLine, 0);
  ASSERT_FALSE(r.stopped) << r.console;
  subtractBackground(r.test, r.C, r.n);
  EXPECT_FLOAT_EQ(r.C[0], 0.3f);
  EXPECT_EQ(r.C[1], 0.0f);
  EXPECT_EQ(r.C[2], 0.0f);
  EXPECT_EQ(r.T[2], 3.0f);
}

TEST(Background, OptionZeroChangesNothing) {
  testing::DataRun r =
      testing::runDataPass(testing::stationText({{6, "0 0.2"}}, "1 0.5 1\n2 0.2 1\n3 0.1 1\n"), 3,
                           ReductionMode::EveryLine, 0);
  subtractBackground(r.test, r.C, r.n);
  EXPECT_EQ(r.C[0], 0.5f);
  EXPECT_EQ(r.C[1], 0.2f);
  EXPECT_EQ(r.C[2], 0.1f);
}

}  // namespace
}  // namespace kaldero
