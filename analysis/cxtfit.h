// The values of the CXTFIT input file: the one-dimensional
// advection-dispersion model set up for an inverse fit of the station's
// curve, started from the peak velocity, the dispersion coefficient and the
// ratio of mean to peak velocity, with the input concentration from the
// injected or the recovered mass, followed by the curve in hours and mg/m3
// (files/cxtfit_file.h writes them).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/inputs.h"
#include "model/codes.h"
#include "model/results.h"

namespace kaldero::cxtfit {

// The two settings of the test description pick the mass the input value
// is made from: (1, 0) the injected mass, (0, 1) the recovered mass. Both 1
// is taken as (1, 0), both 0 likewise.
std::array<int32_t, 2> normalizedSettings(std::array<int32_t, 2> settings);

// The step between the samples written: every sample up to 405 of them,
// otherwise the smallest a from n / 405 on with n / a at most 405.
int32_t dataStride(int32_t n);

// The arithmetic mean of the discharges (0 without samples).
float meanDischarge(std::span<const float> Q);

// What the values are made from, in internal units.
struct Inputs {
  float distance = 0;           // L, m (sinuosity applied)
  float peakTime = 0;           // tp, s
  float volume = 0;             // V, m3
  float dispersion = 0;         // D, m2/s
  float meanVelocity = 0;       // v, m/s
  float conductivity = 0;       // K (the fissure height for fractures)
  float injectedMass = 0;       // M, mg
  float recoveredMass = 0;      // R, ug
  float releaseDuration = 0;    // Td, h
  float constantDischarge = 0;  // Qc, m3/s
  float meanDischarge = 0;      // mean of the station's discharges, m3/s
  ReleaseMode releaseMode{0};
  DischargeMode dischargeMode{0};
  FlowForm geometry{0};
  std::array<int32_t, 2> settings{};  // normalized
};

// The input value of the boundary block by release mode, discharge mode and
// settings; 0 when no rule applies.
float inputValue(const Inputs& in);

// The numbers of the file.
struct Parameters {
  // The size line of conduits and fractures: peak velocity (m/s), distance,
  // half the size of the flow form, mean velocity (m/s).
  struct SizeLine {
    float peakVelocity = 0, distance = 0, size = 0, meanVelocity = 0;
  };
  std::optional<SizeLine> sizeLine;
  float distance = 0;            // m
  float peakVelocity = 0;        // W, m/h, with its bounds W/2 and 2W
  float dispersion = 0;          // D, m2/h, with D/10 and 2D
  float velocityRatio = 0;       // B, mean to peak, with B/2
  float input = 0;               // P, with P/10 and 2P
  std::array<float, 3> peakVelocityRange{}, dispersionRange{}, velocityRatioRange{},
      inputRange{};  // initial, lower, upper
  // The curve: every stride-th sample in hours and mg/m3.
  std::vector<float> hours, milligramsPerCubicMetre;
};

Parameters parameters(const Inputs& in, std::span<const float> T, std::span<const float> C);

// The inputs of a station from its results (every step analysed) and the
// discharges Q of its conditioned curve; nothing when the station gives no
// file: it does not add to the run totals, or its flow volume is 0.
std::optional<Inputs> inputsOf(const AnalysisInputs& in, const StationResults& r,
                                std::span<const float> Q);

}  // namespace kaldero::cxtfit
