// The SVG charts of the report: layout (margins from the tick labels,
// panels sharing the plot width), nice ticks, series clipped to the plot
// area and written as compact path data, markers, bands and a legend
// placed where it covers no data.
#include "report/svg_chart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>

#include "core/encoding.h"
#include "numeric/decimation.h"

namespace kaldero::svg {
namespace {

constexpr std::array<std::string_view, kPaletteSize> kPalette{
    "#332288", "#CC6677", "#117733", "#882255", "#44AA99",
    "#999933", "#AA4499", "#88CCEE", "#DDCC77", "#000000"};

constexpr double kTickFont = 11;
constexpr double kAxisFont = 12;
constexpr double kTitleFont = 14;
constexpr double kLegendFont = 11;
constexpr double kMarkerFont = 10;
constexpr double kTickLength = 4;
constexpr double kPanelGap = 14;
constexpr std::string_view kGridColour = "#e6e6e6";
constexpr std::string_view kFrameColour = "#444";
constexpr std::string_view kMarkerColour = "#444";
constexpr std::string_view kBandColour = "#777";

// ---------------------------------------------------------------- texts

// Text for XML content and attribute values, on one line: valid UTF-8
// kept, other bytes read as Windows-1252 (the code page of the program's
// files), tabs and line breaks as spaces, the characters XML does not
// allow (and the C1 controls) as U+FFFD.
std::string xmlText(std::string_view in) {
  std::string out;
  out.reserve(in.size() + 8);
  for (std::size_t i = 0; i < in.size();) {
    auto [c, length] = text::decodeUtf8(in, i);
    if (length == 0) {
      c = text::windows1252CodePoint(static_cast<unsigned char>(in[i]));
      if (c == 0) c = 0xFFFD;
      length = 1;
    }
    i += length;
    switch (c) {
      case '&':
        out += "&amp;";
        continue;
      case '<':
        out += "&lt;";
        continue;
      case '>':
        out += "&gt;";
        continue;
      case '"':
        out += "&quot;";
        continue;
      case '\'':
        out += "&#39;";
        continue;
      case '\t':
      case '\n':
      case '\r':
      case '\f':
        out += ' ';
        continue;
      default:
        break;
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFFFE || c == 0xFFFF) c = 0xFFFD;
    text::appendUtf8(out, c);
  }
  return out;
}

std::size_t codePoints(std::string_view utf8) {
  std::size_t n = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

// The width of a text in the sans-serif font, estimated (no font metrics
// in memory): an average advance of 0.58 em.
double textWidth(std::string_view text, double fontSize) {
  return static_cast<double>(codePoints(text)) * 0.58 * fontSize;
}

// A label cut to at most `width` with an ellipsis (UTF-8 in and out).
std::string fitText(std::string_view utf8, double width, double fontSize) {
  if (textWidth(utf8, fontSize) <= width) return std::string(utf8);
  const auto keep = static_cast<std::size_t>(std::max(0.0, width / (0.58 * fontSize) - 1));
  std::string out;
  std::size_t n = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && n++ == keep) break;
    out += utf8[i];
  }
  return out + "\u2026";
}

// ---------------------------------------------------------------- numbers

// A coordinate in tenths of a unit, written briefly: "12.3", "-4", and in
// path data (`bare`) ".5" for 0.5.
void appendTenths(std::string& out, long long t, bool bare) {
  if (t < 0) {
    out += '-';
    t = -t;
  }
  const long long whole = t / 10, tenth = t % 10;
  if (whole != 0 || !bare || tenth == 0) out += std::to_string(whole);
  if (tenth != 0) {
    out += '.';
    out += static_cast<char>('0' + tenth);
  }
}

long long tenths(double v) {
  // Coordinates are clipped to the viewBox before they get here; the clamp
  // keeps a stray value from overflowing the conversion, NaN is never
  // written.
  if (!std::isfinite(v)) return 0;
  return std::llround(std::clamp(v, -1e7, 1e7) * 10);
}

std::string num(double v) {
  std::string s;
  appendTenths(s, tenths(v), false);
  return s;
}

// ---------------------------------------------------------------- colours

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// A colour a caller asked for, when it is one CSS understands without
// quoting: "#rgb", "#rgba", "#rrggbb", "#rrggbbaa" or a name of letters.
bool usableColour(std::string_view c) {
  if (c.empty() || c.size() > 30) return false;
  if (c[0] == '#') {
    const std::size_t n = c.size() - 1;
    return (n == 3 || n == 4 || n == 6 || n == 8) && std::all_of(c.begin() + 1, c.end(), isHex);
  }
  return std::all_of(c.begin(), c.end(),
                     [](char ch) { return std::isalpha(static_cast<unsigned char>(ch)) != 0; });
}

std::string colourOr(std::string_view requested, std::string_view fallback) {
  return std::string(usableColour(requested) ? requested : fallback);
}

// ---------------------------------------------------------------- ticks

const char* const kSuperscripts[] = {"\u2070", "\u00B9", "\u00B2", "\u00B3", "\u2074",
                                     "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};

std::string superscript(int e) {
  std::string out = e < 0 ? "\u207B" : "";
  for (const char c : std::to_string(std::abs(e))) out += kSuperscripts[c - '0'];
  return out;
}

// The minus sign of typesetting instead of the hyphen.
std::string withMinus(std::string s) {
  if (!s.empty() && s[0] == '-') {
    if (s.find_first_not_of("-0.") == std::string::npos) return s.substr(1);  // "-0.0"
    s.replace(0, 1, "\u2212");
  }
  return s;
}

std::string fixedText(double v, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
  return withMinus(buffer);
}

// m × 10^k exactly as the decimal number reads (the nearest double).
double decimal(long long m, int k) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%llde%d", m, k);
  return std::strtod(buffer, nullptr);
}

bool needsExponent(double maxAbs) { return maxAbs >= 1e5 || (maxAbs > 0 && maxAbs < 1e-3); }

// Labels of linear ticks at multiples of a step m × 10^k.
std::vector<std::string> linearLabels(const std::vector<double>& values, int k) {
  double maxAbs = 0;
  for (double v : values) maxAbs = std::max(maxAbs, std::abs(v));
  std::vector<std::string> labels;
  const int e = maxAbs > 0 ? static_cast<int>(std::floor(std::log10(maxAbs) + 1e-9)) : 0;
  if (needsExponent(maxAbs) && e - k <= 3) {
    for (double v : values) {
      if (v == 0) {
        labels.push_back("0");
      } else {
        labels.push_back(fixedText(v / decimal(1, e), std::max(0, e - k)) + "\u00D710" +
                         superscript(e));
      }
    }
  } else {
    for (double v : values) labels.push_back(fixedText(v, std::max(0, -k)));
  }
  return labels;
}

// Ticks at multiples of 1, 2 or 5 × 10^k between lo and hi, the open ends
// widened to the nearest tick outside.
Ticks linearTicks(double lo, double hi, bool fixLo, bool fixHi, int maxTicks) {
  const int target = std::min(6, maxTicks);
  const int k0 = static_cast<int>(std::floor(std::log10((hi - lo) / 6)));
  struct Choice {
    long long i0 = 0, i1 = -1;
    long long m = 1;
    int k = 0;
    double score = INFINITY;
  } best;
  for (int k = k0 - 1; k <= k0 + 2; ++k) {
    for (long long m : {1, 2, 5}) {
      const double step = decimal(m, k);
      const double a = lo / step, b = hi / step;
      const auto i0 = static_cast<long long>(fixLo ? std::ceil(a - 1e-9) : std::floor(a + 1e-9));
      const auto i1 = static_cast<long long>(fixHi ? std::floor(b + 1e-9) : std::ceil(b - 1e-9));
      const long long count = i1 - i0 + 1;
      // The count nearest the target; between equally near counts, the
      // axis that wastes the least of its length beyond the data (the
      // fraction is below 1), then the larger step.
      const double axisSpan = (fixHi ? hi : decimal(i1 * m, k)) - (fixLo ? lo : decimal(i0 * m, k));
      const double waste = axisSpan > 0 ? std::max(0.0, 1 - (hi - lo) / axisSpan) : 1;
      double score = std::abs(static_cast<double>(count - target)) + waste;
      if (count > maxTicks) score += 100;
      if (count < 2) score += 50;
      if (score <= best.score) best = {i0, i1, m, k, score};
    }
  }
  Ticks ticks;
  for (long long i = best.i0; i <= best.i1; ++i) {
    ticks.values.push_back(decimal(i * best.m, best.k));
  }
  ticks.low = fixLo || ticks.values.empty() ? lo : std::min(lo, ticks.values.front());
  ticks.high = fixHi || ticks.values.empty() ? hi : std::max(hi, ticks.values.back());
  ticks.labels = linearLabels(ticks.values, best.k);
  return ticks;
}

int decadeBelow(double v) { return static_cast<int>(std::floor(std::log10(v) + 1e-9)); }
int decadeAbove(double v) { return static_cast<int>(std::ceil(std::log10(v) - 1e-9)); }

Ticks logTicks(double lo, double hi, bool fixLo, bool fixHi, int maxTicks) {
  int e0 = decadeBelow(lo), e1 = decadeAbove(hi);
  if (!fixLo && !fixHi && e0 == e1) --e0, ++e1;
  if (!fixLo) lo = decimal(1, e0);
  if (!fixHi) hi = decimal(1, e1);
  const auto inside = [&](double v) { return v >= lo * (1 - 1e-9) && v <= hi * (1 + 1e-9); };
  const int first = decadeAbove(lo), last = decadeBelow(hi);
  const int decades = last - first + 1;
  const int every = std::max(1, (decades + maxTicks - 1) / maxTicks);
  struct Tick {
    double value;
    long long m;
    int k;
  };
  std::vector<Tick> labelled;
  for (int k = first; k <= last; ++k)
    if (k % every == 0) labelled.push_back({decimal(1, k), 1, k});
  // Over few decades 2 and 5 are labelled too, within a decade every digit.
  const auto addMultiples = [&](std::initializer_list<long long> multiples) {
    for (int k = decadeBelow(lo); k <= decadeBelow(hi); ++k)
      for (long long m : multiples)
        if (inside(decimal(m, k))) labelled.push_back({decimal(m, k), m, k});
    std::sort(labelled.begin(), labelled.end(),
              [](const Tick& a, const Tick& b) { return a.value < b.value; });
  };
  if (every == 1 && labelled.size() < 3) addMultiples({2, 5});
  if (every == 1 && labelled.size() < 2) addMultiples({3, 4, 6, 7, 8, 9});
  Ticks ticks;
  if (labelled.size() < 2) {
    // A range within one digit of a decade: linear ticks on the log axis.
    ticks = linearTicks(lo, hi, true, true, maxTicks);
    ticks.low = lo;
    ticks.high = hi;
    return ticks;
  }
  ticks.low = lo;
  ticks.high = hi;
  bool exponent = false;
  for (const Tick& t : labelled) exponent |= needsExponent(t.value);
  for (const Tick& t : labelled) {
    ticks.values.push_back(t.value);
    if (!exponent) {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%.6g", t.value);
      ticks.labels.push_back(buffer);
    } else if (t.m == 1) {
      ticks.labels.push_back("10" + superscript(t.k));
    } else {
      ticks.labels.push_back(std::to_string(t.m) + "\u00D710" + superscript(t.k));
    }
  }
  if (every == 1 && decades <= 6) {
    for (int k = decadeBelow(lo); k <= decadeBelow(hi); ++k) {
      for (long long m = 2; m <= 9; ++m) {
        const double v = decimal(m, k);
        const bool isLabelled = std::any_of(labelled.begin(), labelled.end(),
                                            [&](const Tick& t) { return t.m == m && t.k == k; });
        if (inside(v) && !isLabelled) ticks.minor.push_back(v);
      }
    }
  }
  return ticks;
}

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

// A value's position on the screen along one axis; NaN for a value the
// axis cannot show. Far-off positions are held at +-1e9 (then clipped).
struct Mapping {
  bool log = false;
  double t0 = 0, t1 = 1;  // the axis ends, as log10 on a logarithmic axis
  double p0 = 0, p1 = 1;  // their screen positions

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
  // For band ends: the screen position, infinities and (log) non-positive
  // values at the ends of the axis.
  double edge(double v) const {
    if (std::isnan(v)) return NAN;
    if (v == INFINITY) return p1;
    if (v == -INFINITY || (log && !(v > 0))) return p0;
    return (*this)(v);
  }
};

// ---------------------------------------------------------------- path data

// Path data in tenths of a unit: absolute at the start, then relative
// moves and lines, with h and v for axis-parallel lines and repeated
// commands left implicit.
class PathData {
 public:
  void moveTo(double x, double y) {
    const long long qx = tenths(x), qy = tenths(y);
    if (d_.empty()) {
      command('M');
      number(qx);
      number(qy);
    } else {
      command('m');
      number(qx - x_);
      number(qy - y_);
    }
    x_ = startX_ = qx;
    y_ = startY_ = qy;
  }
  void lineTo(double x, double y) {
    const long long qx = tenths(x), qy = tenths(y);
    if (qx == x_ && qy == y_) return;
    if (qy == y_) {
      command('h');
      number(qx - x_);
    } else if (qx == x_) {
      command('v');
      number(qy - y_);
    } else {
      command('l');
      number(qx - x_);
      number(qy - y_);
    }
    x_ = qx;
    y_ = qy;
  }
  // A dot: a line of no length, drawn by a round cap.
  void dot(double x, double y) {
    moveTo(x, y);
    command('h');
    number(0);
  }
  void close() {
    command('z');
    x_ = startX_;
    y_ = startY_;
  }
  bool empty() const { return d_.empty(); }
  const std::string& str() const { return d_; }

