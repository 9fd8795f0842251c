// The input file of the CXTFIT transport-model program: the values of
// analysis/cxtfit.h (the model set up for an inverse fit of the station's
// curve) written in the program's block layout, followed by the curve in
// hours and mg/m3.
#pragma once

#include <string>
#include <vector>

#include "analysis/cxtfit.h"
#include "core/checked_file.h"
#include "model/codes.h"

namespace kaldero::cxtfit {

// What the file says besides the numbers.
struct Heading {
  Option knotOption = Option::Off;  // as the knot decision leaves it
  std::string stationFile;          // 50 characters
  std::string interpolatedFile;     // 50 characters
  ReleaseMode releaseMode{0};
};

// Every line of the file.
std::vector<std::string> fileLines(const Heading& heading, const Parameters& p);

}  // namespace kaldero::cxtfit
