// Velocities, dispersion and Peclet number: the mean tracer velocity and its
// spread, the longitudinal dispersion coefficient (the Chatwin estimate or
// the method-of-moments one), the dispersivity, the Peclet number with its
// class, and the maximum tracer velocity from the first arrival.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "analysis/context.h"

namespace kaldero {

class Console;

// The velocity and dispersion step, after the transit-time step. F holds
// the tracer load for a pulse, the concentrations for a long release.
// chatwinEstimate is the Chatwin dispersion coefficient (m2/s, 0 when there
// is none); velocityCorrection the flow-zone velocity correction (m/s).
void velocitiesAndDispersion(const AnalysisContext& ctx, int32_t n, std::span<const float> X,
                             std::span<const float> F, std::span<float> D,
                             float chatwinEstimate, float velocityCorrection);

// "Diffusion > Advection", "Diffusion = Advection" or "Advection >
// Diffusion"; empty for a Peclet number that is not a number.
std::string_view pecletClass(float peclet);

// The console note that the dispersion was taken from the moments.
void CHTMSG(Console& console);

}  // namespace kaldero
