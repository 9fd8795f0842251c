// Transit times: first arrival and peak of the station curve, and the mean
// transit time with its variance, standard deviation, skewness and kurtosis
// from the moments of the curve.
#pragma once

#include <cstdint>
#include <span>

#include "analysis/inputs.h"
#include "model/notices.h"
#include "model/results.h"

namespace kaldero {

// First arrival (first sample with a positive concentration; kept when there
// is none), the peak sample (the first of the largest concentration), the
// peak time less the flow-zone arrival time (hours) and the Chatwin peak
// parameter.
void firstArrivalAndPeak(AnalysisResults& results, int32_t n, std::span<const float> X,
                         std::span<const float> C, float flowZoneArrival);

// The transit-time step (the computation of DITRTI). F holds the tracer
// load for a pulse, the concentrations for a long release, and is left as
// it was found. Returns false, computing nothing, when no mass was
// recovered (the run then stops). Leaves the mean transit time corrected by
// the flow-zone arrival time in the results; skewness and kurtosis only
// when the normalized-file option is set.
bool transitTimes(Notices& notices, AnalysisResults& results, const AnalysisInputs& in,
                  int32_t n, std::span<const float> X, std::span<const float> F,
                  std::span<float> D);

}  // namespace kaldero
