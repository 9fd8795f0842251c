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

TEST(UncertaintyOptionTexts, EveryErrorNeedsTheDrawsAndARefusalChangesNothing) {
  UncertaintyRequest request;
  EXPECT_FALSE(uncertaintyRequestFrom({}, request).has_value());
  EXPECT_EQ(request.draws, 0);
  const auto refused = [](const UncertaintyOptionTexts& t, const std::string& why) {
    UncertaintyRequest s;
    EXPECT_EQ(uncertaintyRequestFrom(t, s).value_or(""), why);
    EXPECT_EQ(s.draws, 0);
    EXPECT_TRUE(s.concentration.none());
    EXPECT_EQ(s.seed, kDefaultSeed);
  };
  UncertaintyOptionTexts t;
  t.concentration = "3%";
  refused(t, "--conc-error needs --uncertainty DRAWS");
  t = {};
  t.seed = 5;
  refused(t, "--seed needs --uncertainty DRAWS");
  t = {};
  t.tailMethods = "all";
  refused(t, "--tail-methods needs --uncertainty DRAWS");
  // With the draws, a bad value is refused and what was good before it is
  // not kept either.
  for (const int draws : {0, 1, 99, 1000001}) {
    t = {};
    t.draws = draws;
    refused(t, "--uncertainty: the number of draws must be 100 to 1000000 (with fewer, the 2.5 "
               "and 97.5 % points rest on fewer than three draws each)");
  }
  // Errors that cannot be meant, and a correlation of no error.
  t = {};
  t.draws = 100;
  t.concentration = "1001%";
  refused(t, "--conc-error: \"1001%\" is a relative error above 1000 %, which cannot be meant");
  t.concentration = "1000%";
  t.discharge = "2e6";
  refused(t, "--discharge-error: \"2e6\" is beyond 1e6 in the station's unit, which cannot be meant");
  t = {};
  t.draws = 100;
  t.timeError = 1e7;
  refused(t, "--time-error: an error beyond 1e6 in the station's time unit cannot be meant");
  t = {};
  t.draws = 100;
  t.discharge = "5%";
  t.correlation = 0.5;
  refused(t, "--conc-error-correlation needs --conc-error (it correlates those errors)");
  t = {};
  t.draws = 100;
  t.concentration = "3%";
  t.discharge = "-5%";
  refused(t, "--discharge-error: \"-5%\" is not a percentage or a value of 0 or more");
  t.discharge = "5%";
  t.correlation = 1.0;
  refused(t, "--conc-error-correlation: R must be from 0 to below 1");
  t.correlation = 0.5;
  t.timeError = -0.1;
  refused(t, "--time-error: the error must be 0 or more");
  t.timeError = 0.1;
  t.tailMethods = "some";
  refused(t, "--tail-methods: \"some\" is not all or own");
}

TEST(UncertaintyOptionTexts, EveryStatedErrorReachesItsPlace) {
  UncertaintyOptionTexts t;
  t.draws = 1000;
  t.concentration = "3%";
  t.discharge = "5%";
  t.dischargeNoise = "0.01";
  t.background = "0.2";
  t.timeError = 0.05;
  t.correlation = 0.0;
  t.tailMethods = "all";
  t.seed = 9;
  UncertaintyRequest request;
  ASSERT_FALSE(uncertaintyRequestFrom(t, request).has_value());
  EXPECT_EQ(request.draws, 1000);
  EXPECT_DOUBLE_EQ(request.concentration.value, 0.03);
  EXPECT_DOUBLE_EQ(request.discharge.value, 0.05);
  EXPECT_FALSE(request.dischargeNoise.relative);
  EXPECT_DOUBLE_EQ(request.dischargeNoise.value, 0.01);
  EXPECT_DOUBLE_EQ(request.background.value, 0.2);
  EXPECT_DOUBLE_EQ(request.timeError, 0.05);
  EXPECT_TRUE(request.allTailMethods);
  EXPECT_EQ(request.seed, 9u);
}

}  // namespace
}  // namespace kaldero
