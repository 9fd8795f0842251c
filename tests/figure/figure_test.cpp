// The figure layer: axis ticks, the layout every back-end shares (checked
// on a recording canvas: frames, clipping, gaps, decimation, legends,
// panels, envelopes) and the inline SVG back-end (well formed, accessible,
// escaped, small, ids prefixed).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <pugixml.hpp>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "figure/draw.h"
#include "figure/figure.h"
#include "figure/svg.h"
#include "tests/figure/recording_canvas.h"

namespace kaldero::figure {
namespace {

using testing::RecordingCanvas;
using testing::strokePoints;

struct Parsed {
  pugi::xml_document doc;
  pugi::xml_node svg;
};

// The figure parsed as XML, with the checks every figure must pass: one
// <svg> with a viewBox, width 100 %, role img and a title it is labelled
// by; nothing external, no script, no style; no non-finite number;
// coordinates to a tenth at most.
void parse(const std::string& text, Parsed& out) {
  const pugi::xml_parse_result result = out.doc.load_string(text.c_str());
  ASSERT_TRUE(result) << result.description() << " at " << result.offset << ": "
                      << text.substr(std::max<std::ptrdiff_t>(0, result.offset - 40), 80);
  out.svg = out.doc.document_element();
  ASSERT_STREQ(out.svg.name(), "svg");
  EXPECT_TRUE(out.svg.attribute("viewBox"));
  EXPECT_STREQ(out.svg.attribute("width").value(), "100%");
  EXPECT_FALSE(out.svg.attribute("height"));
  EXPECT_STREQ(out.svg.attribute("role").value(), "img");
  EXPECT_STREQ(out.svg.first_child().name(), "title");
  const std::string titleId = out.svg.first_child().attribute("id").value();
  EXPECT_EQ(std::string(out.svg.attribute("aria-labelledby").value()).substr(0, titleId.size()),
            titleId);
  for (const char* banned :
       {"//script", "//style", "//image", "//foreignObject", "//@href", "//@style"})
    EXPECT_TRUE(out.doc.select_nodes(banned).empty()) << banned;
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  EXPECT_EQ(lower.find("nan"), std::string::npos);
  EXPECT_EQ(lower.find("inf"), std::string::npos);
  for (const auto& n : out.doc.select_nodes("//@*")) {
    const std::string name = n.attribute().name(), v = n.attribute().value();
    if (name.ends_with("opacity")) continue;
    for (std::size_t dot = v.find('.'); dot != std::string::npos; dot = v.find('.', dot + 1))
      ASSERT_FALSE(dot + 2 < v.size() && std::isdigit(static_cast<unsigned char>(v[dot + 1])) &&
                   std::isdigit(static_cast<unsigned char>(v[dot + 2])))
          << n.attribute().name() << ": " << v.substr(dot > 10 ? dot - 10 : 0, 20);
  }
}

std::vector<std::string> texts(const pugi::xml_node& svg) {
  std::vector<std::string> out;
  for (const auto& n : svg.select_nodes("//text")) out.push_back(n.node().text().get());
  return out;
}

bool contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

RecordingCanvas recorded(const Figure& f) {
  RecordingCanvas c;
  draw(f, c);
  return c;
}

Series line(std::size_t n, std::string label = {}, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> noise(-0.05, 0.05);
  Series s;
  s.label = std::move(label);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = 240.0 * static_cast<double>(i) / static_cast<double>(n);
    s.x.push_back(t);
    s.y.push_back(3.2 * std::exp(-std::pow(std::log((t + 1) / 40), 2)) + noise(random));
  }
  return s;
}

Series xy(std::string label, std::vector<double> x, std::vector<double> y) {
  Series s;
  s.label = std::move(label);
  s.x = std::move(x);
  s.y = std::move(y);
  return s;
}

const std::string kFirst(paletteColour(0));

TEST(FigureTicks, TypicalRanges) {
  Axis linear;
  Ticks t = axisTicks(linear, 0, 243.5);
  EXPECT_EQ(t.values, (std::vector<double>{0, 50, 100, 150, 200, 250}));
  EXPECT_EQ(t.labels, (std::vector<std::string>{"0", "50", "100", "150", "200", "250"}));
  EXPECT_EQ(t.low, 0);
  EXPECT_EQ(t.high, 250);

  t = axisTicks(linear, -37.2, -3.1);
  EXPECT_EQ(t.labels,
            (std::vector<std::string>{"\u221240", "\u221230", "\u221220", "\u221210", "0"}));
  t = axisTicks(linear, 0.013, 0.0487);
  EXPECT_EQ(t.labels.front(), "0.01");
  EXPECT_EQ(t.labels.back(), "0.05");

  Axis log;
  log.scale = Scale::Log;
  t = axisTicks(log, 1e-5, 3e-3);
  EXPECT_EQ(t.labels, (std::vector<std::string>{"10\u207B\u2075", "10\u207B\u2074",
                                                "10\u207B\u00B3", "10\u207B\u00B2"}));
  EXPECT_DOUBLE_EQ(t.low, 1e-5);
  EXPECT_DOUBLE_EQ(t.high, 1e-2);
  EXPECT_EQ(t.minor.size(), 3u * 8u);
  t = axisTicks(log, 0.5, 40);
  EXPECT_EQ(t.labels, (std::vector<std::string>{"0.1", "1", "10", "100"}));
  t = axisTicks(log, 1e-14, 1e6);  // many decades: every third labelled
  EXPECT_LE(t.values.size(), 8u);
  EXPECT_TRUE(t.minor.empty());
  log.min = 2, log.max = 8;  // within a decade: 2 and 5
  EXPECT_EQ(axisTicks(log, 2.5, 7).labels, (std::vector<std::string>{"2", "5"}));

  t = axisTicks(linear, 0, 2.5e5);
  EXPECT_EQ(t.labels.back(), "2.5\u00D710\u2075");
  t = axisTicks(linear, 0, 3.7e-4);
  EXPECT_EQ(t.labels[1], "1\u00D710\u207B\u2074");
}

TEST(FigureTicks, DegenerateRangesAndFixedEnds) {
  Axis a;
  Ticks t = axisTicks(a, 5, 5);  // a single value: inside, not on the frame
  EXPECT_LT(t.low, 5);
  EXPECT_GT(t.high, 5);
  EXPECT_GE(t.values.size(), 4u);
  t = axisTicks(a, 0, 0);
  EXPECT_EQ(t.low, -1);
  EXPECT_EQ(t.high, 1);
  t = axisTicks(a, NAN, NAN);  // no data
  EXPECT_EQ(t.low, 0);
  EXPECT_EQ(t.high, 1);
  a.startAtZero = true;
  EXPECT_EQ(axisTicks(a, 3, 7).low, 0);
  EXPECT_EQ(axisTicks(a, 0, 0).low, 0);
  a.min = 10, a.max = 100;  // fixed ends kept exactly, ticks inside
  t = axisTicks(a, 0, 243.5);
  EXPECT_EQ(t.low, 10);
  EXPECT_EQ(t.high, 100);
  EXPECT_GE(t.values.front(), 10);
  EXPECT_LE(t.values.back(), 100);
  Axis log;
  log.scale = Scale::Log;
  log.min = -3;  // not usable on a log axis: open
  t = axisTicks(log, 0.02, 0.02);
  EXPECT_GT(t.low, 0);
  EXPECT_LT(t.low, 0.02);
  EXPECT_GT(t.high, 0.02);
}

// Over many ranges: 1-2-5 steps, evenly spaced, covering the data, distinct
// labels, about six ticks.
TEST(FigureTicks, SweepOfRanges) {
  std::mt19937 random(42);
  std::uniform_real_distribution<double> exponent(-8, 8), unit(-1, 1);
  Axis a;
  for (int run = 0; run < 2000; ++run) {
    const double scale = std::pow(10, exponent(random));
    double lo = unit(random) * scale, hi = unit(random) * scale;
    if (lo > hi) std::swap(lo, hi);
    const Ticks t = axisTicks(a, lo, hi);
    SCOPED_TRACE(std::to_string(lo) + " " + std::to_string(hi));
    // At least four ticks, one fewer where an open end stays near the data.
    ASSERT_GE(t.values.size(), 3u);
    ASSERT_LE(t.values.size(), 8u);
    EXPECT_LE(t.low, lo);
    EXPECT_GE(t.high, hi);
    const double step = t.values[1] - t.values[0];
    const double mantissa = step / std::pow(10, std::floor(std::log10(step) + 1e-9));
    EXPECT_TRUE(std::abs(mantissa - 1) < 1e-6 || std::abs(mantissa - 2) < 1e-6 ||
                std::abs(mantissa - 5) < 1e-6);
    EXPECT_EQ(std::set<std::string>(t.labels.begin(), t.labels.end()).size(), t.labels.size());
  }
}

TEST(FigureTicks, AnOpenEndStaysNearTheDataRatherThanATickFarBeyond) {
  // Noise just below 0 under a tall peak: the axis does not reach down a
  // whole step of 20 for it.
  Axis a;
  const Ticks t = axisTicks(a, -0.8, 95);
  EXPECT_GT(t.low, -0.1 * 95.8);
  EXPECT_LE(t.low, -0.8);
  EXPECT_GE(t.values.front(), t.low);
  EXPECT_GE(t.high, 95);
}

TEST(FigureTime, HoursUpToTenDaysThenDays) {
  EXPECT_FALSE(timeUnitFor(240).days);
  EXPECT_TRUE(timeUnitFor(241).days);
  EXPECT_FALSE(timeUnitFor(NAN).days);
  EXPECT_DOUBLE_EQ(timeUnitFor(480).scale(48), 2);
  EXPECT_STREQ(timeUnitFor(480).title(), "Time since the release (d)");
  EXPECT_STREQ(timeUnitFor(10).title(), "Time since the release (h)");
  EXPECT_EQ(parseScale("log"), Scale::Log);
  EXPECT_EQ(parseScale("linear"), Scale::Linear);
  EXPECT_FALSE(parseScale("Log"));
  EXPECT_FALSE(parseScale(""));
}

TEST(FigureSvg, AFullFigureIsWellFormedAndAccessible) {
  Figure f;
  f.title = "Station A: tracer & discharge";
  f.description = "Concentration against time.";
  f.x.title = "Time (h)";
  Panel& p = f.panel();
  p.y.title = "Concentration (\xB5g/L)";  // the micro sign as the listings write it
  p.y2 = Axis{"Discharge (m\u00B3/s)", Scale::Linear, std::nullopt, std::nullopt, true};
  p.series.push_back(line(800, "measured"));
  p.series.back().style = Style::Points;
  p.series.push_back(line(300, "fit", 2));
  p.series.back().dashed = true;
  Series q = line(50, "discharge", 3);
  q.style = Style::Steps;
  q.axis = Side::Right;
  p.series.push_back(q);
  Series bars = line(20, "daily", 4);
  bars.style = Style::Bars;
  p.series.push_back(bars);
  p.markers.push_back({Marker::Kind::Vertical, 61.5, 0, "mean transit time", Side::Left, ""});
  p.markers.push_back(
      {Marker::Kind::Point, 200, 1.2, "final recovery 34.9 %", Side::Left, "#D55E00"});
  p.markers.push_back({Marker::Kind::Horizontal, 0, 0.5, "detection limit", Side::Left, ""});
  p.bands.push_back({Band::Along::X, 40, 90, "95 % interval", Side::Left, ""});
  Envelope e;
  e.label = "95 % of the draws";
  e.x = {10, 50, 100};
  e.low = {0.1, 1, 0.5};
  e.high = {0.3, 2, 0.9};
  p.envelopes.push_back(e);
  Parsed doc;
  ASSERT_NO_FATAL_FAILURE(parse(renderSvg(f, "f1-"), doc));
  EXPECT_STREQ(doc.svg.child("title").text().get(), "Station A: tracer & discharge");
  EXPECT_STREQ(doc.svg.attribute("aria-labelledby").value(), "f1-title f1-desc");
  const auto t = texts(doc.svg);
  for (const char* s : {"Time (h)", "Concentration (\u00B5g/L)", "Discharge (m\u00B3/s)",
                        "measured", "fit", "discharge", "daily", "95 % interval",
                        "95 % of the draws", "mean transit time", "final recovery 34.9 %",
                        "detection limit"})
    EXPECT_TRUE(contains(t, s)) << s;
  EXPECT_EQ(recorded(f).frames().size(), 1u);
  EXPECT_EQ(doc.doc.select_nodes("//*[@stroke-dasharray='6 4']").size(), 1u);  // the dashed fit
}

TEST(FigureSvg, LabelsAreEscapedAndMadeValidText) {
  Figure f;
  f.title = "a<b & \"c\" 'd' ]]> </svg>";
  f.x.title = std::string("bad\x01\x02 byte \xFF end\nline");
  f.panel().series.push_back(line(10, "<script>alert(1)</script>"));
  f.panel().series.back().colour = "red\" onload=\"x";  // not a colour: the palette's
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(renderSvg(f, "x"), p));
  EXPECT_STREQ(p.svg.child("title").text().get(), "a<b & \"c\" 'd' ]]> </svg>");
  const auto t = texts(p.svg);
  EXPECT_TRUE(contains(t, "bad\uFFFD\uFFFD byte \u00FF end line"));
  EXPECT_TRUE(contains(t, "<script>alert(1)</script>"));
  EXPECT_TRUE(p.doc.select_nodes("//@onload").empty());
  EXPECT_FALSE(p.doc.select_nodes(("//path[@stroke='" + kFirst + "']").c_str()).empty());
}

