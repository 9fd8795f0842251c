// A station in internal units for the tests of the analyses and the
// reports: the header as read, the station setup, the release and the
// control values, with the inputs the analyses take. The data of the curve
// are in seconds, ng/L, m3/s and metres.
#pragma once

#include <string>
#include <vector>

#include "analysis/inputs.h"
#include "analysis/station_analysis.h"
#include "core/listing_channel.h"
#include "core/output_gate.h"
#include "core/text.h"
#include "model/control.h"
#include "model/curve.h"
#include "model/results.h"
#include "report/report_target.h"
#include "tests/support/capture.h"
#include "tests/support/temp_file.h"

namespace kaldero::testing {

// Seconds, ng/L, a constant discharge of 1 m3/s, 1000 m, a conduit, the
// station totals; 1 kg (1e6 mg) released at once. Its results listing is
// ST.OUT.
inline void internalUnitStation(TestDescription& t, StationSetup& setup, ReleaseSetup& release,
                                ControlValues& control) {
  t.timeUnit = TimeUnit::Seconds;
  t.concentrationUnit = ConcentrationUnit::NanogramsPerLitre;
  t.dischargeMode = DischargeMode::Constant;
  t.dischargeUnit = DischargeUnit::CubicMetresPerSecond;
  t.constantDischarge = 1.0f;
  t.stationTotals = Option::On;
  t.distanceUnit = DistanceUnit::Metres;
  t.distance = 1000.0f;
  t.sinuosity = 1.0f;
  t.geometry = FlowForm::Conduit;
  t.porosity = 1.0f;
  t.listingName = text::padded("ST.OUT");
  setup.distance = 1000.0f;
  setup.sinuosity = 1.0f;
  setup.constantDischarge = 1.0f;
  release.mode = ReleaseMode::Instantaneous;
  release.injectedMass = 1e6f;  // mg
  release.massUnit = MassUnit{4};
  control.injectedMass = 1e6f;
  control.massUnit = MassUnit{4};  // milligrams
  control.releaseMode = ReleaseMode::Instantaneous;
}

// A conditioned curve: times, concentrations and (discharge mode Measured)
// discharges; without discharges they are 0, as the data pass leaves them
// in another discharge mode.
inline Curve conditionedCurve(const std::vector<float>& T, const std::vector<float>& C,
                              const std::vector<float>& Q = {}) {
  return Curve{T, C, Q.empty() ? std::vector<float>(T.size(), 0.0f) : Q};
}

struct StationFixture {
  StationFixture() { internalUnitStation(test, setup, release, control); }

  AnalysisInputs inputs() const { return AnalysisInputs{test, setup, release}; }
  // The discharges of a curve as the load conversions take them.
  DischargeOf discharge(const Curve& c) const { return dischargeOf(inputs(), c); }

  TestDescription test;
  StationSetup setup;
  ReleaseSetup release;
  ControlValues control;
  std::string stationFile = text::padded("ST.DAT");
};

// Where the reports go in a test: a captured console (with the given
// keyboard input) and the results listing ST.OUT in a scratch directory,
// opened through an output gate.
class ReportCapture {
 public:
  explicit ReportCapture(const std::string& keyboard = "") : cc_(keyboard), gate_(cc_.console()) {
    listing.open(gate_, {dir_.path("ST.OUT"), "results listing", ""});
  }

  // The screen echo as the header's option gives it.
  ReportTarget target(bool echo = false) { return ReportTarget{cc_.console(), listing, echo}; }
  Console& console() { return cc_.console(); }
  OutputGate& gate() { return gate_; }
  std::string consoleText() { return cc_.output(); }
  std::string listingText() {
    listing.close();
    return dir_.read("ST.OUT");
  }

  ListingChannel listing;

 private:
  ScratchDir dir_{"report"};
  CapturedConsole cc_;
  OutputGate gate_;
};

}  // namespace kaldero::testing
