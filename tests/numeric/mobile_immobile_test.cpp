// The storage-zone (mobile-immobile) path against an independent solution in
// the time domain, its two limits (no storage, and a zone in equilibrium),
// its mass and mean, the release average and its derivatives.
//
// The independent solution: a particle's mobile travel time tau has the
// inverse-Gaussian density g (the advection-dispersion path); it is caught
// by the storage zone at the rate beta alpha and released at the rate alpha,
// so that it is never caught with probability e^(-alpha beta tau) and
// otherwise held for a time u of density
//   alpha sqrt(beta tau / u) e^(-alpha beta tau - alpha u) I1(2 alpha sqrt(beta tau u)).
// The curve is e^(-alpha beta t) g(t) plus the integral over tau of g(tau)
// times that density at u = t - tau, here by adaptive Gauss-Kronrod
// quadrature (Boost.Math) with the Bessel function I1; no Laplace transform.
#include "numeric/mobile_immobile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <boost/math/special_functions/bessel.hpp>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "numeric/advection_dispersion.h"

namespace kaldero::numeric {
namespace {

// e^-x I1(x), x >= 0; the asymptotic series where I1 overflows.
double scaledI1(double x) {
  if (x < 600) return std::exp(-x) * boost::math::cyl_bessel_i(1, x);
  const double r = 1 / x;
  return (1 - 0.375 * r - 0.1171875 * r * r - 0.1025390625 * r * r * r) /
         std::sqrt(2 * std::numbers::pi * x);
}

struct Path {
  double L, v, D, beta, alpha;
};

double inverseGaussian(double t, const Path& p) {
  return diracResponse(t, p.L, p.v, p.D).value;
}

// The time-domain solution at t for an instantaneous release.
double reference(double t, const Path& p) {
  const double ab = p.alpha * p.beta;
  double f = std::exp(-ab * t) * inverseGaussian(t, p);
  auto held = [&](double tau) {
    const double u = t - tau;
    if (!(u > 0) || !(tau > 0)) return 0.0;
    const double g = inverseGaussian(tau, p);
    if (g == 0) return 0.0;
    const double a = std::sqrt(p.beta * tau), b = std::sqrt(u);
    return g * p.alpha * std::sqrt(p.beta * tau / u) * std::exp(-p.alpha * (a - b) * (a - b)) *
           scaledI1(2 * p.alpha * a * b);
  };
  // The inverse Gaussian is narrow at high Peclet numbers: break the
  // integral at its quantiles so that the adaptive rule sees it.
  const double mean = p.L / p.v, sd = std::sqrt(2 * p.D * p.L / (p.v * p.v * p.v));
  std::vector<double> cuts{0};
  for (double k : {-8.0, -4.0, -2.0, -1.0, 0.0, 1.0, 2.0, 4.0, 8.0, 16.0, 32.0}) {
    const double c = mean + k * sd;
    if (c > cuts.back() && c < t) cuts.push_back(c);
  }
  cuts.push_back(t);
  for (std::size_t i = 0; i + 1 < cuts.size(); ++i)
    f += boost::math::quadrature::gauss_kronrod<double, 31>::integrate(held, cuts[i], cuts[i + 1],
                                                                        20, 1e-13);
  return f;
}

std::vector<double> values(const Path& p, const std::vector<double>& t, double Td = 0) {
  std::vector<double> f(t.size());
  StoragePathResponse(p.L, p.v, p.D, p.beta, p.alpha, Td).values(t, f);
  return f;
}

// Times over the whole curve: a fine grid about the mobile front and peak,
// a coarser one over the storage tail.
std::vector<double> curveTimes(const Path& p) {
  const double tau = p.L / p.v, sd = std::sqrt(2 * p.D * p.L / (p.v * p.v * p.v));
  std::vector<double> t;
  for (int k = -40; k <= 80; ++k) t.push_back(tau + 0.1 * k * sd);
  const double end = (1 + p.beta) * tau * 6 + 6 / p.alpha;
  for (int k = 1; k <= 80; ++k) t.push_back(tau * 0.2 + (end - tau * 0.2) * k / 80);
  std::erase_if(t, [](double x) { return !(x > 0); });
  std::sort(t.begin(), t.end());
  return t;
}

TEST(MobileImmobile, AgreesWithTheTimeDomainSolutionOverAGridOfParameters) {
  // Capacity ratio beta, exchange Damkoehler number alpha tau and Peclet
  // number vL/D: the storage zone from barely felt to dominant, exchange
  // from slow to nearly in equilibrium, dispersion from strong to weak.
  const double L = 150, v = 0.02, tau = L / v;
  double worstRelative = 0, worstAbsolute = 0;
  int points = 0;
  for (double beta : {0.05, 0.2, 1.0, 4.0})
    for (double omega : {0.1, 1.0, 10.0, 100.0})
      for (double pe : {2.0, 20.0, 200.0, 2000.0}) {
        const Path p{L, v, v * L / pe, beta, omega / tau};
        const std::vector<double> t = curveTimes(p);
        const std::vector<double> f = values(p, t);
        std::vector<double> ref(t.size());
        double peak = 0;
        for (std::size_t i = 0; i < t.size(); ++i) peak = std::max(peak, ref[i] = reference(t[i], p));
        for (std::size_t i = 0; i < t.size(); ++i) {
          const double error = std::fabs(f[i] - ref[i]);
          worstAbsolute = std::max(worstAbsolute, error / peak);
          EXPECT_LT(error, 1e-6 * peak) << beta << " " << omega << " " << pe << " t " << t[i];
          if (ref[i] > 1e-3 * peak) {
            ++points;
            worstRelative = std::max(worstRelative, error / ref[i]);
            EXPECT_LT(error, 1e-4 * ref[i]) << beta << " " << omega << " " << pe << " t " << t[i];
          }
        }
      }
  std::printf("storage path against the time-domain solution: %d points above 1e-3 of the peak, "
              "largest relative difference %.2e, largest difference %.2e of the peak\n",
              points, worstRelative, worstAbsolute);
}

TEST(MobileImmobile, WithoutStorageItIsTheAdvectionDispersionPath) {
  // beta = 0 goes through the inversion and must give the closed form, for
  // an instantaneous release and a pulse, at Peclet numbers 1 to 10^4.
  const double L = 770, v = 0.0025, tau = L / v;
  for (double pe : {1.0, 10.0, 100.0, 1000.0, 10000.0})
    for (double Td : {0.0, 0.05 * tau}) {
      const double D = v * L / pe;
      std::vector<double> t;
      for (int i = 1; i <= 1500; ++i) t.push_back(tau * 8 * i / 1500);
      std::vector<double> f(t.size());
      StoragePathResponse(L, v, D, 0, 1e-3, Td).values(t, f);
      const PathResponse exact(L, v, D, Td);
      double peak = 0, worst = 0;
      for (std::size_t i = 0; i < t.size(); ++i) {
        const double e = exact.pulse(t[i]).value;
        peak = std::max(peak, e);
        worst = std::max(worst, std::fabs(f[i] - e));
      }
      EXPECT_LT(worst, 1e-6 * peak) << "Pe " << pe << " Td " << Td;
    }
}

TEST(MobileImmobile, FastExchangeIsTheRetardedPath) {
  // alpha tau = 10^7: the zone follows the water; the path is that of
  // v / (1 + beta), D / (1 + beta) to O(beta v^2 / (alpha D)).
  const double L = 150, v = 0.02, D = 0.03, beta = 0.6, tau = L / v;
  const std::vector<double> t = curveTimes({L, v, D, beta, 1.0});
  std::vector<double> f(t.size());
  StoragePathResponse(L, v, D, beta, 1e7 / tau, 0).values(t, f);
  const PathResponse retarded(L, v / (1 + beta), D / (1 + beta));
  double peak = 0, worst = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const double e = retarded.dirac(t[i]).value;
    peak = std::max(peak, e);
    worst = std::max(worst, std::fabs(f[i] - e));
  }
  EXPECT_LT(worst, 1e-5 * peak);
}

TEST(MobileImmobile, CarriesTheMassWithTheMeanTravelTimeOfTheModel) {
  // The zeroth and first moments by the trapezoidal rule on a fine grid
  // reaching far into the storage tail.
  const Path p{300, 0.01, 0.1, 0.5, 2e-4};
  const double Td = 1800;
  const StoragePathResponse r(p.L, p.v, p.D, p.beta, p.alpha, Td);
  std::vector<double> t;
  for (int i = 0; i <= 100000; ++i) t.push_back(i * 5.0);
  std::vector<double> f(t.size());
  r.values(t, f);
  double m0 = 0, m1 = 0;
  for (std::size_t i = 0; i + 1 < t.size(); ++i) {
    const double h = t[i + 1] - t[i];
    m0 += 0.5 * h * (f[i] + f[i + 1]);
    m1 += 0.5 * h * (f[i] * t[i] + f[i + 1] * t[i + 1]);
  }
  EXPECT_NEAR(m0, 1, 1e-6);
  EXPECT_NEAR(m1 / m0 / r.meanTravelTime(), 1, 1e-5);
  EXPECT_NEAR(r.meanTravelTime(), 1.5 * 30000 + 900, 1e-9);
}

TEST(MobileImmobile, PulseIsTheAverageOfTheInstantaneousResponse) {
  const Path p{150, 0.018, 0.009, 0.19, 7e-4};
  const double Td = 360;
  std::vector<double> t;
  for (int i = 1; i <= 200; ++i) t.push_back(i * 150.0 + 3000);
  const std::vector<double> pulse = values(p, t, Td);
  const double peak = *std::max_element(pulse.begin(), pulse.end());
  // 40-interval composite Simpson average of the instantaneous response.
  const int m = 40;
  for (std::size_t i = 0; i < t.size(); i += 7) {
    std::vector<double> nodes;
    for (int k = 0; k <= m; ++k) nodes.push_back(t[i] - Td + Td * k / m);
    const std::vector<double> f = values(p, nodes);
    double s = f.front() + f.back();
    for (int k = 1; k < m; ++k) s += f[static_cast<std::size_t>(k)] * (k % 2 ? 4 : 2);
    EXPECT_NEAR(pulse[i], s / (3 * m), 1e-8 * peak) << t[i];
  }
}

TEST(MobileImmobile, DerivativesAgreeWithDifferenceQuotients) {
  const Path p{150, 0.018, 0.009, 0.19, 7e-4};
  const double Td = 360;
  std::vector<double> t;
  for (int i = 1; i <= 300; ++i) t.push_back(i * 100.0 + 4000);
  std::vector<double> out(5 * t.size());
  StoragePathResponse(p.L, p.v, p.D, p.beta, p.alpha, Td).valuesAndDerivatives(t, out);
  const std::vector<double> f = values(p, t, Td);
  double peak = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    EXPECT_NEAR(out[i], f[i], 1e-15);
    peak = std::max(peak, f[i]);
  }
  auto field = [](Path& q, int k) -> double& {
    return k == 0 ? q.v : k == 1 ? q.D : k == 2 ? q.beta : q.alpha;
  };
  for (int k = 0; k < 4; ++k) {
    Path up = p, down = p;
    // A step large enough that the jumps of the inversion where a time
    // changes windows (1e-10 of the peak) do not count.
    const double step = field(up, k) * 1e-3;
    field(up, k) += step;
    field(down, k) -= step;
    const std::vector<double> fu = values(up, t, Td), fd = values(down, t, Td);
    double scale = 0;
    for (std::size_t i = 0; i < t.size(); ++i)
      scale = std::max(scale, std::fabs(out[(k + 1) * t.size() + i]));
    ASSERT_GT(scale, 0) << k;
    for (std::size_t i = 0; i < t.size(); ++i)
      EXPECT_NEAR(out[(k + 1) * t.size() + i], (fu[i] - fd[i]) / (2 * step), 1e-4 * scale)
          << "parameter " << k << " t " << t[i];
  }
}

