#include "numeric/mobile_immobile.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kaldero::numeric {

namespace {

// The front: (L - v t)^2 / (4 D t) = kFrontExponent below the mobile
// travel time's mode; e^-94 = e^-80 e^-14, the second factor for the
// weight e^(gamma T) = accuracy^(-1/2) at which the inversion folds back
// what lies before it.
constexpr double kFrontExponent = 94;
// Where the curve is below e^-37 = 1e-16 of its scale.
constexpr double kNegligibleExponent = 37;

// The earlier root t of (L - v t)^2 / (4 D t) = K, written without
// cancellation: t = 2 L^2 / (b + sqrt(b^2 - 4 v^2 L^2)), b = 2 L v + 4 D K.
double frontTime(double L, double v, double D, double K) {
  const double b = 2 * L * v + 4 * D * K;
  const double root = std::sqrt(4 * D * K * (4 * L * v + 4 * D * K));
  const double t = 2 * L * L / (b + root);
  return std::isfinite(t) && t > 0 ? t : 0;
}

// ln((1 - e^-x) / x), the release average, for Re x >= 0; by its series
// near 0, where the quotient loses its digits.
Complex logReleaseAverage(Complex x) {
  if (std::abs(x) < 1e-3) {
    const Complex x2 = x * x;
    return -x / 2.0 + x2 / 24.0 - x2 * x2 / 2880.0;
  }
  return std::log((1.0 - std::exp(-x)) / x);
}

class Transform final : public LogTransform {
 public:
  Transform(const StoragePathResponse& p, bool derivatives) : p_(p), derivatives_(derivatives) {}
  int directions() const override { return derivatives_ ? 4 : 0; }
  double shift(double gamma) const override { return p_.front(gamma); }
  double negligibleBefore() const override { return p_.negligibleBefore(); }
  void evaluate(std::span<const Complex> s, std::span<Complex> logF,
                std::span<Complex> dlogF) const override {
    for (std::size_t k = 0; k < s.size(); ++k)
      logF[k] = p_.logTransform(s[k], derivatives_ ? &dlogF[4 * k] : nullptr);
  }

 private:
  const StoragePathResponse& p_;
  bool derivatives_;
};

}  // namespace

LaplaceInversionSettings storageInversionSettings(double peclet) {
  LaplaceInversionSettings s;
  // 33 transform values a window up to Pe = 1000; the sharper curves of
  // higher Peclet numbers need more (the width of the front shrinks as
  // Pe^-1/2 against the window): four more a decade, at most 49.
  s.terms = 16;
  if (peclet > 1000) s.terms += std::min(8, static_cast<int>(std::ceil(4 * std::log10(peclet / 1000))));
  s.accuracy = 1e-12;
  s.windowRatio = 2;
  s.windows = 40;
  return s;
}

StoragePathResponse::StoragePathResponse(double L, double v, double D, double beta, double alpha,
                                         double Td, double lambda)
    : L_(L), v_(v), D_(D), beta_(beta), alpha_(alpha), Td_(Td), lambda_(lambda) {
  valid_ = std::isfinite(L) && std::isfinite(v) && std::isfinite(D) && std::isfinite(beta) &&
           std::isfinite(alpha) && std::isfinite(Td) && std::isfinite(lambda) && L > 0 && v > 0 &&
           D > 0 && beta >= 0 && alpha >= 0 && Td >= 0 && lambda >= 0;
  if (!valid_) return;
  front_ = frontTime(L, v, D, kFrontExponent);
  negligible_ = frontTime(L, v, D, kNegligibleExponent);
}

double StoragePathResponse::front(double gamma) const {
  if (!valid_) return 0;
  // The saddle point of g(u) e^(-gamma u) for the mobile travel time:
  // there the exponent of the front, -(L - v u)^2 / (4 D u), falls as fast
  // as gamma u rises; before it faster.
  const double saddle = L_ / std::sqrt(v_ * v_ + 4 * D_ * std::max(gamma, 0.0));
  return std::min(front_, saddle);
}

double StoragePathResponse::meanTravelTime() const {
  return valid_ ? (1 + beta_) * L_ / v_ + Td_ / 2 : 0;
}

Complex StoragePathResponse::logTransform(Complex s, Complex* d) const {
  const Complex sigma = s + lambda_;
  const Complex sa = sigma + alpha_;
  const Complex exchange = sigma / sa;  // sigma / (sigma + alpha); never 0 / 0 here
  const Complex sp = sigma + beta_ * alpha_ * exchange;  // s'
  const Complex R = std::sqrt(v_ * v_ + 4 * D_ * sp);
  const Complex vR = v_ + R;
  Complex g = -2 * L_ * sp / vR;
  if (Td_ > 0) g += logReleaseAverage(s * Td_);
  if (d) {
    d[0] = 2 * L_ * sp / (R * vR);
    d[1] = 4 * L_ * sp * sp / (R * vR * vR);
    const Complex dsp = -L_ / R;
    d[2] = dsp * alpha_ * exchange;
    d[3] = dsp * beta_ * exchange * exchange;
  }
  return g;
}

void StoragePathResponse::values(std::span<const double> t, std::span<double> out) const {
  if (!valid_) {
    std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(t.size()), 0.0);
    return;
  }
  invertLaplace(Transform(*this, false), t, out, storageInversionSettings(v_ * L_ / D_));
}

void StoragePathResponse::valuesAndDerivatives(std::span<const double> t,
                                               std::span<double> out) const {
  if (!valid_) {
    std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(5 * t.size()), 0.0);
    return;
  }
  invertLaplace(Transform(*this, true), t, out, storageInversionSettings(v_ * L_ / D_));
}

}  // namespace kaldero::numeric
