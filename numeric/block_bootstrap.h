// The moving-block bootstrap of a residual series (Kuensch 1989): a
// resample is made of blocks of b consecutive residuals, each starting at a
// position drawn uniformly from the n - b + 1 possible ones, laid end to end
// and cut to n. Blocks keep the correlation of neighbouring residuals that
// resampling single residuals would destroy.
//
// Block length: the rule of Politis and White (2004, with the correction of
// Patton, Politis and White 2009) for the block bootstrap of a mean,
//   b = (2 G^2 / D)^(1/3) n^(1/3),  G = sum_k |k| R(k),  D = (4/3) (sum_k R(k))^2,
// evaluated for the autocorrelation R(k) = phi^|k| of an AR(1) series of
// lag-1 coefficient phi: G = 2 phi / (1 - phi)^2, sum R = (1 + phi) / (1 - phi),
// so b = (6 phi^2 / (1 - phi^2)^2)^(1/3) n^(1/3), rounded up, at least 1
// and at most min(3 sqrt(n), n / 3) (their cap).
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

// Block length for n residuals whose lag-1 correlation is phi (clamped to
// [0, 0.9999]).
std::size_t blockLength(double phi, std::size_t n);

// The indices 0 .. n-1 of one moving-block resample (n values).
std::vector<std::size_t> blockResample(std::size_t n, std::size_t block, std::mt19937_64& rng);

// The quantile q (0..1) of the values (any order; taken by copy). 0 for an
// empty set.
double empiricalQuantile(std::vector<double> values, double q);

// The same of values already in ascending order (at least one): linear
// interpolation between the order statistics around (n - 1) q.
double quantileOfSorted(std::span<const double> sorted, double q);

}  // namespace kaldero::numeric
