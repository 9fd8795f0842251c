#include "analysis/curve_files.h"

#include <vector>

#include "analysis/guards.h"
#include "core/checked_file.h"
#include "core/format.h"
#include "input/units.h"

namespace kaldero::curves {

using guard::quotient;

// A recovered mass of 0 leaves no curve to normalize: its values are 0.
void normalizedCurve(std::span<const float> T, std::span<const float> C, int32_t n,
                     int32_t timeUnit, float recoveredGrams, std::span<float> tf,
                     std::span<float> values) {
  for (int32_t i = 0; i < n; ++i) {
    tf[i] = units::fromSeconds(T[i], timeUnit);
    values[i] = quotient(C[i] * 0.001f, recoveredGrams);
  }
}

void loadCurve(std::span<const float> T, std::span<float> C, std::span<const float> Q, int32_t n,
               int32_t timeUnit, int32_t dischargeMode, float constantDischarge,
               float recoveredGrams, std::span<float> tf, std::span<float> values) {
  for (int32_t i = 0; i < n; ++i) {
    C[i] *= dischargeMode == 1 ? Q[i] : constantDischarge;
    tf[i] = units::fromSeconds(T[i], timeUnit);
    values[i] = quotient(C[i], recoveredGrams);
  }
}

// A curve without spread (standard deviation 0) has every standardized
// time at 0, one without a peak every standardized concentration at 0.
void standardizedCurve(std::span<const float> T, std::span<const float> C, int32_t n,
                       float meanTimeHours, float sigmaHours, float peakConcentration,
                       std::span<float> st, std::span<float> sc) {
  for (int32_t i = 0; i < n; ++i) {
    st[i] = quotient(T[i] / 3600.0f - meanTimeHours, sigmaHours);
    sc[i] = quotient(C[i], peakConcentration);
  }
}

WriteOutcome writeCurveFile(const std::string& path, std::string_view quantity,
                            std::span<const float> x, std::span<const float> y, int32_t n) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(n > 0 ? n : 0));
  for (int32_t i = 0; i < n; ++i)
    lines.push_back(fmt::checkedG(x[i], 20, 10, quantity) + fmt::checkedG(y[i], 20, 10, quantity));
  return writeTextFile(path, lines);
}

}  // namespace kaldero::curves
