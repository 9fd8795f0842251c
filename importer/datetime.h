// Date-times of logger exports, as microseconds on one time line.
//
// A time stamp without a zone is a clock reading taken as it is: no
// daylight-saving or time-zone rule is ever applied, so that two readings of
// the same clock differ by what the clock shows. A stamp with "Z" or an
// offset (+02:00, +0200, +02) is moved to UTC. Stamps with and without a zone
// are never compared with each other (the caller refuses the mix).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kaldero::importer {

struct Stamp {
  int64_t micros = 0;  // since 1970-01-01 00:00 of the clock (or UTC when zoned)
  bool zoned = false;
};

enum class DateOrder { DayMonth, MonthDay };

// How the stamps of a file are read: the recognised forms, or a strptime
// format.
struct DateTimeFormat {
  DateOrder order = DateOrder::DayMonth;  // of D/M/YYYY dates
  std::string strptime;                   // empty: the recognised forms
};

// The outcome of reading a stamp: the stamp, or why it is not one.
struct StampParse {
  std::optional<Stamp> stamp;
  std::string why;  // empty when the text has no recognised form at all
};

// Recognised forms: a date (YYYY-MM-DD, YYYY/MM/DD, DD.MM.YYYY, DD/MM/YYYY
// or MM/DD/YYYY by the date order), then "T" or blanks and a time
// HH:MM[:SS[.fraction]] with an optional zone. A date alone is refused: in a
// file with a separate time column it would make every stamp midnight.
StampParse parseDateTime(std::string_view text, const DateTimeFormat& format);
// The same from a date column and a time column.
StampParse parseDateAndTime(std::string_view date, std::string_view time,
                            const DateTimeFormat& format);

// The release date-time: ISO 8601 with "T" or a blank, seconds optional.
StampParse parseIsoDateTime(std::string_view text);
// The release as given on the command line: ISO 8601 (a date alone is
// midnight), or any form the time stamps are read in by format (the
// recognised forms by its date order, or its strptime format).
StampParse parseInjection(std::string_view text, const DateTimeFormat& format);

// A stamp as "YYYY-MM-DD HH:MM:SS[.ffffff]" (clock reading or UTC).
std::string formatStamp(const Stamp& s);
// A duration in microseconds as the largest fitting unit ("15 min", "2.5 h").
std::string formatDuration(int64_t micros);

// Days since 1970-01-01 of a proleptic Gregorian date (no range check).
int64_t daysFromCivil(int64_t year, int month, int day);
int daysInMonth(int64_t year, int month);

}  // namespace kaldero::importer
