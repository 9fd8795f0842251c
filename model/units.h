// The units of the codes and their factors to the internal units: seconds,
// ng/L, m3/s, metres and milligrams. A code that is none of the names
// converts by 1 (it is left as it is).
#pragma once

#include "model/codes.h"

namespace kaldero::units {

// Seconds in one time unit.
float timeFactor(TimeUnit unit);
// Seconds in the time unit.
inline float fromSeconds(float seconds, TimeUnit unit) { return seconds / timeFactor(unit); }
// ng/L in one concentration unit.
float concentrationFactor(ConcentrationUnit unit);
// A discharge in the unit converted to m3/s, division first, then
// multiplication, in single precision.
float dischargeToSI(float q, DischargeUnit unit);
// Metres in one distance unit.
float distanceFactor(DistanceUnit unit);
// Milligrams in one mass unit.
float massFactor(MassUnit unit);

}  // namespace kaldero::units
