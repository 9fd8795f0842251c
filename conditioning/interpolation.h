// Interpolation of the station curve onto evenly spaced knots by the
// monotone piecewise cubic Hermite interpolant (PCHEZ, PCHEV), in the units
// of the station data file. The knot curve is written to the
// interpolated-data file and then replaces the measured curve.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/station_curve.h"
#include "model/test_description.h"

namespace kaldero {

class Console;

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

// Interpolates the n samples of curve (T, C, and Q in discharge mode 1)
// onto the workspace's knots: from T(1) in steps of the knot spacing of the
// test description, each knot the previous one plus the spacing in float
// arithmetic, the last knot exactly T(N). Negative interpolated
// concentrations become 0; discharges are kept as interpolated. A failed
// PCHEZ or PCHEV call is reported with a pause and the interpolation goes
// on. Writes the interpolated-data file: when it cannot be created the run
// stops with a report; when it cannot be written completely that is
// reported, the knot curve is still used and false is returned.
bool interpolateOntoKnots(Console& console, const TestDescription& test, const CurveSegments& curve,
                          int32_t n, InterpolationWorkspace& ws);

// The storage reports; both stop the run.
[[noreturn]] void interpolationStorageStop(Console& console);
[[noreturn]] void curveStorageStop(Console& console);

}  // namespace kaldero
