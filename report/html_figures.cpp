// The report's figures from the record: campaign figures of all stations,
// and per station its curve, recovery curve, Chatwin plot and flow-path fit.
#include "report/html_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "core/units.h"
#include "numeric/advection_dispersion.h"
#include "report/results_data.h"

namespace kaldero::html {
namespace {

constexpr std::string_view kTimeAxis = "Time since the release (h)";
constexpr std::string_view kOtherStations = "#c8c8c8";
constexpr std::string_view kTotalColour = "#000000";
// A curve of more samples than this is drawn as a line without its points.
constexpr std::size_t kPointsUpTo = 150;
// The fitted curve is evaluated at this many times over the samples.
constexpr int kModelPoints = 600;

// A number for a text in a figure (plain text, not HTML): `digits`
// significant digits, whole numbers from 10^digits up.
std::string plain(double v, int digits = 3) {
  if (!std::isfinite(v)) return "-";
  char b[64];
  if (std::abs(v) >= std::pow(10.0, digits) && std::abs(v) < 1e15)
    std::snprintf(b, sizeof b, "%.0f", v);
  else
    std::snprintf(b, sizeof b, "%.*g", digits, v);
  return b;
}

bool hasCurve(const StationRecord& st) { return st.drawn && !st.drawn->t.empty(); }

std::vector<double> hoursOf(std::span<const double> seconds) {
  std::vector<double> out;
  out.reserve(seconds.size());
  for (const double t : seconds) out.push_back(t / 3600.0);
  return out;
}

std::vector<double> scaled(std::span<const double> values, double factor) {
  std::vector<double> out;
  out.reserve(values.size());
  for (const double v : values) out.push_back(v * factor);
  return out;
}

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

// "A.DAT (300 m)", with the travel distance the listing shows.
std::string legendLabel(const StationRecord& st) {
  return st.results ? campaignLabel(stationName(st), st.results->distance.metres)
                    : stationName(st);
}

// The lines of a campaign figure: the grey ones first (drawn under the
// coloured ones), the first of them named for all.
struct CampaignLine {
  std::vector<double> x, y;
  const StationRecord* station = nullptr;
};

void addCampaignLines(svg::Chart& chart, std::vector<CampaignLine> lines,
                      const std::vector<bool>& named, std::size_t others) {
  bool greyNamed = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (named[i]) continue;
    svg::Series s;
    s.x = std::move(lines[i].x);
    s.y = std::move(lines[i].y);
    s.colour = kOtherStations;
    if (!greyNamed) s.label = "Other stations (" + std::to_string(others) + ")";
    greyNamed = true;
    chart.series.push_back(std::move(s));
  }
  std::size_t colour = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!named[i]) continue;
    svg::Series s;
    s.x = std::move(lines[i].x);
    s.y = std::move(lines[i].y);
    s.label = legendLabel(*lines[i].station);
    s.colour = svg::paletteColour(colour++ % (svg::kPaletteSize - 1));
    chart.series.push_back(std::move(s));
  }
}

std::size_t others(const std::vector<bool>& named) {
  return static_cast<std::size_t>(std::count(named.begin(), named.end(), false));
}

std::size_t pointsPerLine(const CampaignLimits& limits, std::size_t lines) {
  if (lines == 0) return 2000;
  return std::clamp<std::size_t>(limits.pointBudget / lines, 16, 2000);
}

std::string manyStationsNote(std::size_t stations, std::size_t k) {
  if (stations <= k) return {};
  return " The " + std::to_string(k) +
         " stations of the largest recovered mass are coloured, the " +
         std::to_string(stations - k) + " others grey.";
}

// The discharge at time t (s) of the curve, linear between samples and
// constant beyond them.
double dischargeAt(std::span<const double> T, std::span<const double> Q, double t) {
  const auto it = std::lower_bound(T.begin(), T.end(), t);
  if (it == T.begin()) return Q.front();
  if (it == T.end()) return Q.back();
  const auto i = static_cast<std::size_t>(it - T.begin());
  const double t0 = T[i - 1], t1 = T[i];
  const double w = t1 > t0 ? (t - t0) / (t1 - t0) : 1.0;
  return Q[i - 1] + w * (Q[i] - Q[i - 1]);
}

