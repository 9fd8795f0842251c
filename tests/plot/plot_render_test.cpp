// Every kind of plot drawn into its PostScript file, rendered with
// Ghostscript and checked not to be blank. The PNGs are kept under
// rendered-plots/ in the test folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "core/format.h"
#include "plot/chatwin_plot.h"
#include "plot/curve_plot.h"
#include "plot/data_plot.h"
#include "plot/library_text.h"
#include "tests/plot/plot_fixture.h"

namespace kaldero::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TailFit exampleTail() {
  TailFit tail;
  tail.texts = {text::padded(fmt::G(152.3f, 14, 6), 35), text::padded(fmt::G(-0.2134f, 14, 6), 35),
                text::padded(fmt::G(-0.9962f, 10, 4), 35), text::padded(fmt::F(0.41f, 6, 2), 35)};
  tail.rateFlag = 2;
  return tail;
}

TEST_F(PlotTest, DataPlotWithDischargeErrorBarsAndTailEquation) {
  test_.timeUnit = TimeUnit::Days;
  test_.concentrationUnit = ConcentrationUnit::MicrogramsPerLitre;
  test_.dischargeMode = DischargeMode::Measured;
  test_.dischargeUnit = DischargeUnit::CubicMetresPerSecond;
  test_.extrapolationOption = Option::On;
  test_.extrapolationMethod = ExtrapolationMethod::Exponential;
  test_.dataPlot = switches(0, 1, 1, 1);
  const Samples s = breakthrough(40, 0.5f, 40.0f, 6.0f, 80.0f);
  auto ctx = context();
  plot::dataPlot(ctx, s.curve(), exampleTail(), 0, 2, ExtrapolationMethod::Exponential, 1);
  EXPECT_TRUE(state_.devices.screenOpen(plot::dataWindow(0)));
  EXPECT_THAT(files(), ElementsAre("STATION1_DAT.PS"));
  expectRendered("STATION1_DAT.PS", "data_plot.png");
}

TEST_F(PlotTest, InterpolatedPlotIsNamedFromTheStationFile) {
  test_.timeUnit = TimeUnit::Hours;
  test_.concentrationUnit = ConcentrationUnit::MilligramsPerLitre;
  test_.dischargeMode = DischargeMode::Constant;
  test_.knotOption = Option::On;
  test_.interpolatedName = text::padded("KNOTS.TXT");
  test_.interpolatedPlot = switches(0, 0, 1, 1);
  const Samples s = breakthrough(150, 1.0f, 72.0f, 30.0f, 2.5f);
  auto ctx = context();
  plot::dataPlot(ctx, s.curve(), TailFit{}, 1, 0, ExtrapolationMethod{0}, 1);
  EXPECT_TRUE(state_.devices.screenOpen(plot::dataWindow(1)));
  EXPECT_THAT(files(), ElementsAre("STATION1_INT.PS"));
  expectRendered("STATION1_INT.PS", "interpolated_plot.png");
}

TEST_F(PlotTest, PostScriptAloneOpensNoWindowAndStillHoldsTheCurve) {
  test_.timeUnit = TimeUnit::Hours;
  test_.dischargeMode = DischargeMode::Constant;
  test_.dataPlot = switches(0, 0, 0, 1);
  const Samples s = breakthrough(30, 1.0f, 30.0f, 8.0f, 10.0f);
  auto ctx = context();
  plot::dataPlot(ctx, s.curve(), TailFit{}, 0, 1, ExtrapolationMethod{0}, 1);
  EXPECT_FALSE(state_.devices.screenOpen(plot::dataWindow(0)));
  EXPECT_THAT(files(), ElementsAre("STATION1_DAT.PS"));
  const auto page = renderPostScript("STATION1_DAT.PS");
  ASSERT_TRUE(page.has_value());
  EXPECT_GT(page->red(), 50);
}

