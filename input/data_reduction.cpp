#include "input/data_reduction.h"

#include "core/storage.h"

namespace kaldero {

bool stationStorage(int32_t n, int32_t pad) {
  if (n < 0) return false;
  return storageAvailable(9LL * (n + pad) + pad);
}

ReductionDecision decideReduction(int32_t n, ReductionMode mode, Option knotOption,
                                  Option stationTotals,
                                  const std::function<bool(int32_t)>& tryAllocate) {
  // The modes as their codes: 1 every line, 2 group means, 3 every k-th line.
  int32_t m = code(mode);
  if (m != 1 && n <= 600) m = 1;
  if (on(knotOption) && m == 2) m = 3;
  int32_t k = 0;
  if (!(m == 1 && n <= 6000)) {
    if (m == 1) m = 2;
    if (n >= 601 && n <= 1000) {
      k = 2;
      n = n / 2;
    } else if (n > 1000) {
      k = n / 800;
      if (n / k > 800) k = k + 1;
      n = n / k;
    }
    if (m == 3) n = static_cast<int32_t>((static_cast<int64_t>(n) * k) / (k + 1));
    if (k != 0 && on(stationTotals)) n = n + 1;
  }
  for (;;) {
    if (m == 3) n = n + 1;
    if (tryAllocate(n)) return {n, ReductionMode{m}, k, true};
    if (n <= 1) return {n, ReductionMode{m}, k, false};
    n = static_cast<int32_t>(n * 0.5f);
    k = static_cast<int32_t>(k * 2.0f);
  }
}

ReductionDecision decideReduction(int32_t dataLines, const TestDescription& t) {
  const int32_t pad =
      on(t.extrapolationOption) && t.extrapolationMethod == ExtrapolationMethod::Exponential ? 5
                                                                                              : 1;
  return decideReduction(dataLines, t.reductionMode, t.knotOption, t.stationTotals,
                         [&](int32_t n) { return stationStorage(n, pad); });
}

}  // namespace kaldero
