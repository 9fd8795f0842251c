// What every analysis step works with: the console, the station's results
// listing, the test description, the control-file values and the results
// block, all owned by the run driver.
#pragma once

#include <string>
#include <string_view>

#include "model/results.h"
#include "input/control_file.h"
#include "model/test_description.h"

namespace kaldero {

class Console;
class ListingChannel;

struct AnalysisContext {
  Console& console;
  ListingChannel& listing;
  TestDescription& test;
  const ControlValues& control;
  AnalysisResults& results;
  const std::string& stationFile;  // the 50-character station data file name
  bool spline = false;             // the spline flag of every integration

  bool echo() const { return test.echo(); }

  // A results line marked for the screen echo: to the console first when
  // the screen-echo option is 1, then to the listing.
  void echoLine(std::string_view s) const;
  void echoEmpty(int n = 1) const;
  // A line that goes to the console and to the listing in any case.
  void bothLine(std::string_view s) const;
  void bothEmpty(int n = 1) const;
  // The pause that follows a block of results when the screen echo is on:
  // the continue prompt, a wait for Enter and a cleared console.
  void echoPause() const;
};

}  // namespace kaldero