TEST_F(PlotTest, PostScriptNeverReplacesAnInputFile) {
  test_.dischargeMode = DischargeMode::Constant;
  test_.dataPlot = switches(0, 0, 0, 1);
  std::ofstream("STATION1_DAT.PS") << "an input\n";
  const Samples s = breakthrough(20, 1.0f, 20.0f, 5.0f, 1.0f);
  gate_.addInput("KALDERO.D", "control file");
  gate_.addInput("STATION1_DAT.PS", "station data file");
  auto ctx = context();
  plot::dataPlot(ctx, s.curve(), TailFit{}, 0, 1, ExtrapolationMethod{0}, 1);
  EXPECT_EQ(dir_.read("STATION1_DAT.PS"), "an input\n");
  EXPECT_THAT(files(), ElementsAre("STATION1_DAT.PS"));  // no scratch file left
  EXPECT_THAT(console_.output(),
              HasSubstr(" THE DATA PLOT STATION1_DAT.PS IS NOT WRITTEN: IT WOULD REPLACE A STATION "
                        "DATA FILE OF THE RUN\n"));
  EXPECT_EQ(gate_.notWritten(), 1);
}

TEST_F(PlotTest, PostScriptNeverReplacesAFileOfAnEarlierStation) {
  test_.dischargeMode = DischargeMode::Constant;
  test_.dataPlot = switches(0, 0, 0, 1);
  // The results listing of an earlier station.
  ASSERT_FALSE(gate_.planStation({{"STATION1_DAT.PS", "results listing", ""}}));
  ASSERT_TRUE(gate_.writeText({"STATION1_DAT.PS", "results listing", ""},
                              "listing of an earlier station\n"));
  gate_.endStation();
  const Samples s = breakthrough(20, 1.0f, 20.0f, 5.0f, 1.0f);
  auto ctx = context();
  plot::dataPlot(ctx, s.curve(), TailFit{}, 0, 1, ExtrapolationMethod{0}, 1);
  EXPECT_EQ(dir_.read("STATION1_DAT.PS"), "listing of an earlier station\n");
  EXPECT_THAT(console_.output(),
              HasSubstr(" THE DATA PLOT STATION1_DAT.PS IS NOT WRITTEN: IT WOULD REPLACE THE "
                        "RESULTS LISTING STATION1_DAT.PS OF THE RUN\n"));
  // Left out, and counted as a file not written.
  EXPECT_EQ(gate_.notWritten(), 1);
}

// A PostScript file the graphics library could not write completely (a
// full disk) is reported and not kept under the plot's name.
TEST_F(PlotTest, AnIncompletePostScriptFileIsNotKept) {
  test_.dischargeMode = DischargeMode::Constant;
  test_.dataPlot = switches(0, 0, 0, 1);
  const Samples s = breakthrough(20, 1.0f, 20.0f, 5.0f, 1.0f);
  auto ctx = context();
  ASSERT_TRUE(state_.devices.openPostScript(gate_));
  state_.devices.closePostScript();
  // Cut the scratch file short, as a full disk leaves it.
  for (const auto& e : std::filesystem::directory_iterator(dir_.dir()))
    std::filesystem::resize_file(e.path(), 100);
  plot::keepPostScript(ctx, "STATION1.DAT", 50, plot::kSuffixData);
  EXPECT_FALSE(std::filesystem::exists("STATION1_DAT.PS"));
  EXPECT_THAT(console_.output(), HasSubstr("STATION1_DAT.PS COULD NOT BE WRITTEN COMPLETELY"));
  EXPECT_EQ(gate_.notWritten(), 1);
  EXPECT_TRUE(files().empty());
}

TEST_F(PlotTest, AnExistingOutputFileIsReplaced) {
  test_.dischargeMode = DischargeMode::Constant;
  test_.dataPlot = switches(0, 0, 0, 1);
  std::ofstream("STATION1_DAT.PS") << "old plot\n";
  const Samples s = breakthrough(20, 1.0f, 20.0f, 5.0f, 1.0f);
  auto ctx = context();
  plot::dataPlot(ctx, s.curve(), TailFit{}, 0, 1, ExtrapolationMethod{0}, 1);
  EXPECT_NE(dir_.read("STATION1_DAT.PS"), "old plot\n");
  EXPECT_TRUE(renderPostScript("STATION1_DAT.PS").has_value());
}