 private:
  void command(char c) {
    if (c != last_ || c == 'm' || c == 'M' || c == 'z') d_ += c;
    last_ = c;
  }
  void number(long long t) {
    if (!d_.empty() && t >= 0 &&
        (std::isdigit(static_cast<unsigned char>(d_.back())) || d_.back() == '.'))
      d_ += ' ';
    appendTenths(d_, t, true);
  }

  std::string d_;
  char last_ = 0;
  long long x_ = 0, y_ = 0, startX_ = 0, startY_ = 0;
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

// A polyline through screen points (NaN: a gap) clipped to the plot. A
// point alone between gaps is drawn as a dot.
void polyline(const std::vector<std::pair<double, double>>& points, const Rect& plot,
              PathData& path, Occupancy& occupancy) {
  const auto finite = [&](std::size_t i) {
    return i < points.size() && std::isfinite(points[i].first) && std::isfinite(points[i].second);
  };
  bool penAtPrevious = false;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (!finite(i)) {
      penAtPrevious = false;
      continue;
    }
    const auto [bx, by] = points[i];
    if (i == 0 || !finite(i - 1)) {
      penAtPrevious = false;
      if (!finite(i + 1) && plot.contains(bx, by)) {
        path.dot(bx, by);
        occupancy.segment(bx, by, bx, by);
      }
      continue;
    }
    const auto [ax, ay] = points[i - 1];
    double t0, t1;
    if (!clipSegment(plot, ax, ay, bx, by, t0, t1)) {
      penAtPrevious = false;
      continue;
    }
    const double cx0 = ax + t0 * (bx - ax), cy0 = ay + t0 * (by - ay);
    const double cx1 = ax + t1 * (bx - ax), cy1 = ay + t1 * (by - ay);
    if (!penAtPrevious || t0 > 0) path.moveTo(cx0, cy0);
    path.lineTo(cx1, cy1);
    occupancy.segment(cx0, cy0, cx1, cy1);
    penAtPrevious = t1 == 1;
  }
}

// ---------------------------------------------------------------- writing

class Writer {
 public:
  std::string& out() { return out_; }
  Writer& raw(std::string_view s) {
    out_ += s;
    return *this;
  }
  Writer& attr(std::string_view name, double v) {
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    appendTenths(out_, tenths(v), false);
    out_ += '"';
    return *this;
  }
  Writer& attr(std::string_view name, std::string_view value) {
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    out_ += value;
    out_ += '"';
    return *this;
  }
  // A <text> element; `extra` holds further attributes, already escaped.
  void text(double x, double y, std::string_view content, std::string_view extra = {}) {
    raw("<text").attr("x", x).attr("y", y);
    if (!extra.empty()) raw(" ").raw(extra);
    raw(">").raw(xmlText(content)).raw("</text>");
  }
  void path(const PathData& d, std::string_view attributes) {
    if (d.empty()) return;
    raw("<path d=\"").raw(d.str()).raw("\" ").raw(attributes).raw("/>");
  }

