// The analysis results of one station that later steps, the listings and
// the plots read.
#pragma once

#include <cstdint>

namespace kaldero {

struct AnalysisResults {
  // Integration limits (seconds).
  float lowerLimit = 0;
  float upperLimit = 0;
  float recordedUpperLimit = 0;
  int32_t limitsWarning = 0;

  // First arrival and peak.
  float firstArrival = 0;      // s
  int32_t peakIndex = 0;       // 1-based position of the peak sample
  float peakConcentration = 0; // ng/L
  float peakTime = 0;          // s, corrected by the flow-zone arrival time
  float chatwinPeak = 0;       // peak concentration * sqrt(peak time)

  // Mass recovery.
  float recoveredMass = 0;       // ug
  float recoveredMassGrams = 0;  // g

  // Per-station results are cleared before every station.
  void resetStation() { *this = AnalysisResults{}; }
};

}  // namespace kaldero
