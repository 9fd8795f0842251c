#include "numeric/pchip.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace kaldero::numeric {

namespace {

// +1 when a and b have the same sign, -1 when opposite, 0 when either is 0.
template <class R>
R PCHST(R a, R b) {
  if (a == 0 || b == 0) return 0;
  return (a > 0) == (b > 0) ? R(1) : R(-1);
}

template <class R>
bool increasing(int32_t n, const R* x) {
  for (int32_t i = 1; i < n; ++i)
    if (!(x[i] > x[i - 1])) return false;
  return true;
}

// Value and derivative of the Hermite cubic on [x1, x2] at x.
void CHFEV(float x1, float x2, float f1, float f2, float d1, float d2, float x, float& fe,
           float& de) {
  const float h = x2 - x1;
  const float delta = (f2 - f1) / h;
  const float del1 = (d1 - delta) / h;
  const float del2 = (d2 - delta) / h;
  const float c2 = -(del1 + del1 + del2);
  const float c2t2 = c2 + c2;
  const float c3 = (del1 + del2) / h;
  const float c3t3 = c3 + c3 + c3;
  const float t = x - x1;
  fe = f1 + t * (d1 + t * (c2 + t * c3));
  de = d1 + t * (c2t2 + t * c3t3);
}

// The derivative at an end point (PCHEZ's shape-preserving three-point
// formula): hNear, delNear of the interval at the end, hFar, delFar of the
// one next to it.
template <class R>
R endDerivative(R hNear, R hFar, R delNear, R delFar) {
  const R hsum = hNear + hFar;
  const R wNear = (hNear + hsum) / hsum;
  const R wFar = -hNear / hsum;
  R d = wNear * delNear + wFar * delFar;
  if (PCHST(d, delNear) <= 0) {
    d = 0;
  } else if (PCHST(delNear, delFar) < 0) {
    const R dmax = 3 * delNear;
    if (std::fabs(d) > std::fabs(dmax)) d = dmax;
  }
  return d;
}

// The derivative at an interior point between intervals of widths h1, h2
// and slopes del1, del2 (Fritsch and Butland's weighted harmonic mean; 0
// where the slopes change sign or one is 0).
template <class R>
R interiorDerivative(R h1, R h2, R del1, R del2) {
  if (!(PCHST(del1, del2) > 0)) return 0;
  const R hsum = h1 + h2;
  if constexpr (std::is_same_v<R, double>) {
    // The same mean with one division: dmin dmax 3 hsum over
    // (hsum + h1) del1 + (hsum + h2) del2, whose sign is the slopes'.
    const double dmax = std::max(std::fabs(del1), std::fabs(del2));
    const double dmin = std::min(std::fabs(del1), std::fabs(del2));
    return dmin * dmax * 3 * hsum / ((hsum + h1) * del1 + (hsum + h2) * del2);
  }
  const R hsumt3 = 3 * hsum;
  const R w1 = (hsum + h1) / hsumt3;
  const R w2 = (hsum + h2) / hsumt3;
  const R dmax = std::max(std::fabs(del1), std::fabs(del2));
  const R dmin = std::min(std::fabs(del1), std::fabs(del2));
  const R drat1 = del1 / dmax;
  const R drat2 = del2 / dmax;
  return dmin / (w1 * drat1 + w2 * drat2);
}

// The derivatives of the monotone interpolant (PCHEZ's rule) in single
// precision, and the count of changes of monotonicity direction.
int32_t derivativesOf(int32_t n, const float* x, const float* f, float* d) {
  if (n < 2) return -1;
  if (!increasing(n, x)) return -3;
  int32_t ierr = 0;
  float h1 = x[1] - x[0];
  float del1 = (f[1] - f[0]) / h1;
  float dsave = del1;
  if (n == 2) {
    d[0] = d[1] = del1;
    return 0;
  }
  float h2 = x[2] - x[1];
  float del2 = (f[2] - f[1]) / h2;
  d[0] = endDerivative(h1, h2, del1, del2);

  // Interior points (1-based i = 2 .. n-1).
  for (int32_t i = 1; i < n - 1; ++i) {
    if (i != 1) {
      h1 = h2;
      h2 = x[i + 1] - x[i];
      del1 = del2;
      del2 = (f[i + 1] - f[i]) / h2;
    }
    const float s = PCHST(del1, del2);
    if (s < 0) {
      ++ierr;
      dsave = del2;
    } else if (s == 0) {
      if (del2 != 0) {
        if (PCHST(dsave, del2) < 0) ++ierr;
        dsave = del2;
      }
    }
    d[i] = interiorDerivative(h1, h2, del1, del2);
  }
  // Last point: mirror of the first.
  d[n - 1] = endDerivative(h2, h1, del2, del1);
  return ierr;
}

}  // namespace

