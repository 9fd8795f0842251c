#include "numeric/sample_statistics.h"

#include <cstdint>

namespace kaldero::numeric {

float plottingPositionQuantile(std::span<const float> x, float q) {
  const int32_t n = static_cast<int32_t>(x.size());
  if (n == 0) return 0;
  float xlo = 0;
  float plo = 0;
  for (int32_t i = 1; i <= n; ++i) {
    const float p = (static_cast<float>(i) - 0.5f) / static_cast<float>(n);
    const float xi = x[static_cast<std::size_t>(i - 1)];
    if (p == q) return xi;
    if (p > q) {
      const float w = (q - plo) / (p - plo);
      return (1 - w) * xlo + w * xi;
    }
    xlo = xi;
    plo = p;
  }
  // No position above q (a single value and q above one half).
  return x[static_cast<std::size_t>(n - 1)];
}

SampleStatistics sampleStatistics(std::span<const float> x) {
  SampleStatistics s;
  const std::size_t n = x.size();
  if (n == 0) return s;
  if (n == 1) return {x[0], x[0], x[0], x[0]};
  s.median = n % 2 == 0 ? (x[n / 2 - 1] + x[n / 2]) / 2 : x[n / 2];
  s.lowerQuartile = plottingPositionQuantile(x, 0.25f);
  s.upperQuartile = plottingPositionQuantile(x, 0.75f);

  const bool upperHalf = s.upperQuartile - s.median <= s.median - s.lowerQuartile;
  const float lo = upperHalf ? s.median : s.lowerQuartile;
  const float hi = upperHalf ? s.upperQuartile : s.median;
  float sum = 0;
  int32_t count = 0;
  for (float v : x) {
    if (v < lo || v > hi) continue;
    sum += v;
    ++count;
  }
  // Either half holds a value of a sorted sample (the middle value next to
  // the median); the guard only keeps a rounded quartile from leaving it
  // empty.
  s.halfRangeMean = count > 0 ? sum / static_cast<float>(count) : s.median;
  return s;
}

}  // namespace kaldero::numeric
