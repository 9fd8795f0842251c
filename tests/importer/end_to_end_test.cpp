// kaldero-import end to end: the samples of the hand-written station files
// in tests/importer/data written as logger exports of every layout,
// imported, and the program run on the result; its results listing must
// equal that of the hand-written file apart from the lines that name the
// station file. Bad exports must fail with the file, line and column, a
// non-zero exit status and no station file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

#include "tests/importer/import_support.h"

namespace kaldero::importer::testing {
namespace {

// The release of the hand-written files' samples: 2016-04-13 10:00.
constexpr int kYear = 2016, kMonth = 4, kDay = 13, kHour = 10;

struct Imported {
  CommandRun run;
  std::string station;  // the file written, empty when none
};

class EndToEnd : public ::testing::Test {
 protected:
  // The results listing of a station file in the scratch folder, without
  // the lines that name the station file.
  std::vector<std::string> listing(const std::string& station) {
    const std::string stem = station.substr(0, station.rfind('.'));
    dir.write("RUN.D", "TEST\n200\nMASS UNIT\n3\nRELEASE\n2  0.1\nARRIVAL\n0\nSTATIONS\n" + station +
                           "\n");
    const CommandRun r = runIn(dir.dir(), quoted(KALDERO_EXE) + " RUN.D");
    EXPECT_EQ(r.status, 0) << r.out;
    std::vector<std::string> kept;
    for (const std::string& l : lines(dir.read(stem + ".OUT")))
      if (l.find(station) == std::string::npos) kept.push_back(l);
    EXPECT_GT(kept.size(), 40u);
    return kept;
  }

  // The hand-written file, perhaps without some samples (by minutes after
  // the release), copied into the scratch folder.
  std::vector<std::string> handListing(const std::string& file,
                                       const std::function<bool(int)>& dropped = {}) {
    const auto all = lines(readFile(dataPath(file)));
    std::string text;
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (i >= 64 && dropped) {
        const double hours = std::stod(all[i]);
        if (dropped(static_cast<int>(hours * 60 + 0.5))) continue;
      }
      text += all[i] + "\n";
    }
    dir.write(file, text);
    return listing(file);
  }

  Imported import(const std::string& logger, const std::string& args,
                  const std::string& discharge = "--discharge '0.0057 m3/s'") {
    dir.write("logger.txt", logger);
    Imported i;
    i.run = runIn(dir.dir(), importCommand() + " logger.txt -o IMPORTED.DAT --distance 150m " +
                                 "--concentration-unit ppb --header " +
                                 quoted(dataPath("hand.toml")) + " " + discharge + " " + args);
    if (std::filesystem::exists(dir.path("IMPORTED.DAT"))) i.station = "IMPORTED.DAT";
    return i;
  }

  // Imports and compares with the hand-written file's listing.
  void expectSameAnalysis(const std::string& logger, const std::string& args,
                          const std::string& hand = "HAND.DAT",
                          const std::function<bool(int)>& dropped = {},
                          const std::string& discharge = "--discharge '0.0057 m3/s'") {
    const Imported i = import(logger, args, discharge);
    ASSERT_EQ(i.run.status, 0) << i.run.err;
    ASSERT_EQ(i.station, "IMPORTED.DAT");
    EXPECT_EQ(listing("IMPORTED.DAT"), handListing(hand, dropped));
  }

