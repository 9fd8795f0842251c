#include "numeric/laplace_inversion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace kaldero::numeric {

namespace {

// A complex number with its derivatives by up to kMaxInversionDirections
// parameters; only the first `n` derivatives are used.
struct Jet {
  Complex v{};
  std::array<Complex, kMaxInversionDirections> d{};
};

Jet sub(const Jet& a, const Jet& b, int n) {
  Jet r;
  r.v = a.v - b.v;
  for (int j = 0; j < n; ++j) r.d[j] = a.d[j] - b.d[j];
  return r;
}

Jet add(const Jet& a, const Jet& b, int n) {
  Jet r;
  r.v = a.v + b.v;
  for (int j = 0; j < n; ++j) r.d[j] = a.d[j] + b.d[j];
  return r;
}

Jet mul(const Jet& a, const Jet& b, int n) {
  Jet r;
  r.v = a.v * b.v;
  for (int j = 0; j < n; ++j) r.d[j] = a.d[j] * b.v + a.v * b.d[j];
  return r;
}

Jet div(const Jet& a, const Jet& b, int n) {
  Jet r;
  const Complex inv = 1.0 / b.v;
  r.v = a.v * inv;
  for (int j = 0; j < n; ++j) r.d[j] = (a.d[j] - r.v * b.d[j]) * inv;
  return r;
}

Jet neg(const Jet& a, int n) {
  Jet r;
  r.v = -a.v;
  for (int j = 0; j < n; ++j) r.d[j] = -a.d[j];
  return r;
}

bool finite(const Complex& c) { return std::isfinite(c.real()) && std::isfinite(c.imag()); }

bool finite(const Jet& a, int n) {
  if (!finite(a.v)) return false;
  for (int j = 0; j < n; ++j)
    if (!finite(a.d[j])) return false;
  return true;
}

// The continued-fraction coefficients d_0 .. d_(count - 1) of the series
// a_0 + a_1 z + ... by the quotient-difference algorithm. Stops at the first
// coefficient that cannot be formed; returns how many there are (odd: the
// approximant used ends on an even index).
int continuedFraction(const std::vector<Jet>& a, int n, std::vector<Jet>& d) {
  const int terms = static_cast<int>(a.size());  // 2M + 1
  const int M = (terms - 1) / 2;
  d.assign(static_cast<std::size_t>(terms), Jet{});
  d[0] = a[0];
  if (M == 0) return 1;
  std::vector<Jet> q(static_cast<std::size_t>(terms)), e(static_cast<std::size_t>(terms)),
      ePrevious(static_cast<std::size_t>(terms));
  for (int i = 0; i + 1 < terms; ++i) q[i] = div(a[i + 1], a[i], n);
  int made = 1;
  for (int r = 1; r <= M; ++r) {
    for (int i = 0; i <= 2 * M - 2 * r; ++i)
      e[i] = add(sub(q[i + 1], q[i], n), ePrevious[i + 1], n);
    const Jet odd = neg(q[0], n), even = neg(e[0], n);
    if (!finite(odd, n) || !finite(even, n) || odd.v == 0.0 || even.v == 0.0) break;
    d[2 * r - 1] = odd;
    d[2 * r] = even;
    made = 2 * r + 1;
    if (r < M)
      for (int i = 0; i <= 2 * M - 2 * r - 1; ++i) q[i] = div(mul(q[i + 1], e[i + 1], n), e[i], n);
    std::swap(e, ePrevious);
  }
  return made;
}

// The numerator and denominator polynomials (coefficients of z^0 .. z^M) of
// the continued fraction's convergent A_N / B_N, N = count - 1.
void convergent(const std::vector<Jet>& d, int count, int n, std::vector<Jet>& P,
                std::vector<Jet>& Q) {
  const std::size_t size = static_cast<std::size_t>(count / 2 + 2);
  std::vector<Jet> A2(size), A1(size), B2(size), B1(size), A(size), B(size);
  // A_(-1) = 0, A_0 = d_0; B_(-1) = 1, B_0 = 1.
  A1[0] = d[0];
  B2[0].v = 1;
  B1[0].v = 1;
  for (int k = 1; k < count; ++k) {
    for (std::size_t j = 0; j < size; ++j) {
      A[j] = A1[j];
      B[j] = B1[j];
      if (j > 0) {
        A[j] = add(A[j], mul(d[static_cast<std::size_t>(k)], A2[j - 1], n), n);
        B[j] = add(B[j], mul(d[static_cast<std::size_t>(k)], B2[j - 1], n), n);
      }
    }
    std::swap(A2, A1);
    std::swap(A1, A);
    std::swap(B2, B1);
    std::swap(B1, B);
  }
  // A_N and B_N have degree N / 2.
  A1.resize(static_cast<std::size_t>(count / 2 + 1));
  B1.resize(static_cast<std::size_t>(count / 2 + 1));
  P = A1;
  Q = B1;
}

// Values of one polynomial component at the samples' z (structure of arrays
// so that the loop over the samples vectorises).
void horner(const std::vector<Jet>& c, int component, const std::vector<double>& zr,
            const std::vector<double>& zi, std::vector<double>& re, std::vector<double>& im) {
  const std::size_t m = zr.size();
  auto coefficient = [&](std::size_t j) {
    return component == 0 ? c[j].v : c[j].d[static_cast<std::size_t>(component - 1)];
  };
  const Complex top = coefficient(c.size() - 1);
  std::fill(re.begin(), re.end(), top.real());
  std::fill(im.begin(), im.end(), top.imag());
  for (std::size_t j = c.size() - 1; j-- > 0;) {
    const Complex k = coefficient(j);
    const double kr = k.real(), ki = k.imag();
    for (std::size_t i = 0; i < m; ++i) {
      const double r = re[i] * zr[i] - im[i] * zi[i] + kr;
      const double s = re[i] * zi[i] + im[i] * zr[i] + ki;
      re[i] = r;
      im[i] = s;
    }
  }
}

// Magnitudes below this are taken as underflow: the series ends before them.
constexpr double kNegligibleTerm = 1e-280;

}  // namespace

