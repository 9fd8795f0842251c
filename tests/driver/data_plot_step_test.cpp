// The data-plot step in the station loop: a whole run of the program on a
// station whose group means are plotted, in a scratch working directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "driver/run_driver.h"
#include "tests/support/run_program.h"
#include "tests/support/capture.h"
#include "tests/support/postscript.h"
#include "tests/support/station_text.h"
#include "tests/support/temp_file.h"

namespace kaldero::testing {
namespace {

std::size_t count(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t i = s.find(what); i != std::string::npos; i = s.find(what, i + 1)) ++n;
  return n;
}

std::string dataLines(int n) {
  std::string out;
  for (int i = 1; i <= n; ++i) {
    const double t = i / 60.0;
    const double c = 50.0 * t * t * std::exp(-t);
    out += std::to_string(t) + " " + std::to_string(c) + " " + std::to_string(2.0 - t / 20) + "\n";
  }
  return out;
}

TEST(DataPlotStep, GroupMeansArePlottedTwiceAndTheFileEndsUnderItsName) {
  ScratchDir dir;
  WorkingDir wd(dir.dir());
  dir.write("KALDERO.D", "T\n100\nL\n3\nL\n1 0\nL\n0\nL\nST1.DAT\n");
  // 700 data lines in mode 2: group means of two lines each.
  dir.write("ST1.DAT", stationText({{33, "1 1 1 1"}, {63, "2"}}, dataLines(700)));
  CapturedConsole cc;
  RunOptions options;
  options.controlFiles = {"KALDERO.D"};
  ASSERT_EQ(runProgram(cc.console(), options), 0) << cc.output();
  const std::string out = cc.output();
  EXPECT_EQ(count(out, "END OF DATA FILE"), 2u);
  EXPECT_EQ(count(out, "       350          "), 2u);  // the last of 350 samples, twice
  EXPECT_TRUE(std::filesystem::exists("ST1_DAT.PS"));
  EXPECT_FALSE(std::filesystem::exists("PGPLOT.PS"));
  for (const auto& e : std::filesystem::directory_iterator(dir.dir()))
    EXPECT_EQ(e.path().filename().string().rfind(".kaldero-", 0), std::string::npos);
  ASSERT_TRUE(ghostscriptAvailable());
  const auto page = renderPostScript("ST1_DAT.PS");
  ASSERT_TRUE(page.has_value());
  EXPECT_GT(page->red(), 50);
}

TEST(DataPlotStep, NoPlotSwitchNoPlotFile) {
  ScratchDir dir;
  WorkingDir wd(dir.dir());
  dir.write("KALDERO.D", "T\n100\nL\n3\nL\n1 0\nL\n0\nL\nST1.DAT\n");
  dir.write("ST1.DAT", stationText({}, dataLines(20)));
  CapturedConsole cc;
  RunOptions options;
  options.controlFiles = {"KALDERO.D"};
  ASSERT_EQ(runProgram(cc.console(), options), 0) << cc.output();
  EXPECT_FALSE(std::filesystem::exists("ST1_DAT.PS"));
  EXPECT_EQ(count(cc.output(), "END OF DATA FILE"), 0u);
}

}  // namespace
}  // namespace kaldero::testing
