// A curve file: one sample a line, the two values in 20-character general
// format side by side (the normalized, load and standardized curves).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/units.h"

namespace kaldero::files {

std::vector<std::string> curveFileLines(std::span<const float> x, std::span<const float> y);

// The same curve as CSV (--curves-csv): a header row naming the two
// columns with their units, then one sample a row, each value the shortest
// text that reads back as the same single-precision number (the fixed-width
// file rounds to ten digits).
struct CurveColumns {
  std::string x, y;
};
std::vector<std::string> curveCsvLines(const CurveColumns& columns, std::span<const float> x,
                                       std::span<const float> y);

// The columns of the normalized, load and standardized curves, named with
// their units; times in the station's time unit (a code outside the table
// reads as seconds).
CurveColumns normalizedColumns(TimeUnit timeUnit);
CurveColumns loadColumns(TimeUnit timeUnit);
CurveColumns standardizedColumns();

}  // namespace kaldero::files