  ScratchDir dir;
};

// Renders the samples as an export: one line a sample, from the clock
// reading and the concentration text.
std::string render(const std::string& head,
                   const std::function<std::string(const Clock&, const Sample&)>& row,
                   int startHour = kHour, int day = kDay, int month = kMonth) {
  std::string text = head;
  for (const Sample& s : handSamples())
    text += row(clockAt(kYear, month, day, startHour, 0, s.minutes * 60LL), s) + "\n";
  return text;
}

const std::string kFluorometerHead =
    "Field fluorometer export\nSite: test\nInterval: 00:06:00\n\n"
    "Date;Time;Uranine [ppb];Rhodamine [ppb]\n";

std::string fluorometerRow(const Clock& c, const Sample& s) {
  return format("%3$02d.%2$02d.%1$04d;%4$02d:%5$02d:%6$02d", c) + ";0,55;" +
         withComma(s.concentration);
}

TEST_F(EndToEnd, SemicolonDecimalCommaSplitDateTimeAndMetadataByNames) {
  expectSameAnalysis(render(kFluorometerHead, fluorometerRow),
                     "--injection '2016-04-13 10:00' --date-column Date --time-column Time "
                     "--concentration-column 'Rhodamine [ppb]'");
}

TEST_F(EndToEnd, SameExportByColumnNumbers) {
  expectSameAnalysis(render(kFluorometerHead, fluorometerRow),
                     "--injection 2016-04-13T10:00:00 --date-column 1 --time-column 2 "
                     "--concentration-column 4");
}

TEST_F(EndToEnd, TheReleaseInTheFormOfTheTimeStamps) {
  const std::string logger = render(kFluorometerHead, fluorometerRow);
  const std::string columns =
      "--date-column Date --time-column Time --concentration-column 'Rhodamine [ppb]'";
  const Imported iso = import(logger, "--injection 2016-04-13T10:00 " + columns);
  ASSERT_EQ(iso.run.status, 0) << iso.run.err;
  const std::string expected = dir.read("IMPORTED.DAT");
  for (const char* release : {"13.04.2016 10:00", "13.04.2016 10:00:00", "13/04/2016 10:00"}) {
    std::filesystem::remove(dir.path("IMPORTED.DAT"));
    const Imported i = import(logger, "--injection '" + std::string(release) + "' " + columns);
    ASSERT_EQ(i.run.status, 0) << release << "\n" << i.run.err;
    EXPECT_EQ(dir.read("IMPORTED.DAT"), expected) << release;
  }
}

TEST_F(EndToEnd, IsoTimeStamps) {
  expectSameAnalysis(render("timestamp,uranine_ppb,rhodamine_ppb\n",
                            [](const Clock& c, const Sample& s) {
                              return format("%1$04d-%2$02d-%3$02dT%4$02d:%5$02d:%6$02d", c) +
                                     ",0.55," + s.concentration;
                            }),
                     "--injection 2016-04-13T10:00 --concentration-column rhodamine_ppb");
}

TEST_F(EndToEnd, IsoTimeStampsInUtcAgainstAReleaseWithItsOffset) {
  // 10:00 at +02:00 is 08:00 UTC; the stamps are written in UTC.
  expectSameAnalysis(render("timestamp;rhodamine\n",
                            [](const Clock& c, const Sample& s) {
                              return format("%1$04d-%2$02d-%3$02dT%4$02d:%5$02d:%6$02dZ", c) + ";" +
                                     s.concentration;
                            },
                            8),
                     "--injection 2016-04-13T10:00+02:00 --concentration-column 2");
}

TEST_F(EndToEnd, DayMonthYearWithDotsTabsAndNoHeaderRow) {
  expectSameAnalysis(render("", [](const Clock& c, const Sample& s) {
                       return format("%3$02d.%2$02d.%1$04d %4$02d:%5$02d", c) + "\t" +
                              withComma(s.concentration);
                     }),
                     "--injection '2016-04-13 10:00' --concentration-column 2");
}

TEST_F(EndToEnd, DayMonthYearWithSlashes) {
  expectSameAnalysis(render("Date Time,Rhodamine\n",
                            [](const Clock& c, const Sample& s) {
                              return format("%3$02d/%2$02d/%1$04d %4$02d:%5$02d:%6$02d", c) + "," +
                                     s.concentration;
                            }),
                     "--injection '2016-04-13 10:00' --concentration-column Rhodamine");
}

TEST_F(EndToEnd, MonthFirstSlashesWithDateOrderMdy) {
  expectSameAnalysis(render("Date Time,Rhodamine\n",
                            [](const Clock& c, const Sample& s) {
                              return format("%2$d/%3$d/%1$04d %4$d:%5$02d", c) + "," +
                                     s.concentration;
                            }),
                     "--injection '2016-04-13 10:00' --concentration-column 2 --date-order mdy");
}

TEST_F(EndToEnd, AnyLayoutWithADateTimeFormat) {
  expectSameAnalysis(render("stamp;value\n",
                            [](const Clock& c, const Sample& s) {
                              return format("%1$04d%2$02d%3$02d-%4$02dh%5$02d", c) + ";" +
                                     withComma(s.concentration);
                            }),
                     "--injection '2016-04-13 10:00' --concentration-column value "
                     "--datetime-format '%Y%m%d-%Hh%M'");
}

TEST_F(EndToEnd, SkipLinesPastMetadataThatLooksLikeData) {
  // The first metadata line reads as a data row; --skip-lines says where
  // the header row is.
  expectSameAnalysis(render("13.04.2016 09:00;logger started\nOperator;X\n\nTime;Conc\n",
                            [](const Clock& c, const Sample& s) {
                              return format("%3$02d.%2$02d.%1$04d %4$02d:%5$02d", c) + ";" +
                                     withComma(s.concentration);
                            }),
                     "--injection '2016-04-13 10:00' --concentration-column 2 --skip-lines 3");
}

TEST_F(EndToEnd, RowsBeforeTheReleaseAndMissingValuesAreDroppedAndCounted) {
  std::string text = "timestamp,rhodamine_ppb\n";
  for (int m = 3; m < 60; m += 6)  // 09:03 to 09:57, before the 10:00 release
    text += format("%1$04d-%2$02d-%3$02dT%4$02d:%5$02d:%6$02d", clockAt(2016, 4, 13, 9, m, 0)) +
            ",0.1\n";
  const char* missing[] = {"NaN", "", "-", "#N/A"};
  int k = 0;
  for (const Sample& s : handSamples()) {
    const Clock c = clockAt(kYear, kMonth, kDay, kHour, 0, s.minutes * 60LL);
    text += format("%1$04d-%2$02d-%3$02dT%4$02d:%5$02d:%6$02d", c) + "," + s.concentration + "\n";
    if (k++ % 25 == 0)  // a row without a value 3 minutes later
      text += format("%1$04d-%2$02d-%3$02dT%4$02d:%5$02d:%6$02d",
                     clockAt(kYear, kMonth, kDay, kHour, 3, s.minutes * 60LL)) +
              "," + missing[k / 25 % 4] + "\n";
  }
  const Imported i = import(text, "--injection '2016-04-13 10:00' --concentration-column 2");
  ASSERT_EQ(i.run.status, 0) << i.run.err;
  EXPECT_NE(i.run.out.find("dropped: 10 rows before the release, 5 rows with a missing value "
                           "(the first on line 13)"),
            std::string::npos)
      << i.run.out;
  EXPECT_EQ(listing("IMPORTED.DAT"), handListing("HAND.DAT"));
}

TEST_F(EndToEnd, DaylightSavingClockForwardIsAGap) {
  // Released 2016-03-26 20:00; the clock skips 02:00 to 03:00 on the 27th,
  // 6 h after the release: no stamp reads in that hour. Clock readings are
  // taken as they are, so the station has a gap there, as a hand-written
  // file without those samples.
  std::string text = "Date;Time;Rhodamine\n";
  for (const Sample& s : handSamples()) {
    const Clock c = clockAt(2016, 3, 26, 20, 0, s.minutes * 60LL);
    if (c.day == 27 && c.hour == 2) continue;
    text += format("%3$02d.%2$02d.%1$04d;%4$02d:%5$02d:%6$02d", c) + ";" +
            withComma(s.concentration) + "\n";
  }
  const Imported i = import(text, "--injection '2016-03-26 20:00' --date-column Date "
                                  "--time-column Time --concentration-column Rhodamine");
  ASSERT_EQ(i.run.status, 0) << i.run.err;
  EXPECT_NE(i.run.out.find("longest interval between samples: 1.1 h"), std::string::npos)
      << i.run.out;
  EXPECT_EQ(listing("IMPORTED.DAT"),
            handListing("HAND.DAT", [](int minutes) { return minutes >= 360 && minutes < 420; }));
}

TEST_F(EndToEnd, DischargeColumnInTheSameFileInLitresPerSecond) {
  expectSameAnalysis(render("timestamp,rhodamine_ppb,q_l_s\n",
                            [](const Clock& c, const Sample& s) {
                              return format("%1$04d-%2$02d-%3$02dT%4$02d:%5$02d:%6$02d", c) + "," +
                                     s.concentration + "," +
                                     std::to_string(std::stod(s.discharge) * 1000);
                            }),
                     "--injection 2016-04-13T10:00 --concentration-column 2", "HANDQ.DAT", {},
                     "--discharge-column q_l_s --discharge-unit L/s");
}

TEST_F(EndToEnd, SecondDischargeFileInterpolatedWithItsGapsReported) {
  // A discharge record every 12 minutes from 08:00 (L/s, falling 0.01 a
  // record, so that the samples between records interpolate exactly), one
  // record without a value, and the records end at 20:36: the four samples
  // after it get no discharge and are dropped.
  std::string q = "Logger;spring\nDate Time;Q [l/s]\n";
  for (int j = 0; 8 * 60 + 12 * j <= 20 * 60 + 36; ++j) {
    const Clock c = clockAt(2016, 4, 13, 8, 0, j * 12 * 60LL);
    char value[32];
    std::snprintf(value, sizeof value, "%.3f", 6.15 - 0.01 * j);
    q += format("%3$02d.%2$02d.%1$04d %4$02d:%5$02d", c) + ";" +
         (j == 40 ? std::string("NaN") : withComma(value)) + "\n";
  }
  dir.write("spring.csv", q);
  const std::string logger = render("timestamp,rhodamine_ppb\n", [](const Clock& c, const Sample& s) {
    return format("%1$04d-%2$02d-%3$02dT%4$02d:%5$02d:%6$02d", c) + "," + s.concentration;
  });
  const Imported i = import(logger, "--injection 2016-04-13T10:00 --concentration-column 2",
                            "--discharge-file spring.csv --discharge-column 'Q [l/s]' "
                            "--discharge-unit L/s");
  ASSERT_EQ(i.run.status, 0) << i.run.err;
  for (const char* said :
       {"0 rows before the first discharge record and 4 rows after the last dropped",
        "longest discharge interval interpolated across: 24 min (spring.csv lines 42 and 44)",
        "1 record without a value skipped"})
    EXPECT_NE(i.run.out.find(said), std::string::npos) << said << "\n" << i.run.out;
  EXPECT_EQ(listing("IMPORTED.DAT"),
            handListing("HANDQ.DAT", [](int minutes) { return minutes > 636; }));
}

// ------------------------------------------------------------ bad exports

struct BadExport {
  const char* name;
  const char* text;
  const char* args;
  const char* message;  // the start of the standard error text
};

class BadInput : public ::testing::TestWithParam<BadExport> {};

TEST_P(BadInput, FailsWithFileLineAndColumnAndLeavesNoStationFile) {
  const BadExport& b = GetParam();
  ScratchDir dir(b.name);
  dir.write("f.txt", b.text);
  dir.write("KEEP.DAT", "an earlier station file\n");
  const CommandRun r = runIn(dir.dir(), importCommand() +
                                     " f.txt -o KEEP.DAT --concentration-unit ppb --distance 150m "
                                     "--discharge '0.0057 m3/s' " + b.args);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind(b.message, 0), 0u) << r.err;
  EXPECT_TRUE(r.out.empty());
  // The earlier file stays as it was, and no temporary is left.
  EXPECT_EQ(dir.read("KEEP.DAT"), "an earlier station file\n");
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.dir()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"KEEP.DAT", "f.txt"}));
}