int32_t PCHEZ(int32_t n, const float* x, const float* f, float* d, bool /*spline*/) {
  return derivativesOf(n, x, f, d);
}

void MonotoneIntegral::add(double x, double f) {
  ++n_;
  if (n_ >= 2) {
    const double h = x - x_[1], del = (f - f_[1]) / h;
    if (n_ == 3) d_[0] = endDerivative(h_[1], h, del_[1], del);
    if (n_ >= 3) {
      // The point before is interior: its derivative closes the interval
      // before it.
      const double d1 = interiorDerivative(h_[1], h, del_[1], del);
      close(d1);
      d_[0] = d1;
    }
    h_[0] = h_[1];
    del_[0] = del_[1];
    h_[1] = h;
    del_[1] = del;
  }
  x_[0] = x_[1];
  f_[0] = f_[1];
  x_[1] = x;
  f_[1] = f;
}

void MonotoneIntegral::close(double dRight) {
  // The interval from x_[0] to x_[1], with d_[0] at its left end.
  const double h = x_[1] - x_[0];
  sum_ += h * ((f_[0] + f_[1]) + (d_[0] - dRight) * (h / 6));
  ++closed_;
}

double MonotoneIntegral::finish() {
  if (n_ == 2) {
    // One interval: both derivatives its slope.
    d_[0] = del_[1];
    close(del_[1]);
  } else if (n_ >= 3) {
    close(endDerivative(h_[1], h_[0], del_[1], del_[0]));
  }
  return value();
}

int32_t PCHEV(int32_t n, const float* x, const float* f, const float* d, int32_t ne,
              const float* xe, float* fe, float* de) {
  if (n < 2) return -1;
  if (!increasing(n, x)) return -3;
  if (ne < 1) return -4;
  int32_t outside = 0;
  for (int32_t j = 0; j < ne; ++j) {
    const float v = xe[j];
    if (v < x[0] || v > x[n - 1]) ++outside;
    // Interval i with x(i) <= v < x(i+1); the last interval also takes x(n),
    // points beyond the ends use the end cubics (a point that is not a
    // number the first one).
    int32_t i;
    if (!(v >= x[1])) {
      i = 0;
    } else if (v >= x[n - 2]) {
      i = n - 2;
    } else {
      i = static_cast<int32_t>(std::upper_bound(x, x + n, v) - x) - 1;
    }
    float fv, dv;
    CHFEV(x[i], x[i + 1], f[i], f[i + 1], d[i], d[i + 1], v, fv, dv);
    fe[j] = fv;
    if (de) de[j] = dv;
  }
  return outside;
}

float CHFIV(float x1, float x2, float f1, float f2, float d1, float d2, float xa, float xb) {
  const float h = x2 - x1;
  const float ta1 = (xa - x1) / h;
  const float ta2 = (x2 - xa) / h;
  const float tb1 = (xb - x1) / h;
  const float tb2 = (x2 - xb) / h;
  const float ua1 = ta1 * ta1 * ta1;
  const float phia1 = ua1 * (2 - ta1);
  const float psia1 = ua1 * (3 * ta1 - 4);
  const float ua2 = ta2 * ta2 * ta2;
  const float phia2 = ua2 * (2 - ta2);
  const float psia2 = -ua2 * (3 * ta2 - 4);
  const float ub1 = tb1 * tb1 * tb1;
  const float phib1 = ub1 * (2 - tb1);
  const float psib1 = ub1 * (3 * tb1 - 4);
  const float ub2 = tb2 * tb2 * tb2;
  const float phib2 = ub2 * (2 - tb2);
  const float psib2 = -ub2 * (3 * tb2 - 4);
  const float fterm = f1 * (phia2 - phib2) + f2 * (phib1 - phia1);
  const float dterm = (d1 * (psia2 - psib2) + d2 * (psib1 - psia1)) * (h / 6);
  return (0.5f * h) * (fterm + dterm);
}