void invertLaplace(const LogTransform& F, std::span<const double> times, std::span<double> out,
                   const LaplaceInversionSettings& settings) {
  const int n = std::clamp(F.directions(), 0, kMaxInversionDirections);
  const std::size_t count = times.size();
  const std::size_t components = static_cast<std::size_t>(1 + n);
  std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(components * count), 0.0);
  const double base = std::max(F.shift(0), 0.0);
  double top = 0, bottom = std::numeric_limits<double>::infinity();
  for (double t : times)
    if (t - base > 0) {
      top = std::max(top, t - base);
      bottom = std::min(bottom, t - base);
    }
  if (!(top > 0) || !std::isfinite(top)) return;

  const int M = std::max(settings.terms, 1);
  const std::size_t terms = static_cast<std::size_t>(2 * M + 1);
  const double ratio = settings.windowRatio > 1 ? settings.windowRatio : 2;
  const int windows = std::max(settings.windows, 1);
  const double logAccuracy = std::log(std::clamp(settings.accuracy, 1e-300, 0.5));

  std::vector<Complex> s(terms), logF(terms), dlogF(terms * static_cast<std::size_t>(n));
  std::vector<Jet> a(terms), d, P, Q;
  std::vector<std::size_t> index;
  std::vector<double> zr, zi, pr, pi, qr, qi, dr, di, ratioRe, ratioIm, factor;

  double hi = top;
  for (int w = 0; w < windows && hi >= bottom; ++w, hi /= ratio) {
    const double lo = w + 1 == windows ? 0 : hi / ratio;
    index.clear();
    for (std::size_t i = 0; i < count; ++i) {
      const double tp = times[i] - base;
      if (tp > lo && tp <= hi) index.push_back(i);
    }
    if (index.empty()) continue;

    // The window's own shift: no later than the transform allows for the
    // gamma of this window (taken from T = hi, which errs on the safe side:
    // the window then widens by what the shift gives back, and its gamma
    // falls).
    const double shift = std::clamp(F.shift(-logAccuracy / (2 * hi)), 0.0, base);
    const double T = hi + (base - shift);
    const double gamma = -logAccuracy / (2 * T);
    for (std::size_t k = 0; k < terms; ++k)
      s[k] = Complex(gamma, static_cast<double>(k) * std::numbers::pi / T);
    F.evaluate(s, logF, dlogF);
    // The shifted transform e^(s t0) F(s), scaled by its value at s = gamma
    // so that neither end of the range of a double is reached.
    const double scale = logF[0].real() + gamma * shift;
    std::size_t usable = 0;
    for (std::size_t k = 0; k < terms; ++k) {
      const Complex lg = logF[k] + s[k] * shift - scale;
      Jet& ak = a[k];
      ak.v = std::exp(lg);
      if (!finite(ak.v) || !finite(lg) || std::abs(ak.v) < kNegligibleTerm) break;
      for (int j = 0; j < n; ++j) ak.d[static_cast<std::size_t>(j)] = ak.v * dlogF[k * n + j];
      if (!finite(ak, n)) break;
      usable = k + 1;
    }
    if (usable == 0) {
      for (std::size_t i : index)
        for (std::size_t c = 0; c < components; ++c)
          out[c * count + i] = std::numeric_limits<double>::quiet_NaN();
      continue;
    }
    a[0].v *= 0.5;
    for (int j = 0; j < n; ++j) a[0].d[static_cast<std::size_t>(j)] *= 0.5;
    // An odd number of terms: the diagonal approximant.
    const std::size_t used = usable % 2 ? usable : usable - 1;
    std::vector<Jet> series(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(used));
    const int made = continuedFraction(series, n, d);
    convergent(d, made % 2 ? made : made - 1, n, P, Q);

    const std::size_t m = index.size();
    zr.resize(m);
    zi.resize(m);
    factor.resize(m);
    for (std::size_t j = 0; j < m; ++j) {
      const double tp = times[index[j]] - shift;
      const double angle = std::numbers::pi * tp / T;
      zr[j] = std::cos(angle);
      zi[j] = std::sin(angle);
      factor[j] = std::exp(gamma * tp + scale) / T;
    }
    pr.resize(m), pi.resize(m), qr.resize(m), qi.resize(m);
    horner(P, 0, zr, zi, pr, pi);
    horner(Q, 0, zr, zi, qr, qi);
    ratioRe.resize(m), ratioIm.resize(m);
    for (std::size_t j = 0; j < m; ++j) {
      const Complex R = Complex(pr[j], pi[j]) / Complex(qr[j], qi[j]);
      ratioRe[j] = R.real();
      ratioIm[j] = R.imag();
      out[index[j]] = factor[j] * R.real();
    }
    // d(P/Q) = (dP - (P/Q) dQ) / Q.
    dr.resize(m), di.resize(m);
    for (int c = 1; c <= n; ++c) {
      horner(P, c, zr, zi, pr, pi);
      horner(Q, c, zr, zi, dr, di);
      for (std::size_t j = 0; j < m; ++j) {
        const Complex R(ratioRe[j], ratioIm[j]);
        const Complex dv = (Complex(pr[j], pi[j]) - R * Complex(dr[j], di[j])) / Complex(qr[j], qi[j]);
        out[static_cast<std::size_t>(c) * count + index[j]] = factor[j] * dv.real();
      }
    }
  }
}

}  // namespace kaldero::numeric
