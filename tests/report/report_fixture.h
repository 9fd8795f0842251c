// Hand-made run records for the HTML report's tests and its browser and
// size checks: stations with realistic breakthrough curves (one or two
// advection-dispersion flow paths with noise, a measured or constant
// discharge) analysed by the real analysis steps, a listing-like text, the
// files a station writes, optionally a flow-path fit; stopped and not-run
// stations as the driver records them. Deterministic.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "analysis/station_analysis.h"
#include "numeric/advection_dispersion.h"
#include "report/run_record.h"

namespace kaldero::testing {

struct StationRecipe {
  std::string file = "A.DAT";
  double distance = 1500;     // m
  double peakHours = 30;      // of the faster path
  double recovered = 0.4;     // share of the injected mass
  std::size_t samples = 600;  // over 4 peak times
  bool measuredDischarge = true;
  bool twoPaths = true;
  bool fit = false;          // fitted by the real fit (slow); else no fit
  bool handMadeFit = false;  // the generating paths as the fit result (fast)
  std::uint32_t seed = 1;
};

inline constexpr float kInjectedMg = 5e6f;  // 5 kg

inline ReleaseSetup exampleRelease() {
  ReleaseSetup r;
  r.mode = ReleaseMode::Instantaneous;
  r.injectedMass = kInjectedMg;
  r.massUnit = MassUnit::Kilograms;
  return r;
}

// A listing-like text of about 150 lines in Windows-1252 (the micro sign as
// one byte).
inline std::string syntheticListing(const StationRecord& st) {
  std::string out = " KALDERO RESULTS LISTING FOR " + st.stationFile + "\n\n";
  char line[160];
  const StationResults& r = *st.results;
  for (int i = 0; i < 140; ++i) {
    std::snprintf(line, sizeof line,
                  "  %3d  Recovered mass %12.5E kg   peak %10.4f \xb5g/L   mean %9.3f h\n", i,
                  static_cast<double>(r.mass ? r.mass->mass.kilograms : 0.0f),
                  static_cast<double>(r.arrival.peakConcentration / 1000),
                  static_cast<double>(r.transit ? r.transit->meanTime.hours : 0.0f));
    out += line;
  }
  return out;
}

// The generating paths: a fast main path and, optionally, a slower one.
inline std::vector<numeric::FlowPath> generatingPaths(const StationRecipe& s) {
  const double mass = s.recovered * static_cast<double>(kInjectedMg) * 1e3;  // ug
  const double v = s.distance / (s.peakHours * 3600.0);
  std::vector<numeric::FlowPath> paths;
  if (s.twoPaths) {
    paths.push_back({v, v * s.distance / 80.0, 0.65 * mass});
    paths.push_back({0.55 * v, 0.55 * v * s.distance / 25.0, 0.35 * mass});
  } else {
    paths.push_back({v, v * s.distance / 40.0, mass});
  }
  return paths;
}

inline StationRecord recordFrom(const StationRecipe& s, const RunRecord& run) {
  StationRecord st;
  st.stationFile = s.file;
  st.status = StationStatus::Analysed;
  st.headerRead = true;
  st.finished = true;
  TestDescription& t = st.test;
  t.timeUnit = TimeUnit::Hours;
  t.concentrationUnit = ConcentrationUnit::MicrogramsPerLitre;
  t.dischargeMode = s.measuredDischarge ? DischargeMode::Measured : DischargeMode::Constant;
  t.dischargeUnit = DischargeUnit::CubicMetresPerSecond;
  t.constantDischarge = s.measuredDischarge ? 0.0f : 0.8f;
  t.stationTotals = Option::On;
  t.distanceUnit = DistanceUnit::Metres;
  t.distance = static_cast<float>(s.distance);
  t.geometry = FlowForm::Conduit;
  std::string base = s.file.substr(0, s.file.find('.'));
  t.listingName = text::padded(base + ".OUT");
  st.setup.distance = static_cast<float>(s.distance);
  st.setup.constantDischarge = t.constantDischarge;

  // The curve: noise of 3 % and 20 ng/L (a uniform generator of its own,
  // the same on every platform).
  std::uint32_t state = s.seed * 2654435761u + 12345u;
  auto uniform = [&] {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / 16777216.0 - 0.5;
  };
  const std::vector<numeric::FlowPath> paths = generatingPaths(s);
  Curve cv;
  const double end = 4 * s.peakHours * 3600.0, start = 0.05 * s.peakHours * 3600.0;
  for (std::size_t i = 0; i < s.samples; ++i) {
    const double time = start + (end - start) * static_cast<double>(i) / (s.samples - 1);
    const double q = s.measuredDischarge ? 0.8 + 0.15 * std::sin(time / 86400.0) : 0.8;
    double c = numeric::concentration(time, s.distance, q, 0, paths);
    c = std::max(0.0, c * (1 + 0.06 * uniform()) + 40 * uniform());
    cv.T.push_back(static_cast<float>(time));
    cv.C.push_back(static_cast<float>(c));
    cv.Q.push_back(s.measuredDischarge ? static_cast<float>(q) : 0.0f);
  }
  st.results = analyseStation({st.test, st.setup, run.release}, cv, CarriedResults{});
  // The figures draw the curve as the lines of a station file in internal
  // units would hold it.
  TestDescription internal = t;
  internal.timeUnit = TimeUnit::Seconds;
  internal.concentrationUnit = ConcentrationUnit::NanogramsPerLitre;
  MeasuredRecord record;
  record.T = cv.T;
  record.C = cv.C;
  record.dischargeColumn = s.measuredDischarge;
  if (s.measuredDischarge) record.Q = cv.Q;
  st.drawn = drawnRecord({internal, st.setup, run.release}, record, 4000);
  st.listing = syntheticListing(st);
  st.outputs = {{base + ".OUT", "results listing", ""},
                {base + "_DAT.svg", "data plot", "svg"},
                {base + "_CHT.OUT", "Chatwin table", ""}};
  if (s.fit) {
    std::vector<double> T(cv.T.begin(), cv.T.end()), C(cv.C.begin(), cv.C.end()), Q;
    for (float q : cv.Q) Q.push_back(s.measuredDischarge ? q : 0.8);
    FlowPathFitInput in;
    in.times = T;
    in.concentrations = C;
    in.discharges = Q;
    in.distance = s.distance;
    in.recoveredMass = st.results->mass->mass.micrograms;
    in.meanTransitTime = st.results->transit->meanTime.hours * 3600.0;
    in.momentDispersion = st.results->transport->momentDispersion;
    in.peakTime = st.results->arrival.peakTime;
    st.fit = fitFlowPaths(in);
    st.outputs.push_back({base + "_FIT.OUT", "flow-path fit file", ""});
  } else if (s.handMadeFit) {
    FlowPathFitResult fit;
    PathModelFit one;
    one.pathCount = static_cast<int>(paths.size());
    one.fitted = true;
    one.samples = static_cast<int>(s.samples);
    one.parameters = 3 * one.pathCount;
    one.rSquared = 0.99;
    one.rmse = 20;
    one.aicc = -100;
    for (const numeric::FlowPath& p : paths) {
      auto e = [](double x) { return Estimate{x, 0.05 * x, 0.9 * x, 1.1 * x}; };
      FittedPath path;
      path.velocity = e(p.velocity);
      path.dispersion = e(p.dispersion);
      path.mass = e(p.mass);
      path.massFraction = e(0.5);
      path.dispersivity = e(1);
      path.peclet = e(50);
      path.meanTravelTime = e(1000 / p.velocity);
      one.paths.push_back(path);
    }
    // The samples fitted, the generating model at them and the residuals,
    // as the fit leaves them; the model curve on a grid of its own with a
    // band of +-10 %.
    for (std::size_t i = 0; i < cv.T.size(); ++i) {
      const double model = numeric::concentration(cv.T[i], s.distance, 0.8, 0, paths);
      fit.times.push_back(cv.T[i]);
      fit.concentrations.push_back(cv.C[i]);
      fit.discharges.push_back(0.8);
      one.modelValues.push_back(model);
      one.residuals.push_back(cv.C[i] - model);
    }
    fit.distance = s.distance;
    for (int i = 0; i <= 400; ++i) {
      const double t = cv.T.back() * i / 400.0;
      const double model = numeric::concentration(t, s.distance, 0.8, 0, paths);
      fit.curve.times.push_back(t);
      fit.curve.sum.push_back(model);
      fit.curve.low.push_back(0.9 * model);
      fit.curve.high.push_back(1.1 * model);
    }
    if (paths.size() > 1)
      for (const numeric::FlowPath& p : paths) {
        std::vector<double> y;
        for (double t : fit.curve.times)
          y.push_back(numeric::concentration(t, s.distance, 0.8, 0, {&p, 1}));
        fit.curve.paths.push_back(std::move(y));
      }
    fit.samplesFitted = static_cast<int>(cv.T.size());
    fit.models.push_back(one);
    fit.chosen = 0;
    st.fit = fit;
  }
  return st;
}

// A station that stopped the run, as the driver records it.
inline StationRecord stoppedStation(const std::string& file, const std::string& report) {
  StationRecord st;
  st.stationFile = file;
  st.status = StationStatus::Stopped;
  st.finished = true;
  st.stopReport = report;
  st.reports = {{ShownReport::Kind::Error, report + "\n"}};
  return st;
}

inline StationRecord notRunStation(const std::string& file, const std::string& stoppedAt) {
  StationRecord st;
  st.stationFile = file;
  st.status = StationStatus::NotRun;
  st.finished = true;
  st.stopReport = "Not run: the run stopped at station " + stoppedAt + ".";
  return st;
}

inline RunRecord emptyRun(const std::string& title = "DYE TRACE, SPRING 2023") {
  RunRecord run;
  run.controlFile = "KALDERO.D";
  run.controlSha256 = "3f79bb7b435b05321651daefd374cdc681dc06faa65e374e38337b88ca046dea";
  run.startedAt = "2024-05-02T09:30:00+0200";
  run.controlRead = true;
  run.control.title = title;
  run.control.injectedMass = 5;
  run.control.massUnit = MassUnit::Kilograms;
  run.control.releaseMode = ReleaseMode::Instantaneous;
  run.control.controlFileName = text::padded("KALDERO.D");
  run.release = exampleRelease();
  return run;
}

// The two-station example: A.DAT analysed with a flow-path fit (1,500
// samples, measured discharge), B.DAT stopped the run.
inline RunRecord twoStationExample(bool realFit = true) {
  RunRecord run = emptyRun();
  StationRecipe a;
  a.samples = 1500;
  a.fit = realFit;
  a.handMadeFit = !realFit;
  run.stations.push_back(recordFrom(a, run));
  run.stations.push_back(stoppedStation(
      "B.DAT", "B.DAT: THE SAMPLE TIMES ARE NOT IN INCREASING ORDER AT LINE 212.\nTHE RUN STOPS."));
  run.exitStatus = 1;
  return run;
}

// A campaign of n stations with --keep-going: varied distances, curves of
// 300 to 2,000 samples, every 40th station stopped, every 10th with a fit
// (hand-made: the generating paths).
inline RunRecord campaign(std::size_t n) {
  RunRecord run = emptyRun("CAMPAIGN OF " + std::to_string(n) + " STATIONS");
  for (std::size_t i = 0; i < n; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "ST%04zu.DAT", i + 1);
    if (i % 40 == 39) {
      run.stations.push_back(stoppedStation(name, std::string(name) + " HAS NO SAMPLES.\n"));
      continue;
    }
    StationRecipe s;
    s.file = name;
    s.distance = 300 + 97.0 * static_cast<double>(i % 50);
    s.peakHours = 5 + 0.3 * static_cast<double>(i % 70);
    s.recovered = 0.6 / static_cast<double>(n);
    s.samples = 300 + (i * 337) % 1700;
    s.measuredDischarge = i % 2 == 0;
    s.twoPaths = i % 3 == 0;
    s.handMadeFit = i % 10 == 0;
    s.seed = static_cast<std::uint32_t>(i + 1);
    run.stations.push_back(recordFrom(s, run));
  }
  run.exitStatus = 1;
  return run;
}

}  // namespace kaldero::testing
