// The station work array: one allocation holding every sample array of a
// station. It has p leading elements followed by nine segments of N + p
// elements each; the pad p (5 when the tail is extrapolated by method 1,
// else 1) leaves room for the samples the extrapolation appends.
//   1 times, 2 concentrations, 3 discharges,
//   4-8 the data reader's segments (standard deviations of group means in
//       4, 5, 6; scratch in 7, 8), 6 also the derivative segment of every
//       integration, 9 a further work segment.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "model/station_curve.h"

namespace kaldero {

class StationWorkArray {
 public:
  static int32_t padFor(int32_t extrapolationOption, int32_t extrapolationMethod) {
    return extrapolationOption == 1 && extrapolationMethod == 1 ? 5 : 1;
  }
  static int64_t totalLength(int32_t n, int32_t pad) { return 9LL * (n + pad) + pad; }

  // Partitions for n samples and allocates, zero-filled; false when the
  // storage cannot be had.
  bool allocate(int32_t n, int32_t pad);
  void free();
  bool allocated() const { return !storage_.empty(); }

  int32_t n() const { return n_; }
  int32_t pad() const { return pad_; }
  // Segment j (1 to 9), N + p elements.
  std::span<float> segment(int j);

  std::span<float> times() { return segment(1); }
  std::span<float> concentrations() { return segment(2); }
  std::span<float> discharges() { return segment(3); }
  std::span<float> derivatives() { return segment(6); }

  // The views the data reader and the conditioning steps take.
  CurveSegments curve();

 private:
  std::vector<float> storage_;
  int32_t n_ = 0;
  int32_t pad_ = 1;
};

// The data-reduction decision: how many samples to make from the data
// lines, in which data-reduction mode, with which reduction factor k. The
// work array is allocated through tryAllocate(n); when that fails the
// sample count is halved and k doubled until it succeeds.
struct ReductionDecision {
  int32_t n = 0;
  int32_t mode = 1;
  int32_t k = 0;
  bool allocated = false;
};

ReductionDecision decideReduction(int32_t dataLines, int32_t mode, int32_t knotOption,
                                  int32_t stationTotals,
                                  const std::function<bool(int32_t)>& tryAllocate);

}  // namespace kaldero
