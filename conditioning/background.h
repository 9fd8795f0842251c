// Background subtraction: the background concentration of the test
// description is taken off every concentration (in the concentration unit
// of the station data file), negative results becoming 0.
#pragma once

#include <span>
#include <vector>

#include "model/test_description.h"

namespace kaldero {

// The concentrations with the background taken off when the background
// option is on, else as they are. The analyses take negative results as 0;
// the flow-path fit keeps them (keepNegatives), so that noise about the
// background is not biased upwards.
std::vector<float> subtractBackground(const TestDescription& test, std::span<const float> C,
                                      bool keepNegatives = false);

}  // namespace kaldero
