#include "numeric/resampling.h"

#include <algorithm>
#include <cmath>

namespace kaldero::numeric {

Ar1Sieve::Ar1Sieve(std::span<const double> times, std::span<const double> residuals,
                   double tau) {
  const std::size_t n = std::min(times.size(), residuals.size());
  rho_.assign(n, 0.0);
  if (std::isfinite(tau) && tau > 0)
    for (std::size_t i = 1; i < n; ++i) rho_[i] = std::exp(-(times[i] - times[i - 1]) / tau);
  innovations_.resize(n);
  double mean = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double r = rho_[i];
    innovations_[i] = i == 0 ? residuals[0]
                             : (residuals[i] - r * residuals[i - 1]) /
                                   std::sqrt(std::max(1 - r * r, 1e-12));
    mean += innovations_[i];
  }
  if (n > 0) mean /= static_cast<double>(n);
  for (double& w : innovations_) w -= mean;
}

void Ar1Sieve::resample(std::mt19937_64& rng, std::span<double> out) const {
  const std::size_t n = std::min(out.size(), innovations_.size());
  for (std::size_t i = 0; i < n; ++i) {
    const double w = innovations_[static_cast<std::size_t>(rng() % n)];
    const double r = rho_[i];
    out[i] = i == 0 ? w : r * out[i - 1] + std::sqrt(std::max(1 - r * r, 0.0)) * w;
  }
}

double empiricalQuantile(std::vector<double> values, double q) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return quantileOfSorted(values, q);
}

double quantileOfSorted(std::span<const double> sorted, double q) {
  const double h = (static_cast<double>(sorted.size()) - 1) * std::clamp(q, 0.0, 1.0);
  const std::size_t lo = static_cast<std::size_t>(std::floor(h));
  const std::size_t hi = std::min(lo + 1, sorted.size() - 1);
  return sorted[lo] + (h - static_cast<double>(lo)) * (sorted[hi] - sorted[lo]);
}

}  // namespace kaldero::numeric