 private:
  std::string out_;
};

std::string sanitizedPrefix(std::string_view prefix) {
  std::string out;
  for (const char c : prefix)
    out += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '_';
  if (out.empty() || !std::isalpha(static_cast<unsigned char>(out[0]))) out.insert(0, "c");
  return out;
}

// The <svg> start tag with its accessible name, and the background.
void openSvg(Writer& w, double width, double height, std::string_view title,
             std::string_view description, std::string_view idPrefix) {
  const std::string prefix = sanitizedPrefix(idPrefix);
  std::string labelledBy = prefix + "title";
  if (!description.empty()) labelledBy += " " + prefix + "desc";
  w.raw("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 ")
      .raw(num(width))
      .raw(" ")
      .raw(num(height))
      .raw("\" width=\"100%\" role=\"img\"")
      .attr("aria-labelledby", labelledBy)
      .raw(" font-family=\"system-ui,sans-serif\" font-size=\"11\">");
  w.raw("<title id=\"").raw(prefix).raw("title\">").raw(xmlText(title)).raw("</title>");
  if (!description.empty())
    w.raw("<desc id=\"").raw(prefix).raw("desc\">").raw(xmlText(description)).raw("</desc>");
  w.raw("<rect").attr("width", width).attr("height", height).raw(" fill=\"#fff\"/>");
}

std::string accessibleTitle(std::string_view title, const Axis& x, const Axis* y) {
  if (!title.empty()) return std::string(title);
  if (y && !y->title.empty() && !x.title.empty())
    return "Chart of " + y->title + " against " + x.title;
  return "Chart";
}

double sanitizedSize(double v, double fallback, double smallest) {
  if (!std::isfinite(v) || v <= 0) return fallback;
  return std::clamp(v, smallest, 10000.0);
}

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

void swatch(Writer& w, const LegendEntry& e, double x, double y) {
  if (e.band || e.style == Style::Bars) {
    w.raw("<rect").attr("x", x + 2).attr("y", y - 4).attr("width", kSwatch - 4).attr("height", 8);
    w.raw(" fill=\"").raw(e.colour).raw(e.band ? "\" fill-opacity=\".35\"/>" : "\"/>");
    return;
  }
  if (e.style != Style::Points) {
    PathData d;
    d.moveTo(x, y);
    d.lineTo(x + kSwatch, y);
    w.path(d, "fill=\"none\" stroke=\"" + e.colour + "\" stroke-width=\"2\"" +
                  (e.dashed ? " stroke-dasharray=\"5 3\"" : ""));
  }
  if (e.style == Style::Points || e.style == Style::LinePoints) {
    PathData d;
    d.dot(x + kSwatch / 2, y);
    w.path(d, "stroke=\"" + e.colour + "\" stroke-width=\"5\" stroke-linecap=\"round\"");
  }
}

Rect legendBox(const std::vector<LegendEntry>& entries) {
  double width = 0;
  for (const auto& e : entries) width = std::max(width, entryWidth(e));
  return {0, 0, width + 12, static_cast<double>(entries.size()) * kLegendRow + 8};
}

void legendInside(Writer& w, const std::vector<LegendEntry>& entries, const Rect& box) {
  w.raw("<g font-size=\"11\"><rect").attr("x", box.x0).attr("y", box.y0);
  w.attr("width", box.width()).attr("height", box.height());
  w.raw(" fill=\"#fff\" fill-opacity=\".85\" stroke=\"#bbb\"/>");
  double y = box.y0 + 4 + kLegendRow / 2;
  for (const auto& e : entries) {
    swatch(w, e, box.x0 + 6, y);
    w.text(box.x0 + 6 + kSwatch + 5, y + 4, e.label);
    y += kLegendRow;
  }
  w.raw("</g>");
}

// Rows of entries centred under the chart, each row within `width`.
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

// A chart or a stack, seen as one x axis over panels.
struct PanelView {
  const Axis* y = nullptr;
  const Axis* y2 = nullptr;
  std::span<const Series> series;
  std::span<const Marker> markers;
  std::span<const Band> bands;
  double weight = 1;
};

struct StackView {
  std::string_view title, description;
  const Axis* x = nullptr;
  std::vector<PanelView> panels;
  LegendPlacement legend = LegendPlacement::Auto;
  double width = 640, height = 400;
  std::size_t maxPoints = 2000;
};

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

// The axis a series, marker or band of the panel uses (the left one when
// the panel has no right axis).
const Axis* axisFor(const PanelView& p, Side side) {
  return side == Side::Right && p.y2 ? p.y2 : p.y;
}

Extent xExtent(const StackView& v) {
  Extent e;
  const bool log = isLog(v.x);
  for (const PanelView& p : v.panels) {
    for (const Series& s : p.series) {
      const bool yLog = isLog(axisFor(p, s.axis));
      const double half = s.style == Style::Bars && s.barWidth > 0 ? s.barWidth / 2 : 0;
      for (std::size_t i = 0; i < pointCount(s); ++i) {
        if (!std::isfinite(s.y[i]) || (yLog && !(s.y[i] > 0))) continue;
        e.add(s.x[i] - half, log);
        e.add(s.x[i] + half, log);
      }
    }
    for (const Band& b : p.bands)
      if (b.along == Band::Along::X) e.add(b.from, log), e.add(b.to, log);
    for (const Marker& m : p.markers)
      if (m.kind != Marker::Kind::Horizontal) e.add(m.x, log);
  }
  return e;
}

// The y values of one axis of a panel, of the points within the x axis's
// fixed ends (so that fixed x limits zoom in on y as well).
Extent yExtent(const PanelView& p, Side side, const Axis& x) {
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
  for (const Band& b : p.bands)
    if (b.along == Band::Along::Y && onAxis(b.axis)) e.add(b.from, log), e.add(b.to, log);
  for (const Marker& m : p.markers)
    if (m.kind != Marker::Kind::Vertical && onAxis(m.axis)) e.add(m.y, log);
  return e;
}

std::vector<LegendEntry> legendEntries(const PanelView& p) {
  std::vector<LegendEntry> entries;
  for (const Band& b : p.bands)
    if (!b.label.empty())
      entries.push_back({b.label, colourOr(b.colour, kBandColour), Style::Bars, false, true});
  for (std::size_t i = 0; i < p.series.size(); ++i) {
    const Series& s = p.series[i];
    if (s.label.empty()) continue;
    entries.push_back({s.label, colourOr(s.colour, paletteColour(i)), s.style, s.dashed, false});
  }
  return entries;
}

// The screen layout of one panel.
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

Layout layOut(const StackView& v, double legendBelowHeight) {
  Layout l;
  l.width = v.width;
  l.height = v.height;
  const double top = 8 + (v.title.empty() ? 0 : 22) + 6;
  l.titleY = 8 + kTitleFont;
  const double bottom =
      kTickLength + 4 + kTickFont + (v.x->title.empty() ? 0 : 18) + 6 + legendBelowHeight;
  const std::size_t n = v.panels.size();
  double totalWeight = 0;
  for (const PanelView& p : v.panels) totalWeight += p.weight;
  const double available =
      std::max(20.0 * static_cast<double>(n),
               v.height - top - bottom - kPanelGap * static_cast<double>(n - 1));

  // Heights first: they set the number of y ticks, whose labels set the
  // margins, which set the width and so the x ticks.
  double left = 0, right = 0;
  double y = top;
  l.panels.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const PanelView& p = v.panels[i];
    PanelLayout& pl = l.panels[i];
    const double h = available * p.weight / totalWeight;
    pl.plot.y0 = y;
    pl.plot.y1 = y + h;
    y += h + kPanelGap;
    const int maxTicks = std::clamp(static_cast<int>(h / 32) + 1, 2, 8);
    pl.yTicks = ticksFor(*p.y, yExtent(p, Side::Left, *v.x), maxTicks);
    left = std::max(left, (p.y->title.empty() ? 0 : 18) + widestLabel(pl.yTicks, kTickFont));
    if (p.y2) {
      pl.y2Ticks = ticksFor(*p.y2, yExtent(p, Side::Right, *v.x), maxTicks);
      right = std::max(right, (p.y2->title.empty() ? 0 : 18) + widestLabel(pl.y2Ticks, kTickFont));
    }
  }
  left += 6 + kTickLength + 3;
  right = right > 0 ? right + 6 + kTickLength + 3 : 14;

