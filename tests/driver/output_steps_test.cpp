// The output steps on the curve the analyses leave: the CXTFIT input file
// and the curve files are made from concentrations whichever way the
// reports left the curve.
#include "driver/output_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/curve_files.h"
#include "core/format.h"
#include "tests/support/station_run.h"

namespace kaldero::testing {
namespace {

std::vector<std::string> fileLines(const std::string& name) {
  std::ifstream in(name);
  std::vector<std::string> out;
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// A curve in internal units: every half hour for 30 h, a peak of 1000 ng/L
// at 10 h; the skewed one rises slowly to it and falls within the hour.
struct Curve {
  std::vector<float> T, C;
  explicit Curve(bool skewed = false) {
    for (int i = 0; i <= 60; ++i) {
      const float h = 0.5f * static_cast<float>(i);
      T.push_back(3600.0f * h);
      if (skewed)
        C.push_back(h <= 10.0f ? 100.0f * h : std::max(0.0f, 1000.0f * (11.0f - h)));
      else
        C.push_back(std::round(1000.0f * std::exp(-0.5f * (h - 10.0f) * (h - 10.0f) / 4.0f)));
    }
  }
};

// The second column of a curve file as the normalized values of C.
void expectNormalizedOf(const Curve& c, float recoveredGrams, const std::string& file) {
  const auto n = static_cast<int32_t>(c.T.size());
  std::vector<float> tf(c.T.size()), v(c.T.size());
  curves::normalizedCurve(c.T, c.C, n, TimeUnit::Seconds, recoveredGrams, tf, v);
  const auto lines = fileLines(file);
  ASSERT_EQ(lines.size(), c.T.size());
  for (std::size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i], fmt::G(tf[i], 20, 10) + fmt::G(v[i], 20, 10)) << "sample " << i + 1;
}

TEST(OutputSteps, CxtfitFileAndCurveFilesGiveTheLoadsBackAsConcentrations) {
  StationRun run;
  TestDescription& t = run.test();
  t.constantDischarge = 2.0f;  // loads twice the concentrations
  run.setup().constantDischarge = 2.0f;
  t.cxtfitOption = Option::On;
  t.cxtfitSettings = {1, 1};
  t.cxtfitName = text::padded("ST.CXT");
  t.normalizedOption = Option::On;
  t.normalizedName = text::padded("ST.NRM");
  const Curve c;
  run.run(c.T, c.C);
  RunState& s = run.state();
  ASSERT_TRUE(s.station.curveIsLoad);  // instantaneous release

  cxtfitStep(s);
  EXPECT_EQ(s.setup.cxtfitSettings, (std::array<int32_t, 2>{1, 0}));
  EXPECT_EQ(t.cxtfitSettings, (std::array<int32_t, 2>{1, 1}));  // as read
  const auto cxt = fileLines("ST.CXT");
  ASSERT_EQ(cxt.size(), 37u + c.T.size() + 1u);  // head, data, closing line
  // The sample at 10 h: 1 mg/m3.
  EXPECT_EQ(cxt[37 + 20], "     10.00000000         1.000000000    ");
  EXPECT_EQ(cxt.back(), "        0                    0");

  curveFileSteps(s);
  expectNormalizedOf(c, s.results.recoveredMassGrams, "ST.NRM");
}

TEST(OutputSteps, WithoutCxtfitFileTheNormalizedStepGivesTheConcentrationsBack) {
  // The CXTFIT option is on, but the station does not add to the run
  // totals: no CXTFIT file, and the curve is still made of loads when the
  // normalized step starts.
  StationRun run;
  TestDescription& t = run.test();
  t.constantDischarge = 2.0f;
  run.setup().constantDischarge = 2.0f;
  t.stationTotals = Option::Off;
  t.cxtfitOption = Option::On;
  t.cxtfitName = text::padded("ST.CXT");
  t.normalizedOption = Option::On;
  t.normalizedName = text::padded("ST.NRM");
  const Curve c;
  run.run(c.T, c.C);
  cxtfitStep(run.state());
  EXPECT_FALSE(std::filesystem::exists("ST.CXT"));
  curveFileSteps(run.state());
  expectNormalizedOf(c, run.results().recoveredMassGrams, "ST.NRM");
}

TEST(OutputSteps, PulseLongerThanTheCorrectedMeanTimeGivesConcentrations) {
  // A pulse of 1.5 h reaching the flow zone after 6 h, on a curve whose
  // mean time (7 h) lies before its peak: the reports see loads (the pulse
  // is shorter than the uncorrected mean time), yet it is not shorter than
  // the mean transit time less the 6 h.
  StationRun run;
  TestDescription& t = run.test();
  t.constantDischarge = 2.0f;
  run.setup().constantDischarge = 2.0f;
  t.normalizedOption = Option::On;
  t.normalizedName = text::padded("ST.NRM");
  run.release().mode = ReleaseMode::Pulse;
  run.release().durationHours = 1.5f;
  run.release().flowZoneArrivalHours = 6.0f;
  const Curve c(true);
  run.run(c.T, c.C);
  const AnalysisResults& r = run.results();
  ASSERT_LT(1.5f, r.comparisonTime);
  ASSERT_FALSE(1.5f < r.meanTimeHours);
  ASSERT_TRUE(run.state().station.curveIsLoad);
  curveFileSteps(run.state());
  expectNormalizedOf(c, r.recoveredMassGrams, "ST.NRM");
}

TEST(OutputSteps, GraphicsWindowClosedAfterTheChatwinStep) {
  TestDescription t;
  StationSetup setup;
  EXPECT_FALSE(closeAfterChatwinWanted(t, setup));
  // A data plot or the Chatwin plot on the screen: only with the echo.
  t.dataPlot.points = Option::On;
  EXPECT_FALSE(closeAfterChatwinWanted(t, setup));
  t.screenEcho = Option::On;
  EXPECT_TRUE(closeAfterChatwinWanted(t, setup));
  t.dataPlot = PlotSwitches{};
  setup.chatwinScreenPlot = Option::On;
  EXPECT_TRUE(closeAfterChatwinWanted(t, setup));
  // The Chatwin switch counts as the Chatwin plots left it (cleared once
  // drawn), not as read.
  t.chatwinPlot.screenPlot = Option::On;
  setup.chatwinScreenPlot = Option::Off;
  EXPECT_FALSE(closeAfterChatwinWanted(t, setup));
  // Only the interpolated plot on the screen: echo or not.
  t = TestDescription{};
  setup = StationSetup{};
  setup.knotOption = Option::On;
  t.interpolatedPlot.curve = Option::On;
  EXPECT_TRUE(closeAfterChatwinWanted(t, setup));
  setup.knotOption = Option::Off;
  EXPECT_FALSE(closeAfterChatwinWanted(t, setup));
  // The knot option as the knot decision left it: off when the knots were
  // as many as the samples.
  t.knotOption = Option::On;
  EXPECT_FALSE(closeAfterChatwinWanted(t, setup));
  // Switches that are neither 0 nor 1 count as off for the first rule, but
  // with both data-plot kinds and the Chatwin plot they keep the window.
  setup.knotOption = Option::On;
  t.dataPlot.points = t.dataPlot.curve = Option{2};
  setup.chatwinScreenPlot = Option{2};
  EXPECT_FALSE(closeAfterChatwinWanted(t, setup));
  t.dataPlot.curve = Option::Off;
  EXPECT_TRUE(closeAfterChatwinWanted(t, setup));
}

}  // namespace
}  // namespace kaldero::testing
