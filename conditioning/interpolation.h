// Interpolation of the station curve onto evenly spaced knots by the
// monotone piecewise cubic Hermite interpolant (PCHEZ, PCHEV), in the units
// of the station data file. The knot curve goes to the interpolated-data
// file (files/interpolated_data.h) and then replaces the measured curve.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/notices.h"
#include "model/station_curve.h"
#include "model/test_description.h"

namespace kaldero {

// The storage of one interpolation: one allocation of 2N + 5K + 1 + w
// floats for N samples and K knots (w = 2K with the spline flag, else 1),
// holding in this order
//   the derivatives of C and of Q at the N samples,
//   the knot times, the knot concentrations and their derivatives,
//   the knot discharges and their derivatives (K each),
//   the w-element work array of the package (not needed by the monotone
//   rule).
class InterpolationWorkspace {
 public:
  static int64_t totalLength(int32_t n, int32_t k, bool spline) {
    const int64_t w = spline ? 2LL * k : 1;
    return 2LL * n + 5LL * k + 1 + w;
  }

  // False when the storage cannot be had (also when it would need more
  // elements than a 32-bit count can index).
  bool allocate(int32_t n, int32_t k, bool spline);
  void free();

  int32_t samples() const { return n_; }
  int32_t knots() const { return k_; }

  std::span<float> concentrationDerivatives() { return view(0, n_); }
  std::span<float> dischargeDerivatives() { return view(n_, n_); }
  std::span<float> knotTimes() { return view(2LL * n_, k_); }
  std::span<float> knotConcentrations() { return view(2LL * n_ + k_, k_); }
  std::span<float> knotConcentrationDerivatives() { return view(2LL * n_ + 2LL * k_, k_); }
  std::span<float> knotDischarges() { return view(2LL * n_ + 3LL * k_, k_); }
  std::span<float> knotDischargeDerivatives() { return view(2LL * n_ + 4LL * k_, k_); }

 private:
  std::span<float> view(int64_t start, int64_t length) {
    return std::span<float>(storage_).subspan(static_cast<std::size_t>(start),
                                              static_cast<std::size_t>(length));
  }

  std::vector<float> storage_;
  int32_t n_ = 0;
  int32_t k_ = 0;
};

// The number of knots from the first to the last of the n sample times at
// the knot spacing (both in the time unit of the file), rounded. A curve
// without extent, or a spacing that is not a number, gives a single knot,
// which the knot decision then rejects.
int32_t knotCount(std::span<const float> T, int32_t n, float spacing);

// Interpolates the n samples of curve (T, C, and Q in discharge mode
// Measured) onto the workspace's knots: from T(1) in steps of the knot
// spacing, each knot the previous one plus the spacing in float arithmetic,
// the last knot exactly T(N). Negative interpolated concentrations become 0;
// discharges are kept as interpolated. A failed PCHEZ or PCHEV call is
// returned as a notice and the interpolation goes on.
Notices interpolateOntoKnots(const TestDescription& test, float knotSpacing,
                             const CurveSegments& curve, int32_t n, InterpolationWorkspace& ws);

}  // namespace kaldero
