// The test description: the values of a station data file's 64-line header
// as read, the codes as their enumerations. It is read afresh for every
// station and not changed afterwards; what the run derives from it is the
// station setup (model/setup.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/text.h"
#include "model/codes.h"

namespace kaldero {

struct TestDescription {
  TimeUnit timeUnit{0};                    // line 2
  ConcentrationUnit concentrationUnit{0};  // line 4
  Option backgroundOption = Option::Off;   // line 6
  float background = 0;                    // in the concentration unit
  DischargeMode dischargeMode{0};          // line 8
  DischargeUnit dischargeUnit{0};          // line 11
  float constantDischarge = 0;             // in the discharge unit; 0 for a measured discharge
  Option stationTotals = Option::Off;      // line 13
  DistanceUnit distanceUnit{0};            // line 15
  float distance = 0;                      // in the distance unit
  int32_t sinuosityOption = 0;             // line 17 (1: correct the distance)
  float sinuosity = 0;
  FlowForm geometry{0};                    // line 20
  float porosity = 0;
  ConductivityUnit conductivityUnit{0};    // line 23
  float conductivity = 0;                  // hydraulic conductivity, or fissure height (fractures)
  std::string listingName = text::padded("");       // line 25
  Option knotOption = Option::Off;                   // line 27
  int32_t knotIntervals = 0;
  std::string interpolatedName = text::padded("");  // line 29
  Option extrapolationOption = Option::Off;          // line 31
  ExtrapolationMethod extrapolationMethod{0};
  PlotSwitches dataPlot;                             // line 33
  PlotSwitches interpolatedPlot;                     // line 35
  ChatwinSwitches chatwinPlot;                       // line 37
  Option cxtfitOption = Option::Off;                 // line 39
  std::array<int32_t, 2> cxtfitSettings{};
  std::string cxtfitName = text::padded("");         // line 41
  Option normalizedOption = Option::Off;             // line 43
  std::string normalizedName = text::padded("");     // line 45
  PlotSwitches normalizedPlot;                       // line 47
  Option loadOption = Option::Off;                   // line 49
  std::string loadName = text::padded("");           // line 51
  PlotSwitches loadPlot;                             // line 53
  Option standardizedOption = Option::Off;           // line 55
  std::string standardizedName = text::padded("");   // line 57
  PlotSwitches standardizedPlot;                     // line 59
  Option screenEcho = Option::Off;                   // line 61
  ReductionMode reductionMode{0};                    // line 63

  bool echo() const { return on(screenEcho); }
};

}  // namespace kaldero
