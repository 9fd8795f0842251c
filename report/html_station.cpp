// A station's section of the HTML report: its key numbers, figures, the
// flow-path fit's tables, reports, listing and files, from its record.
#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <vector>

#include "figure/svg.h"
#include "report/figures.h"
#include "report/html_page.h"

namespace kaldero::html::page {
namespace {

using nlohmann::json;

std::string valueTable(std::string_view caption, const std::string& rows) {
  if (rows.empty()) return {};
  return "<table class=\"values\">\n<caption>" + std::string(caption) + "</caption>\n<tbody>\n" +
         rows + "</tbody>\n</table>\n";
}

std::string grid(const std::vector<std::string>& tables) {
  std::string inner;
  for (const std::string& t : tables) inner += t;
  return inner.empty() ? inner : "<div class=\"grid\">\n" + inner + "</div>\n";
}

// A row of label, value and unit; end tags implied (a big run has tens of
// thousands of these rows).
std::string valueRow(std::string_view label, const std::string& value, std::string_view unit,
                     bool text = false) {
  return "<tr><th>" + std::string(label) + (text ? "<td class=\"t\">" : "<td>") + value + "<td>" +
         std::string(unit) + "\n";
}

// "time_unit" as "Time unit".
std::string humanName(std::string_view key) {
  std::string name(key);
  for (char& c : name)
    if (c == '_') c = ' ';
  if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 32);
  return escape(name);
}

// A member of the test description: a value, or a group of yes/no switches
// as the names of those that are on (in the order of the header line).
std::string describe(const json& value) {
  if (value.is_null()) return std::string(kDash);
  if (value.is_boolean()) return value.get<bool>() ? "yes" : "no";
  if (value.is_number_integer()) return std::to_string(value.get<long long>());
  if (value.is_number()) return formatNumber(value.get<double>());
  if (value.is_string()) return escape(value.get_ref<const std::string&>());
  if (!value.is_object()) return escape(value.dump());
  static constexpr std::string_view kOrder[] = {
      "table_on_screen", "table_file", "screen_plot", "listing", "points", "curve", "postscript"};
  std::string on;
  for (const std::string_view key : kOrder) {
    const auto it = value.find(std::string(key));
    if (it == value.end() || !it->is_boolean() || !it->get<bool>()) continue;
    std::string name(key);
    std::replace(name.begin(), name.end(), '_', ' ');
    on += (on.empty() ? "" : ", ") + name;
  }
  return on.empty() ? std::string("none") : on;
}

// The header of the station file as read, in a closed block (it repeats the
// input).
std::string testDescription(const StationRecord& st) {
  if (!st.headerRead) return {};
  std::string rows;
  const bool read = st.recordReads > 0 || st.samplesAnalysed > 0;
  const json description = testDescriptionDocument(st.test, read ? &st.reduction : nullptr);
  for (const auto& [key, value] : description.items())
    rows += valueRow(humanName(key), describe(value), "", value.is_string() || value.is_object());
  return "<details class=\"more\"><summary>Test description (the header of the station "
         "file)</summary>\n<div class=\"grid\">\n" +
         valueTable("Test description", rows) + "</div>\n</details>\n";
}

std::string chatwinTable(const StationRecord& st) {
  if (!st.results || !st.results->chatwin) return {};
  const ChatwinResults& c = *st.results->chatwin;
  std::string rows = valueRow("Fitted", c.fitted ? "yes" : "no", "", true);
  rows += valueRow("Fit points", std::to_string(c.fitPoints), "");
  if (c.fitted) {
    rows += valueRow("Points listed", std::to_string(c.listed()), "");
    rows += valueRow("Intercept", formatNumber(c.intercept), "s<sup>1/2</sup>");
    rows += valueRow("Slope", formatNumber(c.slope), "");
    rows += valueRow("Correlation coefficient r", formatNumber(c.r), "");
    rows += valueRow("r²", formatNumber(c.r2), "");
    rows += valueRow("Probability", formatNumber(c.probability), "");
    rows += valueRow("z", formatNumber(c.z), "");
    rows += valueRow("Dispersion coefficient", formatNumber(c.dispersion), "m²/s");
  }
  return valueTable("Chatwin method", rows);
}

// A measured discharge record that starts after the release: the listing
// says the volume cannot be integrated (from the release), yet gives the
// volume from the record's start; the report says which it shows.
std::string volumeNote(const StationResults& r) {
  if (!r.geometry || !r.geometry->startsAfterRelease || !r.mass) return {};
  return "<p class=\"note\">Volume: since the first discharge sample (" +
         formatNumber(r.mass->limits.lower / 3600.0, 4) +
         " h), not since the release: the discharge record starts after the release, so the "
         "volume since the release cannot be integrated (the listing's CANNOT INTEGRATE "
         "AQUIFER VOLUME).</p>\n";
}

// An end of a value's interval, to the last digit the value is shown with
// (five significant digits of the value), so that both ends read alike.
std::string intervalEnd(double end, const ResultValue& value) {
  const double* x = std::get_if<double>(&value);
  if (!x || *x == 0 || end == 0 || !std::isfinite(end)) return formatNumber(end);
  const int digits = 5 + static_cast<int>(std::floor(std::log10(std::fabs(end)))) -
                     static_cast<int>(std::floor(std::log10(std::fabs(*x))));
  return formatNumber(end, std::clamp(digits, 1, 9));
}

// The grouped key numbers, without those that do not apply to the
// station; a compact section leaves out the Chatwin table.
std::string keyNumbers(const StationRecord& st, bool compact) {
  if (!st.analysed() || !st.results || !st.results->complete()) return {};
  const Values values = stationResults(st);
  std::vector<std::string> tables;
  for (const QuantityGroup g : {QuantityGroup::Recovery, QuantityGroup::Times,
                                 QuantityGroup::Transport, QuantityGroup::FlowSystem,
                                 QuantityGroup::Signed}) {
    std::string rows;
    for (const QuantityRow& q : quantityTable()) {
      if (q.group != g) continue;
      const ResultValue& v = valueOf(values, q.name);
      if (std::holds_alternative<std::monostate>(v)) continue;  // does not apply
      // With --uncertainty: value [2.5 %, 97.5 %] of the draws.
      std::string shown = show(v);
      if (const QuantityInterval* u = st.uncertainty ? st.uncertainty->find(q.name) : nullptr)
        shown += " <span class=\"ci\" title=\"95 % interval\">[" + intervalEnd(u->p2_5, v) +
                 ", " + intervalEnd(u->p97_5, v) + "]</span>";
      rows += valueRow(q.label, shown, q.unit, isText(v));
    }
    tables.push_back(valueTable(groupTitle(g), rows));
  }
  if (!compact) tables.push_back(chatwinTable(st));
  return grid(tables) + volumeNote(*st.results);
}

std::string intervalCell(const Estimate& e, int digits = 3) {
  return "<td>" + formatNumber(e.value, digits) + "<td>" + formatNumber(e.lower, digits) +
         " \u2013 " + formatNumber(e.upper, digits);
}

// The chosen fit's paths with their 95 % intervals, beside the moment and
// Chatwin estimates of the station (none for a reach).
std::string fitPathsTable(const FlowPathFitResult& fit, const StationRecord* st) {
  const PathModelFit* best = fit.best();
  if (best == nullptr) return "<p>No flow paths fitted: " + escape(fit.reason) + ".</p>\n";
  std::string out =
      "<div class=\"scroll\">\n<table class=\"fit\">\n<caption>Fitted flow paths "
      "(95 % intervals)</caption>\n<thead>\n<tr>";
  out += headerCell("Method", "");
  for (const auto member : {&FittedPath::dispersion, &FittedPath::velocity, &FittedPath::massFraction})
    for (const PathQuantityRow& q : pathQuantityTable())
      if (q.estimate == member) {
        out += headerCell(q.label, q.unit);
        out += headerCell(std::string(q.label) + ", 95 % interval", q.unit);
      }
  out += "</tr>\n</thead>\n<tbody>\n";
  for (std::size_t i = 0; i < best->paths.size(); ++i) {
    const FittedPath& p = best->paths[i];
    out += "<tr><th scope=\"row\">" +
           (p.bypass ? std::string("Bypass from the release (share of the mass fitted)")
                     : "Fit, flow path " + std::to_string(i + 1)) +
           (!p.resolved() ? " (not resolved)" : "") + "</th>";
    out += intervalCell(p.dispersion) + intervalCell(p.velocity) + intervalCell(p.massFraction);
    out += "\n";
  }
  const std::string dash(kDash);
  for (std::size_t i = 0; i < best->paths.size() && best->zones == ZoneLayout::PerPath; ++i) {
    // A zone of its own: the path's capacity ratio and exchange rate.
    const FittedPath& zone = best->paths[i];
    if (!zone.storage) continue;
    const std::string path = std::to_string(i + 1);
    out += "<tr><th scope=\"row\">Path " + path + "'s storage zone: capacity ratio</th>" +
           intervalCell(zone.storageRatio) + "<td>" + dash + "<td>" + dash + "<td>" + dash +
           "<td>" + dash + "\n";
    out += "<tr><th scope=\"row\">Path " + path + "'s storage zone: exchange rate (1/s)</th>" +
           intervalCell(zone.exchangeRate) + "<td>" + dash + "<td>" + dash + "<td>" + dash +
           "<td>" + dash + "\n";
  }
  if (best->decay)
    out += "<tr><th scope=\"row\">Decay rate (1/s)</th>" + intervalCell(best->decayRate) +
           "<td>" + dash + "<td>" + dash + "<td>" + dash + "<td>" + dash + "\n";
  if (best->zones == ZoneLayout::Shared && !best->paths.empty()) {
    // One zone the paths share: its capacity ratio and exchange rate.
    const FittedPath& zone = best->paths[0];
    out += "<tr><th scope=\"row\">Storage zone: capacity ratio</th>" +
           intervalCell(zone.storageRatio) + "<td>" + dash + "<td>" + dash + "<td>" + dash +
           "<td>" + dash + "\n";
    out += "<tr><th scope=\"row\">Storage zone: exchange rate (1/s)</th>" +
           intervalCell(zone.exchangeRate) + "<td>" + dash + "<td>" + dash + "<td>" + dash +
           "<td>" + dash + "\n";
  }
  if (st) {
    const Values values = stationResults(*st);
    out += "<tr><th scope=\"row\">Moments</th><td>" +
           show(valueOf(values, QuantityId::MomentDispersionCoefficient)) + "<td>" + dash +
           "<td>" + show(valueOf(values, QuantityId::MeanVelocity)) + "<td>" + dash + "<td>" +
           dash + "<td>" + dash + "\n";
    out += "<tr><th scope=\"row\">Chatwin method</th><td>" +
           show(valueOf(values, QuantityId::ChatwinDispersionCoefficient)) + "<td>" + dash +
           "<td>" + dash + "<td>" + dash + "<td>" + dash + "<td>" + dash + "\n";
  }
  out += "</tbody>\n</table>\n</div>\n<p class=\"fit-stats\">Model: " +
         escape(best->description()) + " \u00b7 R² " + formatNumber(best->rSquared, 4) +
         " \u00b7 RMSE " + formatNumber(best->rmse * 1e-3, 3) + " µg/L \u00b7 AICc " +
         formatNumber(best->aicc, 4) + "</p>\n";
  if (!best->caution.empty())
    out += "<p class=\"note\">Not resolved by the data: " + escape(best->caution) +
           (fit.chosenUnresolved ? " (no model tried is resolved; this is the best fitted)"
                                     : "") +
           ".</p>\n";
  return out;
}

std::string reportsList(const std::vector<ShownReport>& reports) {
  if (reports.empty()) return {};
  std::string out = "<h3>Reports during the run</h3>\n<ul class=\"reports\">\n";
  for (const ShownReport& r : reports) out += reportItem(r);
  return out + "</ul>\n";
}

std::string listingFile(const StationRecord& st) {
  for (const OutputRecord& f : st.outputs)
    if (f.kind == "results listing") return f.name;
  return {};
}

std::string listing(const StationContext& c) {
  const StationRecord& st = c.station;
  const std::string file = listingFile(st);
  const std::string fileLink =
      file.empty() ? std::string()
                   : " <a href=\"" + href(c.options, file) + "\">" + escape(file) + "</a>";
  if (st.listing.empty()) return "<p class=\"na\">No results listing.</p>\n";
  const auto lines = std::count(st.listing.begin(), st.listing.end(), '\n');
  if (st.listing.size() > c.options.limits.listingBytes)
    return "<p class=\"note\">The results listing (" + std::to_string(lines) +
           " lines) is too long to show here:" + (fileLink.empty() ? " not written." : fileLink) +
           "</p>\n";
  const bool open = c.stationsOnPage <= c.options.limits.listingsOpenUpTo;
  return std::string("<details class=\"more listing\"") + (open ? " open" : "") +
         "><summary>Results listing (" + std::to_string(lines) + " lines)</summary>\n" +
         "<pre class=\"listing\">" + escape(windows1252ToUtf8(st.listing)) + "</pre>\n</details>\n";
}

std::string filesList(const std::vector<OutputRecord>& files, const ReportOptions& options) {
  if (files.empty()) return {};
  std::string out = "<h3>Files written</h3>\n<ul class=\"files\">\n";
  for (const OutputRecord& f : files) {
    out += "<li><a href=\"" + href(options, f.name) + "\">" + escape(f.name) + "</a>";
    const std::string kind = f.format.empty() ? f.kind : f.kind + ", " + f.format;
    if (!kind.empty()) out += "<span class=\"kind\">" + escape(kind) + "</span>";
    out += "</li>\n";
  }
  return out + "</ul>\n";
}

std::string figures(const StationContext& c, const std::string& anchor) {
  std::string out;
  int n = 0;
  auto add = [&](const auto& chart) {
    if (chart) out += figure(*chart, anchor + "-f" + std::to_string(++n) + "-");
  };
  const figures::Options& o = c.options.figures;
  add(figures::concentrationFigure(c.run, c.station, o));
  // What a station that did not finish computed is not a result.
  if (c.station.analysed()) {
    add(figures::recoveryFigure(c.run, c.station, o));
    add(figures::chatwinFigure(c.station, o));
    add(figures::fitFigure(c.run, c.station, o));
  }
  if (out.empty()) return out;
  return "<h3>Figures</h3>\n<div class=\"figures\">\n" + out + "</div>\n";
}

}  // namespace

