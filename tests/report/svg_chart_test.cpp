#include "report/svg_chart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <pugixml.hpp>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace kaldero::svg {
namespace {

struct Point {
  double x, y;
};

// The absolute points of path data, one list per subpath (M m L l H h V v
// Z z, the commands the charts write).
std::vector<std::vector<Point>> pathPoints(const std::string& d) {
  std::vector<std::vector<Point>> paths;
  const char* p = d.c_str();
  char command = 0;
  double x = 0, y = 0, startX = 0, startY = 0;
  const auto number = [&]() {
    char* end;
    const double v = std::strtod(p, &end);
    EXPECT_NE(end, p) << "no number at: " << p;
    p = end;
    return v;
  };
  while (*p) {
    if (*p == ' ' || *p == ',') {
      ++p;
      continue;
    }
    if (std::isalpha(static_cast<unsigned char>(*p))) command = *p++;
    switch (command) {
      case 'M':
      case 'm': {
        const double a = number(), b = number();
        x = command == 'M' ? a : x + a;
        y = command == 'M' ? b : y + b;
        startX = x, startY = y;
        paths.push_back({{x, y}});
        command = command == 'M' ? 'L' : 'l';
        continue;
      }
      case 'L':
        x = number(), y = number();
        break;
      case 'l':
        x += number(), y += number();
        break;
      case 'H':
        x = number();
        break;
      case 'h':
        x += number();
        break;
      case 'V':
        y = number();
        break;
      case 'v':
        y += number();
        break;
      case 'Z':
      case 'z':
        x = startX, y = startY;
        break;
      default:
        ADD_FAILURE() << "command " << command;
        return paths;
    }
    paths.back().push_back({x, y});
  }
  return paths;
}

struct Parsed {
  pugi::xml_document doc;
  pugi::xml_node svg;
};

// The chart parsed as XML, with the checks every chart must pass: one
// <svg> with a viewBox, width 100 %, role img and a title it is labelled
// by; nothing external, no script, no style; no non-finite number.
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
  // Coordinates (every attribute but the opacities) to a tenth at most.
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

// The frames (plot areas) of a chart, top to bottom.
std::vector<pugi::xml_node> frames(const pugi::xml_node& svg) {
  std::vector<pugi::xml_node> out;
  for (const auto& n : svg.select_nodes("//rect[@fill='none']")) out.push_back(n.node());
  return out;
}

TEST(SvgTicks, TypicalRanges) {
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

TEST(SvgTicks, DegenerateRangesAndFixedEnds) {
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
TEST(SvgTicks, SweepOfRanges) {
  std::mt19937 random(42);
  std::uniform_real_distribution<double> exponent(-8, 8), unit(-1, 1);
  Axis a;
  for (int run = 0; run < 2000; ++run) {
    const double scale = std::pow(10, exponent(random));
    double lo = unit(random) * scale, hi = unit(random) * scale;
    if (lo > hi) std::swap(lo, hi);
    const Ticks t = axisTicks(a, lo, hi);
    SCOPED_TRACE(std::to_string(lo) + " " + std::to_string(hi));
    ASSERT_GE(t.values.size(), 4u);
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

TEST(SvgChart, AFullChartIsWellFormedAndAccessible) {
  Chart c;
  c.title = "Station A: tracer & discharge";
  c.description = "Concentration against time.";
  c.x.title = "Time (h)";
  c.y.title = "Concentration (\xB5g/L)";  // the micro sign as the listings write it
  c.y2 = Axis{"Discharge (m\u00B3/s)", Scale::Linear, std::nullopt, std::nullopt, true};
  c.series.push_back(line(800, "measured"));
  c.series.back().style = Style::Points;
  c.series.push_back(line(300, "fit", 2));
  c.series.back().dashed = true;
  Series q = line(50, "discharge", 3);
  q.style = Style::Steps;
  q.axis = Side::Right;
  c.series.push_back(q);
  Series bars = line(20, "daily", 4);
  bars.style = Style::Bars;
  c.series.push_back(bars);
  c.markers.push_back({Marker::Kind::Vertical, 61.5, 0, "mean transit time", Side::Left, ""});
  c.markers.push_back(
      {Marker::Kind::Point, 200, 1.2, "final recovery 34.9 %", Side::Left, "#D55E00"});
  c.markers.push_back({Marker::Kind::Horizontal, 0, 0.5, "detection limit", Side::Left, ""});
  c.bands.push_back({Band::Along::X, 40, 90, "95 % interval", Side::Left, ""});
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(renderChart(c, "f1-"), p));
  EXPECT_STREQ(p.svg.child("title").text().get(), "Station A: tracer & discharge");
  EXPECT_STREQ(p.svg.attribute("aria-labelledby").value(), "f1-title f1-desc");
  const auto t = texts(p.svg);
  for (const char* s : {"Time (h)", "Concentration (\u00B5g/L)", "Discharge (m\u00B3/s)",
                        "measured", "fit", "discharge", "daily", "95 % interval",
                        "mean transit time", "final recovery 34.9 %", "detection limit"})
    EXPECT_TRUE(contains(t, s)) << s;
  EXPECT_EQ(frames(p.svg).size(), 1u);
  EXPECT_EQ(p.doc.select_nodes("//*[@stroke-dasharray='6 4']").size(), 1u);  // the dashed fit
}

TEST(SvgChart, LabelsAreEscapedAndMadeValidText) {
  Chart c;
  c.title = "a<b & \"c\" 'd' ]]> </svg>";
  c.x.title = std::string("bad\x01\x02 byte \xFF end\nline");
  c.series.push_back(line(10, "<script>alert(1)</script>"));
  c.series.back().colour = "red\" onload=\"x";  // not a colour: the palette's
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(renderChart(c, "x"), p));
  EXPECT_STREQ(p.svg.child("title").text().get(), "a<b & \"c\" 'd' ]]> </svg>");
  const auto t = texts(p.svg);
  EXPECT_TRUE(contains(t, "bad\uFFFD\uFFFD byte \u00FF end line"));
  EXPECT_TRUE(contains(t, "<script>alert(1)</script>"));
  EXPECT_TRUE(p.doc.select_nodes("//@onload").empty());
  EXPECT_FALSE(p.doc.select_nodes("//path[@stroke='#332288']").empty());
}

TEST(SvgChart, NonFiniteValuesAreGapsAndNeverWritten) {
  Chart c;
  Series s;
  for (int i = 0; i < 10; ++i) s.x.push_back(i), s.y.push_back(i % 3);
  s.y[5] = NAN;
  s.x[8] = INFINITY;
  c.series.push_back(s);
  c.series.push_back(xy("", {1, 2, NAN}, {NAN, -INFINITY, 4}));  // nothing drawable
  c.series.push_back(xy("", {1, 2, 3, 4}, {1, 2}));              // lengths differ: two points
  c.markers.push_back({Marker::Kind::Vertical, NAN, 0, "nowhere", Side::Left, ""});
  c.bands.push_back({Band::Along::Y, -INFINITY, 1.5, "below", Side::Left, ""});
  c.bands.push_back({Band::Along::X, NAN, 3, "", Side::Left, ""});
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(renderChart(c, "g"), p));
  const auto paths =
      pathPoints(p.doc.select_node("//path[@stroke='#332288']").node().attribute("d").value());
  ASSERT_EQ(paths.size(), 3u);  // points 0-4, 6-7, and 9 alone (a dot)
  EXPECT_EQ(paths[0].size(), 5u);
  EXPECT_EQ(paths[1].size(), 2u);
  EXPECT_FALSE(contains(texts(p.svg), "nowhere"));

  // Logarithmic axes: values that are not positive are gaps as well.
  c.y.scale = Scale::Log;
  c.series = {xy("", {0, 1, 2, 3}, {1e-3, 0, -1, 2e-2})};
  ASSERT_NO_FATAL_FAILURE(parse(renderChart(c, "h"), p));
}

// Fixed axis limits cut the lines at the frame, along their true
// direction, however far outside the points lie.
TEST(SvgChart, FixedLimitsClipLinesAtTheFrame) {
  Chart c;
  c.x.min = 0, c.x.max = 100, c.y.min = 0, c.y.max = 1;
  c.series = {xy("", {-1e6, -50, 20, 50, 80, 150, 1e12}, {0.5, 3, -2, 0.5, 1e300, 0.2, 0.3})};
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(renderChart(c, "k"), p));
  const auto frame = frames(p.svg).front();
  const double x0 = frame.attribute("x").as_double(), y0 = frame.attribute("y").as_double();
  const double x1 = x0 + frame.attribute("width").as_double();
  const double y1 = y0 + frame.attribute("height").as_double();
  std::size_t count = 0;
  for (const auto& path :
       pathPoints(p.doc.select_node("//path[@stroke='#332288']").node().attribute("d").value())) {
    for (const Point& pt : path) {
      ++count;
      EXPECT_TRUE(pt.x >= x0 - 0.06 && pt.x <= x1 + 0.06 && pt.y >= y0 - 0.06 && pt.y <= y1 + 0.06)
          << pt.x << " " << pt.y;
    }
  }
  EXPECT_EQ(count, 3u);  // in at the bottom, on to (50, 0.5), out at the top
  // (20, -2) -> (50, 0.5) crosses the bottom at x = 44: the line starts there.
  const double expected = x0 + 0.44 * (x1 - x0);
  bool found = false;
  for (const auto& path :
       pathPoints(p.doc.select_node("//path[@stroke='#332288']").node().attribute("d").value()))
    found |= std::abs(path.front().x - expected) < 0.1 && std::abs(path.front().y - y1) < 0.1;
  EXPECT_TRUE(found);
}

TEST(SvgChart, LongSeriesAreDecimatedKeepingThePeak) {
  Chart c;
  c.y.max = 100;
  Series s = line(100000);
  s.y[61234] = 100;  // a one-sample spike to the top of the frame
  c.series.push_back(s);
  const std::string svg = renderChart(c, "d");
  EXPECT_LT(svg.size(), 40000u);
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(svg, p));
  const double top = p.svg.select_node("//rect[@fill='none']").node().attribute("y").as_double();
  std::size_t count = 0;
  double highest = 1e9;
  for (const auto& path :
       pathPoints(p.doc.select_node("//path[@stroke='#332288']").node().attribute("d").value()))
    for (const Point& pt : path) ++count, highest = std::min(highest, pt.y);
  EXPECT_LE(count, 2000u);
  EXPECT_GT(count, 500u);
  EXPECT_NEAR(highest, top, 0.06);

