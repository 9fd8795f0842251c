// The figures' file back-end: every format written whole and named through
// the gate, the paper size and resolution, the library's text escapes, and
// the drawing the same as the layout's (and so the HTML report's): the
// library's SVG holds the recorded lines at the recorded places.
#include "plot/figure_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "figure/draw.h"
#include "tests/figure/recording_canvas.h"
#include "tests/plot/plot_fixture.h"

namespace kaldero::testing {
namespace {

using ::testing::ElementsAre;

std::string readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A figure of two panels: a curve with its band, a marker and a legend,
// and residuals below.
figure::Figure example() {
  figure::Figure f;
  f.title = "TQF.DAT (150 m): flow-path fit";
  f.x.title = "Time since the release (h)";
  figure::Panel top, bottom;
  top.y.title = "Concentration (\u00b5g/L)";
  top.weight = 3;
  figure::Series s;
  s.label = "Fitted";
  s.colour = "#117733";
  for (int i = 0; i <= 60; ++i) {
    const double t = 0.5 * i;
    s.x.push_back(t);
    s.y.push_back(40 * std::exp(-std::pow((t - 8) / 4, 2)));
  }
  figure::Envelope band;
  band.label = "95 % interval";
  band.x = s.x;
  for (double y : s.y) band.low.push_back(0.9 * y), band.high.push_back(1.1 * y);
  top.envelopes.push_back(band);
  top.series.push_back(s);
  top.markers.push_back({figure::Marker::Kind::Vertical, 8, 0, "peak", figure::Side::Left, ""});
  bottom.y.title = "Residual";
  figure::Series r;
  r.colour = "#882255";
  r.style = figure::Style::Points;
  for (int i = 0; i <= 30; ++i) r.x.push_back(i), r.y.push_back(std::sin(i));
  bottom.series.push_back(r);
  f.panels = {top, bottom};
  return f;
}

class FigureFileTest : public PlotTest {
 protected:
  void write(const figure::Figure& f, const std::vector<plot::PlotFormat>& formats,
             const plot::FigureSize& size = {}) {
    plot::figureFiles(state_, gate_, f, formats, size, [](plot::PlotFormat format) {
      return OutputRecord{plot::plotFileName(std::string("TQF.DAT"), 7, plot::kSuffixFit, format),
                          "flow-path fit figure", plot::formatName(format)};
    });
  }
};

// The PNG's width and height in pixels, from its header.
std::pair<unsigned, unsigned> pngSize(const std::string& png) {
  if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return {0, 0};
  const auto be = [&](std::size_t at) {
    return (static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24) |
           (static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])) << 16) |
           (static_cast<unsigned>(static_cast<unsigned char>(png[at + 2])) << 8) |
           static_cast<unsigned>(static_cast<unsigned char>(png[at + 3]));
  };
  return {be(16), be(20)};
}

TEST_F(FigureFileTest, EveryFormatIsWrittenWholeThroughTheGate) {
  write(example(), {plot::PlotFormat::PostScript, plot::PlotFormat::Png, plot::PlotFormat::Svg,
                    plot::PlotFormat::Pdf});
  EXPECT_THAT(files(),
              ElementsAre("TQF_FIT.PS", "TQF_FIT.pdf", "TQF_FIT.png", "TQF_FIT.svg"));
  const std::string ps = readFile("TQF_FIT.PS"), pdf = readFile("TQF_FIT.pdf"),
                    svg = readFile("TQF_FIT.svg");
  EXPECT_EQ(ps.rfind("%!PS", 0), 0u);
  EXPECT_NE(ps.find("%%EOF"), std::string::npos);
  EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(svg.c_str()));
  // One page each: the SVG holds one drawing, not a blank page before it.
  EXPECT_EQ(doc.select_nodes("/svg").size(), 1u);
  EXPECT_EQ(gate_.runFiles().size(), 4u);
  ASSERT_TRUE(ghostscriptAvailable()) << "Ghostscript (gs) is needed to check the plots";
  const auto page = renderPostScript("TQF_FIT.PS");
  ASSERT_TRUE(page.has_value());
  EXPECT_GT(page->ink(), page->width * page->height / 100);
  EXPECT_TRUE(writePng("TQF_FIT.PS", (renderedDir() / "figure_file_fit.png").string()));
}

