// The derived curves of a station and their files: the normalized
// concentration and the normalized load per kilogram recovered against the
// time in the station's time unit, and the standardized curve (time in
// standard deviations from the mean transit time, concentration as a
// fraction of the peak). Each file holds one sample a line, two numbers in
// 20-character general format side by side.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/checked_file.h"

namespace kaldero::curves {

// The normalized concentration curve of the n samples (C in ng/L): times in
// the file's unit into tf, C * 0.001 / recovered grams (mg/L per kg
// recovered) into values.
void normalizedCurve(std::span<const float> T, std::span<const float> C, int32_t n,
                     int32_t timeUnit, float recoveredGrams, std::span<float> tf,
                     std::span<float> values);

// The normalized load curve: C is replaced in place by the tracer load (C
// times the measured discharge in discharge mode 1, times the constant
// discharge otherwise); times into tf, load / recovered grams (mg/s per kg
// recovered) into values.
void loadCurve(std::span<const float> T, std::span<float> C, std::span<const float> Q, int32_t n,
               int32_t timeUnit, int32_t dischargeMode, float constantDischarge,
               float recoveredGrams, std::span<float> tf, std::span<float> values);

// The standardized curve: (t in hours - mean time) / standard deviation
// into st, C / peak concentration into sc.
void standardizedCurve(std::span<const float> T, std::span<const float> C, int32_t n,
                       float meanTimeHours, float sigmaHours, float peakConcentration,
                       std::span<float> st, std::span<float> sc);

// Writes the two columns of a curve file; quantity names the curve when a
// value is not a finite number (see fmt::NonFiniteQuantity).
WriteOutcome writeCurveFile(const std::string& path, std::string_view quantity,
                            std::span<const float> x, std::span<const float> y, int32_t n);

}  // namespace kaldero::curves