TEST(FigureLayout, NonFiniteValuesAreGapsAndNeverWritten) {
  Figure f;
  Series s;
  for (int i = 0; i < 10; ++i) s.x.push_back(i), s.y.push_back(i % 3);
  s.y[5] = NAN;
  s.x[8] = INFINITY;
  Panel& p = f.panel();
  p.series.push_back(s);
  p.series.push_back(xy("", {1, 2, NAN}, {NAN, -INFINITY, 4}));  // nothing drawable
  p.series.push_back(xy("", {1, 2, 3, 4}, {1, 2}));              // lengths differ: two points
  p.markers.push_back({Marker::Kind::Vertical, NAN, 0, "nowhere", Side::Left, ""});
  p.bands.push_back({Band::Along::Y, -INFINITY, 1.5, "below", Side::Left, ""});
  p.bands.push_back({Band::Along::X, NAN, 3, "", Side::Left, ""});
  Envelope e;
  e.x = {0, 1, 2, 3, 4, 5};
  e.low = {0, 0, NAN, 0, 0, 0};
  e.high = {1, 1, 1, 1, 1, INFINITY};
  p.envelopes.push_back(e);
  Parsed doc;
  ASSERT_NO_FATAL_FAILURE(parse(renderSvg(f, "g"), doc));
  const RecordingCanvas c = recorded(f);
  const auto first = c.strokes(kFirst);
  ASSERT_EQ(first.size(), 1u);
  const auto& parts = first[0]->path.parts();
  ASSERT_EQ(parts.size(), 3u);  // points 0-4, 6-7, and 9 alone (a dot)
  EXPECT_EQ(parts[0].points.size(), 5u);
  EXPECT_EQ(parts[1].points.size(), 2u);
  EXPECT_EQ(parts[2].points.size(), 1u);
  EXPECT_FALSE(contains(c.texts(), "nowhere"));
  // The envelope: its two finite runs (0-1 and 3-4) as two shapes.
  std::size_t shapes = 0;
  for (const auto& op : c.ops())
    if (op.kind == testing::DrawnOp::Kind::Fill && op.paint.opacity == 0.25)
      shapes += op.path.parts().size();
  EXPECT_EQ(shapes, 2u);

  // Logarithmic axes: values that are not positive are gaps as well.
  p.y.scale = Scale::Log;
  p.series = {xy("", {0, 1, 2, 3}, {1e-3, 0, -1, 2e-2})};
  ASSERT_NO_FATAL_FAILURE(parse(renderSvg(f, "h"), doc));
}