  const Extent xe = xExtent(v);
  double plotWidth = std::max(20.0, v.width - left - right);
  for (int maxTicks = 8; maxTicks >= 2; --maxTicks) {
    l.xTicks = ticksFor(*v.x, xe, maxTicks);
    const double spacing = plotWidth / gaps(l.xTicks.values.size());
    if (widestLabel(l.xTicks, kTickFont) + 10 <= spacing || l.xTicks.values.size() <= 2) break;
  }
  if (!l.xTicks.labels.empty())
    right = std::max(right, textWidth(l.xTicks.labels.back(), kTickFont) / 2 + 4);
  plotWidth = std::max(20.0, v.width - left - right);

  l.x = Mapping(l.xTicks, isLog(v.x), left, left + plotWidth);
  for (std::size_t i = 0; i < n; ++i) {
    PanelLayout& pl = l.panels[i];
    pl.plot.x0 = left;
    pl.plot.x1 = left + plotWidth;
    pl.y = Mapping(pl.yTicks, isLog(v.panels[i].y), pl.plot.y1, pl.plot.y0);
    if (v.panels[i].y2) pl.y2 = Mapping(pl.y2Ticks, isLog(v.panels[i].y2), pl.plot.y1, pl.plot.y0);
  }
  const double plotBottom = n ? l.panels.back().plot.y1 : top;
  l.xTitleY = plotBottom + kTickLength + 4 + kTickFont + 16;
  l.legendTop = v.height - legendBelowHeight;
  return l;
}

