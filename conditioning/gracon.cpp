#include "conditioning/gracon.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/format.h"
#include "core/text.h"
#include "numeric/sample_statistics.h"

namespace kaldero {

namespace {

using Span = std::span<const float>;

// Half-range mean of a set of times, sorted in place by a heap sort; fewer
// than two values give 0.
float halfRangeMean(std::vector<float>& v) {
  if (v.size() < 2) return 0;
  std::make_heap(v.begin(), v.end());
  std::sort_heap(v.begin(), v.end());
  return numeric::sampleStatistics(v).halfRangeMean;
}

// The first estimate: the secant zero crossings of every limb sample with
// the later ones, weighted by how far along the limb they reach. A later
// sample with the same concentration has no crossing and passes its weight
// on to the next one. Methods 1 and 3 replace this estimate by their own;
// it decides only whether the last falling step is checked.
float weightedSecantEstimate(Span T, Span C, const FallingLimb& l) {
  const float span = T[l.i2] - T[l.i1];
  float z = 0;
  for (int32_t j = l.i1; j < l.i2; ++j) {
    float s = 0;
    int32_t k = 1;
    for (int32_t m = j + 1; m <= l.i2; ++m) {
      if (C[m] == C[j]) {
        ++k;
        continue;
      }
      s += static_cast<float>(k) * (T[m] - T[j]) / (T[l.i2] - T[j]) *
           zeroCrossing(T, C, j, m);
      k = 1;
    }
    z += s * (T[j + 1] - T[j]) / span;
  }
  return z;
}

// The time at which the fitted exponential has fallen to a tenth of the last
// concentration and to 0.01, stepping by the last sample spacing; false
// when it does not get there within kMaxTailSteps.
bool stepTail(Span T, Span C, int32_t n, const ExponentialFit& f, float& z, float& c) {
  const float dt = T[n - 1] - T[n - 2];
  const float limit = C[n - 1] / 10;
  z = T[n - 1];
  for (int32_t step = 0; step < kMaxTailSteps; ++step) {
    z = z + dt;
    c = static_cast<float>(f.A * std::exp(f.b * z));
    if (c <= limit && c <= 0.01f) return true;
  }
  return false;
}

// The texts of the fitted curve for the data plot and its rate flag.
// A fit whose values are not finite numbers (single precision overflowed)
// gives no texts; the quantity is named instead.
std::optional<std::string> tailFitTexts(const ExponentialFit& f, TailFit& tail) {
  const std::pair<double, const char*> values[] = {
      {f.A, "coefficient of the fitted tail"},
      {f.b, "exponent of the fitted tail"},
      {f.r, "correlation coefficient of the fitted tail"},
      {f.s, "standard error of the fitted tail"}};
  for (const auto& [v, name] : values)
    if (!std::isfinite(v)) return std::string(name);
  const bool plainA = f.A >= 0.01 && f.A < 1000;
  tail.texts[0] = text::padded(plainA ? fmt::G(f.A, 14, 6) : fmt::G(f.A, 10, 4), 35);
  const bool steep = f.b < -0.1f;
  tail.texts[1] = text::padded(steep ? fmt::G(f.b, 14, 6) : fmt::G(f.b, 10, 4), 35);
  tail.rateFlag = steep ? 2 : 1;
  tail.texts[2] = text::padded(fmt::G(f.r, 10, 4), 35);
  tail.texts[3] = text::padded(fmt::F(f.s, 6, 2), 35);
  return std::nullopt;
}

}  // namespace

FallingLimb limbSearch(Span C, int32_t n) {
  FallingLimb l;
  for (int32_t m = n - 2; m >= 1; --m) {
    if (C[m] < C[m - 1]) {
      l.found = true;
      l.i2 = m;
      break;
    }
  }
  if (!l.found) return l;
  l.i1 = 0;
  for (int32_t p = l.i2 - 1; p >= 1; --p) {
    if (C[p - 1] < C[p]) {
      l.i1 = p;
      break;
    }
  }
  return l;
}

float zeroCrossing(Span T, Span C, int32_t j, int32_t m) {
  return T[j] - C[j] * (T[m] - T[j]) / (C[m] - C[j]);
}

float limbMeanDischarge(Span T, Span Q, const FallingLimb& l) {
  float sum = 0;
  for (int32_t i = l.i1; i < l.i2; ++i) sum += (T[i + 1] - T[i]) * Q[i];
  return sum / (T[l.i2] - T[l.i1]);
}

ExponentialFit fitExponential(Span T, Span C, const FallingLimb& l) {
  float n = 0, st = 0, stt = 0, sy = 0, syy = 0, sty = 0;
  for (int32_t i = l.i1; i <= l.i2 + 1; ++i) {
    if (!(C[i] > 0)) continue;
    const float t = T[i];
    const float y = std::log(C[i]);
    n += 1;
    st += t;
    stt += t * t;
    sy += y;
    syy += y * y;
    sty += t * y;
  }
  ExponentialFit f;
  const float d = n * stt - st * st;
  const float a = (sy * stt - st * sty) / d;
  f.b = (n * sty - st * sy) / d;
  f.A = std::exp(static_cast<double>(a));
  f.r = (n * sty - st * sy) / std::sqrt((n * syy - sy * sy) * d);
  float ss = 0;
  for (int32_t i = l.i1; i <= l.i2 + 1; ++i) {
    const double r = C[i] - f.A * std::exp(f.b * T[i]);
    ss += static_cast<float>(r * r);
  }
  // i2 counted from 1, as the degrees of freedom were defined.
  f.s = std::sqrt(ss / static_cast<float>(l.i2));
  return f;
}

GraconResult GRACON(Notices& notices, Span T, Span C, int32_t n, ExtrapolationMethod method,
                    TailFit& tail) {
  GraconResult g;
  g.limb = limbSearch(C, n);
  if (!g.limb.found) return g;
  const FallingLimb& l = g.limb;
  const float tN = T[n - 1];
  if (T[l.i2] - T[l.i1] <= 0) {
    notices.push_back({Notice::Kind::TailTimeDifference, 0, T[l.i2], T[l.i1]});
    return g;
  }

  float z = weightedSecantEstimate(T, C, l);
  if (z <= tN) {
    if (C[l.i2] == C[l.i2 - 1]) {
      notices.push_back({Notice::Kind::TailFunctionViolation, 0, C[l.i2 - 1], C[l.i2]});
      return g;
    }
    // The last measured point continued with the slope of the last fall.
    z = tN - (T[l.i2] - T[l.i2 - 1]) * C[n - 1] / (C[l.i2] - C[l.i2 - 1]);
  }

  if (method == ExtrapolationMethod::Exponential) {
    g.fit = fitExponential(T, C, l);
    if (!stepTail(T, C, n, g.fit, z, g.concentration)) return g;
    g.nonFinite = tailFitTexts(g.fit, tail);
    if (g.nonFinite) return g;
  } else {
    // For every limb sample the half-range mean of its secant crossings
    // with the later limb samples (nearly equal concentrations left out),
    // then the half-range mean of those, or their largest when greater.
    std::vector<float> perSample;
    for (int32_t j = l.i1; j < l.i2; ++j) {
      std::vector<float> crossings;
      for (int32_t m = j + 1; m <= l.i2; ++m)
        if (std::fabs(C[m] - C[j]) > 0.0001f) crossings.push_back(zeroCrossing(T, C, j, m));
      perSample.push_back(halfRangeMean(crossings));
    }
    const float largest = *std::max_element(perSample.begin(), perSample.end());
    z = halfRangeMean(perSample);
    if (largest > z) z = largest;
  }

  if (z <= tN) z = 1.5f * tN;
  g.zeroTime = z;
  g.errorCode = 0;
  return g;
}

}  // namespace kaldero
