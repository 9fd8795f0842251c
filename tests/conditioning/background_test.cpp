// Background subtraction on a curve read from a real station data file.
#include "conditioning/background.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/data_pass.h"
#include "tests/support/station_text.h"

namespace kaldero {
namespace {

TEST(Background, SubtractedAndNotBelowZero) {
  testing::DataRun r =
      testing::runDataPass(testing::stationText({{6, "1 0.2"}}, "1 0.5 1\n2 0.2 1\n3 0.1 1\n"), 3,
                           ReductionMode::EveryLine, 0);
  ASSERT_FALSE(r.stopped) << r.console;
  const std::vector<float> C = subtractBackground(r.test, r.C);
  ASSERT_EQ(C.size(), 3u);
  EXPECT_FLOAT_EQ(C[0], 0.3f);
  EXPECT_EQ(C[1], 0.0f);
  EXPECT_EQ(C[2], 0.0f);
  EXPECT_EQ(r.T[2], 3.0f);
  // The measured concentrations stay as read.
  EXPECT_EQ(r.C[0], 0.5f);
}

TEST(Background, OptionZeroChangesNothing) {
  testing::DataRun r =
      testing::runDataPass(testing::stationText({{6, "0 0.2"}}, "1 0.5 1\n2 0.2 1\n3 0.1 1\n"), 3,
                           ReductionMode::EveryLine, 0);
  EXPECT_EQ(subtractBackground(r.test, r.C), (std::vector<float>{0.5f, 0.2f, 0.1f}));
}

}  // namespace
}  // namespace kaldero