  c.maxPoints = 0;  // no limit: every point
  EXPECT_GT(renderChart(c, "d").size(), 200000u);
}

TEST(SvgChart, SizeStaysSmall) {
  Chart c;
  c.x.title = "Time (h)";
  c.y.title = "Concentration (mg/L)";
  c.series.push_back(line(2000, "measured"));
  EXPECT_LT(renderChart(c, "s").size(), 40000u);
  c.series.back().style = Style::LinePoints;
  EXPECT_LT(renderChart(c, "s").size(), 80000u);
  c.series.clear();
  for (unsigned i = 0; i < 10; ++i) c.series.push_back(line(500, "run " + std::to_string(i), i));
  const std::string ten = renderChart(c, "s");
  EXPECT_LT(ten.size(), 100000u);
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(ten, p));
  std::set<std::string> colours;
  for (const auto& n : p.doc.select_nodes("//path[@fill='none'][@stroke-width='1.6']"))
    colours.insert(n.node().attribute("stroke").value());
  EXPECT_EQ(colours.size(), 10u);  // ten distinct palette colours
}

TEST(SvgChart, IdsCarryThePrefix) {
  Chart c;
  c.description = "d";
  Parsed a, b;
  ASSERT_NO_FATAL_FAILURE(parse(renderChart(c, "station-2_"), a));
  ASSERT_NO_FATAL_FAILURE(parse(renderChart(c, "9 \"x\"<"), b));
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

TEST(SvgChart, LegendAvoidsTheDataOrGoesBelow) {
  Chart c;
  c.x.min = 0, c.x.max = 10, c.y.min = 0, c.y.max = 10;
  // Data in the top right corner only: the legend goes top left.
  c.series.push_back(xy("upper right", {7, 8, 9, 10}, {10, 9, 9.5, 10}));
  c.series.push_back(xy("", {7, 10}, {8, 8}));  // no label, no entry
  c.bands.push_back({Band::Along::Y, 0, 1, "band", Side::Left, ""});
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(renderChart(c, "l"), p));
  const auto frame = frames(p.svg).front();
  const auto legend = p.doc.select_node("//rect[@fill-opacity='.85']").node();
  ASSERT_TRUE(legend);
  EXPECT_LT(legend.attribute("x").as_double(), frame.attribute("x").as_double() + 20);
  EXPECT_LT(legend.attribute("y").as_double(), frame.attribute("y").as_double() + 20);
  const auto entries = legend.parent().select_nodes("text");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_STREQ(entries[0].node().text().get(), "band");
  EXPECT_STREQ(entries[1].node().text().get(), "upper right");

  // Data everywhere: below the plot.
  c.series = {line(400, "everywhere")};
  c.x = {}, c.y = {};
  for (std::size_t i = 0; i < c.series[0].y.size(); ++i) c.series[0].y[i] = i % 2 ? 3 : 0;
  ASSERT_NO_FATAL_FAILURE(parse(renderChart(c, "l"), p));
  EXPECT_FALSE(p.doc.select_node("//rect[@fill-opacity='.85']"));
  const auto f = frames(p.svg).front();
  const double bottom = f.attribute("y").as_double() + f.attribute("height").as_double();
  const auto entry = p.doc.select_node("//text[.='everywhere']").node();
  ASSERT_TRUE(entry);
  EXPECT_GT(entry.attribute("y").as_double(), bottom + 25);

  c.legend = LegendPlacement::None;
  ASSERT_NO_FATAL_FAILURE(parse(renderChart(c, "l"), p));
  EXPECT_FALSE(p.doc.select_node("//text[.='everywhere']"));
}

