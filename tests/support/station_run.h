// A whole station through the analyses and the reports of the results
// listing, on a curve given in internal units (seconds, ng/L, m3/s):
// analyseStation, then the blocks of the listing with the notices and the
// stops in the order of the run, the run sums and, at the end, the run
// totals; the results listing in a scratch directory, opened through an
// output gate that plans each station's outputs. Stations run one after the
// other carry their values over as the run does (each needs a listing name
// of its own).
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "analysis/finite_check.h"
#include "analysis/run_totals.h"
#include "analysis/station_analysis.h"
#include "core/listing_channel.h"
#include "core/output_gate.h"
#include "core/text.h"
#include "input/output_names.h"
#include "report/geometry_report.h"
#include "report/notices.h"
#include "report/run_messages.h"
#include "report/totals_report.h"
#include "report/transport_report.h"
#include "tests/support/capture.h"
#include "tests/support/station_fixture.h"
#include "tests/support/temp_file.h"

namespace kaldero::testing {

class StationRun {
 public:
  explicit StationRun(const std::string& keyboard = "")
      : cc_(keyboard), here_(dir_.dir()), gate_(cc_.console()) {
    internalUnitStation(test_, setup_, release_, control_);
  }

  TestDescription& test() { return test_; }
  StationSetup& setup() { return setup_; }
  ReleaseSetup& release() { return release_; }
  const StationResults& results() const { return results_; }
  const RunSums& sums() const { return sums_; }
  // After finish().
  const std::optional<RunTotals>& totals() const { return totals_; }
  // What the stations so far carry to the next.
  const CarriedResults& carried() const { return carried_; }
  OutputGate& gate() { return gate_; }
  const std::string& stationFile() const { return stationFile_; }

  // The station: its analyses, then its results listing. Q is used in
  // discharge mode Measured. A stop throws kaldero::Error.
  void run(const std::vector<float>& T, const std::vector<float>& C,
           const std::vector<float>& Q = {}) {
    analyse(T, C, Q);
    report();
  }

  // The analyses of the curve with the notices of the integrals; a
  // quantity of the first steps that is not finite stops the run before
  // the listing is begun.
  void analyse(const std::vector<float>& T, const std::vector<float>& C,
               const std::vector<float>& Q = {}) {
    ++stationCounter_;
    // The station's outputs are planned first, as the run plans them.
    EXPECT_FALSE(gate_.planStation(plannedOutputs(test_, stationFile_)));
    results_ = analyseStation(AnalysisInputs{test_, setup_, release_}, conditionedCurve(T, C, Q),
                              carried_);
    const StationResults& r = results_;
    if (r.mass) writeNotices(console(), r.mass->notices);
    if (r.chatwin) writeNotices(console(), r.chatwin->parameterNotices);
    const bool early = r.stoppedAt == AnalysisStage::Arrival ||
                       r.stoppedAt == AnalysisStage::Mass || r.stoppedAt == AnalysisStage::Chatwin;
    if (r.stop && r.stop->kind == AnalysisStop::Kind::NonFinite && early)
      stopNonFinite(console(), stationFile_, r.stop->quantity);
  }

  // The results listing of the analysed station: every block up to the
  // step where the analysis stopped (the stop report then ends the run),
  // then the station's part of the run sums.
  void report() {
    Console& c = console();
    const StationResults& r = results_;
    ASSERT_TRUE(listing_.open(gate_, listingRecord(test_)));
    const ReportTarget out{c, listing_, test_.echo()};
    const StationReport st{test_, setup_, stationFile_};
    writeMassRecovery(out, st, r);
    if (r.stop && r.stoppedAt == AnalysisStage::Transit) {
      if (r.stop->kind == AnalysisStop::Kind::NoMassRecovered) stopNoMassRecovered(c);
      stopNonFinite(c, stationFile_, r.stop->quantity);
    }
    writeNotices(c, r.transit->notices);
    writeTransitTimes(out, st, r);
    if (r.stop && r.stoppedAt == AnalysisStage::Transport)
      stopNonFinite(c, stationFile_, r.stop->quantity);
    writeNotices(c, r.transport->notices);
    writeVelocitiesAndDispersion(out, *r.transport);
    if (r.stop) stopNonFinite(c, stationFile_, r.stop->quantity);
    writeFlowGeometry(out, test_, *r.geometry);
    writeRecovery(out, *r.recovery);
    sums_ = addStation(sums_, r, test_);
    carried_ = r.carried;
  }

  // The run totals, appended to the listing of the last station.
  void finish() {
    gate_.endStation();
    const RunTotals t = runTotals(sums_, results_, test_, release_.injectedMass);
    if (const std::optional<std::string> q = nonFinite(t)) stopNonFinite(console(), stationFile_, *q);
    listing_.openAppend(gate_, listingRecord(test_));
    writeRunTotals(ReportTarget{console(), listing_, test_.echo()}, t, stationFile_);
    totals_ = t;
  }

  std::string listing() { return file(text::trimmed(test_.listingName)); }
  // A file the run wrote (the listing of an earlier station, say).
  std::string file(const std::string& name) {
    listing_.close();
    return dir_.read(name);
  }
  std::string consoleText() { return cc_.output(); }
  Console& console() { return cc_.console(); }

 private:
  ScratchDir dir_;
  CapturedConsole cc_;
  InDirectory here_;
  OutputGate gate_;
  ListingChannel listing_;
  TestDescription test_;
  StationSetup setup_;
  ReleaseSetup release_;
  ControlValues control_;
  std::string stationFile_ = text::padded("ST.DAT");
  int32_t stationCounter_ = 0;
  StationResults results_;
  CarriedResults carried_;
  RunSums sums_;
  std::optional<RunTotals> totals_;
};

}  // namespace kaldero::testing
