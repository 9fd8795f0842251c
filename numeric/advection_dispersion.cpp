#include "numeric/advection_dispersion.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "numeric/mobile_immobile.h"

namespace kaldero::numeric {

namespace {

constexpr double kSqrtPi = 1.7724538509055160273;
// Beyond this |a| the terms of F are below the smallest double: F is 0 or 1.
constexpr double kNegligible = 27.5;
// Below this argument exp(x^2) erfc(x) is formed directly (exp(676) and
// erfc(26) are both normal doubles); beyond it the asymptotic series.
constexpr double kSeriesFrom = 26;

// erfcx(x) for x >= kSeriesFrom: 1/(x sqrt(pi)) sum (-1)^k (2k-1)!! / (2x^2)^k;
// the eighth term is below 1e-18.
double erfcxSeries(double x) {
  const double r = 1 / (2 * x * x);
  double term = 1, sum = 1;
  for (int k = 1; k <= 8; ++k) {
    term *= -(2 * k - 1) * r;
    sum += term;
  }
  return sum / (x * kSqrtPi);
}

}  // namespace

double erfcx(double x) {
  if (x < 0) return 2 * std::exp(x * x) - erfcx(-x);
  if (x < kSeriesFrom) return std::exp(x * x) * std::erfc(x);
  return erfcxSeries(x);
}

PathResponse::PathResponse(double L, double v, double D, double Td)
    : L_(L), v_(v), D_(D), Td_(Td > 0 ? Td : 0) {
  valid_ = L > 0 && v > 0 && D > 0 && std::isfinite(L) && std::isfinite(v) && std::isfinite(D) &&
           std::isfinite(Td_);
  if (!valid_) return;
  peclet_ = v * L / D;
  // Used only where b < kSeriesFrom, which implies v L / D < kSeriesFrom^2.
  expPeclet_ = peclet_ < kSeriesFrom * kSeriesFrom ? std::exp(peclet_) : 0;
}

Response PathResponse::dirac(double t) const {
  if (!(t > 0) || !valid_) return {};
  const double d = L_ - v_ * t;
  const double a2 = d * d / (4 * D_ * t);
  // exp(-a2) is 0 beyond; the factor before it may not be finite there.
  if (!(a2 < 746)) return {};
  const double g = L_ / std::sqrt(4 * std::numbers::pi * D_ * t * t * t) * std::exp(-a2);
  return {g, g * d / (2 * D_), g * (a2 - 0.5) / D_};
}

PathResponse::Step PathResponse::cumulative(double t) const {
  if (!(t > 0) || !valid_) return {};
  const double w = 2 * std::sqrt(D_ * t);
  const double a = (L_ - v_ * t) / w;
  if (a > kNegligible) return {};
  if (a < -kNegligible) return {1, 0, 0, 0};
  const double b = (L_ + v_ * t) / w;
  const double E = std::exp(-a * a);
  // P = exp(vL/D) erfc(b) = exp(-a^2) erfcx(b), as b^2 - a^2 = vL/D.
  const double P = b < kSeriesFrom ? expPeclet_ * std::erfc(b) : E * erfcxSeries(b);
  const double Q = std::erfc(std::fabs(a));
  Step s;
  if (a >= 0) {
    s.F = 0.5 * (Q + P);
    s.S = 1 - s.F;
  } else {
    s.S = 0.5 * (Q - P);
    s.F = 1 - s.S;
  }
  // dF/dv = L/(2D) exp(vL/D) erfc(b): the terms of erfc(a) and erfc(b) in
  // a and b cancel. dF/dD = (E L / sqrt(pi D t) - vL/D P) / (2D).
  s.dFdv = L_ / (2 * D_) * P;
  s.dFdD = (E * 2 * L_ / (kSqrtPi * w) - peclet_ * P) / (2 * D_);
  return s;
}

Response PathResponse::step(double t) const {
  const Step s = cumulative(t);
  return {s.F, s.dFdv, s.dFdD};
}

Response PathResponse::stepComplement(double t) const {
  if (!valid_) return {};
  const Step s = cumulative(t);
  return {s.S, -s.dFdv, -s.dFdD};
}

Response PathResponse::pulse(double t) const {
  if (Td_ == 0) return dirac(t);
  if (!(t > 0) || !valid_) return {};
  const Step hi = cumulative(t);
  const Step lo = cumulative(t - Td_);
  // The difference of whichever of F and 1 - F is the smaller at the start
  // of the window, so that neither end loses its digits to a 1.
  const double value = lo.S < 0.5 ? lo.S - hi.S : hi.F - lo.F;
  return {value / Td_, (hi.dFdv - lo.dFdv) / Td_, (hi.dFdD - lo.dFdD) / Td_};
}

Response diracResponse(double t, double L, double v, double D) {
  return PathResponse(L, v, D).dirac(t);
}

Response stepResponse(double t, double L, double v, double D) {
  return PathResponse(L, v, D).step(t);
}

Response stepComplement(double t, double L, double v, double D) {
  return PathResponse(L, v, D).stepComplement(t);
}

Response pulseResponse(double t, double L, double v, double D, double Td) {
  return PathResponse(L, v, D, Td).pulse(t);
}

double concentration(double t, double L, double Q, double Td, std::span<const FlowPath> paths) {
  if (!(Q > 0)) return 0;
  double c = 0;
  concentrations({&t, 1}, {&Q, 1}, L, Td, paths, {&c, 1});
  return c;
}

void concentrations(std::span<const double> t, std::span<const double> Q, double L, double Td,
                    std::span<const FlowPath> paths, std::span<double> out) {
  const std::size_t n = t.size();
  std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n), 0.0);
  std::vector<double> h(n);
  for (const FlowPath& p : paths) {
    if (p.hasStorage() || p.decayRate > 0) {
      const bool zone = p.hasStorage();
      StoragePathResponse(L, p.velocity, p.dispersion, zone ? p.storageRatio : 0,
                          zone ? p.exchangeRate : 0, Td, p.decayRate)
          .values(t, h);
    } else {
      const PathResponse path(L, p.velocity, p.dispersion, Td);
      for (std::size_t i = 0; i < n; ++i) h[i] = path.pulse(t[i]).value;
    }
    for (std::size_t i = 0; i < n; ++i)
      if (Q[i] > 0) out[i] += p.mass / Q[i] * h[i];
  }
}

}  // namespace kaldero::numeric