std::string fitModelsTable(const FlowPathFitResult& fit) {
  if (fit.models.empty()) return {};
  const PathModelFit* best = fit.best();
  std::string out =
      "<div class=\"scroll\">\n<table class=\"fit models\">\n<caption>Every model tried "
      "(paths; s: sharing a storage zone)</caption>\n<thead>\n<tr>";
  out += headerCell("Model", "");
  out += headerCell("Samples", "");
  out += headerCell("Parameters", "");
  out += headerCell("R²", "");
  out += headerCell("RMSE", "µg/L");
  out += headerCell("AICc", "");
  out += headerCell("ΔAICc", "");
  out += headerCell("Residual lag-1", "");
  out += headerCell("Outcome", "");
  out += "</tr>\n</thead>\n<tbody>\n";
  for (std::size_t i = 0; i < fit.models.size(); ++i) {
    const PathModelFit& m = fit.models[i];
    const bool chosen = static_cast<int>(i) == fit.chosen;
    out += chosen ? "<tr class=\"chosen\">" : "<tr>";
    out += "<th scope=\"row\">" + m.label();
    if (!m.fitted) {
      out += "<td>" + std::to_string(m.samples) + "<td>" + std::to_string(m.parameters) +
             "<td colspan=\"5\" class=\"t\">" + std::string(kDash) +
             "<td class=\"t\">no fit: " + escape(m.reason) + "\n";
      continue;
    }
    out += "<td>" + std::to_string(m.samples) + "<td>" + std::to_string(m.parameters) + "<td>" +
           formatNumber(m.rSquared, 4) + "<td>" + formatNumber(m.rmse * 1e-3, 3) + "<td>" +
           formatNumber(m.aicc, 4) + "<td>" +
           (best ? formatNumber(m.aicc - best->aicc, 3) : std::string(kDash)) + "<td>" +
           formatNumber(m.errors.residualLag1, 3) + "<td class=\"t\">" +
           (chosen ? "chosen (smallest AICc)" : "fitted") + "\n";
  }
  return out + "</tbody>\n</table>\n</div>\n";
}