// The drawn content of a panel: bands and grid behind, then the series,
// then the markers.
struct PanelDrawing {
  std::string back, series, markers;
  Occupancy occupancy;
};

void drawSeries(Writer& w, const Series& s, std::string_view colour, const Mapping& mx,
                const Mapping& my, const Rect& plot, std::size_t maxPoints, Occupancy& occupancy) {
  const std::size_t n = pointCount(s);
  std::vector<double> sx(n), sy(n);
  for (std::size_t i = 0; i < n; ++i) {
    sx[i] = mx(s.x[i]);
    sy[i] = my(s.y[i]);
  }
  std::vector<std::size_t> kept;
  if (maxPoints > 0 && n > maxPoints) {
    kept = numeric::decimate(sx, sy, maxPoints);
  } else {
    kept.resize(n);
    for (std::size_t i = 0; i < n; ++i) kept[i] = i;
  }
  const std::string c(colour);
  const std::string dash = s.dashed ? " stroke-dasharray=\"6 4\"" : "";

  if (s.style == Style::Line || s.style == Style::LinePoints || s.style == Style::Steps) {
    std::vector<std::pair<double, double>> points;
    points.reserve(kept.size() * (s.style == Style::Steps ? 2 : 1));
    for (std::size_t k = 0; k < kept.size(); ++k) {
      const std::size_t i = kept[k];
      points.emplace_back(sx[i], sy[i]);
      // A step holds its y until the next x; a gap point ends it there.
      if (s.style == Style::Steps && k + 1 < kept.size() && std::isfinite(sy[i]))
        points.emplace_back(sx[kept[k + 1]], sy[i]);
    }
    PathData d;
    polyline(points, plot, d, occupancy);
    w.path(d, "fill=\"none\" stroke=\"" + c +
                  "\" stroke-width=\"1.6\" stroke-linejoin=\"round\" "
                  "stroke-linecap=\"round\"" +
                  dash);
  }
  if (s.style == Style::Points || s.style == Style::LinePoints) {
    PathData d;
    for (std::size_t i : kept) {
      if (!std::isfinite(sx[i]) || !std::isfinite(sy[i]) || !plot.contains(sx[i], sy[i])) continue;
      d.dot(sx[i], sy[i]);
      occupancy.segment(sx[i], sy[i], sx[i], sy[i]);
    }
    w.path(d, "stroke=\"" + c + "\" stroke-width=\"4.5\" stroke-linecap=\"round\"");
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
    PathData d;
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
    w.path(d, "fill=\"" + c + "\" fill-opacity=\".8\" stroke=\"#fff\" stroke-width=\".5\"");
  }
}

void drawBand(Writer& w, const Band& b, const Mapping& m, bool alongX, const Rect& plot) {
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
  w.raw("<rect")
      .attr("x", r.x0)
      .attr("y", r.y0)
      .attr("width", r.width())
      .attr("height", r.height());
  w.raw(" fill=\"").raw(colourOr(b.colour, kBandColour)).raw("\" fill-opacity=\".18\"/>");
}

void drawMarkers(Writer& w, const PanelView& p, const PanelLayout& pl, const Mapping& mx,
                 Occupancy& occupancy) {
  const Rect& plot = pl.plot;
  int vertical = 0;
  for (const Marker& m : p.markers) {
    const Mapping& my = axisFor(p, m.axis) == p.y2 && p.y2 ? pl.y2 : pl.y;
    const std::string colour = colourOr(m.colour, kMarkerColour);
    const double lw = textWidth(text::utf8Text(m.label), kMarkerFont);
    const std::string fill = "fill=\"" + colour + "\" font-size=\"10\"";
    double sx = mx(m.x), sy = my(m.y);
    double tx = 0, ty = 0;
    bool toLeft = false;
    if (m.kind == Marker::Kind::Vertical) {
      if (!std::isfinite(sx) || !plot.contains(sx, plot.y0, 0.01)) continue;
      PathData d;
      d.moveTo(sx, plot.y0);
      d.lineTo(sx, plot.y1);
      w.path(d, "stroke=\"" + colour + "\" stroke-width=\"1.2\" stroke-dasharray=\"4 3\"");
      occupancy.segment(sx, plot.y0, sx, plot.y1);
      toLeft = sx + 4 + lw > plot.x1;
      tx = toLeft ? sx - 4 : sx + 4;
      ty = plot.y0 + 12 + 12 * (vertical++ % 3);  // several markers' labels stagger
    } else if (m.kind == Marker::Kind::Horizontal) {
      if (!std::isfinite(sy) || !plot.contains(plot.x0, sy, 0.01)) continue;
      PathData d;
      d.moveTo(plot.x0, sy);
      d.lineTo(plot.x1, sy);
      w.path(d, "stroke=\"" + colour + "\" stroke-width=\"1.2\" stroke-dasharray=\"4 3\"");
      occupancy.segment(plot.x0, sy, plot.x1, sy);
      toLeft = true;
      tx = plot.x1 - 4;
      ty = sy - 14 < plot.y0 ? sy + 12 : sy - 4;
    } else {
      if (!std::isfinite(sx) || !std::isfinite(sy) || !plot.contains(sx, sy, 0.01)) continue;
      w.raw("<circle").attr("cx", sx).attr("cy", sy).raw(" r=\"4\" fill=\"").raw(colour);
      w.raw("\" stroke=\"#fff\"/>");
      occupancy.boxes.push_back({sx - 4, sy - 4, sx + 4, sy + 4});
      toLeft = sx + 7 + lw > plot.x1;
      tx = toLeft ? sx - 7 : sx + 7;
      ty = sy - 17 < plot.y0 ? sy + 15 : sy - 7;
    }
    if (m.label.empty()) continue;
    w.text(tx, ty, m.label, toLeft ? fill + " text-anchor=\"end\"" : fill);
    const double x0 = toLeft ? tx - lw : tx;
    occupancy.boxes.push_back({x0, ty - 9, x0 + lw, ty + 2});
  }
}

