// The de Hoog inversion against transforms with known inverses: a double
// pole, the first-passage density of diffusion (with its derivative by the
// parameter), a shifted front, and transforms it cannot evaluate.
#include "numeric/laplace_inversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <vector>

namespace kaldero::numeric {
namespace {

// A transform from a function of s giving ln F and its derivatives.
class Lambda final : public LogTransform {
 public:
  Lambda(int directions, std::function<Complex(Complex, Complex*)> f, double shift = 0)
      : directions_(directions), f_(std::move(f)), shift_(shift) {}
  int directions() const override { return directions_; }
  double shift(double) const override { return shift_; }
  void evaluate(std::span<const Complex> s, std::span<Complex> logF,
                std::span<Complex> dlogF) const override {
    for (std::size_t k = 0; k < s.size(); ++k)
      logF[k] = f_(s[k], directions_ ? &dlogF[k * directions_] : nullptr);
  }

 private:
  int directions_;
  std::function<Complex(Complex, Complex*)> f_;
  double shift_;
};

std::vector<double> grid(double a, double b, int n) {
  std::vector<double> t;
  for (int i = 0; i < n; ++i) t.push_back(a + (b - a) * i / (n - 1));
  return t;
}

TEST(LaplaceInversion, DoublePoleOverFourDecadesOfTime) {
  // 1 / (s + 1)^2 <-> t e^-t.
  const Lambda F(0, [](Complex s, Complex*) { return -2.0 * std::log(s + 1.0); });
  std::vector<double> t;
  for (double x = 1e-3; x < 30; x *= 1.07) t.push_back(x);
  std::vector<double> f(t.size());
  invertLaplace(F, t, f);
  for (std::size_t i = 0; i < t.size(); ++i)
    EXPECT_NEAR(f[i], t[i] * std::exp(-t[i]), 1e-10) << t[i];
}

TEST(LaplaceInversion, DiffusionFrontAndItsDerivative) {
  // exp(-a sqrt(s)) <-> a / (2 sqrt(pi) t^1.5) exp(-a^2 / (4t)); by a:
  // f (1/a - a / (2t)). Unsorted times, and times at or before 0 give 0.
  const double a = 3;
  const Lambda F(1, [a](Complex s, Complex* d) {
    if (d) d[0] = -std::sqrt(s);
    return -a * std::sqrt(s);
  });
  std::vector<double> t = grid(0.05, 40, 300);
  std::swap(t[10], t[200]);
  t.push_back(0);
  t.push_back(-1);
  std::vector<double> out(2 * t.size());
  invertLaplace(F, t, out);
  double peak = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] <= 0) {
      EXPECT_EQ(out[i], 0);
      EXPECT_EQ(out[t.size() + i], 0);
      continue;
    }
    const double f =
        a / (2 * std::sqrt(std::numbers::pi) * std::pow(t[i], 1.5)) * std::exp(-a * a / (4 * t[i]));
    peak = std::max(peak, f);
    EXPECT_NEAR(out[i], f, 1e-10) << t[i];
    EXPECT_NEAR(out[t.size() + i], f * (1 / a - a / (2 * t[i])), 1e-9) << t[i];
  }
  EXPECT_GT(peak, 0.05);
}

TEST(LaplaceInversion, ShiftMovesASharpFrontWithinReach) {
  // A front a few per cent of its time wide: exp(-a sqrt(s)) (its peak
  // a^2 / 6 = 10.7 after the start) delayed by exp(-1000 s), and inverted
  // with the shift 990, before which it is 0.
  const double a = 8, delay = 1000;
  auto f = [&](Complex s, Complex*) { return -a * std::sqrt(s) - delay * s; };
  const Lambda F(0, f, 990), unshifted(0, f);
  const std::vector<double> t = grid(1000.5, 1100, 400);
  std::vector<double> shifted(t.size()), plain(t.size());
  invertLaplace(F, t, shifted);
  invertLaplace(unshifted, t, plain);
  double worstShifted = 0, worstPlain = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const double u = t[i] - delay;
    const double f = a / (2 * std::sqrt(std::numbers::pi) * std::pow(u, 1.5)) * std::exp(-a * a / (4 * u));
    worstShifted = std::max(worstShifted, std::fabs(shifted[i] - f));
    worstPlain = std::max(worstPlain, std::fabs(plain[i] - f));
  }
  // The peak is about 0.03.
  EXPECT_LT(worstShifted, 1e-9);
  // Without the shift the same number of terms cannot resolve the front:
  // what the shift is for.
  EXPECT_GT(worstPlain, 1e-4);
}

TEST(LaplaceInversion, TransformsThatCannotBeEvaluatedGiveNaN) {
  const Lambda nan(0, [](Complex, Complex*) {
    return Complex(std::numeric_limits<double>::quiet_NaN(), 0);
  });
  const std::vector<double> t{0.5, 1, 2};
  std::vector<double> f(t.size(), 7);
  invertLaplace(nan, t, f);
  for (double x : f) EXPECT_TRUE(std::isnan(x));
  // A transform that falls to nothing along the line: the series ends where
  // its terms underflow, and the (vanishing) result stays finite.
  auto steepTransform = [](Complex s, Complex*) { return -1e4 * std::sqrt(s); };
  const Lambda steep(0, steepTransform), steepShifted(0, steepTransform, 5);
  invertLaplace(steep, t, f);
  for (double x : f) EXPECT_NEAR(x, 0, 1e-300);
  // Nothing after the shift: all zero.
  invertLaplace(steepShifted, t, f);
  for (double x : f) EXPECT_EQ(x, 0);
}

}  // namespace
}  // namespace kaldero::numeric
