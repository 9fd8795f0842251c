// The header pass and the data pass on real station data files.
#include "input/station_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "core/error.h"
#include "core/stop.h"
#include "core/text.h"
#include "tests/support/capture.h"
#include "tests/support/data_pass.h"
#include "tests/support/station_text.h"
#include "tests/support/temp_file.h"

namespace kaldero {
namespace {

const std::string kName = text::padded("ST.DAT");

struct HeaderRun {
  bool stopped = false;
  int32_t status = -1;
  int32_t lines = -1;
  TestDescription test;
  std::string console;
};

HeaderRun readHeaderOf(const std::string& contents) {
  testing::ScratchDir dir;
  testing::CapturedConsole cc;
  HeaderRun run;
  StationFile f;
  EXPECT_TRUE(f.open(dir.write("ST.DAT", contents)));
  try {
    run.status = f.readHeader(cc.console(), run.test, kName, run.lines);
  } catch (const Error&) {
    run.stopped = true;
  }
  run.console = cc.output();
  return run;
}

HeaderRun withLines(const std::map<int, std::string>& lines) {
  return readHeaderOf(testing::stationText(lines));
}

const std::string kWrongFormat =
    "\n\n\n\n\n" + std::string(80, '*') + "\n\n         FILE " + kName +
    "\n         HAS A WRONG FORMAT!!!\n\n         CHECK THE FILE " + kName +
    "\n         FOR TYPOGRAPHICAL ERRORS.\n\n        CHECK END-OF-FILE FOR BLANK LINES.\n\n" +
    std::string(80, '*') + "\n\n\n\n\n\n\n";

void expectWrongFormat(const HeaderRun& r) {
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.console, kWrongFormat);
}

// The value lines after the one under test are read in their places.
void expectAligned(const HeaderRun& r) {
  EXPECT_FALSE(r.stopped) << r.console;
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.test.dischargeMode, DischargeMode::Measured);
  EXPECT_EQ(r.test.distance, 150.0f);
  EXPECT_EQ(r.test.listingName, text::padded("ST.OUT"));
  EXPECT_EQ(r.test.reductionMode, ReductionMode::EveryLine);
  EXPECT_EQ(r.lines, 3);
}

TEST(HeaderPass, ReadsEveryField) {
  HeaderRun r = withLines({{33, "1 0 1 0"}, {39, "1 0 1"}, {61, "1"}, {63, "2"}});
  ASSERT_FALSE(r.stopped) << r.console;
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.lines, 3);
  EXPECT_EQ(r.test.listingName, text::padded("ST.OUT"));
  EXPECT_EQ(r.test.timeUnit, TimeUnit::Hours);
  EXPECT_EQ(r.test.concentrationUnit, ConcentrationUnit::MicrogramsPerLitre);
  EXPECT_EQ(r.test.dischargeUnit, DischargeUnit::CubicMetresPerSecond);
  EXPECT_EQ(r.test.stationTotals, Option::On);
  EXPECT_EQ(r.test.sinuosity, 1.0f);
  EXPECT_EQ(r.test.geometry, FlowForm::Conduit);
  EXPECT_EQ(r.test.porosity, 1.0f);
  EXPECT_EQ(r.test.interpolatedName, text::padded("ST.INT"));
  EXPECT_EQ(r.test.dataPlot.listing, Option::On);
  EXPECT_EQ(r.test.dataPlot.points, Option::Off);
  EXPECT_EQ(r.test.dataPlot.curve, Option::On);
  EXPECT_EQ(r.test.dataPlot.postscript, Option::Off);
  EXPECT_EQ(r.test.cxtfitOption, Option::On);
  EXPECT_EQ(r.test.cxtfitSettings[1], 1);
  EXPECT_EQ(r.test.standardizedName, text::padded("ST.STN"));
  EXPECT_EQ(r.test.screenEcho, Option::On);
  EXPECT_EQ(r.test.reductionMode, ReductionMode::GroupMeans);
}