// Fixed axis limits cut the lines at the frame, along their true
// direction, however far outside the points lie.
TEST(FigureLayout, FixedLimitsClipLinesAtTheFrame) {
  Figure f;
  f.x.min = 0, f.x.max = 100;
  f.panel().y.min = 0, f.panel().y.max = 1;
  f.panel().series = {
      xy("", {-1e6, -50, 20, 50, 80, 150, 1e12}, {0.5, 3, -2, 0.5, 1e300, 0.2, 0.3})};
  const RecordingCanvas c = recorded(f);
  const auto frame = c.frames().front();
  const auto points = strokePoints(c, kFirst);
  for (const Point& pt : points)
    EXPECT_TRUE(pt.x >= frame.x0 - 1e-6 && pt.x <= frame.x1 + 1e-6 && pt.y >= frame.y0 - 1e-6 &&
                pt.y <= frame.y1 + 1e-6)
        << pt.x << " " << pt.y;
  ASSERT_EQ(points.size(), 3u);  // in at the bottom, on to (50, 0.5), out at the top
  // (20, -2) -> (50, 0.5) crosses the bottom at x = 44: the line starts there.
  EXPECT_NEAR(points.front().x, frame.x0 + 0.44 * (frame.x1 - frame.x0), 1e-6);
  EXPECT_NEAR(points.front().y, frame.y1, 1e-6);
  EXPECT_NEAR(points[1].x, (frame.x0 + frame.x1) / 2, 1e-6);
  EXPECT_NEAR(points[1].y, (frame.y0 + frame.y1) / 2, 1e-6);
}

