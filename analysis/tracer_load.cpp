#include "analysis/tracer_load.h"

#include "analysis/guards.h"

namespace kaldero {

std::vector<float> tracerLoad(std::span<const float> C, const DischargeOf& q) {
  std::vector<float> out(C.begin(), C.end());
  if (q.mode == DischargeMode::Measured) {
    for (std::size_t i = 0; i < out.size(); ++i) out[i] *= q.measured[i];
  } else if (q.mode == DischargeMode::Constant) {
    for (float& v : out) v *= q.constant;
  }
  return out;
}

std::vector<float> concentrationsFromLoad(std::span<const float> load, const DischargeOf& q) {
  std::vector<float> out(load.begin(), load.end());
  const bool measured = q.mode == DischargeMode::Measured;
  if (!measured && q.mode != DischargeMode::Constant) return out;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const float c = guard::quotient(out[i], measured ? q.measured[i] : q.constant);
    out[i] = c < 0 ? 0.0f : c;
  }
  return out;
}

}  // namespace kaldero
