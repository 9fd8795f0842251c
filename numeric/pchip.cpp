#include "numeric/pchip.h"

#include <algorithm>
#include <cmath>

namespace kaldero::numeric {

namespace {

// +1 when a and b have the same sign, -1 when opposite, 0 when either is 0.
float PCHST(float a, float b) {
  if (a == 0 || b == 0) return 0;
  return (a > 0) == (b > 0) ? 1.0f : -1.0f;
}

bool increasing(int32_t n, const float* x) {
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

}  // namespace

int32_t PCHEZ(int32_t n, const float* x, const float* f, float* d, bool /*spline*/) {
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
  float hsum = h1 + h2;

  // First point: shape-preserving three-point formula.
  float w1 = (h1 + hsum) / hsum;
  float w2 = -h1 / hsum;
  d[0] = w1 * del1 + w2 * del2;
  if (PCHST(d[0], del1) <= 0) {
    d[0] = 0;
  } else if (PCHST(del1, del2) < 0) {
    const float dmax = 3 * del1;
    if (std::fabs(d[0]) > std::fabs(dmax)) d[0] = dmax;
  }

  // Interior points (1-based i = 2 .. n-1).
  for (int32_t i = 1; i < n - 1; ++i) {
    if (i != 1) {
      h1 = h2;
      h2 = x[i + 1] - x[i];
      hsum = h1 + h2;
      del1 = del2;
      del2 = (f[i + 1] - f[i]) / h2;
    }
    d[i] = 0;
    const float s = PCHST(del1, del2);
    if (s < 0) {
      ++ierr;
      dsave = del2;
    } else if (s == 0) {
      if (del2 != 0) {
        if (PCHST(dsave, del2) < 0) ++ierr;
        dsave = del2;
      }
    } else {
      const float hsumt3 = 3 * hsum;
      w1 = (hsum + h1) / hsumt3;
      w2 = (hsum + h2) / hsumt3;
      const float dmax = std::max(std::fabs(del1), std::fabs(del2));
      const float dmin = std::min(std::fabs(del1), std::fabs(del2));
      const float drat1 = del1 / dmax;
      const float drat2 = del2 / dmax;
      d[i] = dmin / (w1 * drat1 + w2 * drat2);
    }
  }

  // Last point: mirror of the first.
  w1 = -h2 / hsum;
  w2 = (h2 + hsum) / hsum;
  d[n - 1] = w1 * del1 + w2 * del2;
  if (PCHST(d[n - 1], del2) <= 0) {
    d[n - 1] = 0;
  } else if (PCHST(del1, del2) < 0) {
    const float dmax = 3 * del2;
    if (std::fabs(d[n - 1]) > std::fabs(dmax)) d[n - 1] = dmax;
  }
  return ierr;
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

std::vector<float> cumulativeIntegral(int32_t n, const float* x, const float* f, const float* d) {
  std::vector<float> out(static_cast<std::size_t>(n > 0 ? n : 0), 0.0f);
  float sum = 0;
  for (int32_t i = 1; i < n; ++i) {
    const float h = x[i] - x[i - 1];
    sum += h * ((f[i - 1] + f[i]) + (d[i - 1] - d[i]) * (h / 6));
    out[static_cast<std::size_t>(i)] = 0.5f * sum;
  }
  return out;
}

float PCHQA(int32_t n, const float* x, const float* f, const float* d, float a, float b,
            int32_t& ierr) {
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
    float sum = 0;
    for (int32_t i = ia; i <= ib - 1; ++i) {
      const float h = x[i] - x[i - 1];
      sum += h * ((f[i - 1] + f[i]) + (d[i - 1] - d[i]) * (h / 6));
    }
    value = 0.5f * sum;
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
