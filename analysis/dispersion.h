// Velocities, dispersion and Peclet number: the mean tracer velocity and its
// spread, the longitudinal dispersion coefficient (the Chatwin estimate or
// the method-of-moments one), the dispersivity, the Peclet number with its
// class, and the maximum tracer velocity from the first arrival.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "analysis/inputs.h"
#include "model/results.h"

namespace kaldero {

// The velocity and dispersion step, after the transit-time step. F holds
// the tracer load in the pulse regime, the concentrations for a long
// release. maxVelocity is the maximum velocity the previous station left
// (repeated when no sample qualifies here).
Transport velocitiesAndDispersion(const AnalysisInputs& in, std::span<const float> X,
                                  std::span<const float> F, const MassRecovery& mass,
                                  const TransitTimes& transit, const ChatwinResults& chatwin,
                                  const Carried& maxVelocity);

// "Diffusion > Advection", "Diffusion = Advection" or "Advection >
// Diffusion"; nothing for a Peclet number that is not a number.
std::optional<std::string_view> pecletClass(float peclet);

}  // namespace kaldero
