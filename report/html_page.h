// The parts of the HTML report shared by its page and its station sections
// (report/html_report.h is the interface; this header is the report's own).
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "report/html_report.h"
#include "report/results_data.h"
#include "figure/figure.h"
#include "model/quantity_table.h"

namespace kaldero::html::page {

inline constexpr std::string_view kDash =
    "<span class=\"na\" title=\"not available\">\u2014</span>";

std::string_view styleSheet();

using Values = std::vector<std::pair<std::string, ResultValue>>;

// The value of `key`, none when the list has no such name.
const ResultValue& valueOf(const Values& values, std::string_view key);
inline const ResultValue& valueOf(const Values& values, QuantityId id) {
  return valueOf(values, quantityName(id));
}

// Numbers to five significant digits, texts escaped ("chatwin" as the
// method's name), none as a dash.
std::string show(const ResultValue& value);
bool isText(const ResultValue& value);

// A column head with its unit under the label.
std::string headerCell(std::string_view label, std::string_view unit);

// The href of a file of the run, under the link base.
std::string href(const ReportOptions& options, std::string_view name);

// A figure with its caption (its description); ids prefixed.
std::string figure(const figure::Figure& figure, const std::string& idPrefix);

// The station file escaped, or "(unnamed station)".
std::string stationLabel(const StationRecord& station);
// A report shown during the run as a list item of its kind (error,
// warning, note).
std::string reportItem(const ShownReport& report);
// The id of the station's section: "s" run "-" station, 1-based.
std::string stationAnchor(std::size_t run, std::size_t station);
// "analysed", "stopped", "not run" with the class of the status.
std::string statusCell(StationStatus status);
std::string stopReport(const StationRecord& station);

// One station's section and what it needs of the page.
struct StationContext {
  const RunRecord& run;
  const StationRecord& station;
  std::size_t runNumber = 1;      // 1-based
  std::size_t stationNumber = 1;  // 1-based, within its run
  std::size_t stationsOnPage = 1;
  bool severalRuns = false;
  const ReportOptions& options;
};
std::string stationSection(const StationContext& context);

// A reach fitted between two stations (--fit-reaches): its figure, paths,
// models, diagnostics and files, in a section of the given id.
std::string reachSection(const RunRecord::Reach& reach, const std::string& anchor,
                         const ReportOptions& options);

// The joint fit of a chain (--fit-joint): what it is, each part's paths
// and diagnostics (or why it was not made) and its file, in a section of
// the given id.
std::string jointSection(const JointFitResult& joint, const std::vector<OutputRecord>& outputs,
                         const std::string& anchor, const ReportOptions& options);

// Every number of paths the flow-path fit tried: its statistics, or why it
// gave no fit; the chosen one marked.
std::string fitModelsTable(const FlowPathFitResult& fit);

// Extension points of the station section, empty until they have content:
// the fit diagnostics (shown after the fit's tables) and the uncertainty
// intervals [low, high] of the station's quantities (shown after its key
// numbers; figure::IntervalFigure draws them).
std::string fitDiagnostics(const FlowPathFitResult& fit);
std::string uncertaintyIntervals(const StationContext& context);

}  // namespace kaldero::html::page
