#include "plot/campaign_plot.h"

#include <cpgplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "numeric/decimation.h"
#include "plot/plot_conventions.h"
#include "plot/legend.h"
#include "plot/plot_draw.h"

namespace kaldero::plot {

namespace {

// Colour indices of the stations (1, black, is the total's); after twelve
// stations the line style changes.
constexpr int kColours[] = {2, 4, 3, 6, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr int kColourCount = sizeof kColours / sizeof kColours[0];

int colourOf(std::size_t i) { return kColours[i % kColourCount]; }
int styleOf(std::size_t i) { return 1 + static_cast<int>(i / kColourCount) % 4; }

LegendEntry stationEntry(const std::string& text, std::size_t i) {
  LegendEntry e;
  e.text = text;
  e.colour = colourOf(i);
  e.style = styleOf(i);
  return e;
}

std::string percent(double fraction) {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f %%", 100 * fraction);
  return b;
}

// A filled round mark at (x, y), size character heights across.
void dot(float x, float y, float size) {
  float xch = 0, ych = 0;
  cpgqcs(4, &xch, &ych);
  constexpr int kSides = 24;
  float px[kSides], py[kSides];
  for (int k = 0; k < kSides; ++k) {
    const double a = 2 * M_PI * k / kSides;
    px[k] = x + 0.5f * size * xch * static_cast<float>(std::cos(a));
    py[k] = y + 0.5f * size * ych * static_cast<float>(std::sin(a));
  }
  cpgsfs(1);
  cpgpoly(kSides, px, py);
}

// The time axis of both figures: logarithmic when the stations' peaks lie
// more than a factor of ten apart in time (a near spring and a far one
// would otherwise leave the near one a spike at the axis), linear from the
// release otherwise.
struct TimeAxis {
  bool log = false;
  Range range;
  // A time as drawn; a time of 0 or less has no place on a log axis.
  std::optional<float> at(double hours) const {
    if (!log) return static_cast<float>(hours);
    if (!(hours > 0)) return std::nullopt;
    return static_cast<float>(std::log10(hours));
  }
};

TimeAxis timeAxis(const CampaignPlotData& d) {
  TimeAxis a;
  double first = INFINITY, lo = 0, hi = 0, peakLo = INFINITY, peakHi = 0;
  for (const CampaignPlotStation& s : d.stations) {
    const ConcentrationCurve& c = s.concentration;
    if (c.hours.empty()) continue;
    hi = std::max(hi, c.hours.back());
    lo = std::min(lo, c.hours.front());
    for (double h : c.hours)
      if (h > 0) {
        first = std::min(first, h);
        break;
      }
    const auto peak = std::max_element(c.values.begin(), c.values.end());
    const double at = c.hours[static_cast<std::size_t>(peak - c.values.begin())];
    if (at > 0) {
      peakLo = std::min(peakLo, at);
      peakHi = std::max(peakHi, at);
    }
  }
  a.log = peakHi > 10 * peakLo && std::isfinite(first) && hi > first;
  a.range = a.log ? Range{static_cast<float>(std::log10(first)), static_cast<float>(std::log10(hi))}
                  : Range{static_cast<float>(lo), static_cast<float>(hi)};
  // Room at the right for the marks of the final recoveries.
  a.range.hi += 0.02f * (a.range.hi - a.range.lo);
  a.range = usable(a.range);
  return a;
}

// The curve as drawn on the axis: at most maxPoints points kept by the
// shape-preserving rule (the files of the station keep every sample).
Polyline drawn(const TimeAxis& axis, const std::vector<double>& hours,
               const std::vector<double>& y, std::size_t maxPoints) {
  std::vector<double> x, v;
  for (std::size_t i = 0; i < hours.size() && i < y.size(); ++i)
    if (const std::optional<float> at = axis.at(hours[i])) {
      x.push_back(*at);
      v.push_back(y[i]);
    }
  Polyline p;
  for (std::size_t i : numeric::decimate(x, v, maxPoints)) {
    p.x.push_back(static_cast<float>(x[i]));
    p.y.push_back(static_cast<float>(v[i]));
  }
  return p;
}

// The frame, its axes and titles over the window.
void frame(const TimeAxis& x, const Range& y, const std::string& title, const char* yTitle) {
  cpgpage();
  cpgsvp(0.13f, 0.95f, 0.12f, 0.9f);
  cpgswin(x.range.lo, x.range.hi, y.lo, y.hi);
  cpgsls(1);
  cpgslw(2);
  cpgsci(1);
  cpgsch(1.0f);
  cpgbox(x.log ? "BCLNST" : "BCNST", 0.0f, 0, "BCNSTV", 0.0f, 0);
  sideText("T", 1.5f, 0.5f, 0.5f, title);
  sideText("B", 2.6f, 0.5f, 0.5f,
           x.log ? "Time since the release (hours, logarithmic)" : "Time since the release (hours)");
  // Outside the numbers of the vertical axis, which the V option writes
  // horizontally (as 4x10\u4\d when large).
  sideText("L", 5.0f, 0.5f, 0.5f, yTitle);
}

void drawConcentrations(const CampaignPlotData& d) {
  double top = 0;
  for (const CampaignPlotStation& s : d.stations)
    for (double v : s.concentration.values)
      if (std::isfinite(v)) top = std::max(top, v);
  const TimeAxis axis = timeAxis(d);
  const std::size_t perCurve = campaignPointsPerCurve(d.stations.size());
  const char* yTitle = d.scale == ConcentrationScale::PerKgRecovered
                           ? "Concentration per kg recovered (mg L\\u-1\\d kg\\u-1\\d)"
                           : "Concentration (\\gmg L\\u-1\\d)";
  frame(axis, usable(Range{0, static_cast<float>(top * 1.08)}), d.controlFile + ": all stations",
        yTitle);
  std::vector<LegendEntry> entries;
  for (std::size_t i = 0; i < d.stations.size(); ++i) {
    const ConcentrationCurve& c = d.stations[i].concentration;
    cpgsci(colourOf(i));
    cpgsls(styleOf(i));
    drawPolyline(drawn(axis, c.hours, c.values, perCurve));
    entries.push_back(stationEntry(d.stations[i].label, i));
  }
  cpgsls(1);
  drawLegend(entries, {});
}

// Recovery in percent of the injected mass.
void drawRecovery(const CampaignPlotData& d) {
  double top = 0;
  for (const CampaignPlotStation& s : d.stations)
    for (double v : s.recovery.fraction) top = std::max(top, v);
  for (double v : d.total.fraction) top = std::max(top, v);
  top *= 100;
  const TimeAxis axis = timeAxis(d);
  frame(axis, usable(Range{0, static_cast<float>(std::max(top * 1.1, 1.0))}),
        d.controlFile + ": mass recovery", "Recovered mass (% of the injected mass)");
  const Range x = axis.range;
  // All of the injected mass, when the curves come near it.
  if (top >= 90) {
    cpgsls(4);
    cpgslw(1);
    segment(x.lo, 100.0f, x.hi, 100.0f);
  }
  auto percentOf = [](const RecoveryCurve& c) {
    std::vector<double> p(c.fraction);
    for (double& v : p) v *= 100;
    return p;
  };
  const std::size_t perCurve = campaignPointsPerCurve(d.stations.size() + 1);
  std::vector<LegendEntry> entries;
  // The total first, under the stations' curves it is made of; each
  // curve's final recovery marked at its end.
  if (!d.total.hours.empty()) {
    const double final = 100 * d.total.fraction.back();
    cpgsci(1);
    cpgsls(1);
    cpgslw(6);
    drawPolyline(drawn(axis, d.total.hours, percentOf(d.total), perCurve));
    if (const std::optional<float> end = axis.at(d.total.hours.back()))
      dot(*end, static_cast<float>(final), 0.9f);
    LegendEntry total;
    total.text = "Total: " + percent(final / 100);
    total.width = 6;
    entries.push_back(total);
  }
  for (std::size_t i = 0; i < d.stations.size(); ++i) {
    const RecoveryCurve& c = d.stations[i].recovery;
    if (c.hours.empty()) continue;
    cpgsci(colourOf(i));
    cpgsls(styleOf(i));
    cpgslw(2);
    drawPolyline(drawn(axis, c.hours, percentOf(c), perCurve));
    // The station's final recovery.
    cpgsls(1);
    if (const std::optional<float> end = axis.at(c.hours.back()))
      dot(*end, static_cast<float>(100 * c.fraction.back()), 0.6f);
    entries.push_back(stationEntry(d.stations[i].label + ": " + percent(c.fraction.back()), i));
  }
  cpgsls(1);
  cpgslw(2);
  // Top left, where the recovery curves have not yet risen.
  LegendLayout layout;
  layout.right = false;
  drawLegend(entries, layout);
}

// One figure in every format, kept under the control file's name with the
// suffix.
void figure(PlotState& state, OutputGate& gate, const CampaignPlotData& d, int32_t code,
            void (*draw)(const CampaignPlotData&)) {
  PlotDevices& devices = state.devices;
  const int32_t length = static_cast<int32_t>(d.controlFile.size());
  for (PlotFormat format : state.formats) {
    devices.setFileFormat(format);
    if (!devices.openPostScript(gate)) continue;
    cpgbbuf();
    draw(d);
    cpgebuf();
    devices.closePostScript();
    (void)devices.keepPostScript(
        gate, {plotFileName(d.controlFile, length, code, format), plotKind(code), formatName(format)});
  }
  devices.setFileFormat(PlotFormat::PostScript);
}

}  // namespace

std::size_t campaignPointsPerCurve(std::size_t curves) {
  constexpr std::size_t kAll = 20000, kLeast = 300, kMost = 3000;
  if (curves == 0) return kMost;
  return std::clamp(kAll / curves, kLeast, kMost);
}

std::string campaignPlots(PlotState& state, OutputGate& gate, const CampaignPlotData& data) {
  if (data.stations.empty()) return "";
  figure(state, gate, data, kSuffixAll, drawConcentrations);
  if (data.total.hours.empty()) return "NO INJECTED MASS TO TAKE THE RECOVERY AS A FRACTION OF";
  figure(state, gate, data, kSuffixRecovery, drawRecovery);
  return "";
}

}  // namespace kaldero::plot
