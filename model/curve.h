// The station curve as typed arrays, each built from the one before it and
// never changed afterwards:
//   MeasuredCurve     the data pass (file units): samples, group spread and
//                     any extrapolated tail;
//   Curve (knots)     the measured curve resampled onto knots (file units);
//   Curve (conditioned) the curve analysed: background subtracted, internal
//                     units (s, ng/L, m3/s);
//   the analysis curves (model/results.h) derived from the conditioned one.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kaldero {

// n samples: times, concentrations and discharges. The discharges are
// measured ones in discharge mode Measured and zero otherwise.
struct Curve {
  std::vector<float> T, C, Q;

  int32_t size() const { return static_cast<int32_t>(T.size()); }
  bool empty() const { return T.empty(); }
  // n samples of zero.
  static Curve zeros(int32_t n);
  // The first n samples.
  void truncate(int32_t n);
};

inline Curve Curve::zeros(int32_t n) {
  const auto m = static_cast<std::size_t>(n < 0 ? 0 : n);
  return Curve{std::vector<float>(m, 0.0f), std::vector<float>(m, 0.0f),
               std::vector<float>(m, 0.0f)};
}

inline void Curve::truncate(int32_t n) {
  const auto m = static_cast<std::size_t>(n < 0 ? 0 : n);
  if (m >= T.size()) return;
  T.resize(m);
  C.resize(m);
  Q.resize(m);
}

// The last steps of the data pass, the same wherever a curve goes through
// them (the station file and the draws of the uncertainty):
// the sample count left when the samples at the end without tracer
// (concentration 0 or below) are dropped;
inline int32_t withoutTracerlessEnd(std::span<const float> C, int32_t n) {
  while (n > 0 && C[n - 1] <= 0) --n;
  return n;
}

// the knot spacing: intervals equal intervals over the first n times;
inline float knotSpacing(std::span<const float> T, int32_t n, int32_t intervals) {
  return (T[n - 1] - T[0]) / static_cast<float>(intervals);
}

// the samples among the first n whose discharge equals the next one's, the
// last pair counted twice.
inline int32_t equalNeighbourDischarges(std::span<const float> Q, int32_t n) {
  int32_t e = 0;
  for (int32_t i = 0; i + 1 < n; ++i)
    if (Q[i] == Q[i + 1]) ++e;
  if (n >= 2 && Q[n - 2] == Q[n - 1]) ++e;
  return e;
}

// The standard deviations of the times, concentrations and discharges of
// group means (data-reduction mode 2), one per sample; zero otherwise.
struct GroupSpread {
  std::vector<float> T, C, Q;
};

// The curve of the data pass.
struct MeasuredCurve {
  Curve samples;
  GroupSpread spread;
};

// What the tail extrapolation leaves for the data plot: the four 35-character
// texts of the fitted exponential (coefficient, exponent, correlation
// coefficient, standard error) and the rate flag (1 or 2).
struct TailFit {
  std::array<std::string, 4> texts{std::string(35, ' '), std::string(35, ' '),
                                   std::string(35, ' '), std::string(35, ' ')};
  int32_t rateFlag = 0;
};

}  // namespace kaldero
