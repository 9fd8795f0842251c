// The knot step in the station loop: a whole run of the program on a
// station whose curve is interpolated onto knots, in a scratch working
// directory. (The case folders run the knot curves that succeed.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "driver/run_driver.h"
#include "tests/support/run_program.h"
#include "tests/support/capture.h"
#include "tests/support/station_text.h"
#include "tests/support/temp_file.h"

namespace kaldero::testing {
namespace {

const std::string kControl = "T\n100\nL\n3\nL\n1 0\nL\n0\nL\nST1.DAT\n";

TEST(KnotStep, InterpolatedDataFileThatCannotBeCreatedStopsTheRun) {
  ScratchDir dir;
  InDirectory here(dir.dir());
  dir.write("KALDERO.D", kControl);
  dir.write("ST1.DAT",
            stationText({{27, "1 4"}, {29, "NO/SUCH/DIR/ST.INT"}}, "0 1 1\n1 3 1\n2 2 1\n"));
  CapturedConsole cc;
  RunOptions options;
  options.controlFiles = {"KALDERO.D"};
  EXPECT_NE(runProgram(cc.console(), options), 0);
  const std::string out = cc.output();
  EXPECT_NE(out.find("         FILE NO/SUCH/DIR/ST.INT"), std::string::npos) << out;
  // The run ends there: no results listing is begun.
  EXPECT_FALSE(std::filesystem::exists("ST.OUT"));
}

}  // namespace
}  // namespace kaldero::testing