TEST(HeaderPass, BackgroundLine) {
  HeaderRun r = withLines({{6, "1 0.2"}});
  expectAligned(r);
  EXPECT_EQ(r.test.backgroundOption, Option::On);
  EXPECT_FLOAT_EQ(r.test.background, 0.2f);
  expectAligned(withLines({{6, "0"}}));       // absent: label 7 read again
  expectAligned(withLines({{6, "0 -1"}}));    // on its own line: reading goes on
  expectWrongFormat(withLines({{6, "1"}}));
  expectWrongFormat(withLines({{6, "1 -0.5"}}));
}

TEST(HeaderPass, DischargeUnitLine) {
  HeaderRun r = withLines({{8, "2"}, {11, "4 0.5"}});
  EXPECT_FALSE(r.stopped);
  EXPECT_FLOAT_EQ(r.test.constantDischarge, 0.5f);
  r = withLines({{11, "4 0.5"}});  // measured discharge: only the code is read
  expectAligned(r);
  EXPECT_EQ(r.test.constantDischarge, 0.0f);
  expectWrongFormat(withLines({{8, "2"}, {11, "4"}}));
  expectWrongFormat(withLines({{11, "m3/s"}}));
}

TEST(HeaderPass, SinuosityLine) {
  HeaderRun r = withLines({{17, "1"}});
  expectAligned(r);
  EXPECT_EQ(r.test.sinuosity, 1.0f);
  r = withLines({{17, "0 0"}});
  expectAligned(r);
  EXPECT_EQ(r.test.sinuosity, 1.0f);
  r = withLines({{17, "1 1.5"}});
  expectAligned(r);
  EXPECT_EQ(r.test.sinuosity, 1.5f);
  r = withLines({{17, "0 2.0"}});  // factor unused without the option: accepted
  expectAligned(r);
  expectWrongFormat(withLines({{17, "1 2.0"}}));
  expectWrongFormat(withLines({{17, "1 0"}}));
}

TEST(HeaderPass, PorosityLine) {
  HeaderRun r = withLines({{20, "1 1.5"}});
  expectAligned(r);
  EXPECT_EQ(r.test.porosity, 1.0f);
  r = withLines({{20, "2 0"}});
  expectAligned(r);
  EXPECT_EQ(r.test.porosity, 1.0f);
  r = withLines({{20, "3 0.3"}, {23, "0 0.001"}});
  expectAligned(r);
  EXPECT_FLOAT_EQ(r.test.porosity, 0.3f);
  r = withLines({{20, "3"}, {23, "0 0.001"}});  // absent: kept at 0
  expectAligned(r);
  EXPECT_EQ(r.test.porosity, 0.0f);
  expectWrongFormat(withLines({{20, "3 1.5"}}));
  expectWrongFormat(withLines({{20, "4 -0.1"}}));
}

TEST(HeaderPass, ConductivityLine) {
  HeaderRun r = withLines({{20, "3 0.3"}, {23, "2 0.001"}});
  expectAligned(r);
  EXPECT_EQ(r.test.conductivityUnit, ConductivityUnit::Code2);
  EXPECT_FLOAT_EQ(r.test.conductivity, 0.001f);
  r = withLines({{23, "2 0.001"}});  // conduit: only the code, no conductivity
  expectAligned(r);
  EXPECT_EQ(r.test.conductivity, 0.0f);
  r = withLines({{20, "4 0.3"}, {23, "2"}});  // absent with a valid code
  expectAligned(r);
  expectWrongFormat(withLines({{20, "3 0.3"}, {23, "5"}}));
}

TEST(HeaderPass, KnotAndExtrapolationLines) {
  HeaderRun r = withLines({{27, "1 200"}, {31, "1 2"}});
  expectAligned(r);
  EXPECT_EQ(r.test.knotOption, Option::On);
  EXPECT_EQ(r.test.knotIntervals, 200);
  EXPECT_EQ(r.test.extrapolationMethod, ExtrapolationMethod::Pchip);
  expectAligned(withLines({{27, "0 0"}, {31, "0 0"}}));
  expectAligned(withLines({{27, "0 -3"}, {31, "0"}}));
  expectWrongFormat(withLines({{27, "1"}}));
  expectWrongFormat(withLines({{27, "1 0"}}));
  expectWrongFormat(withLines({{31, "1"}}));
  expectWrongFormat(withLines({{31, "1 0"}}));
}