PanelDrawing drawPanel(const StackView& v, const Layout& l, std::size_t index) {
  const PanelView& p = v.panels[index];
  const PanelLayout& pl = l.panels[index];
  const Rect& plot = pl.plot;
  PanelDrawing out;
  Writer back;
  // Grid lines at the labelled ticks.
  PathData grid;
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
  back.path(grid, "stroke=\"" + std::string(kGridColour) + "\"");
  for (const Band& b : p.bands) {
    const bool alongX = b.along == Band::Along::X;
    const Mapping& m = alongX ? l.x : (axisFor(p, b.axis) == p.y2 && p.y2 ? pl.y2 : pl.y);
    drawBand(back, b, m, alongX, plot);
  }
  out.back = std::move(back.out());

  Writer series;
  for (std::size_t i = 0; i < p.series.size(); ++i) {
    const Series& s = p.series[i];
    const Mapping& my = axisFor(p, s.axis) == p.y2 && p.y2 ? pl.y2 : pl.y;
    drawSeries(series, s, colourOr(s.colour, paletteColour(i)), l.x, my, plot, v.maxPoints,
               out.occupancy);
  }
  out.series = std::move(series.out());
  Writer markers;
  drawMarkers(markers, p, pl, l.x, out.occupancy);
  out.markers = std::move(markers.out());
  return out;
}

// Frame, ticks and their labels, and the axis titles of a panel.
void drawAxes(Writer& w, const StackView& v, const Layout& l, std::size_t index) {
  const PanelView& p = v.panels[index];
  const PanelLayout& pl = l.panels[index];
  const Rect& plot = pl.plot;
  const bool lowest = index + 1 == v.panels.size();
  PathData ticks, minor;
  const auto xTick = [&](double t, double length, PathData& d) {
    const double x = l.x(t);
    if (!std::isfinite(x) || x < plot.x0 - 0.5 || x > plot.x1 + 0.5) return false;
    d.moveTo(x, plot.y1);
    d.lineTo(x, plot.y1 + length);
    return true;
  };
  const auto yTick = [&](const Mapping& m, double t, double x, double length, PathData& d) {
    const double y = m(t);
    if (!std::isfinite(y) || y < plot.y0 - 0.5 || y > plot.y1 + 0.5) return false;
    d.moveTo(x, y);
    d.lineTo(x + length, y);
    return true;
  };
  for (double t : l.xTicks.values) xTick(t, kTickLength, ticks);
  for (double t : l.xTicks.minor) xTick(t, kTickLength / 2, minor);
  for (double t : pl.yTicks.values) yTick(pl.y, t, plot.x0, -kTickLength, ticks);
  for (double t : pl.yTicks.minor) yTick(pl.y, t, plot.x0, -kTickLength / 2, minor);
  if (p.y2) {
    for (double t : pl.y2Ticks.values) yTick(pl.y2, t, plot.x1, kTickLength, ticks);
    for (double t : pl.y2Ticks.minor) yTick(pl.y2, t, plot.x1, kTickLength / 2, minor);
  }
  const std::string stroke = "stroke=\"" + std::string(kFrameColour) + "\"";
  w.path(ticks, stroke);
  w.path(minor, stroke);
  w.raw("<rect").attr("x", plot.x0).attr("y", plot.y0).attr("width", plot.width());
  w.attr("height", plot.height()).raw(" fill=\"none\" ").raw(stroke).raw("/>");

  // Tick labels: the y axes beside their ticks, the x axis under the lowest
  // panel only.
  const auto yLabels = [&](const Ticks& t, const Mapping& m, double x, std::string_view anchor) {
    w.raw("<g text-anchor=\"").raw(anchor).raw("\">");
    for (std::size_t i = 0; i < t.values.size(); ++i) {
      const double y = m(t.values[i]);
      if (std::isfinite(y) && y >= plot.y0 - 0.5 && y <= plot.y1 + 0.5)
        w.text(x, y + 4, t.labels[i]);
    }
    w.raw("</g>");
  };
  yLabels(pl.yTicks, pl.y, plot.x0 - kTickLength - 3, "end");
  if (p.y2) yLabels(pl.y2Ticks, pl.y2, plot.x1 + kTickLength + 3, "start");
  if (lowest) {
    w.raw("<g text-anchor=\"middle\">");
    for (std::size_t i = 0; i < l.xTicks.values.size(); ++i) {
      const double x = l.x(l.xTicks.values[i]);
      if (std::isfinite(x) && x >= plot.x0 - 0.5 && x <= plot.x1 + 0.5)
        w.text(x, plot.y1 + kTickLength + 3 + kTickFont - 1, l.xTicks.labels[i]);
    }
    w.raw("</g>");
  }
  const double middle = (plot.y0 + plot.y1) / 2;
  const auto yTitle = [&](const Axis& axis, double baseline) {
    if (axis.title.empty()) return;
    const std::string fitted = fitText(text::utf8Text(axis.title), plot.height() + 30, kAxisFont);
    w.raw("<text transform=\"rotate(-90)\"").attr("x", -middle).attr("y", baseline);
    w.raw(" text-anchor=\"middle\" font-size=\"12\">").raw(xmlText(fitted)).raw("</text>");
  };
  yTitle(*p.y, 6 + kAxisFont);
  if (p.y2) yTitle(*p.y2, l.width - 6);
}

