// The data-plot driver: prompts, listing, screen window and PostScript pass
// in the order the switches and the processing phase ask.
#include "plot/data_plot.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/error.h"
#include "core/stop.h"
#include "tests/plot/plot_fixture.h"

namespace kaldero::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::size_t count(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t i = s.find(what); i != std::string::npos; i = s.find(what, i + 1)) ++n;
  return n;
}

TEST_F(PlotTest, MeasuredDataListingThenPlotAndWindowClosedForTheInterpolatedListing) {
  test_.dischargeMode = DischargeMode::Constant;
  test_.screenEcho = Option::On;
  test_.dataPlot = switches(1, 1, 1, 0);
  test_.interpolatedPlot = switches(1, 1, 0, 0);
  const Samples s = breakthrough(5, 1.0f, 5.0f, 2.0f, 1.0f);
  auto ctx = context();
  plot::dataPlot(ctx, s.curve(), TailFit{}, 0, 1, ExtrapolationMethod{0}, 1);
  const std::string out = console_.output();
  const std::size_t check = out.find("          CHECK THE TIME-CONCENTRATION DATA STATION1.DAT");
  const std::size_t list = out.find("END OF DATA FILE");
  const std::size_t press = out.find("          PRESS RETURN FOR A GRAPHICAL PLOT OF STATION1.DAT");
  ASSERT_NE(check, std::string::npos);
  ASSERT_NE(list, std::string::npos);
  ASSERT_NE(press, std::string::npos);
  EXPECT_LT(check, list);
  EXPECT_LT(list, press);
  EXPECT_FALSE(state_.devices.screenOpen(plot::dataWindow(0)));
  EXPECT_TRUE(files().empty());
}

TEST_F(PlotTest, InterpolatedDataPlotHasNoPlotPrompt) {
  test_.dischargeMode = DischargeMode::Constant;
  test_.screenEcho = Option::On;
  test_.knotOption = Option::On;
  test_.interpolatedName = text::padded("ST.INT");
  test_.interpolatedPlot = switches(1, 1, 0, 0);
  const Samples s = breakthrough(5, 1.0f, 5.0f, 2.0f, 1.0f);
  auto ctx = context();
  plot::dataPlot(ctx, s.curve(), TailFit{}, 1, 0, ExtrapolationMethod{0}, 2);
  const std::string out = console_.output();
  EXPECT_EQ(count(out, "CHECK THE TIME-CONCENTRATION DATA ST.INT "), 1u);
  EXPECT_THAT(out, Not(HasSubstr("PRESS RETURN FOR A GRAPHICAL PLOT")));
  EXPECT_TRUE(state_.devices.screenOpen(plot::dataWindow(1)));
}

TEST_F(PlotTest, TimesNotIncreasingStopBeforeAnythingIsListedOrDrawn) {
  test_.dischargeMode = DischargeMode::Constant;
  test_.dataPlot = switches(1, 1, 1, 1);
  Samples s = breakthrough(6, 1.0f, 6.0f, 2.0f, 1.0f);
  s.T[3] = s.T[2];
  auto ctx = context();
  EXPECT_THROW(plot::dataPlot(ctx, s.curve(), TailFit{}, 0, 1, ExtrapolationMethod{0}, 1),
               Error);
  const std::string out = console_.output();
  EXPECT_THAT(out, HasSubstr("TIME DATA NOT STRICTLY INCREASING"));
  EXPECT_THAT(out, Not(HasSubstr("END OF DATA FILE")));
  EXPECT_FALSE(state_.devices.screenOpen(plot::dataWindow(0)));
  EXPECT_TRUE(files().empty());
}

TEST_F(PlotTest, OneSampleAndAFlatCurveStillMakeTheirFiles) {
  test_.dischargeMode = DischargeMode::Measured;
  test_.dataPlot = switches(0, 0, 0, 1);
  Samples one = breakthrough(2, 1.0f, 2.0f, 1.0f, 1.0f);
  one.T.resize(1);
  auto ctx = context();
  plot::dataPlot(ctx, one.curve(), TailFit{}, 0, 1, ExtrapolationMethod{0}, 1);
  EXPECT_TRUE(renderPostScript("STATION1_DAT.PS").has_value());
  Samples flat = breakthrough(8, 1.0f, 8.0f, 2.0f, 1.0f);
  for (float& c : flat.C) c = 0.0f;
  for (float& q : flat.Q) q = 0.0f;
  plot::dataPlot(ctx, flat.curve(), TailFit{}, 0, 1, ExtrapolationMethod{0}, 1);
  EXPECT_TRUE(renderPostScript("STATION1_DAT.PS").has_value());
  EXPECT_EQ(console_.output(), "");
}

}  // namespace
}  // namespace kaldero::testing
