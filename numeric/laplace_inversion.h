// Numerical inversion of Laplace transforms by the method of de Hoog, Knight
// and Stokes (1982), on all the times of a sample at once, with the
// derivatives of the result by the parameters of the transform.
//
// The method: on the line Re s = gamma the inverse is the Fourier series
//   f(t) ~ e^(gamma t) / T * Re[ a_0 / 2 + sum_k a_k z^k ],
//   a_k = F(gamma + i k pi / T),  z = exp(i pi t / T),
// whose aliasing error is about e^(-2 gamma T) f(t + 2T); gamma is set from
// the accuracy asked for, gamma = -ln(accuracy) / (2T). The first 2M + 1
// terms of the power series in z are turned into a continued fraction
//   d_0 / (1 + d_1 z / (1 + d_2 z / (1 + ... d_2M z)))
// by the quotient-difference algorithm (de Hoog et al. 1982, eq. 20-21),
// which is the diagonal Pade approximant of the series: it converges much
// faster than the series itself. The continued fraction is expanded once
// into its numerator and denominator polynomials of degree M (the
// three-term recurrence of its convergents A_n = A_(n-1) + d_n z A_(n-2),
// B likewise), and each time costs two polynomial evaluations. The tail
// estimate of de Hoog et al. (their eq. 23) is left out: on the transforms
// of this program it does not improve on the plain approximant.
//
// Windows: one set of 2M + 1 transform values serves every time of a window
// (Fourier-series methods share their nodes between times; the acceleration
// coefficients d_k do not depend on t). The accuracy falls for times far
// below T, and where a sharp rise lies near the window's end, so the times
// are cut into windows of t' = t - t0 in (hi / ratio, hi] (t0 the shift
// below), hi divided by the ratio from the largest time down to the
// smallest, or down to where the transform says its inverse is negligible
// (the last window reaches down to t' = 0). As the shift moves with the
// parameters of the transform, a time may change windows: the result then
// jumps by the error of the inversion, about 1e-10 of the curve's peak.
//
// Shift: a transform whose inverse is negligible before a time t0 (a
// breakthrough curve before its first arrival) is inverted as
// e^(s t0) F(s), the curve moved earlier by t0. The sharp front then lies
// at a few of its own widths from t' = 0 instead of at a large multiple of
// its width, which is what the number of terms must resolve. The part
// before t0 is not lost but folded back: the series reproduces
// e^(gamma t) sum_k e^(-gamma (t + 2kT)) f(t + 2kT), and for k < 0 the
// times before t0 return weighted by e^(gamma (t - u)). So t0 must be
// where f(u) e^(gamma (t - u)) is negligible for every u < t0: the
// transform gives t0 as a function of gamma, no later than the time that
// dominates its value at s = gamma (a saddle point of f(u) e^(-gamma u)).
// Each window takes the shift of its own gamma, no later than t0.
//
// Derivatives: the transform is given by its logarithm and the derivatives
// of the logarithm by each parameter; the quotient-difference table, the
// polynomials and their values are carried with those derivatives (forward
// differentiation), which gives the exact derivatives of the approximation,
// consistent with its values.
//
// Units: any consistent time unit (s is the transform variable in its
// inverse). Double precision; no input or output.
#pragma once

#include <complex>
#include <span>

namespace kaldero::numeric {

using Complex = std::complex<double>;

// The most parameters a transform may carry derivatives for.
inline constexpr int kMaxInversionDirections = 6;

// A transform to invert, given by its logarithm at the nodes.
class LogTransform {
 public:
  virtual ~LogTransform() = default;
  // The number of parameters whose derivatives come with the value
  // (0 to kMaxInversionDirections).
  virtual int directions() const = 0;
  // For every node s[k]: logF[k] = ln F(s[k]) (any branch of the logarithm)
  // and dlogF[k * directions() + j] = d ln F / d p_j at s[k].
  virtual void evaluate(std::span<const Complex> s, std::span<Complex> logF,
                        std::span<Complex> dlogF) const = 0;
  // A time t0 >= 0 such that f(u) e^(gamma (t0 - u)) is below about 1e-35 of
  // the scale of f for every u < t0; not increasing with gamma. 0 (no
  // shift) unless the transform knows better.
  virtual double shift(double gamma) const {
    (void)gamma;
    return 0;
  }
  // A time before which f is below about 1e-16 of its scale: the windows
  // need not be narrower there (0: down to the smallest time).
  virtual double negligibleBefore() const { return 0; }
};

struct LaplaceInversionSettings {
  int terms = 20;            // M: 2M + 1 transform values a window
  double accuracy = 1e-12;   // e^(-2 gamma T), the aliasing error's factor
  double windowRatio = 2;    // largest over smallest time of a window
  int windows = 40;          // at most; the last one reaches down to the shift
};

// The inverse at the times (any order) and its derivatives:
// out[c * times.size() + i] is, for c = 0, f(times[i]) and, for c = 1 + j,
// df/dp_j there; out holds (1 + F.directions()) * times.size() values.
// Times at or before F.shift(0) give 0. A value that cannot be formed (a
// transform value that is not finite) comes out as NaN.
void invertLaplace(const LogTransform& F, std::span<const double> times, std::span<double> out,
                   const LaplaceInversionSettings& settings = {});

}  // namespace kaldero::numeric
