#include "input/freeformat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/temp_file.h"

namespace kaldero {
namespace {

TEST(TokenConversion, Integers) {
  int32_t v = 0;
  EXPECT_TRUE(parseInteger("42", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(parseInteger("+7", v));
  EXPECT_EQ(v, 7);
  EXPECT_TRUE(parseInteger("-3", v));
  EXPECT_EQ(v, -3);
  EXPECT_FALSE(parseInteger("1.0", v));
  EXPECT_FALSE(parseInteger("1e3", v));
  EXPECT_FALSE(parseInteger("abc", v));
  EXPECT_FALSE(parseInteger("-", v));
  EXPECT_FALSE(parseInteger("99999999999", v));
}

TEST(TokenConversion, RealsInEveryFortranForm) {
  float v = 0;
  EXPECT_TRUE(parseReal("2.5", v));
  EXPECT_FLOAT_EQ(v, 2.5f);
  EXPECT_TRUE(parseReal("5", v));
  EXPECT_FLOAT_EQ(v, 5.0f);
  EXPECT_TRUE(parseReal("5.", v));
  EXPECT_FLOAT_EQ(v, 5.0f);
  EXPECT_TRUE(parseReal(".5", v));
  EXPECT_FLOAT_EQ(v, 0.5f);
  EXPECT_TRUE(parseReal("-1.5E+03", v));
  EXPECT_FLOAT_EQ(v, -1500.0f);
  EXPECT_TRUE(parseReal("1.5d2", v));
  EXPECT_FLOAT_EQ(v, 150.0f);
  EXPECT_TRUE(parseReal("1.5+2", v));
  EXPECT_FLOAT_EQ(v, 150.0f);
  EXPECT_TRUE(parseReal("+2e-3", v));
  EXPECT_FLOAT_EQ(v, 0.002f);
  EXPECT_TRUE(parseReal("1e-60", v));  // below single precision: zero
  EXPECT_EQ(v, 0.0f);
}

TEST(TokenConversion, RejectsWhatIsNotAFiniteSinglePrecisionNumber) {
  float v = 0;
  for (const char* bad : {"", ".", "e5", "abc", "1.5x", "NaN", "nan", "Inf", "-Infinity",
                          "1e39", "-3.5e38", "1e999", "0x10", "1.2.3", "1e", "1e+", "--1"})
    EXPECT_FALSE(parseReal(bad, v)) << bad;
}

class ReaderTest : public ::testing::Test {
 protected:
  LineFile file;
  ListReader reader{file};
  testing::ScratchDir dir;

  void load(const std::string& text) { ASSERT_TRUE(file.open(dir.write("f.txt", text))); }
};

TEST_F(ReaderTest, RestOfTheLineIsIgnoredAndEveryReadStartsOnANewLine) {
  load("1 2 3 ignored\n4, 5 label text\n");
  int32_t a = 0, b = 0;
  float c = 0;
  EXPECT_EQ(reader.read(a, b), ReadStatus::Ok);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(reader.read(c), ReadStatus::Ok);
  EXPECT_FLOAT_EQ(c, 4.0f);
  EXPECT_EQ(reader.read(a), ReadStatus::End);
}

TEST_F(ReaderTest, ShortLinesContinueOntoTheNextLines) {
  load("1\n\n 2\t3\n");
  int32_t a = 0, b = 0, c = 0;
  EXPECT_EQ(reader.read(a, b, c), ReadStatus::Ok);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(c, 3);
  EXPECT_EQ(reader.firstLine(), 1);
  EXPECT_EQ(reader.lastLine(), 3);
}

TEST_F(ReaderTest, AFailedReadKeepsWhatWasReadBefore) {
  load("7 label\n");
  int32_t a = 0, b = 9;
  EXPECT_EQ(reader.read(a, b), ReadStatus::Error);
  EXPECT_EQ(a, 7);
  EXPECT_EQ(b, 9);
  EXPECT_EQ(reader.error(), "label");
}

TEST_F(ReaderTest, NullValuesSlashAndRepeatCounts) {
  load(",5\n1,,3\n4 / 5\n3*2\n2*,7\n");
  int32_t a = 11, b = 12, c = 13;
  EXPECT_EQ(reader.read(a, b), ReadStatus::Ok);
  EXPECT_EQ(a, 11);
  EXPECT_EQ(b, 5);
  EXPECT_EQ(reader.read(a, b, c), ReadStatus::Ok);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 5);
  EXPECT_EQ(c, 3);
  EXPECT_EQ(reader.read(a, b), ReadStatus::Ok);
  EXPECT_EQ(a, 4);
  EXPECT_EQ(b, 5);
  EXPECT_EQ(reader.read(a, b, c), ReadStatus::Ok);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(c, 2);
  EXPECT_EQ(reader.read(a, b, c), ReadStatus::Ok);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(c, 7);
}

TEST_F(ReaderTest, StepBackReturnsToTheLabelLineTheReadRanInto) {
  load("0\nlabel line\n5\n");
  int32_t option = -1;
  float value = -1;
  EXPECT_EQ(reader.read(option, value), ReadStatus::Error);
  EXPECT_EQ(option, 0);
  reader.stepBack();
  std::string label;
  EXPECT_EQ(reader.readText(label, 10), ReadStatus::Ok);
  EXPECT_EQ(label, "label line");
  EXPECT_EQ(reader.read(option), ReadStatus::Ok);
  EXPECT_EQ(option, 5);
}

TEST_F(ReaderTest, StepBackAfterAReadOnItsOwnLineGoesOn) {
  load("0 0\nlabel\n");
  int32_t option = -1, value = -1;
  EXPECT_EQ(reader.read(option, value), ReadStatus::Ok);
  reader.stepBack();
  std::string label;
  EXPECT_EQ(reader.readText(label, 5), ReadStatus::Ok);
  EXPECT_EQ(label, "label");
}

TEST_F(ReaderTest, TextIsTheFirstCharactersBlankPadded) {
  const std::string longName(60, 'x');
  load("SHORT.OUT\n" + longName + "\r\n");
  std::string t;
  EXPECT_EQ(reader.readText(t), ReadStatus::Ok);
  EXPECT_EQ(t, "SHORT.OUT" + std::string(41, ' '));
  EXPECT_EQ(reader.readText(t), ReadStatus::Ok);
  EXPECT_EQ(t, std::string(50, 'x'));
}

TEST_F(ReaderTest, WindowsLineEndsAndAnUnterminatedLastLine) {
  load("1.5 2.5\r\n3.5 4.5");
  float a = 0, b = 0;
  EXPECT_EQ(reader.read(a, b), ReadStatus::Ok);
  EXPECT_FLOAT_EQ(b, 2.5f);
  EXPECT_EQ(reader.read(a, b), ReadStatus::Ok);
  EXPECT_FLOAT_EQ(b, 4.5f);
  EXPECT_EQ(reader.read(a), ReadStatus::End);
}

TEST_F(ReaderTest, RewindAndCountLines) {
  load("a\n\nb\nc");
  EXPECT_EQ(reader.skipLine(), ReadStatus::Ok);
  EXPECT_EQ(file.countRemaining(), 3);
  file.rewind();
  EXPECT_EQ(file.countRemaining(), 4);
  file.rewind();
  std::string t;
  EXPECT_EQ(reader.readText(t, 1), ReadStatus::Ok);
  EXPECT_EQ(t, "a");
}

TEST_F(ReaderTest, LinesLongerThanTheReadBlock) {
  std::string big(3 << 20, ' ');
  big[0] = '1';
  big.back() = '2';
  load(big + "\n3\n");
  int32_t a = 0, b = 0;
  EXPECT_EQ(reader.read(a), ReadStatus::Ok);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(reader.read(b), ReadStatus::Ok);
  EXPECT_EQ(b, 3);
  file.rewind();
  EXPECT_EQ(file.countRemaining(), 2);
}

TEST_F(ReaderTest, ManyLinesAcrossBlocksWithStepBack) {
  std::string text;
  for (int i = 0; i < 300000; ++i) text += std::to_string(i) + " " + std::to_string(i * 2) + "\n";
  load(text);
  float a = 0, b = 0;
  for (int i = 0; i < 300000; ++i) {
    ASSERT_EQ(reader.read(a, b), ReadStatus::Ok);
    ASSERT_EQ(a, static_cast<float>(i));
  }
  EXPECT_EQ(reader.read(a), ReadStatus::End);
  file.rewind();
  EXPECT_EQ(file.countRemaining(), 300000);
}

TEST(LineFile, OnlyRegularFilesOpen) {
  LineFile f;
  EXPECT_FALSE(f.open("/nonexistent/file"));
  EXPECT_FALSE(f.open("/tmp"));
}

}  // namespace
}  // namespace kaldero

namespace kaldero {
namespace {

// Every real is the correctly rounded single-precision value of its
// decimal text, whichever way the reader takes to compute it.
TEST(TokenConversion, RealsAreCorrectlyRounded) {
  uint64_t seed = 12345;
  auto next = [&] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return seed >> 11;
  };
  char buf[64];
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(next() % 12);
    const int exponent = static_cast<int>(next() % 30) - 15;
    const double mantissa = static_cast<double>(next() % 1000000007) / 1000000007.0;
    std::snprintf(buf, sizeof buf, i % 2 ? "%.*g" : "%.*f", digits, mantissa * std::pow(10.0, exponent));
    float expected = 0, got = -1;
    std::from_chars(buf, buf + std::strlen(buf), expected);
    ASSERT_TRUE(parseReal(buf, got)) << buf;
    ASSERT_EQ(got, expected) << buf;
  }
}

}  // namespace
}  // namespace kaldero

