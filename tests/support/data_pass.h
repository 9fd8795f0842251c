// The header pass and the data pass of a station data file, run on a real
// file, followed by the conditioning the run makes next: the tail
// extrapolation when the extrapolation option is on (its notices written
// to the console as the run writes them) and the knot count when the knot
// option is on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "conditioning/extrapolation.h"
#include "conditioning/interpolation.h"
#include "core/error.h"
#include "core/text.h"
#include "input/station_file.h"
#include "report/notices.h"
#include "tests/support/capture.h"
#include "tests/support/temp_file.h"

namespace kaldero::testing {

struct DataRun {
  bool stopped = false;  // the header pass or the data pass stopped the run
  int32_t n = 0;         // samples of the curve
  MeasuredRecord record;  // every line as read
  // The curve (with its tail when one was extrapolated) and its group
  // spread.
  std::vector<float> T, C, Q, sT, sC, sQ;
  MeasuredCurve measured;  // as the data pass made it
  TestDescription test;
  DataPassFacts facts;
  int32_t knotCount = 0;  // with the knot option
  TailFit tail;
  // The tail extrapolation (its error code 0 when none was asked for).
  Extrapolation extrapolation;
  std::string console;

  // The curve as the run takes it further.
  Curve curve() const { return Curve{T, C, Q}; }
};

// The data pass of one file, keeping its measured record or letting the
// curve take over the record's arrays.
inline DataRun runDataPassOnce(const std::string& contents, int32_t wanted, ReductionMode mode,
                               int32_t k, const std::string& keyboard, bool keepRecord) {
  const std::string name = text::padded("ST.DAT");
  ScratchDir dir("data-pass");
  CapturedConsole cc(keyboard);
  DataRun run;
  StationFile f;
  EXPECT_TRUE(f.open(dir.write("ST.DAT", contents)));
  int32_t lines = 0;
  try {
    if (f.readHeader(cc.console(), run.test, name, lines) != 0)
      throw Error{"", 0, 0, "header", ErrorKind::Data};
    run.measured = f.readData(cc.console(), run.test, name, wanted, k, mode, run.facts,
                              keepRecord ? &run.record : nullptr);
    MeasuredCurve curve = run.measured;
    if (on(run.test.extrapolationOption)) {
      run.extrapolation = extrapolateTail(run.test, run.facts.equalDischargeCount, curve);
      writeNotices(cc.console(), run.extrapolation.notices);
      curve = run.extrapolation.curve;
      run.tail = run.extrapolation.tail;
    }
    run.T = curve.samples.T;
    run.C = curve.samples.C;
    run.Q = curve.samples.Q;
    run.sT = curve.spread.T;
    run.sC = curve.spread.C;
    run.sQ = curve.spread.Q;
    run.n = curve.samples.size();
    if (on(run.test.knotOption) && run.extrapolation.errorCode == 0)
      run.knotCount = knotCount(run.T, run.n, run.facts.knotSpacing);
  } catch (const Error&) {
    run.stopped = true;
  }
  run.console = cc.output();
  return run;
}

// The data pass of a file with its record kept; the same pass without
// keeping it (the curve then takes the record's arrays) must make the same
// curve, facts and reports.
inline DataRun runDataPass(const std::string& contents, int32_t wanted, ReductionMode mode,
                           int32_t k, const std::string& keyboard = "") {
  DataRun kept = runDataPassOnce(contents, wanted, mode, k, keyboard, true);
  const DataRun given = runDataPassOnce(contents, wanted, mode, k, keyboard, false);
  EXPECT_EQ(kept.stopped, given.stopped);
  EXPECT_EQ(kept.console, given.console);
  EXPECT_EQ(kept.T, given.T);
  EXPECT_EQ(kept.C, given.C);
  EXPECT_EQ(kept.Q, given.Q);
  EXPECT_EQ(kept.sT, given.sT);
  EXPECT_EQ(kept.facts.extraValuesLine, given.facts.extraValuesLine);
  EXPECT_EQ(kept.facts.decimalCommaLine, given.facts.decimalCommaLine);
  EXPECT_EQ(kept.facts.knotSpacing, given.facts.knotSpacing);
  return kept;
}

}  // namespace kaldero::testing
