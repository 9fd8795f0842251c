// The HTML report of one or more runs, rendered from their records: the
// header, the summary of every station with the campaign figures, the test
// and totals of each run, then the station sections (html_station.cpp).
#include "report/html_report.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "core/version.h"
#include "figure/svg.h"
#include "report/figures.h"
#include "report/html_page.h"

namespace kaldero::html {

namespace page {

const ResultValue& valueOf(const Values& values, std::string_view key) {
  static const ResultValue kNone;
  for (const auto& [name, value] : values)
    if (name == key) return value;
  return kNone;
}

bool isText(const ResultValue& value) { return std::holds_alternative<std::string>(value); }

std::string show(const ResultValue& value) {
  if (const double* v = std::get_if<double>(&value)) return formatNumber(*v);
  if (const std::string* s = std::get_if<std::string>(&value))
    return *s == "chatwin" ? std::string("Chatwin") : escape(*s);
  return std::string(kDash);
}

std::string headerCell(std::string_view label, std::string_view unit) {
  std::string out = "<th scope=\"col\">";
  out += label;
  if (!unit.empty()) {
    out += "<span class=\"u\">(";
    out += unit;
    out += ")</span>";
  }
  return out + "</th>";
}

std::string href(const ReportOptions& options, std::string_view name) {
  if (name.starts_with('/') || options.linkBase.empty()) return fileUrl(name);
  std::string base = options.linkBase;
  if (!base.ends_with('/')) base += '/';
  return fileUrl(base + std::string(name));
}

namespace {

std::string figureOf(const std::string& svg, const std::string& caption) {
  std::string out = "<figure class=\"plot\">";
  out += svg;
  if (!caption.empty()) out += "<figcaption>" + escape(caption) + "</figcaption>";
  return out + "</figure>\n";
}

}  // namespace

std::string figure(const figure::Figure& f, const std::string& idPrefix) {
  return figureOf(figure::renderSvg(f, idPrefix), f.description);
}

std::string stationLabel(const StationRecord& st) {
  return escape(st.stationFile.empty() ? std::string("(unnamed station)") : st.stationFile);
}

std::string reportItem(const ShownReport& r) {
  const char* kind = r.kind == ShownReport::Kind::Error     ? "error"
                     : r.kind == ShownReport::Kind::Warning ? "warning"
                                                            : "note";
  return std::string("<li class=\"") + kind + "\"><span class=\"kind\">" + kind + "</span>" +
         escape(r.text) + "</li>\n";
}

std::string stationAnchor(std::size_t run, std::size_t station) {
  return "s" + std::to_string(run) + "-" + std::to_string(station);
}

std::string statusCell(StationStatus status) {
  switch (status) {
    case StationStatus::Analysed:
      return "<td class=\"t\">analysed</td>";
    case StationStatus::NotRun:
      return "<td class=\"t notrun\">not run</td>";
    default:
      return "<td class=\"t stopped\">stopped</td>";
  }
}

std::string stopReport(const StationRecord& st) {
  if (!st.stopReport.empty()) return escape(st.stopReport);
  return st.status == StationStatus::NotRun ? "Not run." : "The station stopped the run.";
}

}  // namespace page

namespace {

using namespace page;

// The summary table's columns: quantities of the table, some under a
// shorter head.
struct SummaryColumn {
  QuantityId id;
  std::string_view head;  // empty: the quantity's label
};
constexpr SummaryColumn kSummaryColumns[] = {
    {QuantityId::TravelDistance, "Distance"},
    {QuantityId::RecoveredMass, ""},
    {QuantityId::PercentRecovery, ""},
    {QuantityId::FirstArrival, ""},
    {QuantityId::PeakTime, ""},
    {QuantityId::MeanTransitTime, ""},
    {QuantityId::MeanVelocity, ""},
    {QuantityId::MaximumVelocity, ""},
    {QuantityId::DispersionCoefficient, "Dispersion coefficient D"},
    {QuantityId::DispersionMethod, "D by"},
    {QuantityId::PecletNumber, ""},
};

std::string programLine() { return std::string(kProgramName) + " " + std::string(kProgramVersion); }

std::string controlName(const RunRecord& run) {
  return run.controlFile.empty() ? std::string("(control file not named)")
                                 : escape(run.controlFile);
}

std::string pageTitle(const std::vector<const RunRecord*>& runs) {
  std::vector<std::string> titles;
  for (const RunRecord* r : runs)
    if (r->controlRead && !r->control.title.empty() &&
        std::find(titles.begin(), titles.end(), r->control.title) == titles.end())
      titles.push_back(r->control.title);
  if (titles.size() == 1) return escape(titles.front());
  if (runs.size() > 1) return "Tracer tests of " + std::to_string(runs.size()) + " control files";
  return "Tracer test results";
}

// The fitted dispersion coefficients of a station, one per path.
std::string fittedDispersion(const StationRecord& st) {
  if (!st.fit) return std::string(kDash);
  const PathModelFit* best = st.fit->best();
  if (best == nullptr) return "no fit";
  std::string out;
  for (std::size_t i = 0; i < best->paths.size(); ++i) {
    if (i > 0) out += "<br>";
    if (best->paths.size() > 1) out += std::to_string(i + 1) + ": ";
    out += formatNumber(best->paths[i].dispersion.value, 3);
  }
  return out;
}

class Page {
 public:
  Page(std::vector<const RunRecord*> runs, const ReportOptions& options)
      : runs_(std::move(runs)), options_(options) {
    for (const RunRecord* r : runs_) stations_ += r->stations.size();
  }