TEST_F(FigureFileTest, ThePaperSizeAndTheResolutionSetThePixels) {
  write(example(), {plot::PlotFormat::Png});  // 16 x 10 cm at 150 dpi, the panels' aspect
  const auto [w, h] = pngSize(readFile("TQF_FIT.png"));
  EXPECT_NEAR(w, 16 / 2.54 * 150, 2);
  EXPECT_NEAR(h, 10 / 2.54 * 150, 2);
  plot::FigureSize print;
  print.widthCm = 8;
  print.heightCm = 6;
  print.dpi = 300;
  write(example(), {plot::PlotFormat::Png}, print);
  const auto [w2, h2] = pngSize(readFile("TQF_FIT.png"));
  EXPECT_NEAR(w2, 8 / 2.54 * 300, 2);
  EXPECT_NEAR(h2, 6 / 2.54 * 300, 2);
  // A figure taller than the usual proportions (360 by 560) gets its paper
  // taller alike.
  figure::Figure tall = example();
  tall.height = 480;
  write(tall, {plot::PlotFormat::Png});
  const auto [w3, h3] = pngSize(readFile("TQF_FIT.png"));
  EXPECT_NEAR(w3, 16 / 2.54 * 150, 2);
  EXPECT_NEAR(h3, 10 * (480.0 / 360) / 2.54 * 150, 2);
}

TEST(FigureSize, ParsedInCentimetres) {
  const auto s = plot::parseFigureSize("16x10");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->widthCm, 16);
  EXPECT_EQ(s->heightCm, 10);
  EXPECT_EQ(s->dpi, 150);
  EXPECT_TRUE(plot::parseFigureSize("8.5x6"));
  EXPECT_TRUE(plot::parseFigureSize("2x100"));
  for (const char* bad : {"", "16", "16x", "x10", "16x10x2", "1x10", "16x101", "-16x10", "16X10",
                          "16 x 10", "1e1x10", "nanx10", "16x10cm"})
    EXPECT_FALSE(plot::parseFigureSize(bad)) << bad;
}

TEST(LibraryText, TheFiguresCharactersAsTheLibrarysEscapes) {
  EXPECT_EQ(plot::libraryText("Concentration (\u00b5g/L)"), "Concentration (\\gmg/L)");
  EXPECT_EQ(plot::libraryText("Discharge (m\u00b3/s)"), "Discharge (m\\u3\\d/s)");
  EXPECT_EQ(plot::libraryText("2.5\u00d710\u207b\u2074"), "2.5\\x10\\u-4\\d");
  EXPECT_EQ(plot::libraryText("\u22122"), "-2");
  EXPECT_EQ(plot::libraryText("R\u00b2 0.98; s\u00bd"), "R\\u2\\d 0.98; s\\u1/2\\d");
  // An accented station name keeps its letters; other characters a mark.
  EXPECT_EQ(plot::libraryText("Fontaine de l'\u00c9glise \u2192 \u4e2d"),
            "Fontaine de l'Eglise ? ?");
  EXPECT_EQ(plot::libraryText("a\\b"), "a\\\\b");
  // Windows-1252 bytes as the listings hold them.
  EXPECT_EQ(plot::libraryText("C (\xb5g/L)"), "C (\\gmg/L)");
  EXPECT_EQ(plot::libraryText(std::string("a\0b\x01", 4)), "a?b?");
}

