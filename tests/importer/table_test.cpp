// Reading logger exports as tables: values and decimal marks, layout
// detection, the header row, and the checks made on every row.
#include "importer/table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "importer/numbers.h"
#include "tests/support/temp_file.h"

namespace kaldero::importer {
namespace {

using kaldero::testing::ScratchDir;

TEST(Values, MissingMarkersNumbersAndText) {
  DecimalMark mark = DecimalMark::Undecided;
  for (const char* m : {"", "  ", "NaN", "nan", "-", "#N/A", "N/A"})
    EXPECT_EQ(parseValue(m, mark).kind, ValueKind::Missing) << m;
  for (const char* t : {"abc", "1.2.3", "1,2.3", "+-1", "1e", "inf", "--1", "0x10", "1 2"})
    EXPECT_EQ(parseValue(t, mark).kind, ValueKind::NotANumber) << t;
  EXPECT_EQ(mark, DecimalMark::Undecided);
  const ParsedValue v = parseValue(" +12 ", mark);
  EXPECT_EQ(v.kind, ValueKind::Number);
  EXPECT_EQ(v.value, 12);
  EXPECT_EQ(parseValue("-1e-3", mark).value, -0.001);
}

TEST(Values, TheFirstDecimalMarkSettlesTheFile) {
  DecimalMark mark = DecimalMark::Undecided;
  EXPECT_EQ(parseValue("0,55", mark).value, 0.55);
  EXPECT_EQ(mark, DecimalMark::Comma);
  EXPECT_EQ(parseValue("3", mark).value, 3);
  EXPECT_EQ(parseValue("0.5", mark).kind, ValueKind::MixedMark);
  DecimalMark point = DecimalMark::Point;
  EXPECT_EQ(parseValue("0,5", point).kind, ValueKind::MixedMark);
}

TEST(Values, WrittenNumbersReadBackExactly) {
  char buf[32];
  EXPECT_EQ(formatNumber(0.1), "0.1");
  EXPECT_EQ(formatNumber(-0.0), "0");
  EXPECT_EQ(formatNumber(66.0 * 60 / 3600), "1.1");
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-1e6, 1e6);
  for (int i = 0; i < 10000; ++i) {
    const double v = u(rng) * std::pow(10.0, static_cast<int>(rng() % 20) - 10);
    const std::size_t n = formatNumber(v, buf);
    double back = 0;
    ASSERT_TRUE(parseNumber(std::string_view(buf, n), back)) << buf;
    ASSERT_EQ(back, v) << buf;
  }
}

TEST(Fields, SplitWithQuotesAndPositions) {
  std::vector<Field> f;
  splitFields("a;\"b;c\";;d", ';', f);
  ASSERT_EQ(f.size(), 4u);
  EXPECT_EQ(f[1].text, "b;c");
  EXPECT_EQ(f[1].column, 3);
  EXPECT_EQ(f[2].text, "");
  EXPECT_EQ(f[3].column, 10);
  splitFields("1,\"0,5\"", ',', f);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[1].text, "0,5");
}

class Table : public ::testing::Test {
 protected:
  // Opens text as a table of a time stamp and the value columns.
  Status open(const std::string& text, std::vector<std::string> values = {"2"},
              LayoutOptions layout = {}) {
    source.path = dir.write("log.txt", text);
    source.values.clear();
    for (const auto& v : values) source.values.push_back(ColumnRef::parse(v));
    source.layout = layout;
    return table.open(source);
  }
  // Reads every row: "line:value" pairs, or the error text.
  std::string rows() {
    std::string out;
    for (;;) {
      const auto n = table.next();
      if (n == TableReader::Next::End) return out;
      if (n == TableReader::Next::Failed) return out + table.error().text();
      std::optional<double> v;
      if (!table.value(0, v)) return out + table.error().text();
      out += std::to_string(table.line()) + ":" + (v ? formatNumber(*v) : "-") + " ";
    }
  }

  ScratchDir dir;
  TableSource source;
  TableReader table;
};

TEST_F(Table, SemicolonFileWithDecimalCommaMetadataAndHeaderRow) {
  source.date = ColumnRef::parse("Date");
  source.time = ColumnRef::parse("Time");
  ASSERT_FALSE(open("Export\nSite: a; b\n\nDate;Time;U;R\n13.04.2016;11:00:00;0,5;1,25\n"
                    "13.04.2016;11:02:00;0,5;#N/A\n\n13.04.2016;11:04:00;0,5;2\n",
                    {"r"}));  // names match without regard to case
  const Layout& L = table.layout();
  EXPECT_EQ(L.delimiter, ';');
  EXPECT_EQ(L.headerLine, 4);
  EXPECT_EQ(L.firstDataLine, 5);
  EXPECT_EQ(L.valueIndex, std::vector<int>{3});
  EXPECT_EQ(L.describe(3), "column 4 (R)");
  EXPECT_EQ(rows(), "5:1.25 6:- 8:2 ");
}

