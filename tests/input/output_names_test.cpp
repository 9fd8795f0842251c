#include "input/output_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/file_identity.h"
#include "core/output_gate.h"
#include "core/text.h"
#include "tests/support/capture.h"
#include "tests/support/temp_file.h"

namespace kaldero {
namespace {

TestDescription namesOf() {
  TestDescription t;
  t.listingName = text::padded("ST.OUT");
  t.interpolatedName = text::padded("ST.INT");
  t.cxtfitName = text::padded("ST.CXT");
  t.normalizedName = text::padded("ST.NRM");
  t.loadName = text::padded("ST.LOD");
  t.standardizedName = text::padded("ST.STN");
  return t;
}

std::vector<std::string> namesOf(const std::vector<OutputRecord>& files) {
  std::vector<std::string> out;
  for (const OutputRecord& f : files) out.push_back(f.name);
  return out;
}

TEST(OutputNames, OnlyTheFilesTheOptionsWrite) {
  TestDescription t = namesOf();
  const std::string station = text::padded("ST.DAT");
  EXPECT_EQ(plannedOutputs(t, station),
            (std::vector<OutputRecord>{{"ST.OUT", "results listing", ""}}));
  EXPECT_EQ(listingRecord(t), (OutputRecord{"ST.OUT", "results listing", ""}));
  t.loadOption = Option::On;  // without the normalized file the load file is not written
  EXPECT_EQ(plannedOutputs(t, station).size(), 1u);
  t.knotOption = t.cxtfitOption = t.normalizedOption = t.standardizedOption = Option::On;
  t.chatwinPlot.tableFile = Option::On;
  const std::vector<OutputRecord> planned = plannedOutputs(t, station);
  EXPECT_EQ(namesOf(planned), (std::vector<std::string>{"ST.OUT", "ST.INT", "ST.CXT", "ST.NRM",
                                                        "ST.LOD", "ST.STN", "ST_CHT.OUT"}));
  // Each with its kind, as the console reports name it; no format.
  std::vector<std::string> kinds;
  for (const OutputRecord& f : planned) {
    kinds.push_back(f.kind);
    EXPECT_EQ(f.format, "");
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"results listing", "interpolated-data file",
                                             "CXTFIT input file", "normalized curve file",
                                             "load curve file", "standardized curve file",
                                             "Chatwin table file"}));
}

TEST(OutputNames, SameFileByNameByPathAndByLink) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  dir.write("A.DAT", "x");
  std::filesystem::create_hard_link("A.DAT", "B.DAT");
  EXPECT_TRUE(sameFile("A.DAT", "A.DAT"));
  EXPECT_TRUE(sameFile("./A.DAT", "A.DAT"));
  EXPECT_TRUE(sameFile("B.DAT", "A.DAT"));
  EXPECT_TRUE(sameFile("sub/../NEW.OUT", "NEW.OUT"));  // neither exists yet
  EXPECT_FALSE(sameFile("A.OUT", "A.DAT"));
  EXPECT_FALSE(sameFile("", ""));
}

TEST(OutputNames, AClashWithTheListingStopsTheStationBeforeAnyFile) {
  // A normalized curve file named like the results listing: the station
  // stops with the name-reuse report (the reason is returned) before
  // anything is written, so neither file replaces the other.
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  testing::CapturedConsole cc;
  OutputGate gate(cc.console());
  gate.addInput("KALDERO.D", "control file");
  TestDescription t = namesOf();
  t.normalizedOption = Option::On;
  t.normalizedName = t.listingName;
  const std::vector<OutputRecord> planned = plannedOutputs(t, text::padded("ST.DAT"));
  EXPECT_EQ(gate.planStation(planned),
            "THAT NAME IS ALSO THE NORMALIZED CURVE FILE ST.OUT OF THIS STATION");
  EXPECT_FALSE(std::filesystem::exists(dir.dir() / "ST.OUT"));
  EXPECT_EQ(cc.output(), "");
  // Names that clash with nothing plan without a word.
  testing::CapturedConsole ok;
  OutputGate fine(ok.console());
  fine.addInput("KALDERO.D", "control file");
  EXPECT_FALSE(fine.planStation(plannedOutputs(namesOf(), text::padded("ST.DAT"))).has_value());
  EXPECT_EQ(ok.output(), "");
}

// A later station may not replace what an earlier station of the run wrote.
TEST(OutputNames, AFileOfAnEarlierStationIsRefused) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  testing::CapturedConsole cc;
  OutputGate gate(cc.console());
  TestDescription a = namesOf();
  a.listingName = text::padded("A.OUT");
  ASSERT_FALSE(gate.planStation(plannedOutputs(a, text::padded("A.DAT"))).has_value());
  ASSERT_TRUE(gate.writeLines(listingRecord(a), {"the listing of station A"}));
  gate.endStation();
  TestDescription t = namesOf();
  t.normalizedOption = Option::On;
  t.normalizedName = text::padded("./A.OUT");
  const std::vector<OutputRecord> planned = plannedOutputs(t, text::padded("B.DAT"));
  EXPECT_FALSE(gate.planStation(planned).has_value());
  EXPECT_EQ(gate.refusal(planned[1]), "IT WOULD REPLACE THE RESULTS LISTING A.OUT OF THE RUN");
  EXPECT_FALSE(gate.writeLines(planned[1], {"a curve"}));
  EXPECT_EQ(dir.read("A.OUT"), "the listing of station A\n");
  // A listing of that name stops the station before anything is written.
  t.listingName = text::padded("A.OUT");
  EXPECT_EQ(gate.planStation(plannedOutputs(t, text::padded("B.DAT"))),
            "IT WOULD REPLACE THE RESULTS LISTING A.OUT OF THE RUN");
}

TEST(OutputNames, FileSetFindsMembersByIdentityAndByPath) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  dir.write("A.DAT", "x");
  std::filesystem::create_hard_link("A.DAT", "LINK.DAT");
  std::filesystem::create_directory("sub");
  FileSet set;
  set.add("A.DAT");
  set.add("sub/NEW.OUT");  // not written yet: known by its path
  EXPECT_TRUE(set.contains("A.DAT"));
  EXPECT_TRUE(set.contains("./sub/../A.DAT"));
  EXPECT_TRUE(set.contains("LINK.DAT"));
  EXPECT_TRUE(set.contains((std::filesystem::current_path() / "sub/NEW.OUT").string()));
  EXPECT_TRUE(set.contains("sub/./NEW.OUT"));
  EXPECT_FALSE(set.contains("B.DAT"));
  EXPECT_FALSE(set.contains(""));
}

// The Chatwin table goes beside the station data file, named after the
// file name without its folder.
TEST(OutputNames, ChatwinTableBesideTheStationFile) {
  EXPECT_EQ(text::trimmed(chatwinTableFileName(text::padded("GOOD.DAT"))), "GOOD_CHT.OUT");
  EXPECT_EQ(text::trimmed(chatwinTableFileName(text::padded("../OTHER/GOOD.DAT"))),
            "../OTHER/GOOD_CHT.OUT");
  EXPECT_EQ(text::trimmed(chatwinTableFileName(text::padded("./sub.d/ST.A.B"))),
            "./sub.d/ST_CHT.OUT");
  EXPECT_EQ(text::trimmed(chatwinTableFileName(text::padded("sub/STATION"))),
            "sub/STATION_CHT.OUT");
}

}  // namespace
}  // namespace kaldero
