#include "figure/draw.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <span>
#include <utility>

#include "core/encoding.h"
#include "numeric/decimation.h"

namespace kaldero::figure {

double textWidth(std::string_view utf8, double fontSize) {
  std::size_t n = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return static_cast<double>(n) * 0.58 * fontSize;
}

bool usableColour(std::string_view c) {
  if (c.empty() || c.size() > 30) return false;
  const auto hex = [](char ch) { return std::isxdigit(static_cast<unsigned char>(ch)) != 0; };
  if (c[0] == '#') {
    const std::size_t n = c.size() - 1;
    return (n == 3 || n == 6) && std::all_of(c.begin() + 1, c.end(), hex);
  }
  return std::all_of(c.begin(), c.end(),
                     [](char ch) { return std::isalpha(static_cast<unsigned char>(ch)) != 0; });
}

namespace {

constexpr double kTickLength = 4;
constexpr double kPanelGap = 14;
constexpr std::string_view kGridColour = "#e6e6e6";
constexpr std::string_view kFrameColour = "#444444";
constexpr std::string_view kMarkerColour = "#444444";
constexpr std::string_view kBandColour = "#777777";

std::string colourOr(std::string_view requested, std::string_view fallback) {
  return std::string(usableColour(requested) ? requested : fallback);
}

// A label cut to at most `width` with an ellipsis (UTF-8 in and out).
std::string fitText(std::string_view text, double width, double fontSize) {
  const std::string utf8 = text::utf8Text(text);
  if (textWidth(utf8, fontSize) <= width) return utf8;
  const auto keep = static_cast<std::size_t>(std::max(0.0, width / (0.58 * fontSize) - 1));
  std::string out;
  std::size_t n = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && n++ == keep) break;
    out += utf8[i];
  }
  return out + "\u2026";
}

double sanitizedSize(double v, double fallback, double smallest) {
  if (!std::isfinite(v) || v <= 0) return fallback;
  return std::clamp(v, smallest, 10000.0);
}

double sanitizedWeight(double w) { return std::isfinite(w) && w > 0 ? std::min(w, 1e6) : 1; }

// ---------------------------------------------------------------- geometry

struct Rect {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  double width() const { return x1 - x0; }
  double height() const { return y1 - y0; }
  bool contains(double x, double y, double slack = 0.5) const {
    return x >= x0 - slack && x <= x1 + slack && y >= y0 - slack && y <= y1 + slack;
  }
  bool overlaps(const Rect& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

Path rectPath(const Rect& r) {
  Path p;
  p.moveTo(r.x0, r.y0);
  p.lineTo(r.x1, r.y0);
  p.lineTo(r.x1, r.y1);
  p.lineTo(r.x0, r.y1);
  p.close();
  return p;
}

// Liang-Barsky: the part [t0, t1] of the segment a -> b inside r; false
// when it misses r.
bool clipSegment(const Rect& r, double ax, double ay, double bx, double by, double& t0,
                 double& t1) {
  t0 = 0;
  t1 = 1;
  const double dx = bx - ax, dy = by - ay;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax - r.x0, r.x1 - ax, ay - r.y0, r.y1 - ay};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  return true;
}

// A value's position along one axis; NaN for a value the axis cannot
// show. Far-off positions are held at +-1e9 (then clipped).
struct Mapping {
  bool log = false;
  double t0 = 0, t1 = 1;  // the axis ends, as log10 on a logarithmic axis
  double p0 = 0, p1 = 1;  // their positions

  Mapping() = default;
  Mapping(const Ticks& ticks, bool isLog, double from, double to)
      : log(isLog),
        t0(isLog ? std::log10(ticks.low) : ticks.low),
        t1(isLog ? std::log10(ticks.high) : ticks.high),
        p0(from),
        p1(to) {}

  double operator()(double v) const {
    if (!std::isfinite(v) || (log && !(v > 0))) return NAN;
    const double t = log ? std::log10(v) : v;
    const double p = p0 + (t / 2 - t0 / 2) / (t1 / 2 - t0 / 2) * (p1 - p0);
    return std::isnan(p) ? NAN : std::clamp(p, -1e9, 1e9);
  }
  // For band ends: the position, infinities and (log) non-positive values
  // at the ends of the axis.
  double edge(double v) const {
    if (std::isnan(v)) return NAN;
    if (v == INFINITY) return p1;
    if (v == -INFINITY || (log && !(v > 0))) return p0;
    return (*this)(v);
  }
};

// What is drawn in a plot, for placing the legend where it covers nothing.
struct Occupancy {
  std::vector<std::array<double, 4>> segments;
  std::vector<Rect> boxes;

  void segment(double ax, double ay, double bx, double by) { segments.push_back({ax, ay, bx, by}); }
  bool covers(const Rect& r) const {
    double t0, t1;
    for (const auto& s : segments)
      if (clipSegment(r, s[0], s[1], s[2], s[3], t0, t1)) return true;
    return std::any_of(boxes.begin(), boxes.end(), [&](const Rect& b) { return b.overlaps(r); });
  }
};

// A polyline through points (NaN: a gap) clipped to the plot. A point
// alone between gaps is a dot.
void polyline(const std::vector<Point>& points, const Rect& plot, Path& path,
              Occupancy& occupancy) {
  const auto finite = [&](std::size_t i) {
    return i < points.size() && std::isfinite(points[i].x) && std::isfinite(points[i].y);
  };
  bool penAtPrevious = false;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (!finite(i)) {
      penAtPrevious = false;
      continue;
    }
    const Point b = points[i];
    if (i == 0 || !finite(i - 1)) {
      penAtPrevious = false;
      if (!finite(i + 1) && plot.contains(b.x, b.y)) {
        path.dot(b.x, b.y);
        occupancy.segment(b.x, b.y, b.x, b.y);
      }
      continue;
    }
    const Point a = points[i - 1];
    double t0, t1;
    if (!clipSegment(plot, a.x, a.y, b.x, b.y, t0, t1)) {
      penAtPrevious = false;
      continue;
    }
    const double cx0 = a.x + t0 * (b.x - a.x), cy0 = a.y + t0 * (b.y - a.y);
    const double cx1 = a.x + t1 * (b.x - a.x), cy1 = a.y + t1 * (b.y - a.y);
    if (!penAtPrevious || t0 > 0) path.moveTo(cx0, cy0);
    path.lineTo(cx1, cy1);
    occupancy.segment(cx0, cy0, cx1, cy1);
    penAtPrevious = t1 == 1;
  }
}