// An envelope reaching outside fixed limits is cut at the frame, not drawn
// over the axes.
TEST(FigureLayout, EnvelopesAreClippedToTheFrameAndDrawnBehindTheSeries) {
  Figure f;
  f.x.min = 0, f.x.max = 10;
  Panel& p = f.panel();
  p.y.min = 0, p.y.max = 1;
  Envelope e;
  e.label = "band";
  e.x = {-5, 5, 15};
  e.low = {-1, 0.2, -1};
  e.high = {2, 0.8, 2};
  p.envelopes.push_back(e);
  p.series = {xy("line", {0, 10}, {0.5, 0.5})};
  const RecordingCanvas c = recorded(f);
  const auto frame = c.frames().front();
  std::size_t fillAt = 0, lineAt = 0;
  for (std::size_t i = 0; i < c.ops().size(); ++i) {
    const auto& op = c.ops()[i];
    if (op.kind == testing::DrawnOp::Kind::Fill && op.paint.opacity == 0.25) {
      fillAt = i;
      for (const auto& part : op.path.parts())
        for (const Point& pt : part.points)
          EXPECT_TRUE(pt.x >= frame.x0 - 1e-6 && pt.x <= frame.x1 + 1e-6 &&
                      pt.y >= frame.y0 - 1e-6 && pt.y <= frame.y1 + 1e-6)
              << pt.x << " " << pt.y;
    }
    if (op.kind == testing::DrawnOp::Kind::Stroke && op.pen.colour == kFirst && op.pen.width > 1.5 &&
        lineAt == 0)
      lineAt = i;
  }
  ASSERT_GT(fillAt, 0u);
  ASSERT_GT(lineAt, 0u);
  EXPECT_LT(fillAt, lineAt);
  EXPECT_TRUE(contains(c.texts(), "band"));
  // The envelope alone widens the y axis of an open panel to hold it.
  Figure open;
  Envelope wide = e;
  wide.x = {1, 2};
  wide.low = {-3, -2};
  wide.high = {7, 9};
  open.panel().envelopes.push_back(wide);
  open.panel().series = {xy("", {1, 2}, {1, 2})};
  const RecordingCanvas o = recorded(open);
  EXPECT_TRUE(contains(o.texts(), "\u22122") || contains(o.texts(), "\u22124"));
  EXPECT_TRUE(contains(o.texts(), "10") || contains(o.texts(), "8"));
}

