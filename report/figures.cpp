#include "report/figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "core/format.h"
#include "core/units.h"
#include "analysis/quantities.h"

namespace kaldero::figures {

using figure::Axis;
using figure::Envelope;
using figure::Figure;
using figure::Marker;
using figure::Panel;
using figure::Scale;
using figure::Series;
using figure::Side;
using figure::Style;

namespace {

constexpr std::string_view kOtherStations = "#c8c8c8";
constexpr std::string_view kTotalColour = "#000000";
constexpr std::string_view kMeasuredColour = "#555555";
// A curve of more samples than this is drawn as a line without its points.
constexpr std::size_t kPointsUpTo = 150;

std::string stationName(const StationRecord& st) {
  return st.stationFile.empty() ? std::string("(unnamed station)") : st.stationFile;
}

bool hasCurve(const StationRecord& st) { return st.drawn && !st.drawn->t.empty(); }

bool measuredDischarge(const StationRecord& st) {
  return st.headerRead && st.test.dischargeMode == DischargeMode::Measured;
}

double flowZoneArrival(const RunRecord& run) {
  return static_cast<double>(run.release.flowZoneArrivalHours);
}

// The time axis of a figure over times (s since the release): its unit,
// and its scale (the options', else logarithmic when `crowded`).
struct TimeAxis {
  figure::TimeUnit unit;
  Scale scale = Scale::Linear;
  double at(double seconds) const { return unit.scale(seconds / 3600.0); }
  Axis axis() const {
    Axis a;
    a.title = unit.title();
    a.scale = scale;
    a.startAtZero = scale == Scale::Linear;
    return a;
  }
};

TimeAxis timeAxis(double lastSeconds, bool crowded, const Options& o) {
  TimeAxis t;
  t.unit = figure::timeUnitFor(lastSeconds / 3600.0);
  t.scale = o.timeScale ? *o.timeScale : crowded ? Scale::Log : Scale::Linear;
  return t;
}

// Whether a peak at tPeak crowds the first tenth of a curve ending at tEnd.
bool inTheFirstTenth(double tPeak, double tEnd) {
  return std::isfinite(tPeak) && tPeak > 0 && tEnd > 0 && tPeak < 0.1 * tEnd;
}

std::vector<double> scaled(std::span<const double> values, double factor) {
  std::vector<double> out;
  out.reserve(values.size());
  for (const double v : values) out.push_back(v * factor);
  return out;
}

std::vector<double> onAxis(const TimeAxis& t, std::span<const double> seconds) {
  std::vector<double> out;
  out.reserve(seconds.size());
  for (const double s : seconds) out.push_back(t.at(s));
  return out;
}

// The time axis ends at the data's: the last time, and on a logarithmic
// axis the first positive one (a decade's widening would waste the plot).
void timeRangeOfData(Figure& f) {
  double first = INFINITY, last = -INFINITY;
  for (const Panel& p : f.panels)
    for (const Series& s : p.series)
      for (const double x : s.x) {
        if (!std::isfinite(x)) continue;
        last = std::max(last, x);
        if (x > 0) first = std::min(first, x);
      }
  if (!std::isfinite(last) || !(last > 0)) return;
  f.x.max = last;
  if (f.x.scale == Scale::Log && first < last) f.x.min = first;
}

Figure figureOf(const Options& o, std::string title, const TimeAxis& t) {
  Figure f;
  f.title = std::move(title);
  f.x = t.axis();
  f.width = o.width;
  f.height = o.height;
  return f;
}

// A number for a text in a figure: `digits` significant digits.
std::string plain(double v, int digits = 3) { return fmt::significant(v, digits); }

// The peak time (s since the release) of the station's measured record.
double peakOfRecord(const DrawnRecord& r) {
  const auto top = std::max_element(r.c.begin(), r.c.end());
  return top == r.c.end() ? NAN : r.t[static_cast<std::size_t>(top - r.c.begin())];
}

}  // namespace

std::string stationTitle(const StationRecord& st) {
  return st.results ? campaignLabel(stationName(st), st.results->distance.metres)
                    : stationName(st);
}

std::optional<Figure> concentrationFigure(const RunRecord& run, const StationRecord& st,
                                          const Options& o) {
  if (!hasCurve(st)) return std::nullopt;
  const DrawnRecord& cv = *st.drawn;
  const TimeAxis t =
      timeAxis(cv.t.back(), inTheFirstTenth(peakOfRecord(cv), cv.t.back()), o);
  Figure f = figureOf(o, stationTitle(st) + ": concentration", t);
  Panel& p = f.panel();
  p.y.title = "Concentration (\u00b5g/L)";
  p.y.startAtZero = true;
  if (st.uncertainty && !st.uncertainty->bandTimes.empty()) {
    Envelope band;
    band.label = "95 % of the draws";
    band.x = onAxis(t, st.uncertainty->bandTimes);
    band.low = scaled(st.uncertainty->bandLow, 1e-3);
    band.high = scaled(st.uncertainty->bandHigh, 1e-3);
    p.envelopes.push_back(std::move(band));
  }
  Series c;
  c.label = "Measured";
  c.x = onAxis(t, cv.t);
  c.y = scaled(cv.c, 1e-3);
  c.style = cv.t.size() <= kPointsUpTo ? Style::LinePoints : Style::Line;
  p.series.push_back(std::move(c));
  f.description =
      "The measured concentration (every line of the record, background subtracted, with its "
      "sign) against the time since the release";
  if (measuredDischarge(st) && cv.q.size() == cv.t.size()) {
    p.y2 = Axis{"Discharge (m\u00b3/s)", Scale::Linear, {}, {}, true};
    Series q;
    q.label = "Discharge";
    q.x = onAxis(t, cv.t);
    q.y = cv.q;
    q.axis = Side::Right;
    q.dashed = true;
    q.colour = std::string(figure::paletteColour(2));
    p.series.push_back(std::move(q));
    f.description += ", with the measured discharge on the right axis";
  }
  if (!p.envelopes.empty()) f.description += "; shaded, 95 % of the draws of --uncertainty";
  f.description += ".";
  if (st.analysed() && st.results) {
    const StationResults& r = *st.results;
    const double arrival = flowZoneArrival(run);
    if (r.arrival.firstArrival > 0)
      p.markers.push_back({Marker::Kind::Vertical, t.at(r.arrival.firstArrival), 0,
                           "first arrival", Side::Left, ""});
    // The peak of the curve the listing analysed.
    p.markers.push_back({Marker::Kind::Point, t.at(r.arrival.peakTime + 3600.0 * arrival),
                         r.arrival.peakConcentration * 1e-3, "peak", Side::Left, ""});
    if (r.transit && !r.transit->infiltrationExceedsMean)
      p.markers.push_back({Marker::Kind::Vertical,
                           t.unit.scale(r.transit->meanTime.hours + arrival), 0,
                           "mean transit time", Side::Left, ""});
  }
  timeRangeOfData(f);
  return f;
}

std::optional<Figure> recoveryFigure(const RunRecord& run, const StationRecord& st,
                                     const Options& o) {
  if (!hasCurve(st) || !st.results || !st.results->mass) return std::nullopt;
  const DrawnRecord& cv = *st.drawn;
  if (cv.recovered.size() != cv.t.size()) return std::nullopt;
  const TimeAxis t = timeAxis(cv.t.back(), false, o);
  Figure f = figureOf(o, stationTitle(st) + ": recovery", t);
  Panel& p = f.panel();
  p.y.startAtZero = true;
  Series s;
  s.colour = std::string(figure::paletteColour(0));
  s.x = onAxis(t, cv.t);
  const RecoveryCurve c = stationRecoveryCurve(cv.t, cv.recovered, run.release.injectedMass);
  std::string finalLabel;
  if (!c.hours.empty()) {
    p.y.title = "Recovered (% of the injected mass)";
    for (const double fraction : c.fraction) s.y.push_back(fraction * 100.0);
    finalLabel = "recovered " + plain(s.y.back()) + " %";
    f.description =
        "The mass recovered up to each time, integrated from the measured record with its sign, "
        "in percent of the injected mass; the final recovery marked.";
  } else {
    p.y.title = "Recovered mass (g)";
    s.y = scaled(cv.recovered, 1e-6);
    finalLabel = "recovered " + plain(s.y.back()) + " g";
    f.description = "The mass recovered up to each time (no injected mass to compare with).";
  }
  p.markers.push_back({Marker::Kind::Horizontal, 0, s.y.back(), finalLabel, Side::Left, ""});
  f.legend = figure::LegendPlacement::None;
  p.series.push_back(std::move(s));
  timeRangeOfData(f);
  return f;
}

std::optional<Figure> chatwinFigure(const StationRecord& st, const Options& o) {
  if (!st.results || !st.results->chatwin || !st.results->chatwin->fitted) return std::nullopt;
  const ChatwinResults& cw = *st.results->chatwin;
  const std::size_t n =
      std::min({cw.listedTimes.size(), cw.listedParameters.size(), cw.listedFits.size()});
  if (n == 0) return std::nullopt;
  const std::size_t fitRows = std::min(n, static_cast<std::size_t>(std::max(cw.fitPoints, 0)));
  Figure f;
  f.title = stationTitle(st) + ": Chatwin plot";
  f.width = o.width;
  f.height = o.height;
  const char* unit = units::timeUnitName(st.test.timeUnit);
  f.x.title = std::string("Time (") + (unit ? unit : "time unit of the station") + ")";
  Panel& p = f.panel();
  p.y.title = "Chatwin parameter (s\u00bd)";
  Series fit, other, line;
  fit.label = "Fit points";
  fit.style = Style::Points;
  fit.colour = std::string(figure::paletteColour(0));
  other.label = "Other listed points";
  other.style = Style::Points;
  other.colour = std::string(figure::paletteColour(7));
  line.label = "Fitted line";
  line.colour = std::string(figure::paletteColour(1));
  for (std::size_t i = 0; i < n; ++i) {
    Series& s = i < fitRows ? fit : other;
    s.x.push_back(cw.listedTimes[i]);
    s.y.push_back(cw.listedParameters[i]);
  }
  // The line over the fit points only: beyond them it is an extrapolation,
  // and it would set the figure's range instead of the points.
  const std::size_t lastFit = std::max<std::size_t>(fitRows, 1) - 1;
  line.x = {cw.listedTimes.front(), cw.listedTimes[lastFit]};
  line.y = {cw.listedFits.front(), cw.listedFits[lastFit]};
  p.series.push_back(std::move(line));
  if (!other.x.empty()) p.series.push_back(std::move(other));
  p.series.push_back(std::move(fit));
  p.markers.push_back({Marker::Kind::Horizontal, 0, 0, "", Side::Left, ""});
  f.description =
      "The Chatwin parameter of the listed points against the time, and the straight line "
      "fitted through the fit points (intercept " +
      plain(cw.intercept, 4) + " s\u00bd, slope " + plain(cw.slope, 4) + ").";
  return f;
}

namespace {

// The figure of a fit titled `title`; with a reach, the upstream flux it
// was fitted from on a right axis of the main panel.
Figure fitFigureOf(const FlowPathFitResult& fit, const std::string& title, const Options& o,
                   const RunRecord::Reach* reach) {
  const PathModelFit* best = fit.best();
  const FlowPathFitResult::ModelCurve& m = fit.curve;
  // Times since the release: the fit's count from the tracer's arrival at
  // the flow zone.
  std::vector<double> sampleTimes;
  for (const double s : fit.times) sampleTimes.push_back(s + fit.arrival);
  double peak = NAN;
  if (!m.sum.empty())
    peak = m.times[static_cast<std::size_t>(std::max_element(m.sum.begin(), m.sum.end()) -
                                            m.sum.begin())] + fit.arrival;
  const TimeAxis t = timeAxis(sampleTimes.back(), inTheFirstTenth(peak, sampleTimes.back()), o);
  Figure f = figureOf(o, title, t);
  f.height = o.height * 4 / 3;
  Panel main;
  main.y.title = "Concentration (\u00b5g/L)";
  main.y.startAtZero = t.scale == Scale::Linear;
  main.weight = 3;
  // Sparse samples as points over the model, so that the fitted sum never
  // hides them; a dense record as a light line under it, which the model
  // is read against.
  const bool dense = fit.times.size() > 300;
  Series samples;
  samples.label = "Measured (" + std::to_string(fit.samplesFitted) + " samples fitted)";
  samples.style = dense ? Style::Line : Style::Points;
  samples.colour = dense ? std::string("#9a9a9a") : std::string(kMeasuredColour);
  samples.x = onAxis(t, sampleTimes);
  samples.y = scaled(fit.concentrations, 1e-3);
  std::string upstream;
  if (reach && !reach->upstreamFlux.empty()) {
    main.y2 = Axis{"Upstream flux (mg/s)", Scale::Linear, {}, {}, true};
    Series q;
    q.label = "Upstream flux, " + reach->from;
    q.x = onAxis(t, reach->upstreamTimes);
    q.y = scaled(reach->upstreamFlux, 1e-3);
    q.axis = Side::Right;
    q.dashed = true;
    q.colour = std::string(figure::paletteColour(7));
    main.series.push_back(std::move(q));
    upstream = "The measured flux (c q) of the upstream station " + reach->from +
               " on the right axis, dashed. ";
  }
  if (!best) {
    main.series.push_back(std::move(samples));
    f.description = upstream + "No flow paths fitted: " + fit.reason;
    f.panels.push_back(std::move(main));
    return f;
  }
  std::vector<double> gridTimes;
  for (const double s : m.times) gridTimes.push_back(t.at(s + fit.arrival));
  Envelope band;
  band.label = "95 % interval of the fitted curve";
  band.x = gridTimes;
  band.low = scaled(m.low, 1e-3);
  band.high = scaled(m.high, 1e-3);
  band.colour = std::string(figure::paletteColour(1));
  main.envelopes.push_back(std::move(band));
  for (std::size_t k = 0; k < m.paths.size() && k < best->paths.size(); ++k) {
    const FittedPath& q = best->paths[k];
    Series s;
    s.label = (q.bypass ? std::string("Bypass") : "Path " + std::to_string(k + 1)) + ": v " +
              plain(q.velocity.value) + " m/s, D " +
              plain(q.dispersion.value) + " m\u00b2/s, " + plain(100 * q.massFraction.value, 2) +
              (q.bypass ? " % of the mass fitted" : " %");
    if (best->zones == ZoneLayout::PerPath && q.storage)
      s.label += ", zone \u03b2 " + plain(q.storageRatio.value, 2) + ", \u03b1 " +
                 plain(q.exchangeRate.value, 2) + " 1/s";
    if (!q.resolved()) s.label += " (not resolved)";
    s.x = gridTimes;
    s.y = scaled(m.paths[k], 1e-3);
    s.dashed = true;
    s.colour = std::string(figure::paletteColour(2 + k));
    main.series.push_back(std::move(s));
  }
  const std::string what = best->description();
  Series sum;
  sum.label = "Fitted, " + what + ", R\u00b2 " + plain(best->rSquared, 5);
  if (best->pathCount == 1 && !best->paths.empty())
    sum.label += "; v " + plain(best->paths[0].velocity.value) + " m/s, D " +
                 plain(best->paths[0].dispersion.value) + " m\u00b2/s";
  sum.x = gridTimes;
  sum.y = scaled(m.sum, 1e-3);
  sum.colour = std::string(figure::paletteColour(1));
  if (dense) main.series.insert(main.series.begin(), std::move(samples));
  main.series.push_back(std::move(sum));
  if (!dense) main.series.push_back(std::move(samples));
  f.description = upstream + "The measured concentrations, the curve of the fitted model (" + what +
                  ") with its 95 % interval shaded" +
                  (m.paths.size() > 1 ? ", each path's share dashed" : "") + "." +
                  (fit.stillImprovingAtLargest
                       ? " The criterion still improves at the largest model tried: the extra "
                         "paths describe the curve's shape rather than separate routes."
                       : "");
  f.panels.push_back(std::move(main));
  if (!best->residuals.empty()) {
    Panel residuals;
    residuals.y.title = "Residual";
    residuals.weight = 1;
    Series r;
    r.style = dense ? Style::Line : Style::Points;
    r.colour = std::string(kMeasuredColour);
    const std::size_t n = std::min(sampleTimes.size(), best->residuals.size());
    r.x = onAxis(t, {sampleTimes.data(), n});
    r.y = scaled({best->residuals.data(), n}, 1e-3);
    residuals.series.push_back(std::move(r));
    Marker zero;
    zero.kind = Marker::Kind::Horizontal;
    residuals.markers.push_back(zero);
    char lag[96];
    std::snprintf(lag, sizeof lag,
                  " Below, the residuals (measured \u2212 fitted, \u00b5g/L), lag-1 %.3f.",
                  best->errors.residualLag1);
    f.description += lag;
    f.panels.push_back(std::move(residuals));
  }
  timeRangeOfData(f);
  return f;
}

}  // namespace

std::optional<Figure> fitFigure(const RunRecord& run, const StationRecord& st, const Options& o) {
  (void)run;
  if (!st.fit || st.fit->times.empty()) return std::nullopt;
  return fitFigureOf(*st.fit, stationTitle(st) + ": flow-path fit", o, nullptr);
}

std::string reachTitle(const RunRecord::Reach& r) {
  return r.from + " to " + r.to + " (" + plain(r.length, 4) + " m)";
}

std::optional<Figure> reachFigure(const RunRecord::Reach& r, const Options& o) {
  if (r.fit.times.empty()) return std::nullopt;
  return fitFigureOf(r.fit, reachTitle(r) + ": reach fit", o, &r);
}


namespace {

// The stations a campaign figure draws: analysed, with a curve and a
// recovered mass.
std::vector<const StationRecord*> campaignStations(const RunRecord& run) {
  std::vector<const StationRecord*> out;
  for (const StationRecord& st : run.stations)
    if (st.analysed() && hasCurve(st) && st.results && st.results->mass) out.push_back(&st);
  return out;
}

float recoveredKg(const StationRecord& st) { return st.results->mass->mass.kilograms; }

// Which stations are coloured and named: all up to the limit, else those
// of the largest recovered mass (the earlier of equal ones).
std::vector<bool> highlighted(const std::vector<const StationRecord*>& stations, std::size_t k) {
  std::vector<bool> out(stations.size(), stations.size() <= k);
  if (stations.size() <= k) return out;
  std::vector<std::size_t> order(stations.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const float ma = recoveredKg(*stations[a]), mb = recoveredKg(*stations[b]);
    return (std::isfinite(ma) ? ma : -1.0f) > (std::isfinite(mb) ? mb : -1.0f);
  });
  for (std::size_t i = 0; i < k; ++i) out[order[i]] = true;
  return out;
}

// The lines of a campaign figure: the grey ones first (drawn under the
// coloured ones), the first of them named for all.
struct CampaignLine {
  std::vector<double> x, y;
  const StationRecord* station = nullptr;
};

void addCampaignLines(Panel& p, std::vector<CampaignLine> lines, const std::vector<bool>& named) {
  const auto others = static_cast<std::size_t>(std::count(named.begin(), named.end(), false));
  bool greyNamed = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (named[i]) continue;
    Series s;
    s.x = std::move(lines[i].x);
    s.y = std::move(lines[i].y);
    s.colour = kOtherStations;
    if (!greyNamed) s.label = "Other stations (" + std::to_string(others) + ")";
    greyNamed = true;
    p.series.push_back(std::move(s));
  }
  std::size_t colour = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!named[i]) continue;
    Series s;
    s.x = std::move(lines[i].x);
    s.y = std::move(lines[i].y);
    s.label = stationTitle(*lines[i].station);
    s.colour = figure::paletteColour(colour++ % (figure::kPaletteSize - 1));
    p.series.push_back(std::move(s));
  }
}

