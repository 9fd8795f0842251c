// Compact SVG charts drawn in memory from typed values, for the HTML report.
//
// A chart is one <svg> element that scales to its column (a viewBox and
// width="100%", no pixel size), with role="img", a <title> (and <desc>)
// for screen readers, text as <text> in the system's sans-serif font, and
// nothing external: no script, no style sheet, no image, no font. Screen
// coordinates are written to 0.1 unit of the viewBox (at most four
// significant digits in a 640 x 400 box), lines as relative path data, so
// that a line of 2,000 points takes about 15 KB. A value that is not
// finite (or not positive on a logarithmic axis) is a gap in its line,
// never written. Lines are clipped to the plot area, so fixed axis limits
// cut them cleanly. Series longer than the chart's point limit are thinned
// with numeric::decimate in screen space, keeping every visible extreme.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kaldero::svg {

enum class Scale { Linear, Log };

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
  // A CSS colour: "#rgb", "#rrggbb" or a colour name; empty or anything
  // else: the palette's colour for the series' place in the chart.
  std::string colour;
  bool dashed = false;
  Side axis = Side::Left;
  // Bars: the width of a bar in x units, centred on its x; 0: 0.8 of the
  // smallest spacing of the bars. Steps hold each y from its x to the next.
  double barWidth = 0;
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

// The part of a chart above one x axis.
struct Panel {
  Axis y;
  std::optional<Axis> y2;  // on the right, e.g. discharge
  std::vector<Series> series;
  std::vector<Marker> markers;
  std::vector<Band> bands;
  double weight = 1;  // share of the stack's height
};

struct Chart {
  std::string title;        // shown above the plot and read as the figure's name
  std::string description;  // read by screen readers only; none when empty
  Axis x, y;
  std::optional<Axis> y2;
  std::vector<Series> series;
  std::vector<Marker> markers;
  std::vector<Band> bands;
  LegendPlacement legend = LegendPlacement::Auto;
  double width = 640, height = 400;  // the viewBox
  std::size_t maxPoints = 2000;      // per series, at least 16; 0: no limit
};

// Panels one above the other sharing one x axis (its labels and title under
// the lowest), e.g. a fit with weight 3 above its residuals with weight 1.
struct ChartStack {
  std::string title;
  std::string description;
  Axis x;
  std::vector<Panel> panels;
  LegendPlacement legend = LegendPlacement::Auto;
  double width = 640, height = 480;
  std::size_t maxPoints = 2000;  // as in Chart
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
struct IntervalChart {
  std::string title;
  std::string description;
  Axis axis;
  std::vector<IntervalItem> items;
  double width = 640;
  double height = 0;  // 0: from the number of rows
};

// The SVG element of a chart. Every id in it begins with idPrefix (letters,
// digits, '-' and '_' are kept, any other character becomes '_'), so that
// several charts can share one page.
std::string renderChart(const Chart& chart, std::string_view idPrefix);
std::string renderStack(const ChartStack& stack, std::string_view idPrefix);
std::string renderIntervals(const IntervalChart& chart, std::string_view idPrefix);

// Values counted in equal bins between their smallest and largest finite
// value (the largest in the last bin). bins 0: the Freedman-Diaconis width
// 2 IQR n^(-1/3), or Sturges' log2(n) + 1 bins when the quartiles are equal,
// at most 100 bins. Identical values give one bin around them; no finite
// value gives no bin.
struct Histogram {
  std::vector<double> edges;        // bins + 1 ascending edges
  std::vector<std::size_t> counts;  // one per bin
};
Histogram histogram(std::span<const double> values, std::size_t bins = 0);

// The bins as touching bars at their centres.
Series histogramSeries(const Histogram& histogram, std::string label);

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

// The default colours, in the order series take them: Paul Tol's muted
// qualitative scheme (distinguishable with the common colour-vision
// deficiencies), darkest first, then black.
constexpr std::size_t kPaletteSize = 10;
std::string_view paletteColour(std::size_t index);

}  // namespace kaldero::svg