  std::string render() {
    const std::string title = pageTitle(runs_);
    out_.reserve(64 * 1024 + stations_ * 4096);
    out_ += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    out_ += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    // Nothing may be fetched and nothing run: the page is complete as it is.
    out_ +=
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "style-src 'unsafe-inline'\">\n";
    out_ += "<meta name=\"generator\" content=\"" + programLine() + "\">\n";
    out_ += "<title>" + title + " \u2014 " + programLine() + "</title>\n<style>";
    out_ += styleSheet();
    out_ += "</style>\n</head>\n<body>\n";
    header(title);
    out_ += "<main>\n";
    summary();
    for (std::size_t i = 0; i < runs_.size(); ++i) runSection(i);
    stations();
    reaches();
    out_ += "</main>\n<footer>Written by " + programLine() + ".</footer>\n</body>\n</html>\n";
    return std::move(out_);
  }

 private:
  bool several() const { return runs_.size() > 1; }

  void header(const std::string& title) {
    out_ += "<header>\n<h1>" + title + "</h1>\n<p class=\"byline\">Results of ";
    out_ += several() ? "tracer tests" : "a tracer test";
    out_ += ", " + programLine();
    if (!several() && !runs_.empty() && !runs_.front()->startedAt.empty())
      out_ += " \u00b7 run " + timeOf(*runs_.front());
    out_ += "</p>\n<ul class=\"runs\">\n";
    for (const RunRecord* r : runs_) {
      out_ += "<li>Control file <strong>" + controlName(*r) + "</strong>";
      if (several()) {
        if (r->controlRead && !r->control.title.empty())
          out_ += " \u2014 " + escape(r->control.title);
        if (!r->startedAt.empty()) out_ += " \u00b7 run " + timeOf(*r);
      }
      if (!r->controlSha256.empty())
        out_ += "<br><span class=\"sha\">SHA-256 " + escape(r->controlSha256) + "</span>";
      out_ += "</li>\n";
    }
    out_ += "</ul>\n";
    std::vector<std::string> links;
    auto add = [&](const std::string& name, std::string_view kind) {
      if (name.empty()) return;
      links.push_back("<a href=\"" + href(options_, name) + "\">" + escape(name) + "</a> (" +
                      std::string(kind) + ")");
    };
    add(options_.resultsFile, "JSON");
    add(options_.tableFile, "CSV");
    for (const RunRecord* r : runs_)
      for (const OutputRecord& f : r->runFiles)
        if (f.name != options_.resultsFile && f.name != options_.tableFile)
          add(f.name, escape(f.format.empty() ? f.kind : f.kind + ", " + f.format));
    if (!links.empty()) {
      out_ += "<p class=\"links\">Files: ";
      for (std::size_t i = 0; i < links.size(); ++i) out_ += (i ? " \u00b7 " : "") + links[i];
      out_ += ". Each station's files are linked in its section.</p>\n";
    }
    out_ += "</header>\n";
  }

  static std::string timeOf(const RunRecord& r) {
    return "<time datetime=\"" + escape(r.startedAt) + "\">" + escape(r.startedAt) + "</time>";
  }