std::size_t pointsPerLine(const Options& o, std::size_t lines) {
  if (lines == 0) return 2000;
  return std::clamp<std::size_t>(o.pointBudget / lines, 16, 2000);
}

std::string manyStationsNote(std::size_t stations, std::size_t k) {
  if (stations <= k) return {};
  return " The " + std::to_string(k) + " stations of the largest recovered mass are coloured, the " +
         std::to_string(stations - k) + " others grey.";
}

// The campaign's time axis: logarithmic when the stations' peaks lie more
// than a factor of ten apart in time (a near spring and a far one would
// otherwise leave the near one a spike at the axis).
TimeAxis campaignTime(const std::vector<const StationRecord*>& stations, const Options& o) {
  double last = 0, peakLo = INFINITY, peakHi = 0;
  for (const StationRecord* st : stations) {
    last = std::max(last, st->drawn->t.back());
    const double at = peakOfRecord(*st->drawn);
    if (at > 0) peakLo = std::min(peakLo, at), peakHi = std::max(peakHi, at);
  }
  return timeAxis(last, peakHi > 10 * peakLo, o);
}

}  // namespace

std::optional<Figure> campaignConcentrationFigure(const RunRecord& run, const Options& o) {
  return campaignConcentrationFigure(run, o.campaignScale, o);
}