TEST(SvgChart, AStackSharesTheXAxis) {
  ChartStack s;
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
  ASSERT_NO_FATAL_FAILURE(parse(renderStack(s, "st"), p));
  const auto f = frames(p.svg);
  ASSERT_EQ(f.size(), 2u);
  const auto attr = [](const pugi::xml_node& n, const char* a) {
    return n.attribute(a).as_double();
  };
  EXPECT_EQ(attr(f[0], "x"), attr(f[1], "x"));
  EXPECT_EQ(attr(f[0], "width"), attr(f[1], "width"));
  EXPECT_NEAR(attr(f[0], "height"), 3 * attr(f[1], "height"), 0.5);
  EXPECT_LT(attr(f[0], "y") + attr(f[0], "height"), attr(f[1], "y"));
  // The x tick labels once, under the lower panel.
  const double lowerBottom = attr(f[1], "y") + attr(f[1], "height");
  std::size_t xLabels = 0;
  for (const auto& n : p.doc.select_nodes("//g[@text-anchor='middle']/text")) {
    ++xLabels;
    EXPECT_GT(attr(n.node(), "y"), lowerBottom);
  }
  EXPECT_GE(xLabels, 4u);
  const auto t = texts(p.svg);
  EXPECT_EQ(std::count(t.begin(), t.end(), "Time (h)"), 1);
  EXPECT_TRUE(contains(t, "C (mg/L)") && contains(t, "Residual"));
  EXPECT_TRUE(contains(t, "measured") && contains(t, "model"));

  s.panels.clear();  // no panel: an empty frame, not a crash
  ASSERT_NO_FATAL_FAILURE(parse(renderStack(s, "st"), p));
}

