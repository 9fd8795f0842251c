#include "conditioning/detection_limit.h"

#include <algorithm>
#include <cmath>

namespace kaldero {

Censoring::Censoring(std::span<const float> T, std::span<const float> C, float limit,
                     float background, std::span<const float> measured)
    : limit_(limit), floor_(std::min(background, limit)), background_(background),
      also_(measured) {
  const std::size_t n = std::min(T.size(), C.size());
  // The curve runs from the first to the last of two successive readings
  // at or above the limit: a lone one amid censored readings is as likely
  // noise (a limit of three standard deviations of the noise is passed by
  // one reading in 700 of the background, two successive ones by one pair
  // in 500,000). Without two successive ones, from the first to the last
  // reading at or above it.
  std::optional<std::size_t> single;
  for (std::size_t i = 0; i < n; ++i) {
    if (censored(i, C[i])) continue;
    if (!single) single = i;
    if (i > 0 && !censored(i - 1, C[i - 1])) {
      if (!first_) first_ = i - 1;
      last_ = i;
    }
  }
  if (!first_) {
    first_ = single;
    for (std::size_t i = n; single && i-- > *single;)
      if (!censored(i, C[i])) {
        last_ = i;
        break;
      }
  }
  if (!first_) return;
  std::size_t peak = *first_;
  for (std::size_t i = *first_; i <= *last_; ++i)
    if (!censored(i, C[i]) && C[i] > C[peak]) peak = i;
  // The limbs: the detected readings of the curve before and after the
  // peak, times from the peak's (so that the sums keep their digits).
  t0_ = T[peak];
  const auto fit = [&](std::size_t from, std::size_t to, int terms) -> std::optional<Limb> {
    double m[3][4] = {};  // the normal equations of ln c on 1, x, x^2, augmented
    int count = 0;
    for (std::size_t i = from; i <= to; ++i) {
      const double c = static_cast<double>(C[i]) - background;
      if (censored(i, C[i]) || !(c > 0)) continue;
      const double x = static_cast<double>(T[i]) - t0_, y = std::log(c);
      const double row[3] = {1, x, x * x};
      for (int r = 0; r < terms; ++r) {
        for (int col = 0; col < terms; ++col) m[r][col] += row[r] * row[col];
        m[r][3] += row[r] * y;
      }
      ++count;
    }
    if (count <= terms) return std::nullopt;
    // Gauss-Jordan elimination with partial pivoting.
    for (int col = 0; col < terms; ++col) {
      int pivot = col;
      for (int r = col + 1; r < terms; ++r)
        if (std::abs(m[r][col]) > std::abs(m[pivot][col])) pivot = r;
      if (!(std::abs(m[pivot][col]) > 0)) return std::nullopt;
      std::swap(m[col], m[pivot]);
      for (int r = 0; r < terms; ++r) {
        if (r == col) continue;
        const double f = m[r][col] / m[col][col];
        for (int j = col; j < 4; ++j) m[r][j] -= f * m[col][j];
      }
    }
    Limb e{m[0][3] / m[0][0], m[1][3] / m[1][1], terms == 3 ? m[2][3] / m[2][2] : 0.0};
    if (!std::isfinite(e.a) || !std::isfinite(e.b) || !std::isfinite(e.q) || e.q > 0)
      return std::nullopt;
    // Falling away from the curve where the limb meets the censored
    // readings (towards the release before it, with time after it).
    const double edge = static_cast<double>(T[from == *first_ ? *first_ : *last_]) - t0_;
    const double slope = e.b + 2 * e.q * edge;
    if (from == *first_ ? !(slope > 0) : !(slope < 0)) return std::nullopt;
    return e;
  };
  const auto limb = [&](std::size_t from, std::size_t to) {
    std::optional<Limb> e = fit(from, to, 3);
    return e ? e : fit(from, to, 2);
  };
  if (peak > *first_) rise_ = limb(*first_, peak - 1);
  if (peak < *last_) recession_ = limb(peak + 1, *last_);
}

bool Censoring::inCurve(std::size_t i) const {
  return first_ && i >= *first_ && i <= *last_;
}

float Censoring::substitute(std::size_t i, float t, double share) const {
  const auto along = [&](const std::optional<Limb>& e) {
    if (!e) return floor_;
    const double x = static_cast<double>(t) - t0_;
    const double c = background_ + std::exp(e->a + (e->b + e->q * x) * x);
    return static_cast<float>(
        std::clamp(c, static_cast<double>(floor_), static_cast<double>(limit_)));
  };
  if (!first_) return floor_;
  if (i < *first_) return along(rise_);
  if (i > *last_) return along(recession_);
  return static_cast<float>(floor_ + share * (static_cast<double>(limit_) - floor_));
}

void replaceCensored(const Censoring& censoring, std::span<const float> T, std::span<float> C,
                     numeric::Random* rng) {
  const std::size_t n = std::min(T.size(), C.size());
  for (std::size_t i = 0; i < n; ++i)
    if (censoring.censored(i, C[i]) || !censoring.inCurve(i))
      C[i] = censoring.substitute(i, T[i], rng ? rng->uniform() : 0.5);
}

}  // namespace kaldero