const char* const kSplit = "--date-column Date --time-column Time --concentration-column C ";

INSTANTIATE_TEST_SUITE_P(
    Exports, BadInput,
    ::testing::Values(
        BadExport{"ImpossibleDate", "Date;Time;C\n13.04.2016;11:00;0,1\n31.02.2016;11:02;0,2\n",
                  "--injection '2016-04-13 10:00' --date-column Date --time-column Time "
                  "--concentration-column C",
                  "f.txt:3:1: \"31.02.2016 11:02\" in column 1 (Date) and column 2 (Time) is not "
                  "a date-time: February 2016 has 29 days"},
        BadExport{"MissingColumnName",
                  "Logger 7\n\nDate;Time;Rhodamine\n13.04.2016;11:00;0,1\n13.04.2016;11:02;0,2\n",
                  "--injection '2016-04-13 10:00' --date-column Date --time-column Time "
                  "--concentration-column C",
                  "f.txt:3:1: no column named \"C\" in the header row (it has \"Date\", \"Time\", "
                  "\"Rhodamine\")"},
        BadExport{"TextInAValueColumn",
                  "Date;Time;C\n13.04.2016;11:00;0,1\n13.04.2016;11:02;Err 3\n",
                  "--injection '2016-04-13 10:00' --date-column Date --time-column Time "
                  "--concentration-column C",
                  "f.txt:3:18: \"Err 3\" in column 3 (C) is not a number"},
        BadExport{"EmptyFile", "", "--injection '2016-04-13 10:00' --concentration-column 2",
                  "f.txt:1:1: the file is empty"},
        BadExport{"NoRowAfterTheRelease",
                  "Date;Time;C\n13.04.2016;11:00;0,1\n13.04.2016;11:02;0,2\n",
                  "--injection '2016-04-14 10:00' --date-column Date --time-column Time "
                  "--concentration-column C",
                  "f.txt:3:1: no row after the release (2016-04-14 10:00:00): the last time "
                  "stamp, on this line, is 2016-04-13 11:02:00"},
        BadExport{"DaylightSavingClockBack",
                  "Date;Time;C\n30.10.2016;02:50;0,1\n30.10.2016;02:55;0,2\n"
                  "30.10.2016;02:00;0,3\n",
                  "--injection '2016-10-30 00:00' --date-column Date --time-column Time "
                  "--concentration-column C",
                  "f.txt:4:1: time stamp 2016-10-30 02:00:00 goes back from that of line 3 "
                  "(2016-10-30 02:55:00)"},
        BadExport{"RepeatedStamp",
                  "t,c\n2016-04-13T11:00,0.1\n2016-04-13T11:02,0.2\n2016-04-13T11:02,0.2\n",
                  "--injection '2016-04-13 10:00' --concentration-column c",
                  "f.txt:4:1: time stamp 2016-04-13 11:02:00 repeats that of line 3"},
        // Control bytes of a bad value are shown escaped, never sent to the
        // terminal raw (a bell, a colour change).
        BadExport{"ControlBytesInAValue",
                  "Date;Time;C\n13.04.2016;11:00;0,1\n13.04.2016;11:02;1801,76\x01\a\x1b[31m\n",
                  "--injection '2016-04-13 10:00' --date-column Date --time-column Time "
                  "--concentration-column C",
                  "f.txt:3:18: \"1801,76\\x01\\x07\\x1b[31m\" in column 3 (C) is not a number"},
        BadExport{"ShortRowAtTheEnd", "t,c\n2016-04-13T11:00,0.1\n2016-04-13T11:02\n",
                  "--injection '2016-04-13 10:00' --concentration-column c",
                  "f.txt:3:17: the row has 1 field (comma delimiter): column 2 (c) is missing"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImportOptions, BadOptionsExitWithStatusTwoAndWriteNothing) {
  ScratchDir dir;
  dir.write("f.txt", "t,c\n2016-04-13T11:00,0.1\n2016-04-13T11:02,0.2\n");
  const std::string base = importCommand() + " f.txt -o S.DAT --concentration-column c ";
  for (const std::string& args :
       {std::string("--injection 2016-04-13T10:00 --concentration-unit ppb --distance 150m"),  // no discharge
        std::string("--injection 13.04.2016 --concentration-unit ppb --distance 150m "
                    "--discharge '1 m3/s'"),
        std::string("--injection 2016-04-13T10:00 --concentration-unit ppm3 --distance 150m "
                    "--discharge '1 m3/s'"),
        std::string("--injection 2016-04-13T10:00 --concentration-unit ppb --distance 150 "
                    "--discharge '1 m3/s'"),
        std::string("--injection 2016-04-13T10:00 --concentration-unit ppb --distance 150m "
                    "--discharge '1 L/min'"),
        std::string("--injection 2016-04-13T10:00 --concentration-unit ppb --distance 150m "
                    "--discharge '1 m3/s' --mass '1 kg'")}) {
    const CommandRun r = runIn(dir.dir(), base + args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.path("S.DAT"))) << args;
  }
}

TEST(ImportOptions, VersionIsThatOfTheProgram) {
  ScratchDir dir;
  const CommandRun program = runIn(dir.dir(), quoted(KALDERO_EXE) + " --version");
  const CommandRun import = runIn(dir.dir(), importCommand() + " --version");
  ASSERT_EQ(program.status, 0);
  ASSERT_EQ(import.status, 0);
  // "KALDERO 2.0.0" and "kaldero-import (KALDERO) 2.0.0".
  const std::string shown = program.out.substr(0, program.out.find('\n'));
  const std::size_t blank = shown.rfind(' ');
  ASSERT_NE(blank, std::string::npos) << shown;
  EXPECT_EQ(import.out, "kaldero-import (" + shown.substr(0, blank) + ")" + shown.substr(blank) + "\n");
}

// Files that are no text export: refused at the line and column where that
// shows, in the logger file and in the discharge file alike.
TEST(ImportOptions, BinaryAndUtf16FilesAreRefusedAtTheirLineAndColumn) {
  const std::string good = "t,c\n2016-04-13T11:00,0.1\n2016-04-13T11:02,0.2\n";
  std::string utf16le = "\xFF\xFE", utf16be = "\xFE\xFF", bare;
  for (char c : good) {
    utf16le += std::string{c, '\0'};
    utf16be += std::string{'\0', c};
    bare += std::string{c, '\0'};
  }
  const std::string longLine = "t,c\n2016-04-13T11:00,0.1\n" + std::string(2 << 20, 'x') + "\n";
  const struct {
    std::string text, where;
  } cases[] = {
      {"t,c\n2016-04-13T11:00,0.1\n2016-04-13T11:02,0" + std::string(1, '\0') + "2\n",
       ":3:19: a zero byte: not a text file"},
      {utf16le, ":1:1: UTF-16 text (a byte-order mark): save the file as UTF-8 text"},
      {utf16be, ":1:1: UTF-16 text (a byte-order mark): save the file as UTF-8 text"},
      {bare, ":1:2: a zero byte: not a text file"},
      {longLine, ":3:1048577: line longer than 1 MiB"},
  };
  ScratchDir dir;
  dir.write("ok.txt", good);
  const std::string base = importCommand() + " -o S.DAT --injection 2016-04-13T10:00 "
                           "--concentration-column 2 --concentration-unit ppb --distance 150m ";
  for (const auto& c : cases) {
    dir.write("bad.txt", c.text);
    const CommandRun logger = runIn(dir.dir(), base + "bad.txt --discharge '1 m3/s'");
    EXPECT_EQ(logger.status, 1);
    EXPECT_EQ(logger.err.rfind("bad.txt" + c.where, 0), 0u) << logger.err;
    const CommandRun discharge =
        runIn(dir.dir(), base + "ok.txt --discharge-file bad.txt --discharge-column 2 "
                                "--discharge-unit m3/s");
    EXPECT_EQ(discharge.status, 1);
    EXPECT_EQ(discharge.err.rfind("bad.txt" + c.where, 0), 0u) << discharge.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("S.DAT")));
  }
}

