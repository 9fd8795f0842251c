// The driver's station steps after the analyses: the CXTFIT input file and
// the curve files are made from concentrations whichever regime the
// reports worked in, and the graphics window is closed after the Chatwin
// step as the plots left its switch.
#include "driver/station_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/chatwin.h"
#include "analysis/curve_files.h"
#include "analysis/station_analysis.h"
#include "core/format.h"
#include "files/cxtfit_file.h"
#include "input/output_names.h"
#include "tests/support/capture.h"
#include "tests/support/station_fixture.h"
#include "tests/support/temp_file.h"

namespace kaldero::testing {
namespace {

std::vector<std::string> fileLines(const std::string& name) {
  std::ifstream in(name);
  std::vector<std::string> out;
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// The run state and one station of the driver, in a scratch working
// directory; the station in internal units (its conditioned curve given),
// the screen plots on the null device.
class DriverStation {
 public:
  explicit DriverStation(bool terminal = false)
      : here_(dir_.dir()), cc_("", terminal), session_(cc_.console(), options_), s_(session_) {
    internalUnitStation(st_.test, st_.setup, s_.release, s_.control);
    st_.name50 = text::padded("ST.DAT");
    s_.plots.devices.setScreenDevice("/null");
    s_.stationCounter = 1;
    s_.record.stations.push_back(StationRecord{});
  }

  TestDescription& test() { return st_.test; }
  StationSetup& setup() { return st_.setup; }
  ReleaseSetup& release() { return s_.release; }
  const StationResults& results() const { return st_.results; }
  RunState& state() { return s_; }
  Station& station() { return st_; }
  std::string consoleText() { return cc_.output(); }

  // The plan of the station's outputs, the analyses, then the station's
  // files.
  void run(const std::vector<float>& T, const std::vector<float>& C) {
    ASSERT_FALSE(s_.gate.planStation(plannedOutputs(st_.test, st_.name50)));
    st_.conditioned = conditionedCurve(T, C);
    analyse(s_, st_);
    ASSERT_TRUE(st_.results.complete());
    stationFiles(s_, st_);
  }

 private:
  ScratchDir dir_;
  InDirectory here_;
  CapturedConsole cc_;
  RunOptions options_;
  Session session_;
  RunState s_;
  Station st_;
};

// A curve in internal units: every half hour for 30 h, a peak of 1000 ng/L
// at 10 h; the skewed one rises slowly to it and falls within the hour.
struct Samples {
  std::vector<float> T, C;
  explicit Samples(bool skewed = false) {
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

// The second column of a curve file as the normalized values of the
// measured concentrations C.
void expectNormalizedOf(const Samples& c, const StationResults& r, const std::string& file) {
  const CurveFileValues v =
      curves::curveFileValues(c.T, c.C, DischargeOf{}, TimeUnit::Seconds, r.mass->mass.grams,
                              *r.transit, r.arrival.peakConcentration, false);
  const auto lines = fileLines(file);
  ASSERT_EQ(lines.size(), c.T.size());
  for (std::size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i], fmt::G(v.times[i], 20, 10) + fmt::G(v.values[i], 20, 10))
        << "sample " << i + 1;
}

TEST(OutputSteps, CxtfitFileAndCurveFilesGiveTheLoadsBackAsConcentrations) {
  DriverStation run;
  TestDescription& t = run.test();
  t.constantDischarge = 2.0f;  // loads twice the concentrations
  run.setup().constantDischarge = 2.0f;
  t.cxtfitOption = Option::On;
  t.cxtfitSettings = {1, 1};
  t.cxtfitName = text::padded("ST.CXT");
  t.normalizedOption = Option::On;
  t.normalizedName = text::padded("ST.NRM");
  const Samples c;
  run.run(c.T, c.C);
  const StationResults& r = run.results();
  ASSERT_TRUE(r.mass->loadRegime);  // instantaneous release: the reports take loads
  // The loads' round trip gives the concentrations back exactly.
  EXPECT_EQ(r.outputConcentrations, c.C);

  // The settings (1, 1) are taken as (1, 0); the header keeps them as read.
  EXPECT_EQ(cxtfit::normalizedSettings(t.cxtfitSettings), (std::array<int32_t, 2>{1, 0}));
  EXPECT_EQ(t.cxtfitSettings, (std::array<int32_t, 2>{1, 1}));
  const auto cxt = fileLines("ST.CXT");
  ASSERT_EQ(cxt.size(), 37u + c.T.size() + 1u);  // head, data, closing line
  // The sample at 10 h: 1 mg/m3.
  EXPECT_EQ(cxt[37 + 20], "     10.00000000         1.000000000    ");
  EXPECT_EQ(cxt.back(), "        0                    0");

  expectNormalizedOf(c, r, "ST.NRM");
  // Both written through the gate, for the station's record.
  std::vector<std::string> written;
  for (const OutputRecord& f : run.state().gate.takeStationFiles()) written.push_back(f.name);
  EXPECT_EQ(written, (std::vector<std::string>{"ST.CXT", "ST.NRM"}));
}

TEST(OutputSteps, WithoutCxtfitFileTheNormalizedFileHasConcentrations) {
  // The CXTFIT option is on, but the station does not add to the run
  // totals: no CXTFIT file; the normalized file still has concentrations.
  DriverStation run;
  TestDescription& t = run.test();
  t.constantDischarge = 2.0f;
  run.setup().constantDischarge = 2.0f;
  t.stationTotals = Option::Off;
  t.cxtfitOption = Option::On;
  t.cxtfitName = text::padded("ST.CXT");
  t.normalizedOption = Option::On;
  t.normalizedName = text::padded("ST.NRM");
  const Samples c;
  run.run(c.T, c.C);
  EXPECT_FALSE(std::filesystem::exists("ST.CXT"));
  expectNormalizedOf(c, run.results(), "ST.NRM");
}

TEST(OutputSteps, PulseLongerThanTheCorrectedMeanTimeGivesConcentrations) {
  // A pulse of 1.5 h reaching the flow zone after 6 h, on a curve whose
  // mean time (7 h) lies before its peak: the reports see loads (the pulse
  // is shorter than the uncorrected mean time), yet it is not shorter than
  // the mean transit time less the 6 h.
  DriverStation run;
  TestDescription& t = run.test();
  t.constantDischarge = 2.0f;
  run.setup().constantDischarge = 2.0f;
  t.normalizedOption = Option::On;
  t.normalizedName = text::padded("ST.NRM");
  run.release().mode = ReleaseMode::Pulse;
  run.release().durationHours = 1.5f;
  run.release().flowZoneArrivalHours = 6.0f;
  const Samples c(true);
  run.run(c.T, c.C);
  const StationResults& r = run.results();
  ASSERT_LT(1.5f, r.mass->comparisonTime);
  ASSERT_FALSE(1.5f < r.transit->meanTime.hours);
  ASSERT_TRUE(r.mass->loadRegime);
  expectNormalizedOf(c, r, "ST.NRM");
}

// Whether the Chatwin step closes the graphics window (a terminal console
// clears the screen then): the header t, the knot option as the knot
// decision left it, and whether the Chatwin method fitted a line (its
// plots are then drawn, which clears the Chatwin screen switch).
bool closesTheWindow(const TestDescription& t, Option knotOption, bool fitted) {
  DriverStation run(true);
  run.test() = t;
  run.setup().knotOption = knotOption;
  // A single sample with tracer: no line.
  run.station().conditioned = conditionedCurve({1, 2, 3}, {9, 0, 0});
  if (fitted) {
    // An advection-dispersion curve, whose Chatwin line is fitted.
    std::vector<float> T, C;
    for (int i = 1; i <= 84; ++i) {
      const double s = 3600.0 * i;
      T.push_back(static_cast<float>(s));
      C.push_back(static_cast<float>(1e6 / std::sqrt(4 * M_PI * 0.5 * s) *
                                     std::exp(-(1000 - 0.01 * s) * (1000 - 0.01 * s) / (2 * s))));
    }
    run.station().conditioned = conditionedCurve(T, C);
  }
  analyse(run.state(), run.station());
  EXPECT_EQ(run.results().chatwin->fitted, fitted);
  const std::string before = run.consoleText();
  chatwinOutputs(run.state(), run.station());
  const std::string after = run.consoleText().substr(before.size());
  return after.find("\033[2J") != std::string::npos;
}

TEST(OutputSteps, GraphicsWindowClosedAfterTheChatwinStep) {
  TestDescription t;
  EXPECT_FALSE(closesTheWindow(t, Option::Off, false));
  // A data plot or the Chatwin plot on the screen: only with the echo.
  t.dataPlot.points = Option::On;
  EXPECT_FALSE(closesTheWindow(t, Option::Off, false));
  t.screenEcho = Option::On;
  EXPECT_TRUE(closesTheWindow(t, Option::Off, false));
  t.dataPlot = PlotSwitches{};
  t.chatwinPlot.screenPlot = Option::On;
  EXPECT_TRUE(closesTheWindow(t, Option::Off, false));
  // The Chatwin switch counts as the Chatwin plots left it (cleared once
  // drawn), not as read.
  EXPECT_FALSE(closesTheWindow(t, Option::Off, true));
  // Only the interpolated plot on the screen: echo or not.
  t = TestDescription{};
  t.interpolatedPlot.curve = Option::On;
  EXPECT_TRUE(closesTheWindow(t, Option::On, false));
  EXPECT_FALSE(closesTheWindow(t, Option::Off, false));
  // The knot option as the knot decision left it: off when the knots were
  // as many as the samples.
  t.knotOption = Option::On;
  EXPECT_FALSE(closesTheWindow(t, Option::Off, false));
  // Switches that are neither 0 nor 1 count as off for the first rule, but
  // with both data-plot kinds and the Chatwin plot they keep the window.
  t.dataPlot.points = t.dataPlot.curve = Option{2};
  t.chatwinPlot.screenPlot = Option{2};
  EXPECT_FALSE(closesTheWindow(t, Option::On, false));
  t.dataPlot.curve = Option::Off;
  EXPECT_TRUE(closesTheWindow(t, Option::On, false));
}

}  // namespace
}  // namespace kaldero::testing
