// The report's figures built from hand-made run records, checked as chart
// data against values computed here from the record.
#include "report/html_figures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "tests/report/report_fixture.h"

namespace kaldero::html {
namespace {

using testing::campaign;
using testing::twoStationExample;

const svg::Series* seriesNamed(const svg::Chart& chart, const std::string& label) {
  for (const svg::Series& s : chart.series)
    if (s.label == label) return &s;
  return nullptr;
}

TEST(CampaignFigures, ConcentrationsNormalizedPerKgRecoveredAndRaw) {
  const RunRecord run = twoStationExample(false);
  const StationRecord& a = run.stations[0];
  const auto normalized = campaignConcentrationChart(run, ConcentrationScale::PerKgRecovered);
  const auto raw = campaignConcentrationChart(run, ConcentrationScale::Raw);
  ASSERT_TRUE(normalized && raw);
  // The stopped station is not drawn; the legend names file and distance.
  ASSERT_EQ(normalized->series.size(), 1u);
  const svg::Series* line = seriesNamed(*normalized, "A.DAT (1500 m)");
  ASSERT_NE(line, nullptr);
  const double grams = a.results->mass->mass.grams;
  ASSERT_EQ(line->y.size(), a.drawn->c.size());
  for (std::size_t i = 0; i < line->y.size(); i += 97) {
    EXPECT_DOUBLE_EQ(line->x[i], a.drawn->t[i] / 3600.0);
    EXPECT_NEAR(line->y[i], a.drawn->c[i] * 0.001 / grams, 1e-12);  // mg/L per kg
    EXPECT_NEAR(raw->series[0].y[i], a.drawn->c[i] * 0.001, 1e-9);  // ug/L
  }
  EXPECT_EQ(normalized->y.title, "Concentration per kg recovered (mg/L per kg)");
  EXPECT_EQ(raw->y.title, "Concentration (\u00b5g/L)");

  // Without a recovered mass there is nothing to normalize by.
  RunRecord none = run;
  none.stations[0].results->mass->mass.grams = 0;
  EXPECT_FALSE(campaignConcentrationChart(none, ConcentrationScale::PerKgRecovered));
  EXPECT_TRUE(campaignConcentrationChart(none, ConcentrationScale::Raw));
  EXPECT_TRUE(stationConcentrationCurve(std::vector<double>{1, 2}, std::vector<double>{1}, 1,
                                        ConcentrationScale::Raw)
                  .hours.empty());
}

TEST(CampaignFigures, ManyStationsColourTheLargestRecoveriesAndShareAPointBudget) {
  RunRecord run = campaign(12);  // ST0012 is ... every 40th stopped: none here
  for (std::size_t i = 0; i < run.stations.size(); ++i)
    run.stations[i].results->mass->mass.kilograms = static_cast<float>((i * 7) % 12);
  CampaignLimits limits;
  limits.legendStations = 8;
  limits.pointBudget = 1200;
  const auto chart = campaignConcentrationChart(run, ConcentrationScale::Raw, limits);
  ASSERT_TRUE(chart);
  EXPECT_EQ(chart->maxPoints, 100u);
  ASSERT_EQ(chart->series.size(), 12u);
  std::set<std::string> named;
  std::size_t grey = 0;
  for (std::size_t i = 0; i < chart->series.size(); ++i) {
    const svg::Series& s = chart->series[i];
    if (s.colour == "#c8c8c8") {
      EXPECT_EQ(s.label, grey == 0 ? "Other stations (4)" : "");
      ++grey;
      EXPECT_EQ(i + 1, grey);  // grey lines drawn first, under the coloured
    } else {
      named.insert(s.label.substr(0, 10));
    }
  }
  EXPECT_EQ(grey, 4u);
  // Recovered kg (i * 7) % 12 for i = 0..11: 0 7 2 9 4 11 6 1 8 3 10 5; the
  // eight largest are stations 2, 4, 5, 6, 7, 9, 11, 12 (1-based).
  EXPECT_EQ(named, (std::set<std::string>{"ST0002.DAT", "ST0004.DAT", "ST0005.DAT", "ST0006.DAT",
                                          "ST0007.DAT", "ST0009.DAT", "ST0011.DAT", "ST0012.DAT"}));
  EXPECT_NE(chart->description.find("The 8 stations of the largest recovered mass are coloured, "
                                    "the 4 others grey."),
            std::string::npos);
  EXPECT_EQ(
      campaignConcentrationChart(campaign(40000 / 16 + 400), ConcentrationScale::Raw)->maxPoints,
      16u);
}

// Each station's recovery curve ends at its recovered mass (to the listing's
// printed digits), the total at their sum.
TEST(CampaignFigures, RecoveryCurvesEndAtTheRecoveredMasses) {
  const RunRecord run = campaign(5);
  const auto chart = campaignRecoveryChart(run);
  ASSERT_TRUE(chart);
  double sum = 0;
  for (const StationRecord& st : run.stations) {
    const svg::Series* s = nullptr;
    for (const svg::Series& c : chart->series)
      if (c.label.starts_with(st.stationFile)) s = &c;
    ASSERT_NE(s, nullptr) << st.stationFile;
    const double percent = st.results->recovery->percent.value();
    // The listing prints the percent recovery to four significant digits.
    EXPECT_NEAR(s->y.back(), percent, 5e-4 * percent) << st.stationFile;
    EXPECT_NEAR(s->y.back() / 100 * testing::kInjectedMg * 1e-6, st.results->mass->mass.kilograms,
                5e-4 * st.results->mass->mass.kilograms);
    sum += s->y.back();
  }
  const svg::Series* total = seriesNamed(*chart, "Total");
  ASSERT_NE(total, nullptr);
  EXPECT_NEAR(total->y.back(), sum, 1e-9 * sum);
  EXPECT_TRUE(std::is_sorted(total->y.begin(), total->y.end()));
  const svg::Marker& final = chart->markers.back();
  EXPECT_EQ(final.kind, svg::Marker::Kind::Horizontal);
  EXPECT_DOUBLE_EQ(final.y, total->y.back());

  // One station: its curve is the total. No injected mass: no fractions.
  EXPECT_EQ(seriesNamed(*campaignRecoveryChart(twoStationExample(false)), "Total"), nullptr);
  RunRecord noMass = run;
  noMass.release.injectedMass = 0;
  EXPECT_FALSE(campaignRecoveryChart(noMass));
  const auto grams = stationRecoveryChart(noMass, noMass.stations[0]);
  ASSERT_TRUE(grams);
  EXPECT_EQ(grams->y.title, "Recovered mass (g)");
  EXPECT_NEAR(grams->series[0].y.back(), noMass.stations[0].results->mass->mass.grams,
              1e-3 * noMass.stations[0].results->mass->mass.grams);
}

TEST(StationFigures, CurveWithDischargeOnTheRightWhenMeasuredAndTheTimesMarked) {
  const RunRecord run = campaign(2);  // ST0001 measured discharge, ST0002 constant
  const auto measured = stationCurveChart(run, run.stations[0]);
  const auto constant = stationCurveChart(run, run.stations[1]);
  ASSERT_TRUE(measured && constant);
  ASSERT_TRUE(measured->y2);
  EXPECT_FALSE(constant->y2);
  const svg::Series* q = seriesNamed(*measured, "Discharge");
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->axis, svg::Side::Right);
  EXPECT_DOUBLE_EQ(q->y[3], run.stations[0].drawn->q[3]);
  EXPECT_EQ(seriesNamed(*constant, "Discharge"), nullptr);
  const StationResults& r = *run.stations[0].results;
  std::set<std::string> labels;
  for (const svg::Marker& m : measured->markers) {
    labels.insert(m.label);
    if (m.label == "peak") {
      EXPECT_NEAR(m.y, r.arrival.peakConcentration * 1e-3, 1e-6);
      EXPECT_NEAR(m.x, r.arrival.peakTime / 3600.0, 1e-6);  // no flow-zone arrival
    }
    if (m.label == "mean transit time") {
      EXPECT_NEAR(m.x, r.transit->meanTime.hours, 1e-6);
    }
  }
  EXPECT_EQ(labels, (std::set<std::string>{"first arrival", "peak", "mean transit time"}));
  EXPECT_FALSE(stationCurveChart(run, testing::stoppedStation("X.DAT", "STOP")));
}

TEST(StationFigures, ChatwinPlotOnlyWhenALineWasFitted) {
  RunRecord run = campaign(1);
  StationRecord& st = run.stations[0];
  ASSERT_TRUE(st.results->chatwin->fitted);
  const auto chart = chatwinChart(st);
  ASSERT_TRUE(chart);
  const ChatwinResults& cw = *st.results->chatwin;
  const svg::Series* fit = seriesNamed(*chart, "Fit points");
  const svg::Series* line = seriesNamed(*chart, "Fitted line");
  ASSERT_TRUE(fit && line);
  EXPECT_EQ(fit->x.size(), std::min<std::size_t>(cw.fitPoints, cw.listedTimes.size()));
  EXPECT_EQ(line->x.size(), cw.listedTimes.size());
  EXPECT_EQ(chart->x.title, "Time (h)");
  st.results->chatwin->fitted = false;
  EXPECT_FALSE(chatwinChart(st));
}

TEST(StationFigures, FlowPathFitWithEachPathTheSamplesOverItAndTheResiduals) {
  const RunRecord run = campaign(1);  // ST0001: two generating paths, fit made of them
  const StationRecord& st = run.stations[0];
  const auto stack = flowPathFitChart(run, st);
  ASSERT_TRUE(stack);
  ASSERT_EQ(stack->panels.size(), 2u);
  const auto& series = stack->panels[0].series;
  ASSERT_EQ(series.size(), 4u);
  EXPECT_TRUE(series[0].dashed && series[1].dashed);
  EXPECT_EQ(series[2].label, "Fitted, 2 paths");
  // The samples fitted come last, drawn over the model, and are the curve
  // the fit took (model plus residual).
  EXPECT_EQ(series[3].label, "Measured (" + std::to_string(st.drawn->t.size()) + " samples fitted)");
  ASSERT_EQ(series[3].y.size(), st.drawn->c.size());
  for (std::size_t i = 0; i < series[3].y.size(); i += 50)
    EXPECT_NEAR(series[3].y[i], st.drawn->c[i] * 1e-3, 1e-6 * (1 + st.drawn->c[i] * 1e-3));
  // The model of the generating paths follows the noisy curve.
  const double measuredPeak = *std::max_element(series[3].y.begin(), series[3].y.end());
  const double modelPeak = *std::max_element(series[2].y.begin(), series[2].y.end());
  EXPECT_NEAR(modelPeak, measuredPeak, 0.1 * measuredPeak);
  for (std::size_t i = 0; i < series[2].y.size(); ++i)
    EXPECT_NEAR(series[2].y[i], series[0].y[i] + series[1].y[i], 1e-9 * measuredPeak);
  // The residual panel: measured minus fitted in ug/L at the same times,
  // and the zero line.
  const svg::Panel& residuals = stack->panels[1];
  ASSERT_EQ(residuals.series.size(), 1u);
  const svg::Series& r = residuals.series[0];
  ASSERT_EQ(r.y.size(), series[3].y.size());
  EXPECT_EQ(r.x, series[3].x);
  EXPECT_NEAR(r.y[100], st.fit->best()->residuals[100] * 1e-3, 1e-12);
  ASSERT_EQ(residuals.markers.size(), 1u);
  EXPECT_EQ(residuals.markers[0].y, 0.0);

  RunRecord unfitted = run;
  unfitted.stations[0].fit->chosen = -1;
  unfitted.stations[0].fit->reason = "too few samples";
  const auto none = flowPathFitChart(unfitted, unfitted.stations[0]);
  ASSERT_TRUE(none);
  EXPECT_EQ(none->panels[0].series.size(), 1u);
  EXPECT_EQ(none->description, "No flow paths fitted: too few samples");
  const RunRecord two = campaign(2);  // ST0002 has no fit
  EXPECT_FALSE(flowPathFitChart(two, two.stations[1]));
}

}  // namespace
}  // namespace kaldero::html
