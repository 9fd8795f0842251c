// Tail extrapolation of a curve whose recession limb was not measured to
// its end.
#pragma once

#include <cstdint>

#include "input/station_curve.h"
#include "input/test_description.h"

namespace kaldero {

class Console;

// Extends the station curve past its last sample by the extrapolation method
// of the test description; called by the data pass when the extrapolation
// option is 1, after trailing samples without tracer have been dropped
// (C(N) > 0). Changes n and the curve in place.
void extrapolateTail(Console& console, const TestDescription& test, CurveSegments& curve,
                     int32_t& n, TailFit& tail);

}  // namespace kaldero
