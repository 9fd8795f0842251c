// The station curve as tracer load (concentration times discharge) and back.
// Both work in place on the n concentrations; the discharge mode decides:
// 1 the measured discharge of each sample, 2 the constant discharge, any
// other mode changes nothing.
#pragma once

#include <cstdint>
#include <span>

#include "model/test_description.h"

namespace kaldero {

void toTracerLoad(const TestDescription& test, std::span<float> C, std::span<const float> Q,
                  int32_t n);

// A negative quotient is stored as 0; so is the load of a sample without
// discharge, which has no concentration to give back.
void toConcentration(const TestDescription& test, std::span<float> C, std::span<const float> Q,
                     int32_t n);

}  // namespace kaldero
