// What the run derives for a station from its header, the control file and
// the steps so far: the values the analyses use in internal units, and the
// decisions that later steps follow.
#pragma once

#include <array>
#include <cstdint>

#include "model/codes.h"

namespace kaldero {

struct StationSetup {
  // In internal units, from the unit conversion.
  float distance = 0;           // travel distance, m, times the sinuosity factor
  float sinuosity = 1;          // the factor applied
  float constantDischarge = 0;  // m3/s, in discharge mode Constant

  // From the data pass, for the knots and the tail.
  float knotSpacing = 0;           // in the time unit of the file
  int32_t knotCount = 0;
  int32_t equalDischargeCount = 0;  // samples whose measured discharge equals the next one's

  // The knot option as the knot decision leaves it: off when the knots are
  // as many as the samples (the measured curve is then used).
  Option knotOption = Option::Off;

  // The CXTFIT settings as the CXTFIT step normalizes them.
  std::array<int32_t, 2> cxtfitSettings{};

  // The Chatwin screen-plot and PostScript switches as the Chatwin plots
  // leave them: cleared once the plots have been drawn.
  Option chatwinScreenPlot = Option::Off;
  Option chatwinPostScript = Option::Off;
};

}  // namespace kaldero