// Values the program could not take: refused as bad options (status 2)
// before anything is written.
TEST(ImportOptions, ValuesBeyondSinglePrecisionOrWithControlCharactersAreBadOptions) {
  ScratchDir dir;
  dir.write("f.txt", "t,c\n2016-04-13T11:00,0.1\n2016-04-13T11:02,0.2\n");
  const std::string base = importCommand() +
                           " f.txt -o S.DAT --injection 2016-04-13T10:00 --concentration-column c "
                           "--concentration-unit ppb --control RUN.D ";
  const std::string good = "--distance 150m --discharge '1 m3/s' --mass '200 g' ";
  const std::string pulse = " --release pulse:0.1";
  const std::pair<std::string, const char*> cases[] = {
      {good + "--arrival nan" + pulse, "--arrival"},
      {good + "--arrival inf" + pulse, "--arrival"},
      {good + "--arrival -inf" + pulse, "--arrival"},
      {good + "--arrival 1e36" + pulse, "--arrival"},  // 3.6e39 s
      {"--distance 150m --discharge '1 m3/s' --mass '1e39 g'" + pulse, "--mass"},
      {"--distance 150m --discharge '1 m3/s' --mass '1e36 g'" + pulse, "--mass"},  // 1e39 mg
      {"--distance 150m --discharge '1 m3/s' --mass '1e-50 kg'" + pulse, "--mass"},
      {"--distance '1e38 mi' --discharge '1 m3/s' --mass '200 g'" + pulse, "--distance"},
      {"--distance '1e-50 m' --discharge '1 m3/s' --mass '200 g'" + pulse, "--distance"},
      {"--distance 150m --discharge '1e-50 m3/s' --mass '200 g'" + pulse, "--discharge"},
      {good + "--release pulse:1e-50", "--release"},
      {good + "--title 'TWO\nLINES'" + pulse, "--title"},
      {good + "--title 'A\tTAB'" + pulse, "--title"},
      {good + "--title 'A\x7F'" + pulse, "--title"},
  };
  for (const auto& [args, option] : cases) {
    const CommandRun r = runIn(dir.dir(), base + args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
    EXPECT_EQ(r.err.rfind("kaldero-import: " + std::string(option), 0), 0u) << args << "\n" << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("S.DAT"))) << args;
    EXPECT_FALSE(std::filesystem::exists(dir.path("RUN.D"))) << args;
  }
}

