// The station curve as tracer load (concentration times discharge) and back:
// each makes a new array from the n values given. The discharge mode
// decides: the measured discharge of each sample, or the constant discharge
// (m3/s); any other mode leaves the values as they are.
#pragma once

#include <span>
#include <vector>

#include "model/codes.h"

namespace kaldero {

struct DischargeOf {
  DischargeMode mode{0};
  std::span<const float> measured;  // one per sample, discharge mode Measured
  float constant = 0;               // m3/s, discharge mode Constant
};

std::vector<float> tracerLoad(std::span<const float> C, const DischargeOf& q);

// A negative quotient is stored as 0; so is the load of a sample without
// discharge, which has no concentration to give back.
std::vector<float> concentrationsFromLoad(std::span<const float> load, const DischargeOf& q);

}  // namespace kaldero