TEST(FigureLayout, LongSeriesAreDecimatedKeepingThePeak) {
  Figure f;
  f.panel().y.max = 100;
  Series s = line(100000);
  s.y[61234] = 100;  // a one-sample spike to the top of the frame
  f.panel().series.push_back(s);
  const std::string svg = renderSvg(f, "d");
  EXPECT_LT(svg.size(), 40000u);
  Parsed doc;
  ASSERT_NO_FATAL_FAILURE(parse(svg, doc));
  const RecordingCanvas c = recorded(f);
  const double top = c.frames().front().y0;
  const auto points = strokePoints(c, kFirst);
  double highest = 1e9;
  for (const Point& pt : points) highest = std::min(highest, pt.y);
  EXPECT_LE(points.size(), 2000u);
  EXPECT_GT(points.size(), 500u);
  EXPECT_NEAR(highest, top, 1e-6);

  f.maxPoints = 0;  // no limit: every point
  EXPECT_GT(renderSvg(f, "d").size(), 200000u);
}

TEST(FigureSvg, SizeStaysSmall) {
  Figure f;
  f.x.title = "Time (h)";
  f.panel().y.title = "Concentration (mg/L)";
  f.panel().series.push_back(line(2000, "measured"));
  EXPECT_LT(renderSvg(f, "s").size(), 40000u);
  f.panel().series.back().style = Style::LinePoints;
  EXPECT_LT(renderSvg(f, "s").size(), 80000u);
  f.panel().series.clear();
  for (unsigned i = 0; i < 10; ++i)
    f.panel().series.push_back(line(500, "run " + std::to_string(i), i));
  const std::string ten = renderSvg(f, "s");
  EXPECT_LT(ten.size(), 100000u);
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(ten, p));
  std::set<std::string> colours;
  for (const auto& n : p.doc.select_nodes("//path[@fill='none'][@stroke-width='1.6']"))
    colours.insert(n.node().attribute("stroke").value());
  EXPECT_EQ(colours.size(), 10u);  // ten distinct palette colours
}

