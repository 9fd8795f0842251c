#include "analysis/tracer_load.h"

#include "analysis/guards.h"

namespace kaldero {

void toTracerLoad(const TestDescription& t, const StationSetup& setup, std::span<float> C,
                  std::span<const float> Q, int32_t n) {
  if (t.dischargeMode == DischargeMode::Measured) {
    for (int32_t i = 0; i < n; ++i) C[i] *= Q[i];
  } else if (t.dischargeMode == DischargeMode::Constant) {
    for (int32_t i = 0; i < n; ++i) C[i] *= setup.constantDischarge;
  }
}

void toConcentration(const TestDescription& t, const StationSetup& setup, std::span<float> C,
                     std::span<const float> Q, int32_t n) {
  const bool measured = t.dischargeMode == DischargeMode::Measured;
  if (!measured && t.dischargeMode != DischargeMode::Constant) return;
  for (int32_t i = 0; i < n; ++i) {
    const float q = measured ? Q[i] : setup.constantDischarge;
    const float c = guard::quotient(C[i], q);
    C[i] = c < 0 ? 0.0f : c;
  }
}

}  // namespace kaldero
