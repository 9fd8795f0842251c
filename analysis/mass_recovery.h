// Tracer-mass recovery: the integrals that follow the mass integration (the
// first-moment and distance-weighted steps) and the percent recovery.
#pragma once

#include <cstdint>
#include <span>

#include "analysis/inputs.h"
#include "model/notices.h"
#include "model/results.h"

namespace kaldero {

// The first-moment step (MOMONE). For an instantaneous or short release F
// holds the tracer load and the integral is that of F times the time; for a
// long release F holds concentrations, the upper integration limit is
// lowered to the peak sample and the integral is that of the shortfall
// 1 - F/Cpeak. Sets results.firstMoment, results.comparisonTime (hours) and
// the recorded upper limit. A load at time 0 becomes 0.
void firstMomentStep(Notices& notices, AnalysisResults& results, const AnalysisInputs& in,
                     int32_t n, std::span<const float> X, std::span<float> F,
                     std::span<float> D);

// The distance-weighted step (DISINT): sets results.distanceWeighted.
void distanceWeightedStep(Notices& notices, AnalysisResults& results, const AnalysisInputs& in,
                          int32_t n, std::span<const float> X, std::span<const float> F,
                          std::span<float> D);

// The percent recovery and the accuracy index of the station (the
// computation of RECREP), from the recovered mass (ug) and the injected
// mass (mg). Without an injected mass both are 0 rather than infinities.
void recovery(AnalysisResults& results, float injectedMass);

}  // namespace kaldero
