// Breakthrough curves of the one-dimensional advection-dispersion equation.
//
// A tracer mass M released at once at x = 0 into a flow of velocity v and
// longitudinal dispersion coefficient D reaches the distance L with the
// flux concentration (Kreft and Zuber 1978)
//   C(t) = M/Q * g(t),   g(t) = L / sqrt(4 pi D t^3) exp(-(L - v t)^2 / (4 D t)),
// g being the inverse Gaussian density of mean L/v and variance 2 D L / v^3.
// Its time integral from 0 to t, the step response, is in closed form
//   F(t) = 1/2 erfc(a) + 1/2 exp(v L / D) erfc(b),
//   a = (L - v t) / sqrt(4 D t),  b = (L + v t) / sqrt(4 D t).
// Since v L / D - b^2 = -a^2, the second term is 1/2 exp(-a^2) erfcx(b) with
// the scaled complementary error function erfcx(x) = exp(x^2) erfc(x), which
// never overflows. Past the median (a < 0) the complement 1 - F is formed
// directly, 1/2 exp(-a^2) (erfcx(-a) - erfcx(b)), so that the late tail keeps
// its relative precision.
//
// A release spread evenly over the duration Td gives the exact average of
// the Dirac response over the release,
//   C(t) = M / (Q Td) * (F(t) - F(t - Td)),  F(s) = 0 for s <= 0,
// no numerical convolution. Several flow paths add up.
//
// Units: t in s, L in m, v in m/s, D in m^2/s, M in ug and Q in m^3/s, which
// gives ug/m^3 = ng/L. Double precision; no input or output.
#pragma once

#include <span>

namespace kaldero::numeric {

// erfcx(x) = exp(x^2) erfc(x): the product for x < 26, the asymptotic series
// 1/(x sqrt(pi)) (1 - 1/(2x^2) + 1*3/(2x^2)^2 - ...) beyond. Overflows only for
// x below about -26.
double erfcx(double x);

// The unit-mass response and its partial derivatives by v and D.
struct Response {
  double value = 0;
  double dVelocity = 0;
  double dDispersion = 0;
};

// The responses of one path: L, v, D > 0 (every response is 0 otherwise)
// and the release duration Td >= 0. Keeps what does not depend on the time.
class PathResponse {
 public:
  PathResponse(double L, double v, double D, double Td = 0);

  // g(t) (1/s), 0 for t <= 0.
  Response dirac(double t) const;
  // F(t), 0 for t <= 0.
  Response step(double t) const;
  // 1 - F(t), accurate where F is close to 1.
  Response stepComplement(double t) const;
  // (F(t) - F(t - Td)) / Td (1/s); the Dirac response for Td = 0.
  Response pulse(double t) const;

 private:
  struct Step {
    double F = 0, S = 1, dFdv = 0, dFdD = 0;
  };
  Step cumulative(double t) const;

  double L_ = 0, v_ = 0, D_ = 0, Td_ = 0;
  bool valid_ = false;
  double peclet_ = 0;     // v L / D
  double expPeclet_ = 0;  // exp(v L / D) where finite
};

// The same for a single time.
Response diracResponse(double t, double L, double v, double D);
Response stepResponse(double t, double L, double v, double D);
Response stepComplement(double t, double L, double v, double D);
Response pulseResponse(double t, double L, double v, double D, double Td);

// One flow path: velocity (m/s), dispersion coefficient (m^2/s), mass (ug),
// and, when both are positive, the capacity ratio and exchange rate (1/s) of
// its storage zone (numeric/mobile_immobile.h); a first-order decay rate
// (1/s) when positive.
struct FlowPath {
  double velocity = 0;
  double dispersion = 0;
  double mass = 0;
  double storageRatio = 0;
  double exchangeRate = 0;
  double decayRate = 0;
  bool hasStorage() const { return storageRatio > 0 && exchangeRate > 0; }
};

// The concentration (ng/L) at time t (s) and distance L (m) of the paths
// together, for the discharge Q (m^3/s) and the release duration Td (s, 0 for
// an instantaneous release).
double concentration(double t, double L, double Q, double Td, std::span<const FlowPath> paths);

// The same at every time t[i] for the discharge Q[i] at once (a path with a
// storage zone is inverted once for all the times); out has t.size() values.
void concentrations(std::span<const double> t, std::span<const double> Q, double L, double Td,
                    std::span<const FlowPath> paths, std::span<double> out);

}  // namespace kaldero::numeric