std::optional<Figure> campaignConcentrationFigure(const RunRecord& run, ConcentrationScale scale,
                                                  const Options& o) {
  std::vector<const StationRecord*> stations;
  std::vector<CampaignLine> lines;
  std::size_t leftOut = 0;
  const std::vector<const StationRecord*> all = campaignStations(run);
  if (all.empty()) return std::nullopt;
  const TimeAxis t = campaignTime(all, o);
  for (const StationRecord* st : all) {
    ConcentrationCurve c =
        stationConcentrationCurve(st->drawn->t, st->drawn->c, st->results->mass->mass.grams, scale);
    if (c.hours.empty()) {
      ++leftOut;
      continue;
    }
    for (double& h : c.hours) h = t.unit.scale(h);
    stations.push_back(st);
    lines.push_back({std::move(c.hours), std::move(c.values), st});
  }
  if (lines.empty()) return std::nullopt;
  const std::vector<bool> named = highlighted(stations, o.legendStations);
  const char* titles[] = {"All stations: concentration",
                          "All stations: concentration per kg recovered",
                          "All stations: concentration over each peak",
                          "All stations: concentration per kg recovered"};
  const char* axes[] = {"Concentration (\u00b5g/L)", "mg/L per kg recovered",
                        "Concentration over its peak", "mg/L per kg recovered"};
  const auto k = static_cast<std::size_t>(scale);
  Figure f = figureOf(o, titles[k], t);
  Panel& p = f.panel();
  p.y.title = axes[k];
  if (scale == ConcentrationScale::LogPerKg) {
    p.y.scale = Scale::Log;
    // Four decades below the highest peak: the noise about zero of the
    // tails is no part of the curves' shape.
    double top = 0;
    for (const CampaignLine& line : lines)
      for (const double v : line.y) top = std::isfinite(v) ? std::max(top, v) : top;
    if (top > 0) p.y.min = top * 1e-4;
  } else {
    p.y.startAtZero = true;
  }
  f.maxPoints = pointsPerLine(o, lines.size());
  const char* what[] = {"", " divided by the mass it recovered", " divided by its own peak",
                        " divided by the mass it recovered (logarithmic axis)"};
  f.description = std::string("Each station's concentration (every line of its record, background "
                              "subtracted)") +
                  what[k] + ", against the time since the release." +
                  manyStationsNote(lines.size(), o.legendStations);
  if (leftOut > 0)
    f.description += " " + std::to_string(leftOut) +
                     " station(s) without a recovered mass or a peak to divide by are left out.";
  addCampaignLines(p, std::move(lines), named);
  timeRangeOfData(f);
  return f;
}

