#include "report/listing_lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/format.h"

namespace kaldero::lines {
namespace {

TEST(ListingLines, NumberInColumn69ThenTheUnit) {
  const std::string l = labelled(15, "Peclet number", g10(27.5f), "m");
  EXPECT_EQ(l.find("27.500"), 68u);
  EXPECT_EQ(l.substr(68), "27.500     m");
  EXPECT_EQ(continued(g10(1.0f)), std::string(68, ' ') + "1.0000    ");
  // A label that reaches the number column is not cut.
  const std::string longLabel(60, 'L');
  EXPECT_EQ(labelled(15, longLabel, "X").size(), 15u + 60u + 1u);
}

TEST(ListingLines, NonFiniteNumberIsNotWrittenAsANumber) {
  // The analyses stop a station before a value that is not finite reaches
  // the listing (analysis/finite_check.h names its label); a field that
  // meets one all the same is filled with asterisks.
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()})
    EXPECT_EQ(g10(bad), std::string(10, '*')) << bad;
  // The largest float is written as a number.
  const std::string max = g10(std::numeric_limits<float>::max());
  EXPECT_EQ(max.size(), 10u);
  EXPECT_NE(max.find_first_of("0123456789"), std::string::npos) << max;
  EXPECT_EQ(max.find('*'), std::string::npos) << max;
}

TEST(ListingLines, TimeUnitsOfTheStationFile) {
  ASSERT_TRUE(timeUnit(TimeUnit::Days));
  EXPECT_EQ(timeUnit(TimeUnit::Days)->divisor, 86400.0f);
  EXPECT_EQ(timeUnit(TimeUnit::Hours)->unit, "hrs");
  EXPECT_EQ(timeUnit(TimeUnit::Minutes)->unit, "min");
  EXPECT_EQ(timeUnit(TimeUnit::Seconds)->divisor, 1.0f);
  EXPECT_FALSE(timeUnit(TimeUnit{5}));
}

}  // namespace
}  // namespace kaldero::lines
