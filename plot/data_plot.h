// The data plot: a station's time-concentration(-discharge) curve as a
// console listing, a screen plot and a PostScript file, for the measured
// curve (processing phase 0, "_DAT.PS") and the interpolated curve (phase 1,
// "_INT.PS").
#pragma once

#include <cstdint>
#include <span>

#include "model/curve.h"
#include "plot/plot_conventions.h"

namespace kaldero::plot {

// The station curve in the station's units: n samples of times,
// concentrations, discharges (discharge mode 1) and the standard deviations
// of group means.
struct DataCurve {
  std::span<const float> T, C, Q, sT, sC, sQ;
  int32_t n = 0;
};

// Plot passes: 0 screen, 1 screen with a PostScript pass to follow, 2 the
// PostScript pass.
inline constexpr int32_t kPostScriptPass = 2;

// The data-plot driver. Stops the run with the time-order report when the
// times do not increase strictly; then, as the plot switches of the phase
// ask (data plot in phase 0, interpolated plot in phase 1), the listing,
// the screen plot and the PostScript file. modeWord is the data-reduction
// mode (error bars for group means when it is 2).
void dataPlot(PlotContext& ctx, const DataCurve& curve, const TailFit& tail, int32_t phase,
              int32_t modeWord, ExtrapolationMethod extrapolationMethod, int32_t firstPlot);

// The same for a curve in the station's units with the spread of its group
// means; without one (the knot curve has none) the spreads are 0.
void dataPlot(PlotContext& ctx, const Curve& curve, const GroupSpread* spread,
              const TailFit& tail, int32_t phase, int32_t modeWord,
              ExtrapolationMethod extrapolationMethod, int32_t firstPlot);

// The data plots of the measured curve (phase 0) in its data-reduction
// mode: group means (mode 2) are plotted once more without their error
// bars (mode word 0).
void measuredDataPlots(PlotContext& ctx, const MeasuredCurve& curve, const TailFit& tail,
                       ReductionMode mode, ExtrapolationMethod extrapolationMethod,
                       int32_t firstPlot);

// One pass of the data-plot drawing (points and curve are the switches);
// the PostScript pass leaves its file for keepPostScript.
void drawDataPlot(PlotContext& ctx, const DataCurve& curve, const TailFit& tail, int32_t phase,
                  Option points, Option curveSwitch, int32_t pass, int32_t modeWord,
                  ExtrapolationMethod extrapolationMethod, int32_t firstPlot);

}  // namespace kaldero::plot
