// The paged console listing of a curve: sample number, time, concentration
// and, with a measured discharge, the discharge, 15 rows a page.
#pragma once

#include <cstdint>
#include <span>

#include "model/test_description.h"

namespace kaldero {
class Console;
}

namespace kaldero::plot {

// Lists n samples; the discharge mode of test decides the columns (1: with
// the third array as discharge, 2: time and concentration only, other modes
// no rows), the screen-echo option the waits between pages.
void dataListing(Console& console, const TestDescription& test, std::span<const float> T,
                 std::span<const float> C, std::span<const float> Q, int32_t n);

}  // namespace kaldero::plot