bool measuredDischarge(const StationRecord& st) {
  return st.headerRead && st.test.dischargeMode == DischargeMode::Measured;
}

}  // namespace

std::string stationName(const StationRecord& st) {
  return st.stationFile.empty() ? std::string("(unnamed station)") : st.stationFile;
}

std::optional<svg::Chart> campaignConcentrationChart(const RunRecord& run, ConcentrationScale scale,
                                                     const CampaignLimits& limits) {
  const bool normalized = scale == ConcentrationScale::PerKgRecovered;
  std::vector<const StationRecord*> stations;
  std::vector<CampaignLine> lines;
  std::size_t leftOut = 0;
  for (const StationRecord* st : campaignStations(run)) {
    ConcentrationCurve c =
        stationConcentrationCurve(st->drawn->t, st->drawn->c, st->results->mass->mass.grams, scale);
    if (c.hours.empty()) {
      ++leftOut;
      continue;
    }
    stations.push_back(st);
    lines.push_back({std::move(c.hours), std::move(c.values), st});
  }
  if (lines.empty()) return std::nullopt;
  const std::vector<bool> named = highlighted(stations, limits.legendStations);
  svg::Chart chart;
  chart.title =
      normalized ? "All stations: concentration per kg recovered" : "All stations: concentration";
  chart.x.title = kTimeAxis;
  chart.x.startAtZero = true;
  chart.y.title =
      normalized ? "Concentration per kg recovered (mg/L per kg)" : "Concentration (\u00b5g/L)";
  chart.y.startAtZero = true;
  chart.maxPoints = pointsPerLine(limits, lines.size());
  chart.description =
      normalized
          ? "Each station's concentration (background subtracted) divided by the mass it "
            "recovered, against the time since the release."
          : "Each station's concentration (background subtracted) against the time since the "
            "release.";
  chart.description += manyStationsNote(lines.size(), limits.legendStations);
  if (leftOut > 0)
    chart.description += " " + std::to_string(leftOut) +
                         " station(s) without a recovered mass to divide by are left out.";
  addCampaignLines(chart, std::move(lines), named, others(named));
  return chart;
}

std::optional<svg::Chart> campaignRecoveryChart(const RunRecord& run,
                                                const CampaignLimits& limits) {
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
  const RecoveryCurve total = totalRecoveryCurve(curves);
  const std::vector<bool> named = highlighted(stations, limits.legendStations);

  svg::Chart chart;
  chart.title = "Cumulative recovery";
  chart.x.title = kTimeAxis;
  chart.x.startAtZero = true;
  chart.y.title = "Recovered (% of the injected mass)";
  chart.y.startAtZero = true;
  chart.maxPoints = pointsPerLine(limits, curves.size() + 1);
  std::vector<CampaignLine> lines;
  for (std::size_t i = 0; i < curves.size(); ++i) {
    CampaignLine line{std::move(curves[i].hours), std::move(curves[i].fraction), stations[i]};
    for (double& f : line.y) f *= 100.0;
    if (named[i])
      chart.markers.push_back(
          {svg::Marker::Kind::Point, line.x.back(), line.y.back(), "", svg::Side::Left, ""});
    lines.push_back(std::move(line));
  }
  addCampaignLines(chart, std::move(lines), named, others(named));
  // Each station's point takes the colour of its line.
  std::size_t colour = 0;
  for (svg::Marker& m : chart.markers)
    m.colour = svg::paletteColour(colour++ % (svg::kPaletteSize - 1));
  // One station's curve is the total.
  svg::Series sum;
  sum.label = "Total";
  sum.x = total.hours;
  for (const double f : total.fraction) sum.y.push_back(f * 100.0);
  sum.colour = kTotalColour;
  const double final = sum.y.empty() ? NAN : sum.y.back();
  if (curves.size() > 1) chart.series.push_back(std::move(sum));
  chart.markers.push_back({svg::Marker::Kind::Horizontal, 0, final,
                           (curves.size() > 1 ? "total " : "recovered ") + plain(final, 3) + " %",
                           svg::Side::Left, ""});
  chart.description =
      "The mass each station recovered up to each time, and their total, in percent of the "
      "injected mass; the final recovery marked." +
      manyStationsNote(curves.size(), limits.legendStations);
  return chart;
}

