// An analysis context for the tests: a captured console, a results listing
// in a scratch directory (the working directory meanwhile) and the blocks the analyses read, set up for a
// station whose data are in internal units (seconds, ng/L, m3/s, metres).
#pragma once

#include <string>

#include "analysis/context.h"
#include "core/listing_channel.h"
#include "core/text.h"
#include "tests/support/capture.h"
#include "tests/support/temp_file.h"

namespace kaldero::testing {

// A station in internal units: seconds, ng/L, a constant discharge of
// 1 m3/s, 1000 m, a conduit, the station totals; 1 kg injected at once.
// Its results listing is ST.OUT.
inline void internalUnitStation(TestDescription& t, ControlValues& c) {
  t.timeUnit = 4;
  t.concentrationUnit = 4;
  t.dischargeMode = 2;
  t.dischargeUnit = 4;
  t.constantDischarge = 1.0f;
  t.stationTotals = 1;
  t.distanceUnit = 1;
  t.distance = 1000.0f;
  t.sinuosity = 1.0f;
  t.geometry = 1;
  t.porosity = 1.0f;
  t.listingName = text::padded("ST.OUT");
  c.injectedMass = 1e6f;  // mg
  c.massUnit = 4;
  c.releaseMode = 1;
}

class ContextFixture {
 public:
  explicit ContextFixture(const std::string& keyboard = "") : here_(dir_.dir()), cc_(keyboard) {
    internalUnitStation(test, control);
    listing.open("ST.OUT");
  }

  AnalysisContext ctx() {
    return AnalysisContext{cc_.console(), listing, test, control, results, stationFile, false};
  }
  Console& console() { return cc_.console(); }
  std::string consoleText() { return cc_.output(); }
  std::string listingText() {
    listing.close();
    return dir_.read("ST.OUT");
  }

  TestDescription test;
  ControlValues control;
  AnalysisResults results;
  ListingChannel listing;
  std::string stationFile = text::padded("ST.DAT");

 private:
  ScratchDir dir_;
  InDirectory here_;
  CapturedConsole cc_;
};

}  // namespace kaldero::testing