  void summary() {
    out_ += "<section id=\"summary\">\n<h2>Summary of all stations</h2>\n";
    bool anyFit = false;
    for (const RunRecord* r : runs_)
      for (const StationRecord& st : r->stations) anyFit = anyFit || st.fit.has_value();
    const std::size_t columns = 2 + std::size(kSummaryColumns) + (anyFit ? 1 : 0);
    out_ += stations_ > options_.limits.collapseAbove ? "<div class=\"scroll tall\">"
                                                      : "<div class=\"scroll\">";
    out_ += "\n<table class=\"summary\">\n<thead>\n<tr>";
    out_ += headerCell("Station file", "");
    out_ += headerCell("Status", "");
    for (const SummaryColumn& c : kSummaryColumns) {
      const QuantityRow& q = quantityRow(c.id);
      out_ += headerCell(c.head.empty() ? q.label : c.head, q.unit);
    }
    if (anyFit) out_ += headerCell("D fitted, per flow path", "m²/s");
    out_ += "</tr>\n</thead>\n";
    for (std::size_t i = 0; i < runs_.size(); ++i) {
      out_ += "<tbody>\n";
      if (several())
        out_ += "<tr class=\"run\"><th colspan=\"" + std::to_string(columns) +
                "\" scope=\"rowgroup\">Control file " + controlName(*runs_[i]) + "</th></tr>\n";
      const auto& stations = runs_[i]->stations;
      for (std::size_t k = 0; k < stations.size(); ++k)
        summaryRow(stations[k], stationAnchor(i + 1, k + 1), columns - 2, anyFit);
      out_ += "</tbody>\n";
    }
    out_ += "</table>\n</div>\n";
    for (std::size_t i = 0; i < runs_.size(); ++i) campaignFigures(i);
    out_ += "</section>\n";
  }

  // Lean markup: a big run has thousands of rows (end tags of cells and
  // rows are implied).
  void summaryRow(const StationRecord& st, const std::string& anchor, std::size_t valueColumns,
                  bool anyFit) {
    out_ += st.analysed() ? "<tr>" : "<tr class=\"halted\">";
    out_ += "<th scope=\"row\"><a href=\"#" + anchor + "\">" + stationLabel(st) + "</a>";
    out_ += statusCell(st.status);
    if (!st.analysed()) {
      // The numbers of a station that stopped the run are not results.
      out_ += "<td class=\"why\" colspan=\"" + std::to_string(valueColumns) + "\">" +
              stopReport(st) + "\n";
      return;
    }
    const Values values = stationResults(st);
    for (const SummaryColumn& c : kSummaryColumns) {
      const ResultValue& v = valueOf(values, c.id);
      out_ += isText(v) ? "<td class=\"t\">" : "<td>";
      out_ += show(v);
    }
    if (anyFit) out_ += "<td>" + fittedDispersion(st);
    out_ += "\n";
  }

  void campaignFigures(std::size_t i) {
    const RunRecord& run = *runs_[i];
    const figures::Options& o = options_.figures;
    const auto main = figures::campaignConcentrationFigure(run, o);
    const auto recovery = figures::campaignRecoveryFigure(run, o);
    if (!main && !recovery) return;
    const std::string id = "r" + std::to_string(i + 1) + "-";
    if (several()) out_ += "<h3>Control file " + controlName(run) + "</h3>\n";
    out_ += "<div class=\"figures\">\n";
    if (main) out_ += figure(*main, id + "all-");
    if (recovery) out_ += figure(*recovery, id + "rec-");
    out_ += "</div>\n";
    // The other scales of the same curves, closed.
    std::string more;
    for (const ConcentrationScale scale : {ConcentrationScale::PerKgRecovered,
                                           ConcentrationScale::Raw}) {
      if (scale == o.campaignScale) continue;
      if (const auto f = figures::campaignConcentrationFigure(run, scale, o))
        more += figure(*f, id + (scale == ConcentrationScale::Raw ? "raw-" : "kg-"));
    }
    if (!more.empty())
      out_ += "<details class=\"more\"><summary>The concentrations per kg recovered and as "
              "measured (\u00b5g/L)</summary>\n<div class=\"figures\">\n" +
              more + "</div>\n</details>\n";
  }

