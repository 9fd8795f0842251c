// A whole station through the driver's station steps, on a curve given in
// internal units (seconds, ng/L, m3/s): the integrals, the transport steps,
// flow geometry and recovery, the run totals, each with its reports, in the
// order of the run; the results listing in a scratch directory.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "driver/run_state.h"
#include "driver/station_analysis.h"
#include "tests/support/capture.h"
#include "tests/support/station_fixture.h"
#include "tests/support/temp_file.h"

namespace kaldero::testing {

class StationRun {
 public:
  explicit StationRun(const std::string& keyboard = "")
      : cc_(keyboard), here_(dir_.dir()), s_(cc_.console()) {
    internalUnitStation(s_.test, s_.setup, s_.release, s_.control);
    s_.station.stationFile = text::padded("ST.DAT");
  }

  RunState& state() { return s_; }
  TestDescription& test() { return s_.test; }
  StationSetup& setup() { return s_.setup; }
  ReleaseSetup& release() { return s_.release; }
  AnalysisResults& results() { return s_.results; }

  // The station steps from the integration limits to the run totals. Q is
  // used in discharge mode Measured.
  void run(const std::vector<float>& T, const std::vector<float>& C,
           const std::vector<float>& Q = {}) {
    integrate(T, C, Q);
    if (!::testing::Test::HasFatalFailure()) transport();
  }

  // The first part: the curve into the work array, the integration limits,
  // first arrival and peak, the recovered mass and the moment integrals.
  void integrate(const std::vector<float>& T, const std::vector<float>& C,
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
  }

  // The rest: the transport steps, flow geometry and recovery with their
  // reports, and the run totals.
  void transport() {
    loadForReports(s_);
    ASSERT_TRUE(s_.listing.open(text::trimmed(s_.test.listingName)));
    transportSteps(s_);
    geometryAndRecoverySteps(s_);
    addToRunTotals(s_);
  }

  // The end-of-run blocks, appended to the listing of the last station.
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