std::optional<svg::Chart> stationCurveChart(const RunRecord& run, const StationRecord& st) {
  if (!hasCurve(st)) return std::nullopt;
  const DrawnRecord& cv = *st.drawn;
  svg::Chart chart;
  chart.title = stationName(st) + ": concentration";
  chart.x.title = kTimeAxis;
  chart.y.title = "Concentration (\u00b5g/L)";
  chart.y.startAtZero = true;
  svg::Series c;
  c.label = "Concentration";
  c.x = hoursOf(cv.t);
  c.y = scaled(cv.c, 1e-3);
  c.style = cv.t.size() <= kPointsUpTo ? svg::Style::LinePoints : svg::Style::Line;
  chart.series.push_back(std::move(c));
  chart.description =
      "Measured concentration (background subtracted, with its sign) against the time since "
      "the release";
  if (measuredDischarge(st) && cv.q.size() == cv.t.size()) {
    chart.y2 = svg::Axis{"Discharge (m\u00b3/s)", svg::Scale::Linear, {}, {}, true};
    svg::Series q;
    q.label = "Discharge";
    q.x = hoursOf(cv.t);
    q.y = cv.q;
    q.axis = svg::Side::Right;
    q.dashed = true;
    q.colour = std::string(svg::paletteColour(2));
    chart.series.push_back(std::move(q));
    chart.description += ", with the measured discharge on the right axis";
  }
  chart.description += ".";
  if (st.analysed() && st.results) {
    const StationResults& r = *st.results;
    if (r.arrival.firstArrival > 0)
      chart.markers.push_back({svg::Marker::Kind::Vertical, r.arrival.firstArrival / 3600.0, 0,
                               "first arrival", svg::Side::Left, ""});
    // The peak of the curve the listing analysed.
    chart.markers.push_back(
        {svg::Marker::Kind::Point,
         r.arrival.peakTime / 3600.0 + static_cast<double>(run.release.flowZoneArrivalHours),
         r.arrival.peakConcentration * 1e-3, "peak", svg::Side::Left, ""});
    if (r.transit && !r.transit->infiltrationExceedsMean)
      chart.markers.push_back(
          {svg::Marker::Kind::Vertical,
           r.transit->meanTime.hours + static_cast<double>(run.release.flowZoneArrivalHours), 0,
           "mean transit time", svg::Side::Left, ""});
  }
  return chart;
}

std::optional<svg::Chart> stationRecoveryChart(const RunRecord& run, const StationRecord& st) {
  if (!hasCurve(st) || !st.results || !st.results->mass) return std::nullopt;
  const DrawnRecord& cv = *st.drawn;
  if (cv.recovered.size() != cv.t.size()) return std::nullopt;
  svg::Chart chart;
  chart.title = stationName(st) + ": recovery";
  chart.x.title = kTimeAxis;
  chart.y.startAtZero = true;
  svg::Series s;
  s.colour = std::string(svg::paletteColour(0));
  const RecoveryCurve c = stationRecoveryCurve(cv.t, cv.recovered, run.release.injectedMass);
  std::string finalLabel;
  if (!c.hours.empty()) {
    chart.y.title = "Recovered (% of the injected mass)";
    s.x = c.hours;
    for (const double f : c.fraction) s.y.push_back(f * 100.0);
    finalLabel = "recovered " + plain(s.y.back(), 3) + " %";
    chart.description =
        "The mass recovered up to each time, integrated from the measured record with its "
        "sign, in percent of the injected mass; the final recovery marked.";
  } else {
    chart.y.title = "Recovered mass (g)";
    s.x = hoursOf(cv.t);
    s.y = scaled(cv.recovered, 1e-6);
    finalLabel = "recovered " + plain(s.y.back(), 3) + " g";
    chart.description = "The mass recovered up to each time (no injected mass to compare with).";
  }
  chart.markers.push_back(
      {svg::Marker::Kind::Horizontal, 0, s.y.back(), finalLabel, svg::Side::Left, ""});
  chart.legend = svg::LegendPlacement::None;
  chart.series.push_back(std::move(s));
  return chart;
}

