// What the run derives for a station from its header and the control file:
// the values the analyses use in internal units, and the knot decision.
#pragma once

#include <cstdint>

#include "model/codes.h"

namespace kaldero {

struct StationSetup {
  // In internal units, from the unit conversion.
  float distance = 0;           // travel distance, m, times the sinuosity factor
  float sinuosity = 1;          // the factor applied
  float constantDischarge = 0;  // m3/s, in discharge mode Constant

  // The knot option as the knot decision leaves it: off when the knots are
  // as many as the samples (the measured curve is then used).
  Option knotOption = Option::Off;

  // With --every-line a curve of more than 6000 samples sums its integrals
  // in double precision: single-precision sums over millions of intervals
  // lose digits (2 % of the mass over 10 million). Every other curve sums
  // as the listing's arithmetic has it.
  bool wideSums = false;
};

// What the data pass finds besides the curve: the knot spacing (in the time
// unit of the file; with the knot option) and the number of samples whose
// measured discharge equals the next one's (with a tail to extrapolate).
struct DataPassFacts {
  float knotSpacing = 0;
  int32_t equalDischargeCount = 0;
  // The first line of the file (counted from 1, header included) that holds
  // more values than the header's columns, and the first that looks written
  // with decimal commas; 0 for none. The values are read as the file
  // format says (the extra ones ignored); the run warns of them.
  int64_t extraValuesLine = 0;
  int64_t decimalCommaLine = 0;
};

}  // namespace kaldero
