#include "numeric/block_bootstrap.h"

#include <algorithm>
#include <cmath>

namespace kaldero::numeric {

std::size_t blockLength(double phi, std::size_t n) {
  if (n < 2) return 1;
  phi = std::clamp(std::isfinite(phi) ? phi : 0.0, 0.0, 0.9999);
  const double nd = static_cast<double>(n);
  const double oneMinus = 1 - phi * phi;
  const double b = std::cbrt(6 * phi * phi / (oneMinus * oneMinus)) * std::cbrt(nd);
  const double cap = std::max(1.0, std::floor(std::min(3 * std::sqrt(nd), nd / 3)));
  return static_cast<std::size_t>(std::clamp(std::ceil(b), 1.0, cap));
}

std::vector<std::size_t> blockResample(std::size_t n, std::size_t block, std::mt19937_64& rng) {
  std::vector<std::size_t> out;
  if (n == 0) return out;
  block = std::clamp<std::size_t>(block, 1, n);
  const std::uint64_t starts = n - block + 1;
  out.reserve(n + block);
  while (out.size() < n) {
    const std::size_t start = static_cast<std::size_t>(rng() % starts);
    for (std::size_t k = 0; k < block && out.size() < n; ++k) out.push_back(start + k);
  }
  return out;
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
