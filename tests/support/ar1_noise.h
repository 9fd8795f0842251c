// Noise of a first-order autoregressive process added to a synthetic
// curve, as logger records carry it: lag-1 coefficient phi between
// neighbouring samples, marginal standard deviation `noise` times the
// curve's peak; seeded, so a test or benchmark sees the same curve every
// time.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace kaldero::testing {

inline void addAr1Noise(std::vector<double>& c, double noise, double phi, unsigned seed) {
  if (c.empty()) return;
  const double peak = *std::max_element(c.begin(), c.end());
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> z(0, 1);
  double e = z(rng);
  for (double& v : c) {
    e = phi * e + std::sqrt(1 - phi * phi) * z(rng);
    v += noise * peak * e;
  }
}

}  // namespace kaldero::testing