// The part of the polygon inside the plot (Sutherland-Hodgman against the
// four edges); a shaded envelope is cut at the frame as a line is.
std::vector<Point> clipPolygon(std::vector<Point> poly, const Rect& r) {
  const auto cut = [&](auto inside, auto cross) {
    std::vector<Point> out;
    for (std::size_t i = 0; i < poly.size(); ++i) {
      const Point a = poly[i], b = poly[(i + 1) % poly.size()];
      const bool ia = inside(a), ib = inside(b);
      if (ia) out.push_back(a);
      if (ia != ib) out.push_back(cross(a, b));
    }
    poly = std::move(out);
  };
  const auto atX = [](Point a, Point b, double x) {
    return Point{x, a.y + (x - a.x) / (b.x - a.x) * (b.y - a.y)};
  };
  const auto atY = [](Point a, Point b, double y) {
    return Point{a.x + (y - a.y) / (b.y - a.y) * (b.x - a.x), y};
  };
  cut([&](Point p) { return p.x >= r.x0; }, [&](Point a, Point b) { return atX(a, b, r.x0); });
  cut([&](Point p) { return p.x <= r.x1; }, [&](Point a, Point b) { return atX(a, b, r.x1); });
  cut([&](Point p) { return p.y >= r.y0; }, [&](Point a, Point b) { return atY(a, b, r.y0); });
  cut([&](Point p) { return p.y <= r.y1; }, [&](Point a, Point b) { return atY(a, b, r.y1); });
  return poly;
}

// What is drawn into a canvas, kept to be drawn later (once the legend's
// place is known, the panels are drawn in order).
class Recording final : public Canvas {
 public:
  void begin(double, double, std::string_view, std::string_view) override {}
  void end() override {}
  void stroke(const Path& path, const Pen& pen) override {
    if (!path.empty()) ops_.push_back([path, pen](Canvas& c) { c.stroke(path, pen); });
  }
  void fill(const Path& path, const Paint& paint, const Pen* outline) override {
    if (path.empty()) return;
    std::optional<Pen> o;
    if (outline) o = *outline;
    ops_.push_back([path, paint, o](Canvas& c) { c.fill(path, paint, o ? &*o : nullptr); });
  }
  void circle(double x, double y, double r, const Paint& paint, const Pen* outline) override {
    std::optional<Pen> o;
    if (outline) o = *outline;
    ops_.push_back([=](Canvas& c) { c.circle(x, y, r, paint, o ? &*o : nullptr); });
  }
  void text(double x, double y, std::string_view utf8, const Font& font) override {
    ops_.push_back([x, y, s = std::string(utf8), font](Canvas& c) { c.text(x, y, s, font); });
  }
  void replay(Canvas& c) const {
    for (const auto& op : ops_) op(c);
  }

 private:
  std::vector<std::function<void(Canvas&)>> ops_;
};

// ---------------------------------------------------------------- legend

struct LegendEntry {
  std::string label;
  std::string colour;
  Style style = Style::Line;
  bool dashed = false;
  bool band = false;
  bool operator==(const LegendEntry&) const = default;
};

constexpr double kSwatch = 16;
constexpr double kLegendRow = 15;

double entryWidth(const LegendEntry& e) {
  return kSwatch + 5 + textWidth(text::utf8Text(e.label), kLegendFont);
}

void swatch(Canvas& c, const LegendEntry& e, double x, double y) {
  if (e.band || e.style == Style::Bars) {
    c.fill(rectPath({x + 2, y - 4, x + kSwatch - 2, y + 4}), {e.colour, e.band ? 0.35 : 1.0},
           nullptr);
    return;
  }
  if (e.style != Style::Points) {
    Path d;
    d.moveTo(x, y);
    d.lineTo(x + kSwatch, y);
    c.stroke(d, {e.colour, 2, e.dashed ? Dash::Medium : Dash::None, false});
  }
  if (e.style == Style::Points || e.style == Style::LinePoints) {
    Path d;
    d.dot(x + kSwatch / 2, y);
    c.stroke(d, {e.colour, 5, Dash::None, true});
  }
}

Rect legendBox(const std::vector<LegendEntry>& entries) {
  double width = 0;
  for (const auto& e : entries) width = std::max(width, entryWidth(e));
  return {0, 0, width + 12, static_cast<double>(entries.size()) * kLegendRow + 8};
}

void legendInside(Canvas& c, const std::vector<LegendEntry>& entries, const Rect& box) {
  const Pen outline{"#bbbbbb", 1, Dash::None, false};
  c.fill(rectPath(box), {"#ffffff", 0.85}, &outline);
  double y = box.y0 + 4 + kLegendRow / 2;
  for (const auto& e : entries) {
    swatch(c, e, box.x0 + 6, y);
    c.text(box.x0 + 6 + kSwatch + 5, y + 4, text::utf8Text(e.label), {kLegendFont});
    y += kLegendRow;
  }
}