// Text on an optional-value line that cannot be read as its values is a
// wrong format naming the line; only a read that runs into the following
// label line means the trailing values are absent.
TEST(HeaderPass, UnreadableTextOnAnOptionalValueLineIsAWrongFormat) {
  const std::pair<int, std::map<int, std::string>> unreadable[] = {
      {6, {{6, "abc"}}},   {6, {{6, "0 abc"}}},
      {17, {{17, "abc"}}}, {17, {{17, "1 x1.2"}}},
      {20, {{20, "abc"}}}, {20, {{20, "3 porous"}, {23, "0 0.001"}}},
      {23, {{23, "abc"}}}, {23, {{20, "3 0.3"}, {23, "1 K"}}},
      {27, {{27, "abc"}}}, {27, {{27, "0 none"}}},
      {31, {{31, "abc"}}}, {31, {{31, "0 no"}}}};
  for (const auto& [line, lines] : unreadable) {
    const HeaderRun r = withLines(lines);
    EXPECT_TRUE(r.stopped) << "line " << line;
    EXPECT_NE(r.console.find("READ ERROR IN FILE ST.DAT, LINE " + std::to_string(line) + ": \""),
              std::string::npos)
        << r.console;
    EXPECT_NE(r.console.find("HAS A WRONG FORMAT!!!"), std::string::npos) << "line " << line;
  }
}

TEST(HeaderPass, OutputNamesMustDifferFromTheStationFile) {
  HeaderRun r = withLines({{25, "ST.DAT"}});
  EXPECT_FALSE(r.stopped);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.console, "\n\n\n\n\n" + std::string(80, '*') + "\n\n         FILENAME " + kName +
                           "\n         HAS ALREADY BEEN USED AND CANNOT BE USED AGAIN!!!\n\n"
                           "                PLEASE USE ANOTHER FILE NAME NOT PREVIOUSLY USED.\n\n"
                           "                      ALSO CHECK SPELLING OF FILENAME.\n\n" +
                           std::string(80, '*') + "\n\n\n\n\n\n\n");
  const std::string interp =
      "\n\n\n\n\n" + std::string(80, '*') + "\n\n         FILENAME " + text::padded("ST.OUT") +
      " HAS ALREADY BEEN USED AND CANNOT BE USED AGAIN!!!\n\n"
      "                PLEASE ENTER ANOTHER FILE NAME NOT PREVIOUSLY USED.\n\n"
      "                      ALSO CHECK SPELLING OF FILENAME.\n\n" +
      std::string(80, '*') + "\n\n\n\n\n\n\n";
  r = withLines({{29, "ST.OUT"}});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.console, interp);
  r = withLines({{29, "ST.DAT"}});
  EXPECT_EQ(r.status, 1);
}

TEST(HeaderPass, UnreadableValueLineNamesFileAndLine) {
  HeaderRun r = withLines({{2, "hours"}});
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.console,
            "\n READ ERROR IN FILE ST.DAT, LINE 2: \"hours\" IS NOT A VALUE OF THE KIND WANTED\n\n"
            "          PROGRAM STOPPED DUE TO A READ ERROR\n");
  // Three switches where four are wanted: the read runs into the label.
  r = withLines({{33, "0 0 0"}});
  EXPECT_TRUE(r.stopped);
  EXPECT_NE(r.console.find("LINE 34: \"INTERPOLATED\""), std::string::npos) << r.console;
  r = withLines({{15, "1 150,0"}});  // a decimal comma
  EXPECT_FALSE(r.stopped);
  EXPECT_EQ(r.test.distance, 150.0f);
}

TEST(HeaderPass, UnknownDataReductionModeIsAWrongFormat) {
  expectWrongFormat(withLines({{63, "0"}}));
  expectWrongFormat(withLines({{63, "4"}}));
}

