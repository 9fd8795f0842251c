// Breakthrough curves of a flow path with a storage zone: the one-dimensional
// mobile-immobile (two-region) model
//   dCm/dt + beta dCim/dt = D d2Cm/dx2 - v dCm/dx,
//   dCim/dt = alpha (Cm - Cim),
// with v and D the velocity and dispersion coefficient of the mobile water,
// beta the capacity ratio of the immobile to the mobile water and alpha the
// exchange rate of the immobile zone (1/s). A unit mass released into the
// flux at x = 0 reaches x = L with the flux concentration whose Laplace
// transform is that of the advection-dispersion path (Kreft and Zuber 1978)
// at the modified variable s' (van Genuchten and Wierenga 1976; Toride,
// Leij and van Genuchten 1995, for the flux-type
// solution):
//   g~(s) = exp(vL/(2D) (1 - sqrt(1 + 4 D s'/v^2))) = exp(-2 L s' / (v + R)),
//   s' = s + beta alpha s / (s + alpha),  R = sqrt(v^2 + 4 D s'),
// the second form free of cancellation. Particle by particle: the tracer
// travels the mobile water as in the advection-dispersion path, is caught by
// the storage zone at the rate beta alpha and released at the rate alpha, so
// that each mobile travel time tau is lengthened by a compound Poisson time
// of transform exp(-beta alpha tau s / (s + alpha)).
//
// First-order decay at the rate lambda (1/s) in both zones (photolysis,
// sorption loss) replaces s by s + lambda in the path's transform (not in
// the release average):
//   s' = sigma + beta alpha sigma / (sigma + alpha),  sigma = s + lambda.
//
// Limits: beta = 0 (or alpha = 0) is the advection-dispersion path; for
// alpha -> infinity the zone is in equilibrium with the water and the path
// is the advection-dispersion path of v / (1 + beta), D / (1 + beta). The
// mean travel time is (1 + beta) L / v.
//
// A release spread evenly over Td multiplies the transform by
// (1 - e^(-s Td)) / (s Td), the exact average of the response over the
// release (as for the advection-dispersion path). The curve is the inverse
// transform by the method of de Hoog et al. (numeric/laplace_inversion.h)
// at every time of a sample at once, shifted by the time before which the
// mobile travel time has a density below e^-94 of its scale (the
// inverse-Gaussian front: (L - v t)^2 / (4 D t) >= 94), before which the
// curve is taken as 0; for a window of the inversion with the damping
// gamma no later than L / sqrt(v^2 + 4 D gamma), the saddle point of the
// damped density, so that what lies before is not folded back amplified. The derivatives by v, D, beta and alpha come from the
// derivatives of ln g~:
//   d/dv = 2 L s' / (R (R + v)),   d/dD = 4 L s'^2 / (R (R + v)^2),
//   d/ds' = -L / R,  ds'/dbeta = alpha s / (s + alpha),
//   ds'/dalpha = beta s^2 / (s + alpha)^2.
//
// Units: t and Td in s, L in m, v in m/s, D in m^2/s, alpha in 1/s, beta
// dimensionless; the unit-mass response is in 1/s (times M/Q: ng/L for M in
// ug and Q in m^3/s). Double precision; no input or output.
#pragma once

#include <span>

#include "numeric/laplace_inversion.h"

namespace kaldero::numeric {

// The inversion used for the curves of paths with a storage zone of the
// Peclet number vL/D given: 2M + 1 = 33 transform values a window, more
// above Pe = 1000. The error is below 1e-6 of the peak up to Peclet
// numbers of 10^4 (tests/numeric/mobile_immobile_test.cpp); a time that
// changes windows, or a change of M, moves the curve by about that much.
LaplaceInversionSettings storageInversionSettings(double peclet);

class StoragePathResponse {
 public:
  // L, v, D > 0, beta, alpha, lambda >= 0, Td >= 0, all finite; every
  // response is 0 otherwise.
  StoragePathResponse(double L, double v, double D, double beta, double alpha, double Td = 0,
                      double lambda = 0);

  bool valid() const { return valid_; }
  // ln of the transform of the unit-mass response (pulse averaged), and
  // its derivatives by v, D, beta, alpha (d may be null).
  Complex logTransform(Complex s, Complex* d = nullptr) const;
  // The time (s) up to which the inversion may move the curve (numeric/
  // laplace_inversion.h): before it the response is below e^-94 of its
  // scale, and no later than the saddle point of the mobile travel time's
  // density damped by e^(-gamma t).
  double front(double gamma = 0) const;
  // Before this time (s) the response is below e^-37 = 1e-16 of its scale.
  double negligibleBefore() const { return negligible_; }
  // (1 + beta) L / v + Td / 2, s.
  double meanTravelTime() const;

  // Unit-mass responses (1/s) at the times.
  void values(std::span<const double> t, std::span<double> out) const;
  // The same with the derivatives: out holds 5 t.size() values, the
  // responses, then their derivatives by v, D, beta and alpha (each
  // t.size() long).
  void valuesAndDerivatives(std::span<const double> t, std::span<double> out) const;

 private:
  double L_ = 0, v_ = 0, D_ = 0, beta_ = 0, alpha_ = 0, Td_ = 0, lambda_ = 0;
  double front_ = 0, negligible_ = 0;
  bool valid_ = false;
};

}  // namespace kaldero::numeric
