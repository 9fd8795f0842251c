// Background subtraction: the background concentration of the test
// description is taken off every concentration (in the concentration unit
// of the station data file), negative results becoming 0.
#pragma once

#include <span>
#include <vector>

#include "model/test_description.h"

namespace kaldero {

// The concentrations with the background taken off when the background
// option is on, else as they are; negative results become 0. (The analyses
// beyond the listing keep their sign: analysis/measured_series.h.)
std::vector<float> subtractBackground(const TestDescription& test, std::span<const float> C);
// The same in the array itself.
void subtractBackgroundInPlace(const TestDescription& test, std::span<float> C);

}  // namespace kaldero
