// An analysis context for the tests: a captured console, a results listing
// in a scratch directory (the working directory meanwhile) and the blocks the analyses read, set up for a
// station whose data are in internal units (seconds, ng/L, m3/s, metres).
#pragma once

#include <string>

#include "analysis/context.h"
#include "app/listing.h"
#include "app/text.h"
#include "tests/support/capture.h"
#include "tests/support/temp_file.h"

namespace kaldero::testing {

class ContextFixture {
 public:
  explicit ContextFixture(const std::string& keyboard = "") : here_(dir_.dir()), cc_(keyboard) {
    test.timeUnit = 4;
    test.concentrationUnit = 4;
    test.dischargeMode = 2;
    test.constantDischarge = 1.0f;
    test.stationTotals = 1;
    test.distanceUnit = 1;
    test.distance = 1000.0f;
    test.sinuosity = 1.0f;
    test.geometry = 1;
    test.porosity = 1.0f;
    test.listingName = text::padded("ST.OUT");
    control.injectedMass = 1e6f;
    control.massUnit = 4;
    control.releaseMode = 1;
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
