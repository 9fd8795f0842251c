// The station curve as tracer load (concentration times discharge) and back.
// Both work in place on the n concentrations; the discharge mode decides:
// the measured discharge of each sample, or the constant discharge of the
// setup (m3/s); any other mode changes nothing.
#pragma once

#include <cstdint>
#include <span>

#include "model/setup.h"
#include "model/test_description.h"

namespace kaldero {

void toTracerLoad(const TestDescription& test, const StationSetup& setup, std::span<float> C,
                  std::span<const float> Q, int32_t n);

// A negative quotient is stored as 0; so is the load of a sample without
// discharge, which has no concentration to give back.
void toConcentration(const TestDescription& test, const StationSetup& setup, std::span<float> C,
                     std::span<const float> Q, int32_t n);

}  // namespace kaldero
