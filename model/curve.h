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
