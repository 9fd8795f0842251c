#include "input/data_reduction.h"

#include "core/storage.h"

namespace kaldero {

bool stationStorage(int32_t n, int32_t pad) {
  if (n < 0) return false;
  return storageAvailable(9LL * (n + pad) + pad);
}

ReductionDecision decideReduction(int32_t n, ReductionMode mode, Option knotOption,
                                  Option stationTotals,
                                  const std::function<bool(int32_t)>& tryAllocate,
                                  bool everyLine) {
  // The modes as their codes: 1 every line, 2 group means, 3 every k-th line.
  int32_t m = code(mode);
  if (m != 1 && n <= 600) m = 1;
  if (on(knotOption) && m == 2) m = 3;
  int32_t k = 0;
  if (!(m == 1 && (n <= 6000 || everyLine))) {
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
  bool halved = false;
  for (;;) {
    if (m == 3) n = n + 1;
    if (tryAllocate(n)) return {n, ReductionMode{m}, k, true, mode, halved};
    if (n <= 1) return {n, ReductionMode{m}, k, false, mode, halved};
    n = static_cast<int32_t>(n * 0.5f);
    k = static_cast<int32_t>(k * 2.0f);
    halved = true;
  }
}

ReductionWords reductionWords(const ReductionDecision& d) {
  if (!d.reduces()) return {"every line", ""};
  ReductionWords w;
  const std::string k = std::to_string(d.k);
  if (d.mode == ReductionMode::GroupMeans) {
    w.what = "group means of " + k + " lines";
  } else {
    // Every k-th line is read k + 1 lines after the one before, from the
    // second sample on.
    const int32_t step = d.k + 1;
    const char* suffix = step % 10 == 1 && step % 100 != 11   ? "st"
                         : step % 10 == 2 && step % 100 != 12 ? "nd"
                         : step % 10 == 3 && step % 100 != 13 ? "rd"
                                                              : "th";
    w.what = "every " + std::to_string(step) + suffix + " line";
  }
  if (d.asked == ReductionMode::EveryLine)
    w.why = "more than 6000 lines in data-reduction mode 1";
  else if (d.asked == ReductionMode::GroupMeans && d.mode == ReductionMode::EveryKth)
    w.why = "data-reduction mode 2 with knots is read as mode 3";
  else
    w.why = "as the header's data-reduction mode " + std::to_string(code(d.asked)) + " asks";
  if (d.halved) w.why += "; halved for want of storage";
  return w;
}

ReductionDecision decideReduction(int32_t dataLines, const TestDescription& t, bool everyLine) {
  const int32_t pad =
      on(t.extrapolationOption) && t.extrapolationMethod == ExtrapolationMethod::Exponential ? 5
                                                                                              : 1;
  return decideReduction(dataLines, t.reductionMode, t.knotOption, t.stationTotals,
                         [&](int32_t n) { return stationStorage(n, pad); }, everyLine);
}

}  // namespace kaldero
