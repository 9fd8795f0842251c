// The 64-line header of a station data file: every option it holds, the
// line that holds it and the label texts, in this one place. The labels are
// written out in full, as in examples/, so that a person can read and edit
// the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "importer/error.h"

namespace kaldero::importer {

enum class FlowForm { Conduit = 1, ConduitZone = 2, PorousZone = 3, Fractures = 4 };
enum class Extrapolation { None = 0, Exponential = 1, Pchip = 2, ZeroTime = 3 };
enum class CxtfitMass { Injected, Recovered };
enum class Reduction { EveryLine = 1, GroupMeans = 2, EveryKth = 3 };

// The four switches of a plot: console data listing, points, curve,
// PostScript file.
struct PlotSwitches {
  bool listing = false, points = false, curve = false, postscript = false;
};

// The Chatwin switches: table on screen, table file, screen plot,
// PostScript plot.
struct ChatwinSwitches {
  bool tableOnScreen = false, tableFile = false, screenPlot = false, postscript = false;
};

struct CurveFile {
  bool write = false;
  std::string name;
};

struct StationHeader {
  int timeUnit = 2;                       // line 2
  int concentrationUnit = 3;              // line 4
  std::optional<double> background;       // line 6: subtracted when set
  bool measuredDischarge = false;         // line 8
  int dischargeUnit = 4;                  // line 11
  double constantDischarge = 0;           // line 11, constant discharge only
  bool stationTotals = true;              // line 13
  int distanceUnit = 1;                   // line 15
  double distance = 0;
  std::optional<double> sinuosity;        // line 17: distance corrected when set
  FlowForm flowForm = FlowForm::Conduit;  // line 20
  std::optional<double> porosity;
  int conductivityUnit = 0;               // line 23
  std::optional<double> conductivity;     // hydraulic conductivity or fissure height
  std::string listingName;                // line 25
  std::optional<int64_t> knotIntervals;   // line 27: resampled onto knots when set
  std::string interpolatedName;           // line 29
  Extrapolation extrapolation = Extrapolation::None;  // line 31
  PlotSwitches dataPlot{false, true, true, true};     // line 33
  PlotSwitches interpolatedPlot;          // line 35
  ChatwinSwitches chatwin;                // line 37
  bool cxtfit = false;                    // line 39
  CxtfitMass cxtfitMass = CxtfitMass::Injected;
  std::string cxtfitName;                 // line 41
  CurveFile normalized;                   // lines 43, 45
  PlotSwitches normalizedPlot;            // line 47
  CurveFile load;                         // lines 49, 51
  PlotSwitches loadPlot;                  // line 53
  CurveFile standardized;                 // lines 55, 57
  PlotSwitches standardizedPlot;          // line 59
  bool screenEcho = false;                // line 61
  Reduction reduction = Reduction::EveryLine;  // line 63
  std::string columnCaption = "TIME   CONCENTRATION";  // line 64, the data columns' label
};

// The output file names the header names by default, from the station file
// name: TQF.DAT gives TQF.OUT, TQF.INT, TQF.CXT, TQF.NRM, TQF.LOD, TQF.STN.
void setDefaultNames(StationHeader& h, const std::string& stationName);

// The header names checked against each other and against the station file
// name (the program refuses a listing or interpolated-data file of the
// station's name, and reads at most 50 characters of a name), and the
// values checked against the header's rules.
Status checkHeader(const StationHeader& h, const std::string& stationName);

// The 64 lines, each ending in a line feed.
std::string headerText(const StationHeader& h);

// The longest file name a header or control file line can hold.
constexpr std::size_t kMaxNameLength = 50;

// Whether a text holds a control character (below 32, or 127): a line of a
// header or control file holds none.
bool hasControlCharacter(std::string_view text);

}  // namespace kaldero::importer