// A device, a pipe or a folder named as an output is never replaced: a bad
// option, as for the control file.
TEST(ImportOptions, AnOutputThatIsNoRegularFileIsRefused) {
  ScratchDir dir;
  dir.write("f.txt", "t,c\n2016-04-13T11:00,0.1\n2016-04-13T11:02,0.2\n");
  ASSERT_EQ(::mkfifo(dir.path("PIPE").c_str(), 0600), 0);
  std::filesystem::create_directory(dir.path("FOLDER"));
  std::filesystem::create_symlink("/dev/null", dir.path("NULL.DAT"));
  const std::string base = importCommand() +
                           " f.txt --injection 2016-04-13T10:00 --concentration-column c "
                           "--concentration-unit ppb --distance 150m --discharge '1 m3/s' ";
  for (const std::string& args :
       {std::string("-o PIPE"), std::string("-o FOLDER"), std::string("-o NULL.DAT"),
        std::string("-o S.DAT --control PIPE"), std::string("-o S.DAT --control FOLDER"),
        std::string("-o S.DAT --control NULL.DAT")}) {
    const CommandRun r = runIn(dir.dir(), base + args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
    EXPECT_NE(r.err.find("is not a regular file"), std::string::npos) << args << "\n" << r.err;
  }
  EXPECT_TRUE(std::filesystem::is_fifo(dir.path("PIPE")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.path("FOLDER")));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path("FOLDER")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path("NULL.DAT")));
  EXPECT_TRUE(std::filesystem::is_character_file(dir.path("NULL.DAT")));
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.dir()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"FOLDER", "NULL.DAT", "PIPE", "f.txt"}));
}