TEST(HeaderPass, FilesThatEndInsideTheHeader) {
  for (std::size_t cut : {0, 1, 10, 40, 63}) {
    std::string full = testing::stationText({}, "");
    std::size_t at = 0;
    for (std::size_t i = 0; i < cut; ++i) at = full.find('\n', at) + 1;
    HeaderRun r = readHeaderOf(full.substr(0, at));
    EXPECT_TRUE(r.stopped) << cut;
    EXPECT_NE(r.console.find("THE FILE ENDS BEFORE ITS 64 HEADER LINES"), std::string::npos);
  }
}

TEST(HeaderPass, CountsEveryDataLineBlankOnesToo) {
  EXPECT_EQ(readHeaderOf(testing::stationText({}, "1 1 1\n\n2 2 2\n\n")).lines, 4);
  EXPECT_EQ(readHeaderOf(testing::stationText({}, "1 1 1\n2 2 2")).lines, 2);
  EXPECT_EQ(readHeaderOf(testing::stationText({}, "")).lines, 0);
}

TEST(HeaderPass, BinaryDataStopsCleanly) {
  std::string junk;
  for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919) % 256);
  HeaderRun r = readHeaderOf(junk);
  EXPECT_TRUE(r.stopped);
}

// ------------------------------------------------------------- data pass

using testing::DataRun;

constexpr ReductionMode kEvery = ReductionMode::EveryLine;
constexpr ReductionMode kMeans = ReductionMode::GroupMeans;
constexpr ReductionMode kKth = ReductionMode::EveryKth;

DataRun readDataOf(const std::map<int, std::string>& lines, const std::string& data,
                   int32_t wanted, ReductionMode mode, int32_t k) {
  return testing::runDataPass(testing::stationText(lines, data), wanted, mode, k);
}

std::string lines(int count, const std::function<std::string(int)>& line) {
  std::string s;
  for (int i = 1; i <= count; ++i) s += line(i) + "\n";
  return s;
}

TEST(DataPass, EveryLineNegativeConcentrationsClampedDischargesKept) {
  DataRun r = readDataOf({}, "1 -2 -3\n2, 5, 4\n3 1e-1 0.5\n", 3, kEvery, 0);
  ASSERT_FALSE(r.stopped) << r.console;
  EXPECT_EQ(r.n, 3);
  EXPECT_EQ(r.C[0], 0.0f);
  EXPECT_EQ(r.Q[0], -3.0f);
  EXPECT_EQ(r.T[1], 2.0f);
  EXPECT_FLOAT_EQ(r.C[2], 0.1f);
}

TEST(DataPass, BlankLinesAtTheEndLeaveSamplesAtTimeZero) {
  DataRun r = readDataOf({}, "1 1 1\n2 2 2\n\n", 3, kEvery, 0);
  EXPECT_EQ(r.n, 3);
  EXPECT_EQ(r.T[2], 0.0f);
  EXPECT_EQ(r.C[2], 0.0f);
}

TEST(DataPass, ConstantDischargeLinesHoldTwoValues) {
  DataRun r = readDataOf({{8, "2"}, {11, "4 0.5"}}, "1 1\n2 2\n3 3\n", 3, kEvery, 0);
  EXPECT_EQ(r.T[2], 3.0f);
  EXPECT_EQ(r.C[2], 3.0f);
}

TEST(DataPass, GroupMeansOfPairsLeaveTheLastLineUnused) {
  DataRun r = readDataOf({}, lines(601, [](int i) {
                           return std::to_string(i) + " " + std::to_string(i % 2 ? -1 : 4) + " " +
                                  std::to_string(2 * i);
                         }),
                         300, kMeans, 2);
  ASSERT_FALSE(r.stopped) << r.console;
  EXPECT_EQ(r.n, 300);
  EXPECT_FLOAT_EQ(r.T[0], 1.5f);
  EXPECT_FLOAT_EQ(r.C[0], 2.0f);  // (0 + 4) / 2, the negative value clamped
  EXPECT_FLOAT_EQ(r.Q[0], 3.0f);
  EXPECT_FLOAT_EQ(r.T[299], 599.5f);
  EXPECT_NEAR(r.sT[0], std::sqrt(0.5f), 1e-6);
  EXPECT_NEAR(r.sC[0], std::sqrt(8.0f), 1e-5);
  EXPECT_NEAR(r.sQ[0], std::sqrt(2.0f), 1e-5);
}

