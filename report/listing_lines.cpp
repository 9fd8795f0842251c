#include "report/listing_lines.h"

#include "core/format.h"
#include "core/text.h"

namespace kaldero::lines {

std::string labelled(int indent, std::string_view label, std::string_view field,
                     std::string_view unit) {
  std::string s = text::blanks(static_cast<std::size_t>(indent));
  s += label;
  if (s.size() < kNumberColumn - 1) s.resize(kNumberColumn - 1, ' ');
  s += field;
  if (!unit.empty()) {
    s += ' ';
    s += unit;
  }
  return s;
}

std::string continued(std::string_view field, std::string_view unit) {
  return labelled(0, {}, field, unit);
}

std::string g10(float x) { return fmt::G(x, 10, 5); }

std::string G(const std::optional<float>& x, int w, int d) {
  if (x) return fmt::G(*x, w, d);
  return text::rightAligned("undefined", static_cast<std::size_t>(w));
}

std::string g10(const std::optional<float>& x) { return G(x, 10, 5); }

std::optional<TimeInUnit> timeUnit(TimeUnit unit) {
  switch (unit) {
    case TimeUnit::Days: return TimeInUnit{86400.0f, "d"};
    case TimeUnit::Hours: return TimeInUnit{3600.0f, "hrs"};
    case TimeUnit::Minutes: return TimeInUnit{60.0f, "min"};
    case TimeUnit::Seconds: return TimeInUnit{1.0f, "sec"};
    default: return std::nullopt;
  }
}

}  // namespace kaldero::lines