TEST(ImportOptions, TheStationFileNeverReplacesTheLoggerFile) {
  ScratchDir dir;
  const std::string text = "t,c\n2016-04-13T11:00,0.1\n2016-04-13T11:02,0.2\n";
  dir.write("f.txt", text);
  const CommandRun r = runIn(dir.dir(), importCommand() +
                                     " f.txt -o ./f.txt --injection 2016-04-13T10:00 "
                                     "--concentration-column c --concentration-unit ppb "
                                     "--distance 150m --discharge '1 m3/s'");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(dir.read("f.txt"), text);
}

// ------------------------------------------------------- the real exports

// The exports of the example test, kept in the repository.
std::string loggerData(const std::string& name) {
  return std::string(KALDERO_SOURCE_DIR) + "/examples/loggers/" + name;
}

// The columns of a station file's data lines.
std::vector<std::vector<double>> columns(const std::string& text) {
  std::vector<std::vector<double>> out(3);
  const auto all = lines(text);
  for (std::size_t i = 64; i < all.size(); ++i) {
    std::istringstream in(all[i]);
    double v;
    for (int j = 0; j < 3 && in >> v; ++j) out[j].push_back(v);
  }
  return out;
}

TEST(RealExports, FluorometerExportGivesTheSamplesOfTheExampleStation) {
  ScratchDir dir;
  // No plot: the run is only to show that the program takes the file.
  dir.write("h.toml", "[plots.data]\npoints = false\ncurve = false\npostscript = false\n");
  const CommandRun r = runIn(dir.dir(), importCommand() + " --header h.toml " +
                                     quoted(loggerData("furfooz_150m_fluorometer.txt")) +
                                     " -o TQF.DAT --injection '2016-04-13 10:00' --date-column Date "
                                     "--time-column Time --concentration-column "
                                     "'Rhodamine [ppb]' --concentration-unit ppb --discharge "
                                     "'0.0057 m3/s' --distance 150m --control KALDERO.D --mass "
                                     "'200 g' --release pulse:0.1");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto imported = columns(dir.read("TQF.DAT"));
  const auto example = columns(readFile(std::string(KALDERO_SOURCE_DIR) + "/examples/TQF.DAT"));
  ASSERT_EQ(imported[0].size(), example[0].size());
  for (std::size_t i = 0; i < example[0].size(); ++i) {
    EXPECT_NEAR(imported[0][i], example[0][i], 0.0005) << i;  // the example rounds hours
    EXPECT_EQ(imported[1][i], example[1][i]) << i;
  }
  const CommandRun run = runIn(dir.dir(), quoted(KALDERO_EXE) + " KALDERO.D");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir.path("TQF.OUT")));
}

