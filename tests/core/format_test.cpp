// Expected fields are those the Fortran runtime writes for the same
// descriptors.
#include "core/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kaldero::fmt {
namespace {

TEST(GeneralFormat, ZeroIsFixedWithOneDigitLess) {
  EXPECT_EQ(G(0.0f, 10, 5), "0.0000    ");
  EXPECT_EQ(G(0.0f, 10, 4), " 0.000    ");
  EXPECT_EQ(G(0.0f, 12, 6), " 0.00000    ");
  EXPECT_EQ(G(0.0f, 20, 10), "     0.000000000    ");
  EXPECT_EQ(G(-0.0f, 10, 5), "0.0000    ");
}

TEST(GeneralFormat, RoundsToDigitsBeforeChoosingTheForm) {
  EXPECT_EQ(G(0.099999f, 10, 5), ".99999E-01");
  EXPECT_EQ(G(0.0999999f, 10, 5), ".10000    ");
  EXPECT_EQ(G(99999.5f, 10, 5), ".10000E+06");
  EXPECT_EQ(G(99999.4f, 10, 5), "99999.    ");
  EXPECT_EQ(G(9.99995f, 10, 5), "10.000    ");
  EXPECT_EQ(G(0.9999951f, 10, 5), "1.0000    ");
  EXPECT_EQ(G(0.9999948f, 10, 5), ".99999    ");
  EXPECT_EQ(G(0.1f, 10, 5), ".10000    ");
}

TEST(GeneralFormat, FixedFormKeepsSignificantDigits) {
  EXPECT_EQ(G(2500.0f, 10, 5), "2500.0    ");
  EXPECT_EQ(G(2500.0f, 10, 4), " 2500.    ");
  EXPECT_EQ(G(2500.0f, 12, 6), " 2500.00    ");
  EXPECT_EQ(G(0.12345f, 10, 5), ".12345    ");
  EXPECT_EQ(G(0.12345f, 10, 4), "0.1235    ");
  EXPECT_EQ(G(100.0f, 14, 6), "   100.000    ");
  EXPECT_EQ(G(12.5f, 9, 4), "12.50    ");
  EXPECT_EQ(G(7200.0f / 3600.0f, 20, 10), "     2.000000000    ");
  EXPECT_EQ(G(99999.4f, 20, 10), "     99999.39844    ");
}

TEST(GeneralFormat, NegativeValues) {
  EXPECT_EQ(G(-0.5f, 14, 6), " -0.500000    ");
  EXPECT_EQ(G(-1.5f, 10, 4), "-1.500    ");
  EXPECT_EQ(G(-0.12345f, 10, 4), "-.1235    ");
  EXPECT_EQ(G(-0.12345f, 12, 6), "-.123450    ");
  EXPECT_EQ(G(-2.5e9f, 10, 4), "-.2500E+10");
  EXPECT_EQ(G(-1.5f, 20, 10), "    -1.500000000    ");
}

TEST(GeneralFormat, ExponentFormDropsLeadingZeroOnlyWhenNeeded) {
  EXPECT_EQ(G(2.5e9f, 10, 5), ".25000E+10");
  EXPECT_EQ(G(2.5e9f, 10, 4), "0.2500E+10");
  EXPECT_EQ(G(2.5e9f, 12, 6), "0.250000E+10");
  EXPECT_EQ(G(1.0e-20f, 10, 5), ".10000E-19");
  EXPECT_EQ(G(1.0e-5f, 10, 5), ".10000E-04");
  EXPECT_EQ(G(123456.0f, 10, 5), ".12346E+06");
  EXPECT_EQ(G(100000.0f, 9, 4), ".1000E+06");
  EXPECT_EQ(G(0.05f, 9, 4), ".5000E-01");
  EXPECT_EQ(G(3.0e38f, 10, 5), ".30000E+39");
}

// A negative value does not fit the digits of a field sized for positive
// ones: it keeps the field and its columns with fewer significant digits
// rather than being lost as asterisks.
TEST(GeneralFormat, ValuesThatDoNotFitLoseDigitsNotTheValue) {
  EXPECT_EQ(G(-0.12345f, 10, 5), "-.1235    ");
  EXPECT_EQ(G(-1.5f, 10, 5), "-1.500    ");
  EXPECT_EQ(G(-0.5f, 10, 5), "-.5000    ");
  EXPECT_EQ(G(-2.5e9f, 10, 5), "-.2500E+10");
  EXPECT_EQ(G(-1.0e-5f, 10, 5), "-.1000E-04");
  EXPECT_EQ(G(-12345.6f, 10, 5), "-.1235E+05");
  EXPECT_EQ(G(-1234.5f, 10, 5), "-1234.    ");  // four digits still fixed point
  EXPECT_EQ(G(-3.0e38f, 10, 5), "-.3000E+39");
  // Only a field too narrow for any digit is asterisks.
  EXPECT_EQ(G(-5.0f, 5, 2), "*****");
}

TEST(FixedFormat, DecimalsRoundingAndOverflow) {
  EXPECT_EQ(F(1.5f, 5, 2), " 1.50");
  EXPECT_EQ(F(-150.0f, 7, 2), "-150.00");
  EXPECT_EQ(F(150.0f, 7, 2), " 150.00");
  EXPECT_EQ(F(123456.7f, 10, 4), "**********");
  EXPECT_EQ(F(100000.0f, 10, 4), "**********");
  EXPECT_EQ(F(-12.34567f, 11, 4), "   -12.3457");
  EXPECT_EQ(F(0.125f, 5, 2), " 0.12");  // exact tie goes to even
  EXPECT_EQ(F(0.375f, 5, 2), " 0.38");
  EXPECT_EQ(F(-0.00001f, 10, 4), "   -0.0000");
  EXPECT_EQ(F(1.0e30f, 6, 2), "******");
  EXPECT_EQ(F(0.5f, 3, 2), ".50");
}

TEST(ExponentFormat, LetterD) {
  EXPECT_EQ(E(1234.5678, 11, 3, 'D'), "  0.123D+04");
  EXPECT_EQ(E(1234.5678, 11, 3), "  0.123E+04");
  EXPECT_EQ(E(-1234.5678, 11, 3), " -0.123E+04");
  EXPECT_EQ(E(0.0, 11, 3), "  0.000E+00");
}

TEST(IntegerFormat, WidthAndOverflow) {
  EXPECT_EQ(I(123, 6), "   123");
  EXPECT_EQ(I(12, 1), "*");
  EXPECT_EQ(I(-5, 3), " -5");
  EXPECT_EQ(I(9, 1), "9");
}

TEST(GeneralFormat, NonFiniteValuesAreNeverWrittenAsNumbers) {
  // The analyses stop a station before such a value is shown; a field that
  // meets one all the same is filled with asterisks, in every format.
  const double nan = std::numeric_limits<float>::quiet_NaN();
  const double inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(G(nan, 10, 5), "**********");
  EXPECT_EQ(G(inf, 10, 5), "**********");
  EXPECT_EQ(G(-inf, 9, 4), "*********");
  EXPECT_EQ(F(nan, 8, 2), "********");
  EXPECT_EQ(E(-inf, 11, 3), "***********");
  EXPECT_EQ(FreeLine("A").num(static_cast<float>(inf)).str(), " A " + std::string(16, '*'));
}

TEST(FreeFormat, TextAndNumbersAsTheListDirectedWriter) {
  EXPECT_EQ(FreeLine("IERR = ").num(5).str(), " IERR =            5");
  EXPECT_EQ(FreeLine("A").num(1.5f).text("B").str(), " A   1.50000000     B");
  EXPECT_EQ(FreeLine("A").num(2.5e9f).text("B").str(), " A   2.50000000E+09 B");
  EXPECT_EQ(FreeLine("A").num(0.1f).text("B").str(), " A  0.100000001     B");
  EXPECT_EQ(FreeLine("A").num(0.0f).text("B").str(), " A   0.00000000     B");
  EXPECT_EQ(FreeLine("A").num(-123456.7f).text("B").str(), " A  -123456.703     B");
  EXPECT_EQ(FreeLine("A").num(123456789.0f).text("B").str(), " A   123456792.     B");
  EXPECT_EQ(FreeLine("A").num(0.001f).text("B").str(), " A   1.00000005E-03 B");
  EXPECT_EQ(FreeLine().num(5).num(6).str(), "           5           6");
  EXPECT_EQ(FreeLine("AB").text("CD").str(), " ABCD");
}

}  // namespace
}  // namespace kaldero::fmt
