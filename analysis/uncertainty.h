// The uncertainty of a station's results by Monte Carlo propagation of the
// stated measurement errors: the station's curve, as the data pass read it,
// is perturbed again and again (concentrations with random, optionally
// autocorrelated errors; the discharge record by one rating factor a draw
// and random noise; the subtracted background by one value a draw; the
// sample times by random errors, kept in increasing order; an extrapolated
// tail by a method drawn among those that apply), and every perturbed curve
// goes through the same conditioning and analyses as the station itself.
// The 2.5, 50 and 97.5 % points of each quantity of the listing over the
// draws (linear interpolation between order statistics) are its interval.
//
// With every error 0 each draw is the station's own analysis, so the
// intervals have zero width at the listing's values. A draw whose analysis
// stops (no mass recovered, times no longer increasing, a tail that cannot
// be extrapolated, a value beyond the program's numbers) is counted by its
// reason. The draws reuse the station's setup; nothing is written.
#pragma once

#include <cstdint>

#include "analysis/inputs.h"
#include "model/curve.h"
#include "model/results.h"
#include "model/uncertainty.h"

namespace kaldero {

// What a draw starts from: the station as the run analysed it.
struct DrawStation {
  const TestDescription& test;
  const StationSetup& setup;         // internal units and the knot decision
  const ReleaseSetup& release;
  const MeasuredCurve& dataPass;     // as the data pass read it, before any tail (file units)
  const CarriedResults& previous;    // what the station before left
};

// seed: the station's own stream (numeric::streamSeed of the run's seed).
UncertaintyResult drawUncertainty(const DrawStation& station, const UncertaintyRequest& request,
                                  uint64_t seed);

// The 2.5, 50 and 97.5 % points of the values (sorted in place).
QuantityInterval percentiles(std::vector<double>& values);

}  // namespace kaldero
