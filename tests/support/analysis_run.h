// The analysis steps of the station sequence run on a curve given in
// internal units (seconds, ng/L, m3/s, metres, milligrams), through the run
// state and the station steps of the driver, with the results listing in a
// scratch directory.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/run_state.h"
#include "driver/station_analysis.h"
#include "core/text.h"
#include "tests/support/analysis_context.h"
#include "tests/support/capture.h"
#include "tests/support/temp_file.h"

namespace kaldero::testing {

class AnalysisRun {
 public:
  explicit AnalysisRun(const std::string& keyboard = "")
      : cc_(keyboard), here_(dir_.dir()), s_(cc_.console()) {
    internalUnitStation(s_.test, s_.control);
    s_.station.stationFile = text::padded("ST.DAT");
  }

  RunState& state() { return s_; }
  TestDescription& test() { return s_.test; }
  ControlValues& control() { return s_.control; }
  AnalysisResults& results() { return s_.results; }

  // The station steps from the integration limits to the recovery report.
  // Q is used in discharge mode 1.
  void run(const std::vector<float>& T, const std::vector<float>& C,
           const std::vector<float>& Q = {}) {
    ++s_.stationCounter;
    s_.results.resetStation();
    const int32_t n = static_cast<int32_t>(T.size());
    ASSERT_TRUE(s_.work.allocate(n, 1));
    s_.station.n = n;
    for (int32_t i = 0; i < n; ++i) {
      s_.work.times()[i] = T[i];
      s_.work.concentrations()[i] = C[i];
      s_.work.discharges()[i] = Q.empty() ? 0.0f : Q[i];
    }
    integrateCurve(s_);
    loadForReports(s_);
    ASSERT_TRUE(s_.listing.open(text::trimmed(s_.test.listingName)));
    reportTransport(s_);
    reportGeometryAndRecovery(s_);
    addToRunTotals(s_);
  }

  // The end-of-run blocks, appended to the listing of the last run.
  void finish() { writeRunTotals(s_); }

  std::string listing() {
    s_.listing.close();
    return dir_.read(text::trimmed(s_.test.listingName));
  }
  std::string console() { return cc_.output(); }

 private:
  ScratchDir dir_;
  CapturedConsole cc_;
  InDirectory here_;
  RunState s_;
};

}  // namespace kaldero::testing