TEST_F(Table, CommaTabAndForcedLayouts) {
  ASSERT_FALSE(open("t,c\n2016-04-13T11:00,1.5\n2016-04-13T11:01,2\n"));
  EXPECT_EQ(table.layout().delimiter, ',');
  EXPECT_EQ(rows(), "2:1.5 3:2 ");
  ASSERT_FALSE(open("2016-04-13 11:00\t1,5\n2016-04-13 11:01\t2,5\n"));
  EXPECT_EQ(table.layout().headerLine, 0);
  EXPECT_EQ(rows(), "1:1.5 2:2.5 ");
  // Quoted values with a decimal comma in a comma-delimited file.
  ASSERT_FALSE(open("t,c\n2016-04-13T11:00,\"1,5\"\n", {"2"}, {',', true, std::nullopt}));
  EXPECT_EQ(rows(), "2:1.5 ");
  // A header row with other names than the first data row has fields.
  ASSERT_FALSE(open("Logger 5\nSerial;1;2\n2016-04-13T11:00;1\n2016-04-13T11:01;2\n"));
  EXPECT_EQ(table.layout().headerLine, 0);
  EXPECT_EQ(table.layout().firstDataLine, 3);
}

TEST_F(Table, SkipLinesNamesTheHeaderRow) {
  LayoutOptions skip;
  skip.skipLines = 2;
  ASSERT_FALSE(open("2016-04-13T09:00;started\nx\nt;c\n2016-04-13T11:00;1\n", {"c"}, skip));
  EXPECT_EQ(table.layout().headerLine, 3);
  EXPECT_EQ(rows(), "4:1 ");
  skip.skipLines = 9;
  EXPECT_EQ(open("t;c\n2016-04-13T11:00;1\n", {"c"}, skip)->text(),
            source.path + ":2:1: --skip-lines 9 skips every line (the file has only 2 lines)");
}

TEST_F(Table, LayoutErrorsNameTheLine) {
  EXPECT_EQ(open("just text\nmore text\n")->message,
            "cannot tell the delimiter: no comma, semicolon or tab splits the lines into the "
            "same columns (give --delimiter)");
  EXPECT_EQ(open("\n\n")->text(), source.path + ":1:1: the file is empty");
  EXPECT_EQ(open("a;b\n1;2\n")->text(),
            source.path + ":2:1: \"1\" in column 1 is not a date-time: recognised: "
                        "2016-04-13T10:00[:00][Z|+02:00], 13.04.2016 10:00[:00], 13/04/2016 "
                        "10:00[:00] (--date-order mdy for 04/13/2016); else give --datetime-format");
  EXPECT_EQ(open("t;c;c\n2016-04-13T11:00;1;2\n", {"C"})->text(),
            source.path + ":1:1: no column named \"C\" in the header row (it has \"t\", \"c\", \"c\")");
}

TEST_F(Table, RowsWhoseStampsDoNotIncreaseStopTheImport) {
  ASSERT_FALSE(open("t;c\n2016-10-30 02:59;1\n2016-10-30 02:00;1\n"));
  EXPECT_EQ(rows(), "2:1 " + source.path +
                        ":3:1: time stamp 2016-10-30 02:00:00 goes back from that of line 2 "
                        "(2016-10-30 02:59:00): time stamps must increase (a clock set back, as "
                        "at the end of daylight saving time, or repeated rows?)");
  ASSERT_FALSE(open("t;c\n2016-10-30T02:00Z;1\n2016-10-30T02:01;1\n"));
  EXPECT_EQ(rows(), "2:1 " + source.path +
                        ":3:1: this time stamp has no time zone, that of line 2 has one: a file "
                        "must keep to one kind");
  // A missing stamp is a row without a stamp, not an error.
  ASSERT_FALSE(open("t;c\n2016-04-13T11:00;1\n;5\n2016-04-13T11:01;1\n"));
  ASSERT_EQ(table.next(), TableReader::Next::Row);
  ASSERT_EQ(table.next(), TableReader::Next::Row);
  EXPECT_TRUE(table.stampMissing());
}

TEST_F(Table, MixedDecimalMarksAreRefused) {
  ASSERT_FALSE(open("t;c\n2016-04-13T11:00;1\n2016-04-13T11:01;0,5\n2016-04-13T11:02;0.5\n"));
  EXPECT_EQ(rows(), "2:1 3:0.5 " + source.path +
                        ":4:18: \"0.5\" in column 2 (c) has a decimal point, but line 3 has a "
                        "decimal comma: a file must keep to one decimal mark");
}

}  // namespace
}  // namespace kaldero::importer
