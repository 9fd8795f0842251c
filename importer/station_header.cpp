#include "importer/station_header.h"

#include <array>
#include <cassert>
#include <utility>

#include "core/header_layout.h"
#include "importer/numbers.h"

namespace kaldero::importer {

namespace {

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
  v[header::TimeUnit] = std::to_string(h.timeUnit);
  v[header::ConcentrationUnit] = std::to_string(h.concentrationUnit);
  v[header::Background] = optional(h.background);
  v[header::DischargeMode] = h.measuredDischarge ? "1" : "2";
  v[header::DischargeUnit] = std::to_string(h.dischargeUnit) +
          (h.measuredDischarge ? "" : "  " + num(h.constantDischarge));
  v[header::StationTotals] = flag(h.stationTotals);
  v[header::Distance] = std::to_string(h.distanceUnit) + "  " + num(h.distance);
  v[header::Sinuosity] = optional(h.sinuosity);
  const int form = static_cast<int>(h.flowForm);
  v[header::FlowForm] = std::to_string(form) + (h.porosity ? "  " + num(*h.porosity) : "");
  const bool withConductivity = h.flowForm == FlowForm::PorousZone ||
                                h.flowForm == FlowForm::Fractures;
  v[header::Conductivity] = std::to_string(h.conductivityUnit) +
          (withConductivity ? "  " + num(h.conductivity.value_or(0)) : "");
  v[header::ListingName] = h.listingName;
  v[header::Knots] = h.knotIntervals ? "1  " + std::to_string(*h.knotIntervals) : "0";
  v[header::InterpolatedName] = h.interpolatedName;
  v[header::Extrapolation] = h.extrapolation == Extrapolation::None
              ? "0"
              : "1  " + std::to_string(static_cast<int>(h.extrapolation));
  v[header::DataPlot] = switches(h.dataPlot);
  v[header::InterpolatedPlot] = switches(h.interpolatedPlot);
  v[header::ChatwinPlot] = switches(h.chatwin);
  v[header::Cxtfit] = flag(h.cxtfit) + (h.cxtfitMass == CxtfitMass::Injected ? " 1 0" : " 0 1");
  v[header::CxtfitName] = h.cxtfitName;
  v[header::NormalizedFile] = flag(h.normalized.write);
  v[header::NormalizedName] = h.normalized.name;
  v[header::NormalizedPlot] = switches(h.normalizedPlot);
  v[header::LoadFile] = flag(h.load.write);
  v[header::LoadName] = h.load.name;
  v[header::LoadPlot] = switches(h.loadPlot);
  v[header::StandardizedFile] = flag(h.standardized.write);
  v[header::StandardizedName] = h.standardized.name;
  v[header::StandardizedPlot] = switches(h.standardizedPlot);
  v[header::ScreenEcho] = flag(h.screenEcho);
  v[header::Reduction] = std::to_string(static_cast<int>(h.reduction));
  v[header::kLines] = h.columnCaption;
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
  std::string out;
  for (int line = 1; line <= header::kLines; ++line) {
    // Line 64, the label of the data columns, names the columns written.
    const bool label = header::isLabel(line) && line != header::kLines;
    assert(label == values[line].empty());
    out += label ? std::string(header::labelText(line)) : values[line];
    out += '\n';
  }
  return out;
}

}  // namespace kaldero::importer
