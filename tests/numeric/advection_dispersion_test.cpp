// The advection-dispersion responses against what they must satisfy: the
// mass and moments of the inverse Gaussian, the step response as the
// integral of the Dirac response, the pulse as the release average, and the
// derivatives as difference quotients.
#include "numeric/advection_dispersion.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

namespace kaldero::numeric {
namespace {

// Composite Simpson's rule with m (even) intervals.
double simpson(const std::function<double(double)>& f, double a, double b, int m) {
  const double h = (b - a) / m;
  double s = f(a) + f(b);
  for (int i = 1; i < m; ++i) s += f(a + i * h) * (i % 2 ? 4 : 2);
  return s * h / 3;
}

struct Case {
  double L, v, D;
  double mean() const { return L / v; }
  double variance() const { return 2 * D * L / (v * v * v); }
};

// A low and a high Peclet number (vL/D = 2 and 2000).
const Case kWide{100, 0.01, 0.5};
const Case kNarrow{770, 0.0025, 0.0009625};

TEST(AdvectionDispersion, ScaledComplementaryErrorFunction) {
  // Reference values of exp(x^2) erfc(x).
  const std::vector<std::pair<double, double>> ref{
      {0, 1.0},
      {0.3, 0.7345993345676554},
      {1, 0.427583576155807},
      {2.5, 0.2108063640611436},
      {10, 0.05614099274382259},
      {25.9, 0.021767181150738214},
      {26.1, 0.02160062772634621},  // either side of the switch to the series
      {40, 0.014100335983377815},
      {1000, 0.0005641893014533876},
      {-1, 5.008980080762283},
      {-3, 16205.988853999586}};
  for (const auto& [x, y] : ref) EXPECT_NEAR(erfcx(x) / y, 1, 1e-13) << x;
}

TEST(AdvectionDispersion, DiracCurveCarriesTheMassWithTheInverseGaussianMoments) {
  for (const Case& c : {kWide, kNarrow}) {
    const double sd = std::sqrt(c.variance());
    const double a = std::max(0.0, c.mean() - 12 * sd), b = c.mean() + 60 * sd;
    auto g = [&](double t) { return diracResponse(t, c.L, c.v, c.D).value; };
    const double m0 = simpson(g, a, b, 200000);
    const double m1 = simpson([&](double t) { return t * g(t); }, a, b, 200000);
    const double m2 =
        simpson([&](double t) { return (t - c.mean()) * (t - c.mean()) * g(t); }, a, b, 200000);
    EXPECT_NEAR(m0, 1, 1e-9);
    EXPECT_NEAR(m1 / c.mean(), 1, 1e-9);
    EXPECT_NEAR(m2 / c.variance(), 1, 1e-7);
    // In concentrations: the integral of C Q over time is the mass.
    const double M = 2.0e8, Q = 0.3;
    const std::vector<FlowPath> path{{c.v, c.D, M}};
    const double mass =
        simpson([&](double t) { return concentration(t, c.L, Q, 0, path) * Q; }, a, b, 200000);
    EXPECT_NEAR(mass / M, 1, 1e-9);
  }
}

TEST(AdvectionDispersion, StepResponseIsTheIntegralOfTheDiracResponse) {
  for (const Case& c : {kWide, kNarrow}) {
    const double sd = std::sqrt(c.variance());
    auto g = [&](double t) { return diracResponse(t, c.L, c.v, c.D).value; };
    for (double z : {-3.0, -1.0, 0.0, 0.5, 2.0, 6.0}) {
      const double t = c.mean() + z * sd;
      const double F = stepResponse(t, c.L, c.v, c.D).value;
      EXPECT_NEAR(F, simpson(g, 1e-9 * t, t, 100000), 1e-10) << z;
      EXPECT_NEAR(F + stepComplement(t, c.L, c.v, c.D).value, 1, 1e-15);
    }
    // Far in the tail the complement keeps its digits where 1 - F has none.
    const double t = c.mean() + 30 * sd;
    const double S = stepComplement(t, c.L, c.v, c.D).value;
    const double tail = simpson(g, t, t + 40 * sd, 200000);
    EXPECT_GT(S, 0);
    EXPECT_NEAR(S / tail, 1, 1e-6);
  }
  EXPECT_EQ(stepResponse(0, 100, 0.01, 0.5).value, 0);
  EXPECT_EQ(stepResponse(-5, 100, 0.01, 0.5).value, 0);
  EXPECT_EQ(stepComplement(-5, 100, 0.01, 0.5).value, 1);
}

TEST(AdvectionDispersion, HugePecletNumbersNeitherOverflowNorLoseTheCurve) {
  // vL/D = 1e6: exp(vL/D) is far beyond a double; the curve is nearly
  // Gaussian about L/v with variance 2DL/v^3.
  const double L = 1000, v = 0.1, D = 1e-4;
  const double mean = L / v, sd = std::sqrt(2 * D * L / (v * v * v));
  for (double z : {-4.0, -1.0, 0.0, 1.0, 4.0}) {
    const double t = mean + z * sd;
    const Response F = stepResponse(t, L, v, D);
    EXPECT_NEAR(F.value, 0.5 * std::erfc(-z / std::sqrt(2.0)), 2e-3) << z;
    EXPECT_TRUE(std::isfinite(F.dVelocity) && std::isfinite(F.dDispersion));
    const Response p = pulseResponse(t, L, v, D, 0.1 * sd);
    EXPECT_TRUE(std::isfinite(p.value) && std::isfinite(p.dVelocity) &&
                std::isfinite(p.dDispersion));
  }
  // Far from the peak the values are exactly 0 and 1, not NaN.
  EXPECT_EQ(stepResponse(mean - 1000 * sd, L, v, D).value, 0);
  EXPECT_EQ(stepResponse(mean + 1000 * sd, L, v, D).value, 1);
  EXPECT_EQ(diracResponse(1e-300, L, v, D).value, 0);
}

TEST(AdvectionDispersion, PulseIsTheAverageOfTheDiracResponseOverTheRelease) {
  for (const Case& c : {kWide, kNarrow}) {
    const double sd = std::sqrt(c.variance());
    auto g = [&](double t) { return diracResponse(t, c.L, c.v, c.D).value; };
    const double Td = 0.7 * sd;
    for (double z : {-0.8, 0.0, 1.0, 5.0}) {
      const double t = c.mean() + z * sd;
      const double avg = simpson(g, t - Td, t, 20000) / Td;
      EXPECT_NEAR(pulseResponse(t, c.L, c.v, c.D, Td).value / avg, 1, 1e-9) << z;
    }
    // A shorter and shorter release tends to the Dirac response at the
    // middle of the release, the error falling with Td^2.
    const double t = c.mean() + 0.5 * sd;
    double previous = 1;
    for (double share : {1e-1, 1e-2, 1e-3}) {
      const double Td2 = share * sd;
      const double err = std::fabs(pulseResponse(t, c.L, c.v, c.D, Td2).value /
                                       diracResponse(t - Td2 / 2, c.L, c.v, c.D).value -
                                   1);
      EXPECT_LT(err, 0.05 * previous + 1e-9) << share;
      previous = err;
    }
    EXPECT_LT(previous, 1e-6);
    // Td = 0 is the Dirac response itself.
    EXPECT_EQ(pulseResponse(t, c.L, c.v, c.D, 0).value, g(t));
  }
}

TEST(AdvectionDispersion, DerivativesAgreeWithDifferenceQuotients) {
  for (const Case& c : {kWide, kNarrow}) {
    const double sd = std::sqrt(c.variance());
    for (double Td : {0.0, 0.5 * sd, 3 * sd}) {
      for (double z : {-2.5, -0.5, 0.0, 1.0, 4.0}) {
        const double t = c.mean() + z * sd + Td;
        const Response r = pulseResponse(t, c.L, c.v, c.D, Td);
        const double hv = 1e-6 * c.v, hD = 1e-6 * c.D;
        const double dv = (pulseResponse(t, c.L, c.v + hv, c.D, Td).value -
                           pulseResponse(t, c.L, c.v - hv, c.D, Td).value) /
                          (2 * hv);
        const double dD = (pulseResponse(t, c.L, c.v, c.D + hD, Td).value -
                           pulseResponse(t, c.L, c.v, c.D - hD, Td).value) /
                          (2 * hD);
        // Scaled by the size of the function, as the derivative may pass 0.
        const double peak = diracResponse(c.mean(), c.L, c.v, c.D).value;
        EXPECT_NEAR(r.dVelocity * c.v / peak, dv * c.v / peak, 1e-6) << Td << " " << z;
        EXPECT_NEAR(r.dDispersion * c.D / peak, dD * c.D / peak, 1e-6) << Td << " " << z;
      }
    }
  }
}

TEST(AdvectionDispersion, ParametersThatAreNotPositiveGiveNoCurve) {
  for (const auto& [L, v, D] : std::vector<std::array<double, 3>>{
           {0, 0.01, 0.5}, {100, 0, 0.5}, {100, 0.01, 0}, {100, -1, 0.5}, {100, 0.01, NAN}}) {
    const Response p = pulseResponse(5000, L, v, D, 100);
    EXPECT_EQ(p.value, 0);
    EXPECT_EQ(p.dVelocity, 0);
    EXPECT_EQ(diracResponse(5000, L, v, D).value, 0);
  }
  const std::vector<FlowPath> path{{0.01, 0.5, 1e6}};
  EXPECT_EQ(concentration(5000, 100, 0, 0, path), 0);
}

}  // namespace
}  // namespace kaldero::numeric