// Rows of entries centred under the figure, each row within `width`.
std::vector<std::vector<const LegendEntry*>> legendRows(const std::vector<LegendEntry>& entries,
                                                        double width) {
  std::vector<std::vector<const LegendEntry*>> rows;
  double used = 0;
  for (const auto& e : entries) {
    const double w = entryWidth(e) + 16;
    if (rows.empty() || (used + w > width && !rows.back().empty())) {
      rows.emplace_back();
      used = 0;
    }
    rows.back().push_back(&e);
    used += w;
  }
  return rows;
}

// ---------------------------------------------------------------- panels

struct Extent {
  double low = INFINITY, high = -INFINITY;
  void add(double v, bool log) {
    if (!std::isfinite(v) || (log && !(v > 0))) return;
    low = std::min(low, v);
    high = std::max(high, v);
  }
};

bool isLog(const Axis* a) { return a && a->scale == Scale::Log; }
std::size_t pointCount(const Series& s) { return std::min(s.x.size(), s.y.size()); }
std::size_t pointCount(const Envelope& e) {
  return std::min({e.x.size(), e.low.size(), e.high.size()});
}

// The axis a series, marker or band of the panel uses (the left one when
// the panel has no right axis).
const Axis* axisFor(const Panel& p, Side side) {
  return side == Side::Right && p.y2 ? &*p.y2 : &p.y;
}

Extent xExtent(const Figure& f) {
  Extent e;
  const bool log = isLog(&f.x);
  for (const Panel& p : f.panels) {
    for (const Series& s : p.series) {
      const bool yLog = isLog(axisFor(p, s.axis));
      const double half = s.style == Style::Bars && s.barWidth > 0 ? s.barWidth / 2 : 0;
      for (std::size_t i = 0; i < pointCount(s); ++i) {
        if (!std::isfinite(s.y[i]) || (yLog && !(s.y[i] > 0))) continue;
        e.add(s.x[i] - half, log);
        e.add(s.x[i] + half, log);
      }
    }
    for (const Envelope& v : p.envelopes)
      for (std::size_t i = 0; i < pointCount(v); ++i)
        if (std::isfinite(v.low[i]) && std::isfinite(v.high[i])) e.add(v.x[i], log);
    for (const Band& b : p.bands)
      if (b.along == Band::Along::X) e.add(b.from, log), e.add(b.to, log);
    for (const Marker& m : p.markers)
      if (m.kind != Marker::Kind::Horizontal) e.add(m.x, log);
  }
  return e;
}

// The y values of one axis of a panel, of the points within the x axis's
// fixed ends (so that fixed x limits zoom in on y as well).
Extent yExtent(const Panel& p, Side side, const Axis& x) {
  Extent e;
  const Axis* axis = axisFor(p, side);
  const bool log = isLog(axis);
  const auto onAxis = [&](Side s) { return axisFor(p, s) == axis; };
  const auto xVisible = [&](double v) {
    return std::isfinite(v) && (!x.min || !std::isfinite(*x.min) || v >= *x.min) &&
           (!x.max || !std::isfinite(*x.max) || v <= *x.max);
  };
  for (const Series& s : p.series) {
    if (!onAxis(s.axis)) continue;
    for (std::size_t i = 0; i < pointCount(s); ++i)
      if (xVisible(s.x[i])) e.add(s.y[i], log);
    if (s.style == Style::Bars && !log && pointCount(s) > 0) e.add(0, false);
  }
  for (const Envelope& v : p.envelopes) {
    if (!onAxis(v.axis)) continue;
    for (std::size_t i = 0; i < pointCount(v); ++i)
      if (xVisible(v.x[i])) e.add(v.low[i], log), e.add(v.high[i], log);
  }
  for (const Band& b : p.bands)
    if (b.along == Band::Along::Y && onAxis(b.axis)) e.add(b.from, log), e.add(b.to, log);
  for (const Marker& m : p.markers)
    if (m.kind != Marker::Kind::Vertical && onAxis(m.axis)) e.add(m.y, log);
  return e;
}

std::string envelopeColour(const Envelope& e) { return colourOr(e.colour, paletteColour(0)); }

std::vector<LegendEntry> legendEntries(const Panel& p) {
  std::vector<LegendEntry> entries;
  for (const Band& b : p.bands)
    if (!b.label.empty())
      entries.push_back({b.label, colourOr(b.colour, kBandColour), Style::Bars, false, true});
  for (const Envelope& e : p.envelopes)
    if (!e.label.empty()) entries.push_back({e.label, envelopeColour(e), Style::Bars, false, true});
  for (std::size_t i = 0; i < p.series.size(); ++i) {
    const Series& s = p.series[i];
    if (s.label.empty()) continue;
    entries.push_back({s.label, colourOr(s.colour, paletteColour(i)), s.style, s.dashed, false});
  }
  return entries;
}

// The layout of one panel.
struct PanelLayout {
  Rect plot;
  Ticks yTicks, y2Ticks;
  Mapping y, y2;
};

struct Layout {
  double width = 0, height = 0;
  double titleY = 0;
  Ticks xTicks;
  Mapping x;
  std::vector<PanelLayout> panels;
  double xTitleY = 0;
  double legendTop = 0;  // of the legend below the plots
};

// The spaces between `count` ticks (one at least).
double gaps(std::size_t count) { return count > 1 ? static_cast<double>(count - 1) : 1.0; }

double widestLabel(const Ticks& t, double fontSize) {
  double w = 0;
  for (const auto& l : t.labels) w = std::max(w, textWidth(l, fontSize));
  return w;
}

Ticks ticksFor(const Axis& axis, const Extent& e, int maxTicks) {
  return axisTicks(axis, e.low, e.high, maxTicks);
}