  // The test, the run totals and the run's end, and the reports shown
  // outside any station.
  void runSection(std::size_t i) {
    const RunRecord& run = *runs_[i];
    out_ += "<section class=\"run\" id=\"run-" + std::to_string(i + 1) + "\">\n<h2>";
    out_ += several() ? "Run of control file " + controlName(run) : std::string("Test and totals");
    out_ += "</h2>\n<div class=\"grid\">\n";
    std::string rows;
    auto row = [&](std::string_view label, const std::string& value, std::string_view unit) {
      rows += "<tr><th scope=\"row\">" + std::string(label) + "</th><td>" + value + "</td><td>" +
              std::string(unit) + "</td></tr>\n";
    };
    if (run.controlRead) {
      const ControlValues& c = run.control;
      row("Control file", controlName(run), "");
      const char* mode = releaseModeName(c.releaseMode);
      row("Release mode", mode ? std::string(mode) : "code " + std::to_string(code(c.releaseMode)),
          "");
      row("Release duration", formatNumber(run.release.durationHours), "h");
      row("Flow-zone arrival", formatNumber(c.flowZoneArrival), "h");
      row("Injected mass", formatNumber(c.injectedMass), massUnitName(c.massUnit));
    } else {
      row("Control file", controlName(run) + " (not read)", "");
    }
    table("Test", rows);
    rows.clear();
    if (run.totals) {
      const RunTotals& t = *run.totals;
      row("Recovered mass", formatNumber(t.recoveredMassKg), "kg");
      // Without an injected mass there is no recovery to give.
      row("Recovery", t.percentRecovery ? formatNumber(*t.percentRecovery) : "undefined",
          t.percentRecovery ? "%" : "");
      row("Accuracy index", t.accuracyIndex ? formatNumber(*t.accuracyIndex) : "undefined", "");
      if (t.volume) {
        row("Volume", formatNumber(t.sums.aquiferVolume), "m³");
        if (t.volume->surfaceArea) row("Surface area", formatNumber(*t.volume->surfaceArea), "m²");
        if (t.volume->finalSorption && t.volume->finalSorption->computed)
          row("Final sorption coefficient", formatNumber(t.volume->finalSorption->value), "m");
      }
      table("Run totals", rows);
      rows.clear();
    }
    row("Stations analysed",
        std::to_string(run.analysedStations()) + " of " + std::to_string(run.stations.size()), "");
    row("Files not written", std::to_string(run.filesNotWritten), "");
    row("Exit status", std::to_string(run.exitStatus), "");
    table("Run", rows);
    out_ += "</div>\n";
    if (!run.reports.empty()) {
      out_ += "<h3>Reports of the run</h3>\n<ul class=\"reports\">\n";
      for (const ShownReport& r : run.reports) out_ += reportItem(r);
      out_ += "</ul>\n";
    }
    out_ += "</section>\n";
  }

  void table(std::string_view caption, const std::string& rows) {
    out_ += "<table class=\"values\">\n<caption>" + std::string(caption) + "</caption>\n<tbody>\n" +
            rows + "</tbody>\n</table>\n";
  }

  void stations() {
    const ReportLimits& l = options_.limits;
    if (stations_ > l.fullSectionsUpTo) {
      out_ += "<p class=\"note\">With more than " + std::to_string(l.fullSectionsUpTo) +
              " stations each station's section holds its key numbers, reports and links: "
              "its figures and listing are in the files it wrote.</p>\n";
    } else if (stations_ > l.collapseAbove) {
      out_ += "<p class=\"note\">With more than " + std::to_string(l.collapseAbove) +
              " stations the station sections start closed: open one by its name.</p>\n";
    }
    for (std::size_t i = 0; i < runs_.size(); ++i) {
      const auto& list = runs_[i]->stations;
      for (std::size_t k = 0; k < list.size(); ++k)
        out_ += stationSection({*runs_[i], list[k], i + 1, k + 1, stations_, several(), options_});
    }
  }

  // The reaches fitted between stations, after the stations of all runs.
  void reaches() {
    for (std::size_t i = 0; i < runs_.size(); ++i) {
      const auto& list = runs_[i]->reaches;
      for (std::size_t k = 0; k < list.size(); ++k)
        out_ += reachSection(list[k], "r" + std::to_string(i + 1) + "-" + std::to_string(k + 1),
                             options_);
      if (runs_[i]->joint)
        out_ += jointSection(*runs_[i]->joint, runs_[i]->jointOutputs,
                             "j" + std::to_string(i + 1), options_);
    }
  }

  std::vector<const RunRecord*> runs_;
  const ReportOptions& options_;
  std::size_t stations_ = 0;
  std::string out_;
};

}  // namespace

std::string renderReport(const std::vector<const RunRecord*>& runs, const ReportOptions& options) {
  std::vector<const RunRecord*> present;
  for (const RunRecord* r : runs)
    if (r != nullptr) present.push_back(r);
  ReportOptions o = options;
  o.figures = reportFigureOptions(options.figures);
  return Page(std::move(present), o).render();
}

figures::Options reportFigureOptions(figures::Options o) {
  // 400 units across: the figures' text (10 to 13 units) stays 9 px and
  // more in a column of 376 px (a 400 px screen); the style sheet lets a
  // figure grow to 510 px, where its title (13 units, 16.6 px) is still
  // smaller than the smallest heading (16.8 px).
  o.width = 400;
  o.height = 290;
  return o;
}

}  // namespace kaldero::html
