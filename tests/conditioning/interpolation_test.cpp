// Interpolation onto knots, on curves read from real station data files.
#include "conditioning/interpolation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "core/checked_file.h"
#include "core/output_gate.h"
#include "files/interpolated_data.h"
#include "tests/support/capture.h"
#include "numeric/pchip.h"
#include "tests/support/data_pass.h"
#include "tests/support/station_text.h"
#include "tests/support/temp_file.h"

namespace kaldero {
namespace {

struct KnotRun {
  testing::DataRun measured;
  Notices notices;
  std::vector<float> X, C, Q;
  bool written = false;
  int notWritten = 0;
  std::string console;  // what the output gate said
  std::string file;
};

// The data pass on the station file, then the interpolation onto its knots
// with the interpolated-data file ST.INT written through the output gate in
// a scratch directory, as the run writes it (quietly: the run reports a
// file that cannot be created itself, and stops).
KnotRun interpolate(std::map<int, std::string> lines, const std::string& data, int32_t wanted,
                    const std::string& interpolatedName = "ST.INT") {
  testing::ScratchDir dir;
  testing::InDirectory in(dir.dir());
  KnotRun run;
  run.measured =
      testing::runDataPass(testing::stationText(lines, data), wanted, ReductionMode::EveryLine, 0);
  testing::DataRun& d = run.measured;
  EXPECT_FALSE(d.stopped) << d.console;
  EXPECT_TRUE(interpolationStorage(d.n, d.knotCount));
  const KnotCurve k = interpolateOntoKnots(d.test, d.facts.knotSpacing, d.curve(), d.knotCount);
  run.notices = k.notices;
  testing::CapturedConsole cc;
  OutputGate gate(cc.console());
  const OutputRecord file{interpolatedName, "interpolated-data file", ""};
  CheckedFile f;
  if (gate.open(f, file, CheckedFile::Mode::Replace, true)) {
    for (const std::string& l : files::interpolatedDataLines(d.test.dischargeMode, k.knots))
      f.line(l);
    run.written = gate.close(f, file);
  }
  run.notWritten = gate.notWritten();
  run.console = cc.output();
  run.X = k.knots.T;
  run.C = k.knots.C;
  run.Q = k.knots.Q;
  if (run.written) run.file = dir.read("ST.INT");
  return run;
}

TEST(Knots, AccumulateTheSpacingAndEndExactlyOnTheLastSample) {
  // h = 0.1: thirty additions of 0.1f end at 2.99999928, not 3.
  KnotRun r = interpolate({{27, "1 30"}}, "0 1 1\n1 2 1\n2 3 1\n3 1 1\n", 4);
  EXPECT_EQ(r.measured.knotCount, 31);
  EXPECT_TRUE(r.notices.empty());
  ASSERT_EQ(r.X.size(), 31u);
  float x = 0;
  for (int j = 1; j < 30; ++j) {
    x += 0.1f;
    EXPECT_EQ(r.X[j], x) << j;
  }
  EXPECT_NE(x + 0.1f, 3.0f);
  EXPECT_EQ(r.X[30], 3.0f);
}

TEST(Knots, ConcentrationsBelowZeroBecomeZeroDischargesStayAsInterpolated) {
  // The knot just before the sample at 1.9 (accumulated to 1.89999986)
  // evaluates the cubic that falls to 0 there to a little below 0.
  const std::string data = "0.5 0 0\n1.4 2.2 2.2\n1.9 0 0\n2.6 0 0\n";
  KnotRun r = interpolate({{27, "1 75"}}, data, 4);
  ASSERT_EQ(r.X.size(), 76u);
  const auto& m = r.measured;
  std::vector<float> d(4), raw(76);
  numeric::PCHEZ(4, m.T.data(), m.C.data(), d.data());
  numeric::PCHEV(4, m.T.data(), m.C.data(), d.data(), 76, r.X.data(), raw.data(), nullptr);
  int dips = 0;
  for (int j = 0; j < 76; ++j) {
    EXPECT_GE(r.C[j], 0.0f);
    if (raw[j] < 0) {
      ++dips;
      EXPECT_EQ(r.C[j], 0.0f);
      EXPECT_EQ(r.Q[j], raw[j]);  // the same curve as discharge, kept negative
    } else {
      EXPECT_EQ(r.C[j], raw[j]);
    }
  }
  EXPECT_GT(dips, 0);
}

TEST(Knots, OtherDischargeModesWriteAnEmptyFile) {
  KnotRun r = interpolate({{8, "3"}, {27, "1 4"}}, "0 1 1\n1 3 1\n2 2 1\n", 3);
  ASSERT_TRUE(r.written);
  EXPECT_EQ(r.file, "");
}

TEST(Knots, FileLinesInTheUnitsOfTheStationFile) {
  // Knots 0, 0.5, 1, 1.5, 2 (hours as in the file); a measured discharge
  // has a third column, a constant one none.
  KnotRun r = interpolate({{27, "1 4"}}, "0 1 1\n1 3 1\n2 2 1\n", 3);
  ASSERT_TRUE(r.written);
  ASSERT_EQ(r.X, (std::vector<float>{0, 0.5f, 1, 1.5f, 2}));
  EXPECT_EQ(r.file.substr(0, 61), "     0.000000000         1.000000000         1.000000000    \n");
  EXPECT_EQ(std::count(r.file.begin(), r.file.end(), '\n'), 5);
  KnotRun c = interpolate({{8, "2"}, {11, "4 0.5"}, {27, "1 4"}}, "0 1\n1 3\n2 2\n", 3);
  ASSERT_TRUE(c.written);
  EXPECT_EQ(c.file.substr(0, 41), "     0.000000000         1.000000000    \n");
}

TEST(Knots, FileThatCannotBeCreatedIsNotWritten) {
  // Opened quietly: the run reports it as a listing not opened, and stops.
  KnotRun r = interpolate({{27, "1 4"}}, "0 1 1\n1 3 1\n2 2 1\n", 3, "NO/SUCH/DIR/ST.INT");
  EXPECT_FALSE(r.written);
  EXPECT_EQ(r.console, "");
  EXPECT_EQ(r.notWritten, 0);
}

TEST(InterpolationStorage, CountableIn32BitsAndHad) {
  // 2N + 5K + 2 values.
  EXPECT_TRUE(interpolationStorage(3, 5));
  EXPECT_TRUE(interpolationStorage(101, 201));
  // More than a 32-bit count can index is storage that cannot be had.
  EXPECT_FALSE(interpolationStorage(100, std::numeric_limits<int32_t>::max() / 4));
  EXPECT_FALSE(interpolationStorage(0, 429496730));  // 5K + 2 = 2^31 + 4
  EXPECT_FALSE(interpolationStorage(std::numeric_limits<int32_t>::max() / 2, 1));
  EXPECT_FALSE(interpolationStorage(-1, 5));
}

}  // namespace
}  // namespace kaldero
