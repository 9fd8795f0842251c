// First arrival and peak, and the transit times: the mean transit time, its
// variance, standard deviation, skewness and kurtosis from the moments of
// the curve.
#pragma once

#include <span>

#include "analysis/inputs.h"
#include "model/curve.h"
#include "model/results.h"

namespace kaldero {

// First arrival (the first sample with a positive concentration; 0 when
// there is none), the peak sample (the first of the largest concentration),
// the peak time less the flow-zone arrival time (hours) and the Chatwin peak
// parameter. C in ng/L, X in s.
ArrivalAndPeak arrivalAndPeak(std::span<const float> X, std::span<const float> C,
                              float flowZoneArrival);

// The transit-time step. F holds the tracer load in the pulse regime, the
// concentrations for a long release; the integrals run between the limits
// the first-moment step left. Nothing when no mass was recovered (the run
// then stops). The mean transit time is corrected by the flow-zone arrival
// time; skewness and kurtosis only with the normalized-file option.
std::optional<TransitTimes> transitTimes(const AnalysisInputs& in, std::span<const float> X,
                                         std::span<const float> F, const ArrivalAndPeak& peak,
                                         const MassRecovery& mass);

}  // namespace kaldero