std::optional<Figure> campaignRecoveryFigure(const RunRecord& run, const Options& o) {
  if (!(run.release.injectedMass > 0)) return std::nullopt;
  std::vector<const StationRecord*> stations;
  std::vector<RecoveryCurve> curves;
  for (const StationRecord* st : campaignStations(run)) {
    RecoveryCurve c =
        stationRecoveryCurve(st->drawn->t, st->drawn->recovered, run.release.injectedMass);
    if (c.hours.empty()) continue;
    stations.push_back(st);
    curves.push_back(std::move(c));
  }
  if (curves.empty()) return std::nullopt;
  const TimeAxis t = campaignTime(stations, o);
  const RecoveryCurve total = totalRecoveryCurve(curves);
  const std::vector<bool> named = highlighted(stations, o.legendStations);
  Figure f = figureOf(o, "Cumulative recovery", t);
  Panel& p = f.panel();
  p.y.title = "Recovered (% of the injected mass)";
  p.y.startAtZero = true;
  f.maxPoints = pointsPerLine(o, curves.size() + 1);
  std::vector<CampaignLine> lines;
  std::vector<Marker> finals;
  for (std::size_t i = 0; i < curves.size(); ++i) {
    CampaignLine line{std::move(curves[i].hours), std::move(curves[i].fraction), stations[i]};
    for (double& h : line.x) h = t.unit.scale(h);
    for (double& v : line.y) v *= 100.0;
    if (named[i])
      finals.push_back({Marker::Kind::Point, line.x.back(), line.y.back(), "", Side::Left, ""});
    lines.push_back(std::move(line));
  }
  addCampaignLines(p, std::move(lines), named);
  // Each station's point takes the colour of its line.
  std::size_t colour = 0;
  for (Marker& m : finals) m.colour = figure::paletteColour(colour++ % (figure::kPaletteSize - 1));
  p.markers = std::move(finals);
  Series sum;
  sum.label = "Total";
  for (const double h : total.hours) sum.x.push_back(t.unit.scale(h));
  for (const double v : total.fraction) sum.y.push_back(v * 100.0);
  sum.colour = kTotalColour;
  const double final = sum.y.empty() ? NAN : sum.y.back();
  if (curves.size() > 1) p.series.push_back(std::move(sum));
  p.markers.push_back({Marker::Kind::Horizontal, 0, final,
                       (curves.size() > 1 ? "total " : "recovered ") + plain(final) + " %",
                       Side::Left, ""});
  f.description =
      "The mass each station recovered up to each time (integrated from its measured record "
      "with its sign), and their total, in percent of the injected mass; the final recovery "
      "marked." +
      manyStationsNote(curves.size(), o.legendStations);
  timeRangeOfData(f);
  return f;
}

std::optional<figure::IntervalFigure> intervalFigure(const StationRecord& st, QuantityId id) {
  if (!st.uncertainty || !st.analysed()) return std::nullopt;
  const QuantityRow& row = quantityRow(id);
  const QuantityInterval* q = st.uncertainty->find(row.name);
  double listed = NAN;
  for (const auto& [name, value] : listingQuantities(st.results ? &*st.results : nullptr))
    if (name == row.name && std::holds_alternative<double>(value)) listed = std::get<double>(value);
  if (!q || !std::isfinite(listed)) return std::nullopt;
  const std::string label(row.label);
  figure::IntervalFigure f;
  f.title = stationTitle(st) + ": " + label + ", 95 % interval";
  f.description = label + " " + plain(listed, 5) + ", 95 % of the draws between " +
                  plain(q->p2_5, 5) + " and " + plain(q->p97_5, 5) + ".";
  f.axis.title = label + (row.unit.empty() ? "" : " (" + std::string(row.unit) + ")");
  f.items.push_back({stationName(st), listed, q->p2_5, q->p97_5, ""});
  return f;
}

}  // namespace kaldero::figures