namespace kaldero {
namespace {

// The single-precision value of a decimal text as the standard library
// reads it, the reference for the reader.
float reference(const std::string& text) {
  float v = -1;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_EQ(r.ec, std::errc()) << text;
  EXPECT_EQ(r.ptr, text.data() + text.size()) << text;
  return v;
}

void expectSameBits(const std::string& text, float expected) {
  float got = -1;
  ASSERT_TRUE(parseReal(text, got)) << text;
  EXPECT_EQ(std::bit_cast<uint32_t>(got), std::bit_cast<uint32_t>(expected)) << text;
}

// The exact decimal expansion of a double (every double is a finite decimal
// fraction), in scientific notation.
std::string exactDecimal(double d) {
  std::vector<char> buf(1200);
  std::snprintf(buf.data(), buf.size(), "%.1074e", d);
  std::string s = buf.data();
  // Trailing zeros of the mantissa add nothing.
  const std::size_t e = s.find('e');
  std::size_t end = e;
  while (end > 2 && s[end - 1] == '0') --end;
  if (s[end - 1] == '.') --end;
  return s.substr(0, end) + s.substr(e);
}

// Midpoints between neighbouring floats, written out exactly, round to the
// even neighbour; one unit in the last of their 100-odd digits either way
// decides the other way. Normal and denormal floats alike.
TEST(RealRounding, HalfwayCasesWrittenOutExactly) {
  uint64_t seed = 2024;
  auto next = [&] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(seed >> 33);
  };
  std::vector<uint32_t> patterns = {0x00000001u, 0x00000002u, 0x007FFFFFu, 0x00800000u,
                                    0x00800001u, 0x3F800000u, 0x4B7FFFFFu, 0x7F7FFFFEu};
  for (int i = 0; i < 400; ++i) patterns.push_back(next() % 0x7F7FFFFFu);
  for (int i = 0; i < 100; ++i) patterns.push_back(next() % 0x00800000u);  // denormals
  for (const uint32_t bits : patterns) {
    const float low = std::bit_cast<float>(bits);
    const float high = std::nextafter(low, std::numeric_limits<float>::infinity());
    const double mid = (static_cast<double>(low) + static_cast<double>(high)) / 2;
    const std::string tie = exactDecimal(mid);
    const float even = (bits & 1u) == 0 ? low : high;
    expectSameBits(tie, even);
    expectSameBits("-" + tie, -even);
    // Just above and just below the midpoint, by a unit in the twentieth
    // digit after the last one of the exact expansion (whose last digit is
    // not zero).
    const std::size_t e = tie.find('e');
    expectSameBits(tie.substr(0, e) + "00000000000000000001" + tie.substr(e), high);
    std::string below = tie.substr(0, e);
    --below.back();
    expectSameBits(below + "99999999999999999999" + tie.substr(e), low);
    EXPECT_EQ(reference(tie), even);
  }
}

TEST(RealRounding, NumbersWithManyDigits) {
  // Longer than any number the reader used to take (125 characters).
  expectSameBits("0." + std::string(130, '0') + "15e131", reference("0." + std::string(130, '0') + "15e131"));
  expectSameBits(std::string(300, '1') + "e-270", reference(std::string(300, '1') + "e-270"));
  expectSameBits(std::string(200, '3') + "e-190", reference(std::string(200, '3') + "e-190"));
  expectSameBits("3." + std::string(1000, '4'), reference("3." + std::string(1000, '4')));
  expectSameBits("-" + std::string(38, '9'), reference("-" + std::string(38, '9')));
  // 0.1 with digits up to where the decision could go either way.
  for (int digits = 1; digits <= 60; ++digits) {
    const std::string t = "0." + std::string(static_cast<std::size_t>(digits), '1');
    expectSameBits(t, reference(t));
  }
  float v = 0;
  EXPECT_FALSE(parseReal(std::string(40, '9'), v));  // beyond single precision
  EXPECT_FALSE(parseReal("1." + std::string(200, '0') + "x", v));
}

TEST(RealRounding, AtTheLimitsOfSinglePrecision) {
  const float max = std::numeric_limits<float>::max();
  expectSameBits("3.4028235e38", max);
  expectSameBits("340282346638528859811704183484516925440", max);  // exactly
  // Less than half a unit above the largest float still rounds down to it;
  // half a unit (a tie, rounding to the even infinity) and more is beyond
  // single precision.
  expectSameBits("340282356779733661637539395458142568447.999", max);
  float v = 0;
  EXPECT_FALSE(parseReal("340282356779733661637539395458142568448", v));
  EXPECT_FALSE(parseReal("3.4028236e38", v));
  EXPECT_FALSE(parseReal("-3.5e38", v));
  EXPECT_FALSE(parseReal("1e999999999999", v));
  // The smallest normal float, the largest denormal and the smallest one.
  expectSameBits("1.17549435e-38", std::numeric_limits<float>::min());
  expectSameBits("1.1754942e-38", std::bit_cast<float>(0x007FFFFFu));
  expectSameBits("1.4e-45", std::numeric_limits<float>::denorm_min());
  expectSameBits("-1.401298464324817e-45", -std::numeric_limits<float>::denorm_min());
  // Half the smallest denormal ties to zero; anything above it does not.
  const std::string half =
      "7.00649232162408535461864791644958065640130970938257885878534141944895541342930300743319"
      "094181060791015625e-46";
  expectSameBits(half, 0.0f);
  expectSameBits("7.0064923216240853546186479164495806564014e-46",
                 std::numeric_limits<float>::denorm_min());
  for (const char* t : {"1e-40", "9.99e-39", "2.5e-44", "-3.3e-42", "1.1754943e-38", "5e-45"})
    expectSameBits(t, reference(t));
}

TEST(RealRounding, ValuesTooSmallForSinglePrecisionUnderflow) {
  // The nearest float is zero, with the sign of the number; below even
  // double precision the reader has always given plain zero.
  float v = 1;
  ASSERT_TRUE(parseReal("1e-50", v));
  EXPECT_EQ(std::bit_cast<uint32_t>(v), 0u);
  ASSERT_TRUE(parseReal("-1e-50", v));
  EXPECT_EQ(std::bit_cast<uint32_t>(v), 0x80000000u);
  ASSERT_TRUE(parseReal("-2.5d-46", v));
  EXPECT_EQ(std::bit_cast<uint32_t>(v), 0x80000000u);
  ASSERT_TRUE(parseReal("-1e-400", v));
  EXPECT_EQ(std::bit_cast<uint32_t>(v), 0u);
  ASSERT_TRUE(parseReal("-0." + std::string(400, '0') + "1", v));
  EXPECT_EQ(std::bit_cast<uint32_t>(v), 0u);
  ASSERT_TRUE(parseReal("-0.0", v));
  EXPECT_EQ(std::bit_cast<uint32_t>(v), 0x80000000u);
  ASSERT_TRUE(parseReal("0e99999", v));
  EXPECT_EQ(v, 0.0f);
}

// The letters D and Q and a signed exponent without a letter give the value
// of the same number written with E.
TEST(RealRounding, OtherExponentFormsAgreeWithE) {
  uint64_t seed = 77;
  auto next = [&] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return seed >> 20;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string mantissa = std::to_string(next() % 100000000) + "." + std::to_string(next() % 100000);
    const int exponent = static_cast<int>(next() % 60) - 30;
    const std::string e = (exponent < 0 ? "-" : "+") + std::to_string(std::abs(exponent));
    float expected = 0;
    ASSERT_TRUE(parseReal(mantissa + "e" + e, expected));
    EXPECT_EQ(expected, reference(mantissa + "e" + e));
    for (const std::string& form : {mantissa + "D" + e, mantissa + "q" + e, mantissa + e,
                                    "+" + mantissa + "E" + e}) {
      float got = -1;
      ASSERT_TRUE(parseReal(form, got)) << form;
      ASSERT_EQ(std::bit_cast<uint32_t>(got), std::bit_cast<uint32_t>(expected)) << form;
    }
  }
}

