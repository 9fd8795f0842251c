// The input file of the CXTFIT transport-model program: the one-dimensional
// advection-dispersion model set up for an inverse fit of the station's
// curve, with the starting values and bounds taken from the moment analysis,
// followed by the measured curve in hours and mg/m3.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/checked_file.h"
#include "model/codes.h"

namespace kaldero::cxtfit {

// The two settings of the test description pick the mass the input value
// is made from: (1, 0) the injected mass, (0, 1) the recovered mass. Both 1
// is taken as (1, 0), both 0 likewise.
void normalizeSettings(std::array<int32_t, 2>& settings);

// The step between the samples written: every sample up to 405 of them,
// otherwise the smallest a from n / 405 on with n / a at most 405.
int32_t dataStride(int32_t n);

// What the file is made from, in internal units.
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
  Option knotOption = Option::Off;  // as the knot decision leaves it
  std::string stationFile;      // 50 characters
  std::string interpolatedFile; // 50 characters
  std::array<int32_t, 2> settings{};  // normalized
};

// The arithmetic mean of the first n discharges (0 without samples).
float meanDischarge(std::span<const float> Q, int32_t n);

// The input value of the boundary block by release mode, discharge mode and
// settings; 0 when no rule applies.
float inputValue(const Inputs& in);

// The lines before the data: the size line (conduits and fractures), then
// blocks A to G with the column line of the data.
std::vector<std::string> headLines(const Inputs& in);

// The data lines of the n samples (times in s, concentrations in ng/L) by
// the stride, and the closing line.
std::vector<std::string> dataLines(std::span<const float> T, std::span<const float> C,
                                   int32_t n);

// Writes the whole file.
WriteOutcome writeFile(const std::string& path, const Inputs& in, std::span<const float> T,
                       std::span<const float> C, int32_t n);

}  // namespace kaldero::cxtfit
