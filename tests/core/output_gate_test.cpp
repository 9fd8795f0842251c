// The output gate: the name rule for every output file of a run (never an
// input, never a file written earlier in the run, never another output of
// the same station), its uniform outcome (not written, reported, counted),
// and the record of the files written.
#include "core/output_gate.h"

#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/listing_channel.h"
#include "core/scratch_files.h"
#include "tests/support/capture.h"
#include "tests/support/temp_file.h"

namespace kaldero {
namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

const OutputRecord kListing{"ST.OUT", "results listing", ""};

OutputRecord curveFile(const std::string& name, const char* kind = "normalized curve file") {
  return {name, kind, ""};
}
OutputRecord plot(const std::string& name, const char* kind = "data plot",
                  const char* format = "ps") {
  return {name, kind, format};
}

std::vector<std::string> namesOf(const std::vector<OutputRecord>& files) {
  std::vector<std::string> out;
  for (const OutputRecord& f : files) out.push_back(f.name);
  return out;
}

class Gate : public ::testing::Test {
 protected:
  // A scratch file of the gate holding text, as a graphics library leaves it.
  std::string figure(const std::string& text) {
    const std::optional<std::string> s = gate_.scratchFile("ps");
    EXPECT_TRUE(s.has_value());
    std::ofstream(*s) << text;
    return *s;
  }
  // The files in the working directory.
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_.dir()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string output() { return cc_.output(); }