std::optional<svg::Chart> chatwinChart(const StationRecord& st) {
  if (!st.results || !st.results->chatwin || !st.results->chatwin->fitted) return std::nullopt;
  const ChatwinResults& cw = *st.results->chatwin;
  const std::size_t n =
      std::min({cw.listedTimes.size(), cw.listedParameters.size(), cw.listedFits.size()});
  if (n == 0) return std::nullopt;
  const std::size_t fitRows = std::min(n, static_cast<std::size_t>(std::max(cw.fitPoints, 0)));
  svg::Chart chart;
  chart.title = stationName(st) + ": Chatwin plot";
  const char* unit = units::timeUnitName(st.test.timeUnit);
  chart.x.title = std::string("Time (") + (unit ? unit : "time unit of the station") + ")";
  chart.y.title = "Chatwin parameter (s\u00bd)";
  svg::Series fit, other, line;
  fit.label = "Fit points";
  fit.style = svg::Style::Points;
  fit.colour = std::string(svg::paletteColour(0));
  other.label = "Other listed points";
  other.style = svg::Style::Points;
  other.colour = std::string(svg::paletteColour(7));
  line.label = "Fitted line";
  line.colour = std::string(svg::paletteColour(1));
  for (std::size_t i = 0; i < n; ++i) {
    svg::Series& s = i < fitRows ? fit : other;
    s.x.push_back(cw.listedTimes[i]);
    s.y.push_back(cw.listedParameters[i]);
    line.x.push_back(cw.listedTimes[i]);
    line.y.push_back(cw.listedFits[i]);
  }
  chart.series.push_back(std::move(line));
  if (!other.x.empty()) chart.series.push_back(std::move(other));
  chart.series.push_back(std::move(fit));
  chart.markers.push_back({svg::Marker::Kind::Horizontal, 0, 0, "", svg::Side::Left, ""});
  chart.description =
      "The Chatwin parameter of the listed points against the time, and the "
      "straight line fitted through the fit points (intercept " +
      plain(cw.intercept, 4) + " s\u00bd, slope " + plain(cw.slope, 4) + ").";
  return chart;
}

namespace {

// The samples the fit took, as it saw them: times since the release (h) and
// concentrations (ug/L), the measured value being the model plus the
// residual at each sample.
svg::Series fittedSamples(const FlowPathFitResult& fit, const PathModelFit& best,
                          double arrivalSeconds) {
  svg::Series s;
  s.label = "Measured (" + std::to_string(fit.samplesFitted) + " samples fitted)";
  s.style = svg::Style::Points;
  s.colour = std::string(svg::paletteColour(7));
  const std::size_t n =
      std::min({fit.times.size(), best.modelValues.size(), best.residuals.size()});
  for (std::size_t i = 0; i < n; ++i) {
    s.x.push_back((fit.times[i] + arrivalSeconds) / 3600.0);
    s.y.push_back((best.modelValues[i] + best.residuals[i]) * 1e-3);
  }
  return s;
}

}  // namespace