TEST(RealExports, IsoLoggerWithTheDischargeLoggerGivesTheSamplesOfTheExampleStation) {
  ScratchDir dir;
  const CommandRun r = runIn(
      dir.dir(), importCommand() + " " + quoted(loggerData("furfooz_770m_logger.csv")) +
                     " -o GDS.DAT --injection 2016-04-13T10:00 --concentration-column "
                     "rhodamine_ppb --concentration-unit ug/L --time-unit min --distance 0.77km "
                     "--discharge-file " + quoted(loggerData("spring_discharge_illustrative.csv")) +
                     " --discharge-column discharge_L_s --discharge-unit L/s");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto imported = columns(dir.read("GDS.DAT"));
  const auto example = columns(readFile(std::string(KALDERO_SOURCE_DIR) + "/examples/GDS.DAT"));
  ASSERT_EQ(imported[0].size(), example[0].size());
  for (std::size_t i = 0; i < example[0].size(); ++i) {
    EXPECT_EQ(imported[0][i], example[0][i]) << i;
    EXPECT_EQ(imported[1][i], example[1][i]) << i;
  }
  // The discharge logger's recession, 6.0 to about 5.4 L/s, in m3/s.
  EXPECT_NEAR(imported[2].front(), 0.006, 2e-5);
  for (std::size_t i = 1; i < imported[2].size(); ++i)
    ASSERT_LE(imported[2][i], imported[2][i - 1]) << i;
  EXPECT_GT(imported[2].back(), 0.0054);
}

}  // namespace
}  // namespace kaldero::importer::testing
