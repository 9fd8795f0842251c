#include "plot/plot_draw.h"

#include <cpgplot.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/support/postscript.h"
#include "tests/support/temp_file.h"

namespace kaldero::plot {
namespace {

std::vector<float> times(int n) {
  std::vector<float> t;
  for (int i = 0; i < n; ++i) t.push_back(1.0f + 0.5f * static_cast<float>(i));
  return t;
}

std::vector<float> peak(const std::vector<float>& t) {
  std::vector<float> c;
  for (float x : t) c.push_back(x < 10.0f ? x : 20.0f - x);
  return c;
}

TEST(CurvePolyline, NinetyNineSamplesSmoothHundredJoined) {
  const auto t99 = times(99), t100 = times(100);
  const auto c99 = peak(t99), c100 = peak(t100);
  const Polyline smooth = curvePolyline(t99, c99, 99, t99.back());
  // The grid from T(1) in steps of (T(N) - T(1)) / 990, below T(N).
  ASSERT_GE(smooth.x.size(), 989u);
  ASSERT_LE(smooth.x.size(), 990u);
  EXPECT_EQ(smooth.x.front(), t99.front());
  EXPECT_LT(smooth.x.back(), t99.back());
  EXPECT_NEAR(smooth.x[1] - smooth.x[0], (t99.back() - t99.front()) / 990.0f, 1e-5f);
  // The monotone interpolant starts at the first sample, rises to the peak
  // without overshooting it and falls after it.
  EXPECT_FLOAT_EQ(smooth.y[0], c99[0]);
  for (std::size_t i = 1; i < smooth.x.size(); ++i) {
    EXPECT_LE(smooth.y[i], 10.0f + 1e-4f);
    if (smooth.x[i] <= 10.0f) {
      EXPECT_GE(smooth.y[i], smooth.y[i - 1]);
    }
    if (smooth.x[i - 1] >= 10.0f) {
      EXPECT_LE(smooth.y[i], smooth.y[i - 1]);
    }
  }

  const Polyline joined = curvePolyline(t100, c100, 100, t100.back());
  EXPECT_EQ(joined.x, std::vector<float>(t100.begin(), t100.end()));
  EXPECT_EQ(joined.y, std::vector<float>(c100.begin(), c100.end()));
}

TEST(CurvePolyline, WiderGridEndGivesFewerValues) {
  const auto t = times(20);
  const auto c = peak(t);
  // The curve plots step to the right end of the axis range: the grid
  // reaches T(N) sooner.
  const float xhi = t.back() + 0.1f * (t.back() - t.front());
  const Polyline p = curvePolyline(t, c, 20, xhi);
  EXPECT_EQ(p.x.size(), 182u);  // 9.5 / (10.45 / 200) = 181.8
  EXPECT_LT(p.x.back(), t.back());
}

TEST(CurvePolyline, CurvesThatCannotBeInterpolatedAreJoined) {
  const std::vector<float> one{3.0f}, c1{2.0f};
  EXPECT_EQ(curvePolyline(one, c1, 1, 3.0f).x.size(), 1u);
  const std::vector<float> t{1, 2, 2, 3}, c{0, 1, 2, 0};
  EXPECT_EQ(curvePolyline(t, c, 4, 3.0f).x, t);
}

TEST(PlotRange, TenPercentMarginClampedAtZeroAndUsableWhenFlat) {
  Range r = plotRange(0.0f, 10.0f);
  EXPECT_FLOAT_EQ(r.lo, 0.0f);
  EXPECT_FLOAT_EQ(r.hi, 11.0f);
  r = plotRange(-1.0f, 10.0f);
  EXPECT_FLOAT_EQ(r.lo, -2.1f);
  r = usable(plotRange(4.0f, 4.0f));
  EXPECT_LT(r.lo, 4.0f);
  EXPECT_GT(r.hi, 4.0f);
  r = usable(plotRange(0.0f, 0.0f));
  EXPECT_LT(r.lo, r.hi);
}

// The ink of a page on which draw() writes its text, rendered at a
// resolution where a thin bar shows.
int inkOf(const std::function<void()>& draw) {
  testing::ScratchDir dir;
  const std::string ps = dir.path("text.ps");
  const int id = cpgopen((ps + "/PS").c_str());
  EXPECT_GT(id, 0);
  cpgpage();
  cpgsvp(0.3f, 0.9f, 0.3f, 0.9f);
  cpgswin(0.0f, 100.0f, -50.0f, 50.0f);
  cpgsch(2.0f);
  draw();
  cpgclos();
  const auto page = testing::renderPostScript(ps, 150);
  EXPECT_TRUE(page.has_value());
  return page ? page->ink() : 0;
}

// The mean t-bar: the graphics library has no glyph for the overbar
// escape, so the bar is drawn as a line; without it the label reads "t".
TEST(Overbar, EveryMeanIsDrawnWithItsBar) {
  ASSERT_TRUE(testing::ghostscriptAvailable());
  const std::string barred = "\\fit\\b\\u\\(2376)\\d =";
  const std::string plain = "\\fit =";
  EXPECT_GT(inkOf([&] { drawText(10.0f, 0.0f, barred); }),
            inkOf([&] { drawText(10.0f, 0.0f, plain); }) + 20);
  // Axis labels below and to the left of the viewport, outside its clip.
  const std::string axis = "Standardized Time \\fi(t-t\\b\\u\\(2376)\\d)/\\gs\\dt\\u";
  EXPECT_GT(inkOf([&] { sideText("B", 3.2f, 0.5f, 0.5f, axis); }),
            inkOf([&] {
              sideText("B", 3.2f, 0.5f, 0.5f, "Standardized Time \\fi(t-t)/\\gs\\dt\\u");
            }) + 20);
  const std::string chatwin =
      "[\\fit \\fnln \\fi(A\\dp\\u /C\\(2255)t\\b\\u\\(2376)\\d)]\\fn\\u1/2\\d (s\\u1/2\\d)";
  const std::string chatwinPlain =
      "[\\fit \\fnln \\fi(A\\dp\\u /C\\(2255)t)]\\fn\\u1/2\\d (s\\u1/2\\d)";
  EXPECT_GT(inkOf([&] { sideText("L", 3.0f, 0.5f, 0.5f, chatwin); }),
            inkOf([&] { sideText("L", 3.0f, 0.5f, 0.5f, chatwinPlain); }) + 20);
}

// A label piece that ends in a blank keeps it: the piece drawn after
// "Data = " does not touch the equals sign.
TEST(TextBox, TrailingBlankOfALabelPieceCounts) {
  testing::ScratchDir dir;
  ASSERT_GT(cpgopen((dir.path("box.ps") + "/PS").c_str()), 0);
  cpgpage();
  cpgsvp(0.1f, 0.9f, 0.1f, 0.9f);
  cpgswin(0.0f, 100.0f, 0.0f, 100.0f);
  cpgbox("BCNST", 0.0f, 0, "BCNST", 0.0f, 0);  // the first text sets the font up
  const TextBox withBlank = textBox(10.0f, 10.0f, "Data = ");
  const TextBox without = textBox(10.0f, 10.0f, "Data =");
  const TextBox blank = textBox(10.0f, 10.0f, "x x");
  const TextBox noBlank = textBox(10.0f, 10.0f, "xx");
  cpgclos();
  EXPECT_NEAR(withBlank.right - without.right, blank.right - noBlank.right, 1e-3f);
  EXPECT_GT(withBlank.right, without.right);
}

}  // namespace
}  // namespace kaldero::plot
