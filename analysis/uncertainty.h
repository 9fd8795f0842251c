// The uncertainty of a station's results by Monte Carlo propagation of the
// stated measurement errors: the station's measured record (every data
// line as read, signed) is perturbed again and again (concentrations with
// random, optionally autocorrelated errors, their sign kept; the discharge
// record by one rating factor a draw and random noise; the subtracted
// background by one value a draw; the sample times by random errors, kept
// in increasing order; an extrapolated tail by a method drawn among those
// that apply; with a detection limit, the readings below it censored).
// Each perturbed record gives its signed estimates
// (analysis/measured_series.h), then goes through the station's own data
// pass (the same thinning, group means and clipping of negatives as the
// listing's curve), conditioning and analyses. The 2.5, 50 and 97.5 %
// points of each quantity of the listing and of the signed estimates over
// the draws (linear interpolation between order statistics) are its
// interval; with a tail extrapolated, so are those of the share of the
// tracer load on it (kExtrapolatedShareName).
//
// With every error 0 each draw is the station's own analysis, so the
// intervals have zero width at the listing's values. A draw whose analysis
// stops (no mass recovered, times no longer increasing, a tail that cannot
// be extrapolated, a value beyond the program's numbers) is counted by its
// reason. The draws reuse the station's setup; nothing is written.
#pragma once

#include <cstdint>
#include <span>

#include "analysis/inputs.h"
#include "input/data_reduction.h"
#include "model/measured_record.h"
#include "model/curve.h"
#include "model/results.h"
#include "model/uncertainty.h"

namespace kaldero {

// What a draw starts from: the station as the run analysed it.
struct DrawStation {
  const TestDescription& test;
  const StationSetup& setup;         // internal units and the knot decision
  const ReleaseSetup& release;
  const MeasuredRecord& record;      // every data line as read (file units)
  const ReductionDecision& reduction;  // the samples, mode and factor of its data pass
  const CarriedResults& previous;    // what the station before left
  // The reads whose concentrations the band of the result is made at
  // (increasing; none: no band).
  std::span<const std::size_t> bandReads = {};
  // The dispersion method the listing chose (true: moments, false:
  // Chatwin; none: no dispersion coefficient). Every draw reports the
  // dispersion coefficient, dispersivity and Peclet number by that method,
  // so that their intervals belong to the listed values; the moment and
  // Chatwin estimates keep their own intervals.
  std::optional<bool> dispersionFromMoments = {};
  // The detection limit (station's unit): the readings of every draw below
  // it, and those of the station's record below it, are censored
  // (conditioning/detection_limit.h) before the draw's signed estimates and
  // data pass.
  std::optional<float> detectionLimit = {};
};

// seed: the station's own stream (numeric::streamSeed of the run's seed).
UncertaintyResult drawUncertainty(const DrawStation& station, const UncertaintyRequest& request,
                                  uint64_t seed);

// A stated absolute error no one can mean for this station: a
// concentration or background error beyond the largest concentration of
// its record (in size), a discharge error or noise beyond its largest
// discharge, a time error beyond the time its record spans. Why, or
// nothing. (Relative errors and the limits of every station are checked
// with the command line.)
std::optional<std::string> errorBeyondRecord(const UncertaintyRequest& request,
                                             const MeasuredRecord& record);

// A quantity of the listing whose value lies outside its own 95 % interval
// of the draws: the draws' own data pass (negative concentrations set to
// 0, a tail extrapolated again) has moved it.
struct OutsideInterval {
  std::string name;
  double value = 0;
  double low = 0, high = 0;
};
std::vector<OutsideInterval> listingOutsideIntervals(const StationResults& results,
                                                     const UncertaintyResult& draws);

// The 2.5, 50 and 97.5 % points of the values (sorted in place).
QuantityInterval percentiles(std::vector<double>& values);
// The same of single-precision values, each point between the results'
// values (singlePrecision) of the two floats it lies between.
QuantityInterval percentiles(std::vector<float>& values);

}  // namespace kaldero
