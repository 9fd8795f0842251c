// Interpolation of the station curve onto evenly spaced knots by the
// monotone piecewise cubic Hermite interpolant (PCHEZ, PCHEV), in the units
// of the station data file. The knot curve goes to the interpolated-data
// file (files/interpolated_data.h) and then replaces the measured curve.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/notices.h"
#include "model/curve.h"
#include "model/test_description.h"

namespace kaldero {

// Whether the interpolation onto k knots of n samples has storage: the
// work space of 2N + 5K + 1 + w values (w = 2K with the spline flag, else 1)
// must be countable in 32 bits and be had.
bool interpolationStorage(int32_t n, int32_t k);

// The number of knots from the first to the last of the n sample times at
// the knot spacing (both in the time unit of the file), rounded. A curve
// without extent, or a spacing that is not a number, gives a single knot,
// which the knot decision then rejects.
int32_t knotCount(std::span<const float> T, int32_t n, float spacing);

// The knot curve and the notices of the interpolation package.
struct KnotCurve {
  Curve knots;
  Notices notices;
};

// Interpolates the samples of curve (T, C, and Q in discharge mode
// Measured) onto `knots` knots: from T(1) in steps of the knot spacing, each
// knot the previous one plus the spacing in float arithmetic, the last knot
// exactly T(N). Negative interpolated concentrations become 0; discharges
// are kept as interpolated (0 in another discharge mode). A failed PCHEZ or
// PCHEV call is returned as a notice and the interpolation goes on.
KnotCurve interpolateOntoKnots(const TestDescription& test, float knotSpacing,
                               const Curve& curve, int32_t knots);

}  // namespace kaldero