  testing::ScratchDir dir_;
  testing::InDirectory here_{dir_.dir()};
  testing::CapturedConsole cc_;
  OutputGate gate_{cc_.console()};
};

TEST_F(Gate, InputsOfTheRunAreNeverReplaced) {
  dir_.write("KALDERO.D", "control");
  dir_.write("ST.DAT", "station");
  gate_.addInput("KALDERO.D", "control file");
  gate_.addInput("ST.DAT", "station data file");
  gate_.addInput("LATER.DAT", "station data file");  // not there yet
  // A listing that would replace an input stops the station: the gate says
  // why and leaves the report to the caller.
  EXPECT_EQ(gate_.planStation({{"KALDERO.D", "results listing", ""}}),
            "IT WOULD REPLACE THE CONTROL FILE");
  EXPECT_EQ(output(), "");
  // Any other output is refused when it is written, reported and counted.
  EXPECT_FALSE(gate_.planStation({kListing, curveFile("ST.DAT")}).has_value());
  EXPECT_FALSE(gate_.writeLines(curveFile("ST.DAT"), {"1 2"}));
  EXPECT_EQ(output(),
            " THE NORMALIZED CURVE FILE ST.DAT IS NOT WRITTEN: IT WOULD REPLACE A STATION DATA "
            "FILE OF THE RUN\n");
  EXPECT_EQ(dir_.read("ST.DAT"), "station");
  EXPECT_EQ(gate_.refusal(plot("sub/../LATER.DAT")),
            "IT WOULD REPLACE A STATION DATA FILE OF THE RUN");
  EXPECT_EQ(gate_.notWritten(), 1);
}

TEST_F(Gate, AFileOfAnEarlierStationIsRefused) {
  ASSERT_FALSE(gate_.planStation({{"A.OUT", "results listing", ""}, curveFile("A.NRM"),
                                  curveFile("A.LOD", "load curve file")}));
  ASSERT_TRUE(gate_.writeLines({"A.OUT", "results listing", ""}, {"listing of A"}));
  ASSERT_TRUE(gate_.writeLines(curveFile("A.NRM"), {"curve of A"}));
  gate_.endStation();  // A.LOD was planned, never written

  // A listing of that name stops the next station.
  EXPECT_EQ(gate_.planStation({{"A.NRM", "results listing", ""}}),
            "IT WOULD REPLACE THE NORMALIZED CURVE FILE A.NRM OF THE RUN");
  // Another output is not written; the file stays as the earlier station
  // left it, even under the earlier station's own kind.
  EXPECT_FALSE(gate_.planStation({kListing, plot("A.OUT"), curveFile("A.NRM")}).has_value());
  const std::optional<std::string> why = gate_.refusal(plot("A.OUT"));
  EXPECT_EQ(why, "IT WOULD REPLACE THE RESULTS LISTING A.OUT OF THE RUN");
  EXPECT_FALSE(gate_.keep(figure("a plot"), plot("A.OUT"), true));
  EXPECT_FALSE(gate_.writeLines(curveFile("A.NRM"), {"curve of B"}));
  EXPECT_EQ(dir_.read("A.OUT"), "listing of A\n");
  EXPECT_EQ(dir_.read("A.NRM"), "curve of A\n");
  EXPECT_EQ(gate_.notWritten(), 2);
  // The name A.LOD, planned by the earlier station but never written, is
  // free again.
  EXPECT_TRUE(gate_.writeLines(curveFile("A.LOD", "load curve file"), {"load of B"}));
}

TEST_F(Gate, AmongAStationsOutputsTheFirstClaimKeepsTheName) {
  // The plan in the order of the header: the listing, then a normalized
  // curve file and a load curve file of one name, and two plots of one.
  EXPECT_FALSE(gate_
                   .planStation({kListing, curveFile("X.NRM"), curveFile("X.NRM", "load curve file"),
                                 plot("P.PS"), plot("P.PS", "Chatwin plot")})
                   .has_value());
  // The later claim is refused even when it is written first.
  EXPECT_FALSE(gate_.writeLines(curveFile("X.NRM", "load curve file"), {"load"}));
  EXPECT_THAT(output(), HasSubstr(" THE LOAD CURVE FILE X.NRM IS NOT WRITTEN: THAT NAME IS ALSO "
                                  "THE NORMALIZED CURVE FILE X.NRM OF THIS STATION\n"));
  EXPECT_FALSE(fs::exists("X.NRM"));
  EXPECT_TRUE(gate_.writeLines(curveFile("X.NRM"), {"normalized"}));
  EXPECT_FALSE(gate_.writeLines(curveFile("X.NRM", "load curve file"), {"load"}));
  EXPECT_THAT(output(), HasSubstr("IT WOULD REPLACE THE NORMALIZED CURVE FILE X.NRM OF THIS "
                                  "STATION\n"));
  EXPECT_EQ(dir_.read("X.NRM"), "normalized\n");
  // A plot of another kind under the data plot's name.
  EXPECT_TRUE(gate_.keep(figure("data"), plot("P.PS"), true));
  EXPECT_FALSE(gate_.keep(figure("chatwin"), plot("P.PS", "Chatwin plot"), true));
  EXPECT_EQ(dir_.read("P.PS"), "data");
  EXPECT_EQ(gate_.notWritten(), 3);
  // The same name in another format is another claim too.
  EXPECT_FALSE(gate_.planStation({kListing, plot("F.X"), plot("F.X", "data plot", "svg")}));
  EXPECT_TRUE(gate_.refusal(plot("F.X", "data plot", "svg")).has_value());
  EXPECT_FALSE(gate_.refusal(plot("F.X")).has_value());
}

TEST_F(Gate, TheSameClaimMayWriteItsFileAgain) {
  ASSERT_FALSE(gate_.planStation({kListing, plot("ST_DAT.PS")}));
  // The listing, opened, closed and opened again for appending.
  ListingChannel listing;
  ASSERT_TRUE(listing.open(gate_, kListing));
  listing.line("head");
  ASSERT_TRUE(listing.close());
  ASSERT_TRUE(listing.openAppend(gate_, kListing));
  listing.line("tail");
  ASSERT_TRUE(listing.close());
  EXPECT_EQ(dir_.read("ST.OUT"), "head\ntail\n");
  // A plot drawn twice (group means, with and without error bars).
  EXPECT_TRUE(gate_.keep(figure("first pass"), plot("ST_DAT.PS"), true));
  EXPECT_TRUE(gate_.keep(figure("second pass"), plot("ST_DAT.PS"), true));
  EXPECT_EQ(dir_.read("ST_DAT.PS"), "second pass");
  EXPECT_EQ(gate_.notWritten(), 0);
  EXPECT_EQ(output(), "");
  // After the station the listing still takes the run totals appended...
  gate_.endStation();
  ASSERT_TRUE(listing.openAppend(gate_, kListing));
  listing.line("totals");
  ASSERT_TRUE(listing.close());
  EXPECT_EQ(dir_.read("ST.OUT"), "head\ntail\ntotals\n");
  // ... but the next station's plot of that name replaces nothing.
  ASSERT_FALSE(gate_.planStation({{"ST2.OUT", "results listing", ""}, plot("ST_DAT.PS")}));
  EXPECT_FALSE(gate_.keep(figure("next station"), plot("ST_DAT.PS"), true));
  EXPECT_EQ(dir_.read("ST_DAT.PS"), "second pass");
}

TEST_F(Gate, RefusalsAndFailuresAreCountedAsFilesNotWritten) {
  dir_.write("KALDERO.D", "control");
  gate_.addInput("KALDERO.D", "control file");
  ASSERT_FALSE(gate_.planStation({kListing}));
  // Asking is not refusing.
  EXPECT_TRUE(gate_.refusal(curveFile("KALDERO.D")).has_value());
  EXPECT_EQ(gate_.notWritten(), 0);
  EXPECT_FALSE(gate_.writeLines(curveFile("KALDERO.D"), {"x"}));
  EXPECT_EQ(gate_.notWritten(), 1);
  // A file that cannot be created.
  EXPECT_FALSE(gate_.writeText({"NO/SUCH/DIR/ST.CXT", "CXTFIT input file", ""}, "x"));
  EXPECT_THAT(output(), HasSubstr(" THE CXTFIT INPUT FILE NO/SUCH/DIR/ST.CXT CANNOT BE CREATED: "));
  EXPECT_EQ(gate_.notWritten(), 2);
  // One opened quietly reports itself (the results listing): not counted.
  CheckedFile f;
  EXPECT_FALSE(gate_.open(f, {"NO/SUCH/DIR/ST.OUT", "results listing", ""},
                          CheckedFile::Mode::Replace, true));
  EXPECT_EQ(gate_.notWritten(), 2);
  // A figure that was not drawn completely, and one that could not be drawn.
  EXPECT_FALSE(gate_.keep(figure("cut short"), plot("ST_DAT.PS"), false));
  EXPECT_EQ(gate_.notWritten(), 3);
  gate_.discard(figure("nothing"), " THE CHATWIN PLOT COULD NOT BE DRAWN");
  EXPECT_EQ(gate_.notWritten(), 4);
  EXPECT_THAT(output(), HasSubstr(" THE CHATWIN PLOT COULD NOT BE DRAWN\n"));
  // The station wrote nothing.
  EXPECT_TRUE(gate_.takeStationFiles().empty());
}

TEST_F(Gate, AScratchFileIsKeptOnlyWhenCompleteAndAllowed) {
  dir_.write("KALDERO.D", "control");
  gate_.addInput("KALDERO.D", "control file");
  ASSERT_FALSE(gate_.planStation({kListing, plot("ST_DAT.PS"), plot("ST_CHT.PS", "Chatwin plot")}));
  const std::string s = figure("%!PS complete");
  EXPECT_EQ(s.rfind("." + scratchTag(), 0), 0u) << s;
  EXPECT_EQ(fs::path(s).extension(), ".ps");
  EXPECT_TRUE(gate_.keep(s, plot("ST_DAT.PS"), true));
  EXPECT_EQ(dir_.read("ST_DAT.PS"), "%!PS complete");
  // Kept with the permissions of any output file, not those of a scratch
  // file.
  ASSERT_TRUE(gate_.writeLines(kListing, {"listing"}));
  struct stat kept {}, written {};
  ASSERT_EQ(::stat("ST_DAT.PS", &kept), 0);
  ASSERT_EQ(::stat("ST.OUT", &written), 0);
  EXPECT_EQ(kept.st_mode & 0777, written.st_mode & 0777);
  // An incomplete figure is removed, and its name left alone.
  EXPECT_FALSE(gate_.keep(figure("%!PS cut"), plot("ST_CHT.PS", "Chatwin plot"), false));
  EXPECT_THAT(output(), HasSubstr(" THE CHATWIN PLOT ST_CHT.PS COULD NOT BE WRITTEN COMPLETELY: "
                                  "THE FIGURE IS NOT KEPT\n"));
  EXPECT_FALSE(fs::exists("ST_CHT.PS"));
  // So is a refused one.
  EXPECT_FALSE(gate_.keep(figure("%!PS"), plot("KALDERO.D", "Chatwin plot"), true));
  EXPECT_EQ(dir_.read("KALDERO.D"), "control");
  // No scratch file is left behind.
  EXPECT_EQ(files(), (std::vector<std::string>{"KALDERO.D", "ST.OUT", "ST_DAT.PS"}));
  EXPECT_EQ(namesOf(gate_.takeStationFiles()), (std::vector<std::string>{"ST_DAT.PS", "ST.OUT"}));
}

TEST_F(Gate, TheFilesOfAStationAreListedOnceInTheOrderWritten) {
  // Written before any station: a file of the run.
  ASSERT_TRUE(gate_.writeLines({"RUN.CSV", "results table", ""}, {"a,b"}));
  ASSERT_FALSE(gate_.planStation({kListing, curveFile("ST.NRM"), plot("ST_DAT.PS")}));
  ListingChannel listing;
  ASSERT_TRUE(listing.open(gate_, kListing));
  ASSERT_TRUE(gate_.keep(figure("1"), plot("ST_DAT.PS"), true));
  ASSERT_TRUE(listing.close());
  ASSERT_TRUE(gate_.writeLines(curveFile("ST.NRM"), {"1 2"}));
  ASSERT_TRUE(gate_.keep(figure("2"), plot("ST_DAT.PS"), true));
  ASSERT_TRUE(listing.openAppend(gate_, kListing));
  ASSERT_TRUE(listing.close());
  const std::vector<OutputRecord> station = gate_.takeStationFiles();
  EXPECT_EQ(namesOf(station), (std::vector<std::string>{"ST.OUT", "ST_DAT.PS", "ST.NRM"}));
  EXPECT_EQ(station[1], plot("ST_DAT.PS"));  // with its kind and format
  EXPECT_TRUE(gate_.takeStationFiles().empty());  // cleared by the call
  EXPECT_EQ(namesOf(gate_.runFiles()), std::vector<std::string>{"RUN.CSV"});
  // A file found incomplete afterwards (a listing on a full disk) is not
  // one the run wrote.
  ASSERT_TRUE(gate_.writeLines(curveFile("ST.NRM"), {"again"}));
  gate_.incomplete("./ST.NRM");
  EXPECT_TRUE(gate_.takeStationFiles().empty());
  gate_.endStation();
  // After the station, files go to the run's list.
  ASSERT_TRUE(gate_.writeLines({"RUN.JSON", "results document", ""}, {"{}"}));
  EXPECT_EQ(namesOf(gate_.runFiles()), (std::vector<std::string>{"RUN.CSV", "RUN.JSON"}));
}

TEST_F(Gate, RunsInTwoFoldersListTheirFilesOfTheSameNameEach) {
  // Each control file's run works in its own folder: the same relative
  // name there is another file, written and listed again.
  fs::create_directories(dir_.dir() / "A");
  fs::create_directories(dir_.dir() / "B");
  const OutputRecord figureA{"K_ALL.PS", "campaign concentration plot", "ps"};
  {
    testing::InDirectory a(dir_.dir() / "A");
    ASSERT_TRUE(gate_.keep(figure("A"), figureA, true));
  }
  {
    testing::InDirectory b(dir_.dir() / "B");
    ASSERT_TRUE(gate_.keep(figure("B"), figureA, true));
    // Written twice in the same folder, it is listed once.
    ASSERT_TRUE(gate_.keep(figure("B again"), figureA, true));
  }
  EXPECT_EQ(namesOf(gate_.runFiles()), (std::vector<std::string>{"K_ALL.PS", "K_ALL.PS"}));
  EXPECT_TRUE(fs::exists(dir_.dir() / "A" / "K_ALL.PS"));
  EXPECT_TRUE(fs::exists(dir_.dir() / "B" / "K_ALL.PS"));
  EXPECT_EQ(gate_.notWritten(), 0);
}

TEST_F(Gate, ARunsFileNeverReplacesOneOfAnEarlierRunOfTheSameKind) {
  const OutputRecord campaign{"K_ALL.PS", "campaign concentration plot", "ps"};
  gate_.startRun();
  ASSERT_TRUE(gate_.keep(figure("first run"), campaign, true));
  // Drawn again in the same run, it is the same output.
  EXPECT_FALSE(gate_.refusal(campaign).has_value());
  gate_.startRun();
  EXPECT_THAT(gate_.refusal(campaign).value_or(""), HasSubstr("OF THE RUN"));
  EXPECT_FALSE(gate_.keep(figure("second run"), campaign, true));
  EXPECT_EQ(dir_.read("K_ALL.PS"), "first run");
  EXPECT_EQ(gate_.notWritten(), 1);
}

TEST_F(Gate, EndingAStationFreesItsUnwrittenNamesAmongManyStations) {
  // Many stations' written claims, then one that plans a name it never
  // writes: the name is free again for the next station, the written
  // ones stay refused.
  for (int i = 0; i < 50; ++i) {
    const std::string n = "S" + std::to_string(i);
    ASSERT_FALSE(gate_.planStation({{n + ".OUT", "results listing", ""}}));
    ASSERT_TRUE(gate_.writeLines({n + ".OUT", "results listing", ""}, {"x"}));
    gate_.endStation();
  }
  ASSERT_FALSE(gate_.planStation({{"P.OUT", "results listing", ""}, curveFile("P.NRM")}));
  gate_.endStation();
  ASSERT_FALSE(gate_.planStation({{"Q.OUT", "results listing", ""}, curveFile("P.NRM")}));
  EXPECT_TRUE(gate_.writeLines(curveFile("P.NRM"), {"y"}));
  gate_.endStation();
  EXPECT_TRUE(gate_.planStation({{"S7.OUT", "results listing", ""}}).has_value());
}

TEST_F(Gate, OtherSpellingsOfAFileAreTheSameFile) {
  dir_.write("ST.DAT", "station");
  fs::create_directory("sub");
  fs::create_symlink("ST.DAT", "LINK.DAT");
  gate_.addInput("ST.DAT", "station data file");
  // An input by a symbolic link, by "./", through a folder.
  for (const char* name : {"LINK.DAT", "./ST.DAT", "sub/../ST.DAT"})
    EXPECT_TRUE(gate_.refusal(curveFile(name)).has_value()) << name;
  EXPECT_EQ(gate_.planStation({{"LINK.DAT", "results listing", ""}}),
            "IT WOULD REPLACE A STATION DATA FILE OF THE RUN");
  // A planned output that does not exist yet, by "./".
  ASSERT_FALSE(gate_.planStation({kListing, curveFile("./ST.OUT")}));
  EXPECT_EQ(gate_.refusal(curveFile("./ST.OUT")),
            "THAT NAME IS ALSO THE RESULTS LISTING ST.OUT OF THIS STATION");
  ASSERT_TRUE(gate_.writeLines(kListing, {"listing"}));
  gate_.endStation();
  // A written output by a symbolic link made afterwards, and by a hard
  // link.
  fs::create_symlink("../ST.OUT", "sub/LINK.OUT");
  fs::create_hard_link("ST.OUT", "HARD.OUT");
  ASSERT_FALSE(gate_.planStation({{"ST2.OUT", "results listing", ""}}));
  for (const char* name : {"sub/LINK.OUT", "HARD.OUT", "./ST.OUT"}) {
    EXPECT_EQ(gate_.refusal(curveFile(name)),
              "IT WOULD REPLACE THE RESULTS LISTING ST.OUT OF THE RUN")
        << name;
    EXPECT_FALSE(gate_.writeLines(curveFile(name), {"replaced"})) << name;
  }
  EXPECT_EQ(dir_.read("ST.OUT"), "listing\n");
  EXPECT_EQ(dir_.read("ST.DAT"), "station");
}

TEST_F(Gate, ARequiredFileThatCannotBeCreatedIsLeftToTheCaller) {
  const OutputRecord knots{"ST.INT", "interpolated-data file", ""};
  dir_.write("KALDERO.D", "control");
  gate_.addInput("KALDERO.D", "control file");
  ASSERT_FALSE(gate_.planStation({kListing, knots}));
  EXPECT_TRUE(gate_.writeRequired(knots, {"1 2", "3 4"}));
  EXPECT_EQ(dir_.read("ST.INT"), "1 2\n3 4\n");
  // Not created: no report, not counted; the caller stops the run.
  EXPECT_FALSE(gate_.writeRequired({"NO/SUCH/DIR/ST.INT", "interpolated-data file", ""}, {"x"}));
  EXPECT_EQ(output(), "");
  EXPECT_EQ(gate_.notWritten(), 0);
  // Refused by the name rule: reported and counted as any file, and the
  // run goes on without it.
  EXPECT_TRUE(gate_.writeRequired({"KALDERO.D", "interpolated-data file", ""}, {"x"}));
  EXPECT_THAT(output(), HasSubstr(" THE INTERPOLATED-DATA FILE KALDERO.D IS NOT WRITTEN: "));
  EXPECT_EQ(gate_.notWritten(), 1);
  EXPECT_EQ(dir_.read("KALDERO.D"), "control");
  EXPECT_EQ(namesOf(gate_.takeStationFiles()), (std::vector<std::string>{"ST.INT"}));
}

TEST_F(Gate, LinesAfterAStationsReportsGoToItsListingOpenOrClosed) {
  ASSERT_FALSE(gate_.planStation({kListing}));
  ListingChannel listing;
  ASSERT_TRUE(listing.open(gate_, kListing));
  listing.line("head");
  listing.append(gate_, kListing, {"while open"});
  EXPECT_TRUE(listing.isOpen());
  listing.close();
  // Closed after its print question: appended, then closed again.
  listing.append(gate_, kListing, {"after", "closing"});
  EXPECT_FALSE(listing.isOpen());
  EXPECT_EQ(dir_.read("ST.OUT"), "head\nwhile open\nafter\nclosing\n");
  EXPECT_EQ(listing.takeTranscript(), "head\nwhile open\nafter\nclosing\n");
}

}  // namespace
}  // namespace kaldero
