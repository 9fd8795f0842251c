// The import as a library call: what it writes for a given export, the
// discharge alignment, the control file, and the guarantees of the output
// (written whole or not at all).
#include "importer/import.h"

#include <gtest/gtest.h>

#include "importer/discharge_track.h"
#include "tests/importer/import_support.h"

namespace kaldero::importer {
namespace {

using testing::lines;
using testing::readFile;
using testing::ScratchDir;

class Import : public ::testing::Test {
 protected:
  Import() {
    o.loggerPath = dir.path("log.csv");
    o.stationPath = dir.path("ST.DAT");
    o.injection = "2016-04-13T10:00";
    o.concentration = ColumnRef::parse("c");
    o.concentrationUnit = *findUnit(Quantity::Concentration, "ug/L");
    o.dischargeUnit = *findUnit(Quantity::Discharge, "m3/s");
    o.constantDischarge = 0.0057;
    o.timeUnit = *findUnit(Quantity::Time, "min");
    o.distance = Measure{150, *findUnit(Quantity::Distance, "m")};
  }

  // The data lines written, or the error text.
  std::string run(const std::string& logger) {
    dir.write("log.csv", logger);
    auto r = importStation(o);
    if (!r) return r.error().text();
    summary = *r;
    const auto all = lines(dir.read("ST.DAT"));
    std::string data;
    for (std::size_t i = 64; i < all.size(); ++i) data += all[i] + "\n";
    return data;
  }

