#include "input/freeformat.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

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
