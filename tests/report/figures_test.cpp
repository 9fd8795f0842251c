// The results' figures described from hand-made run records, checked as
// figure data against values computed here from the record: titles with
// the station and its distance, time units and scales, the campaign
// scales, the fit figure's samples, model, band and residuals at the times
// since the release, and the report drawing each description as it is.
#include "report/figures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "figure/svg.h"
#include "report/html_report.h"
#include "tests/report/report_fixture.h"

namespace kaldero::figures {
namespace {

using figure::Figure;
using figure::Marker;
using figure::Scale;
using figure::Series;
using figure::Side;
using testing::campaign;
using testing::twoStationExample;

const Series* seriesNamed(const figure::Panel& p, const std::string& label) {
  for (const Series& s : p.series)
    if (s.label == label) return &s;
  return nullptr;
}

const Series* seriesStarting(const figure::Panel& p, const std::string& start) {
  for (const Series& s : p.series)
    if (s.label.starts_with(start)) return &s;
  return nullptr;
}

double maxOf(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

TEST(StationFigures, TitledWithTheStationAndItsDistance) {
  const RunRecord run = campaign(1);
  const StationRecord& st = run.stations[0];
  EXPECT_EQ(stationTitle(st), "ST0001.DAT (300 m)");
  EXPECT_EQ(concentrationFigure(run, st)->title, "ST0001.DAT (300 m): concentration");
  EXPECT_EQ(recoveryFigure(run, st)->title, "ST0001.DAT (300 m): recovery");
  EXPECT_EQ(chatwinFigure(st)->title, "ST0001.DAT (300 m): Chatwin plot");
  EXPECT_EQ(fitFigure(run, st)->title, "ST0001.DAT (300 m): flow-path fit");
  EXPECT_EQ(stationTitle(testing::stoppedStation("X.DAT", "STOP")), "X.DAT");
}

TEST(StationFigures, CurveWithDischargeOnTheRightWhenMeasuredAndTheTimesMarked) {
  const RunRecord run = campaign(2);  // ST0001 measured discharge, ST0002 constant
  const auto measured = concentrationFigure(run, run.stations[0]);
  const auto constant = concentrationFigure(run, run.stations[1]);
  ASSERT_TRUE(measured && constant);
  const figure::Panel& p = measured->panels.at(0);
  ASSERT_TRUE(p.y2);
  EXPECT_FALSE(constant->panels.at(0).y2);
  const Series* q = seriesNamed(p, "Discharge");
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->axis, Side::Right);
  EXPECT_DOUBLE_EQ(q->y[3], run.stations[0].drawn->q[3]);
  EXPECT_EQ(seriesNamed(constant->panels.at(0), "Discharge"), nullptr);
  // Every read of the record, in ug/L against hours since the release.
  const Series* c = seriesNamed(p, "Measured");
  ASSERT_NE(c, nullptr);
  const DrawnRecord& d = *run.stations[0].drawn;
  ASSERT_EQ(c->y.size(), d.c.size());
  EXPECT_DOUBLE_EQ(c->x[10], d.t[10] / 3600.0);
  EXPECT_DOUBLE_EQ(c->y[10], d.c[10] * 1e-3);
  EXPECT_EQ(measured->x.title, "Time since the release (h)");
  const StationResults& r = *run.stations[0].results;
  std::set<std::string> labels;
  for (const Marker& m : p.markers) {
    labels.insert(m.label);
    if (m.label == "peak") {
      EXPECT_NEAR(m.y, r.arrival.peakConcentration * 1e-3, 1e-6);
      EXPECT_NEAR(m.x, r.arrival.peakTime / 3600.0, 1e-6);  // no flow-zone arrival
    }
    if (m.label == "mean transit time") {
      EXPECT_NEAR(m.x, r.transit->meanTime.hours, 1e-6);
    }
    if (m.label == "first arrival") {
      EXPECT_NEAR(m.x, r.arrival.firstArrival / 3600.0, 1e-6);
    }
  }
  EXPECT_EQ(labels, (std::set<std::string>{"first arrival", "peak", "mean transit time"}));
  // The axis ends at the last read.
  ASSERT_TRUE(measured->x.max);
  EXPECT_DOUBLE_EQ(*measured->x.max, d.t.back() / 3600.0);
  EXPECT_FALSE(concentrationFigure(run, testing::stoppedStation("X.DAT", "STOP")));
}

TEST(StationFigures, TimesInDaysPastTenDaysAndTheFlowZoneArrivalAdded) {
  RunRecord run = testing::emptyRun();
  testing::StationRecipe slow;
  slow.peakHours = 200;  // the record runs to 800 h
  run.release.flowZoneArrivalHours = 24;
  run.stations.push_back(testing::recordFrom(slow, run));
  const StationRecord& st = run.stations[0];
  const auto f = concentrationFigure(run, st);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->x.title, "Time since the release (d)");
  const Series* c = seriesNamed(f->panels[0], "Measured");
  EXPECT_DOUBLE_EQ(c->x.back(), st.drawn->t.back() / 86400.0);
  const StationResults& r = *st.results;
  for (const Marker& m : f->panels[0].markers) {
    // The listing's peak and mean transit time count from the arrival at
    // the flow zone: the figure adds it back.
    if (m.label == "peak") {
      EXPECT_NEAR(m.x, (r.arrival.peakTime / 3600.0 + 24) / 24, 1e-6);
    }
    if (m.label == "mean transit time") {
      EXPECT_NEAR(m.x, (r.transit->meanTime.hours + 24) / 24, 1e-6);
    }
  }
  const auto rec = recoveryFigure(run, st);
  EXPECT_EQ(rec->x.title, "Time since the release (d)");
}

TEST(StationFigures, TheScaleOptionFixesEveryTimeAxis) {
  const RunRecord run = campaign(1);
  const StationRecord& st = run.stations[0];
  EXPECT_EQ(concentrationFigure(run, st)->x.scale, Scale::Linear);
  Options log;
  log.timeScale = Scale::Log;
  EXPECT_EQ(concentrationFigure(run, st, log)->x.scale, Scale::Log);
  EXPECT_EQ(recoveryFigure(run, st, log)->x.scale, Scale::Log);
  EXPECT_EQ(fitFigure(run, st, log)->x.scale, Scale::Log);
  EXPECT_EQ(campaignConcentrationFigure(run, log)->x.scale, Scale::Log);
  Options linear;
  linear.timeScale = Scale::Linear;
  EXPECT_EQ(campaignRecoveryFigure(run, linear)->x.scale, Scale::Linear);
  Options sized;
  sized.width = 800;
  sized.height = 500;
  EXPECT_EQ(concentrationFigure(run, st, sized)->width, 800);
  EXPECT_EQ(concentrationFigure(run, st, sized)->height, 500);
}

TEST(StationFigures, TheDrawsBandAroundTheMeasuredCurve) {
  RunRecord run = campaign(1);
  StationRecord& st = run.stations[0];
  EXPECT_TRUE(concentrationFigure(run, st)->panels[0].envelopes.empty());
  UncertaintyResult u;
  u.bandTimes = {3600, 7200, 10800};
  u.bandLow = {100, 200, 300};
  u.bandHigh = {400, 500, 600};
  st.uncertainty = u;
  const auto f = concentrationFigure(run, st);
  ASSERT_EQ(f->panels[0].envelopes.size(), 1u);
  const figure::Envelope& e = f->panels[0].envelopes[0];
  EXPECT_EQ(e.label, "95 % of the draws");
  EXPECT_EQ(e.x, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(e.low, (std::vector<double>{0.1, 0.2, 0.3}));
  EXPECT_EQ(e.high, (std::vector<double>{0.4, 0.5, 0.6}));
  EXPECT_NE(f->description.find("95 % of the draws"), std::string::npos);
}

TEST(StationFigures, RecoveryInPercentEndingAtTheSignedRecoveryOrInGrams) {
  RunRecord run = campaign(1);
  const StationRecord& st = run.stations[0];
  const auto f = recoveryFigure(run, st);
  ASSERT_TRUE(f);
  const Series& s = f->panels[0].series.at(0);
  EXPECT_EQ(f->panels[0].y.title, "Recovered (% of the injected mass)");
  EXPECT_NEAR(s.y.back(), st.drawn->recovered.back() / (testing::kInjectedMg * 1e3) * 100, 1e-9);
  EXPECT_DOUBLE_EQ(f->panels[0].markers.back().y, s.y.back());
  run.release.injectedMass = 0;
  const auto grams = recoveryFigure(run, st);
  EXPECT_EQ(grams->panels[0].y.title, "Recovered mass (g)");
  EXPECT_NEAR(grams->panels[0].series[0].y.back(), st.drawn->recovered.back() * 1e-6, 1e-12);
}

TEST(StationFigures, ChatwinLineOnlyOverTheFitPoints) {
  RunRecord run = campaign(1);
  StationRecord& st = run.stations[0];
  ASSERT_TRUE(st.results->chatwin->fitted);
  const auto f = chatwinFigure(st);
  ASSERT_TRUE(f);
  const ChatwinResults& cw = *st.results->chatwin;
  const figure::Panel& p = f->panels[0];
  const Series* fit = seriesNamed(p, "Fit points");
  const Series* line = seriesNamed(p, "Fitted line");
  ASSERT_TRUE(fit && line);
  EXPECT_EQ(fit->x.size(), std::min<std::size_t>(cw.fitPoints, cw.listedTimes.size()));
  ASSERT_EQ(line->x.size(), 2u);
  ASSERT_GE(cw.fitPoints, 2);
  const auto last = static_cast<std::size_t>(cw.fitPoints - 1);
  EXPECT_EQ(line->x.front(), cw.listedTimes.front());
  EXPECT_EQ(line->x.back(), cw.listedTimes[last]);
  EXPECT_EQ(line->y.back(), cw.listedFits[last]);
  EXPECT_EQ(fit->x.back(), cw.listedTimes[last]);
  EXPECT_EQ(f->x.title, "Time (h)");
  st.results->chatwin->fitted = false;
  EXPECT_FALSE(chatwinFigure(st));
}

// The fit figure: the model drawn is the fit's own model curve, at the
// times since the release; the samples are the fit's samples; the
// residuals measured minus fitted at the samples.
TEST(FitFigure, TheFitsModelCurveAndSamplesWithTheBandAndTheResiduals) {
  const RunRecord run = campaign(1);  // ST0001: two generating paths, fit made of them
  const StationRecord& st = run.stations[0];
  const FlowPathFitResult& fit = *st.fit;
  const auto f = fitFigure(run, st);
  ASSERT_TRUE(f);
  ASSERT_EQ(f->panels.size(), 2u);
  const figure::Panel& main = f->panels[0];
  ASSERT_EQ(main.envelopes.size(), 1u);
  const figure::Envelope& band = main.envelopes[0];
  ASSERT_EQ(band.x.size(), fit.curve.times.size());
  const Series* sum = seriesStarting(main, "Fitted, 2 paths");
  ASSERT_NE(sum, nullptr);
  for (std::size_t i = 0; i < sum->x.size(); i += 37) {
    EXPECT_DOUBLE_EQ(sum->x[i], fit.curve.times[i] / 3600.0);
    EXPECT_DOUBLE_EQ(sum->y[i], fit.curve.sum[i] * 1e-3);
    EXPECT_DOUBLE_EQ(band.low[i], fit.curve.low[i] * 1e-3);
    EXPECT_DOUBLE_EQ(band.high[i], fit.curve.high[i] * 1e-3);
  }
  // Each path dashed, and their sum the model.
  const Series* p1 = seriesStarting(main, "Path 1");
  const Series* p2 = seriesStarting(main, "Path 2");
  ASSERT_TRUE(p1 && p2);
  EXPECT_TRUE(p1->dashed && p2->dashed);
  for (std::size_t i = 0; i < sum->y.size(); i += 11)
    EXPECT_NEAR(sum->y[i], p1->y[i] + p2->y[i], 1e-9 * (1 + maxOf(sum->y)));
  // The samples the fit took.
  const Series* samples =
      seriesNamed(main, "Measured (" + std::to_string(fit.samplesFitted) + " samples fitted)");
  ASSERT_NE(samples, nullptr);
  ASSERT_EQ(samples->y.size(), fit.concentrations.size());
  for (std::size_t i = 0; i < samples->y.size(); i += 50) {
    EXPECT_DOUBLE_EQ(samples->x[i], fit.times[i] / 3600.0);
    EXPECT_DOUBLE_EQ(samples->y[i], fit.concentrations[i] * 1e-3);
  }
  // The residual panel: measured minus fitted at the same times, and the
  // zero line.
  const figure::Panel& residuals = f->panels[1];
  ASSERT_EQ(residuals.series.size(), 1u);
  const Series& r = residuals.series[0];
  EXPECT_EQ(r.x, samples->x);
  EXPECT_NEAR(r.y[100], fit.best()->residuals[100] * 1e-3, 1e-12);
  ASSERT_EQ(residuals.markers.size(), 1u);
  EXPECT_EQ(residuals.markers[0].y, 0.0);
  EXPECT_EQ(residuals.weight * 3, main.weight);
}

TEST(FitFigure, SparseSamplesArePointsOverTheModelADenseRecordALineUnderIt) {
  RunRecord run = testing::emptyRun();
  testing::StationRecipe sparse;
  sparse.samples = 120;
  sparse.handMadeFit = true;
  run.stations.push_back(testing::recordFrom(sparse, run));
  const auto f = fitFigure(run, run.stations[0]);
  const auto& series = f->panels[0].series;
  EXPECT_EQ(series.back().style, figure::Style::Points);
  EXPECT_TRUE(series.back().label.starts_with("Measured"));

  const RunRecord dense = twoStationExample(false);  // 1,500 samples
  const auto g = fitFigure(dense, dense.stations[0]);
  const auto& lines = g->panels[0].series;
  EXPECT_EQ(lines.front().style, figure::Style::Line);
  EXPECT_TRUE(lines.front().label.starts_with("Measured"));
}

// The fit counts its times from the tracer's arrival at the flow zone;
// every line of the figure is drawn since the release: a shift applied to
// one line and not the others fails here.
TEST(FitFigure, EveryLineIsAtTheTimeSinceTheRelease) {
  RunRecord run = campaign(1);
  StationRecord& st = run.stations[0];
  st.fit->arrival = 200 * 3600.0;
  const auto f = fitFigure(run, st);
  ASSERT_TRUE(f);
  const FlowPathFitResult& fit = *st.fit;
  const figure::Panel& main = f->panels[0];
  const Series* sum = seriesStarting(main, "Fitted");
  const Series* samples = seriesStarting(main, "Measured");
  const Series* path = seriesStarting(main, "Path 1");
  ASSERT_TRUE(sum && samples && path);
  EXPECT_DOUBLE_EQ(sum->x.back(), (fit.curve.times.back() + 200 * 3600.0) / 3600.0);
  EXPECT_DOUBLE_EQ(path->x.back(), sum->x.back());
  EXPECT_DOUBLE_EQ(main.envelopes[0].x.back(), sum->x.back());
  EXPECT_DOUBLE_EQ(samples->x.front(), (fit.times.front() + 200 * 3600.0) / 3600.0);
  EXPECT_EQ(f->panels[1].series[0].x, samples->x);
  // The model's peak where the samples' peak is.
  const auto peakAt = [](const Series& s) {
    return s.x[static_cast<std::size_t>(std::max_element(s.y.begin(), s.y.end()) - s.y.begin())];
  };
  EXPECT_NEAR(peakAt(*sum), peakAt(*samples), 0.05 * peakAt(*samples));
}

// A reach's figure is its fit's figure with the upstream flux on a right
// axis, in mg/s at the times since the release, and titled by both
// stations; a reach without samples draws none.
TEST(ReachFigure, TheFitWithTheUpstreamFluxOnTheRightAxis) {
  const RunRecord run = campaign(1);
  RunRecord::Reach reach;
  reach.from = "A.DAT";
  reach.to = "ST0001.DAT";
  reach.length = 250;
  reach.fit = *run.stations[0].fit;
  reach.upstreamTimes = {0, 3600, 7200, 10800};
  reach.upstreamFlux = {0, 2000, 500, 0};  // ug/s
  const auto f = reachFigure(reach);
  ASSERT_TRUE(f);
  EXPECT_EQ(reachTitle(reach), "A.DAT to ST0001.DAT (250 m)");
  EXPECT_EQ(f->title, "A.DAT to ST0001.DAT (250 m): reach fit");
  const figure::Panel& main = f->panels.at(0);
  ASSERT_TRUE(main.y2.has_value());
  const Series* flux = seriesNamed(main, "Upstream flux, A.DAT");
  ASSERT_NE(flux, nullptr);
  EXPECT_EQ(flux->axis, Side::Right);
  EXPECT_EQ(flux->y, (std::vector<double>{0, 2, 0.5, 0}));
  EXPECT_EQ(flux->x, (std::vector<double>{0, 1, 2, 3}));
  // The fit's own lines as in the station's fit figure.
  const auto station = fitFigure(run, run.stations[0]);
  EXPECT_EQ(seriesStarting(main, "Fitted")->y, seriesStarting(station->panels[0], "Fitted")->y);
  EXPECT_EQ(f->panels.at(1).series[0].y, station->panels.at(1).series[0].y);
  EXPECT_TRUE(f->description.starts_with("The measured flux (c q) of the upstream station A.DAT"));
  EXPECT_FALSE(station->panels[0].y2.has_value());

  RunRecord::Reach empty;
  empty.fit.reason = "A.DAT was not fitted";
  EXPECT_FALSE(reachFigure(empty));
}

TEST(FitFigure, ALogTimeAxisWhenThePeakCrowdsTheFirstTenth) {
  RunRecord run = testing::emptyRun();
  testing::StationRecipe early;
  early.handMadeFit = true;
  early.twoPaths = false;
  run.stations.push_back(testing::recordFrom(early, run));
  StationRecord& st = run.stations[0];
  EXPECT_EQ(fitFigure(run, st)->x.scale, Scale::Linear);  // peak at a quarter of the record
  // The record goes on twenty times as long as its peak.
  FlowPathFitResult& fit = *st.fit;
  const double end = fit.times.back();
  for (int i = 1; i <= 100; ++i) {
    fit.times.push_back(end * (1 + 0.19 * i));
    fit.concentrations.push_back(0);
    fit.discharges.push_back(0.8);
  }
  const auto f = fitFigure(run, st);
  EXPECT_EQ(f->x.scale, Scale::Log);
  EXPECT_FALSE(f->panels[0].y.startAtZero);
}

TEST(FitFigure, WithoutAFitTheSamplesAndTheReason) {
  RunRecord run = campaign(1);
  run.stations[0].fit->chosen = -1;
  run.stations[0].fit->reason = "too few samples";
  const auto none = fitFigure(run, run.stations[0]);
  ASSERT_TRUE(none);
  ASSERT_EQ(none->panels.size(), 1u);
  EXPECT_EQ(none->panels[0].series.size(), 1u);
  EXPECT_EQ(none->description, "No flow paths fitted: too few samples");
  const RunRecord two = campaign(2);  // ST0002 has no fit
  EXPECT_FALSE(fitFigure(two, two.stations[1]));
}

// The HTML report draws each figure description as it is: the inline SVG
// of its fit figure is the SVG rendering of fitFigure's description (the
// file back-end draws the same description; plot/figure_file_test checks
// it against the layout).
TEST(FitFigure, TheReportDrawsTheDescriptionAsItIs) {
  const RunRecord run = campaign(1);
  html::ReportOptions options;
  options.figures.timeScale = Scale::Log;
  const std::string page = html::renderReport({&run}, options);
  const std::string marker = "flow-path fit</title>";
  const std::size_t at = page.find(marker);
  ASSERT_NE(at, std::string::npos);
  const std::size_t start = page.rfind("<svg ", at);
  const std::size_t end = page.find("</svg>", at) + 6;
  const std::string inPage = page.substr(start, end - start);
  const std::size_t id = inPage.find("<title id=\"") + 11;
  const std::string prefix = inPage.substr(id, inPage.find("title\"", id) - id);
  const auto f = fitFigure(run, run.stations[0], html::reportFigureOptions(options.figures));
  EXPECT_EQ(inPage, figure::renderSvg(*f, prefix));
}

TEST(CampaignFigures, ConcentrationsOverTheirPeakPerKgRecoveredAndRaw) {
  const RunRecord run = twoStationExample(false);
  const StationRecord& a = run.stations[0];
  const auto peak = campaignConcentrationFigure(run);  // the default: over each peak
  const auto perKg = campaignConcentrationFigure(run, ConcentrationScale::PerKgRecovered, {});
  const auto raw = campaignConcentrationFigure(run, ConcentrationScale::Raw, {});
  const auto log = campaignConcentrationFigure(run, ConcentrationScale::LogPerKg, {});
  ASSERT_TRUE(peak && perKg && raw && log);
  // The stopped station is not drawn; the legend names file and distance.
  ASSERT_EQ(perKg->panels[0].series.size(), 1u);
  const Series* line = seriesNamed(perKg->panels[0], "A.DAT (1500 m)");
  ASSERT_NE(line, nullptr);
  const double grams = a.results->mass->mass.grams;
  ASSERT_EQ(line->y.size(), a.drawn->c.size());
  for (std::size_t i = 0; i < line->y.size(); i += 97) {
    EXPECT_DOUBLE_EQ(line->x[i], a.drawn->t[i] / 3600.0);
    EXPECT_NEAR(line->y[i], a.drawn->c[i] * 0.001 / grams, 1e-12);  // mg/L per kg
    EXPECT_NEAR(raw->panels[0].series[0].y[i], a.drawn->c[i] * 0.001, 1e-9);  // ug/L
  }
  EXPECT_NEAR(maxOf(peak->panels[0].series[0].y), 1.0, 1e-12);
  EXPECT_EQ(perKg->panels[0].y.title, "mg/L per kg recovered");
  EXPECT_EQ(raw->panels[0].y.title, "Concentration (\u00b5g/L)");
  EXPECT_EQ(peak->panels[0].y.title, "Concentration over its peak");
  EXPECT_EQ(log->panels[0].y.scale, Scale::Log);
  ASSERT_TRUE(log->panels[0].y.min);
  EXPECT_NEAR(*log->panels[0].y.min, maxOf(line->y) * 1e-4, 1e-12);

  // Without a recovered mass there is nothing to normalize by.
  RunRecord none = run;
  none.stations[0].results->mass->mass.grams = 0;
  EXPECT_FALSE(campaignConcentrationFigure(none, ConcentrationScale::PerKgRecovered, {}));
  EXPECT_TRUE(campaignConcentrationFigure(none, ConcentrationScale::Raw, {}));
}

// A near station and a far one: peaks a factor of ten and more apart set a
// logarithmic time axis, and over their peaks both curves reach 1 (the far
// one is not flat beside the near one).
TEST(CampaignFigures, NearAndFarStationsShowSideBySide) {
  RunRecord run = testing::emptyRun();
  testing::StationRecipe nearby, far;
  nearby.file = "TQF.DAT";
  nearby.distance = 150;
  nearby.peakHours = 4;
  far.file = "GDS.DAT";
  far.distance = 770;
  far.peakHours = 60;
  far.recovered = 0.005;
  run.stations.push_back(testing::recordFrom(nearby, run));
  run.stations.push_back(testing::recordFrom(far, run));
  const auto f = campaignConcentrationFigure(run);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->x.scale, Scale::Log);
  for (const Series& s : f->panels[0].series) EXPECT_NEAR(maxOf(s.y), 1.0, 1e-12) << s.label;
  EXPECT_TRUE(seriesNamed(f->panels[0], "GDS.DAT (770 m)"));
  // Different colours, in the order of the stations.
  EXPECT_NE(f->panels[0].series[0].colour, f->panels[0].series[1].colour);
}

TEST(CampaignFigures, ManyStationsColourTheLargestRecoveriesAndShareAPointBudget) {
  RunRecord run = campaign(12);
  for (std::size_t i = 0; i < run.stations.size(); ++i)
    run.stations[i].results->mass->mass.kilograms = static_cast<float>((i * 7) % 12);
  Options o;
  o.legendStations = 8;
  o.pointBudget = 1200;
  const auto f = campaignConcentrationFigure(run, ConcentrationScale::Raw, o);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->maxPoints, 100u);
  const auto& series = f->panels[0].series;
  ASSERT_EQ(series.size(), 12u);
  std::set<std::string> named;
  std::size_t grey = 0;
  for (std::size_t i = 0; i < series.size(); ++i) {
    const Series& s = series[i];
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
  EXPECT_NE(f->description.find("The 8 stations of the largest recovered mass are coloured, "
                                "the 4 others grey."),
            std::string::npos);
  EXPECT_EQ(campaignConcentrationFigure(campaign(40000 / 16 + 400), ConcentrationScale::Raw, {})
                ->maxPoints,
            16u);
}

// Each station's recovery curve ends at its recovered mass (to the listing's
// printed digits), the total at their sum.
TEST(CampaignFigures, RecoveryCurvesEndAtTheRecoveredMasses) {
  const RunRecord run = campaign(5);
  const auto f = campaignRecoveryFigure(run);
  ASSERT_TRUE(f);
  const figure::Panel& p = f->panels[0];
  double sum = 0;
  for (const StationRecord& st : run.stations) {
    const Series* s = seriesStarting(p, st.stationFile);
    ASSERT_NE(s, nullptr) << st.stationFile;
    const double percent = st.results->recovery->percent.value();
    EXPECT_NEAR(s->y.back(), percent, 5e-4 * percent) << st.stationFile;
    EXPECT_NEAR(s->y.back() / 100 * testing::kInjectedMg * 1e-6, st.results->mass->mass.kilograms,
                5e-4 * st.results->mass->mass.kilograms);
    sum += s->y.back();
  }
  const Series* total = seriesNamed(p, "Total");
  ASSERT_NE(total, nullptr);
  EXPECT_NEAR(total->y.back(), sum, 1e-9 * sum);
  EXPECT_TRUE(std::is_sorted(total->y.begin(), total->y.end()));
  const Marker& final = p.markers.back();
  EXPECT_EQ(final.kind, Marker::Kind::Horizontal);
  EXPECT_DOUBLE_EQ(final.y, total->y.back());

  // One station: its curve is the total. No injected mass: no fractions.
  const RunRecord one = twoStationExample(false);
  EXPECT_EQ(seriesNamed(campaignRecoveryFigure(one)->panels[0], "Total"), nullptr);
  RunRecord noMass = run;
  noMass.release.injectedMass = 0;
  EXPECT_FALSE(campaignRecoveryFigure(noMass));
}

}  // namespace
}  // namespace kaldero::figures
