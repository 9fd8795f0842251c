// The figures of the results, each described once from the run's record
// (figure/figure.h) by one function here, then drawn by any back-end: the
// HTML report draws them as inline SVG, the files (--figures, and the
// flow-path fit and campaign figures of --plots) with the graphics library
// (plot/figure_file.h). A figure that has nothing to show is nullopt.
//
// Every station figure is titled with the station file and its travel
// distance ("TQF.DAT (150 m): concentration"). Times are since the release,
// in hours, or in days when the figure spans more than 10 days; the time
// axis is linear, or logarithmic where the figure's curves would otherwise
// crowd its first tenth (the fit's peak, stations whose peaks lie more than
// a factor of ten apart), unless the options fix the scale.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "analysis/campaign.h"
#include "figure/figure.h"
#include "model/quantity_table.h"
#include "report/run_record.h"

namespace kaldero::figures {

struct Options {
  // Every time axis in this scale (--figure-scale); none: each figure
  // chooses.
  std::optional<figure::Scale> timeScale;
  // The all-stations figure: each curve over its own peak (so that a far,
  // dilute station shows beside a near one), per kg recovered (on a linear
  // or a logarithmic axis), or raw.
  ConcentrationScale campaignScale = ConcentrationScale::OfThePeak;
  // The figures' size in their own units (the text sizes' CSS pixels).
  double width = 560, height = 360;
  // Above this many stations only the stations of the largest recovered
  // mass are coloured and named in a campaign figure's legend; the others
  // are grey.
  std::size_t legendStations = 8;
  // The points the lines of a campaign figure may take together, shared
  // evenly among its stations (at least 16 a station, at most 2,000).
  std::size_t pointBudget = 40000;
};

// The station as the figures' titles and legends name it: the file as the
// control file names it and the travel distance, "B.DAT (770 m)".
std::string stationTitle(const StationRecord& station);

// The measured concentrations (every line of the record, background
// subtracted with their sign) with the measured discharge on a right axis,
// first arrival, peak and mean transit time of the listing marked, and
// with --uncertainty the 95 % band of the draws' concentrations.
std::optional<figure::Figure> concentrationFigure(const RunRecord& run,
                                                  const StationRecord& station,
                                                  const Options& options = {});

// The mass recovered up to each time (integrated from the record with its
// sign), in percent of the injected mass (in grams without one), its final
// value marked.
std::optional<figure::Figure> recoveryFigure(const RunRecord& run, const StationRecord& station,
                                             const Options& options = {});

// The Chatwin plot when a line was fitted: the listed points (the fit
// points apart) and the fitted line, against the time in the station's
// unit.
std::optional<figure::Figure> chatwinFigure(const StationRecord& station,
                                            const Options& options = {});

// The flow-path fit (--fit): the samples fitted, the fitted model with its
// 95 % band and each path's share, and the residuals below; without a fit
// the samples and the reason.
std::optional<figure::Figure> fitFigure(const RunRecord& run, const StationRecord& station,
                                        const Options& options = {});

// A reach (--fit-reaches) as the figures' titles name it: "A.DAT to B.DAT
// (620 m)".
std::string reachTitle(const RunRecord::Reach& reach);

// The reach fit: the downstream samples, the model fitted from the
// upstream flux (drawn on a right axis) with its band and paths, and the
// residuals below, as the flow-path fit figure.
std::optional<figure::Figure> reachFigure(const RunRecord::Reach& reach,
                                          const Options& options = {});

// Every analysed station's concentrations against the time since the
// release on one axis, in the options' campaign scale, with a legend of
// station files and travel distances.
std::optional<figure::Figure> campaignConcentrationFigure(const RunRecord& run,
                                                          const Options& options = {});
// The same in a scale of one's own choosing (the report shows two).
std::optional<figure::Figure> campaignConcentrationFigure(const RunRecord& run,
                                                          ConcentrationScale scale,
                                                          const Options& options);

// Every analysed station's recovered mass up to each time, and their total,
// in percent of the injected mass; the final recovery marked.
std::optional<figure::Figure> campaignRecoveryFigure(const RunRecord& run,
                                                     const Options& options = {});

// With --uncertainty: the listing's value of a quantity of the results and
// the 95 % interval of the draws, as a point and its bar.
std::optional<figure::IntervalFigure> intervalFigure(const StationRecord& station, QuantityId id);

}  // namespace kaldero::figures
