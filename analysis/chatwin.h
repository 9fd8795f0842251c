// The Chatwin method: an estimate of the longitudinal dispersion coefficient
// from the early part of the breakthrough curve.
//
// For a one-dimensional advection-dispersion curve from an instantaneous
// injection, C(t) = A / sqrt(t) exp(-(X - v t)^2 / (4 D t)), the Chatwin
// parameter
//   P(t) = sqrt(t ln(A_p / (C sqrt(t))))   (negative after the peak)
// lies on the straight line P = (X - v t) / (2 sqrt(D)) when A_p = A. A line
// fitted to the early samples thus gives D from its intercept a = X/(2 sqrt D):
// D_C = (X / (2a))^2, in m^2/s since P is in s^1/2 whatever unit the fit
// time is in (Chatwin 1971; Day 1975). A_p is the peak concentration times
// the square root of the peak time.
#pragma once

#include <cstdint>
#include <span>

#include "model/codes.h"
#include "model/results.h"

namespace kaldero {

struct ChatwinInputs {
  std::span<const float> T;     // sample times, s
  std::span<const float> C;     // concentrations, ng/L
  float zerothMoment = 0;       // recovered mass
  float firstMoment = 0;        // first-moment integral
  float velocityIntegral = 0;   // distance-weighted integral
  float flowZoneArrival = 0;    // hours
  float peakParameter = 0;      // A_p: peak concentration * sqrt(peak time)
  int32_t peakIndex = 1;        // 1-based position of the peak sample
  float distance = 0;           // travel distance X, m
  TimeUnit timeUnit{0};
};

// The Chatwin parameters and the fit points, then the straight line over
// the fit points and the listed points. Not fitted (no estimate) with fewer
// than 2 fit points, without storage for the fit, or with an intercept that
// is not positive; the flow-zone velocity correction is returned in any
// case. The empty console line after the parameters and the warnings of the
// incomplete beta function (after the table) are its notices.
ChatwinResults chatwinMethod(const ChatwinInputs& in);

}  // namespace kaldero
