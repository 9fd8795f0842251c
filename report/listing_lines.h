// The layout of a results-listing line: a label indented 15 or 16 blanks
// and padded so that the number field starts in column 69, the number, then
// one blank and the unit. Continuation lines repeat a value in another unit
// with the number alone in the same columns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/codes.h"

namespace kaldero::lines {

inline constexpr int kNumberColumn = 69;
// The micro sign of the listings: one byte, B5 of the Windows-1252 page.
inline constexpr std::string_view kMicro = "\xB5";

// indent blanks and the label padded to column 68, then the field and, when
// unit is not empty, one blank and the unit.
std::string labelled(int indent, std::string_view label, std::string_view field,
                     std::string_view unit = {});
// The field in column 69 with nothing before it, then " unit".
std::string continued(std::string_view field, std::string_view unit = {});

// The general format of most listing numbers, 10 wide with 5 digits.
std::string g10(float x);
// A quantity that may be undefined: the word "undefined" in its field.
std::string g10(const std::optional<float>& x);
std::string G(const std::optional<float>& x, int w, int d);

// A time in seconds shown in the time unit of the station data file.
struct TimeInUnit {
  float divisor;
  std::string_view unit;
};
// d, hrs, min, sec for the time units; nothing for another code.
std::optional<TimeInUnit> timeUnit(TimeUnit unit);

}  // namespace kaldero::lines
