// The station curve as the data reader and the conditioning steps see it:
// views into the segments of the station work array. Every view has room
// for N samples plus the pad for an extrapolated tail. Indices are 0-based
// here: sample i of the description is element i - 1.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kaldero {

struct CurveSegments {
  std::span<float> T;         // segment 1: sample times
  std::span<float> C;         // segment 2: concentrations
  std::span<float> Q;         // segment 3: discharges (discharge mode 1)
  std::span<float> sT;        // segment 4: standard deviations of group times
  std::span<float> sC;        // segment 5: ... of group concentrations
  std::span<float> sQ;        // segment 6: ... of group discharges
  std::span<float> scratchA;  // segment 7: data reader's scratch
  std::span<float> scratchB;  // segment 8: data reader's scratch
};

// What the tail extrapolation leaves for the data plot: the four 35-character
// texts of the fitted exponential (coefficient, exponent, correlation
// coefficient, standard error) and the rate flag (1 or 2).
struct TailFit {
  std::array<std::string, 4> texts{std::string(35, ' '), std::string(35, ' '),
                                   std::string(35, ' '), std::string(35, ' ')};
  int32_t rateFlag = 0;
};

}  // namespace kaldero
