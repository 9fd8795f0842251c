// The station work array: one allocation holding every sample array of a
// station. It has p leading elements followed by nine segments of N + p
// elements each; the pad p (5 when the tail is extrapolated by method 1,
// else 1) leaves room for the samples the extrapolation appends. The steps
// take their arrays by name; the segments they are, and which steps reuse
// a segment, are chosen here alone:
//   1 times, 2 concentrations, 3 discharges;
//   4, 5, 6 the standard deviations of group means of the data reader;
//       7, 8 its scratch (the tail extrapolation's work space);
//   6 the derivatives of every integration;
//   Chatwin method: 9 the parameters, 4 and 5 the fit points, 6, 8 and 7
//       the listed points;
//   curve files: 6 the times in the file's unit, 7 the values, 5 and 4 the
//       standardized times and concentrations.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "analysis/chatwin.h"
#include "model/codes.h"
#include "model/station_curve.h"

namespace kaldero {

// The arrays of the curve files.
struct CurveFileWork {
  std::span<float> times;                       // in the time unit of the file
  std::span<float> values;                      // normalized concentration or load
  std::span<float> standardizedTimes;
  std::span<float> standardizedConcentrations;
};

class StationWorkArray {
 public:
  static int32_t padFor(Option extrapolationOption, ExtrapolationMethod extrapolationMethod) {
    return on(extrapolationOption) && extrapolationMethod == ExtrapolationMethod::Exponential ? 5
                                                                                                : 1;
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
  ChatwinWork chatwinWork();
  CurveFileWork curveFileWork();

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
  ReductionMode mode = ReductionMode::EveryLine;
  int32_t k = 0;
  bool allocated = false;
};

ReductionDecision decideReduction(int32_t dataLines, ReductionMode mode, Option knotOption,
                                  Option stationTotals,
                                  const std::function<bool(int32_t)>& tryAllocate);

}  // namespace kaldero