std::optional<svg::ChartStack> flowPathFitChart(const RunRecord& run, const StationRecord& st) {
  if (!st.fit || !hasCurve(st)) return std::nullopt;
  const DrawnRecord& cv = *st.drawn;
  svg::ChartStack stack;
  stack.title = stationName(st) + ": flow-path fit";
  stack.x.title = kTimeAxis;
  svg::Panel main;
  main.y.title = "Concentration (\u00b5g/L)";
  main.y.startAtZero = true;
  main.weight = 3;
  const double arrival = static_cast<double>(run.release.flowZoneArrivalHours) * 3600.0;

  const PathModelFit* best = st.fit->best();
  if (best == nullptr) {
    svg::Series measured;
    measured.label = "Measured";
    measured.x = hoursOf(cv.t);
    measured.y = scaled(cv.c, 1e-3);
    measured.style = svg::Style::Points;
    measured.colour = std::string(svg::paletteColour(7));
    main.series.push_back(std::move(measured));
    stack.description = "No flow paths fitted: " + st.fit->reason;
  } else {
    // The model as the fit saw it: times since the tracer reached the flow
    // zone, the discharge of the curve, the baseline when fitted.
    const std::vector<double>& Q = cv.q;
    const double Td = run.release.mode == ReleaseMode::Instantaneous
                          ? 0.0
                          : static_cast<double>(run.release.durationHours) * 3600.0;
    const double L = st.setup.distance;
    const double baseline = best->baseline ? best->baselineOffset.value : 0.0;
    const std::vector<numeric::FlowPath> paths = modelPaths(*best);
    auto model = [&](std::span<const numeric::FlowPath> p, std::string label, bool dashed,
                     std::string_view colour, double offset) {
      svg::Series s;
      s.label = std::move(label);
      s.dashed = dashed;
      s.colour = colour;
      const double t0 = cv.t.front(), t1 = cv.t.back();
      for (int i = 0; i < kModelPoints; ++i) {
        const double t = t0 + (t1 - t0) * i / (kModelPoints - 1);
        s.x.push_back(t / 3600.0);
        s.y.push_back(
            (numeric::concentration(t - arrival, L, dischargeAt(cv.t, Q, t), Td, p) + offset) *
            1e-3);
      }
      return s;
    };
    if (paths.size() > 1)
      for (std::size_t k = 0; k < paths.size(); ++k)
        main.series.push_back(model({&paths[k], 1}, "Path " + std::to_string(k + 1), true,
                                    svg::paletteColour(2 + k), 0.0));
    const std::string what = std::to_string(paths.size()) +
                             (paths.size() == 1 ? " path" : " paths") +
                             (best->storage ? " with a storage zone" : "");
    main.series.push_back(model(paths, "Fitted, " + what, false, svg::paletteColour(1), baseline));
    // The samples over the model, so that the fitted sum never hides them.
    main.series.push_back(fittedSamples(*st.fit, *best, arrival));
    stack.description = "The measured concentrations and the curve of the fitted model (" +
                        what + ")" + (paths.size() > 1 ? ", each path's share dashed." : ".") +
                        (st.fit->stillImprovingAtLargest
                             ? " The criterion still improves at the largest model tried: the "
                               "extra paths describe the curve's shape rather than separate routes."
                             : "");
  }
  stack.panels.push_back(std::move(main));
  if (std::optional<svg::Panel> residuals = fitResidualPanel(run, st))
    stack.panels.push_back(std::move(*residuals));
  return stack;
}

std::optional<svg::Panel> fitResidualPanel(const RunRecord& run, const StationRecord& st) {
  if (!st.fit) return std::nullopt;
  const PathModelFit* best = st.fit->best();
  if (best == nullptr || best->residuals.empty()) return std::nullopt;
  const double arrival = static_cast<double>(run.release.flowZoneArrivalHours) * 3600.0;
  svg::Panel panel;
  panel.y.title = "Residual (\u00b5g/L)";
  panel.weight = 1;
  svg::Series r;
  char label[96];
  std::snprintf(label, sizeof label, "Measured \u2212 fitted (lag-1 %.3f)",
                best->errors.residualLag1);
  r.label = label;
  r.style = svg::Style::Points;
  r.colour = std::string(svg::paletteColour(7));
  const std::size_t n = std::min(st.fit->times.size(), best->residuals.size());
  for (std::size_t i = 0; i < n; ++i) {
    r.x.push_back((st.fit->times[i] + arrival) / 3600.0);
    r.y.push_back(best->residuals[i] * 1e-3);
  }
  panel.series.push_back(std::move(r));
  svg::Marker zero;
  zero.kind = svg::Marker::Kind::Horizontal;
  zero.y = 0;
  panel.markers.push_back(zero);
  return panel;
}

}  // namespace kaldero::html