// First-order decay: without a zone the decayed response is the
// advection-dispersion response times e^(-lambda t) (for an instantaneous
// release); with a zone the tracer decays in both, and the recovered mass
// is the transform at s = 0 with s + lambda: exp(-2 L s'/(v + R)) at
// sigma = lambda.
TEST(MobileImmobile, DecayMultipliesTheResponseAndLowersTheMass) {
  const double L = 300, v = 0.01, D = 0.1, lambda = 2e-5;
  std::vector<double> t;
  for (int i = 1; i <= 600; ++i) t.push_back(i * 150.0);
  std::vector<double> f(t.size());
  StoragePathResponse(L, v, D, 0, 0, 0, lambda).values(t, f);
  const PathResponse plain(L, v, D);
  double peak = 0, worst = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const double e = plain.dirac(t[i]).value * std::exp(-lambda * t[i]);
    peak = std::max(peak, e);
    worst = std::max(worst, std::fabs(f[i] - e));
  }
  EXPECT_LT(worst, 1e-6 * peak);

  const double beta = 0.5, alpha = 2e-4;
  std::vector<double> fine;
  for (int i = 0; i <= 100000; ++i) fine.push_back(i * 5.0);
  std::vector<double> g(fine.size());
  StoragePathResponse(L, v, D, beta, alpha, 0, lambda).values(fine, g);
  double m0 = 0;
  for (std::size_t i = 0; i + 1 < fine.size(); ++i) m0 += 2.5 * (g[i] + g[i + 1]);
  const double sp = lambda + beta * alpha * lambda / (lambda + alpha);
  EXPECT_NEAR(m0, std::exp(-2 * L * sp / (v + std::sqrt(v * v + 4 * D * sp))), 1e-6);
}

TEST(MobileImmobile, ParametersOutOfRangeGiveNoCurve) {
  const std::vector<double> t{1000, 2000, 3000};
  for (const Path& p : {Path{0, 0.01, 0.1, 0.2, 1e-3}, Path{150, -0.01, 0.1, 0.2, 1e-3},
                        Path{150, 0.01, 0, 0.2, 1e-3}, Path{150, 0.01, 0.1, -0.2, 1e-3},
                        Path{150, 0.01, 0.1, 0.2, NAN}}) {
    const std::vector<double> f = values(p, t);
    for (double x : f) EXPECT_EQ(x, 0);
  }
}

}  // namespace
}  // namespace kaldero::numeric
