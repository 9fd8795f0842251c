// Resampling of residual series for bootstrap intervals, and percentiles.
//
// The AR(1) sieve bootstrap (Buehlmann 1997) of residuals u_i at times
// t_i whose errors are a first-order autoregressive process in continuous
// time (numeric/ar1_errors.h) of correlation time tau: the residuals are
// whitened into innovations
//   w_1 = u_1,  w_i = (u_i - rho_i u_(i-1)) / sqrt(1 - rho_i^2),
//   rho_i = exp(-(t_i - t_(i-1)) / tau),
// which are centred and resampled with replacement; a resample is the
// series rebuilt from them by the same recursion,
//   e_1 = w*_1,  e_i = rho_i e_(i-1) + sqrt(1 - rho_i^2) w*_i,
// so that it has the residuals' variance and the process's correlation at
// every lag (blocks of residuals keep it only within a block). tau 0:
// independent errors, the plain residual bootstrap.
//
// Percentile intervals: the empirical quantiles of the replicates, linear
// between order statistics (the definition 7 of Hyndman and Fan 1996).
//
// The random numbers come from a std::mt19937_64 seeded by the caller, and
// positions are drawn as the 64-bit output modulo the range: the same seed
// gives the same resamples on every platform. No input or output.
#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <vector>

namespace kaldero::numeric {

class Ar1Sieve {
 public:
  // times increasing, residuals of the same number; tau >= 0 (0 or not
  // finite: independent).
  Ar1Sieve(std::span<const double> times, std::span<const double> residuals, double tau);
  // One resample into out (the residuals' number of values).
  void resample(std::mt19937_64& rng, std::span<double> out) const;

 private:
  std::vector<double> rho_, innovations_;
};

// The quantile q (0..1) of the values (any order; taken by copy). 0 for an
// empty set.
double empiricalQuantile(std::vector<double> values, double q);

// The same of values already in ascending order (at least one): linear
// interpolation between the order statistics around (n - 1) q.
double quantileOfSorted(std::span<const double> sorted, double q);

}  // namespace kaldero::numeric
