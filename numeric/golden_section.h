// The minimum of a function of one variable that is unimodal in a bracket,
// by golden-section search: each step keeps the part of the bracket that
// holds the smaller of two inner values, reusing one of them. Used after a
// coarse grid has found the bracket. No input or output.
#pragma once

namespace kaldero::numeric {

// The middle of the bracket [a, b] after at most `steps` steps, stopping
// once it is narrower than `width`.
template <class F>
double goldenSectionMinimum(F&& f, double a, double b, int steps, double width = 0) {
  const double ratio = 0.6180339887498949;  // (sqrt 5 - 1) / 2
  double x1 = b - ratio * (b - a), x2 = a + ratio * (b - a);
  double f1 = f(x1), f2 = f(x2);
  for (int it = 0; it < steps && b - a > width; ++it) {
    if (f1 < f2) {
      b = x2, x2 = x1, f2 = f1;
      x1 = b - ratio * (b - a);
      f1 = f(x1);
    } else {
      a = x1, x1 = x2, f1 = f2;
      x2 = a + ratio * (b - a);
      f2 = f(x2);
    }
  }
  return 0.5 * (a + b);
}

}  // namespace kaldero::numeric
