#include "driver/work_array.h"

#include "core/storage.h"

namespace kaldero {

bool StationWorkArray::allocate(int32_t n, int32_t pad) {
  free();
  if (!allocateZeroed(storage_, totalLength(n, pad))) return false;
  n_ = n;
  pad_ = pad;
  return true;
}

void StationWorkArray::free() {
  std::vector<float>().swap(storage_);
  n_ = 0;
}

std::span<float> StationWorkArray::segment(int j) {
  const std::size_t len = static_cast<std::size_t>(n_ + pad_);
  const std::size_t start = static_cast<std::size_t>(pad_) + static_cast<std::size_t>(j - 1) * len;
  return std::span<float>(storage_).subspan(start, len);
}

CurveSegments StationWorkArray::curve() {
  return CurveSegments{segment(1), segment(2), segment(3), segment(4),
                       segment(5), segment(6), segment(7), segment(8)};
}

ChatwinWork StationWorkArray::chatwinWork() {
  return ChatwinWork{segment(9), segment(4), segment(5), segment(6), segment(8), segment(7)};
}

CurveFileWork StationWorkArray::curveFileWork() {
  return CurveFileWork{segment(6), segment(7), segment(5), segment(4)};
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

}  // namespace kaldero