// The points of the library's SVG paths stroked in a colour (red, green,
// blue from 0 to 1), in page units: cairo writes "stroke:rgb(r%,g%,b%)"
// and path data of M, L, C and Z.
std::vector<figure::Point> svgPoints(const pugi::xml_document& doc, const double rgb[3]) {
  std::vector<figure::Point> out;
  for (const auto& n : doc.select_nodes("//path")) {
    const std::string style = n.node().attribute("style").value();
    const std::size_t at = style.find("stroke:rgb(");
    if (at == std::string::npos) continue;
    double c[3];
    if (std::sscanf(style.c_str() + at, "stroke:rgb(%lf%%,%lf%%,%lf%%)", &c[0], &c[1], &c[2]) != 3)
      continue;
    if (std::abs(c[0] / 100 - rgb[0]) > 0.005 || std::abs(c[1] / 100 - rgb[1]) > 0.005 ||
        std::abs(c[2] / 100 - rgb[2]) > 0.005)
      continue;
    const std::string d = n.node().attribute("d").value();
    const char* p = d.c_str();
    while (*p) {
      if ((*p >= 'A' && *p <= 'Z') || *p == ' ' || *p == ',') {
        ++p;
        continue;
      }
      char* end = nullptr;
      const double x = std::strtod(p, &end);
      if (end == p) break;
      p = end;
      const double y = std::strtod(p, &end);
      if (end == p) break;
      p = end;
      out.push_back({x, y});
    }
  }
  return out;
}

// The library's drawing is the layout's: the lines of a series land where
// the layout put them (scaled from the figure's units to the page), so a
// file figure and the report's figure of one description agree; a back-end
// that shifted, flipped or rescaled its lines fails here.
TEST_F(FigureFileTest, TheLibrarysLinesLieWhereTheLayoutPutsThem) {
  const figure::Figure f = example();
  write(f, {plot::PlotFormat::Svg});
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(readFile("TQF_FIT.svg").c_str()));
  const auto svg = doc.document_element();
  const double pageWidth = svg.attribute("width").as_double();
  const double pageHeight = svg.attribute("height").as_double();
  ASSERT_GT(pageWidth, 0);
  // The layout of the same figure at the page's proportions.
  figure::Figure laidOut = f;
  laidOut.height = f.width * pageHeight / pageWidth;
  RecordingCanvas recorded;
  figure::draw(laidOut, recorded);
  const double scale = pageWidth / f.width;
  const std::vector<figure::Point> expected = strokePoints(recorded, "#117733");
  const double green[3] = {0x11 / 255.0, 0x77 / 255.0, 0x33 / 255.0};  // #117733
  const std::vector<figure::Point> drawn = svgPoints(doc, green);
  ASSERT_GE(expected.size(), 30u);
  ASSERT_GE(drawn.size(), 10u) << "the series' line is missing from the file";
  // Every recorded point of the line lies on the drawn line and every drawn
  // point on the recorded one (within a pixel; the library may drop a
  // point on a straight run).
  const auto distance = [](const figure::Point& p, const std::vector<figure::Point>& line,
                           double scale) {
    double best = INFINITY;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
      const double ax = line[i].x * scale, ay = line[i].y * scale;
      const double bx = line[i + 1].x * scale, by = line[i + 1].y * scale;
      const double dx = bx - ax, dy = by - ay, length = dx * dx + dy * dy;
      const double t =
          length > 0 ? std::clamp(((p.x - ax) * dx + (p.y - ay) * dy) / length, 0.0, 1.0) : 0;
      best = std::min(best, std::hypot(p.x - ax - t * dx, p.y - ay - t * dy));
    }
    return best;
  };
  for (const figure::Point& e : expected)
    EXPECT_LT(distance({e.x * scale, e.y * scale}, drawn, 1), 1.0) << e.x << " " << e.y;
  for (const figure::Point& d : drawn) EXPECT_LT(distance(d, expected, scale), 1.0) << d.x << " " << d.y;
  const auto frame = recorded.frames().front();
  for (const figure::Point& d : drawn) {
    EXPECT_GE(d.x / scale, frame.x0 - 3);
    EXPECT_LE(d.x / scale, frame.x1 + 3);
    EXPECT_GE(d.y / scale, frame.y0 - 3);
    EXPECT_LE(d.y / scale, frame.y1 + 3);
  }
}

}  // namespace
}  // namespace kaldero::testing