// The x ticks that fit a plot of the width: as many as leave their labels
// apart.
Ticks fittingTicks(const Axis& axis, const Extent& e, double plotWidth) {
  Ticks t;
  for (int maxTicks = 8; maxTicks >= 2; --maxTicks) {
    t = ticksFor(axis, e, maxTicks);
    const double spacing = plotWidth / gaps(t.values.size());
    if (widestLabel(t, kTickFont) + 10 <= spacing || t.values.size() <= 2) break;
  }
  return t;
}

Layout layOut(const Figure& f, double legendBelowHeight) {
  Layout l;
  l.width = f.width;
  l.height = f.height;
  const double top = 8 + (f.title.empty() ? 0 : 22) + 6;
  l.titleY = 8 + kTitleFont;
  const double bottom =
      kTickLength + 4 + kTickFont + (f.x.title.empty() ? 0 : 18) + 6 + legendBelowHeight;
  const std::size_t n = f.panels.size();
  double totalWeight = 0;
  for (const Panel& p : f.panels) totalWeight += sanitizedWeight(p.weight);
  const double available =
      std::max(20.0 * static_cast<double>(n),
               f.height - top - bottom - kPanelGap * static_cast<double>(n - 1));

  // Heights first: they set the number of y ticks, whose labels set the
  // margins, which set the width and so the x ticks.
  double left = 0, right = 0;
  double y = top;
  l.panels.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Panel& p = f.panels[i];
    PanelLayout& pl = l.panels[i];
    const double h = available * sanitizedWeight(p.weight) / totalWeight;
    pl.plot.y0 = y;
    pl.plot.y1 = y + h;
    y += h + kPanelGap;
    const int maxTicks = std::clamp(static_cast<int>(h / 32) + 1, 2, 8);
    pl.yTicks = ticksFor(p.y, yExtent(p, Side::Left, f.x), maxTicks);
    left = std::max(left, (p.y.title.empty() ? 0 : 18) + widestLabel(pl.yTicks, kTickFont));
    if (p.y2) {
      pl.y2Ticks = ticksFor(*p.y2, yExtent(p, Side::Right, f.x), maxTicks);
      right = std::max(right, (p.y2->title.empty() ? 0 : 18) + widestLabel(pl.y2Ticks, kTickFont));
    }
  }
  left += 6 + kTickLength + 3;
  right = right > 0 ? right + 6 + kTickLength + 3 : 14;

  const Extent xe = xExtent(f);
  double plotWidth = std::max(20.0, f.width - left - right);
  l.xTicks = fittingTicks(f.x, xe, plotWidth);
  if (!l.xTicks.labels.empty())
    right = std::max(right, textWidth(l.xTicks.labels.back(), kTickFont) / 2 + 4);
  plotWidth = std::max(20.0, f.width - left - right);

  l.x = Mapping(l.xTicks, isLog(&f.x), left, left + plotWidth);
  for (std::size_t i = 0; i < n; ++i) {
    PanelLayout& pl = l.panels[i];
    pl.plot.x0 = left;
    pl.plot.x1 = left + plotWidth;
    pl.y = Mapping(pl.yTicks, isLog(&f.panels[i].y), pl.plot.y1, pl.plot.y0);
    if (f.panels[i].y2)
      pl.y2 = Mapping(pl.y2Ticks, isLog(&*f.panels[i].y2), pl.plot.y1, pl.plot.y0);
  }
  const double plotBottom = n ? l.panels.back().plot.y1 : top;
  l.xTitleY = plotBottom + kTickLength + 4 + kTickFont + 16;
  l.legendTop = f.height - legendBelowHeight;
  return l;
}

// The drawn content of a panel: grid, bands and envelopes behind, then
// the series, then the markers.
struct PanelDrawing {
  Recording drawn;
  Occupancy occupancy;
};