  ScratchDir dir;
  ImportOptions o;
  ImportSummary summary;
};

TEST_F(Import, ElapsedTimesInEveryUnit) {
  const std::string log = "t,c\n2016-04-13T09:59:59,9\n2016-04-13T10:00,0\n2016-04-13T10:01:30,1.5\n"
                          "2016-04-14T10:00,0.25\n";
  EXPECT_EQ(run(log), "0  0\n1.5  1.5\n1440  0.25\n");
  EXPECT_EQ(summary.beforeRelease, 1);
  o.timeUnit = *findUnit(Quantity::Time, "h");
  EXPECT_EQ(run(log), "0  0\n0.025  1.5\n24  0.25\n");
  o.timeUnit = *findUnit(Quantity::Time, "d");
  EXPECT_EQ(run(log), "0  0\n0.0010416666666666667  1.5\n1  0.25\n");
  o.timeUnit = *findUnit(Quantity::Time, "s");
  EXPECT_EQ(run(log), "0  0\n90  1.5\n86400  0.25\n");
}

TEST_F(Import, StampsTheProgramCouldNotTellApartInSinglePrecision) {
  // 1 ms apart a week after the release: one time in single precision,
  // whatever the unit; an hour after the release they are apart.
  const std::string log = "t,c\n2016-04-20T10:00:00.001,1\n2016-04-20T10:00:00.002,2\n";
  for (const char* unit : {"d", "s"}) {
    o.timeUnit = *findUnit(Quantity::Time, unit);
    EXPECT_EQ(run(log), o.loggerPath +
                            ":3:1: this time stamp is 0.001 s after that of line 2: 7 d after the "
                            "release, the program's single precision (about 7 digits) cannot tell "
                            "the two times apart; keep fewer rows (e.g. every k-th)");
  }
  EXPECT_EQ(run("t,c\n2016-04-13T11:00:00.001,1\n2016-04-13T11:00:00.002,2\n"),
            "3600.001  1\n3600.002  2\n");
}

TEST_F(Import, DischargeColumnInLitresPerSecond) {
  o.discharge = DischargeSource::Column;
  o.dischargeColumn = ColumnRef::parse("q");
  o.dischargeUnit = *findUnit(Quantity::Discharge, "L/s");
  EXPECT_EQ(run("t;c;q\n2016-04-13T10:06;1,5;6\n2016-04-13T10:12;2;\n2016-04-13T10:18;2;5,5\n"),
            "6  1.5  0.006\n18  2  0.0055\n");
  EXPECT_EQ(summary.missing, 1);
  EXPECT_EQ(summary.firstMissingLine, 3);
  EXPECT_EQ(lines(dir.read("ST.DAT"))[7], "1");  // a measured discharge
  EXPECT_EQ(lines(dir.read("ST.DAT"))[10], "4");  // in m3/s
}

TEST_F(Import, SecondDischargeFileInterpolatedNotExtrapolated) {
  o.discharge = DischargeSource::File;
  o.dischargePath = dir.write("q.csv", "when,q\n2016-04-13 10:00,2\n2016-04-13 10:10,3\n"
                                       "2016-04-13 10:20,NaN\n2016-04-13 10:30,1\n");
  o.dischargeColumn = ColumnRef::parse("q");
  o.dischargeUnit = *findUnit(Quantity::Discharge, "m3/h");
  EXPECT_EQ(run("t,c\n2016-04-13T09:59,1\n2016-04-13T10:00,1\n2016-04-13T10:04,2\n"
                "2016-04-13T10:25,3\n2016-04-13T10:30,4\n2016-04-13T10:31,5\n2016-04-13T10:40,6\n"),
            "0  1  2\n4  2  2.4\n25  3  1.5\n30  4  1\n");
  EXPECT_EQ(summary.beforeRelease, 1);
  EXPECT_EQ(summary.beforeDischarge, 0);
  EXPECT_EQ(summary.afterDischarge, 2);
  EXPECT_EQ(summary.dischargeMissing, 1);
  EXPECT_EQ(summary.longestBridge, 20 * 60'000'000LL);
  EXPECT_EQ(summary.bridgeFromLine, 3);
  EXPECT_EQ(summary.bridgeToLine, 5);
  // Stamps before the first record have no discharge either.
  o.injection = "2016-04-13T09:00";
  EXPECT_EQ(run("t,c\n2016-04-13T09:59,1\n2016-04-13T10:05,2\n2016-04-13T10:06,2\n"),
            "65  2  2.5\n66  2  2.6\n");
  EXPECT_EQ(summary.beforeDischarge, 1);
}

TEST_F(Import, DischargeFileErrorsNameThatFile) {
  o.discharge = DischargeSource::File;
  o.dischargeColumn = ColumnRef::parse("2");
  o.dischargePath = dir.write("q.csv", "2016-04-13 10:00,2\n2016-04-13 10:10,3\n2016-04-13 10:05,3\n");
  EXPECT_EQ(run("t,c\n2016-04-13T10:04,2\n2016-04-13T10:25,3\n").rfind(o.dischargePath + ":3:1: time stamp", 0), 0u);
  o.dischargePath = dir.write("q.csv", "2016-04-13T10:00Z,2\n2016-04-13T10:10Z,3\n");
  EXPECT_EQ(run("t,c\n2016-04-13T10:04,2\n"),
            o.dischargePath + ":1:1: the time stamps have a time zone but --injection has none: "
                              "give the release with its offset");
}

TEST_F(Import, NegativeDischargesAreRefusedWhereTheyStand) {
  o.discharge = DischargeSource::Column;
  o.dischargeColumn = ColumnRef::parse("q");
  o.dischargeUnit = *findUnit(Quantity::Discharge, "L/s");
  // Zero is a discharge (a spring run dry), and -0 is zero.
  EXPECT_EQ(run("t;c;q\n2016-04-13T10:06;1;0\n2016-04-13T10:12;2;-0\n"), "6  1  0\n12  2  0\n");
  // A negative discharge stops the import, also on a row without a
  // concentration.
  dir.write("ST.DAT", "earlier\n");
  EXPECT_EQ(run("t;c;q\n2016-04-13T10:06;1;6\n2016-04-13T10:12;;-0,5\n2016-04-13T10:18;2;6\n"),
            o.loggerPath + ":3:19: the discharge -0.5 in column 3 (q) is below 0: a discharge "
                           "cannot be negative");
  EXPECT_EQ(dir.read("ST.DAT"), "earlier\n");
  // In a discharge file, also before the first sample.
  o.discharge = DischargeSource::File;
  o.dischargePath = dir.write("q.csv", "when,q\n2016-04-13 09:00,-1\n2016-04-13 10:00,2\n"
                                       "2016-04-13 11:00,3\n");
  EXPECT_EQ(run("t,c\n2016-04-13T10:04,2\n2016-04-13T10:25,3\n"),
            o.dischargePath + ":2:18: the discharge -1 in column 2 (q) is below 0: a discharge "
                              "cannot be negative");
  EXPECT_EQ(dir.read("ST.DAT"), "earlier\n");
}

TEST_F(Import, TooFewSamplesAndNoSamples) {
  EXPECT_EQ(run("t,c\n2016-04-13T10:04,2\n2016-04-13T10:05,NaN\n"),
            o.loggerPath + ":3:1: 1 sample after the release; the program needs at least two (0 "
                           "rows before the release, 1 with a missing value)");
  EXPECT_EQ(run("t,c\n"), o.loggerPath + ":2:1: no data rows after the header row (line 1)");
  EXPECT_FALSE(std::filesystem::exists(o.stationPath));
}

TEST_F(Import, AFailureLateInALargeFileLeavesNoFile) {
  dir.write("ST.DAT", "earlier\n");
  // A value that is not a number on the last of 200,000 rows.
  std::string log = "t,c\n";
  for (int i = 0; i < 200000; ++i)
    log += testing::format("%1$04d-%2$02d-%3$02dT%4$02d:%5$02d:%6$02d",
                           testing::clockAt(2016, 4, 14, 0, 0, i)) +
           (i == 199999 ? ",x\n" : ",1\n");
  const std::string r = run(log);
  EXPECT_NE(r.find("is not a number"), std::string::npos) << r.substr(0, 200);
  EXPECT_EQ(dir.read("ST.DAT"), "earlier\n");
  std::size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.dir())) (void)e, ++files;
  EXPECT_EQ(files, 2u);  // the logger and the earlier station file
}