class CurvePlotTest : public PlotTest {
 protected:
  CurvePlotTest() {
    test_.timeUnit = TimeUnit::Hours;
    test_.dischargeMode = DischargeMode::Constant;
    test_.normalizedName = text::padded("ST1.NRM");
    test_.loadName = text::padded("ST1.LOD");
    test_.standardizedName = text::padded("ST1 STD.CRV");
    test_.normalizedPlot = test_.loadPlot = test_.standardizedPlot = switches(0, 1, 1, 1);
  }
  plot::CurveParameters params{14.2f, 6.1f, 1.35f, 2.7f, 0.0123f};
};

TEST(CurvePlotTitles, NormalizedCurvesArePerKilogramRecoveredAndTheLoadIsALoad) {
  // The curve files hold values per kilogram recovered; the axes say so,
  // and the load axis names a load, not a concentration.
  for (plot::CurveKind kind : {plot::CurveKind::Normalized, plot::CurveKind::Load}) {
    const std::string title = plot::valueAxisTitle(kind);
    EXPECT_NE(title.find("kg\\u-1\\d recovered"), std::string::npos) << title;
    EXPECT_EQ(title.find("injected"), std::string::npos) << title;
  }
  EXPECT_EQ(std::string(plot::valueAxisTitle(plot::CurveKind::Load)).rfind("Load (mg s", 0), 0u);
  EXPECT_EQ(std::string(plot::valueAxisTitle(plot::CurveKind::Normalized)).rfind("Conc. (mg L", 0),
            0u);
}

TEST_F(CurvePlotTest, NormalizedLoadAndStandardizedPlots) {
  const Samples s = breakthrough(60, 1.0f, 60.0f, 11.0f, 0.0123f);
  auto ctx = context();
  int32_t counter = 0;
  plot::curvePlot(ctx, s.T, s.C, s.Q, s.n(), {1, 0, 0}, params, 0, 1, counter);
  plot::curvePlot(ctx, s.T, s.C, s.Q, s.n(), {0, 1, 0}, params, 0, 1, counter);
  // The standardized curve: (t - mean) / sigma against C / Cp.
  Samples z = s;
  for (int i = 0; i < z.n(); ++i) {
    z.T[i] = (s.T[i] - 14.2f) / 6.1f;
    z.C[i] = s.C[i] / 0.0123f;
  }
  plot::curvePlot(ctx, z.T, z.C, z.Q, z.n(), {0, 0, 1}, params, 0, 1, counter);
  EXPECT_EQ(counter, 3);
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(state_.devices.screenOpen(plot::curveWindow(k, 0)));
  EXPECT_THAT(files(), ElementsAre("ST1_LOD.PS", "ST1_NRM.PS", "ST1_STD_STN.PS"));
  expectRendered("ST1_NRM.PS", "normalized_plot.png");
  expectRendered("ST1_LOD.PS", "load_plot.png");
  expectRendered("ST1_STD_STN.PS", "standardized_plot.png");
}

// The mean and the standard deviation carry the time unit; skewness and
// kurtosis are numbers without one.
TEST_F(CurvePlotTest, OnlyTheMeanAndTheSpreadHaveATimeUnit) {
  const Samples s = breakthrough(60, 1.0f, 60.0f, 11.0f, 0.0123f);
  auto ctx = context();
  int32_t counter = 0;
  plot::curvePlot(ctx, s.T, s.C, s.Q, s.n(), {1, 0, 0}, params, 0, 1, counter);
  const auto texts = textsOfPostScript("ST1_NRM.PS");
  ASSERT_TRUE(texts) << "Ghostscript and pdftotext are needed to read the plot's texts";
  EXPECT_EQ(std::count(texts->begin(), texts->end(), "hrs"), 2) << ::testing::PrintToString(*texts);
  EXPECT_NE(std::find(texts->begin(), texts->end(), "STATION1.DAT"), texts->end());
}

