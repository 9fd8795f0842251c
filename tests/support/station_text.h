// Station data file texts for the tests: a valid 64-line header whose value
// lines can be replaced one by one, followed by data lines.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kaldero::testing {

inline std::vector<std::string> defaultHeader() {
  return {
      "TIME UNIT CODE",          "2",
      "CONCENTRATION UNIT CODE", "3",
      "BACKGROUND OPTION, BACKGROUND CONCENTRATION", "0",
      "DISCHARGE MODE",          "1",
      "DISCHARGE UNIT CODE",     "AND CONSTANT DISCHARGE", "4",
      "STATION-TOTALS OPTION",   "1",
      "DISTANCE UNIT, TRAVEL DISTANCE", "1 150.0",
      "SINUOSITY OPTION, FACTOR", "0",
      "FLOW-GEOMETRY CODE",      "POROSITY", "1",
      "CONDUCTIVITY UNIT CODE",  "HYDRAULIC CONDUCTIVITY", "0",
      "RESULTS LISTING",         "ST.OUT",
      "KNOT OPTION, INTERVALS",  "0",
      "INTERPOLATED-DATA FILE",  "ST.INT",
      "EXTRAPOLATION OPTION, METHOD", "0",
      "DATA PLOT SWITCHES",      "0 0 0 0",
      "INTERPOLATED PLOT SWITCHES", "0 0 0 0",
      "CHATWIN SWITCHES",        "0 0 0 0",
      "CXTFIT OPTION, SETTINGS", "0 1 0",
      "CXTFIT FILE",             "ST.CXT",
      "NORMALIZED FILE OPTION",  "0",
      "NORMALIZED FILE",         "ST.NRM",
      "NORMALIZED PLOT SWITCHES", "0 0 0 0",
      "LOAD FILE OPTION",        "0",
      "LOAD FILE",               "ST.LOD",
      "LOAD PLOT SWITCHES",      "0 0 0 0",
      "STANDARDIZED FILE OPTION", "0",
      "STANDARDIZED FILE",       "ST.STN",
      "STANDARDIZED PLOT SWITCHES", "0 0 0 0",
      "SCREEN-ECHO OPTION",      "0",
      "DATA-REDUCTION MODE",     "1",
      "TIME CONCENTRATION DISCHARGE"};
}

// The header with the given 1-based lines replaced, then the data lines.
inline std::string stationText(const std::map<int, std::string>& lines,
                               const std::string& data = "1 0 1\n2 5 1\n3 2 1\n") {
  std::vector<std::string> h = defaultHeader();
  for (const auto& [n, s] : lines) h.at(static_cast<std::size_t>(n - 1)) = s;
  std::string out;
  for (const auto& l : h) out += l + "\n";
  return out + data;
}

}  // namespace kaldero::testing
