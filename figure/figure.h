// A figure described once, drawn by every back-end alike: its axes (title
// with the unit, linear or logarithmic, fixed or open ends), panels one
// above the other sharing the x axis, each with its series (lines, points,
// steps, bars), envelopes (a shaded band between a lower and an upper
// curve, e.g. a 95 % interval), bands (an x or y interval over the whole
// panel), markers (a vertical or horizontal reference line, or a point,
// each with a short label), a legend and a title. The report's figures are
// built as such descriptions (report/figures.h) and drawn by
// figure/draw.h onto a canvas: inline SVG for the HTML report
// (figure/svg.h), the graphics library for PS, PNG, SVG and PDF files
// (plot/figure_file.h). The description holds values in the units its axis
// titles name; every back-end places them with the same layout, ticks and
// decimation.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kaldero::figure {

enum class Scale { Linear, Log };
// "linear" or "log"; nothing for any other text.
std::optional<Scale> parseScale(std::string_view name);

struct Axis {
  std::string title;  // with the unit, e.g. "Time (h)"
  Scale scale = Scale::Linear;
  // Fixed ends; an end left open comes from the data, widened to a tick.
  // A non-finite end, or one not positive on a logarithmic axis, is open.
  std::optional<double> min, max;
  bool startAtZero = false;  // linear: the open ends include 0
};

enum class Style { Line, Points, LinePoints, Steps, Bars };
enum class Side { Left, Right };  // the y axis a series, marker or band uses

struct Series {
  std::string label;         // legend entry; none when empty
  std::vector<double> x, y;  // the shorter length counts; a non-finite value is a gap
  Style style = Style::Line;
  // A colour "#rgb" or "#rrggbb" (or a CSS colour name, which only the SVG
  // back-end knows); empty or anything else: the palette's colour for the
  // series' place in its panel.
  std::string colour;
  bool dashed = false;
  Side axis = Side::Left;
  // Bars: the width of a bar in x units, centred on its x; 0: 0.8 of the
  // smallest spacing of the bars. Steps hold each y from its x to the next.
  double barWidth = 0;
};

// A shaded band between two curves over the same x (a non-finite value is
// a gap), drawn behind the series: a 95 % interval of a fitted curve or of
// the measured concentrations.
struct Envelope {
  std::string label;  // legend entry; none when empty
  std::vector<double> x, low, high;
  std::string colour;  // default: the palette's first colour; drawn at 25 % opacity
  Side axis = Side::Left;
};

// A reference drawn over the data with a short label: a vertical line at
// x, a horizontal line at y, or a single point at (x, y).
struct Marker {
  enum class Kind { Vertical, Horizontal, Point };
  Kind kind = Kind::Vertical;
  double x = 0, y = 0;
  std::string label;
  Side axis = Side::Left;
  std::string colour;  // default dark grey
};

// A shaded interval behind the data: x from-to over the full height, or y
// from-to over the full width.
struct Band {
  enum class Along { X, Y };
  Along along = Along::X;
  double from = 0, to = 0;
  std::string label;  // legend entry; none when empty
  Side axis = Side::Left;
  std::string colour;  // default grey; drawn at 18 % opacity
};

// Auto: inside the plot, in the first corner (top right, top left, bottom
// right, bottom left) where it covers no data, otherwise below the plot.
enum class LegendPlacement { Auto, Below, None };

// The part of a figure above the shared x axis.
struct Panel {
  Axis y;
  std::optional<Axis> y2;  // on the right, e.g. discharge
  std::vector<Envelope> envelopes;
  std::vector<Series> series;
  std::vector<Marker> markers;
  std::vector<Band> bands;
  double weight = 1;  // share of the figure's height
};

struct Figure {
  std::string title;        // shown above the plot and read as the figure's name
  std::string description;  // read by screen readers, the HTML caption; none when empty
  Axis x;
  std::vector<Panel> panels;  // top to bottom; the x axis under the lowest
  LegendPlacement legend = LegendPlacement::Auto;
  double width = 560, height = 360;  // in the units of the texts' sizes (CSS pixels)
  std::size_t maxPoints = 2000;      // per series, at least 16; 0: no limit

  // The first panel, made when there is none.
  Panel& panel() {
    if (panels.empty()) panels.emplace_back();
    return panels.front();
  }
};

// One labelled quantity with its interval, e.g. the recovered mass and its
// 95 % interval. A non-finite end draws no bar; a non-finite value no point.
struct IntervalItem {
  std::string label;
  double value = 0, low = 0, high = 0;
  std::string colour;
};

// The quantities as rows, each a point with its interval bar, against one
// value axis at the bottom.
struct IntervalFigure {
  std::string title;
  std::string description;
  Axis axis;
  std::vector<IntervalItem> items;
  double width = 560;
  double height = 0;  // 0: from the number of rows
};

// The ticks of an axis over data from dataMin to dataMax (non-finite: no
// data; on a logarithmic axis the smallest and largest positive values).
// Linear: steps of 1, 2 or 5 times a power of ten, the count nearest six
// and at most maxTicks, open ends widened to a tick. Logarithmic: decades
// (every second or more when there are many), with 2 and 5 labelled as
// well over few decades, open ends widened to a decade. Labels are short;
// magnitudes from 10^5 up or below 10^-3 in the form 2.5×10⁻⁴; negative
// labels with the minus sign U+2212.
struct Ticks {
  double low = 0, high = 1;         // the axis range
  std::vector<double> values;       // labelled ticks, ascending
  std::vector<std::string> labels;  // UTF-8
  std::vector<double> minor;        // unlabelled ticks (2..9 on log axes)
};
Ticks axisTicks(const Axis& axis, double dataMin, double dataMax, int maxTicks = 8);

// The colours every figure takes its series' colours from, in order: Paul
// Tol's muted qualitative scheme (distinguishable with the common
// colour-vision deficiencies), darkest first, then black.
constexpr std::size_t kPaletteSize = 10;
std::string_view paletteColour(std::size_t index);

// The time axis of a figure over times up to maxHours since the release:
// hours, or days past 10 days. scale() turns hours into the axis' unit.
struct TimeUnit {
  bool days = false;
  double scale(double hours) const { return days ? hours / 24 : hours; }
  const char* title() const {
    return days ? "Time since the release (d)" : "Time since the release (h)";
  }
};
TimeUnit timeUnitFor(double maxHours);

}  // namespace kaldero::figure