TEST(SvgHistogram, BinsAndBars) {
  std::vector<double> v;
  for (int i = 0; i < 100; ++i) v.push_back(i);
  v.push_back(NAN);
  Histogram h = histogram(v, 10);
  ASSERT_EQ(h.counts.size(), 10u);
  ASSERT_EQ(h.edges.size(), 11u);
  EXPECT_EQ(h.edges.front(), 0);
  EXPECT_EQ(h.edges.back(), 99);  // the largest value counted in the last bin
  for (std::size_t c : h.counts) EXPECT_EQ(c, 10u);

  std::mt19937 random(3);
  std::normal_distribution<double> normal(10, 2);
  v.clear();
  for (int i = 0; i < 1000; ++i) v.push_back(normal(random));
  h = histogram(v);
  EXPECT_GE(h.counts.size(), 10u);  // Freedman-Diaconis: about 20 bins
  EXPECT_LE(h.counts.size(), 40u);
  std::size_t total = 0;
  for (std::size_t c : h.counts) total += c;
  EXPECT_EQ(total, 1000u);

  h = histogram(std::vector<double>(5, 2.5));
  EXPECT_EQ(h.counts, (std::vector<std::size_t>{5}));
  EXPECT_LT(h.edges[0], 2.5);
  EXPECT_GT(h.edges[1], 2.5);
  EXPECT_TRUE(histogram(std::vector<double>{NAN, INFINITY}).counts.empty());

  const Series s = histogramSeries(histogram(std::vector<double>{0, 1, 2, 3}, 2), "mass");
  EXPECT_EQ(s.style, Style::Bars);
  EXPECT_EQ(s.x, (std::vector<double>{0.75, 2.25}));
  EXPECT_EQ(s.y, (std::vector<double>{2, 2}));
  EXPECT_EQ(s.barWidth, 1.5);
  Chart c;
  c.series = {s};
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(renderChart(c, "hi"), p));
  const auto bars =
      pathPoints(p.doc.select_node("//path[@fill-opacity='.8']").node().attribute("d").value());
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_NEAR(bars[0][1].x, bars[1][0].x, 0.11);  // touching bars
}

