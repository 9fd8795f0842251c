#include "numeric/laplace_inversion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace kaldero::numeric {

namespace {

// A complex number with its derivatives by N parameters.
template <int N>
struct Jet {
  Complex v{};
  std::array<Complex, N> d{};
};

template <int N>
Jet<N> operator+(const Jet<N>& a, const Jet<N>& b) {
  Jet<N> r;
  r.v = a.v + b.v;
  for (int j = 0; j < N; ++j) r.d[j] = a.d[j] + b.d[j];
  return r;
}

template <int N>
Jet<N> operator-(const Jet<N>& a, const Jet<N>& b) {
  Jet<N> r;
  r.v = a.v - b.v;
  for (int j = 0; j < N; ++j) r.d[j] = a.d[j] - b.d[j];
  return r;
}

template <int N>
Jet<N> operator-(const Jet<N>& a) {
  Jet<N> r;
  r.v = -a.v;
  for (int j = 0; j < N; ++j) r.d[j] = -a.d[j];
  return r;
}

template <int N>
Jet<N> operator*(const Jet<N>& a, const Jet<N>& b) {
  Jet<N> r;
  r.v = a.v * b.v;
  for (int j = 0; j < N; ++j) r.d[j] = a.d[j] * b.v + a.v * b.d[j];
  return r;
}

// 1 / b without the library's care for infinities and NaN, which costs a
// call for every division (a value that is not finite is caught after).
inline Complex reciprocal(const Complex& b) {
  const double n = b.real() * b.real() + b.imag() * b.imag();
  return {b.real() / n, -b.imag() / n};
}

template <int N>
Jet<N> operator/(const Jet<N>& a, const Jet<N>& b) {
  Jet<N> r;
  const Complex inv = reciprocal(b.v);
  r.v = a.v * inv;
  for (int j = 0; j < N; ++j) r.d[j] = (a.d[j] - r.v * b.d[j]) * inv;
  return r;
}

bool finite(const Complex& c) { return std::isfinite(c.real()) && std::isfinite(c.imag()); }

template <int N>
bool finite(const Jet<N>& a) {
  if (!finite(a.v)) return false;
  for (int j = 0; j < N; ++j)
    if (!finite(a.d[j])) return false;
  return true;
}

// Magnitudes below this are taken as underflow: the series ends before them.
constexpr double kNegligibleTerm = 1e-280;

template <int N>
class Inverter {
 public:
  Inverter(const LogTransform& F, const LaplaceInversionSettings& settings)
      : F_(F),
        M_(std::max(settings.terms, 1)),
        terms_(static_cast<std::size_t>(2 * M_ + 1)),
        ratio_(settings.windowRatio > 1 ? settings.windowRatio : 2),
        windows_(std::max(settings.windows, 1)),
        logAccuracy_(std::log(std::clamp(settings.accuracy, 1e-300, 0.5))),
        s_(terms_),
        logF_(terms_),
        dlogF_(terms_ * N),
        a_(terms_),
        d_(terms_),
        q_(terms_),
        e_(terms_),
        ePrevious_(terms_) {}

  void run(std::span<const double> times, std::span<double> out);

 private:
  int continuedFraction(std::size_t used);
  void convergent(int count);
  void horner(const std::vector<Jet<N>>& c, int component, std::vector<double>& re,
              std::vector<double>& im) const;
  void window(std::span<const double> times, std::span<double> out, double base, double hi);

