// The conversion of a station to internal units (seconds, ng/L, m3/s,
// metres), after the background subtraction and before any analysis.
#pragma once

#include <cstdint>
#include <span>

#include "model/setup.h"
#include "model/test_description.h"
#include "model/units.h"

namespace kaldero::units {

// Converts the n samples in place, and sets the travel distance (with the
// sinuosity correction: a factor outside 1 to 3 counts as 1), the constant
// discharge and the knot spacing of the setup in internal units.
void convertStationData(const TestDescription& test, StationSetup& setup, std::span<float> T,
                        std::span<float> C, std::span<float> Q, int32_t n);

}  // namespace kaldero::units