std::string renderView(StackView v, std::string_view idPrefix) {
  static const Axis kNoAxis;
  if (v.panels.empty()) v.panels.push_back(PanelView{&kNoAxis, nullptr, {}, {}, {}, 1});
  const std::size_t n = v.panels.size();
  std::vector<std::vector<LegendEntry>> entries(n);
  std::vector<bool> below(n, false), inside(n, false);
  for (std::size_t i = 0; i < n; ++i) {
    entries[i] = legendEntries(v.panels[i]);
    if (entries[i].empty() || v.legend == LegendPlacement::None) continue;
    (v.legend == LegendPlacement::Below ? below : inside)[i] = true;
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
    rows = legendRows(belowEntries, v.width - 20);
    const double belowHeight = rows.empty() ? 0 : static_cast<double>(rows.size()) * 16 + 4;
    layout = layOut(v, belowHeight);
    drawings.clear();
    for (std::size_t i = 0; i < n; ++i) drawings.push_back(drawPanel(v, layout, i));
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

  const Axis* firstY = n ? v.panels.front().y : nullptr;
  Writer w;
  openSvg(w, v.width, v.height, accessibleTitle(v.title, *v.x, firstY), v.description, idPrefix);
  if (!v.title.empty()) {
    const std::string fitted = fitText(text::utf8Text(v.title), v.width - 20, kTitleFont);
    w.raw("<text").attr("x", v.width / 2).attr("y", layout.titleY);
    w.raw(" text-anchor=\"middle\" font-size=\"14\" font-weight=\"600\">").raw(xmlText(fitted));
    w.raw("</text>");
  }
  for (std::size_t i = 0; i < n; ++i) {
    w.raw("<g>").raw(drawings[i].back).raw(drawings[i].series).raw(drawings[i].markers);
    drawAxes(w, v, layout, i);
    if (inside[i]) legendInside(w, entries[i], legendAt[i]);
    w.raw("</g>");
  }
  if (!v.x->title.empty() && n > 0) {
    const Rect& plot = layout.panels.back().plot;
    const std::string fitted = fitText(text::utf8Text(v.x->title), plot.width(), kAxisFont);
    w.raw("<text").attr("x", (plot.x0 + plot.x1) / 2).attr("y", layout.xTitleY);
    w.raw(" text-anchor=\"middle\" font-size=\"12\">").raw(xmlText(fitted)).raw("</text>");
  }
  if (!rows.empty()) {
    w.raw("<g font-size=\"11\">");
    double y = layout.legendTop + 10;
    for (const auto& row : rows) {
      double rowWidth = -16;
      for (const LegendEntry* e : row) rowWidth += entryWidth(*e) + 16;
      double x = std::max(10.0, (v.width - rowWidth) / 2);
      for (const LegendEntry* e : row) {
        swatch(w, *e, x, y);
        const std::string fitted = fitText(text::utf8Text(e->label), v.width - 40, kLegendFont);
        w.text(x + kSwatch + 5, y + 4, fitted);
        x += entryWidth(*e) + 16;
      }
      y += 16;
    }
    w.raw("</g>");
  }
  w.raw("</svg>");
  return std::move(w.out());
}

double sanitizedWeight(double w) { return std::isfinite(w) && w > 0 ? std::min(w, 1e6) : 1; }

}  // namespace

std::string_view paletteColour(std::size_t index) { return kPalette[index % kPalette.size()]; }

Ticks axisTicks(const Axis& axis, double dataMin, double dataMax, int maxTicks) {
  maxTicks = std::clamp(maxTicks, 2, 50);
  const bool log = axis.scale == Scale::Log;
  const auto usable = [&](const std::optional<double>& v) {
    return v && std::isfinite(*v) && std::abs(*v) <= 1e300 && (!log || (*v > 0 && *v >= 1e-300));
  };
  const bool fixLo = usable(axis.min), fixHi = usable(axis.max);
  // Data far beyond what a tick can be written as is held at +-1e300.
  const auto usableData = [&](double v) { return std::isfinite(v) && (!log || v > 0); };
  bool hasData = usableData(dataMin) && usableData(dataMax);
  if (hasData && dataMin > dataMax) std::swap(dataMin, dataMax);
  if (hasData) {
    dataMin = std::clamp(dataMin, log ? 1e-300 : -1e300, 1e300);
    dataMax = std::clamp(dataMax, log ? 1e-300 : -1e300, 1e300);
  }
  double lo = fixLo ? *axis.min : hasData ? dataMin : (log ? 1 : 0);
  double hi = fixHi ? *axis.max : hasData ? dataMax : (log ? 10 : 1);
  if (!hasData && fixLo != fixHi) {
    if (fixLo)
      hi = log ? lo * 10 : lo + 1;
    else
      lo = log ? hi / 10 : hi - 1;
  }
  if (!log && axis.startAtZero) {
    if (!fixLo) lo = std::min(lo, 0.0);
    if (!fixHi) hi = std::max(hi, 0.0);
  }
  if (lo > hi) {
    if (fixLo && fixHi)
      std::swap(lo, hi);
    else if (fixLo)
      hi = lo;  // every value below a fixed lower end
    else
      lo = hi;
  }
  // An empty range (one value, or values equal to 9 digits): widened by a
  // tenth of the value (1 around 0) on its open side(s).
  if (log) {
    if (hi / lo - 1 <= 1e-9) {
      if (!fixLo || fixHi) lo /= 10;
      if (!fixHi || fixLo) hi *= 10;
    }
    return logTicks(lo, hi, fixLo, fixHi, maxTicks);
  }
  const double magnitude = std::max(std::abs(lo), std::abs(hi));
  if (hi - lo <= 1e-9 * magnitude) {
    const double pad = magnitude == 0 ? 1 : magnitude / 10;
    const bool zeroFloor = axis.startAtZero && lo == 0;
    if ((!fixLo || fixHi) && !zeroFloor) lo -= pad;
    if (!fixHi || fixLo) hi += pad;
    if (!(hi > lo)) hi = lo + pad;
  }
  return linearTicks(lo, hi, fixLo, fixHi, maxTicks);
}

std::string renderChart(const Chart& chart, std::string_view idPrefix) {
  StackView v;
  v.title = chart.title;
  v.description = chart.description;
  v.x = &chart.x;
  PanelView p;
  p.y = &chart.y;
  p.y2 = chart.y2 ? &*chart.y2 : nullptr;
  p.series = chart.series;
  p.markers = chart.markers;
  p.bands = chart.bands;
  v.panels.push_back(p);
  v.legend = chart.legend;
  v.width = sanitizedSize(chart.width, 640, 160);
  v.height = sanitizedSize(chart.height, 400, 100);
  v.maxPoints = chart.maxPoints == 0 ? 0 : std::max<std::size_t>(chart.maxPoints, 16);
  return renderView(std::move(v), idPrefix);
}

std::string renderStack(const ChartStack& stack, std::string_view idPrefix) {
  StackView v;
  v.title = stack.title;
  v.description = stack.description;
  v.x = &stack.x;
  for (const Panel& panel : stack.panels) {
    PanelView p;
    p.y = &panel.y;
    p.y2 = panel.y2 ? &*panel.y2 : nullptr;
    p.series = panel.series;
    p.markers = panel.markers;
    p.bands = panel.bands;
    p.weight = sanitizedWeight(panel.weight);
    v.panels.push_back(p);
  }
  v.legend = stack.legend;
  v.width = sanitizedSize(stack.width, 640, 160);
  v.height = sanitizedSize(stack.height, 480, 100 + 40 * static_cast<double>(stack.panels.size()));
  v.maxPoints = stack.maxPoints == 0 ? 0 : std::max<std::size_t>(stack.maxPoints, 16);
  return renderView(std::move(v), idPrefix);
}