// Lines whose separators, tokens, commas, slashes and repeats fall on
// every position around 64 characters, where the tokenizer moves from one
// mask to the next.
TEST_F(ReaderTest, SeparatorsAtEveryPositionOfLongLines) {
  std::string text;
  std::vector<std::vector<float>> expected;
  for (int lead = 0; lead < 140; ++lead) {
    const std::string pad(static_cast<std::size_t>(lead), lead % 3 ? ' ' : '\t');
    text += pad + "1.25 2.5\t" + std::string(static_cast<std::size_t>(lead % 7), ' ') + "-3e1\n";
    expected.push_back({1.25f, 2.5f, -30});
    text += pad + "4," + pad + "5.5 , 6\n";
    expected.push_back({4, 5.5f, 6});
    text += pad + "2*7.5 " + pad + "8 / 9\n";
    expected.push_back({7.5f, 7.5f, 8});
    text += pad + ",," + pad + "9\n";
    expected.push_back({-1, -1, 9});
    text += pad + std::string(static_cast<std::size_t>(lead % 70) + 1, '0') + "1 2 3*\n";
    expected.push_back({1, 2, -1});
  }
  load(text);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    float v[3] = {-1, -1, -1};
    ASSERT_EQ(reader.readReals(v, 3), ReadStatus::Ok) << "line " << i + 1;
    for (int j = 0; j < 3; ++j) ASSERT_EQ(v[j], expected[i][j]) << "line " << i + 1 << " value " << j;
    EXPECT_EQ(reader.firstLine(), static_cast<int64_t>(i) + 1);
  }
  EXPECT_EQ(reader.skipLine(), ReadStatus::End);
}

