// The test description: the values of a station data file's 64-line header,
// cleared and refilled for every station, plus what the data pass derives
// for the later steps (knot spacing and count, equal-discharge count).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/text.h"

namespace kaldero {

using Switches = std::array<int32_t, 4>;

struct TestDescription {
  int32_t timeUnit = 0;           // 1 days, 2 hours, 3 minutes, 4 seconds
  int32_t concentrationUnit = 0;  // 1 g/L, 2 mg/L, 3 ug/L, 4 ng/L
  int32_t backgroundOption = 0;
  float background = 0;           // in the concentration unit
  int32_t dischargeMode = 0;      // 1 measured column, 2 constant
  int32_t dischargeUnit = 0;
  float constantDischarge = 0;
  int32_t stationTotals = 0;
  int32_t distanceUnit = 0;
  float distance = 0;             // travel distance
  int32_t sinuosityOption = 0;
  float sinuosity = 0;
  int32_t geometry = 0;           // flow-geometry code 1 to 4
  float porosity = 0;
  int32_t conductivityUnit = 0;
  float conductivity = 0;         // hydraulic conductivity (fissure height for code 4)
  std::string listingName = text::padded("");
  int32_t knotOption = 0;
  int32_t knotIntervals = 0;
  std::string interpolatedName = text::padded("");
  int32_t extrapolationOption = 0;
  int32_t extrapolationMethod = 0;
  Switches dataPlot{};          // data listing, points, curve, PostScript file
  Switches interpolatedPlot{};
  Switches chatwinPlot{};       // table on screen, table file, screen plot, PostScript plot
  int32_t cxtfitOption = 0;
  std::array<int32_t, 2> cxtfitSettings{};
  std::string cxtfitName = text::padded("");
  int32_t normalizedOption = 0;
  std::string normalizedName = text::padded("");
  Switches normalizedPlot{};
  int32_t loadOption = 0;
  std::string loadName = text::padded("");
  Switches loadPlot{};
  int32_t standardizedOption = 0;
  std::string standardizedName = text::padded("");
  Switches standardizedPlot{};
  int32_t screenEcho = 0;
  int32_t reductionMode = 0;     // data-reduction mode as read from the header

  // Set by the data pass.
  float knotSpacing = 0;         // file time unit until the unit conversion
  int32_t knotCount = 0;
  int32_t equalDischargeCount = 0;

  bool echo() const { return screenEcho == 1; }
};

}  // namespace kaldero