std::string fitDiagnostics(const FlowPathFitResult& fit) {
  const PathModelFit* best = fit.best();
  if (best == nullptr) return {};
  const ErrorStatistics& e = best->errors;
  std::string out = "<ul class=\"fit-diagnostics\">\n";
  out += "<li>Samples fitted: " + std::to_string(fit.samplesFitted) +
         (fit.sampleSource == SampleSource::Knots ? " (knots)" : " measured") + "</li>\n";
  if (e.model == ErrorModel::Independent) {
    out += "<li>Errors taken as independent; residual lag-1 " + formatNumber(e.residualLag1, 3) +
           ", Durbin\u2013Watson " + formatNumber(e.durbinWatson, 3) + "</li>\n";
  } else {
    out += "<li>Errors as a first-order autoregressive process: lag-1 " +
           formatNumber(e.lag1.value, 3) + " (" + formatNumber(e.lag1.lower, 3) + " \u2013 " +
           formatNumber(e.lag1.upper, 3) + ") at " + formatNumber(e.medianSpacing, 3) +
           " s spacing, " + formatNumber(e.effectiveSamples, 3) + " effective samples of " +
           std::to_string(fit.samplesFitted) + "; residual lag-1 " +
           formatNumber(e.residualLag1, 3) + ", Durbin\u2013Watson " +
           formatNumber(e.durbinWatson, 3) + "</li>\n";
  }
  if (e.model == ErrorModel::Ar1Relative)
    out += "<li>Errors growing with the signal: standard deviation sqrt(a² + (b model)²), a " +
           formatNumber(e.offsetError * 1e-3, 3) + " µg/L, b " + formatNumber(e.relativeError, 3) +
           "</li>\n";
  if (fit.inputErrors.any()) {
    const InputErrors& u = fit.inputErrors;
    out += "<li>The upstream station's errors, as its own fit's residuals give them (" +
           formatNumber(u.offset * 1e-3, 3) + " µg/L" +
           (u.relative > 0 ? " and " + formatNumber(u.relative, 3) + " of the reading"
                           : std::string()) +
           (u.correlationTime > 0
                ? ", AR(1) correlation time " + formatNumber(u.correlationTime / 60, 3) + " min"
                : std::string(", independent")) +
           "), carried into the covariance intervals (not the bootstrap's)</li>\n";
  } else if (fit.reach && fit.joint) {
    out += "<li>The upstream flux the modelled flux of the upstream station, fitted with it: "
           "its parameters' errors are in the intervals</li>\n";
  } else if (fit.reach) {
    out += "<li>The upstream flux taken as exact (no errors known for it): the intervals "
           "leave out its noise</li>\n";
  }
  out += "<li>Fitted total mass " + formatNumber(best->totalMass.value * 1e-9, 4) + " kg (" +
         formatNumber(best->totalMass.lower * 1e-9, 4) + " \u2013 " +
         formatNumber(best->totalMass.upper * 1e-9, 4) + "); " +
         (fit.reach && fit.joint ? "modelled upstream "
          : fit.reach            ? "passed the upstream station "
                                 : "recovered ") +
         formatNumber(fit.recoveredMass * 1e-9, 4) + " kg</li>\n";
  if (best->baseline)
    out += "<li>Baseline " + formatNumber(best->baselineOffset.value * 1e-3, 3) + " µg/L (" +
           formatNumber(best->baselineOffset.lower * 1e-3, 3) + " \u2013 " +
           formatNumber(best->baselineOffset.upper * 1e-3, 3) + ")</li>\n";
  if (fit.intervals == IntervalMethod::Bootstrap)
    out += "<li>Sieve bootstrap of the AR(1) innovations: " +
           std::to_string(best->bootstrap.replicates) + " resamples (" +
           std::to_string(best->bootstrap.failed) + " failed), lag-1 " +
           formatNumber(best->bootstrap.lag1, 3) + ", seed " +
           std::to_string(best->bootstrap.seed) + "</li>\n";
  out += "</ul>\n";
  if (fit.stillImprovingAtLargest)
    out += "<p class=\"note\">The criterion still improves at the largest model tried (" +
           best->label() +
           "): a further path might lower it again. The extra paths describe the curve's "
           "shape (its tail, tracer held back and released slowly) rather than separate "
           "routes; read them together.</p>\n";
  return out;
}