TEST_F(ReaderTest, TokensAroundSixtyFourCharacters) {
  // A token that fills the line, ends at or runs past character 64, and
  // the same values on lines of 63, 64 and 65 characters.
  for (std::size_t n : {62u, 63u, 64u, 65u, 127u, 128u, 129u, 300u}) {
    const std::string digits = "1." + std::string(n - 2, '5');
    load(digits + "\n" + std::string(n - 2, ' ') + "7 8\n" + std::string(n - 1, ' ') + "5\n");
    float a = 0, b = 0;
    ASSERT_EQ(reader.read(a), ReadStatus::Ok) << n;
    EXPECT_EQ(a, reference(digits)) << n;
    ASSERT_EQ(reader.read(a, b), ReadStatus::Ok) << n;
    EXPECT_EQ(a, 7.0f);
    EXPECT_EQ(b, 8.0f);
    ASSERT_EQ(reader.read(a), ReadStatus::Ok) << n;
    EXPECT_EQ(a, 5.0f);
    file.close();
  }
}

TEST_F(ReaderTest, AStarAnywhereInALongTokenIsARepeatCount) {
  load(std::string(70, ' ') + "2*1.5\n" + std::string(60, ' ') + "3*\n" + std::string(63, 'x') + "*2\n");
  float v[3] = {0, 0, 9};
  EXPECT_EQ(reader.readReals(v, 2), ReadStatus::Ok);
  EXPECT_EQ(v[0], 1.5f);
  EXPECT_EQ(v[1], 1.5f);
  v[0] = v[1] = 4;
  EXPECT_EQ(reader.readReals(v, 3), ReadStatus::Ok);
  EXPECT_EQ(v[0], 4.0f);  // three nulls
  EXPECT_EQ(v[2], 9.0f);
  EXPECT_EQ(reader.readReals(v, 1), ReadStatus::Error);
  EXPECT_EQ(reader.error(), std::string(37, 'x') + "...");  // the shown token: 40 characters
}

