#include "input/output_names.h"

#include <gtest/gtest.h>

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

TEST(OutputNames, OnlyTheFilesTheOptionsWrite) {
  TestDescription t = namesOf();
  const std::string station = text::padded("ST.DAT");
  EXPECT_EQ(plannedOutputs(t, station), std::vector<std::string>{"ST.OUT"});
  t.loadOption = Option::On;  // without the normalized file the load file is not written
  EXPECT_EQ(plannedOutputs(t, station).size(), 1u);
  t.knotOption = t.cxtfitOption = t.normalizedOption = t.standardizedOption = Option::On;
  t.chatwinPlot.tableFile = Option::On;
  EXPECT_EQ(plannedOutputs(t, station),
            (std::vector<std::string>{"ST.OUT", "ST.INT", "ST.CXT", "ST.NRM", "ST.LOD", "ST.STN",
                                      "ST_CHT.OUT"}));
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

TEST(OutputNames, AClashIsReported) {
  testing::CapturedConsole cc;
  TestDescription t = namesOf();
  t.normalizedOption = Option::On;
  t.normalizedName = t.listingName;
  const FileSet none;
  EXPECT_FALSE(outputNamesAreSound(cc.console(), t, text::padded("ST.DAT"), none, none));
  EXPECT_NE(cc.output().find("FILENAME ST.OUT"), std::string::npos);
  testing::CapturedConsole ok;
  FileSet inputs;
  inputs.add("KALDERO.D");
  EXPECT_TRUE(outputNamesAreSound(ok.console(), namesOf(), text::padded("ST.DAT"), inputs, none));
  EXPECT_EQ(ok.output(), "");
}

// A later station may not replace what an earlier station of the run wrote.
TEST(OutputNames, AFileOfAnEarlierStationIsRefused) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  dir.write("A.OUT", "the listing of station A");
  FileSet earlier;
  earlier.add("A.OUT");
  TestDescription t = namesOf();
  t.normalizedOption = Option::On;
  t.normalizedName = text::padded("./A.OUT");
  testing::CapturedConsole cc;
  EXPECT_FALSE(outputNamesAreSound(cc.console(), t, text::padded("B.DAT"), FileSet{}, earlier));
  EXPECT_NE(cc.output().find("HAS ALREADY BEEN USED AND CANNOT BE USED AGAIN"), std::string::npos);
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
