// Velocities, dispersion and Peclet number: the mean tracer velocity and its
// spread, the longitudinal dispersion coefficient (the Chatwin estimate or
// the method-of-moments one), the dispersivity, the Peclet number with its
// class, and the maximum tracer velocity from the first arrival.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "analysis/inputs.h"
#include "model/notices.h"
#include "model/results.h"

namespace kaldero {

// The velocity and dispersion step, after the transit-time step. F holds
// the tracer load for a pulse, the concentrations for a long release. The
// Chatwin dispersion coefficient (0 when there is none) and the flow-zone
// velocity correction are read from the results.
void velocitiesAndDispersion(Notices& notices, AnalysisResults& results,
                             const AnalysisInputs& in, int32_t n, std::span<const float> X,
                             std::span<const float> F, std::span<float> D);

// "Diffusion > Advection", "Diffusion = Advection" or "Advection >
// Diffusion"; empty for a Peclet number that is not a number.
std::string_view pecletClass(float peclet);

}  // namespace kaldero
