#include "input/output_names.h"

#include <gtest/gtest.h>

#include "app/text.h"
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
  t.loadOption = 1;  // without the normalized file the load file is not written
  EXPECT_EQ(plannedOutputs(t, station).size(), 1u);
  t.knotOption = t.cxtfitOption = t.normalizedOption = t.standardizedOption = 1;
  t.chatwinPlot = {0, 1, 0, 0};
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
  t.normalizedOption = 1;
  t.normalizedName = t.listingName;
  EXPECT_FALSE(outputNamesAreSound(cc.console(), t, text::padded("ST.DAT"), {}));
  EXPECT_NE(cc.output().find("FILENAME ST.OUT"), std::string::npos);
  testing::CapturedConsole ok;
  EXPECT_TRUE(outputNamesAreSound(ok.console(), namesOf(), text::padded("ST.DAT"), {"KALDERO.D"}));
  EXPECT_EQ(ok.output(), "");
}

}  // namespace
}  // namespace kaldero
