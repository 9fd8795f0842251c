#include "plot/plot_conventions.h"

#include <gtest/gtest.h>

#include "core/text.h"
#include "tests/support/capture.h"

namespace kaldero::plot {
namespace {

TEST(PostScriptFileName, ExtensionReplacedBySuffix) {
  EXPECT_EQ(postScriptFileName("STATION1.DAT", 85, kSuffixData), "STATION1_DAT.PS");
  EXPECT_EQ(postScriptFileName(text::padded("STATION1.DAT"), 85, kSuffixData),
            "STATION1_DAT.PS");
  EXPECT_EQ(postScriptFileName("MY DATA.TXT", 85, kSuffixInterpolated), "MY_DATA_INT.PS");
  // Only the first period counts.
  EXPECT_EQ(postScriptFileName("A.B.C", 80, kSuffixNormalized), "A_NRM.PS");
}

TEST(PostScriptFileName, EverySuffixCode) {
  const char* expected[] = {"X_DAT.PS", "X_INT.PS", "X_CHT.PS",
                            "X_NRM.PS", "X_LOD.PS", "X_STN.PS"};
  for (int32_t code = 0; code < 6; ++code)
    EXPECT_EQ(postScriptFileName("X.OUT", 85, code), expected[code]);
}

TEST(PostScriptFileName, NameWithoutPeriodEndsAtFiveBlanks) {
  EXPECT_EQ(postScriptFileName("STATION1", 85, kSuffixData), "STATION1_DAT.PS");
  EXPECT_EQ(postScriptFileName("MY DATA", 80, kSuffixLoad), "MY_DATA_LOD.PS");
  // Four blanks are part of the name, five end it.
  EXPECT_EQ(postScriptFileName("A    B", 80, kSuffixLoad), "A____B_LOD.PS");
  EXPECT_EQ(postScriptFileName("A     B", 80, kSuffixLoad), "A_LOD.PS");
  // A name filling the whole buffer keeps its suffix.
  const std::string full(50, 'N');
  EXPECT_EQ(postScriptFileName(full, 50, kSuffixData), full + "_DAT.PS");
}

// A reach's figure beside its downstream station, named after both
// stations; only the downstream folder is kept, each name cut by the rule.
TEST(ReachFileName, DownstreamThenUpstreamStemInEveryFormat) {
  EXPECT_EQ(reachFileName("GDS.DAT", "TQF.DAT", PlotFormat::PostScript), "GDS_TQF_RCH.PS");
  EXPECT_EQ(reachFileName("GDS.DAT", "TQF.DAT", PlotFormat::Png), "GDS_TQF_RCH.png");
  EXPECT_EQ(reachFileName("run.2/B ST.DAT", "up/A.B.DAT", PlotFormat::Svg), "run.2/B_ST_A_RCH.svg");
  EXPECT_EQ(reachFileName("B", "A", PlotFormat::Pdf), "B_A_RCH.pdf");
  // Two reaches into one station from two upstream ones stay apart.
  EXPECT_NE(reachFileName("C.DAT", "A.DAT", PlotFormat::PostScript),
            reachFileName("C.DAT", "B.DAT", PlotFormat::PostScript));
}

TEST(PostScriptFileName, FolderPartKept) {
  EXPECT_EQ(postScriptFileName("./STATION1.DAT", 85, kSuffixData), "./STATION1_DAT.PS");
  EXPECT_EQ(postScriptFileName("run.2/MY DATA.TXT", 85, kSuffixChatwin),
            "run.2/MY_DATA_CHT.PS");
}

TEST(PlotPrompt, SevenEmptyLinesTextAndFortyCharactersOfTheName) {
  testing::CapturedConsole cc("\n");
  plotPrompt(cc.console(), kPlotPrompt, text::padded("STATION1.DAT"));
  EXPECT_EQ(cc.output(), std::string(7, '\n') +
                             "          PRESS RETURN FOR A GRAPHICAL PLOT OF STATION1.DAT" +
                             std::string(28, ' ') + "\n");
}

TEST(CloseGraphicsWindow, ClosesEveryScreenWindow) {
  testing::CapturedConsole cc;
  PlotState st;
  st.devices.setScreenDevice("/null");
  ASSERT_TRUE(st.devices.selectScreen(dataWindow(0)));
  ASSERT_TRUE(st.devices.selectScreen(chatwinWindow(1)));
  ASSERT_TRUE(st.devices.selectScreen(dataWindow(0)));  // reused, not a third window
  closeGraphicsWindow(cc.console(), st);
  EXPECT_FALSE(st.devices.screenOpen(dataWindow(0)));
  EXPECT_FALSE(st.devices.screenOpen(chatwinWindow(1)));
  // A later plot opens its window again.
  EXPECT_TRUE(st.devices.selectScreen(dataWindow(0)));
  EXPECT_EQ(cc.output(), "");
}

}  // namespace
}  // namespace kaldero::plot
