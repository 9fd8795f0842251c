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
#include <functional>
#include <span>
#include <string>

namespace kaldero {

class Console;

struct ChatwinInputs {
  std::span<const float> T;     // sample times, s
  std::span<const float> C;     // concentrations, ng/L
  int32_t n = 0;
  float zerothMoment = 0;       // recovered mass
  float firstMoment = 0;        // first-moment integral
  float velocityIntegral = 0;   // distance-weighted integral
  float flowZoneArrival = 0;    // hours
  float peakParameter = 0;      // A_p: peak concentration * sqrt(peak time)
  int32_t peakIndex = 1;        // 1-based position of the peak sample
  float distance = 0;           // travel distance X, m
  int32_t timeUnit = 0;         // 1 days, 2 hours, 3 minutes, 4 seconds
};

// Working arrays of N values each (segments of the station work array).
struct ChatwinWork {
  std::span<float> P;    // Chatwin parameter of each sample
  std::span<float> XF;   // fit points: times
  std::span<float> YF;   //             Chatwin parameters
  std::span<float> TK;   // listed points: time in the station's time unit
  std::span<float> PK;   //                Chatwin parameter
  std::span<float> FK;   //                fitted value
};

// The Chatwin parameters and the fit points. Returns the flow-zone velocity
// correction (m/s); nfit receives the number of fit points.
float chatwinParameters(Console& console, const ChatwinInputs& in, ChatwinWork& work,
                        int32_t& nfit);

// What the table and the plot of the fit are given, and how to reach them.
struct ChatwinReport {
  // The station's tables: shows the table as the switches ask (given the
  // listed points, NFIT and R).
  std::function<void(int32_t K, int32_t nfit, float R)> table;
  // The plots: K listed points and the six statistic texts.
  std::function<void(int32_t K, const std::string* texts)> plot;
};

// The straight-line fit over the fit points, the listed points, the table,
// the statistics and the plots. Returns the Chatwin dispersion coefficient
// (m^2/s), 0 when there is no estimate (fewer than 2 fit points, no storage
// for the fit, or an intercept that is not positive).
float chatwinFit(Console& console, const ChatwinInputs& in, ChatwinWork& work, int32_t nfit,
                 const ChatwinReport& report);


}  // namespace kaldero
