// A stated error as the command line gives it: relative with a percent
// sign, absolute without; anything else is refused.
#include "model/uncertainty.h"

#include <gtest/gtest.h>

namespace kaldero {
namespace {

TEST(StatedError, PercentIsRelativeAndKeepsTheTextAsGiven) {
  const std::optional<StatedError> e = parseStatedError("3%");
  ASSERT_TRUE(e.has_value());
  EXPECT_TRUE(e->relative);
  EXPECT_DOUBLE_EQ(e->value, 0.03);
  EXPECT_EQ(e->text, "3%");
  const std::optional<StatedError> a = parseStatedError("0.05");
  ASSERT_TRUE(a.has_value());
  EXPECT_FALSE(a->relative);
  EXPECT_DOUBLE_EQ(a->value, 0.05);
  EXPECT_DOUBLE_EQ(parseStatedError("1.5e1%")->value, 0.15);
  // Zero is an error stated as none.
  EXPECT_TRUE(parseStatedError("0%")->none());
  EXPECT_TRUE(parseStatedError("0")->none());
}

TEST(StatedError, RefusesWhatIsNotOneNumberOfZeroOrMore) {
  for (const char* bad : {"", "%", "-1", "-0.5%", "3%%", "%3", "3 %", "3x", "x", "nan", "inf",
                          "1e999", "3%4"})
    EXPECT_FALSE(parseStatedError(bad).has_value()) << '"' << bad << '"';
}

}  // namespace
}  // namespace kaldero
