// The figures of the HTML report, built in memory from a run's record as
// charts (report/svg_chart.h). Each chart's title names it and its
// description says what it shows; the page uses the description as the
// figure's caption. A figure that has nothing to show is nullopt.
//
// Times are hours since the release (the analysed curve's times), so that
// every station of a run shares one time axis.
#pragma once

#include <cstddef>
#include <optional>

#include "analysis/campaign.h"
#include "report/run_record.h"
#include "report/svg_chart.h"

namespace kaldero::html {

// The station file as the control file names it, or "(unnamed station)";
// not escaped (a chart escapes its texts).
std::string stationName(const StationRecord& station);

struct CampaignLimits {
  // Above this many stations only the stations of the largest recovered
  // mass are coloured and named in the legend; the others are grey.
  std::size_t legendStations = 8;
  // The points the lines of a campaign figure may take together, shared
  // evenly among its stations (at least 16 a station, at most 2,000).
  std::size_t pointBudget = 40000;
};

// Every analysed station's concentrations against the time since the
// release on one axis, raw (ug/L) or normalized per kg recovered (mg/L per
// kg), with a legend of station files and travel distances.
std::optional<svg::Chart> campaignConcentrationChart(const RunRecord& run, ConcentrationScale scale,
                                                     const CampaignLimits& limits = {});

// Every analysed station's recovered mass up to each time, and their total,
// in percent of the injected mass; the final recovery marked.
std::optional<svg::Chart> campaignRecoveryChart(const RunRecord& run,
                                                const CampaignLimits& limits = {});

// The station's analysed curve (background subtracted) with the measured
// discharge on a right axis when the discharge is measured; first arrival,
// peak and mean transit time marked for an analysed station.
std::optional<svg::Chart> stationCurveChart(const RunRecord& run, const StationRecord& station);

// The station's recovery curve, in percent of the injected mass (in grams
// when no mass was injected), its final recovery marked.
std::optional<svg::Chart> stationRecoveryChart(const RunRecord& run, const StationRecord& station);

// The Chatwin plot when a line was fitted: the listed points (the fit
// points apart) and the fitted line.
std::optional<svg::Chart> chatwinChart(const StationRecord& station);

// The flow-path fit (--fit): the fitted model and each path's share, with
// the samples the fit took drawn over them, as the first panel of a stack;
// the residual panel (fitResidualPanel) below it when there is one.
std::optional<svg::ChartStack> flowPathFitChart(const RunRecord& run, const StationRecord& station);

// The residuals of the chosen fit (measured minus fitted, ug/L) against the
// time since the release, with the zero line and their lag-1 correlation;
// nothing without a fit.
std::optional<svg::Panel> fitResidualPanel(const RunRecord& run, const StationRecord& station);

}  // namespace kaldero::html