TEST(FigureSvg, IdsCarryThePrefix) {
  Figure f;
  f.description = "d";
  Parsed a, b;
  ASSERT_NO_FATAL_FAILURE(parse(renderSvg(f, "station-2_"), a));
  ASSERT_NO_FATAL_FAILURE(parse(renderSvg(f, "9 \"x\"<"), b));
  for (Parsed* p : {&a, &b}) {
    const auto ids = p->doc.select_nodes("//@id");
    EXPECT_EQ(ids.size(), 2u);
    for (const auto& id : ids) {
      const std::string v = id.attribute().value();
      EXPECT_TRUE(
          std::isalpha(static_cast<unsigned char>(v[0])) &&
          std::all_of(v.begin(), v.end(),
                      [](unsigned char ch) { return std::isalnum(ch) || ch == '_' || ch == '-'; }))
          << v;
      EXPECT_EQ(v.rfind(p == &a ? "station-2_" : "c9__x__", 0), 0u) << v;
    }
  }
}

TEST(FigureLayout, LegendAvoidsTheDataOrGoesBelow) {
  Figure f;
  f.x.min = 0, f.x.max = 10;
  f.panel().y.min = 0, f.panel().y.max = 10;
  // Data in the top right corner only: the legend goes top left.
  f.panel().series.push_back(xy("upper right", {7, 8, 9, 10}, {10, 9, 9.5, 10}));
  f.panel().series.push_back(xy("", {7, 10}, {8, 8}));  // no label, no entry
  f.panel().bands.push_back({Band::Along::Y, 0, 1, "band", Side::Left, ""});
  RecordingCanvas c = recorded(f);
  const auto frame = c.frames().front();
  const testing::DrawnOp* box = nullptr;
  for (const auto& op : c.ops())
    if (op.kind == testing::DrawnOp::Kind::Fill && op.paint.opacity == 0.85) box = &op;
  ASSERT_NE(box, nullptr);
  const Point corner = box->path.parts()[0].points[0];
  EXPECT_LT(corner.x, frame.x0 + 20);
  EXPECT_LT(corner.y, frame.y0 + 20);
  const auto* bandText = c.textOp("band");
  const auto* upperText = c.textOp("upper right");
  ASSERT_TRUE(bandText && upperText);
  EXPECT_LT(bandText->y, upperText->y);  // bands first, then the series

  // Data everywhere: below the plot.
  f.panel().series = {line(400, "everywhere")};
  f.panel().bands.clear();
  f.x = {}, f.panel().y = {};
  for (std::size_t i = 0; i < f.panel().series[0].y.size(); ++i)
    f.panel().series[0].y[i] = i % 2 ? 3 : 0;
  c = recorded(f);
  for (const auto& op : c.ops())
    EXPECT_FALSE(op.kind == testing::DrawnOp::Kind::Fill && op.paint.opacity == 0.85);
  const auto* entry = c.textOp("everywhere");
  ASSERT_NE(entry, nullptr);
  EXPECT_GT(entry->y, c.frames().front().y1 + 25);

  f.legend = LegendPlacement::None;
  EXPECT_EQ(recorded(f).textOp("everywhere"), nullptr);
}