// The points a line keeps of its n: every one up to the figure's limit,
// else those numeric/decimation.h keeps on the screen positions (x, y).
std::vector<std::size_t> keptPoints(const std::vector<double>& x, const std::vector<double>& y,
                                    std::size_t maxPoints) {
  if (maxPoints > 0 && x.size() > maxPoints) return numeric::decimate(x, y, maxPoints);
  std::vector<std::size_t> all(x.size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
  return all;
}

void drawSeries(Canvas& c, const Series& s, const std::string& colour, const Mapping& mx,
                const Mapping& my, const Rect& plot, std::size_t maxPoints, Occupancy& occupancy) {
  const std::size_t n = pointCount(s);
  std::vector<double> sx(n), sy(n);
  for (std::size_t i = 0; i < n; ++i) {
    sx[i] = mx(s.x[i]);
    sy[i] = my(s.y[i]);
  }
  const std::vector<std::size_t> kept = keptPoints(sx, sy, maxPoints);
  if (s.style == Style::Line || s.style == Style::LinePoints || s.style == Style::Steps) {
    std::vector<Point> points;
    points.reserve(kept.size() * (s.style == Style::Steps ? 2 : 1));
    for (std::size_t k = 0; k < kept.size(); ++k) {
      const std::size_t i = kept[k];
      points.push_back({sx[i], sy[i]});
      // A step holds its y until the next x; a gap point ends it there.
      if (s.style == Style::Steps && k + 1 < kept.size() && std::isfinite(sy[i]))
        points.push_back({sx[kept[k + 1]], sy[i]});
    }
    Path d;
    polyline(points, plot, d, occupancy);
    c.stroke(d, {colour, 1.6, s.dashed ? Dash::Long : Dash::None, true});
  }
  if (s.style == Style::Points || s.style == Style::LinePoints) {
    Path d;
    for (std::size_t i : kept) {
      if (!std::isfinite(sx[i]) || !std::isfinite(sy[i]) || !plot.contains(sx[i], sy[i])) continue;
      d.dot(sx[i], sy[i]);
      occupancy.segment(sx[i], sy[i], sx[i], sy[i]);
    }
    c.stroke(d, {colour, 4.5, Dash::None, true});
  }
  if (s.style == Style::Bars) {
    // The baseline: 0 on a linear axis (held within the plot), the bottom
    // of a logarithmic one.
    const double zero = my.log ? plot.y1 : my(0.0);
    const double base = std::isfinite(zero) ? std::clamp(zero, plot.y0, plot.y1) : plot.y1;
    double automatic = plot.width() / 10;
    double previous = NAN;
    for (std::size_t i : kept) {
      if (!std::isfinite(sx[i]) || !std::isfinite(sy[i])) continue;
      if (std::isfinite(previous) && sx[i] - previous > 0.01)
        automatic = std::min(automatic, (sx[i] - previous) * 0.8);
      previous = sx[i];
    }
    automatic = std::max(automatic, 1.0);
    Path d;
    for (std::size_t i : kept) {
      if (!std::isfinite(sx[i]) || !std::isfinite(sy[i])) continue;
      double left = sx[i] - automatic / 2, right = sx[i] + automatic / 2;
      if (s.barWidth > 0 && std::isfinite(s.barWidth)) {
        const double l = mx(s.x[i] - s.barWidth / 2), r = mx(s.x[i] + s.barWidth / 2);
        if (std::isfinite(l) && std::isfinite(r)) left = l, right = r;
      }
      left = std::max(left, plot.x0);
      right = std::min(right, plot.x1);
      const double top = std::clamp(sy[i], plot.y0, plot.y1);
      if (right - left < 0.05 || std::abs(top - base) < 0.05) continue;
      d.moveTo(left, top);
      d.lineTo(right, top);
      d.lineTo(right, base);
      d.lineTo(left, base);
      d.close();
      occupancy.boxes.push_back({left, std::min(top, base), right, std::max(top, base)});
    }
    const Pen outline{"#ffffff", 0.5, Dash::None, false};
    c.fill(d, {colour, 0.8}, &outline);
  }
}

// An envelope: the band between its lower and upper curve, a polygon for
// every run of finite points, cut at the frame.
void drawEnvelope(Canvas& c, const Envelope& e, const Mapping& mx, const Mapping& my,
                  const Rect& plot, std::size_t maxPoints) {
  const std::size_t n = pointCount(e);
  std::vector<double> sx(n), lo(n), hi(n);
  for (std::size_t i = 0; i < n; ++i) {
    sx[i] = mx(e.x[i]);
    lo[i] = my(e.low[i]);
    hi[i] = my(e.high[i]);
  }
  // Thinned by the upper curve's shape, the lower one at the same points.
  const std::vector<std::size_t> kept = keptPoints(sx, hi, maxPoints);
  Path d;
  std::vector<Point> upper, lower;
  const auto flush = [&] {
    if (upper.size() >= 2) {
      std::vector<Point> poly = upper;
      poly.insert(poly.end(), lower.rbegin(), lower.rend());
      poly = clipPolygon(std::move(poly), plot);
      if (poly.size() >= 3) {
        d.moveTo(poly[0].x, poly[0].y);
        for (std::size_t k = 1; k < poly.size(); ++k) d.lineTo(poly[k].x, poly[k].y);
        d.close();
      }
    }
    upper.clear();
    lower.clear();
  };
  for (std::size_t i : kept) {
    if (!std::isfinite(sx[i]) || !std::isfinite(lo[i]) || !std::isfinite(hi[i])) {
      flush();
      continue;
    }
    upper.push_back({sx[i], hi[i]});
    lower.push_back({sx[i], lo[i]});
  }
  flush();
  c.fill(d, {envelopeColour(e), 0.25}, nullptr);
}

void drawBand(Canvas& c, const Band& b, const Mapping& m, bool alongX, const Rect& plot) {
  double a = m.edge(b.from), z = m.edge(b.to);
  if (std::isnan(a) || std::isnan(z)) return;
  if (a > z) std::swap(a, z);
  Rect r = plot;
  if (alongX) {
    r.x0 = std::max(plot.x0, a);
    r.x1 = std::min(plot.x1, z);
  } else {
    r.y0 = std::max(plot.y0, a);
    r.y1 = std::min(plot.y1, z);
  }
  if (r.width() <= 0 || r.height() <= 0) return;
  c.fill(rectPath(r), {colourOr(b.colour, kBandColour), 0.18}, nullptr);
}

const Mapping& yMapping(const Panel& p, const PanelLayout& pl, Side side) {
  return axisFor(p, side) == &p.y ? pl.y : pl.y2;
}

void drawMarkers(Canvas& c, const Panel& p, const PanelLayout& pl, const Mapping& mx,
                 Occupancy& occupancy) {
  const Rect& plot = pl.plot;
  int vertical = 0;
  for (const Marker& m : p.markers) {
    const Mapping& my = yMapping(p, pl, m.axis);
    const std::string colour = colourOr(m.colour, kMarkerColour);
    const double lw = textWidth(text::utf8Text(m.label), kMarkerFont);
    const Pen dashed{colour, 1.2, Dash::Short, false};
    const double sx = mx(m.x), sy = my(m.y);
    double tx = 0, ty = 0;
    bool toLeft = false;
    if (m.kind == Marker::Kind::Vertical) {
      if (!std::isfinite(sx) || !plot.contains(sx, plot.y0, 0.01)) continue;
      Path d;
      d.moveTo(sx, plot.y0);
      d.lineTo(sx, plot.y1);
      c.stroke(d, dashed);
      occupancy.segment(sx, plot.y0, sx, plot.y1);
      toLeft = sx + 4 + lw > plot.x1;
      tx = toLeft ? sx - 4 : sx + 4;
      ty = plot.y0 + 12 + 12 * (vertical++ % 3);  // several markers' labels stagger
    } else if (m.kind == Marker::Kind::Horizontal) {
      if (!std::isfinite(sy) || !plot.contains(plot.x0, sy, 0.01)) continue;
      Path d;
      d.moveTo(plot.x0, sy);
      d.lineTo(plot.x1, sy);
      c.stroke(d, dashed);
      occupancy.segment(plot.x0, sy, plot.x1, sy);
      toLeft = true;
      tx = plot.x1 - 4;
      ty = sy - 14 < plot.y0 ? sy + 12 : sy - 4;
    } else {
      if (!std::isfinite(sx) || !std::isfinite(sy) || !plot.contains(sx, sy, 0.01)) continue;
      const Pen white{"#ffffff", 1, Dash::None, false};
      c.circle(sx, sy, 4, {colour, 1}, &white);
      occupancy.boxes.push_back({sx - 4, sy - 4, sx + 4, sy + 4});
      toLeft = sx + 7 + lw > plot.x1;
      tx = toLeft ? sx - 7 : sx + 7;
      ty = sy - 17 < plot.y0 ? sy + 15 : sy - 7;
    }
    if (m.label.empty()) continue;
    Font f{kMarkerFont, toLeft ? Anchor::End : Anchor::Start};
    f.colour = colour;
    const double x0 = toLeft ? tx - lw : tx;
    // A light ground under the label, so that a line crossing it does not
    // cross out its letters.
    c.fill(rectPath({x0 - 1, ty - 9, x0 + lw + 1, ty + 2}), {"#ffffff", 0.8}, nullptr);
    c.text(tx, ty, text::utf8Text(m.label), f);
    occupancy.boxes.push_back({x0, ty - 9, x0 + lw, ty + 2});
  }
}

void drawPanel(const Figure& f, const Layout& l, std::size_t index, PanelDrawing& out) {
  const Panel& p = f.panels[index];
  const PanelLayout& pl = l.panels[index];
  const Rect& plot = pl.plot;
  Canvas& c = out.drawn;
  // Grid lines at the labelled ticks.
  Path grid;
  for (double t : l.xTicks.values) {
    const double x = l.x(t);
    if (std::isfinite(x) && x > plot.x0 + 0.5 && x < plot.x1 - 0.5) {
      grid.moveTo(x, plot.y0);
      grid.lineTo(x, plot.y1);
    }
  }
  for (double t : pl.yTicks.values) {
    const double y = pl.y(t);
    if (std::isfinite(y) && y > plot.y0 + 0.5 && y < plot.y1 - 0.5) {
      grid.moveTo(plot.x0, y);
      grid.lineTo(plot.x1, y);
    }
  }
  c.stroke(grid, {std::string(kGridColour), 1, Dash::None, false});
  for (const Band& b : p.bands) {
    const bool alongX = b.along == Band::Along::X;
    drawBand(c, b, alongX ? l.x : yMapping(p, pl, b.axis), alongX, plot);
  }
  for (const Envelope& e : p.envelopes)
    drawEnvelope(c, e, l.x, yMapping(p, pl, e.axis), plot, f.maxPoints);
  for (std::size_t i = 0; i < p.series.size(); ++i) {
    const Series& s = p.series[i];
    drawSeries(c, s, colourOr(s.colour, paletteColour(i)), l.x, yMapping(p, pl, s.axis), plot,
               f.maxPoints, out.occupancy);
  }
  drawMarkers(c, p, pl, l.x, out.occupancy);
}

// Frame, ticks and their labels, and the axis titles of a panel.
void drawAxes(Canvas& c, const Figure& f, const Layout& l, std::size_t index) {
  const Panel& p = f.panels[index];
  const PanelLayout& pl = l.panels[index];
  const Rect& plot = pl.plot;
  const bool lowest = index + 1 == f.panels.size();
  Path ticks;
  const auto xTick = [&](double t, double length) {
    const double x = l.x(t);
    if (!std::isfinite(x) || x < plot.x0 - 0.5 || x > plot.x1 + 0.5) return;
    ticks.moveTo(x, plot.y1);
    ticks.lineTo(x, plot.y1 + length);
  };
  const auto yTick = [&](const Mapping& m, double t, double x, double length) {
    const double y = m(t);
    if (!std::isfinite(y) || y < plot.y0 - 0.5 || y > plot.y1 + 0.5) return;
    ticks.moveTo(x, y);
    ticks.lineTo(x + length, y);
  };
  for (double t : l.xTicks.values) xTick(t, kTickLength);
  for (double t : l.xTicks.minor) xTick(t, kTickLength / 2);
  for (double t : pl.yTicks.values) yTick(pl.y, t, plot.x0, -kTickLength);
  for (double t : pl.yTicks.minor) yTick(pl.y, t, plot.x0, -kTickLength / 2);
  if (p.y2) {
    for (double t : pl.y2Ticks.values) yTick(pl.y2, t, plot.x1, kTickLength);
    for (double t : pl.y2Ticks.minor) yTick(pl.y2, t, plot.x1, kTickLength / 2);
  }
  const Pen frame{std::string(kFrameColour), 1, Dash::None, false};
  c.stroke(ticks, frame);
  Path box = rectPath(plot);
  c.stroke(box, frame);

  // Tick labels: the y axes beside their ticks, the x axis under the lowest
  // panel only.
  const auto yLabels = [&](const Ticks& t, const Mapping& m, double x, Anchor anchor) {
    for (std::size_t i = 0; i < t.values.size(); ++i) {
      const double y = m(t.values[i]);
      if (std::isfinite(y) && y >= plot.y0 - 0.5 && y <= plot.y1 + 0.5)
        c.text(x, y + 4, t.labels[i], {kTickFont, anchor});
    }
  };
  yLabels(pl.yTicks, pl.y, plot.x0 - kTickLength - 3, Anchor::End);
  if (p.y2) yLabels(pl.y2Ticks, pl.y2, plot.x1 + kTickLength + 3, Anchor::Start);
  if (lowest) {
    for (std::size_t i = 0; i < l.xTicks.values.size(); ++i) {
      const double x = l.x(l.xTicks.values[i]);
      if (std::isfinite(x) && x >= plot.x0 - 0.5 && x <= plot.x1 + 0.5)
        c.text(x, plot.y1 + kTickLength + 3 + kTickFont - 1, l.xTicks.labels[i],
               {kTickFont, Anchor::Middle});
    }
  }
  const double middle = (plot.y0 + plot.y1) / 2;
  const auto yTitle = [&](const Axis& axis, double x) {
    if (axis.title.empty()) return;
    Font font{kAxisFont, Anchor::Middle};
    font.vertical = true;
    c.text(x, middle, fitText(axis.title, plot.height() + 30, kAxisFont), font);
  };
  yTitle(p.y, 6 + kAxisFont);
  if (p.y2) yTitle(*p.y2, l.width - 6);
}

}  // namespace

