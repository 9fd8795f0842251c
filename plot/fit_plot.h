// The flow-path fit figure of a station (--fit), in every file format asked
// for: the measured concentrations, the fitted curve and each flow path's
// share of it, with the fitted parameters, and below it the residuals of the
// fit (measured minus fitted, ug/L) against time with their lag-1 and
// Durbin-Watson statistics. Files only, never the screen.
#pragma once

#include <span>

#include "model/flow_path_fit.h"
#include "plot/plot_conventions.h"

namespace kaldero::plot {

// The curve as fitted: times since the release (s), concentrations (ng/L)
// and discharges (m^3/s), with the distance (m) and release duration (s).
struct FitPlotCurve {
  std::span<const double> times;
  std::span<const double> concentrations;
  std::span<const double> discharges;
  double distance = 0;
  double releaseDuration = 0;
  // s: the times count from the tracer's arrival at the flow zone, this
  // long after the release; the figure's time axis is since the release.
  double arrival = 0;
};

// Writes the figure under the station's plot name with "_FIT"; a curve
// without a fit shows its samples and the reason.
void fitPlot(PlotContext& ctx, const FitPlotCurve& curve, const FlowPathFitResult& fit);

}  // namespace kaldero::plot
