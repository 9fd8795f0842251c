// Robust location statistics of a sample sorted in ascending order.
//
// The median is the middle value (the mean of the two middle values for an
// even count). The quartiles are read off the empirical distribution with
// the plotting positions p(i) = (i - 0.5)/n: a value whose position equals
// the fraction exactly is the quartile; otherwise the quartile is linearly
// interpolated between the last value below and the first value above the
// fraction (a value 0 at position 0 when no value lies below). The
// half-range mean is the mean of the values in the narrower half of the
// interquartile range: between the median and the upper quartile when the
// upper quartile lies no further above the median than the lower quartile
// below it, otherwise between the lower quartile and the median (both ends
// included).
//
// The tail extrapolation applies it to sets of zero-crossing times, the
// Chatwin method to the sample times. The values are in the unit of the
// sample; single precision.
#pragma once

#include <span>

namespace kaldero::numeric {

struct SampleStatistics {
  float median = 0;
  float lowerQuartile = 0;
  float upperQuartile = 0;
  float halfRangeMean = 0;
};

// x sorted ascending. Defined for two values or more; a single value is its
// own median, quartiles and half-range mean, an empty sample gives zeros.
SampleStatistics sampleStatistics(std::span<const float> x);

// The quantile of x (sorted ascending) at the fraction q by the plotting
// positions above.
float plottingPositionQuantile(std::span<const float> x, float q);

}  // namespace kaldero::numeric