// Lines cut by the end of a read block at every position: the values, a
// carriage return before the line end and the line count come out the same.
TEST_F(ReaderTest, LinesAcrossTheEndOfAReadBlock) {
  for (const std::size_t block : {std::size_t{1} << 16, std::size_t{1} << 18, std::size_t{1} << 20}) {
    for (std::size_t before = 0; before < 24; ++before) {
      const std::string filler(block - before - 1, 'L');
      const std::string data = "12.5\t-0.25,3e2\r\n6 7 8\n";
      load(filler + "\n" + data + data);
      float v[3];
      ASSERT_EQ(reader.skipLine(), ReadStatus::Ok);
      for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(reader.readReals(v, 3), ReadStatus::Ok) << block << " " << before;
        ASSERT_EQ(v[0], 12.5f);
        ASSERT_EQ(v[1], -0.25f);
        ASSERT_EQ(v[2], 300.0f) << block << " " << before;
        ASSERT_EQ(reader.readReals(v, 3), ReadStatus::Ok);
        ASSERT_EQ(v[2], 8.0f);
      }
      EXPECT_EQ(reader.readReals(v, 1), ReadStatus::End);
      file.rewind();
      EXPECT_EQ(file.countRemaining(), 5);
      file.close();
    }
  }
}

TEST_F(ReaderTest, CarriageReturnsOnlyEndALine) {
  load("1\r\n\r\n2\r3\n4 \r\n");
  float a = 0, b = 0;
  EXPECT_EQ(reader.read(a, b), ReadStatus::Error);  // "2\r3" is no number
  EXPECT_EQ(a, 1.0f);
  EXPECT_EQ(reader.lastLine(), 3);
  EXPECT_EQ(reader.error(), "2\r3");
  EXPECT_EQ(reader.read(a), ReadStatus::Ok);
  EXPECT_EQ(a, 4.0f);
}

