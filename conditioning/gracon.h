// The falling limb of a breakthrough curve and the estimate of the time at
// which it reaches zero concentration (GRACON), on which the tail
// extrapolation builds. Times and concentrations are in the units of the
// station data file; indices are 0-based (sample i of the curve is element
// i - 1).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <span>

#include "model/codes.h"
#include "model/notices.h"
#include "model/curve.h"

namespace kaldero {


// The falling limb: i2 is the last strict fall before the final sample
// (the pair of the last two samples is not examined), i1 the last rise
// before it, i.e. the last local peak, or the first sample when there is
// none. found is false when the curve has no such fall.
struct FallingLimb {
  bool found = false;
  int32_t i1 = 0;
  int32_t i2 = 0;
};

FallingLimb limbSearch(std::span<const float> C, int32_t n);

// The time at which the straight line through samples j and m reaches
// concentration 0; C(m) must differ from C(j).
float zeroCrossing(std::span<const float> T, std::span<const float> C, int32_t j, int32_t m);

// The mean discharge over the limb, each discharge weighted by the time to
// the next sample: sum over i1 <= i < i2 of (T(i+1) - T(i)) Q(i), divided by
// T(i2) - T(i1).
float limbMeanDischarge(std::span<const float> T, std::span<const float> Q,
                        const FallingLimb& limb);

// Least-squares fit of ln C = ln A + b t over the limb (samples i1 to
// i2 + 1 with positive concentration), its correlation coefficient r and
// the standard error s of the fitted concentrations.
struct ExponentialFit {
  double A = 0;
  float b = 0;
  float r = 0;
  float s = 0;
};

ExponentialFit fitExponential(std::span<const float> T, std::span<const float> C,
                              const FallingLimb& limb);

// How far the exponential tail is stepped, in steps of the last sample
// spacing, to find where the fit has fallen to a tenth of the last
// concentration and to 0.01. Even a fall over the whole range of float
// concentrations (a factor of e^93 down to 0.01) takes fewer steps unless
// the fit decays by less than 0.01 % a sample spacing, i.e. is flat, or
// does not decay at all.
inline constexpr int32_t kMaxTailSteps = 1000000;

struct GraconResult {
  int32_t errorCode = 1;    // 0 when an estimate was made
  float zeroTime = 0;       // estimated time of zero concentration
  float concentration = 0;  // method 1: the fitted concentration there
  FallingLimb limb;
  ExponentialFit fit;       // method 1
  // Method 1: the quantity of the fit that is not a finite number (the run
  // stops naming it).
  std::optional<std::string> nonFinite;
};

// GRACON for extrapolation method 1 (exponential fit, stepped until it
// has decayed; fills the tail-fit texts and the rate flag) or 3 (the
// half-range means of the secant zero crossings of the limb). An estimate
// that does not lie beyond the last sample time T(N) becomes 1.5 T(N).
// Error code 1, after a notice where the cause has one: no falling limb,
// limb times that do not increase, the fitted exponential does not decay
// within kMaxTailSteps.
GraconResult GRACON(Notices& notices, std::span<const float> T, std::span<const float> C,
                    int32_t n, ExtrapolationMethod method, TailFit& tail);

}  // namespace kaldero