TEST(DataPass, GroupMeansWithAFirstLineAtTimeZero) {
  DataRun r = readDataOf({}, lines(7, [](int i) {
                           return std::to_string(i - 1) + " " + std::to_string(i) + " -1";
                         }),
                         4, kMeans, 2);
  EXPECT_EQ(r.n, 4);
  EXPECT_EQ(r.T[0], 0.0f);
  EXPECT_EQ(r.C[0], 1.0f);
  EXPECT_EQ(r.Q[0], 0.0f);  // negative discharge of the first sample clamped
  EXPECT_FLOAT_EQ(r.T[1], 1.5f);
  EXPECT_FLOAT_EQ(r.T[3], 5.5f);
}

TEST(DataPass, GroupMeansAtTheEndOfTheFile) {
  // A last group with one line is completed with that line; a group that
  // would get no line is not made.
  DataRun r =
      readDataOf({}, lines(5, [](int i) { return std::to_string(i) + " 1 1"; }), 4, kMeans, 2);
  EXPECT_EQ(r.n, 3);
  EXPECT_FLOAT_EQ(r.T[2], 5.0f);
  EXPECT_EQ(r.sT[2], 0.0f);
}

TEST(DataPass, SubSamplingKeepsTheLastLine) {
  DataRun r = readDataOf({}, lines(1000, [](int i) {
                           return std::to_string(i) + " " + std::to_string(i == 1000 ? -5 : 1) +
                                  " " + std::to_string(i == 3 ? -1 : 1);
                         }),
                         334, kKth, 2);
  ASSERT_FALSE(r.stopped) << r.console;
  EXPECT_EQ(r.n, 334);
  EXPECT_EQ(r.T[0], 1.0f);
  EXPECT_EQ(r.T[1], 3.0f);
  EXPECT_EQ(r.Q[1], 0.0f);
  EXPECT_EQ(r.T[2], 6.0f);
  EXPECT_EQ(r.T[3], 9.0f);
  EXPECT_EQ(r.T[332], 996.0f);
  EXPECT_EQ(r.T[333], 1000.0f);
  EXPECT_EQ(r.C[333], 0.0f);
}

TEST(DataPass, KnotSpacingAndCount) {
  DataRun r = readDataOf({{27, "1 200"}}, lines(101, [](int i) {
                           return std::to_string(i - 1) + " 1 1";
                         }),
                         101, kEvery, 0);
  EXPECT_FLOAT_EQ(r.facts.knotSpacing, 0.5f);
  EXPECT_EQ(r.knotCount, 201);
}

TEST(DataPass, UnreadableDataLinesAreAWrongFormat) {
  for (const char* bad : {"2 abc 1", "2 NaN 1", "2 1e50 1", "2 inf 1", "2 1 1 \"x\"", "2 1x 1"}) {
    DataRun r = readDataOf({}, std::string("1 1 1\n") + bad + "\n3 1 1\n", 3, kEvery, 0);
    if (std::string(bad) == "2 1 1 \"x\"") {  // the rest of a line is ignored
      EXPECT_FALSE(r.stopped);
      continue;
    }
    EXPECT_TRUE(r.stopped) << bad;
    const std::string token = std::string(bad).substr(2, std::string(bad).size() - 4);
    EXPECT_EQ(r.console, "\n READ ERROR IN FILE ST.DAT, LINE 66: \"" + token +
                             "\" IS NOT A NUMBER\n" + kWrongFormat)
        << bad;
  }
}