std::string uncertaintyIntervals(const StationContext& c) {
  const StationRecord& st = c.station;
  if (!st.uncertainty || !st.analysed()) return {};
  const UncertaintyResult& u = *st.uncertainty;
  // Interval bars of the recovered mass and the mean transit time: the
  // listing's value as the point, the 2.5 and 97.5 % points of the draws
  // as the bar.
  std::string charts;
  for (const QuantityId id : {QuantityId::RecoveredMass, QuantityId::MeanTransitTime}) {
    std::optional<figure::IntervalFigure> chart = figures::intervalFigure(st, id);
    if (!chart) continue;
    chart->width = c.options.figures.width;
    charts += "<figure class=\"interval\">" +
              figure::renderSvg(*chart, "u" + std::to_string(c.runNumber) + "-" +
                                            std::to_string(c.stationNumber) + "-" +
                                            std::string(quantityName(id))) +
              "</figure>\n";
  }
  int stoppedDraws = 0;
  for (const auto& [reason, count] : u.stopped) stoppedDraws += count;
  // The seed as the user gave it, and how this station's stream comes
  // from it, so that a draw can be made again from the report.
  const std::string given = c.run.uncertainty ? std::to_string(c.run.uncertainty->seed) : "?";
  return "<h3>Uncertainty</h3>\n<p class=\"note\">" + std::to_string(u.draws) +
         " draws on perturbed copies of the curve, seed " + given + " (--seed; this station's "
         "draws are stream " + std::to_string(u.stream) + " of it, seeded " +
         std::to_string(u.seed) + "); " + std::to_string(u.completed) + " analysed to the end" +
         (stoppedDraws > 0 ? ", " + std::to_string(stoppedDraws) + " stopped" : std::string()) +
         ". Key numbers show the 95 % interval [2.5 %, 97.5 %] of the draws.</p>\n" + charts;
}