TEST_F(Import, AStationFolderThatCannotBeWrittenIsAnError) {
  o.stationPath = dir.path("missing/ST.DAT");
  const std::string r = run("t,c\n2016-04-13T10:04,2\n2016-04-13T10:05,3\n");
  EXPECT_EQ(r.rfind(o.stationPath + ": cannot create", 0), 0u) << r;
}

class Control : public Import {
 protected:
  Control() {
    o.control = ControlRequest{};
    o.control->path = dir.path("RUN.D");
    o.control->mass = Measure{200, *findUnit(Quantity::Mass, "g")};
    o.control->release = Release{true, 0.1};
  }
  const std::string log = "t,c\n2016-04-13T10:04,2\n2016-04-13T10:05,3\n";
};

TEST_F(Control, WrittenThenExtendedOnce) {
  o.control->title = "FURFOOZ";
  ASSERT_EQ(run(log), "4  2\n5  3\n");
  EXPECT_EQ(summary.controlAction, "created with ST.DAT");
  const std::string created =
      "FURFOOZ\n200\nMASS UNIT CODE (1 = POUNDS, 2 = KILOGRAMS, 3 = GRAMS, OTHER = MILLIGRAMS)\n3\n"
      "RELEASE MODE (1 = INSTANTANEOUS, 2 = PULSE), RELEASE DURATION IN HOURS\n2  0.1\n"
      "FLOW-ZONE ARRIVAL TIME IN HOURS\n0\nSTATION DATA FILES, ONE NAME A LINE\nST.DAT\n";
  EXPECT_EQ(dir.read("RUN.D"), created);
  run(log);
  EXPECT_EQ(summary.controlAction, "already names ST.DAT");
  EXPECT_EQ(dir.read("RUN.D"), created);
  // Another station with the same values given again, and blank lines at
  // the end of the file.
  dir.write("RUN.D", created + "\n\n");
  o.stationPath = dir.path("B.DAT");
  run(log);
  EXPECT_EQ(summary.controlAction, "B.DAT added");
  EXPECT_EQ(dir.read("RUN.D"), created + "B.DAT\n");
}