namespace {

// Twice the integral of the Hermite cubic over the interval ending at x(i),
// in PCHQA's arithmetic.
template <class R>
R twiceInterval(const R* x, const R* f, const R* d, int32_t i) {
  const R h = x[i] - x[i - 1];
  return h * ((f[i - 1] + f[i]) + (d[i - 1] - d[i]) * (h / 6));
}

template <class R>
std::vector<R> cumulative(int32_t n, const R* x, const R* f, const R* d) {
  std::vector<R> out(static_cast<std::size_t>(n > 0 ? n : 0), R(0));
  R sum = 0;
  for (int32_t i = 1; i < n; ++i) {
    sum += twiceInterval(x, f, d, i);
    out[static_cast<std::size_t>(i)] = R(0.5) * sum;
  }
  return out;
}

}  // namespace

std::vector<float> cumulativeIntegral(int32_t n, const float* x, const float* f, const float* d) {
  return cumulative(n, x, f, d);
}



float PCHQA(int32_t n, const float* x, const float* f, const float* d, float a, float b,
            int32_t& ierr, bool wideSum) {
  ierr = 0;
  if (a < x[0] || a > x[n - 1]) ierr += 1;
  if (b < x[0] || b > x[n - 1]) ierr += 2;
  if (a == b) return 0;
  const float xa = std::min(a, b);
  const float xb = std::max(a, b);
  // 0-based: X(2) is x[1], X(N-1) is x[n-2].
  if (xb <= x[1]) return CHFIV(x[0], x[1], f[0], f[1], d[0], d[1], a, b);
  if (xa >= x[n - 2])
    return CHFIV(x[n - 2], x[n - 1], f[n - 2], f[n - 1], d[n - 2], d[n - 1], a, b);

  // 1-based IA, IB as in the package.
  int32_t ia = 1;
  for (int32_t i = 1; i <= n - 1; ++i)
    if (xa > x[i - 1]) ia = i + 1;
  int32_t ib = n;
  for (int32_t i = n; i >= ia; --i)
    if (xb < x[i - 1]) ib = i - 1;

  float value = 0;
  if (ib < ia) {
    value = CHFIV(x[ib - 1], x[ia - 1], f[ib - 1], f[ia - 1], d[ib - 1], d[ia - 1], a, b);
    return value;
  }
  if (ib > ia) {
    if (wideSum) {
      double sum = 0;
      for (int32_t i = ia; i <= ib - 1; ++i) sum += twiceInterval(x, f, d, i);
      value = static_cast<float>(0.5 * sum);
    } else {
      float sum = 0;
      for (int32_t i = ia; i <= ib - 1; ++i) sum += twiceInterval(x, f, d, i);
      value = 0.5f * sum;
    }
  }
  if (xa < x[ia - 1]) {
    const int32_t il = std::max(1, ia - 1);
    const int32_t ir = il + 1;
    value += CHFIV(x[il - 1], x[ir - 1], f[il - 1], f[ir - 1], d[il - 1], d[ir - 1], xa,
                   x[ia - 1]);
  }
  if (xb > x[ib - 1]) {
    const int32_t ir = std::min(ib + 1, n);
    const int32_t il = ir - 1;
    value += CHFIV(x[il - 1], x[ir - 1], f[il - 1], f[ir - 1], d[il - 1], d[ir - 1],
                   x[ib - 1], xb);
  }
  if (a > b) value = -value;
  return value;
}

}  // namespace kaldero::numeric
