// The 64-line header of a station data file: which lines hold values and
// which are labels, and the label texts as the import writes them. The
// program's reader (input/station_file) and the import's writer
// (importer/station_header) both take the layout from here.
#pragma once

#include <string_view>

namespace kaldero::header {

inline constexpr int kLines = 64;

// The value lines, by the number of their line.
enum Line : int {
  TimeUnit = 2,
  ConcentrationUnit = 4,
  Background = 6,         // background option and concentration
  DischargeMode = 8,
  DischargeUnit = 11,     // and, for a constant discharge, the discharge
  StationTotals = 13,
  Distance = 15,          // distance unit code and travel distance
  Sinuosity = 17,         // sinuosity option and factor
  FlowForm = 20,          // flow-geometry code and porosity
  Conductivity = 23,      // conductivity unit code and conductivity
  ListingName = 25,
  Knots = 27,             // knot option and interval count
  InterpolatedName = 29,
  Extrapolation = 31,     // extrapolation option and method
  DataPlot = 33,
  InterpolatedPlot = 35,
  ChatwinPlot = 37,
  Cxtfit = 39,            // CXTFIT option and settings
  CxtfitName = 41,
  NormalizedFile = 43,
  NormalizedName = 45,
  NormalizedPlot = 47,
  LoadFile = 49,
  LoadName = 51,
  LoadPlot = 53,
  StandardizedFile = 55,
  StandardizedName = 57,
  StandardizedPlot = 59,
  ScreenEcho = 61,
  Reduction = 63,
};

// Whether the line (1 to 64) is a label: its content is free and ignored.
// Line 64 labels the data columns.
bool isLabel(int line);

// The label the import writes on a label line; empty for a value line and
// for line 64 (the import writes the columns of its data there).
std::string_view labelText(int line);

}  // namespace kaldero::header