// A station name beyond ASCII (UTF-8 or Windows-1252) is drawn with its
// letters unaccented, and the plot's other texts stay: a byte the library
// cannot draw would put every text of the page out of action.
TEST_F(CurvePlotTest, AStationNameBeyondAsciiKeepsThePlotsTexts) {
  const Samples s = breakthrough(60, 1.0f, 60.0f, 11.0f, 0.0123f);
  for (const std::string& name : {std::string("SOURCE \xC3\x89T\xC3\x89.DAT"),
                                  std::string("SOURCE \xC9T\xC9.DAT")}) {
    plot::PlotContext ctx{console_.console(), state_, test_, text::padded(name), gate_};
    int32_t counter = 0;
    plot::curvePlot(ctx, s.T, s.C, s.Q, s.n(), {1, 0, 0}, params, 0, 1, counter);
    const auto texts = textsOfPostScript("ST1_NRM.PS");
    ASSERT_TRUE(texts);
    EXPECT_NE(std::find(texts->begin(), texts->end(), "SOURCE ETE.DAT"), texts->end())
        << ::testing::PrintToString(*texts);
    EXPECT_EQ(std::count(texts->begin(), texts->end(), "hrs"), 2);
    EXPECT_NE(std::find(texts->begin(), texts->end(), "ST1.NRM"), texts->end());
  }
}

TEST(LibraryCharacters, AsciiAndEscapesStayOtherCharactersAreConverted) {
  EXPECT_EQ(plot::libraryCharacters("Conc. (mg L\\u-1\\d)"), "Conc. (mg L\\u-1\\d)");
  EXPECT_EQ(plot::libraryCharacters("\xB5g/L"), "\\gmg/L");
  EXPECT_EQ(plot::libraryCharacters("Gr\xC3\xBCn \xE2\x82\xAC"), "Grun ?");
}

TEST_F(CurvePlotTest, PromptOnlyBeforeTheFirstScreenPlotAndNoPlotWithoutAKind) {
  test_.screenEcho = Option::On;
  test_.normalizedPlot = switches(0, 1, 0, 0);
  test_.loadPlot = switches(0, 0, 0, 0);
  const Samples s = breakthrough(30, 1.0f, 30.0f, 8.0f, 1.0f);
  auto ctx = context();
  int32_t counter = 0;
  plot::curvePlot(ctx, s.T, s.C, s.Q, s.n(), {1, 0, 0}, params, 0, 1, counter);
  plot::curvePlot(ctx, s.T, s.C, s.Q, s.n(), {1, 0, 0}, params, 0, 1, counter);
  plot::curvePlot(ctx, s.T, s.C, s.Q, s.n(), {0, 1, 0}, params, 0, 1, counter);
  plot::curvePlot(ctx, s.T, s.C, s.Q, s.n(), {0, 0, 0}, params, 0, 1, counter);
  EXPECT_EQ(counter, 2);
  const std::string out = console_.output();
  EXPECT_EQ(out, std::string(7, '\n') + "          PRESS RETURN FOR A GRAPHICAL PLOT OF " +
                     text::padded("ST1.NRM", 40) + "\n");
  EXPECT_TRUE(files().empty());
}

