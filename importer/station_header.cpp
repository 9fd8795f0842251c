#include "importer/station_header.h"

#include <array>
#include <cassert>
#include <utility>

#include "importer/numbers.h"

namespace kaldero::importer {

namespace {

// The label lines, by line number.
constexpr std::pair<int, const char*> kLabels[] = {
    {1, "TIME UNIT CODE (1 = DAYS, 2 = HOURS, 3 = MINUTES, 4 = SECONDS)"},
    {3, "CONCENTRATION UNIT CODE (1 = G/L, 2 = MG/L, 3 = UG/L, 4 = NG/L)"},
    {5, "BACKGROUND OPTION (1 = SUBTRACT), BACKGROUND CONCENTRATION"},
    {7, "DISCHARGE MODE (1 = MEASURED COLUMN, 2 = CONSTANT DISCHARGE)"},
    {9, "DISCHARGE UNIT CODE (1 M3/D, 2 M3/H, 3 M3/MIN, 4 M3/S, 5 GPD, 6 GPM, 7 FT3/D,"},
    {10, "  8 FT3/H, 9 FT3/MIN, 10 FT3/S), AND IN MODE 2 THE CONSTANT DISCHARGE"},
    {12, "STATION-TOTALS OPTION (1 = ADD THIS STATION TO THE RUN TOTALS)"},
    {14, "DISTANCE UNIT CODE (1 M, 2 FT, 3 KM, 4 MI), TRAVEL DISTANCE"},
    {16, "SINUOSITY OPTION (1 = CORRECT THE DISTANCE), SINUOSITY FACTOR (UP TO 1.5)"},
    {18, "FLOW-GEOMETRY CODE (1 CONDUIT, 2 CONDUIT ZONE, 3 POROUS ZONE, 4 FRACTURES),"},
    {19, "  POROSITY (FRACTION, FOR CODES 3 AND 4)"},
    {21, "CONDUCTIVITY UNIT CODE (0 TO 3), AND FOR FLOW-GEOMETRY CODES 3 AND 4 THE"},
    {22, "  HYDRAULIC CONDUCTIVITY (CODE 3) OR THE FISSURE HEIGHT (CODE 4)"},
    {24, "RESULTS LISTING FILE NAME"},
    {26, "KNOT OPTION (1 = INTERPOLATE ONTO KNOTS), NUMBER OF KNOT INTERVALS"},
    {28, "INTERPOLATED-DATA FILE NAME"},
    {30, "EXTRAPOLATION OPTION (1 = EXTEND THE TAIL), METHOD (1 EXPONENTIAL, 2 PCHIP, 3 ZERO "
         "TIME)"},
    {32, "DATA PLOT SWITCHES: DATA LISTING, POINTS, CURVE, POSTSCRIPT FILE"},
    {34, "INTERPOLATED PLOT SWITCHES: DATA LISTING, POINTS, CURVE, POSTSCRIPT FILE"},
    {36, "CHATWIN SWITCHES: TABLE ON SCREEN, TABLE FILE, SCREEN PLOT, POSTSCRIPT PLOT"},
    {38, "CXTFIT OPTION (1 = WRITE THE CXTFIT INPUT FILE), SETTINGS S1 AND S2"},
    {40, "CXTFIT INPUT FILE NAME"},
    {42, "NORMALIZED CURVE FILE OPTION (1 = WRITE)"},
    {44, "NORMALIZED CURVE FILE NAME"},
    {46, "NORMALIZED PLOT SWITCHES: DATA LISTING, POINTS, CURVE, POSTSCRIPT FILE"},
    {48, "LOAD CURVE FILE OPTION (1 = WRITE; NEEDS THE NORMALIZED CURVE FILE)"},
    {50, "LOAD CURVE FILE NAME"},
    {52, "LOAD PLOT SWITCHES: DATA LISTING, POINTS, CURVE, POSTSCRIPT FILE"},
    {54, "STANDARDIZED CURVE FILE OPTION (1 = WRITE; NEEDS THE NORMALIZED CURVE FILE)"},
    {56, "STANDARDIZED CURVE FILE NAME"},
    {58, "STANDARDIZED PLOT SWITCHES: DATA LISTING, POINTS, CURVE, POSTSCRIPT FILE"},
    {60, "SCREEN-ECHO OPTION (1 = SHOW EVERY RESULTS LINE ON THE SCREEN)"},
    {62, "DATA-REDUCTION MODE (1 EVERY LINE, 2 GROUP MEANS, 3 EVERY K-TH LINE)"},
};

std::string num(double v) { return formatNumber(v); }
std::string flag(bool b) { return b ? "1" : "0"; }

std::string switches(const PlotSwitches& s) {
  return flag(s.listing) + " " + flag(s.points) + " " + flag(s.curve) + " " + flag(s.postscript);
}

std::string switches(const ChatwinSwitches& s) {
  return flag(s.tableOnScreen) + " " + flag(s.tableFile) + " " + flag(s.screenPlot) + " " +
         flag(s.postscript);
}

// An option and its value on one line ("1  0.15"), or "0" when unset.
std::string optional(const std::optional<double>& v) { return v ? "1  " + num(*v) : "0"; }

// The value lines, by line number.
std::array<std::string, 65> valueLines(const StationHeader& h) {
  std::array<std::string, 65> v;
  v[2] = std::to_string(h.timeUnit);
  v[4] = std::to_string(h.concentrationUnit);
  v[6] = optional(h.background);
  v[8] = h.measuredDischarge ? "1" : "2";
  v[11] = std::to_string(h.dischargeUnit) +
          (h.measuredDischarge ? "" : "  " + num(h.constantDischarge));
  v[13] = flag(h.stationTotals);
  v[15] = std::to_string(h.distanceUnit) + "  " + num(h.distance);
  v[17] = optional(h.sinuosity);
  const int form = static_cast<int>(h.flowForm);
  v[20] = std::to_string(form) + (h.porosity ? "  " + num(*h.porosity) : "");
  const bool withConductivity = h.flowForm == FlowForm::PorousZone ||
                                h.flowForm == FlowForm::Fractures;
  v[23] = std::to_string(h.conductivityUnit) +
          (withConductivity ? "  " + num(h.conductivity.value_or(0)) : "");
  v[25] = h.listingName;
  v[27] = h.knotIntervals ? "1  " + std::to_string(*h.knotIntervals) : "0";
  v[29] = h.interpolatedName;
  v[31] = h.extrapolation == Extrapolation::None
              ? "0"
              : "1  " + std::to_string(static_cast<int>(h.extrapolation));
  v[33] = switches(h.dataPlot);
  v[35] = switches(h.interpolatedPlot);
  v[37] = switches(h.chatwin);
  v[39] = flag(h.cxtfit) + (h.cxtfitMass == CxtfitMass::Injected ? " 1 0" : " 0 1");
  v[41] = h.cxtfitName;
  v[43] = flag(h.normalized.write);
  v[45] = h.normalized.name;
  v[47] = switches(h.normalizedPlot);
  v[49] = flag(h.load.write);
  v[51] = h.load.name;
  v[53] = switches(h.loadPlot);
  v[55] = flag(h.standardized.write);
  v[57] = h.standardized.name;
  v[59] = switches(h.standardizedPlot);
  v[61] = flag(h.screenEcho);
  v[63] = std::to_string(static_cast<int>(h.reduction));
  v[64] = h.columnCaption;
  return v;
}

std::string stem(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

bool hasControlCharacter(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 32 || c == 127) return true;
  return false;
}

void setDefaultNames(StationHeader& h, const std::string& stationName) {
  const std::string base = stem(stationName);
  h.listingName = base + ".OUT";
  h.interpolatedName = base + ".INT";
  h.cxtfitName = base + ".CXT";
  h.normalized.name = base + ".NRM";
  h.load.name = base + ".LOD";
  h.standardized.name = base + ".STN";
}

Status checkHeader(const StationHeader& h, const std::string& stationName) {
  const std::pair<const char*, const std::string*> names[] = {
      {"the results listing (--listing)", &h.listingName},
      {"the interpolated-data file (knots.file)", &h.interpolatedName},
      {"the CXTFIT input file (cxtfit.file)", &h.cxtfitName},
      {"the normalized curve file (normalized.file)", &h.normalized.name},
      {"the load curve file (load.file)", &h.load.name},
      {"the standardized curve file (standardized.file)", &h.standardized.name},
  };
  for (const auto& [what, name] : names) {
    if (name->empty()) return optionError(std::string("no name for ") + what);
    if (name->size() > kMaxNameLength)
      return optionError(std::string("the name of ") + what + " \"" + *name + "\" is longer than " +
                         std::to_string(kMaxNameLength) + " characters");
    if (name->front() == ' ' || name->back() == ' ' || name->find('/') != std::string::npos)
      return optionError(std::string("the name of ") + what + " \"" + *name +
                         "\" must be a plain file name without blanks around it (the program "
                         "writes it in its working folder)");
    if (hasControlCharacter(*name))
      return optionError(std::string("the name of ") + what + " holds a control character");
    if (*name == stationName)
      return optionError(std::string("the name of ") + what + " \"" + *name +
                         "\" is the station file's own name");
  }
  for (std::size_t i = 0; i < std::size(names); ++i)
    for (std::size_t j = i + 1; j < std::size(names); ++j)
      if (*names[i].second == *names[j].second)
        return optionError(std::string(names[i].first) + " and " + names[j].first +
                           " have the same name \"" + *names[i].second + "\"");
  return std::nullopt;
}

std::string headerText(const StationHeader& h) {
  const std::array<std::string, 65> values = valueLines(h);
  std::array<const char*, 65> labels{};
  for (const auto& [line, text] : kLabels) labels[line] = text;
  std::string out;
  for (int line = 1; line <= 64; ++line) {
    assert((labels[line] == nullptr) == !values[line].empty());
    out += labels[line] ? labels[line] : values[line];
    out += '\n';
  }
  return out;
}

}  // namespace kaldero::importer
