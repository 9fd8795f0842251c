// The flow-path fit figure: the curve, the fitted paths (with a storage
// zone) and the residual panel below, in every file format; a curve without
// a fit draws no residual panel.
#include "plot/fit_plot.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "numeric/advection_dispersion.h"
#include "tests/plot/plot_fixture.h"

namespace kaldero::testing {
namespace {

using ::testing::ElementsAre;

struct FitCurve {
  std::vector<double> t, c, q;
};

FitCurve storageCurve() {
  FitCurve f;
  for (int i = 1; i <= 400; ++i) {
    f.t.push_back(200.0 * i);
    f.q.push_back(0.5);
  }
  f.c.resize(f.t.size());
  const std::vector<numeric::FlowPath> paths{{0.025, 0.3, 1.0e8, 0.4, 1e-4}};
  numeric::concentrations(f.t, f.q, 500, 1800, paths, f.c);
  // A wobble the model does not have, for the residual panel to show.
  for (std::size_t i = 0; i < f.c.size(); ++i) f.c[i] += 20 * std::sin(0.05 * static_cast<double>(i));
  return f;
}

// The ink in the band of rows [from, to) of the page (fractions from the top).
int inkBetween(const Page& p, double from, double to) {
  int n = 0;
  const int r0 = static_cast<int>(from * p.height), r1 = static_cast<int>(to * p.height);
  for (int r = r0; r < r1; ++r)
    for (int c = 0; c < p.width; ++c) {
      const std::size_t i = 3 * (static_cast<std::size_t>(r) * static_cast<std::size_t>(p.width) +
                                 static_cast<std::size_t>(c));
      if (p.rgb[i] < 240 || p.rgb[i + 1] < 240 || p.rgb[i + 2] < 240) ++n;
    }
  return n;
}

TEST_F(PlotTest, FitFigureHasAResidualPanelInEveryFormat) {
  const FitCurve f = storageCurve();
  FlowPathFitInput in;
  in.times = f.t;
  in.concentrations = f.c;
  in.discharges = f.q;
  in.distance = 500;
  in.releaseDuration = 1800;
  in.paths = 1;
  in.storage = StorageChoice::Forced;
  const FlowPathFitResult fit = fitFlowPaths(in);
  ASSERT_TRUE(fit.fitted()) << fit.reason;
  state_.formats = {plot::PlotFormat::PostScript, plot::PlotFormat::Png, plot::PlotFormat::Svg,
                    plot::PlotFormat::Pdf};
  auto ctx = context();
  plot::fitPlot(ctx, {f.t, f.c, f.q, 500, 1800}, fit);
  EXPECT_THAT(files(), ElementsAre("STATION1_FIT.PS", "STATION1_FIT.pdf", "STATION1_FIT.png",
                                   "STATION1_FIT.svg"));
  expectRendered("STATION1_FIT.PS", "fit_plot_residuals.png");
  const auto page = renderPostScript("STATION1_FIT.PS");
  ASSERT_TRUE(page.has_value());
  // The lower fifth of the page holds the residual panel; without a fit it
  // stays empty but for the time axis' labels.
  const int withPanel = inkBetween(*page, 0.72, 0.9);
  FlowPathFitResult none;
  none.reason = "the curve is flat";
  state_.formats = {plot::PlotFormat::PostScript};
  plot::fitPlot(ctx, {f.t, f.c, f.q, 500, 1800}, none);
  const auto empty = renderPostScript("STATION1_FIT.PS");
  ASSERT_TRUE(empty.has_value());
  EXPECT_GT(withPanel, 2 * inkBetween(*empty, 0.72, 0.9));
}

// Strongly blue and strongly red pixels of the band of rows [from, to).
std::pair<int, int> blueAndRed(const Page& p, double from, double to) {
  int blue = 0, red = 0;
  const int r0 = static_cast<int>(from * p.height), r1 = static_cast<int>(to * p.height);
  for (int r = r0; r < r1; ++r)
    for (int c = 0; c < p.width; ++c) {
      const std::size_t i = 3 * (static_cast<std::size_t>(r) * static_cast<std::size_t>(p.width) +
                                 static_cast<std::size_t>(c));
      if (p.rgb[i + 2] > 180 && p.rgb[i] < 110 && p.rgb[i + 1] < 110) ++blue;
      if (p.rgb[i] > 180 && p.rgb[i + 1] < 110 && p.rgb[i + 2] < 110) ++red;
    }
  return {blue, red};
}

TEST_F(PlotTest, FitFigureDrawsTheMeasuredSamplesOverTheFittedSum) {
  // A curve the model reproduces exactly: the fitted sum runs through every
  // sample, and only samples drawn after it stay visible on it.
  FitCurve f;
  for (int i = 1; i <= 600; ++i) {
    f.t.push_back(100.0 * i);
    f.q.push_back(0.5);
  }
  f.c.resize(f.t.size());
  const std::vector<numeric::FlowPath> paths{{0.03, 0.5, 1.0e8}};
  numeric::concentrations(f.t, f.q, 500, 0, paths, f.c);
  FlowPathFitInput in;
  in.times = f.t;
  in.concentrations = f.c;
  in.discharges = f.q;
  in.distance = 500;
  in.paths = 1;
  in.storage = StorageChoice::None;
  in.errors = ErrorModel::Independent;
  const FlowPathFitResult fit = fitFlowPaths(in);
  ASSERT_TRUE(fit.fitted()) << fit.reason;
  auto ctx = context();
  plot::fitPlot(ctx, {f.t, f.c, f.q, 500, 0}, fit);
  const auto page = renderPostScript("STATION1_FIT.PS", 100);
  ASSERT_TRUE(page.has_value());
  // The upper panel below the legend: the curve's rise, peak and tail.
  const auto [blue, red] = blueAndRed(*page, 0.35, 0.65);
  EXPECT_GT(blue, red) << "blue " << blue << ", red " << red;
}

// The numbers the figure writes (its tick labels): the PostScript strings
// "(...)Tj" that hold a number.
std::vector<double> numbersWritten(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string ps((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<double> out;
  for (std::size_t end = ps.find(")Tj"); end != std::string::npos; end = ps.find(")Tj", end + 1)) {
    const std::size_t open = ps.rfind('(', end);
    if (open == std::string::npos) continue;
    const std::string text = ps.substr(open + 1, end - open - 1);
    if (!text.empty() && text.find_first_not_of("-0123456789.") == std::string::npos)
      out.push_back(std::stod(text));
  }
  return out;
}

TEST_F(PlotTest, FitFigureTimesAreSinceTheReleaseWhenTheFlowZoneIsReachedLater) {
  // The fit counts time from the tracer's arrival at the flow zone, 200 h
  // after the release; the figure's axis, "Time since the release", adds
  // it back: its labels reach 200 h and more.
  const FitCurve f = storageCurve();  // 0.06 to 22 h after the arrival
  FlowPathFitInput in;
  in.times = f.t;
  in.concentrations = f.c;
  in.discharges = f.q;
  in.distance = 500;
  in.releaseDuration = 1800;
  in.paths = 1;
  in.storage = StorageChoice::Forced;
  in.errors = ErrorModel::Independent;
  const FlowPathFitResult fit = fitFlowPaths(in);
  ASSERT_TRUE(fit.fitted()) << fit.reason;
  auto ctx = context();
  plot::fitPlot(ctx, {f.t, f.c, f.q, 500, 1800, 0}, fit);
  const std::vector<double> atArrival = numbersWritten("STATION1_FIT.PS");
  plot::fitPlot(ctx, {f.t, f.c, f.q, 500, 1800, 200 * 3600.0}, fit);
  const std::vector<double> sinceRelease = numbersWritten("STATION1_FIT.PS");
  ASSERT_FALSE(atArrival.empty());
  const auto largest = [](const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
  };
  EXPECT_LT(largest(atArrival), 200);
  EXPECT_GE(largest(sinceRelease), 200);
  EXPECT_LE(largest(sinceRelease), 230);
}

}  // namespace
}  // namespace kaldero::testing
