// The header pass and the data pass of a station data file, run on a real
// file with curve segments as long as the station work array makes them
// (the wanted samples plus the pad of the tail extrapolation), followed by
// the conditioning the run makes next: the tail extrapolation when the
// extrapolation option is on (its notices written to the console as the
// run writes them) and the knot count when the knot option is on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "conditioning/extrapolation.h"
#include "conditioning/interpolation.h"
#include "core/stop.h"
#include "core/text.h"
#include "driver/work_array.h"
#include "input/station_file.h"
#include "report/notices.h"
#include "tests/support/capture.h"
#include "tests/support/temp_file.h"

namespace kaldero::testing {

struct DataRun {
  bool stopped = false;  // the header pass or the data pass stopped the run
  int32_t n = 0;
  std::vector<float> T, C, Q, sT, sC, sQ, scratchA, scratchB;
  TestDescription test;
  StationSetup setup;
  TailFit tail;
  // The tail extrapolation (its error code 0 when none was asked for).
  Extrapolation extrapolation;
  std::string console;
};

inline DataRun runDataPass(const std::string& contents, int32_t wanted, ReductionMode mode,
                           int32_t k, const std::string& keyboard = "") {
  const std::string name = text::padded("ST.DAT");
  ScratchDir dir("data-pass");
  CapturedConsole cc(keyboard);
  DataRun run;
  StationFile f;
  EXPECT_TRUE(f.open(dir.write("ST.DAT", contents)));
  int32_t lines = 0;
  std::vector<float> seg[8];
  try {
    if (f.readHeader(cc.console(), run.test, name, lines) != 0) throw RunStopped{};
    const int32_t pad =
        StationWorkArray::padFor(run.test.extrapolationOption, run.test.extrapolationMethod);
    for (auto& s : seg) s.assign(static_cast<std::size_t>(wanted + pad), 0.0f);
    CurveSegments curve{seg[0], seg[1], seg[2], seg[3], seg[4], seg[5], seg[6], seg[7]};
    run.n = wanted;
    f.readData(cc.console(), run.test, run.setup, name, curve, run.n, k, mode);
    if (on(run.test.extrapolationOption)) {
      run.extrapolation = extrapolateTail(run.test, run.setup, curve, run.n, run.tail);
      writeNotices(cc.console(), run.extrapolation.notices);
    }
    if (on(run.test.knotOption) && run.extrapolation.errorCode == 0)
      run.setup.knotCount = knotCount(curve.T, run.n, run.setup.knotSpacing);
  } catch (const RunStopped&) {
    run.stopped = true;
  }
  run.T = seg[0];
  run.C = seg[1];
  run.Q = seg[2];
  run.sT = seg[3];
  run.sC = seg[4];
  run.sQ = seg[5];
  run.scratchA = seg[6];
  run.scratchB = seg[7];
  run.console = cc.output();
  return run;
}

}  // namespace kaldero::testing
