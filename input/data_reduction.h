// The data-reduction decision: how many samples to make from the data lines
// of a station, in which data-reduction mode, with which reduction factor k.
// Files of more than 600 data lines are thinned to at most about 800 samples
// (to half their size for 601 to 1000 lines), unless the mode is "every
// line" and the file has at most 6000 lines.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model/codes.h"
#include "model/test_description.h"

namespace kaldero {

struct ReductionDecision {
  int32_t n = 0;
  ReductionMode mode = ReductionMode::EveryLine;
  int32_t k = 0;
  bool allocated = false;
  // The mode the header asked for, and whether the sample count was
  // halved (and k doubled) for want of storage.
  ReductionMode asked = ReductionMode::EveryLine;
  bool halved = false;

  // Whether the curve is made of fewer samples than the data lines.
  bool reduces() const { return k > 0; }
};

// What the decision does to a station's lines, in words (lower case): what
// was done ("every line", "group means of 16 lines", "every 4th line") and
// why ("more than 6000 lines in data-reduction mode 1", "as the header's
// data-reduction mode 2 asks"; empty for every line).
struct ReductionWords {
  std::string what;
  std::string why;
};
ReductionWords reductionWords(const ReductionDecision& d);

// The station's storage is tried through tryAllocate(n); when it cannot be
// had the sample count is halved and k doubled until it can.
// With everyLine (--every-line) a file in mode 1 is read whole whatever its
// length; modes 2 and 3 are taken as the header asks.
ReductionDecision decideReduction(int32_t dataLines, ReductionMode mode, Option knotOption,
                                  Option stationTotals,
                                  const std::function<bool(int32_t)>& tryAllocate,
                                  bool everyLine = false);

// The decision for a station by its header (reduction mode, knot and totals
// options), its storage tried by stationStorage with room for the 5 samples
// an exponential tail adds (1 for any other tail or none).
ReductionDecision decideReduction(int32_t dataLines, const TestDescription& test,
                                  bool everyLine = false);

// Whether the storage of a station of n samples with room for pad more can
// be had: its nine arrays of n + pad values (the curve, its group spread and
// the work arrays of the steps) must be countable in 32 bits and be had.
bool stationStorage(int32_t n, int32_t pad);

}  // namespace kaldero