TEST(DataPass, TooFewSamplesOrNoTracerStopCleanly) {
  DataRun r = readDataOf({}, "", 0, kEvery, 0);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.console.rfind("\n FILE ST.DAT HOLDS FEWER THAN TWO SAMPLES\n", 0), 0u) << r.console;
  r = readDataOf({{31, "1 1"}}, "1 0 1\n2 0 1\n3 -1 1\n", 3, kEvery, 0);
  EXPECT_TRUE(r.stopped);
  EXPECT_NE(r.console.find("HOLDS NO SAMPLE WITH A POSITIVE CONCENTRATION"), std::string::npos);
}

// -------------------------------------------------- the measured record

TEST(MeasuredRecord, HoldsEveryLineSignedWhateverTheCurveKeeps) {
  // Group means of pairs: the curve clamps each line, then averages; the
  // record keeps every line as written, the last one too.
  DataRun r = readDataOf({}, lines(601, [](int i) {
                           return std::to_string(i) + " " + std::to_string(i % 2 ? -1 : 4) + " 2";
                         }),
                         300, kMeans, 2);
  ASSERT_FALSE(r.stopped) << r.console;
  ASSERT_EQ(r.record.size(), 601);
  EXPECT_EQ(r.record.C[0], -1.0f);
  EXPECT_EQ(r.record.C[1], 4.0f);
  EXPECT_EQ(r.record.T[600], 601.0f);
  EXPECT_EQ(r.record.Q[600], 2.0f);
  EXPECT_EQ(r.record.dataLines, 601);
  EXPECT_FLOAT_EQ(r.C[0], 2.0f);
  // Every k-th line: the same record.
  r = readDataOf({}, lines(1000, [](int i) { return std::to_string(i) + " -0.5 1"; }), 334,
                 kKth, 2);
  ASSERT_EQ(r.record.size(), 1000);
  EXPECT_EQ(r.record.C[999], -0.5f);
  EXPECT_EQ(r.C[333], 0.0f);
}

TEST(MeasuredRecord, AnUnreadableLineTheGroupsDoNotReachEndsTheRecordAlone) {
  // 603 lines in pairs: the groups take lines 1 to 602, the unreadable line
  // 603 is never reached by the curve and does not stop the run; the record
  // ends before it and says where.
  std::string data = lines(602, [](int i) { return std::to_string(i) + " 1 1"; });
  data += "603 x 1\n";
  DataRun r = readDataOf({}, data, 301, kMeans, 2);
  ASSERT_FALSE(r.stopped) << r.console;
  EXPECT_EQ(r.n, 301);
  EXPECT_EQ(r.record.size(), 602);
  ASSERT_TRUE(r.record.unreadable.has_value());
  EXPECT_EQ(r.record.unreadable->line, 64 + 603);
  EXPECT_EQ(r.record.unreadable->token, "x");
  // Read line by line, the curve reaches it: the wrong-format stop names it.
  r = readDataOf({}, data, 603, kEvery, 0);
  EXPECT_TRUE(r.stopped);
  EXPECT_NE(r.console.find("LINE 667: \"x\" IS NOT A NUMBER"), std::string::npos) << r.console;
}

TEST(MeasuredRecord, NullValuesAndAShortLastLineAreReadAsTheReaderReadsThem) {
  // A null concentration (two commas) leaves the target as it was: 0 in a
  // sample of its own (every line), the line before's value in a group.
  DataRun r = readDataOf({}, "1 2 3\n2,,4\n3 6 5\n4 8 6\n", 4, kEvery, 0);
  ASSERT_FALSE(r.stopped) << r.console;
  EXPECT_EQ(r.C[1], 0.0f);
  ASSERT_EQ(r.record.partial.size(), 1u);
  EXPECT_EQ(r.record.partial[0].read, 1);
  EXPECT_EQ(r.record.partial[0].assigned, 5u);  // time and discharge
  std::string many = lines(600, [](int i) { return std::to_string(i) + " 2 1"; });
  many.replace(many.find("\n2 2 1\n"), 7, "\n2,,1\n");
  r = readDataOf({}, many, 300, kMeans, 2);
  ASSERT_FALSE(r.stopped) << r.console;
  EXPECT_FLOAT_EQ(r.C[0], 2.0f);  // (2 + 2) / 2: the null kept line 1's 2
  // A last line without its discharge keeps the time and concentration it
  // read; it is no sample of the record.
  r = readDataOf({}, "1 1 1\n2 3\n", 2, kEvery, 0);
  ASSERT_FALSE(r.stopped) << r.console;
  EXPECT_EQ(r.T[1], 2.0f);
  EXPECT_EQ(r.C[1], 3.0f);
  EXPECT_EQ(r.Q[1], 0.0f);
  EXPECT_EQ(r.record.size(), 1);
  ASSERT_TRUE(r.record.endRead.has_value());
  EXPECT_EQ(r.record.endRead->assigned, 3u);
}

