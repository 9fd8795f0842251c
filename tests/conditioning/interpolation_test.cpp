// Interpolation onto knots, on curves read from real station data files.
#include "conditioning/interpolation.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>
#include <vector>

#include "core/stop.h"
#include "numeric/pchip.h"
#include "tests/support/capture.h"
#include "tests/support/data_pass.h"
#include "tests/support/station_text.h"
#include "tests/support/temp_file.h"

namespace kaldero {
namespace {

struct KnotRun {
  bool stopped = false;
  testing::DataRun measured;
  std::vector<float> X, C, Q;
  std::string file;
  std::string console;
};

// The data pass on the station file, then the interpolation onto its knots
// with the interpolated-data file ST.INT written in a scratch directory.
KnotRun interpolate(std::map<int, std::string> lines, const std::string& data, int32_t wanted,
                    const std::string& interpolatedName = "ST.INT") {
  testing::ScratchDir dir;
  testing::InDirectory in(dir.dir());
  KnotRun run;
  run.measured = testing::runDataPass(testing::stationText(lines, data), wanted, 1, 0);
  testing::DataRun& d = run.measured;
  EXPECT_FALSE(d.stopped) << d.console;
  d.test.interpolatedName = text::padded(interpolatedName);
  InterpolationWorkspace ws;
  EXPECT_TRUE(ws.allocate(d.n, d.test.knotCount, false));
  testing::CapturedConsole cc;
  CurveSegments curve{d.T, d.C, d.Q, d.sT, d.sC, d.sQ, d.scratchA, d.scratchB};
  try {
    interpolateOntoKnots(cc.console(), d.test, curve, d.n, ws);
  } catch (const RunStopped&) {
    run.stopped = true;
  }
  auto copy = [](std::span<float> s) { return std::vector<float>(s.begin(), s.end()); };
  run.X = copy(ws.knotTimes());
  run.C = copy(ws.knotConcentrations());
  run.Q = copy(ws.knotDischarges());
  run.file = dir.read("ST.INT");
  run.console = cc.output();
  return run;
}

TEST(Knots, AccumulateTheSpacingAndEndExactlyOnTheLastSample) {
  // h = 0.1: thirty additions of 0.1f end at 2.99999928, not 3.
  KnotRun r = interpolate({{27, "1 30"}}, "0 1 1\n1 2 1\n2 3 1\n3 1 1\n", 4);
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
  ASSERT_FALSE(r.stopped) << r.console;
  EXPECT_EQ(r.file, "");
}

TEST(Knots, FileThatCannotBeWrittenStopsTheRun) {
  KnotRun r = interpolate({{27, "1 4"}}, "0 1 1\n1 3 1\n2 2 1\n", 3, "NO/SUCH/DIR/ST.INT");
  EXPECT_TRUE(r.stopped);
  EXPECT_NE(r.console.find("         FILE NO/SUCH/DIR/ST.INT"), std::string::npos) << r.console;
}

TEST(InterpolationWorkspace, OneAllocationInTheOrderOfItsSegments) {
  EXPECT_EQ(InterpolationWorkspace::totalLength(101, 201, false), 2 * 101 + 5 * 201 + 1 + 1);
  EXPECT_EQ(InterpolationWorkspace::totalLength(101, 201, true), 2 * 101 + 5 * 201 + 1 + 402);
  InterpolationWorkspace ws;
  ASSERT_TRUE(ws.allocate(3, 5, false));
  const float* base = ws.concentrationDerivatives().data();
  EXPECT_EQ(ws.dischargeDerivatives().data() - base, 3);
  EXPECT_EQ(ws.knotTimes().data() - base, 6);
  EXPECT_EQ(ws.knotConcentrations().data() - base, 11);
  EXPECT_EQ(ws.knotConcentrationDerivatives().data() - base, 16);
  EXPECT_EQ(ws.knotDischarges().data() - base, 21);
  EXPECT_EQ(ws.knotDischargeDerivatives().data() - base, 26);
  EXPECT_EQ(ws.knotDischargeDerivatives().size(), 5u);
  // More than a 32-bit count can index is storage that cannot be had.
  EXPECT_FALSE(ws.allocate(100, std::numeric_limits<int32_t>::max() / 4, false));
}

TEST(InterpolationStorage, CurveStorageReportStopsTheRun) {
  const std::string stars(80, '*');
  testing::CapturedConsole cc;
  EXPECT_THROW(curveStorageStop(cc.console()), RunStopped);
  EXPECT_EQ(cc.output(), "\n\n\n\n\n" + stars +
                             "\n\n              NOT ENOUGH STORAGE SPACE FOR AA!!!\n\n"
                             "   SELECTIVELY REMOVE INDIVIDUAL DATA POINTS FROM YOUR ORIGINAL "
                             "DATA FILE.\n\n" +
                             stars + "\n\n\n\n\n\n");
}

}  // namespace
}  // namespace kaldero
