// The plots of the derived curves of a station: the normalized
// concentration, the normalized load and the standardized curve, each with
// its moment parameters written on the plot.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "model/results.h"
#include "plot/plot_conventions.h"

namespace kaldero::plot {

enum class CurveKind : int32_t { Normalized = 0, Load = 1, Standardized = 2 };

// The three kind selectors (normalized, load, standardized); the first that
// is 1 picks the kind, none: no plot.
using KindSelectors = std::array<int32_t, 3>;
std::optional<CurveKind> selectedKind(const KindSelectors& kinds);

// The title of the value axis of a kind of curve plot (graphics-library
// escapes for the exponents): the normalized curves are per kilogram
// recovered, as their files are.
const char* valueAxisTitle(CurveKind kind);

// The moment parameters the plot writes: mean time and standard deviation
// in the station's time unit, skewness (gamma_t), kurtosis (kappa_t) and the
// peak value Cp; the standard deviation in hours decides whether the last
// two are shown.
struct CurveParameters {
  float meanTime = 0;   // in the station's time unit
  float sigma = 0;      // in the station's time unit
  float sigmaHours = 0;
  float skewness = 0;
  float kurtosis = 0;
  float peak = 0;
};

// The parameters of a station's transit times and peak concentration (a
// skewness or kurtosis left undefined shows as 0).
CurveParameters curveParameters(const TransitTimes& transit, float peakConcentration);

// The curve-plot driver: as the plot switches of the kind ask, the data
// listing of T, C and the third array, the screen plot (the plot counter
// counts the screen plots of the station; the prompt before a plot comes
// only with the first) and the PostScript file named from the kind's file
// name ("_NRM.PS", "_LOD.PS", "_STN.PS").
void curvePlot(PlotContext& ctx, std::span<const float> T, std::span<const float> C,
               std::span<const float> third, int32_t n, const KindSelectors& kinds,
               const CurveParameters& params, int32_t phase, int32_t firstPlot,
               int32_t& plotCounter);

// One pass of the drawing (points and curve are the switches; pass 2 is the
// PostScript pass, which always draws the curve and leaves its file for
// keepPostScript).
void drawCurvePlot(PlotContext& ctx, std::span<const float> T, std::span<const float> C,
                   int32_t n, Option points, Option curveSwitch, int32_t pass,
                   const KindSelectors& kinds, const CurveParameters& params, int32_t phase,
                   int32_t firstPlot);

}  // namespace kaldero::plot
