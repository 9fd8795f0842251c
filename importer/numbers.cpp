#include "importer/numbers.h"

#include <fast_float/fast_float.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/text.h"

namespace kaldero::importer {

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A finite number filling the whole text, with the given decimal mark.
bool readWhole(std::string_view t, char mark, double& out) {
  if (t.empty()) return false;
  const char* first = t.data();
  const char* last = t.data() + t.size();
  if (*first == '+') {  // fast_float takes a minus sign only
    ++first;
    if (first == last || *first == '+' || *first == '-') return false;
  }
  double v = 0;
  auto r = fast_float::from_chars_advanced(
      first, last, v, fast_float::parse_options(fast_float::chars_format::general, mark));
  if (r.ec != std::errc() || r.ptr != last || !std::isfinite(v)) return false;
  out = v;
  return true;
}

}  // namespace

bool isMissing(std::string_view field) {
  field = text::strip(field);
  return field.empty() || field == "-" || field == "#N/A" || equalsNoCase(field, "nan") ||
         equalsNoCase(field, "n/a");
}

ParsedValue parseValue(std::string_view field, DecimalMark& mark) {
  field = text::strip(field);
  if (isMissing(field)) return {ValueKind::Missing, 0};
  const bool hasPoint = field.find('.') != std::string_view::npos;
  const bool hasComma = field.find(',') != std::string_view::npos;
  if (hasPoint && hasComma) return {ValueKind::NotANumber, 0};
  DecimalMark seen = hasComma ? DecimalMark::Comma : hasPoint ? DecimalMark::Point
                                                              : DecimalMark::Undecided;
  if (seen != DecimalMark::Undecided && mark != DecimalMark::Undecided && seen != mark) {
    double ignored = 0;
    // Only a number written with the other mark is a mix; other text is
    // simply not a number.
    return readWhole(field, seen == DecimalMark::Comma ? ',' : '.', ignored)
               ? ParsedValue{ValueKind::MixedMark, 0}
               : ParsedValue{ValueKind::NotANumber, 0};
  }
  double v = 0;
  const char dot = seen == DecimalMark::Comma ? ',' : '.';
  if (!readWhole(field, dot, v)) return {ValueKind::NotANumber, 0};
  if (mark == DecimalMark::Undecided) mark = seen;
  return {ValueKind::Number, v};
}

bool parseNumber(std::string_view text, double& out) {
  return readWhole(text::strip(text), '.', out);
}

bool inSinglePrecision(double v) { return std::isfinite(v) && std::fabs(v) <= FLT_MAX; }

std::string singlePrecisionProblem(double value, double factor, std::string_view unit) {
  const double converted = value * factor;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", converted);
  const std::string shown = " (" + std::string(buf) + " " + std::string(unit) + ")";
  if (!inSinglePrecision(value) || !inSinglePrecision(converted))
    return "is beyond the program's single precision" + shown;
  if (value != 0 && (static_cast<float>(value) == 0 || static_cast<float>(converted) == 0))
    return "reads as 0 in the program's single precision" + shown;
  return {};
}

std::size_t formatNumber(double v, char* buf) {
  if (v == 0) v = 0;  // no "-0"
  auto r = std::to_chars(buf, buf + 32, v);
  return static_cast<std::size_t>(r.ptr - buf);
}

std::string formatNumber(double v) {
  char buf[32];
  return std::string(buf, formatNumber(v, buf));
}

}  // namespace kaldero::importer
