#include "analysis/tracer_load.h"

#include "analysis/guards.h"

namespace kaldero {

void toTracerLoad(const TestDescription& t, std::span<float> C, std::span<const float> Q,
                  int32_t n) {
  if (t.dischargeMode == 1) {
    for (int32_t i = 0; i < n; ++i) C[i] *= Q[i];
  } else if (t.dischargeMode == 2) {
    for (int32_t i = 0; i < n; ++i) C[i] *= t.constantDischarge;
  }
}

void toConcentration(const TestDescription& t, std::span<float> C, std::span<const float> Q,
                     int32_t n) {
  if (t.dischargeMode != 1 && t.dischargeMode != 2) return;
  for (int32_t i = 0; i < n; ++i) {
    const float q = t.dischargeMode == 1 ? Q[i] : t.constantDischarge;
    const float c = guard::quotient(C[i], q);
    C[i] = c < 0 ? 0.0f : c;
  }
}

}  // namespace kaldero
