// Time stamps of logger exports: the recognised forms, zones, impossible
// dates and strptime formats.
#include "importer/datetime.h"

#include <gtest/gtest.h>

namespace kaldero::importer {
namespace {

constexpr int64_t kMinute = 60'000'000;

// 2016-04-13 10:00 as microseconds since 1970 on its own clock.
const int64_t kRelease = (daysFromCivil(2016, 4, 13) * 86400 + 10 * 3600) * 1'000'000LL;

int64_t read(std::string_view text, DateOrder order = DateOrder::DayMonth) {
  const StampParse p = parseDateTime(text, DateTimeFormat{order, {}});
  EXPECT_TRUE(p.stamp) << text << ": " << p.why;
  return p.stamp ? p.stamp->micros : -1;
}

TEST(DateTime, RecognisedFormsOfOneInstant) {
  for (const char* text :
       {"2016-04-13T10:00", "2016-04-13T10:00:00", "2016-04-13 10:00:00", "2016-04-13  10:00",
        "2016/04/13 10:00", "13.04.2016 10:00", "13.04.2016 10:00:00", "13.4.2016 10:00",
        "13/04/2016 10:00:00", " 2016-04-13T10:00:00.000 "})
    EXPECT_EQ(read(text), kRelease) << text;
  EXPECT_EQ(read("04/13/2016 10:00", DateOrder::MonthDay), kRelease);
  EXPECT_EQ(read("4/13/2016 10:00:00", DateOrder::MonthDay), kRelease);
  EXPECT_EQ(read("2016-04-13T10:00:30.25"), kRelease + 30'250'000);
  EXPECT_EQ(read("13.04.2016 10:00:30,5"), kRelease + 30'500'000);
  const StampParse split = parseDateAndTime("13.04.2016", "10:01", {});
  ASSERT_TRUE(split.stamp);
  EXPECT_EQ(split.stamp->micros, kRelease + kMinute);
}

TEST(DateTime, ZonesMoveTheStampToUtc) {
  const StampParse a = parseDateTime("2016-04-13T10:00+02:00", {});
  const StampParse b = parseDateTime("2016-04-13T08:00Z", {});
  const StampParse c = parseDateTime("2016-04-13T03:30-0430", {});
  ASSERT_TRUE(a.stamp && b.stamp && c.stamp);
  EXPECT_TRUE(a.stamp->zoned);
  EXPECT_EQ(a.stamp->micros, b.stamp->micros);
  EXPECT_EQ(c.stamp->micros, b.stamp->micros);
  // A clock reading is taken as it is, whatever the season.
  EXPECT_FALSE(parseDateTime("2016-04-13T10:00", {}).stamp->zoned);
}

TEST(DateTime, ImpossibleDatesAndTimesSayWhy) {
  const std::pair<const char*, const char*> cases[] = {
      {"31.02.2016 10:00", "February 2016 has 29 days"},
      {"29.02.2015 10:00", "February 2015 has 28 days"},
      {"29.02.1900 10:00", "February 1900 has 28 days"},
      {"31.04.2016 10:00", "April 2016 has 30 days"},
      {"2016-13-01T10:00", "there is no month 13"},
      {"13.04.2016 24:00", "there is no hour 24"},
      {"13.04.2016 10:60", "there is no minute 60"},
      {"13/04/2016 10:00", "there is no month 13"},  // read month first
  };
  for (const auto& [text, why] : cases) {
    const DateOrder order = std::string(text).find('/') != std::string::npos ? DateOrder::MonthDay
                                                                              : DateOrder::DayMonth;
    const StampParse p = parseDateTime(text, DateTimeFormat{order, {}});
    EXPECT_FALSE(p.stamp) << text;
    EXPECT_EQ(p.why, why) << text;
  }
  EXPECT_TRUE(parseDateTime("29.02.2000 10:00", {}).stamp);
}

TEST(DateTime, OtherTextIsNoStamp) {
  for (const char* text : {"", "Date", "11:00:00", "13.04.16 10:00", "2016-04-13T", "2016-04-13x10:00",
                           "13-04-2016 10:00", "2016-04-13 10:00 garbage", "2016-04-13T10"}) {
    const StampParse p = parseDateTime(text, {});
    EXPECT_FALSE(p.stamp) << text;
    EXPECT_TRUE(p.why.empty()) << text << ": " << p.why;
  }
  // A date alone would make every stamp of a split file midnight.
  const StampParse p = parseDateTime("13.04.2016", {});
  EXPECT_FALSE(p.stamp);
  EXPECT_NE(p.why.find("--date-column and --time-column"), std::string::npos);
}

TEST(DateTime, StrptimeFormatsAreCheckedForPossibleDates) {
  const DateTimeFormat f{DateOrder::DayMonth, "%Y%m%d %H%M%S"};
  const StampParse ok = parseDateTime("20160413 100000", f);
  ASSERT_TRUE(ok.stamp);
  EXPECT_EQ(ok.stamp->micros, kRelease);
  EXPECT_EQ(parseDateTime("20160231 100000", f).why, "February 2016 has 29 days");
  EXPECT_FALSE(parseDateTime("20160413 1000", f).stamp);
  EXPECT_FALSE(parseDateTime("20160413 100000 trailing", f).stamp);
  const StampParse joined = parseDateAndTime("13-Apr-2016", "10:00", {DateOrder::DayMonth, "%d-%b-%Y %H:%M"});
  ASSERT_TRUE(joined.stamp);
  EXPECT_EQ(joined.stamp->micros, kRelease);
  const StampParse zoned = parseDateTime("2016-04-13 12:00 +0200", {DateOrder::DayMonth, "%Y-%m-%d %H:%M %z"});
  ASSERT_TRUE(zoned.stamp);
  EXPECT_TRUE(zoned.stamp->zoned);
  EXPECT_EQ(zoned.stamp->micros, kRelease);
}

TEST(DateTime, ReleaseIsIsoOnly) {
  for (const char* text : {"2016-04-13T10:00", "2016-04-13 10:00", "2016-04-13 10:00:00"})
    EXPECT_EQ(parseIsoDateTime(text).stamp->micros, kRelease) << text;
  EXPECT_TRUE(parseIsoDateTime("2016-04-13T12:00+02:00").stamp->zoned);
  EXPECT_FALSE(parseIsoDateTime("13.04.2016 10:00").stamp);
  EXPECT_EQ(parseIsoDateTime("2016-02-30T10:00").why, "February 2016 has 29 days");
}

TEST(DateTime, TheReleaseTakesIsoAndEveryFormOfTheTimeStamps) {
  auto at = [](std::string_view text, const DateTimeFormat& f = {}) {
    const StampParse p = parseInjection(text, f);
    EXPECT_TRUE(p.stamp) << text << ": " << p.why;
    return p.stamp ? p.stamp->micros : -1;
  };
  for (const char* text : {"2016-04-13T10:00", "2016-04-13 10:00:00", "13.04.2016 10:00",
                           "13.04.2016 10:00:00", "13/04/2016 10:00", "2016/04/13 10:00"})
    EXPECT_EQ(at(text), kRelease) << text;
  // Slashed dates by the date order of the stamps.
  EXPECT_EQ(at("04/13/2016 10:00", {DateOrder::MonthDay, {}}), kRelease);
  EXPECT_EQ(parseInjection("04/13/2016 10:00", {}).why, "there is no month 13");
  // The stamps' own format, and ISO 8601 beside it.
  const DateTimeFormat f{DateOrder::DayMonth, "%Y%m%d-%Hh%M"};
  EXPECT_EQ(at("20160413-10h00", f), kRelease);
  EXPECT_EQ(at("2016-04-13T10:00", f), kRelease);
  EXPECT_TRUE(parseInjection("13.04.2016 12:00+02:00", {}).stamp.value_or(Stamp{}).zoned);
  // An ISO date alone is midnight, as before; another date alone is not
  // taken for one.
  EXPECT_EQ(at("2016-04-13"), kRelease - 600 * kMinute);
  EXPECT_EQ(parseInjection("13.04.2016", {}).why, "a date without a time of day");
  EXPECT_EQ(parseInjection("31.02.2016 10:00", {}).why, "February 2016 has 29 days");
  EXPECT_FALSE(parseInjection("yesterday", {}).stamp);
}

TEST(DateTime, Formatting) {
  EXPECT_EQ(formatStamp({kRelease + 30'250'000, false}), "2016-04-13 10:00:30.250000");
  EXPECT_EQ(formatStamp({-1'000'000, true}), "1969-12-31 23:59:59 UTC");
  EXPECT_EQ(formatDuration(66 * kMinute), "1.1 h");
  EXPECT_EQ(formatDuration(24 * kMinute), "24 min");
  EXPECT_EQ(formatDuration(1000), "0.001 s");
}

}  // namespace
}  // namespace kaldero::importer
