// Monotone piecewise cubic Hermite interpolation (PCHIP).
//
// PCHEZ computes the derivatives of the shape-preserving interpolant by the
// three-point rule of Fritsch & Butland (1984), with the end derivatives of
// Fritsch & Carlson (1980); PCHEV evaluates the Hermite cubics and their
// derivatives; PCHQA integrates the interpolant between two limits. All
// arithmetic is single precision. Arrays are 0-based here; the error codes
// are those of the published package:
//   PCHEZ  -1 n < 2, -3 x not strictly increasing; otherwise the number of
//          changes of monotonicity direction (not an error).
//   PCHEV  -1 n < 2, -3 x not strictly increasing, -4 ne < 1; otherwise the
//          number of evaluation points outside [x(1), x(n)], which are
//          evaluated on the nearest end cubic.
//   PCHQA  0, or +1 when a lies outside [x(1), x(n)], +2 when b does, +3
//          when both do; the value is returned either way. The package's
//          input checks are skipped (the derivatives come from PCHEZ).
// The spline option of PCHEZ is never used by the program: the flag is
// accepted and must be false.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kaldero::numeric {

// d receives n derivatives; the work array of the package is not needed by
// the monotone rule.
int32_t PCHEZ(int32_t n, const float* x, const float* f, float* d, bool spline = false);

// fe and de receive ne values and derivatives (de may be null).
int32_t PCHEV(int32_t n, const float* x, const float* f, const float* d, int32_t ne,
              const float* xe, float* fe, float* de);

// wideSum: the whole intervals' integrals are summed in double precision
// (for curves of millions of samples), then rounded.
float PCHQA(int32_t n, const float* x, const float* f, const float* d, float a, float b,
            int32_t& ierr, bool wideSum = false);

// The integral of the interpolant from x(1) to each x(i), i = 1..n (0 at
// the first), summed interval by interval in the same order and arithmetic
// as PCHQA, so that the last value equals PCHQA over [x(1), x(n)] exactly.
std::vector<float> cumulativeIntegral(int32_t n, const float* x, const float* f, const float* d);

// The integral of the same monotone interpolant in double precision, for
// the analyses beyond the listing, taken point by point so that a record of
// millions of samples needs no array: add() the points in order of strictly
// increasing x; value() is the integral from the first point to the point
// closedIntervals() (the interpolant's derivative at a point is known once
// the point after it is added); finish() closes the last interval and
// returns the integral over every point. Derivatives by PCHEZ's rule, each
// interval's integral in PCHQA's arithmetic.
class MonotoneIntegral {
 public:
  void add(double x, double f);
  double finish();
  double value() const { return 0.5 * sum_; }
  std::size_t closedIntervals() const { return closed_; }

 private:
  void close(double dRight);

  std::size_t n_ = 0, closed_ = 0;
  double x_[2] = {0, 0}, f_[2] = {0, 0};  // the two last points
  double h_[2] = {0, 0}, del_[2] = {0, 0};  // the two last intervals
  double d_[1] = {0};  // the derivative at x_[0]
  double sum_ = 0;
};

// Integral of the cubic on [x1, x2] with end values f1, f2 and derivatives
// d1, d2, from xa to xb.
float CHFIV(float x1, float x2, float f1, float f2, float d1, float d2, float xa, float xb);

}  // namespace kaldero::numeric
