// The layout of a figure, the same for every back-end: margins from the
// tick labels, panels sharing the plot width, nice ticks, grid lines,
// envelopes and bands behind the series, series clipped to the plot area
// (longer series than the figure's limit decimated in screen space by
// numeric/decimation.h, keeping every visible extreme), markers with their
// labels, and a legend placed inside where it covers no data, else below.
// A value that is not finite (or not positive on a logarithmic axis) is a
// gap in its line, never drawn.
#pragma once

#include "figure/canvas.h"
#include "figure/figure.h"

namespace kaldero::figure {

void draw(const Figure& figure, Canvas& canvas);
void draw(const IntervalFigure& figure, Canvas& canvas);

// The sizes of the texts (figure units: CSS pixels in the report).
inline constexpr double kTickFont = 11;
inline constexpr double kAxisFont = 12;
inline constexpr double kTitleFont = 13;
inline constexpr double kLegendFont = 11;
inline constexpr double kMarkerFont = 10;

// A colour a caller asked for when it is one every back-end can use:
// "#rgb" or "#rrggbb" (or a name of letters, for the SVG back-end).
bool usableColour(std::string_view colour);

}  // namespace kaldero::figure