  const LogTransform& F_;
  int M_;
  std::size_t terms_;
  double ratio_;
  int windows_;
  double logAccuracy_;
  std::vector<Complex> s_, logF_, dlogF_;
  std::vector<Jet<N>> a_, d_, q_, e_, ePrevious_;
  std::vector<Jet<N>> A2_, A1_, A_, B2_, B1_, B_;
  std::vector<std::size_t> index_;
  std::vector<double> zr_, zi_, pr_, pi_, qr_, qi_, dr_, di_, ratioRe_, ratioIm_, factor_;
};

// The continued-fraction coefficients d_0 .. d_(count - 1) of the series
// a_0 + a_1 z + ... + a_(used - 1) z^(used - 1) (used odd) by the
// quotient-difference algorithm. Stops at the first coefficient that
// cannot be formed; returns how many there are (odd).
template <int N>
int Inverter<N>::continuedFraction(std::size_t used) {
  const int M = static_cast<int>(used - 1) / 2;
  d_[0] = a_[0];
  if (M == 0) return 1;
  for (std::size_t i = 0; i + 1 < used; ++i) q_[i] = a_[i + 1] / a_[i];
  for (std::size_t i = 0; i < used; ++i) ePrevious_[i] = Jet<N>{};
  int made = 1;
  for (int r = 1; r <= M; ++r) {
    for (int i = 0; i <= 2 * M - 2 * r; ++i) e_[i] = q_[i + 1] - q_[i] + ePrevious_[i + 1];
    const Jet<N> odd = -q_[0], even = -e_[0];
    if (!finite(odd) || !finite(even) || odd.v == 0.0 || even.v == 0.0) break;
    d_[2 * r - 1] = odd;
    d_[2 * r] = even;
    made = 2 * r + 1;
    if (r < M)
      for (int i = 0; i <= 2 * M - 2 * r - 1; ++i) q_[i] = q_[i + 1] * e_[i + 1] / e_[i];
    std::swap(e_, ePrevious_);
  }
  return made;
}

// The numerator and denominator polynomials (coefficients of z^0 .. z^K,
// K = (count - 1) / 2) of the convergent A_(count-1) / B_(count-1), left in
// A1_ and B1_.
template <int N>
void Inverter<N>::convergent(int count) {
  const std::size_t size = static_cast<std::size_t>(count / 2 + 1);
  for (auto* v : {&A2_, &A1_, &A_, &B2_, &B1_, &B_}) v->assign(size, Jet<N>{});
  // A_(-1) = 0, A_0 = d_0; B_(-1) = 1, B_0 = 1.
  A1_[0] = d_[0];
  B2_[0].v = 1;
  B1_[0].v = 1;
  for (int k = 1; k < count; ++k) {
    const Jet<N>& dk = d_[static_cast<std::size_t>(k)];
    // A_k has degree (k + 1) / 2 ... only the coefficients that can be
    // non-zero are formed.
    const std::size_t top = std::min(size - 1, static_cast<std::size_t>((k + 1) / 2));
    for (std::size_t j = 0; j <= top; ++j) {
      A_[j] = A1_[j];
      B_[j] = B1_[j];
      if (j > 0) {
        A_[j] = A_[j] + dk * A2_[j - 1];
        B_[j] = B_[j] + dk * B2_[j - 1];
      }
    }
    std::swap(A2_, A1_);
    std::swap(A1_, A_);
    std::swap(B2_, B1_);
    std::swap(B1_, B_);
  }
}

// Values of one polynomial component at the samples' z (structure of arrays
// so that the loop over the samples vectorises).
template <int N>
void Inverter<N>::horner(const std::vector<Jet<N>>& c, int component, std::vector<double>& re,
                         std::vector<double>& im) const {
  const std::size_t m = zr_.size();
  auto coefficient = [&](std::size_t j) {
    if constexpr (N == 0) {
      return c[j].v;
    } else {
      return component == 0 ? c[j].v : c[j].d[static_cast<std::size_t>(component - 1)];
    }
  };
  const Complex top = coefficient(c.size() - 1);
  std::fill(re.begin(), re.end(), top.real());
  std::fill(im.begin(), im.end(), top.imag());
  for (std::size_t j = c.size() - 1; j-- > 0;) {
    const Complex k = coefficient(j);
    const double kr = k.real(), ki = k.imag();
    const double* zr = zr_.data();
    const double* zi = zi_.data();
    double* r = re.data();
    double* s = im.data();
    for (std::size_t i = 0; i < m; ++i) {
      const double x = r[i] * zr[i] - s[i] * zi[i] + kr;
      const double y = r[i] * zi[i] + s[i] * zr[i] + ki;
      r[i] = x;
      s[i] = y;
    }
  }
}

template <int N>
void Inverter<N>::window(std::span<const double> times, std::span<double> out, double base,
                         double hi) {
  const std::size_t count = times.size();
  // The window's own shift: no later than the transform allows for the
  // gamma of this window (taken from T = hi, which errs on the safe side:
  // the window then widens by what the shift gives back, and its gamma
  // falls).
  const double shift = std::clamp(F_.shift(-logAccuracy_ / (2 * hi)), 0.0, base);
  const double T = hi + (base - shift);
  const double gamma = -logAccuracy_ / (2 * T);
  for (std::size_t k = 0; k < terms_; ++k)
    s_[k] = Complex(gamma, static_cast<double>(k) * std::numbers::pi / T);
  F_.evaluate(s_, logF_, dlogF_);
  // The shifted transform e^(s t0) F(s), scaled by its value at s = gamma
  // so that neither end of the range of a double is reached.
  const double scale = logF_[0].real() + gamma * shift;
  std::size_t usable = 0;
  for (std::size_t k = 0; k < terms_; ++k) {
    const Complex lg = logF_[k] + s_[k] * shift - scale;
    Jet<N>& ak = a_[k];
    ak.v = std::exp(lg);
    if (!finite(lg) || !finite(ak.v) ||
        std::fabs(ak.v.real()) + std::fabs(ak.v.imag()) < kNegligibleTerm)
      break;
    for (int j = 0; j < N; ++j) ak.d[static_cast<std::size_t>(j)] = ak.v * dlogF_[k * N + j];
    if (!finite(ak)) break;
    usable = k + 1;
  }
  // Times at or before the shift stay 0.
  std::erase_if(index_, [&](std::size_t i) { return !(times[i] > shift); });
  if (usable == 0) {
    for (std::size_t i : index_)
      for (std::size_t c = 0; c <= N; ++c)
        out[c * count + i] = std::numeric_limits<double>::quiet_NaN();
    return;
  }
  a_[0].v *= 0.5;
  for (int j = 0; j < N; ++j) a_[0].d[static_cast<std::size_t>(j)] *= 0.5;
  // An odd number of terms: the diagonal approximant.
  const int made = continuedFraction(usable % 2 ? usable : usable - 1);
  convergent(made);

  const std::size_t m = index_.size();
  zr_.resize(m), zi_.resize(m), factor_.resize(m);
  for (std::size_t j = 0; j < m; ++j) {
    const double tp = times[index_[j]] - shift;
    const double angle = std::numbers::pi * tp / T;
    zr_[j] = std::cos(angle);
    zi_[j] = std::sin(angle);
    factor_[j] = std::exp(gamma * tp + scale) / T;
  }
  pr_.resize(m), pi_.resize(m), qr_.resize(m), qi_.resize(m);
  horner(A1_, 0, pr_, pi_);
  horner(B1_, 0, qr_, qi_);
  ratioRe_.resize(m), ratioIm_.resize(m);
  for (std::size_t j = 0; j < m; ++j) {
    const Complex R = Complex(pr_[j], pi_[j]) * reciprocal(Complex(qr_[j], qi_[j]));
    ratioRe_[j] = R.real();
    ratioIm_[j] = R.imag();
    out[index_[j]] = factor_[j] * R.real();
  }
  // d(P/Q) = (dP - (P/Q) dQ) / Q.
  dr_.resize(m), di_.resize(m);
  for (int c = 1; c <= N; ++c) {
    horner(A1_, c, pr_, pi_);
    horner(B1_, c, dr_, di_);
    for (std::size_t j = 0; j < m; ++j) {
      const Complex R(ratioRe_[j], ratioIm_[j]);
      const Complex dv = (Complex(pr_[j], pi_[j]) - R * Complex(dr_[j], di_[j])) *
                         reciprocal(Complex(qr_[j], qi_[j]));
      out[static_cast<std::size_t>(c) * count + index_[j]] = factor_[j] * dv.real();
    }
  }
}

template <int N>
void Inverter<N>::run(std::span<const double> times, std::span<double> out) {
  const std::size_t count = times.size();
  std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>((N + 1) * count), 0.0);
  // Windows in the time after the front, t' = t - base.
  const double base = std::max(F_.shift(0), 0.0);
  const double floor = std::max(F_.negligibleBefore() - base, 0.0);
  double top = 0, bottom = std::numeric_limits<double>::infinity();
  for (double t : times)
    if (t - base > 0) {
      top = std::max(top, t - base);
      bottom = std::min(bottom, t - base);
    }
  if (!(top > 0) || !std::isfinite(top)) return;
  double hi = top;
  for (int w = 0; w < windows_ && hi >= bottom; ++w, hi /= ratio_) {
    // The last window reaches down to the front: the last allowed, or the
    // one that reaches where the inverse is negligible.
    const double lo = w + 1 == windows_ || hi / ratio_ <= floor ? 0 : hi / ratio_;
    index_.clear();
    for (std::size_t i = 0; i < count; ++i) {
      const double tp = times[i] - base;
      if (tp > lo && tp <= hi) index_.push_back(i);
    }
    if (!index_.empty()) window(times, out, base, hi);
    if (lo == 0) break;
  }
}

template <int N>
void invert(const LogTransform& F, std::span<const double> times, std::span<double> out,
            const LaplaceInversionSettings& settings) {
  Inverter<N>(F, settings).run(times, out);
}

}  // namespace

void invertLaplace(const LogTransform& F, std::span<const double> times, std::span<double> out,
                   const LaplaceInversionSettings& settings) {
  switch (std::clamp(F.directions(), 0, kMaxInversionDirections)) {
    case 0: return invert<0>(F, times, out, settings);
    case 1: return invert<1>(F, times, out, settings);
    case 2: return invert<2>(F, times, out, settings);
    case 3: return invert<3>(F, times, out, settings);
    case 4: return invert<4>(F, times, out, settings);
    case 5: return invert<5>(F, times, out, settings);
    default: return invert<6>(F, times, out, settings);
  }
}

}  // namespace kaldero::numeric