TEST_F(PlotTest, ChatwinPlotOnScreenAndInItsFile) {
  test_.timeUnit = TimeUnit::Hours;
  test_.chatwinPlot.screenPlot = Option::On;
  test_.chatwinPlot.postscript = Option::On;
  std::vector<float> T, F, P;
  for (int i = 0; i < 24; ++i) {
    const float t = 2.0f + 1.5f * static_cast<float>(i);
    T.push_back(t);
    F.push_back(120.0f - 6.0f * t);
    P.push_back(F.back() + 4.0f * std::sin(1.7f * static_cast<float>(i)));
  }
  plot::ChatwinTexts texts{
      text::padded(fmt::G(0.9871f, 10, 4), 35), text::padded(fmt::G(-0.9935f, 10, 4), 35),
      text::padded(fmt::G(0.1e-5f, 10, 4), 35),  text::padded(fmt::G(4.125f, 10, 4), 35),
      text::padded(fmt::G(120.0f, 14, 6), 35),   text::padded(fmt::G(-6.0f, 14, 6), 35)};
  auto ctx = context();
  Option screenPlot = test_.chatwinPlot.screenPlot;
  Option postscript = test_.chatwinPlot.postscript;
  plot::chatwinPlots(ctx, static_cast<int32_t>(T.size()), T, F, P, texts, 0, 1, screenPlot,
                     postscript);
  EXPECT_TRUE(state_.devices.screenOpen(plot::chatwinWindow(0)));
  EXPECT_EQ(screenPlot, Option::Off);
  EXPECT_EQ(postscript, Option::Off);
  EXPECT_THAT(files(), ElementsAre("STATION1_CHT.PS"));
  expectRendered("STATION1_CHT.PS", "chatwin_plot.png");
}

TEST_F(PlotTest, ChatwinLinesStayInsideTheFrame) {
  // A fitted line far steeper than the points: it leaves the frame at the
  // bottom a little after the first time. Drawn in red, it must not cross
  // the axis labels and margin below the frame (the lowest tenth of the
  // page) nor the margin left of it.
  test_.timeUnit = TimeUnit::Hours;
  std::vector<float> T, F, P;
  for (int i = 0; i < 40; ++i) {
    const float t = 1.0f + static_cast<float>(i);
    T.push_back(t);
    F.push_back(100.0f - 400.0f * t);
    P.push_back(100.0f - 10.0f * t);
  }
  plot::ChatwinTexts texts;
  auto ctx = context();
  int32_t screen = 0;
  plot::drawChatwinPlot(ctx, static_cast<int32_t>(T.size()), T, F, P, texts, 1, 0, screen, 2);
  plot::keepPostScript(ctx, ctx.stationFile, 85, plot::kSuffixChatwin);
  const auto page = renderPostScript("STATION1_CHT.PS", 72);
  ASSERT_TRUE(page.has_value());
  auto redIn = [&](int r0, int r1, int c0, int c1) {
    int n = 0;
    for (int r = r0; r < r1; ++r)
      for (int c = c0; c < c1; ++c) {
        const std::size_t i = 3 * (static_cast<std::size_t>(r) * static_cast<std::size_t>(page->width) +
                                   static_cast<std::size_t>(c));
        if (page->rgb[i] > 180 && page->rgb[i + 1] < 110 && page->rgb[i + 2] < 110) ++n;
      }
    return n;
  };
  const int w = page->width, h = page->height;
  EXPECT_GT(redIn(0, h, 0, w), 20) << "no fitted line drawn";
  EXPECT_EQ(redIn(h * 92 / 100, h, 0, w), 0) << "the line runs below the frame";
  EXPECT_EQ(redIn(0, h, 0, w * 8 / 100), 0) << "the line runs left of the frame";
}

TEST_F(PlotTest, ChatwinPostScriptPassTurnsTheScreenSwitchOn) {
  test_.timeUnit = TimeUnit::Hours;
  const std::vector<float> T{1, 2, 3, 4, 5}, F{4, 2, 0, -2, -4}, P{4.2f, 1.9f, 0.1f, -2.2f, -3.9f};
  plot::ChatwinTexts texts;
  auto ctx = context();
  int32_t screen = 0;
  plot::drawChatwinPlot(ctx, 5, T, F, P, texts, 1, 0, screen, 2);
  EXPECT_EQ(screen, 1);
  EXPECT_FALSE(state_.devices.screenOpen(plot::chatwinWindow(1)));
  plot::keepPostScript(ctx, ctx.stationFile, 85, plot::kSuffixChatwin);
  EXPECT_THAT(files(), ElementsAre("STATION1_CHT.PS"));
  EXPECT_TRUE(renderPostScript("STATION1_CHT.PS").has_value());
}

}  // namespace
}  // namespace kaldero::testing