TEST_F(ReaderTest, ALineOfManyValuesAndValuesAfterALongBlankRun) {
  std::string line;
  for (int i = 0; i < 20000; ++i) line += std::to_string(i) + (i % 5 ? " " : ",\t");
  load(line + "\n" + std::string(500000, ' ') + "\t 42.5\n");
  float v[8];
  ASSERT_EQ(reader.readReals(v, 8), ReadStatus::Ok);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(v[i], static_cast<float>(i));
  ASSERT_EQ(reader.readReals(v, 1), ReadStatus::Ok);
  EXPECT_EQ(v[0], 42.5f);
}

// A read that ran onto the following lines across the end of a read block
// steps back to the line it stopped on, which is read again from the file.
TEST_F(ReaderTest, StepBackAcrossTheEndOfAReadBlock) {
  std::string text(3 << 20, 'L');
  text += "\n1\n";
  text += std::string(2 << 20, ' ') + "\nlabel\n2\n";
  load(text);
  int32_t a = 0, b = 0;
  ASSERT_EQ(reader.skipLine(), ReadStatus::Ok);
  EXPECT_EQ(reader.read(a, b), ReadStatus::Error);
  EXPECT_EQ(reader.lastLine(), 4);
  reader.stepBack();
  std::string label;
  ASSERT_EQ(reader.readText(label, 5), ReadStatus::Ok);
  EXPECT_EQ(label, "label");
  ASSERT_EQ(reader.read(b), ReadStatus::Ok);
  EXPECT_EQ(b, 2);
}

TEST_F(ReaderTest, LineCountsWhateverTheLastLineAndTheBlockSize) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{15}, std::size_t{16},
                                 std::size_t{17}, std::size_t{4095}, (std::size_t{1} << 18) - 1,
                                 std::size_t{1} << 18, (std::size_t{1} << 18) + 1, std::size_t{3} << 20}) {
    std::string text(size, 'x');
    for (std::size_t i = 7; i < size; i += 1 + i % 13) text[i] = '\n';
    const int64_t ends = std::count(text.begin(), text.end(), '\n');
    const int64_t lines = ends + (!text.empty() && text.back() != '\n' ? 1 : 0);
    load(text);
    EXPECT_EQ(file.countRemaining(), lines) << size;
    EXPECT_EQ(file.lineNumber(), lines);
    file.rewind();
    int64_t read = 0;
    while (file.next()) ++read;
    EXPECT_EQ(read, lines) << size;
    file.close();
  }
  // Nothing but empty lines: a line end in every byte.
  for (const std::size_t size : {std::size_t{4079}, std::size_t{4096}, std::size_t{100000}}) {
    load(std::string(size, '\n'));
    EXPECT_EQ(file.countRemaining(), static_cast<int64_t>(size));
    file.close();
  }
}

}  // namespace
}  // namespace kaldero
