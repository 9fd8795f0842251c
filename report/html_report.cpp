// The HTML report of a run, made from the results document and, per
// station, the listing, the figures and the files written.
#include "report/html_report.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kaldero::html {
namespace {

using nlohmann::json;

constexpr std::string_view kDash = "<span class=\"na\" title=\"not available\">\u2014</span>";

// The page's style sheet: system fonts only, tables with tabular figures,
// figures scaled to the column, and a print layout that starts every
// station on a new page and keeps the whole listing on paper.
constexpr std::string_view kStyle = R"(
:root { --ink: #1c2430; --muted: #5c6675; --rule: #d6dbe2; --band: #f5f7fa;
        --accent: #1f5f99; --warn: #8a5300; --stop: #a32626; }
* { box-sizing: border-box; }
body { margin: 0 auto; max-width: 78rem; padding: 1.5rem 2rem 3rem; color: var(--ink);
       background: #fff; font: 16px/1.5 system-ui, "Segoe UI", "Liberation Sans", "DejaVu Sans",
       Arial, sans-serif; }
h1 { font-size: 1.75rem; line-height: 1.25; margin: 0 0 .25rem; }
h2 { font-size: 1.35rem; margin: 2.5rem 0 .75rem; padding-bottom: .25rem;
     border-bottom: 2px solid var(--ink); }
h3 { font-size: 1.05rem; margin: 1.75rem 0 .5rem; }
a { color: var(--accent); }
.byline { color: var(--muted); margin: 0; }
.na { color: var(--muted); }
.unit { display: block; font-weight: normal; color: var(--muted); white-space: nowrap; }
nav.toc ol { margin: .25rem 0; padding-left: 1.5rem; columns: 18rem; }
nav.toc h2 { margin-top: 1.5rem; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; }
th, td { padding: .3rem .6rem; border-bottom: 1px solid var(--rule); text-align: left;
         vertical-align: top; }
thead th { vertical-align: bottom; border-bottom: 2px solid var(--ink); font-size: .9em; }
td.num { text-align: right; white-space: nowrap; }
td.text { text-align: right; }
caption { text-align: left; font-weight: 600; padding: 0 0 .35rem; }
.scroll { overflow-x: auto; }
table.summary { width: 100%; font-size: .85rem; }
table.summary th, table.summary td { padding: .3rem .4rem; }
table.summary tbody tr:nth-child(even) { background: var(--band); }
tr.stopped td.stop-report { color: var(--stop); white-space: pre-line; }
.status-stopped { color: var(--stop); font-weight: 600; }
.grid { display: grid; grid-template-columns: repeat(auto-fill, minmax(22rem, 1fr));
        gap: 1.25rem 2.5rem; align-items: start; }
table.values { width: 100%; font-size: .92rem; }
table.values th { font-weight: normal; }
table.values td.unit-cell { color: var(--muted); white-space: nowrap; }
.stop-box { border-left: 4px solid var(--stop); background: #fbf0f0; padding: .6rem 1rem;
            white-space: pre-line; }
ul.reports { list-style: none; padding: 0; }
ul.reports li { border-left: 4px solid var(--warn); background: #fdf6ea; padding: .4rem 1rem;
                margin: .4rem 0; white-space: pre-line; }
.kind { font-size: .8rem; font-weight: 600; text-transform: uppercase; letter-spacing: .04em;
        color: var(--muted); margin-right: .5rem; }
.figures { display: grid; grid-template-columns: repeat(auto-fill, minmax(30rem, 1fr));
           gap: 1.5rem; }
figure.plot { margin: 0; }
figure.plot svg { display: block; width: 100%; height: auto; border: 1px solid var(--rule); }
figcaption { color: var(--muted); font-size: .9rem; margin-top: .35rem; }
pre.listing { font: .8rem/1.35 "DejaVu Sans Mono", "Liberation Mono", Consolas, monospace;
              background: var(--band); border: 1px solid var(--rule); padding: 1rem;
              overflow-x: auto; }
ul.files { columns: 24rem; padding-left: 1.25rem; }
ul.files .kind { text-transform: none; letter-spacing: 0; font-weight: normal; margin: 0 0 0 .5rem; }
.fit-stats { color: var(--muted); font-size: .9rem; }
footer { margin-top: 3rem; color: var(--muted); font-size: .85rem;
         border-top: 1px solid var(--rule); padding-top: .5rem; }
@media print {
  body { max-width: none; padding: 0; font-size: 10pt; }
  a { color: inherit; text-decoration: none; }
  section.station { break-before: page; }
  figure.plot, table.values, .stop-box { break-inside: avoid; }
  .figures { grid-template-columns: 1fr; }
  h2, h3 { break-after: avoid; }
  .scroll { overflow: visible; }
  table.summary { font-size: 7.5pt; }
  pre.listing { font-size: 7pt; white-space: pre-wrap; overflow: visible; background: none; }
}
)";

// A quantity shown with its label and unit.
struct Quantity {
  std::string_view key;
  std::string_view label;
  std::string_view unit;
};

struct Group {
  std::string_view title;
  std::span<const Quantity> quantities;
};

constexpr Quantity kSummaryColumns[] = {
    {"recovered_mass_kg", "Recovered mass", "kg"},
    {"percent_recovery", "Recovery", "%"},
    {"first_arrival_h", "First arrival", "h"},
    {"peak_time_h", "Peak time", "h"},
    {"mean_transit_time_h", "Mean transit time", "h"},
    {"mean_velocity_m_per_s", "Mean velocity", "m/s"},
    {"maximum_velocity_m_per_s", "Maximum velocity", "m/s"},
    {"dispersion_coefficient_m2_per_s", "Dispersion coefficient D", "m²/s"},
    {"dispersion_method", "D by", ""},
    {"dispersivity_m", "Dispersivity", "m"},
    {"peclet_number", "Peclet number", ""},
};

constexpr Quantity kRecovery[] = {
    {"recovered_mass_kg", "Recovered mass", "kg"},
    {"percent_recovery", "Recovery", "%"},
    {"accuracy_index", "Accuracy index", ""},
    {"lower_integration_limit_h", "Lower integration limit", "h"},
    {"upper_integration_limit_h", "Upper integration limit", "h"},
};
constexpr Quantity kTimes[] = {
    {"first_arrival_h", "First arrival", "h"},
    {"peak_time_h", "Peak time", "h"},
    {"peak_concentration_ug_per_L", "Peak concentration", "µg/L"},
    {"mean_transit_time_h", "Mean transit time", "h"},
    {"transit_time_variance_h2", "Transit time variance", "h²"},
    {"transit_time_standard_deviation_h", "Transit time standard deviation", "h"},
    {"transit_time_skewness", "Transit time skewness", ""},
    {"transit_time_kurtosis", "Transit time kurtosis", ""},
};
constexpr Quantity kTransport[] = {
    {"travel_distance_m", "Travel distance", "m"},
    {"mean_velocity_m_per_s", "Mean velocity", "m/s"},
    {"velocity_standard_deviation_m_per_s", "Velocity standard deviation", "m/s"},
    {"maximum_velocity_m_per_s", "Maximum velocity", "m/s"},
    {"dispersion_coefficient_m2_per_s", "Dispersion coefficient", "m²/s"},
    {"dispersion_method", "Dispersion method", ""},
    {"moment_dispersion_coefficient_m2_per_s", "Dispersion coefficient by moments", "m²/s"},
    {"dispersivity_m", "Longitudinal dispersivity", "m"},
    {"peclet_number", "Peclet number", ""},
    {"peclet_class", "Peclet class", ""},
};
constexpr Quantity kConduit[] = {
    {"volume_m3", "Volume", "m³"},
    {"cross_section_m2", "Cross-section", "m²"},
    {"surface_area_m2", "Surface area", "m²"},
    {"sorption_coefficient_m", "Sorption coefficient", "m"},
    {"head_loss_m", "Head loss", "m"},
    {"friction_factor", "Friction factor", ""},
    {"reynolds_number", "Reynolds number", ""},
    {"froude_number", "Froude number", ""},
    {"schmidt_number", "Schmidt number", ""},
    {"sherwood_number", "Sherwood number", ""},
    {"mass_transfer_coefficient_m_per_s", "Mass transfer coefficient", "m/s"},
};
constexpr Group kResultGroups[] = {
    {"Mass recovery", kRecovery},
    {"Times", kTimes},
    {"Velocity and dispersion", kTransport},
    {"Flow system", kConduit},
};

constexpr Quantity kChatwin[] = {
    {"fitted", "Fitted", ""},
    {"reason", "Reason", ""},
    {"dispersion_coefficient_m2_per_s", "Dispersion coefficient", "m²/s"},
    {"intercept_s05", "Intercept", "s<sup>1/2</sup>"},
    {"slope", "Slope", ""},
    {"r", "Correlation coefficient r", ""},
    {"r_squared", "r²", ""},
    {"probability", "Probability", ""},
    {"z", "z", ""},
    {"points_used", "Points used", ""},
    {"points_listed", "Points listed", ""},
};

constexpr Quantity kControl[] = {
    {"file", "Control file", ""},
    {"release_mode", "Release mode", ""},
    {"release_duration_h", "Release duration", "h"},
    {"flow_zone_arrival_h", "Flow-zone arrival", "h"},
};

constexpr Quantity kTotals[] = {
    {"recovered_mass_kg", "Recovered mass", "kg"},
    {"percent_recovery", "Recovery", "%"},
    {"volume_m3", "Volume", "m³"},
    {"surface_area_m2", "Surface area", "m²"},
    {"final_sorption_coefficient_m", "Final sorption coefficient", "m"},
};

constexpr Quantity kRun[] = {
    {"stations_analysed", "Stations analysed", ""},
    {"files_not_written", "Files not written", ""},
    {"exit_status", "Exit status", ""},
};

// The member `key` of an object; nullptr for anything else.
const json* member(const json* object, std::string_view key) {
  if (object == nullptr || !object->is_object()) return nullptr;
  const auto it = object->find(std::string(key));
  return it == object->end() ? nullptr : &*it;
}

const json* objectMember(const json* object, std::string_view key) {
  const json* m = member(object, key);
  return m != nullptr && m->is_object() ? m : nullptr;
}

std::string_view stringOf(const json* value) {
  return value != nullptr && value->is_string()
             ? std::string_view(value->get_ref<const std::string&>())
             : std::string_view();
}

// A value as HTML: numbers to five significant digits, counts as integers,
// texts escaped, an interval of two numbers as "lo – hi", null or absent as
// a dash.
std::string show(const json* value) {
  if (value == nullptr || value->is_null()) return std::string(kDash);
  if (value->is_number_unsigned()) return std::to_string(value->get<std::uint64_t>());
  if (value->is_number_integer()) return std::to_string(value->get<std::int64_t>());
  if (value->is_number_float()) {
    const double v = value->get<double>();
    return std::isfinite(v) ? formatNumber(v) : std::string(kDash);
  }
  if (value->is_string()) return escape(value->get_ref<const std::string&>());
  if (value->is_boolean()) return value->get<bool>() ? "yes" : "no";
  if (value->is_array() && value->size() == 2 && (*value)[0].is_number() &&
      (*value)[1].is_number()) {
    return show(&(*value)[0]) + " \u2013 " + show(&(*value)[1]);
  }
  return escape(value->dump(-1, ' ', false, json::error_handler_t::replace));
}

// A group of yes/no switches (the plot switches of the test description)
// as the names of those that are on, or "none"; anything else as show().
std::string showSwitches(const json* value) {
  if (value == nullptr || !value->is_object() || value->empty()) return show(value);
  // In the order the header gives them, not alphabetically as the
  // document holds them.
  static constexpr std::string_view kOrder[] = {
      "table_on_screen", "table_file", "screen_plot", "listing", "points", "curve", "postscript"};
  auto rank = [](const std::string& key) {
    const auto it = std::find(std::begin(kOrder), std::end(kOrder), key);
    return it - std::begin(kOrder);
  };
  std::vector<std::string> names;
  for (const auto& [key, flag] : value->items()) {
    if (!flag.is_boolean()) return show(value);
    if (flag.get<bool>()) names.push_back(key);
  }
  std::stable_sort(names.begin(), names.end(),
                   [&](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
  std::string on;
  for (const std::string& name : names) on += (on.empty() ? "" : ", ") + escape(name);
  for (char& c : on)
    if (c == '_') c = ' ';
  return on.empty() ? std::string("none") : on;
}

// Numbers right-aligned on one line; texts may wrap.
std::string valueCell(const json* value) {
  const bool text = value != nullptr && (value->is_string() || value->is_structured());
  return text ? "<td class=\"text\">" : "<td class=\"num\">";
}

std::string methodName(const json* method) {
  if (stringOf(method) == "chatwin") return "Chatwin";
  return show(method);
}

std::string showQuantity(const Quantity& q, const json* value) {
  return q.key == "dispersion_method" ? methodName(value) : show(value);
}

std::string headerCell(std::string_view label, std::string_view unit) {
  std::string out = "<th scope=\"col\">";
  out += label;
  if (!unit.empty()) {
    out += "<span class=\"unit\">(";
    out += unit;
    out += ")</span>";
  }
  out += "</th>";
  return out;
}

// "time_unit" as "Time unit".
// The unit a member's name ends in, as the results document names them
// ("_m2_per_s"), and how the page writes it; the name without it.
struct NamedUnit {
  std::string label;
  std::string unit;
};
NamedUnit splitUnit(std::string_view key) {
  static constexpr std::pair<std::string_view, std::string_view> kSuffixes[] = {
      {"_m2_per_s", "m²/s"}, {"_m_per_s", "m/s"}, {"_ug_per_L", "µg/L"},
      {"_m3", "m³"},         {"_m2", "m²"},       {"_mm", "mm"},
      {"_kg", "kg"},         {"_mg", "mg"},       {"_h2", "h²"},
      {"_h", "h"},           {"_m", "m"}};
  for (const auto& [suffix, unit] : kSuffixes)
    if (key.size() > suffix.size() && key.ends_with(suffix))
      return {std::string(key.substr(0, key.size() - suffix.size())), std::string(unit)};
  return {std::string(key), ""};
}

std::string humanName(std::string_view key) {
  std::string name(key);
  for (char& c : name) {
    if (c == '_') c = ' ';
  }
  if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 32);
  return escape(name);
}

// A station of the page: its entry in the results document and its page
// data, either of which may be missing.
struct Station {
  const json* entry = nullptr;
  const StationPage* page = nullptr;
  std::string anchor;

  std::string_view fileName() const {
    const std::string_view name = stringOf(member(entry, "station_file"));
    if (!name.empty() || page == nullptr) return name;
    return page->stationFile;
  }
  bool stopped() const { return stringOf(member(entry, "status")) == "stopped"; }
  const json* results() const { return objectMember(entry, "results"); }
  const json* fit() const { return objectMember(entry, "fit"); }
};

// The entries of the results document paired with the station pages: the
// k-th page of a station file goes with the k-th entry of that name; pages
// without an entry come last.
std::vector<Station> pairStations(const json& results, const std::vector<StationPage>& pages) {
  std::vector<Station> stations;
  std::vector<bool> used(pages.size(), false);
  const json* entries = member(&results, "stations");
  if (entries != nullptr && entries->is_array()) {
    for (const json& entry : *entries) {
      if (!entry.is_object()) continue;
      Station s;
      s.entry = &entry;
      const std::string_view name = stringOf(member(&entry, "station_file"));
      for (size_t i = 0; i < pages.size(); ++i) {
        if (!used[i] && pages[i].stationFile == name) {
          used[i] = true;
          s.page = &pages[i];
          break;
        }
      }
      stations.push_back(s);
    }
  }
  for (size_t i = 0; i < pages.size(); ++i) {
    if (!used[i]) stations.push_back({nullptr, &pages[i], {}});
  }
  for (size_t i = 0; i < stations.size(); ++i) {
    stations[i].anchor = "station-" + std::to_string(i + 1);
  }
  return stations;
}

std::string stationLabel(const Station& s) {
  const std::string_view name = s.fileName();
  return name.empty() ? std::string("(unnamed station)") : escape(name);
}

class Page {
 public:
  Page(const json& results, const ReportOptions& options) : results_(results), options_(options) {}

  std::string render(const std::vector<Station>& stations) {
    const json* control = objectMember(&results_, "control");
    const std::string_view title = stringOf(member(control, "title"));
    std::string program = escape(stringOf(member(&results_, "program")));
    if (program.empty()) program = "KALDERO";
    const std::string version = escape(stringOf(member(&results_, "version")));
    const std::string programLine = version.empty() ? program : program + " " + version;
    const std::string heading = title.empty() ? std::string("Tracer test results") : escape(title);

    out_ += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    out_ += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    // Nothing may be fetched and nothing run: the page is complete as it is.
    out_ +=
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "style-src 'unsafe-inline'\">\n";
    out_ += "<meta name=\"generator\" content=\"" + programLine + "\">\n";
    out_ += "<title>" + heading + " \u2014 " + programLine + "</title>\n";
    out_ += "<style>";
    out_ += kStyle;
    out_ += "</style>\n</head>\n<body>\n<header>\n<h1>" + heading + "</h1>\n";
    out_ += "<p class=\"byline\">Results of a tracer test, " + programLine;
    const std::string_view controlFile = stringOf(member(control, "file"));
    if (!controlFile.empty()) out_ += ", control file " + escape(controlFile);
    out_ += "</p>\n</header>\n";

    contents(stations);
    out_ += "<main>\n";
    summary(stations, control);
    for (const Station& s : stations) station(s);
    out_ += "</main>\n<footer>Written by " + programLine + ".</footer>\n</body>\n</html>\n";
    return std::move(out_);
  }

 private:
  void contents(const std::vector<Station>& stations) {
    out_ += "<nav class=\"toc\" aria-label=\"Contents\">\n<h2>Contents</h2>\n<ol>\n";
    out_ += "<li><a href=\"#summary\">Summary of all stations</a></li>\n";
    for (const Station& s : stations) {
      out_ += "<li><a href=\"#" + s.anchor + "\">" + stationLabel(s) + "</a>";
      if (s.stopped()) out_ += " <span class=\"status-stopped\">(stopped)</span>";
      out_ += "</li>\n";
    }
    out_ += "</ol>\n</nav>\n";
  }

  // Rows of label, value and unit for the quantities present in `object`.
  std::string valueRows(const json* object, std::span<const Quantity> quantities) {
    std::string rows;
    for (const Quantity& q : quantities) {
      const json* value = member(object, q.key);
      if (value == nullptr) continue;
      rows += "<tr><th scope=\"row\">" + std::string(q.label) + "</th>" + valueCell(value) +
              showQuantity(q, value) + "</td><td class=\"unit-cell\">" + std::string(q.unit) +
              "</td></tr>\n";
    }
    return rows;
  }

  static std::string valueTable(std::string_view caption, const std::string& rows) {
    if (rows.empty()) return {};
    return "<table class=\"values\">\n<caption>" + std::string(caption) + "</caption>\n<tbody>\n" +
           rows + "</tbody>\n</table>\n";
  }

  // Tables side by side; nothing when all are empty.
  static std::string grid(const std::vector<std::string>& tables) {
    std::string inner;
    for (const std::string& t : tables) inner += t;
    return inner.empty() ? inner : "<div class=\"grid\">\n" + inner + "</div>\n";
  }

  // Every member of an object, named from its key (the unit is part of the
  // name); `skip` lists members shown elsewhere.
  std::string genericRows(const json* object, std::span<const Quantity> skip = {}) {
    std::string rows;
    if (object == nullptr) return rows;
    for (const auto& [key, value] : object->items()) {
      bool shown = false;
      for (const Quantity& q : skip) shown = shown || q.key == key;
      if (shown) continue;
      const NamedUnit named = splitUnit(key);
      rows += "<tr><th scope=\"row\">" + humanName(named.label) + "</th>" + valueCell(&value) +
              showSwitches(&value) + "</td><td class=\"unit-cell\">" + escape(named.unit) +
              "</td></tr>\n";
    }
    return rows;
  }

  void summary(const std::vector<Station>& stations, const json* control) {
    out_ += "<section id=\"summary\">\n<h2>Summary of all stations</h2>\n";
    bool anyFit = false;
    for (const Station& s : stations) anyFit = anyFit || s.fit() != nullptr;

    out_ += "<div class=\"scroll\">\n<table class=\"summary\">\n<thead>\n<tr>";
    out_ += headerCell("Station file", "");
    out_ += headerCell("Status", "");
    for (const Quantity& q : kSummaryColumns) out_ += headerCell(q.label, q.unit);
    if (anyFit) out_ += headerCell("D fitted, per flow path", "m²/s");
    out_ += "</tr>\n</thead>\n<tbody>\n";
    const size_t columns = std::size(kSummaryColumns) + (anyFit ? 1 : 0);
    for (const Station& s : stations) {
      out_ += s.stopped() ? "<tr class=\"stopped\">" : "<tr>";
      out_ += "<th scope=\"row\"><a href=\"#" + s.anchor + "\">" + stationLabel(s) + "</a></th>";
      const json* status = member(s.entry, "status");
      out_ += "<td" + std::string(s.stopped() ? " class=\"status-stopped\"" : "") + ">" +
              (s.entry == nullptr ? std::string("no results") : show(status)) + "</td>";
      if (s.stopped()) {
        // The numbers of a station that stopped the run are not results.
        out_ += "<td class=\"stop-report\" colspan=\"" + std::to_string(columns) + "\">" +
                stopReport(s) + "</td>";
      } else {
        const json* results = s.results();
        for (const Quantity& q : kSummaryColumns) {
          const bool text = q.key == "dispersion_method";
          out_ += text ? "<td>" : "<td class=\"num\">";
          out_ += showQuantity(q, member(results, q.key)) + "</td>";
        }
        if (anyFit) out_ += "<td class=\"num\">" + fittedDispersion(s.fit()) + "</td>";
      }
      out_ += "</tr>\n";
    }
    out_ += "</tbody>\n</table>\n</div>\n";

    std::string testRows = valueRows(control, kControl);
    if (const json* mass = member(control, "injected_mass"); mass != nullptr) {
      testRows += "<tr><th scope=\"row\">Injected mass</th><td class=\"num\">" + show(mass) +
                  "</td><td class=\"unit-cell\">" + escape(stringOf(member(control, "mass_unit"))) +
                  "</td></tr>\n";
    }
    out_ += grid({valueTable("Test", testRows),
                  valueTable("Run totals", valueRows(objectMember(&results_, "totals"), kTotals)),
                  valueTable("Run", valueRows(objectMember(&results_, "run"), kRun))});
    out_ += "</section>\n";
  }

  static std::string stopReport(const Station& s) {
    const json* report = member(s.entry, "stop_report");
    if (report == nullptr || report->is_null()) return "The station stopped the run.";
    return show(report);
  }

  static std::string fittedDispersion(const json* fit) {
    if (fit == nullptr) return std::string(kDash);
    const json* paths = member(fit, "paths");
    if (paths == nullptr || !paths->is_array() || paths->empty()) return "no fit";
    std::string out;
    for (size_t i = 0; i < paths->size(); ++i) {
      if (i > 0) out += "<br>";
      if (paths->size() > 1) out += std::to_string(i + 1) + ": ";
      out += show(member(&(*paths)[i], "dispersion_m2_per_s"));
    }
    return out;
  }

  void station(const Station& s) {
    out_ += "<section class=\"station\" id=\"" + s.anchor + "\">\n<h2>Station " + stationLabel(s);
    if (s.stopped()) out_ += " <span class=\"status-stopped\">(stopped)</span>";
    out_ += "</h2>\n";
    if (s.entry == nullptr) {
      out_ += "<p>The results document has no entry for this station.</p>\n";
    }
    if (s.stopped()) {
      out_ += "<div class=\"stop-box\"><strong>The run stopped at this station.</strong>\n" +
              stopReport(s) + "</div>\n";
    }
    reports(s);
    keyNumbers(s);
    fitComparison(s);
    figures(s);
    listing(s);
    files(s);
    out_ += "</section>\n";
  }

  void reports(const Station& s) {
    const json* list = member(s.entry, "reports");
    if (list == nullptr || !list->is_array() || list->empty()) return;
    out_ += "<h3>Reports during the run</h3>\n<ul class=\"reports\">\n";
    for (const json& report : *list) {
      out_ += "<li>";
      if (report.is_object()) {
        const std::string_view kind = stringOf(member(&report, "kind"));
        if (!kind.empty()) out_ += "<span class=\"kind\">" + escape(kind) + "</span>";
        out_ += show(member(&report, "text"));
      } else {
        out_ += show(&report);
      }
      out_ += "</li>\n";
    }
    out_ += "</ul>\n";
  }

  void keyNumbers(const Station& s) {
    const json* results = s.results();
    const json* chatwin = objectMember(s.entry, "chatwin");
    const json* description = objectMember(s.entry, "test_description");
    std::vector<std::string> tables;
    std::vector<Quantity> known;
    for (const Group& g : kResultGroups) {
      tables.push_back(valueTable(g.title, valueRows(results, g.quantities)));
      known.insert(known.end(), g.quantities.begin(), g.quantities.end());
    }
    tables.push_back(valueTable("Other results", genericRows(results, known)));
    tables.push_back(valueTable("Chatwin method",
                                valueRows(chatwin, kChatwin) + genericRows(chatwin, kChatwin)));
    tables.push_back(valueTable("Test description", genericRows(description)));
    const std::string tablesGrid = grid(tables);
    if (!tablesGrid.empty()) out_ += "<h3>Key numbers</h3>\n" + tablesGrid;
  }

  void fitComparison(const Station& s) {
    const json* fit = s.fit();
    if (fit == nullptr) return;
    out_ += "<h3>Dispersion coefficient: model fit, moments and Chatwin method</h3>\n";
    const json* paths = member(fit, "paths");
    const json* fitted = member(fit, "fitted");
    if (paths == nullptr || !paths->is_array() || paths->empty() ||
        (fitted != nullptr && fitted->is_boolean() && !fitted->get<bool>())) {
      const json* reason = member(fit, "reason");
      out_ += "<p>No model fit";
      if (reason != nullptr && !reason->is_null()) out_ += ": " + show(reason);
      out_ += ".</p>\n";
      return;
    }
    out_ += "<div class=\"scroll\">\n<table class=\"values fit\">\n<thead>\n<tr>";
    out_ += headerCell("Method", "");
    out_ += headerCell("D", "m²/s");
    out_ += headerCell("D, 95 % interval", "m²/s");
    out_ += headerCell("Velocity", "m/s");
    out_ += headerCell("Velocity, 95 % interval", "m/s");
    out_ += headerCell("Mass fraction", "");
    out_ += "</tr>\n</thead>\n<tbody>\n";
    for (size_t i = 0; i < paths->size(); ++i) {
      const json* path = &(*paths)[i];
      out_ += "<tr><th scope=\"row\">Fit, flow path " + std::to_string(i + 1) + "</th>";
      for (const std::string_view key : {"dispersion_m2_per_s", "dispersion_ci95",
                                         "velocity_m_per_s", "velocity_ci95", "mass_fraction"}) {
        out_ += "<td class=\"num\">" + show(member(path, key)) + "</td>";
      }
      out_ += "</tr>\n";
    }
    const json* results = s.results();
    const json* moments = member(results, "moment_dispersion_coefficient_m2_per_s");
    if (moments == nullptr && stringOf(member(results, "dispersion_method")) == "moments") {
      moments = member(results, "dispersion_coefficient_m2_per_s");
    }
    const std::string dash(kDash);
    out_ += "<tr><th scope=\"row\">Moments</th><td class=\"num\">" + show(moments) +
            "</td><td class=\"num\">" + dash + "</td><td class=\"num\">" +
            show(member(results, "mean_velocity_m_per_s")) + "</td><td class=\"num\">" + dash +
            "</td><td class=\"num\">" + dash + "</td></tr>\n";
    const json* chatwin =
        member(objectMember(s.entry, "chatwin"), "dispersion_coefficient_m2_per_s");
    out_ += "<tr><th scope=\"row\">Chatwin method</th><td class=\"num\">" + show(chatwin) +
            "</td><td class=\"num\">" + dash + "</td><td class=\"num\">" + dash +
            "</td><td class=\"num\">" + dash + "</td><td class=\"num\">" + dash + "</td></tr>\n";
    out_ += "</tbody>\n</table>\n</div>\n<p class=\"fit-stats\">";
    out_ += "Flow paths: " + show(member(fit, "chosen_paths"));
    out_ += " \u00b7 R² " + show(member(fit, "r_squared"));
    out_ += " \u00b7 RMSE " + show(member(fit, "rmse"));
    out_ += " \u00b7 AICc " + show(member(fit, "aicc")) + "</p>\n";
  }

  void figures(const Station& s) {
    if (s.page == nullptr || s.page->figures.empty()) return;
    out_ += "<h3>Figures</h3>\n<div class=\"figures\">\n";
    for (size_t i = 0; i < s.page->figures.size(); ++i) {
      const Figure& f = s.page->figures[i];
      // Ids unique on the page: station and figure number.
      const std::string prefix =
          "s" + s.anchor.substr(s.anchor.find('-') + 1) + "f" + std::to_string(i + 1) + "-";
      out_ += "<figure class=\"plot\">\n";
      if (auto svg = inlineSvg(f.svg, prefix)) {
        out_ += *svg;
        out_ += '\n';
      } else {
        out_ += "<p class=\"na\">The figure could not be read.</p>\n";
      }
      out_ += "<figcaption>" + escape(f.title) + "</figcaption>\n</figure>\n";
    }
    out_ += "</div>\n";
  }

  void listing(const Station& s) {
    out_ += "<h3>Results listing</h3>\n";
    if (s.page == nullptr || s.page->listing.empty()) {
      out_ += "<p class=\"na\">No results listing.</p>\n";
      return;
    }
    out_ += "<pre class=\"listing\">" + escape(windows1252ToUtf8(s.page->listing)) + "</pre>\n";
  }

  void files(const Station& s) {
    std::vector<std::pair<std::string, std::string>> links;  // name, kind
    const json* outputs = member(s.entry, "outputs");
    if (outputs != nullptr && outputs->is_array()) {
      for (const json& o : *outputs) {
        const std::string_view name = o.is_string() ? stringOf(&o) : stringOf(member(&o, "file"));
        if (name.empty()) continue;
        std::string kind(stringOf(member(&o, "kind")));
        const std::string_view format = stringOf(member(&o, "format"));
        if (!format.empty()) kind += (kind.empty() ? "" : ", ") + std::string(format);
        links.emplace_back(name, kind);
      }
    }
    if (s.page != nullptr) {
      for (const LinkedFile& f : s.page->files) {
        bool listed = f.name.empty();
        for (const auto& link : links) listed = listed || link.first == f.name;
        if (!listed) links.emplace_back(f.name, f.kind);
      }
    }
    if (links.empty()) return;
    out_ += "<h3>Files written</h3>\n<ul class=\"files\">\n";
    for (const auto& [name, kind] : links) {
      out_ += "<li><a href=\"" + link(name) + "\">" + escape(name) + "</a>";
      if (!kind.empty()) out_ += "<span class=\"kind\">" + escape(kind) + "</span>";
      out_ += "</li>\n";
    }
    out_ += "</ul>\n";
  }

  std::string link(std::string_view name) const {
    if (name.starts_with('/')) return fileUrl(name);
    if (options_.linkBase.empty()) return fileUrl(name);
    std::string base = options_.linkBase;
    if (!base.ends_with('/')) base += '/';
    return fileUrl(base + std::string(name));
  }

  const json& results_;
  const ReportOptions& options_;
  std::string out_;
};

}  // namespace

std::string renderReport(const nlohmann::json& results, const std::vector<StationPage>& stations,
                         const ReportOptions& options) {
  return Page(results, options).render(pairStations(results, stations));
}

}  // namespace kaldero::html