std::string renderIntervals(const IntervalChart& chart, std::string_view idPrefix) {
  const std::size_t n = chart.items.size();
  const double width = sanitizedSize(chart.width, 640, 160);
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
    labels.push_back(fitText(text::utf8Text(item.label), width * 0.4, kTickFont));
    labelWidth = std::max(labelWidth, textWidth(labels.back(), kTickFont));
  }
  const bool log = chart.axis.scale == Scale::Log;
  Extent e;
  for (const auto& item : chart.items)
    e.add(item.value, log), e.add(item.low, log), e.add(item.high, log);
  const double left = labelWidth + 14;
  double right = 14;
  const double plotWidth0 = std::max(20.0, width - left - right);
  Ticks ticks;
  for (int maxTicks = 8; maxTicks >= 2; --maxTicks) {
    ticks = ticksFor(chart.axis, e, maxTicks);
    const double spacing = plotWidth0 / gaps(ticks.values.size());
    if (widestLabel(ticks, kTickFont) + 10 <= spacing || ticks.values.size() <= 2) break;
  }
  if (!ticks.labels.empty())
    right = std::max(right, textWidth(ticks.labels.back(), kTickFont) / 2 + 4);
  const Rect plot{left, top, std::max(left + 20, width - right), height - bottom};
  const Mapping mx(ticks, log, plot.x0, plot.x1);

  Writer w;
  openSvg(w, width, height, chart.title.empty() ? std::string("Intervals") : chart.title,
          chart.description, idPrefix);
  if (!chart.title.empty()) {
    w.raw("<text").attr("x", width / 2).attr("y", 8 + kTitleFont);
    w.raw(" text-anchor=\"middle\" font-size=\"14\" font-weight=\"600\">");
    w.raw(xmlText(fitText(text::utf8Text(chart.title), width - 20, kTitleFont))).raw("</text>");
  }
  PathData grid, tickMarks, minor;
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
    minor.moveTo(x, plot.y1);
    minor.lineTo(x, plot.y1 + kTickLength / 2);
  }
  w.path(grid, "stroke=\"" + std::string(kGridColour) + "\"");
  for (std::size_t i = 0; i < n; ++i) {
    const IntervalItem& item = chart.items[i];
    const std::string colour = colourOr(item.colour, paletteColour(0));
    const double y = plot.y0 + (static_cast<double>(i) + 0.5) * rowHeight;
    double a = mx(item.low), b = mx(item.high);
    if (std::isfinite(a) && std::isfinite(b)) {
      if (a > b) std::swap(a, b);
      PathData bar;
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
      w.path(bar, "stroke=\"" + colour + "\" stroke-width=\"2\"");
    }
    const double x = mx(item.value);
    if (std::isfinite(x) && plot.contains(x, y, 0.01)) {
      w.raw("<circle").attr("cx", x).attr("cy", y).raw(" r=\"4.5\" fill=\"").raw(colour);
      w.raw("\" stroke=\"#fff\"/>");
    }
  }
  const std::string stroke = "stroke=\"" + std::string(kFrameColour) + "\"";
  w.path(tickMarks, stroke);
  w.path(minor, stroke);
  w.raw("<rect").attr("x", plot.x0).attr("y", plot.y0).attr("width", plot.width());
  w.attr("height", plot.height()).raw(" fill=\"none\" ").raw(stroke).raw("/>");
  w.raw("<g text-anchor=\"end\">");
  for (std::size_t i = 0; i < n; ++i)
    w.text(plot.x0 - 8, plot.y0 + (static_cast<double>(i) + 0.5) * rowHeight + 4, labels[i]);
  w.raw("</g><g text-anchor=\"middle\">");
  for (std::size_t i = 0; i < ticks.values.size(); ++i) {
    const double x = mx(ticks.values[i]);
    if (std::isfinite(x) && x >= plot.x0 - 0.5 && x <= plot.x1 + 0.5)
      w.text(x, plot.y1 + kTickLength + 3 + kTickFont - 1, ticks.labels[i]);
  }
  w.raw("</g>");
  if (!chart.axis.title.empty()) {
    w.raw("<text")
        .attr("x", (plot.x0 + plot.x1) / 2)
        .attr("y", plot.y1 + kTickLength + 4 + kTickFont + 16);
    w.raw(" text-anchor=\"middle\" font-size=\"12\">");
    w.raw(xmlText(fitText(text::utf8Text(chart.axis.title), plot.width(), kAxisFont)))
        .raw("</text>");
  }
  w.raw("</svg>");
  return std::move(w.out());
}

Histogram histogram(std::span<const double> values, std::size_t bins) {
  std::vector<double> v;
  for (double x : values)
    if (std::isfinite(x)) v.push_back(x);
  Histogram h;
  if (v.empty()) return h;
  std::sort(v.begin(), v.end());
  const double lo = v.front(), hi = v.back();
  const std::size_t n = v.size();
  if (hi / 2 - lo / 2 <= 1e-12 * std::max(std::abs(lo), std::abs(hi))) {
    const double half = lo == 0 ? 0.5 : std::abs(lo) / 20;
    h.edges = {lo - half, lo + half};
    h.counts = {n};
    return h;
  }
  if (bins == 0) {
    // Quartiles by linear interpolation between order statistics.
    const auto quantile = [&](double p) {
      const double at = p * static_cast<double>(n - 1);
      const auto i = static_cast<std::size_t>(at);
      return i + 1 < n ? v[i] + (at - static_cast<double>(i)) * (v[i + 1] - v[i]) : v[i];
    };
    const double iqr = quantile(0.75) - quantile(0.25);
    const double nd = static_cast<double>(n);
    const double count =
        iqr > 0 ? (hi / 2 - lo / 2) / (iqr * std::cbrt(1 / nd)) : std::ceil(std::log2(nd)) + 1;
    bins = static_cast<std::size_t>(std::clamp(std::ceil(count), 1.0, 100.0));
  }
  bins = std::min<std::size_t>(bins, 10000);
  h.counts.assign(bins, 0);
  for (std::size_t i = 0; i <= bins; ++i)
    h.edges.push_back(i == bins ? hi
                                : lo + (hi / 2 - lo / 2) * (2.0 * static_cast<double>(i) /
                                                            static_cast<double>(bins)));
  for (double x : v) {
    const double position = (x / 2 - lo / 2) / (hi / 2 - lo / 2) * static_cast<double>(bins);
    ++h.counts[std::min(bins - 1, static_cast<std::size_t>(std::max(0.0, position)))];
  }
  return h;
}

Series histogramSeries(const Histogram& h, std::string label) {
  Series s;
  s.label = std::move(label);
  s.style = Style::Bars;
  for (std::size_t i = 0; i + 1 < h.edges.size() && i < h.counts.size(); ++i) {
    s.x.push_back(h.edges[i] / 2 + h.edges[i + 1] / 2);
    s.y.push_back(static_cast<double>(h.counts[i]));
  }
  if (h.edges.size() >= 2) s.barWidth = h.edges[1] - h.edges[0];
  return s;
}

}  // namespace kaldero::svg