TEST_F(Control, ValuesThatContradictTheFileWriteNothing) {
  run(log);
  const std::string before = dir.read("RUN.D");
  o.stationPath = dir.path("B.DAT");
  o.control->mass = Measure{0.2, *findUnit(Quantity::Mass, "kg")};
  EXPECT_EQ(run(log), o.control->path +
                          ":2:1: the control file gives the mass 200 with unit code 3, which --mass "
                          "contradicts (leave --mass out to add the station)");
  o.control->mass.reset();
  o.control->release = Release{false, 0};
  EXPECT_NE(run(log).find("the release \"2  0.1\""), std::string::npos);
  EXPECT_EQ(dir.read("RUN.D"), before);
  EXPECT_FALSE(std::filesystem::exists(dir.path("B.DAT")));
  // A new control file needs the mass and the release.
  o.control->path = dir.path("NEW.D");
  EXPECT_NE(run(log).find("needs --mass"), std::string::npos);
  // And it must be in the station file's folder.
  o.control->path = dir.path("sub/RUN.D");
  EXPECT_NE(run(log).find("must be in one folder"), std::string::npos);
}

// An existing file that the program would not read as a control file is
// neither extended nor changed.
TEST_F(Control, AFileThatIsNoControlFileIsLeftAsItIs) {
  const std::string block = "T\n200\nL\n3\nL\n2  0.1\nL\n0\nL\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : block) utf16 += std::string{c, '\0'};
  const struct {
    std::string text, error;
  } cases[] = {
      {readFile(testing::dataPath("HAND.DAT")),
       ":10:3: not a control file: a station data file name (at most 50 characters) should "
       "stand here"},
      {"t,c\n2016-04-13T10:04,2\n2016-04-13T10:05,3\n", ":4:1: a control file has 9 lines"},
      {"when,q\n2016-04-13 09:00,-1\n2016-04-13 10:00,2\n2016-04-13 11:00,3\n5\n6\n7\n8\n9\n",
       ":2:1: not a control file: \"2016-04-13\" is not the injected mass (a number)"},
      {utf16, ":1:1: UTF-16 text (a byte-order mark): save the file as UTF-8 text"},
      {"T\n\nL\n3\nL\n2  0.1\nL\n0\nL\n", ":2:1: not a control file: no injected mass (a number)"},
      {"T\n200\nL\ngrams\nL\n2  0.1\nL\n0\nL\n",
       ":4:1: not a control file: \"grams\" is not the mass unit code (a whole number)"},
      {"T\n200\nL\n3\nL\n2  x\nL\n0\nL\n",
       ":6:4: not a control file: \"x\" is not the release duration (a number)"},
      {"T\n200\nL\n3\nL\n2  0\nL\n0\nL\n",
       ":6:4: not a control file: release mode 2 needs a duration above 0"},
      {"T\n200\nL\n3\nL\n2  0.1\nL\nnan\nL\n",
       ":8:1: not a control file: \"nan\" is not the flow-zone arrival time (a number)"},
      {"T\n1e39\nL\n3\nL\n2  0.1\nL\n0\nL\n",
       ":2:1: not a control file: \"1e39\" is not the injected mass (a number)"},
      {std::string("T") + '\0' + "\n200\nL\n3\nL\n2  0.1\nL\n0\nL\n",
       ":1:2: a zero byte: not a text file"},
  };
  o.control->mass.reset();
  o.control->release.reset();
  for (const auto& c : cases) {
    dir.write("RUN.D", c.text);
    const std::string r = run(log);
    EXPECT_EQ(r.rfind(o.control->path + c.error, 0), 0u) << r;
    EXPECT_EQ(dir.read("RUN.D"), c.text);
    EXPECT_FALSE(std::filesystem::exists(o.stationPath));
  }
  // Written by hand: values as the program reads them (commas, exponents
  // with D, text after the values, CR LF line ends) are a control file.
  const std::string hand = "TEST 3\r\n2.0D2, grams\r\nMASS\r\n3\r\nRELEASE\r\n2,0.1\r\n"
                           "ARRIVAL\r\n0.\r\nSTATIONS\r\nA.DAT\r\n";
  dir.write("RUN.D", hand);
  ASSERT_EQ(run(log), "4  2\n5  3\n");
  EXPECT_EQ(dir.read("RUN.D"), hand + "ST.DAT\n");
}

}  // namespace
}  // namespace kaldero::importer
