#include "analysis/curve_files.h"

#include <vector>

#include "analysis/guards.h"
#include "model/units.h"

namespace kaldero::curves {

using guard::quotient;

// A recovered mass of 0 leaves no curve to normalize: its values are 0.
void normalizedCurve(std::span<const float> T, std::span<const float> C, int32_t n,
                     TimeUnit timeUnit, float recoveredGrams, std::span<float> tf,
                     std::span<float> values) {
  for (int32_t i = 0; i < n; ++i) {
    tf[i] = units::fromSeconds(T[i], timeUnit);
    values[i] = quotient(C[i] * 0.001f, recoveredGrams);
  }
}

void loadCurve(std::span<const float> T, std::span<float> C, std::span<const float> Q, int32_t n,
               TimeUnit timeUnit, DischargeMode dischargeMode, float constantDischarge,
               float recoveredGrams, std::span<float> tf, std::span<float> values) {
  for (int32_t i = 0; i < n; ++i) {
    C[i] *= dischargeMode == DischargeMode::Measured ? Q[i] : constantDischarge;
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

}  // namespace kaldero::curves
