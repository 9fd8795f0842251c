// Tracer-mass recovery: the tracer-load integral over the whole curve (the
// recovered mass), the first-moment and distance-weighted integrals that
// follow it, and the percent recovery.
#pragma once

#include <span>

#include "analysis/inputs.h"
#include "analysis/tracer_load.h"
#include "model/curve.h"
#include "model/results.h"

namespace kaldero {

// The integrals from the first to the last sample of the conditioned curve
// (times in s, concentrations in ng/L): the load integral in ug, then
//   the first-moment step: for an instantaneous or short release the
//   integral of the load times the time; for a long release (half the peak
//   time not beyond the release) the integral of the shortfall below the
//   peak, 1 - C/Cpeak, up to the peak sample, which lowers the upper limit
//   of the later integrals to the peak;
//   the distance-weighted step: the integral of L F (instantaneous) or of
//   L F t / (t - Td/2) (short pulse), or L itself for a long release.
// The curves it derives (the load, the curve the first moment integrates
// and that curve after the step's F*t/t round trip) go into curves.
MassRecovery massRecovery(const AnalysisInputs& in, const Curve& conditioned,
                          const DischargeOf& discharge, const ArrivalAndPeak& arrival,
                          AnalysisCurves& curves);

// The percent recovery and the accuracy index of the station from the
// recovered mass (ug) and the injected mass (mg). Without an injected mass
// both are undefined.
Recovery recovery(float recoveredMass, float injectedMass);

// The recovered mass (ug) in the units of the listing.
MassInUnits massInUnits(float micrograms, bool pounds);

}  // namespace kaldero