std::string stationSection(const StationContext& c) {
  const StationRecord& st = c.station;
  const ReportLimits& l = c.options.limits;
  const bool compact = c.stationsOnPage > l.fullSectionsUpTo;
  const std::string anchor = stationAnchor(c.runNumber, c.stationNumber);
  std::string out = "<details class=\"station\" id=\"" + anchor + "\"";
  if (c.stationsOnPage <= l.collapseAbove) out += " open";
  out += "><summary><h2>Station " + stationLabel(st);
  if (c.severalRuns) out += " <span class=\"na\">(" + escape(c.run.controlFile) + ")</span>";
  if (!st.analysed())
    out += st.status == StationStatus::NotRun ? " <span class=\"notrun\">(not run)</span>"
                                              : " <span class=\"stopped\">(stopped)</span>";
  out += "</h2></summary>\n";
  if (!st.analysed()) {
    out += "<div class=\"stop-box\"><strong>";
    out += st.status == StationStatus::NotRun ? "This station was not analysed."
                                              : "The run stopped at this station.";
    out += "</strong>\n" + stopReport(st) + "</div>\n";
  }
  const std::string numbers = keyNumbers(st, compact);
  if (!numbers.empty()) out += "<h3>Key numbers</h3>\n" + numbers;
  if (!compact) out += testDescription(st);
  out += uncertaintyIntervals(c);
  if (!compact) out += figures(c, anchor);
  if (st.fit) {
    out += "<h3>Flow-path fit</h3>\n" + fitPathsTable(*st.fit, &st) + fitModelsTable(*st.fit);
    out += fitDiagnostics(*st.fit);
  }
  out += reportsList(st.reports);
  if (!compact && st.status != StationStatus::NotRun) out += listing(c);
  out += filesList(st.outputs, c.options);
  return out + "</details>\n";
}

