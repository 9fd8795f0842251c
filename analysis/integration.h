// The one integration routine of the analyses: a monotone piecewise cubic
// Hermite interpolant of the samples (PCHEZ, Fritsch & Butland), integrated
// (PCHQA) between a lower and an upper limit.
#pragma once

#include <cstdint>
#include <span>

#include "model/notices.h"
#include "model/results.h"

namespace kaldero {

// An integral and what the interpolation package said about it.
struct Integral {
  float value = 0;
  int32_t code = 0;  // the last code of the package (0, or a limits warning 1 to 3)
  // The code stored in the limits-warning indicator: positive when a limit
  // lay outside the samples (the extrapolated integral is the value).
  int32_t limitsWarning() const { return code > 0 ? code : 0; }
};

// Integrates the interpolant of the first n points (x, f) between the
// limits. A derivative error is noted and leaves the integral 0 (fewer than
// two points, or times that do not increase, have no interpolant); a limit
// outside [x(1), x(n)] is noted and the extrapolated integral returned.
// wideSums (StationSetup::wideSums): the sum over the intervals in double
// precision.
Integral integrate(Notices& notices, int32_t n, std::span<const float> x,
                   std::span<const float> f, IntegrationLimits limits, bool wideSums = false);

}  // namespace kaldero