TEST(MeasuredRecord, WarningsNameOnlyLinesTheCurveWasMadeFrom) {
  // A line with a value too many after the last group: the record has it,
  // the curve never read it, the warning (of the listing's data) stays
  // silent.
  std::string data = lines(601, [](int i) { return std::to_string(i) + " 1 1"; });
  data.replace(data.rfind("601 1 1"), 7, "601 1 1 9");
  DataRun r = readDataOf({}, data, 300, kMeans, 2);
  ASSERT_FALSE(r.stopped) << r.console;
  EXPECT_EQ(r.record.extraValues.line, 64 + 601);
  EXPECT_EQ(r.facts.extraValuesLine, 0);
  r = readDataOf({}, data, 601, kEvery, 0);
  EXPECT_EQ(r.facts.extraValuesLine, 64 + 601);
}

// ------------------------------------------------------- time-order test

TEST(TimeOrder, ReportShowsTheNeighbourhoodAndStops) {
  testing::CapturedConsole cc;
  const std::vector<float> T{1, 2, 3, 3, 4, 5, 6};
  bool stopped = false;
  try {
    checkTimeOrder(cc.console(), T, 7);
  } catch (const Error&) {
    stopped = true;
  }
  EXPECT_TRUE(stopped);
  const std::string col(26, ' ');
  EXPECT_EQ(cc.output(),
            "\n\n\n"
            "  TIME DATA NOT STRICTLY INCREASING -- PROGRAM NECESSARILY STOPPED.  CHECK\n"
            "  DATA FILE FOR TYPOGRAPHICAL ERRORS -- ALSO CHECK FOR BLANK LINES IN FILE.\n"
            "\n"
            "         *NOTE* BLANK LINES ARE READ AS ZERO TIME.\n"
            "\n\n" +
                col + "TIME DATA\n" + col + "---------\n" + col + "2.000    \n" + col +
                "3.000    \n" + std::string(12, ' ') + "**ERROR**>    3.000      <**ERROR**\n" +
                col + "4.000    \n" + col + "5.000    \n" + "\n\n" + std::string(12, ' ') +
                "3.000     >      3.000     <      4.000    \n\n" + std::string(14, ' ') +
                "3.000     NOT LESS THAN     3.000     !\n\n\n"
                "          STOPPED DUE TO TIME DATA FILE ERROR(S)!!!\n");
}

TEST(TimeOrder, AtTheEndOfTheCurveAndAtItsStart) {
  testing::CapturedConsole cc;
  const std::vector<float> T{2, 2};
  EXPECT_THROW(checkTimeOrder(cc.console(), T, 2), Error);
  const std::string out = cc.output();
  EXPECT_EQ(out.find(std::string(26, ' ') + "2.000    \n" + std::string(26, ' ') + "2.000"),
            std::string::npos);  // no T(i - 1) when T(i) is the first time
  EXPECT_NE(out.find(std::string(12, ' ') + "2.000     >      2.000    \n"), std::string::npos);
  testing::CapturedConsole ok;
  const std::vector<float> up{1, 2, 3};
  checkTimeOrder(ok.console(), up, 3);
  EXPECT_EQ(ok.output(), "");
}

}  // namespace
}  // namespace kaldero
