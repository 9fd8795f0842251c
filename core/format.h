// Number formatting for every listing, file and console line.
//
// The edit descriptors follow the Fortran rules the listings were defined
// with:
//   Gw.d  general: a value that is 0, or whose magnitude rounded to d
//         significant digits lies in [0.1, 10^d), is written in fixed point
//         with d significant digits right-justified in w-4 characters and
//         followed by 4 blanks; any other value in the exponent form
//         0.ddddE+ee right-justified in w (the leading 0 dropped when the
//         field would otherwise overflow); w asterisks when it cannot fit.
//   Fw.d  fixed point with d decimals in w characters.
//   Ew.d  exponent form 0.ddd followed by the exponent letter (E, or D for
//         the double-precision form of some messages) and the exponent.
//   Iw    integer right-justified in w characters.
// Rounding is to nearest on the exact binary value, ties to even.
//
// Free-format (list-directed) console lines are built with FreeLine: the
// line begins with one blank, texts follow each other directly, and every
// number is preceded by one blank and written in a fixed-width field
// (integers 11 wide, reals 16 wide with 9 significant digits).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kaldero::fmt {

std::string G(double x, int w, int d);
std::string F(double x, int w, int d);
std::string E(double x, int w, int d, char letter = 'E');
std::string I(int64_t n, int w);


// The integer and real fields of free-format output, without the
// separating blank.
std::string freeInt(int64_t n);
std::string freeReal(float x);

// Numbers in the texts beyond the listings (figures, the report, notes):
// `digits` significant digits, whole numbers of more digits written in
// full (12345, not 1.23e+04) up to 10^15; "-" when not finite.
std::string significant(double x, int digits = 3);
// `digits` significant digits as printf's %g writes them (the exponent
// form for large and small magnitudes): the fit file, the shares in
// messages, the report's numbers before their exponent is set as HTML.
std::string general(double x, int digits);
// The shortest decimal that reads back as the same double (the results
// files): 0.1, not 0.10000000000000001.
std::string shortest(double x);
// The same for a single-precision value: the shortest decimal that reads
// back as the same float, 0.1 for the float nearest to 0.1.
std::string shortest(float x);

class FreeLine {
 public:
  FreeLine() = default;
  explicit FreeLine(std::string_view s) { text(s); }

  FreeLine& text(std::string_view s);
  FreeLine& num(int32_t n);
  FreeLine& num(float x);

  const std::string& str() const { return line_; }

 private:
  enum class Last { None, Text, Number };
  std::string line_;
  Last last_ = Last::None;
};

}  // namespace kaldero::fmt