TEST(FigureLayout, PanelsShareTheXAxis) {
  Figure s;
  s.title = "Fit and residuals";
  s.x.title = "Time (h)";
  Panel fit, residual;
  fit.y.title = "C (mg/L)";
  fit.series = {line(500, "measured"), line(500, "model", 2)};
  fit.weight = 3;
  residual.y.title = "Residual";
  residual.series = {line(500, "", 5)};
  for (double& y : residual.series[0].y) y -= 1.5;
  residual.markers.push_back({Marker::Kind::Horizontal, 0, 0, "", Side::Left, ""});
  residual.weight = 1;
  s.panels = {fit, residual};
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(renderSvg(s, "st"), p));
  const RecordingCanvas c = recorded(s);
  const auto f = c.frames();
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].x0, f[1].x0);
  EXPECT_EQ(f[0].x1, f[1].x1);
  EXPECT_NEAR(f[0].y1 - f[0].y0, 3 * (f[1].y1 - f[1].y0), 0.5);
  EXPECT_LT(f[0].y1, f[1].y0);
  // The x tick labels once, under the lower panel.
  std::size_t xLabels = 0;
  for (const auto& op : c.ops())
    if (op.kind == testing::DrawnOp::Kind::Text && op.font.anchor == Anchor::Middle &&
        !op.font.vertical && op.font.size == kTickFont) {
      ++xLabels;
      EXPECT_GT(op.y, f[1].y1);
    }
  EXPECT_GE(xLabels, 4u);
  const auto t = c.texts();
  EXPECT_EQ(std::count(t.begin(), t.end(), "Time (h)"), 1);
  EXPECT_TRUE(contains(t, "C (mg/L)") && contains(t, "Residual"));
  EXPECT_TRUE(contains(t, "measured") && contains(t, "model"));

  s.panels.clear();  // no panel: an empty frame, not a crash
  ASSERT_NO_FATAL_FAILURE(parse(renderSvg(s, "st"), p));
}

TEST(FigureIntervals, PointsWithIntervalBars) {
  IntervalFigure c;
  c.title = "Recovered mass";
  c.axis.title = "Mass (kg)";
  c.items = {{"Station A", 1.2, 0.9, 1.6, ""},
             {"Station <B>", 2.5, NAN, 3.1, ""},  // one end missing: no bar
             {"Station C", NAN, 0.2, 0.4, "#117733"}};
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(renderSvg(c, "iv"), p));
  const auto t = texts(p.svg);
  EXPECT_TRUE(contains(t, "Station <B>") && contains(t, "Mass (kg)"));
  RecordingCanvas r;
  draw(c, r);
  std::size_t circles = 0;
  const testing::DrawnOp* firstCircle = nullptr;
  for (const auto& op : r.ops())
    if (op.kind == testing::DrawnOp::Kind::Circle) {
      ++circles;
      if (!firstCircle) firstCircle = &op;
    }
  EXPECT_EQ(circles, 2u);
  std::vector<const testing::DrawnOp*> bars;
  for (const auto& op : r.ops())
    if (op.kind == testing::DrawnOp::Kind::Stroke && op.pen.width == 2) bars.push_back(&op);
  ASSERT_EQ(bars.size(), 2u);
  const auto& parts = bars[0]->path.parts();
  ASSERT_EQ(parts.size(), 3u);  // the bar and its two end caps
  EXPECT_LT(parts[0].points[0].x, firstCircle->x);
  EXPECT_GT(parts[0].points[1].x, firstCircle->x);
}

}  // namespace
}  // namespace kaldero::figure
