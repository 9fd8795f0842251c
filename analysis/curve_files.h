// The derived curves of a station: the normalized concentration and the
// normalized load per kilogram recovered against the time in the station's
// time unit, and the standardized curve (time in standard deviations from
// the mean transit time, concentration as a fraction of the peak). Their
// files are written by files/curve_file.h.
#pragma once

#include <cstdint>
#include <span>

#include "model/codes.h"

namespace kaldero::curves {

// The normalized concentration curve of the n samples (C in ng/L): times in
// the file's unit into tf, C * 0.001 / recovered grams (mg/L per kg
// recovered) into values.
void normalizedCurve(std::span<const float> T, std::span<const float> C, int32_t n,
                     TimeUnit timeUnit, float recoveredGrams, std::span<float> tf,
                     std::span<float> values);

// The normalized load curve: C is replaced in place by the tracer load (C
// times the measured discharge in discharge mode 1, times the constant
// discharge otherwise); times into tf, load / recovered grams (mg/s per kg
// recovered) into values.
void loadCurve(std::span<const float> T, std::span<float> C, std::span<const float> Q, int32_t n,
               TimeUnit timeUnit, DischargeMode dischargeMode, float constantDischarge,
               float recoveredGrams, std::span<float> tf, std::span<float> values);

// The standardized curve: (t in hours - mean time) / standard deviation
// into st, C / peak concentration into sc.
void standardizedCurve(std::span<const float> T, std::span<const float> C, int32_t n,
                       float meanTimeHours, float sigmaHours, float peakConcentration,
                       std::span<float> st, std::span<float> sc);


}  // namespace kaldero::curves
