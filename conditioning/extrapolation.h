// Tail extrapolation of a curve whose recession limb was not measured to
// its end. All values are in the units of the station data file.
//   method 1  an exponential fitted to the falling limb, sampled at 5 new
//             points up to where it has decayed (GRACON);
//   method 2  the monotone cubic interpolant of the curve continued step by
//             step until it reaches zero: 1 new point;
//   method 3  1 new point of zero concentration at the zero-time estimate
//             of GRACON.
// The discharge of the new samples is the time-weighted mean over the
// falling limb (method 2: the continued discharge interpolant where it is
// positive), except that a constant measured discharge stays constant.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/curve.h"
#include "model/notices.h"
#include "model/test_description.h"

namespace kaldero {

// How many steps the continuation of method 2 may take. A step doubles the
// step length while the interpolant stays between 0 and the last
// concentration (a float length overflows after fewer than 300 doublings);
// any other step sets a new last sample, and a continuation that keeps
// doing that for hundreds of steps is rising instead of falling to zero.
inline constexpr int32_t kMaxContinuationSteps = 1000;

// Error codes of the extrapolation-error report.
inline constexpr int32_t kGraconFailed = 1;        // methods 1 and 3
inline constexpr int32_t kContinuationFailed = 2;  // method 2

// What the extrapolation gives: the curve with its tail (the group spread of
// the new samples 0; method 2 uses the spread as its work space and leaves
// it cleared), the texts of the fitted tail for the data plot, the notices
// of the way, and the error code of the extrapolation-error report (0 when
// the tail was made).
struct Extrapolation {
  MeasuredCurve curve;
  TailFit tail;
  Notices notices;
  int32_t errorCode = 0;
  // A quantity of the fitted tail that is not a finite number.
  std::optional<std::string> nonFinite;
};

// Extends the measured curve past its last sample by the extrapolation
// method of the test description; run after the data pass when the
// extrapolation option is 1, once trailing samples without tracer have been
// dropped (C(N) > 0). equalDischargeCount: the data pass's count of
// samples whose measured discharge equals the next one's. When no tail can
// be made the error code says so (the run then stops with its report).
Extrapolation extrapolateTail(const TestDescription& test, int32_t equalDischargeCount,
                              const MeasuredCurve& measured);

// The share of the tracer load of a curve (internal units, conditioned)
// after the last measured sample at lastSeconds, that is on its
// extrapolated tail (trapezoids, double precision: a diagnostic beside the
// listing's mass, not part of it); none without a positive load. A
// constant discharge cancels from the share: measuredDischarge false
// leaves it out.
std::optional<double> extrapolatedLoadShare(const Curve& conditioned, double lastSeconds,
                                            bool measuredDischarge);

}  // namespace kaldero