TEST(SvgIntervals, PointsWithIntervalBars) {
  IntervalChart c;
  c.title = "Recovered mass";
  c.axis.title = "Mass (kg)";
  c.items = {{"Station A", 1.2, 0.9, 1.6, ""},
             {"Station <B>", 2.5, NAN, 3.1, ""},  // one end missing: no bar
             {"Station C", NAN, 0.2, 0.4, "#117733"}};
  Parsed p;
  ASSERT_NO_FATAL_FAILURE(parse(renderIntervals(c, "iv"), p));
  const auto t = texts(p.svg);
  EXPECT_TRUE(contains(t, "Station <B>") && contains(t, "Mass (kg)"));
  EXPECT_EQ(p.doc.select_nodes("//circle").size(), 2u);
  EXPECT_EQ(p.doc.select_nodes("//path[@stroke-width='2']").size(), 2u);
  const auto bar =
      pathPoints(p.doc.select_node("//path[@stroke-width='2']").node().attribute("d").value());
  ASSERT_EQ(bar.size(), 3u);  // the bar and its two end caps
  const double x = p.doc.select_node("//circle").node().attribute("cx").as_double();
  EXPECT_LT(bar[0][0].x, x);
  EXPECT_GT(bar[0][1].x, x);
}

}  // namespace
}  // namespace kaldero::svg
