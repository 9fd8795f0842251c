#include "importer/datetime.h"

#include <time.h>

#include <array>
#include <cstdio>
#include <cstring>

#include "core/text.h"

namespace kaldero::importer {

namespace {

constexpr int64_t kMicrosPerSecond = 1000000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
// A cursor over the text of one stamp.
struct Cursor {
  std::string_view s;
  std::size_t at = 0;

  bool end() const { return at >= s.size(); }
  char peek() const { return end() ? '\0' : s[at]; }
  bool take(char c) {
    if (peek() != c) return false;
    ++at;
    return true;
  }
  // Between min and max digits as a number; -1 when fewer than min.
  int64_t digits(std::size_t min, std::size_t max, std::size_t* count = nullptr) {
    std::size_t n = 0;
    int64_t v = 0;
    while (n < max && !end() && isDigit(s[at])) {
      v = v * 10 + (s[at] - '0');
      ++at;
      ++n;
    }
    if (count) *count = n;
    return n < min ? -1 : v;
  }
  std::size_t runOfDigits() const {
    std::size_t n = 0;
    while (at + n < s.size() && isDigit(s[at + n])) ++n;
    return n;
  }
};

struct Civil {
  int64_t year = 1970;
  int month = 1, day = 1, hour = 0, minute = 0, second = 0;
  int64_t micros = 0;
  bool zoned = false;
  int64_t offsetSeconds = 0;  // east of UTC
};

const char* const kMonthNames[] = {"January", "February", "March",     "April",
                                   "May",     "June",     "July",      "August",
                                   "September", "October", "November", "December"};

// Why the fields are no possible date and clock time; empty when they are.
std::string impossible(const Civil& c) {
  if (c.month < 1 || c.month > 12) return "there is no month " + std::to_string(c.month);
  const int days = daysInMonth(c.year, c.month);
  if (c.day < 1 || c.day > days)
    return std::string(kMonthNames[c.month - 1]) + " " + std::to_string(c.year) + " has " +
           std::to_string(days) + " days";
  if (c.hour > 23) return "there is no hour " + std::to_string(c.hour);
  if (c.minute > 59) return "there is no minute " + std::to_string(c.minute);
  if (c.second > 59) return "there is no second " + std::to_string(c.second);
  return {};
}

Stamp toStamp(const Civil& c) {
  const int64_t days = daysFromCivil(c.year, c.month, c.day);
  const int64_t seconds = days * 86400 + c.hour * 3600 + c.minute * 60 + c.second -
                          (c.zoned ? c.offsetSeconds : 0);
  return Stamp{seconds * kMicrosPerSecond + c.micros, c.zoned};
}

StampParse finish(const Civil& c) {
  std::string why = impossible(c);
  if (!why.empty()) return {std::nullopt, std::move(why)};
  return {toStamp(c), {}};
}

// Outcome of a part parser: false with an empty reason when the text has
// another form altogether.
struct Part {
  bool ok = false;
  std::string why;
};

Part parseDate(Cursor& k, DateOrder order, Civil& c) {
  const std::size_t lead = k.runOfDigits();
  if (lead == 4) {
    c.year = k.digits(4, 4);
    const char sep = k.peek();
    if (sep != '-' && sep != '/') return {};
    ++k.at;
    const int64_t m = k.digits(1, 2);
    if (m < 0 || !k.take(sep)) return {};
    const int64_t d = k.digits(1, 2);
    if (d < 0) return {};
    c.month = static_cast<int>(m);
    c.day = static_cast<int>(d);
    return {true, {}};
  }
  if (lead == 1 || lead == 2) {
    const int64_t a = k.digits(1, 2);
    const char sep = k.peek();
    if (sep != '.' && sep != '/') return {};
    ++k.at;
    const int64_t b = k.digits(1, 2);
    if (b < 0 || !k.take(sep)) return {};
    if (k.runOfDigits() != 4) return {};
    c.year = k.digits(4, 4);
    const bool monthFirst = sep == '/' && order == DateOrder::MonthDay;
    c.day = static_cast<int>(monthFirst ? b : a);
    c.month = static_cast<int>(monthFirst ? a : b);
    return {true, {}};
  }
  return {};
}

// "Z", "UTC", or +HH, +HHMM, +HH:MM (either sign), perhaps after blanks.
Part parseZone(Cursor& k, Civil& c) {
  while (!k.end() && text::isBlank(k.peek())) ++k.at;
  if (k.end()) return {true, {}};
  if (k.take('Z') || k.take('z')) {
    c.zoned = true;
    return {true, {}};
  }
  if (k.s.substr(k.at) == "UTC" || k.s.substr(k.at) == "GMT") {
    k.at = k.s.size();
    c.zoned = true;
    return {true, {}};
  }
  const char sign = k.peek();
  if (sign != '+' && sign != '-') return {};
  ++k.at;
  const int64_t h = k.digits(2, 2);
  if (h < 0) return {};
  int64_t m = 0;
  if (k.take(':')) {
    m = k.digits(2, 2);
    if (m < 0) return {};
  } else if (k.runOfDigits() == 2) {
    m = k.digits(2, 2);
  }
  if (h > 23 || m > 59) return {false, "the zone offset is not possible"};
  c.zoned = true;
  c.offsetSeconds = (sign == '-' ? -1 : 1) * (h * 3600 + m * 60);
  return {true, {}};
}

Part parseTime(Cursor& k, Civil& c) {
  const int64_t h = k.digits(1, 2);
  if (h < 0 || !k.take(':')) return {};
  const int64_t m = k.digits(2, 2);
  if (m < 0) return {};
  c.hour = static_cast<int>(h);
  c.minute = static_cast<int>(m);
  if (k.take(':')) {
    const int64_t s = k.digits(2, 2);
    if (s < 0) return {};
    c.second = static_cast<int>(s);
    if (k.peek() == '.' || k.peek() == ',') {
      ++k.at;
      std::size_t n = 0;
      int64_t f = k.digits(1, 6, &n);
      if (f < 0) return {};
      for (std::size_t i = n; i < 6; ++i) f *= 10;
      c.micros = f;
      while (!k.end() && isDigit(k.peek())) ++k.at;  // beyond microseconds: dropped
    }
  }
  return parseZone(k, c);
}

StampParse byStrptime(std::string_view text, const std::string& format) {
  char buf[256];
  if (text.size() >= sizeof buf) return {};
  std::memcpy(buf, text.data(), text.size());
  buf[text.size()] = '\0';
  struct tm tm {};
  tm.tm_mday = 1;
  tm.tm_year = 70;
  const char* rest = ::strptime(buf, format.c_str(), &tm);
  if (!rest) return {};
  while (text::isBlank(*rest)) ++rest;
  if (*rest) return {};
  Civil c;
  c.year = tm.tm_year + 1900;
  c.month = tm.tm_mon + 1;
  c.day = tm.tm_mday;
  c.hour = tm.tm_hour;
  c.minute = tm.tm_min;
  c.second = tm.tm_sec;
  if (format.find("%z") != std::string::npos) {
    c.zoned = true;
    c.offsetSeconds = tm.tm_gmtoff;
  }
  return finish(c);
}

}  // namespace

int64_t daysFromCivil(int64_t y, int m, int d) {
  // Days from civil (H. Hinnant's algorithm): March-based years make the
  // leap day the last day of the year.
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int daysInMonth(int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

StampParse parseDateTime(std::string_view text, const DateTimeFormat& format) {
  text = text::strip(text);
  if (!format.strptime.empty()) return byStrptime(text, format.strptime);
  Cursor k{text};
  Civil c;
  Part p = parseDate(k, format.order, c);
  if (!p.ok) return {std::nullopt, std::move(p.why)};
  if (k.end())
    return {std::nullopt,
            "it is a date without a time of day (a time in its own column needs "
            "--date-column and --time-column)"};
  {
    if (k.peek() == 'T') {
      ++k.at;
    } else {
      if (!text::isBlank(k.peek())) return {};
      while (text::isBlank(k.peek())) ++k.at;
    }
    p = parseTime(k, c);
    if (!p.ok) return {std::nullopt, std::move(p.why)};
  }
  if (!k.end()) return {};
  return finish(c);
}

StampParse parseDateAndTime(std::string_view date, std::string_view time,
                            const DateTimeFormat& format) {
  date = text::strip(date);
  time = text::strip(time);
  if (!format.strptime.empty()) {
    char buf[256];
    if (date.size() + time.size() + 1 >= sizeof buf) return {};
    std::memcpy(buf, date.data(), date.size());
    buf[date.size()] = ' ';
    std::memcpy(buf + date.size() + 1, time.data(), time.size());
    return byStrptime(std::string_view(buf, date.size() + 1 + time.size()), format.strptime);
  }
  Civil c;
  Cursor d{date};
  Part p = parseDate(d, format.order, c);
  if (!p.ok || !d.end()) return {std::nullopt, std::move(p.why)};
  Cursor t{time};
  p = parseTime(t, c);
  if (!p.ok || !t.end()) return {std::nullopt, std::move(p.why)};
  return finish(c);
}

StampParse parseIsoDateTime(std::string_view text) {
  text = text::strip(text);
  Cursor k{text};
  if (k.runOfDigits() != 4) return {};
  Civil c;
  c.year = k.digits(4, 4);
  if (!k.take('-')) return {};
  const int64_t m = k.digits(2, 2);
  if (m < 0 || !k.take('-')) return {};
  const int64_t d = k.digits(2, 2);
  if (d < 0) return {};
  c.month = static_cast<int>(m);
  c.day = static_cast<int>(d);
  if (!k.end()) {
    if (!k.take('T') && !k.take(' ')) return {};
    Part p = parseTime(k, c);
    if (!p.ok) return {std::nullopt, std::move(p.why)};
  }
  if (!k.end()) return {};
  return finish(c);
}

StampParse parseInjection(std::string_view text, const DateTimeFormat& format) {
  StampParse iso = parseIsoDateTime(text);
  if (iso.stamp || !iso.why.empty()) return iso;
  text = text::strip(text);
  if (format.strptime.empty()) {
    // A date alone is no release time (only the ISO date is midnight).
    Cursor k{text};
    Civil c;
    if (parseDate(k, format.order, c).ok && k.end()) return {std::nullopt, "a date without a time of day"};
  }
  return parseDateTime(text, format);
}

std::string formatStamp(const Stamp& s) {
  int64_t seconds = s.micros / kMicrosPerSecond;
  int64_t micros = s.micros % kMicrosPerSecond;
  if (micros < 0) {
    micros += kMicrosPerSecond;
    --seconds;
  }
  int64_t days = seconds / 86400;
  int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  // Civil from days (H. Hinnant's algorithm).
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                static_cast<long long>(y), static_cast<long long>(m), static_cast<long long>(d),
                static_cast<long long>(rest / 3600), static_cast<long long>(rest / 60 % 60),
                static_cast<long long>(rest % 60));
  std::string out = buf;
  if (micros != 0) {
    std::snprintf(buf, sizeof buf, ".%06lld", static_cast<long long>(micros));
    out += buf;
  }
  if (s.zoned) out += " UTC";
  return out;
}

std::string formatDuration(int64_t micros) {
  struct Unit {
    int64_t size;
    const char* name;
  };
  static constexpr std::array<Unit, 4> kUnits{{{86400 * kMicrosPerSecond, "d"},
                                              {3600 * kMicrosPerSecond, "h"},
                                              {60 * kMicrosPerSecond, "min"},
                                              {kMicrosPerSecond, "s"}}};
  for (const Unit& u : kUnits) {
    if (micros >= u.size || u.size == kMicrosPerSecond) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.4g %s", static_cast<double>(micros) / u.size, u.name);
      return buf;
    }
  }
  return {};
}

}  // namespace kaldero::importer
