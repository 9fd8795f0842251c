// Background subtraction: the background concentration of the test
// description is taken off every concentration (in the concentration unit
// of the station data file), negative results becoming 0.
#pragma once

#include <cstdint>
#include <span>

#include "model/test_description.h"

namespace kaldero {

void subtractBackground(const TestDescription& test, std::span<float> C, int32_t n);

}  // namespace kaldero
