#include "core/format.h"

#include <charconv>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kaldero::fmt {

namespace {

std::string stars(int w) { return std::string(static_cast<std::size_t>(w > 0 ? w : 0), '*'); }

std::string rightJustify(const std::string& s, int w) {
  if (static_cast<int>(s.size()) >= w) return s;
  return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

// NaN and infinities are never written as numbers: the analyses stop a
// station that would give one before anything shows it, so a field that
// meets one all the same is filled with asterisks.
bool nonFinite(double x, int w, std::string& out) {
  if (std::isfinite(x)) return false;
  out = stars(w);
  return true;
}

// Fixed-point digits of x with d decimals; the leading zero of a value below
// 1 is dropped when the text is longer than w.
std::string fixedText(double x, int d, int w) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%#.*f", d, x);
  std::string s(buf);
  if (static_cast<int>(s.size()) > w) {
    if (s.rfind("0.", 0) == 0) s.erase(0, 1);
    else if (s.rfind("-0.", 0) == 0) s.erase(1, 1);
  }
  return s;
}

// Decimal exponent of x rounded to d significant digits: x ~ m.mmm * 10^e.
int roundedExponent(double x, int d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", d - 1, x);
  const char* e = std::strchr(buf, 'e');
  return e ? std::atoi(e + 1) : 0;
}

}  // namespace

std::string F(double x, int w, int d) {
  std::string out;
  if (nonFinite(x, w, out)) return out;
  if (x == 0) x = 0;  // a negative zero is written as zero
  std::string s = fixedText(x, d, w);
  return static_cast<int>(s.size()) > w ? stars(w) : rightJustify(s, w);
}

std::string E(double x, int w, int d, char letter) {
  std::string out;
  if (nonFinite(x, w, out)) return out;
  if (x == 0) x = 0;
  std::string mantissa;
  int exponent = 0;
  if (x == 0) {
    mantissa = "0." + std::string(static_cast<std::size_t>(d), '0');
  } else {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", d > 0 ? d - 1 : 0, std::fabs(x));
    // buf is "D.DDDDe+XX": the digits become 0.DDDDD with the exponent + 1.
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
      if (*p >= '0' && *p <= '9') digits += *p;
    exponent = std::atoi(p + 1) + 1;
    digits.resize(static_cast<std::size_t>(d), '0');
    mantissa = (x < 0 ? "-0." : "0.") + digits;
  }
  char ebuf[16];
  int ae = std::abs(exponent);
  if (ae <= 99)
    std::snprintf(ebuf, sizeof ebuf, "%c%c%02d", letter, exponent < 0 ? '-' : '+', ae);
  else
    std::snprintf(ebuf, sizeof ebuf, "%c%03d", exponent < 0 ? '-' : '+', ae);
  std::string s = mantissa + ebuf;
  if (static_cast<int>(s.size()) > w) {
    if (s.rfind("0.", 0) == 0) s.erase(0, 1);
    else if (s.rfind("-0.", 0) == 0) s.erase(1, 1);
  }
  return static_cast<int>(s.size()) > w ? stars(w) : rightJustify(s, w);
}

namespace {

// Gw.d with exactly d significant digits; w asterisks when it cannot fit.
std::string generalExact(double x, int w, int d) {
  const int fw = w - 4;
  if (x == 0) {
    std::string s = fixedText(0.0, d - 1, fw);
    return (static_cast<int>(s.size()) > fw ? stars(w) : rightJustify(s, fw) + "    ");
  }
  const int e = roundedExponent(std::fabs(x), d);
  if (e >= -1 && e <= d - 1) {
    std::string s = fixedText(x, d - 1 - e, fw);
    return static_cast<int>(s.size()) > fw ? stars(w) : rightJustify(s, fw) + "    ";
  }
  return E(x, w, d);
}

}  // namespace

std::string G(double x, int w, int d) {
  std::string out;
  if (nonFinite(x, w, out)) return out;
  if (x == 0) x = 0;
  // A value that does not fit with d significant digits (a negative value
  // in a field sized for positive ones) keeps its field and its columns and
  // is written with fewer digits rather than lost as asterisks.
  for (int digits = d; digits >= 1; --digits) {
    std::string s = generalExact(x, w, digits);
    if (s.find_first_not_of('*') != std::string::npos || digits == 1) return s;
  }
  return stars(w);
}

std::string I(int64_t n, int w) {
  std::string s = std::to_string(n);
  return static_cast<int>(s.size()) > w ? stars(w) : rightJustify(s, w);
}

std::string freeInt(int64_t n) { return I(n, 11); }

std::string freeReal(float xf) {
  const double x = xf;
  std::string out;
  if (nonFinite(x, 16, out)) return out;
  if (x == 0) return rightJustify(fixedText(0.0, 8, 12), 12) + "    ";
  const int e = roundedExponent(std::fabs(x), 9);
  if (e >= -1 && e <= 8) return rightJustify(fixedText(x, 8 - e, 12), 12) + "    ";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.8E", x);
  return rightJustify(buf, 16);
}

FreeLine& FreeLine::text(std::string_view s) {
  if (last_ != Last::Text) line_ += ' ';
  line_ += s;
  last_ = Last::Text;
  return *this;
}

FreeLine& FreeLine::num(int32_t n) {
  line_ += ' ';
  line_ += freeInt(n);
  last_ = Last::Number;
  return *this;
}

FreeLine& FreeLine::num(float x) {
  line_ += ' ';
  line_ += freeReal(x);
  last_ = Last::Number;
  return *this;
}

std::string significant(double x, int digits) {
  if (!std::isfinite(x)) return "-";
  char b[64];
  if (std::abs(x) >= std::pow(10.0, digits) && std::abs(x) < 1e15)
    std::snprintf(b, sizeof b, "%.0f", x);
  else
    std::snprintf(b, sizeof b, "%.*g", digits, x);
  return b;
}

std::string general(double x, int digits) {
  char b[64];
  std::snprintf(b, sizeof b, "%.*g", digits, x);
  return b;
}

std::string shortest(double x) {
  char b[40];
  const auto r = std::to_chars(b, b + sizeof b, x);
  return std::string(b, r.ptr);
}

std::string shortest(float x) {
  char b[40];
  const auto r = std::to_chars(b, b + sizeof b, x);
  return std::string(b, r.ptr);
}

}  // namespace kaldero::fmt