void draw(const Figure& figure, Canvas& canvas) {
  Figure f = figure;
  if (f.panels.empty()) f.panels.emplace_back();
  f.width = sanitizedSize(f.width, 560, 160);
  f.height = sanitizedSize(f.height, 360, 100 + 40 * static_cast<double>(f.panels.size() - 1));
  f.maxPoints = f.maxPoints == 0 ? 0 : std::max<std::size_t>(f.maxPoints, 16);
  const std::size_t n = f.panels.size();
  std::vector<std::vector<LegendEntry>> entries(n);
  std::vector<bool> below(n, false), inside(n, false);
  for (std::size_t i = 0; i < n; ++i) {
    entries[i] = legendEntries(f.panels[i]);
    if (entries[i].empty() || f.legend == LegendPlacement::None) continue;
    (f.legend == LegendPlacement::Below ? below : inside)[i] = true;
  }

  // Lay out, draw, and move a legend that finds no free corner below the
  // plots; that shrinks the plots, so the others are checked again.
  Layout layout;
  std::vector<PanelDrawing> drawings;
  std::vector<Rect> legendAt(n);
  std::vector<LegendEntry> belowEntries;
  std::vector<std::vector<const LegendEntry*>> rows;
  for (std::size_t attempt = 0; attempt <= n + 1; ++attempt) {
    belowEntries.clear();
    for (std::size_t i = 0; i < n; ++i)
      if (below[i])
        for (const auto& e : entries[i])
          if (std::find(belowEntries.begin(), belowEntries.end(), e) == belowEntries.end())
            belowEntries.push_back(e);
    rows = legendRows(belowEntries, f.width - 20);
    const double belowHeight = rows.empty() ? 0 : static_cast<double>(rows.size()) * 16 + 4;
    layout = layOut(f, belowHeight);
    drawings = std::vector<PanelDrawing>(n);
    for (std::size_t i = 0; i < n; ++i) drawPanel(f, layout, i, drawings[i]);
    bool moved = false;
    for (std::size_t i = 0; i < n; ++i) {
      if (!inside[i]) continue;
      const Rect& plot = layout.panels[i].plot;
      const Rect size = legendBox(entries[i]);
      bool found = false;
      if (size.width() <= plot.width() * 0.6 && size.height() <= plot.height() * 0.7) {
        const double left = plot.x0 + 6, right = plot.x1 - 6 - size.width();
        const double top = plot.y0 + 6, bottom = plot.y1 - 6 - size.height();
        const std::array<std::pair<double, double>, 4> corners{
            {{right, top}, {left, top}, {right, bottom}, {left, bottom}}};
        for (const auto& [x, y] : corners) {
          const Rect box{x, y, x + size.width(), y + size.height()};
          if (!drawings[i].occupancy.covers(box)) {
            legendAt[i] = box;
            found = true;
            break;
          }
        }
      }
      if (!found) {
        inside[i] = false;
        below[i] = true;
        moved = true;
      }
    }
    if (!moved) break;
  }

  std::string title = f.title;
  if (title.empty())
    title = !f.panels.front().y.title.empty() && !f.x.title.empty()
                ? "Chart of " + f.panels.front().y.title + " against " + f.x.title
                : "Chart";
  canvas.begin(f.width, f.height, text::utf8Text(title), text::utf8Text(f.description));
  if (!f.title.empty()) {
    Font font{kTitleFont, Anchor::Middle};
    font.bold = true;
    canvas.text(f.width / 2, layout.titleY, fitText(f.title, f.width - 20, kTitleFont), font);
  }
  for (std::size_t i = 0; i < n; ++i) {
    canvas.beginGroup();
    drawings[i].drawn.replay(canvas);
    drawAxes(canvas, f, layout, i);
    if (inside[i]) legendInside(canvas, entries[i], legendAt[i]);
    canvas.endGroup();
  }
  if (!f.x.title.empty() && n > 0) {
    const Rect& plot = layout.panels.back().plot;
    canvas.text((plot.x0 + plot.x1) / 2, layout.xTitleY,
                fitText(f.x.title, plot.width(), kAxisFont), {kAxisFont, Anchor::Middle});
  }
  double y = layout.legendTop + 10;
  for (const auto& row : rows) {
    double rowWidth = -16;
    for (const LegendEntry* e : row) rowWidth += entryWidth(*e) + 16;
    double x = std::max(10.0, (f.width - rowWidth) / 2);
    for (const LegendEntry* e : row) {
      swatch(canvas, *e, x, y);
      canvas.text(x + kSwatch + 5, y + 4, fitText(e->label, f.width - 40, kLegendFont),
                  {kLegendFont});
      x += entryWidth(*e) + 16;
    }
    y += 16;
  }
  canvas.end();
}

