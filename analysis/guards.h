// Guards that keep degenerate data (a zero divisor, a negative variance)
// from turning results into NaN or infinities, which no listing may show.
#pragma once

#include <cmath>

namespace kaldero::guard {

// a / b, or 0 when the quotient cannot be formed (b is 0, or the result is
// not a finite number).
inline float quotient(float a, float b) {
  if (b == 0) return 0.0f;
  const float q = a / b;
  return std::isfinite(q) ? q : 0.0f;
}

// The square root of x, or 0 when x is not positive (as the standard
// deviation of a negative variance is taken as 0).
inline float root(float x) { return x > 0 && std::isfinite(x) ? std::sqrt(x) : 0.0f; }

// x to the power e for a positive base, else 0.
inline float power(float x, float e) {
  if (!(x > 0)) return 0.0f;
  const float p = std::pow(x, e);
  return std::isfinite(p) ? p : 0.0f;
}

// Micrograms to milligrams. Divided rather than multiplied by 0.001, so that
// a recovered mass equal to the injected one gives exactly 100 percent.
inline float ugToMg(float ug) { return ug / 1000.0f; }

}  // namespace kaldero::guard