std::string reachSection(const RunRecord::Reach& reach, const std::string& anchor,
                         const ReportOptions& options) {
  std::string out = "<details class=\"station reach\" id=\"" + anchor + "\" open><summary><h2>" +
                    "Reach " + escape(figures::reachTitle(reach)) + "</h2></summary>\n";
  if (reach.upstreamEndShare > 0.05)
    out += "<p class=\"note\">The record of " + escape(reach.from) + " ends on a flux of " +
           formatNumber(100 * reach.upstreamEndShare, 2) + " % of its peak: the reach carries "
           "none after it, so the fitted tail is short of tracer.</p>\n";
  if (const std::optional<figure::Figure> f = figures::reachFigure(reach, options.figures))
    out += "<div class=\"figures\">\n" + figure(*f, anchor + "-f1-") + "</div>\n";
  out += fitPathsTable(reach.fit, nullptr) + fitModelsTable(reach.fit) + fitDiagnostics(reach.fit);
  out += filesList(reach.outputs, options);
  return out + "</details>\n";
}

std::string jointSection(const JointFitResult& joint, const std::vector<OutputRecord>& outputs,
                         const std::string& anchor, const ReportOptions& options) {
  const std::string first = joint.parts.empty() ? std::string() : joint.parts.front().to;
  std::string out = "<details class=\"station reach\" id=\"" + anchor + "\" open><summary><h2>" +
                    (first.empty() ? std::string("Joint fit")
                                   : "Joint fit of " + escape(first) + " and the reaches below it") +
                    "</h2></summary>\n";
  if (!joint.fitted) {
    out += "<p class=\"note\">Not fitted: " + escape(joint.reason) + ".</p>\n";
    return out + filesList(outputs, options) + "</details>\n";
  }
  out += "<p>The station fitted from the release and every reach below it at once, each reach "
         "carrying the modelled flux of the station above it; each part keeps the model its own "
         "fit chose, and every interval is of the joint fit (each station with its own errors, "
         "AR(1) unless independent ones were asked for).</p>\n";
  if (!joint.caution.empty()) out += "<p class=\"note\">" + escape(joint.caution) + ".</p>\n";
  for (const JointFitPart& p : joint.parts) {
    const PathModelFit& m = p.fit.models.front();
    out += "<h3>" + (p.from.empty() ? "Release to " + escape(p.to) : escape(p.from + " to " + p.to)) +
           " (" + formatNumber(p.length, 4) + " m): model " + escape(m.label()) + ", R\u00b2 " +
           formatNumber(m.rSquared, 4) + "</h3>\n";
    out += fitPathsTable(p.fit, nullptr) + fitDiagnostics(p.fit);
  }
  return out + filesList(outputs, options) + "</details>\n";
}

}  // namespace kaldero::html::page