void draw(const IntervalFigure& chart, Canvas& canvas) {
  const std::size_t n = chart.items.size();
  const double width = sanitizedSize(chart.width, 560, 160);
  const double top = 8 + (chart.title.empty() ? 0 : 22) + 6;
  const double bottom = kTickLength + 4 + kTickFont + (chart.axis.title.empty() ? 0 : 18) + 6;
  const double rowsHeight = 26 * static_cast<double>(std::max<std::size_t>(n, 1));
  const double height = chart.height > 0 ? sanitizedSize(chart.height, 0, 100)
                                         : std::min(10000.0, top + bottom + rowsHeight);
  const double rowHeight =
      (height - top - bottom) / static_cast<double>(std::max<std::size_t>(n, 1));

  std::vector<std::string> labels;
  double labelWidth = 0;
  for (const auto& item : chart.items) {
    labels.push_back(fitText(item.label, width * 0.4, kTickFont));
    labelWidth = std::max(labelWidth, textWidth(labels.back(), kTickFont));
  }
  const bool log = chart.axis.scale == Scale::Log;
  Extent e;
  for (const auto& item : chart.items)
    e.add(item.value, log), e.add(item.low, log), e.add(item.high, log);
  const double left = labelWidth + 14;
  double right = 14;
  const Ticks ticks = fittingTicks(chart.axis, e, std::max(20.0, width - left - right));
  if (!ticks.labels.empty())
    right = std::max(right, textWidth(ticks.labels.back(), kTickFont) / 2 + 4);
  const Rect plot{left, top, std::max(left + 20, width - right), height - bottom};
  const Mapping mx(ticks, log, plot.x0, plot.x1);

  canvas.begin(width, height,
               text::utf8Text(chart.title.empty() ? std::string("Intervals") : chart.title),
               text::utf8Text(chart.description));
  if (!chart.title.empty()) {
    Font font{kTitleFont, Anchor::Middle};
    font.bold = true;
    canvas.text(width / 2, 8 + kTitleFont, fitText(chart.title, width - 20, kTitleFont), font);
  }
  Path grid, tickMarks;
  for (double t : ticks.values) {
    const double x = mx(t);
    if (!std::isfinite(x) || x < plot.x0 - 0.5 || x > plot.x1 + 0.5) continue;
    grid.moveTo(x, plot.y0);
    grid.lineTo(x, plot.y1);
    tickMarks.moveTo(x, plot.y1);
    tickMarks.lineTo(x, plot.y1 + kTickLength);
  }
  for (double t : ticks.minor) {
    const double x = mx(t);
    if (!std::isfinite(x) || x < plot.x0 - 0.5 || x > plot.x1 + 0.5) continue;
    tickMarks.moveTo(x, plot.y1);
    tickMarks.lineTo(x, plot.y1 + kTickLength / 2);
  }
  canvas.stroke(grid, {std::string(kGridColour), 1, Dash::None, false});
  for (std::size_t i = 0; i < n; ++i) {
    const IntervalItem& item = chart.items[i];
    const std::string colour = colourOr(item.colour, paletteColour(0));
    const double y = plot.y0 + (static_cast<double>(i) + 0.5) * rowHeight;
    double a = mx(item.low), b = mx(item.high);
    if (std::isfinite(a) && std::isfinite(b)) {
      if (a > b) std::swap(a, b);
      Path bar;
      double t0, t1;
      if (clipSegment(plot, a, y, b, y, t0, t1)) {
        bar.moveTo(a + t0 * (b - a), y);
        bar.lineTo(a + t1 * (b - a), y);
      }
      for (double end : {a, b}) {
        if (end >= plot.x0 - 0.5 && end <= plot.x1 + 0.5) {
          bar.moveTo(end, y - 5);
          bar.lineTo(end, y + 5);
        }
      }
      canvas.stroke(bar, {colour, 2, Dash::None, false});
    }
    const double x = mx(item.value);
    if (std::isfinite(x) && plot.contains(x, y, 0.01)) {
      const Pen white{"#ffffff", 1, Dash::None, false};
      canvas.circle(x, y, 4.5, {colour, 1}, &white);
    }
  }
  const Pen frame{std::string(kFrameColour), 1, Dash::None, false};
  canvas.stroke(tickMarks, frame);
  canvas.stroke(rectPath(plot), frame);
  for (std::size_t i = 0; i < n; ++i)
    canvas.text(plot.x0 - 8, plot.y0 + (static_cast<double>(i) + 0.5) * rowHeight + 4, labels[i],
                {kTickFont, Anchor::End});
  for (std::size_t i = 0; i < ticks.values.size(); ++i) {
    const double x = mx(ticks.values[i]);
    if (std::isfinite(x) && x >= plot.x0 - 0.5 && x <= plot.x1 + 0.5)
      canvas.text(x, plot.y1 + kTickLength + 3 + kTickFont - 1, ticks.labels[i],
                  {kTickFont, Anchor::Middle});
  }
  if (!chart.axis.title.empty())
    canvas.text((plot.x0 + plot.x1) / 2, plot.y1 + kTickLength + 4 + kTickFont + 16,
                fitText(chart.axis.title, plot.width(), kAxisFont), {kAxisFont, Anchor::Middle});
  canvas.end();
}

}  // namespace kaldero::figure
