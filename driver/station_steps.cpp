#include "driver/station_steps.h"

#include <string>
#include <vector>

#include "analysis/cxtfit.h"
#include "analysis/curve_files.h"
#include "analysis/finite_check.h"
#include "analysis/flow_path_fit.h"
#include "analysis/run_totals.h"
#include "analysis/station_analysis.h"
#include "analysis/uncertainty.h"
#include "conditioning/background.h"
#include "conditioning/extrapolation.h"
#include "conditioning/interpolation.h"
#include "core/file_reports.h"
#include "core/stop.h"
#include "core/units.h"
#include "files/curve_file.h"
#include "files/cxtfit_file.h"
#include "files/fit_file.h"
#include "files/interpolated_data.h"
#include "input/checks.h"
#include "input/data_reduction.h"
#include "input/output_names.h"
#include "input/units.h"
#include "numeric/random.h"
#include "plot/chatwin_plot.h"
#include "plot/curve_plot.h"
#include "plot/data_plot.h"
#include "plot/fit_plot.h"
#include "print/print_question.h"
#include "report/chatwin_table.h"
#include "report/geometry_report.h"
#include "report/notices.h"
#include "report/run_messages.h"
#include "report/transport_report.h"

namespace kaldero {

namespace {

plot::PlotContext plotContext(RunState& s, const Station& st) {
  return plot::PlotContext{s.console, s.plots, st.test, st.name50, s.gate};
}

ReportTarget reportTarget(RunState& s, const Station& st) {
  return ReportTarget{s.console, s.listing, st.test.echo()};
}

StationRecord& record(RunState& s) { return s.record.stations.back(); }

// Stops the station when a value is not a finite number.
template <class R>
void requireFinite(RunState& s, const Station& st, const R& result) {
  if (const std::optional<std::string> q = nonFinite(result)) stopNonFinite(s.console, st.name50, *q);
}

void requireFinite(RunState& s, const Station& st, std::string_view quantity,
                   std::span<const float> values) {
  FiniteCheck c;
  c(quantity, values);
  if (c.first()) stopNonFinite(s.console, st.name50, *c.first());
}

// A results listing that could not be written completely (a full disk)
// stops the run: the user must not take an incomplete listing for the
// station's results.
void requireListingWritten(RunState& s) {
  if (s.listing.intact()) return;
  s.gate.incomplete(s.listing.failedPath());
  reportListingNotWritten(s.console, text::padded(s.listing.failedPath()), s.listing.failure());
  stopRun(s.console);
}

// The plot files of the station, planned with its other outputs.
std::vector<OutputRecord> plannedFiles(const RunState& s, const Station& st) {
  std::vector<OutputRecord> plan = plannedOutputs(st.test, st.name50, s.options.curvesCsv);
  const bool fit = s.options.fit.has_value();
  for (OutputRecord& r : plot::plannedPlotFiles(st.test, st.name50, s.plots.formats, fit))
    plan.push_back(std::move(r));
  if (fit)
    plan.push_back({files::fitFileName(plot::postScriptFileName(st.name50, 85, plot::kSuffixFit)),
                    "flow-path fit file", ""});
  return plan;
}

// The data-reduction decision and the station's storage: the sample count
// is halved (and the reduction factor doubled) while the storage cannot be
// had.
void decideStorage(RunState& s, Station& st, int32_t dataLines) {
  const int32_t pad = on(st.test.extrapolationOption) &&
                              st.test.extrapolationMethod == ExtrapolationMethod::Exponential
                          ? 5
                          : 1;
  const ReductionDecision d =
      decideReduction(dataLines, st.test.reductionMode, st.test.knotOption,
                      st.test.stationTotals, [&](int32_t n) { return stationStorage(n, pad); });
  if (!d.allocated) stopStationStorage(s.console);
  st.k = d.k;
  st.mode = d.mode;
  st.wanted = d.n;
}

void dataPlot(RunState& s, Station& st, int32_t modeWord) {
  plot::PlotContext ctx = plotContext(s, st);
  const Curve& c = st.analysedCurve();
  // The knot curve has no group spread.
  const std::vector<float> none(c.T.size(), 0.0f);
  const bool spread = !st.knots;
  const plot::DataCurve curve{c.T,
                              c.C,
                              c.Q,
                              spread ? st.measured.spread.T : none,
                              spread ? st.measured.spread.C : none,
                              spread ? st.measured.spread.Q : none,
                              c.size()};
  plot::dataPlot(ctx, curve, st.tail, st.phase, modeWord, st.test.extrapolationMethod,
                 s.stationCounter);
}

// The data pass, the extrapolation of an unfinished tail and the knot count.
void readData(RunState& s, Station& st) {
  st.measured = st.file.readData(s.console, st.test, st.name50, st.wanted, st.k, st.mode, st.facts);
  reportDataWarnings(s.console, st.name50, st.facts);
  // The draws of the uncertainty and the flow-path fit start from the
  // curve as read.
  if (s.options.uncertainty.draws > 0 || s.options.fit) st.dataPass = st.measured;
  if (!on(st.test.extrapolationOption)) return;
  Extrapolation e = extrapolateTail(st.test, st.facts.equalDischargeCount, st.measured);
  writeNotices(s.console, e.notices);
  if (e.nonFinite) stopNonFinite(s.console, st.name50, *e.nonFinite);
  if (e.errorCode > 0) stopExtrapolation(s.console, e.errorCode);
  st.measured = std::move(e.curve);
  st.tail = e.tail;
}

// The interpolated-data file. One that cannot be created stops the run, as
// a results listing does; one the name rule refuses is left out.
void writeInterpolatedData(RunState& s, const Station& st, const Curve& knots) {
  const OutputRecord file{text::trimmed(st.test.interpolatedName), "interpolated-data file", ""};
  const std::vector<std::string> lines = files::interpolatedDataLines(st.test.dischargeMode, knots);
  if (s.gate.refusal(file)) {
    s.gate.writeLines(file, lines);
    return;
  }
  CheckedFile f;
  if (!s.gate.open(f, file, CheckedFile::Mode::Replace, true)) {
    reportListingNotOpened(s.console, st.test.interpolatedName);
    stopRun(s.console);
  }
  for (const std::string& l : lines) f.line(l);
  s.gate.close(f, file);
}

// The knot decision; the knot curve replaces the measured one when there
// are more knots than samples.
void knotStep(RunState& s, Station& st) {
  Console& c = s.console;
  if (!on(st.test.knotOption)) return;
  const Curve& m = st.measured.samples;
  const int32_t n = m.size();
  const int32_t knots = knotCount(m.T, n, st.facts.knotSpacing);
  if (knots < n) stopFewerKnotsThanSamples(c);
  if (knots == n) {
    noteKnotsEqualSamples(c);
    st.setup.knotOption = Option::Off;
    return;
  }
  if (!interpolationStorage(n, knots)) stopInterpolationStorage(c);
  KnotCurve k = interpolateOntoKnots(st.test, st.facts.knotSpacing, m, knots);
  writeNotices(c, k.notices);
  requireFinite(s, st, "knot time", k.knots.T);
  requireFinite(s, st, "interpolated concentration", k.knots.C);
  requireFinite(s, st, "interpolated discharge", k.knots.Q);
  writeInterpolatedData(s, st, k.knots);
  if (!stationStorage(knots, 1)) stopKnotCurveStorage(c);
  st.knots = std::move(k.knots);
  st.phase = 1;
  writeProcessingBox(c, st.test.interpolatedName);
  if (!st.test.interpolatedPlot.any()) {
    c.secondPause();
    c.focus();
  } else {
    // The knot curve is plotted with the reduction factor in the place of
    // the data-reduction mode word.
    dataPlot(s, st, st.k);
  }
}

}  // namespace

bool openStation(RunState& s, Station& st) {
  Console& c = s.console;
  ++s.stationCounter;
  if (s.stationCounter <= 0) countingErrorStop(c, s.stationCounter);
  c.empty();
  c.free("PROCESSING OF NEXT SAMPLING STATION DATA ");
  if (!s.controlFile.nextStationName(st.name50)) return false;
  c.free("FILE = " + st.name50);
  for (ShownReport& r : c.takeReports()) s.record.reports.push_back(std::move(r));
  s.record.stations.push_back(StationRecord{});
  record(s).stationFile = text::trimmed(st.name50);

  if (!st.file.open(text::trimmed(st.name50))) {
    reportStationFileNotFound(c, st.name50);
    stopRun(c);
  }
  int32_t dataLines = 0;
  if (st.file.readHeader(c, st.test, st.name50, dataLines) != 0) stopRun(c);
  record(s).headerRead = true;
  record(s).test = st.test;
  // No output of the station may replace an input or another output of
  // the run: a results listing that would stops the station here, before
  // anything is written.
  if (s.gate.planStation(plannedFiles(s, st))) {
    reportListingNameReused(c, st.test.listingName);
    stopRun(c);
  }
  releaseTimeCheck(c, s.listing, s.control, s.release);
  decideStorage(s, st, dataLines);
  return true;
}

void readAndConditionCurve(RunState& s, Station& st) {
  Console& c = s.console;
  readData(s, st);
  c.focus();
  writeProcessingBox(c, st.name50);
  if (!st.test.dataPlot.any()) {
    c.secondPause();
    c.focus();
  } else {
    // The mode word of the plot: group means (2) are plotted once more
    // without their error bars (0).
    int32_t modeWord = code(st.mode);
    dataPlot(s, st, modeWord);
    while (modeWord == 2) {
      modeWord = 0;
      dataPlot(s, st, modeWord);
    }
  }
  st.setup = units::internalSetup(st.test);
  knotStep(s, st);
  record(s).setup = st.setup;

  // Background, then internal units.
  const Curve& source = st.analysedCurve();
  Curve background = source;
  background.C = subtractBackground(st.test, source.C);
  st.conditioned = units::toInternalUnits(st.test, background);
  const Curve& cv = st.conditioned;
  requireFinite(s, st, "sample time in seconds", cv.T);
  requireFinite(s, st, "concentration in ng/L", cv.C);
  if (st.test.dischargeMode == DischargeMode::Measured)
    requireFinite(s, st, "discharge in m3/s", cv.Q);
  requireFinite(s, st, "constant discharge in m3/s", std::span(&st.setup.constantDischarge, 1));
  requireFinite(s, st, "travel distance in metres", std::span(&st.setup.distance, 1));

  // Every integral needs strictly increasing times. The data plot makes
  // this test when it runs; without it, blank lines at the end of a file
  // (samples at time 0) would reach the integration. The report shows the
  // times in the unit of the station data file.
  std::vector<float> fileTimes(cv.T);
  for (float& t : fileTimes) t = units::fromSeconds(t, st.test.timeUnit);
  checkTimeOrder(c, fileTimes, cv.size());
}

void analyse(RunState& s, Station& st) {
  const AnalysisInputs in{st.test, st.setup, s.release};
  st.results = analyseStation(in, st.conditioned, s.carried);
  record(s).results = st.results;
  record(s).curve = st.conditioned;
  const StationResults& r = st.results;
  reportStationWarnings(s.console, st.name50, r.warnings);
  if (r.mass) writeNotices(s.console, r.mass->notices);
  const bool early = r.stoppedAt == AnalysisStage::Arrival || r.stoppedAt == AnalysisStage::Mass ||
                     r.stoppedAt == AnalysisStage::Chatwin;
  if (r.stop && r.stop->kind == AnalysisStop::Kind::NonFinite && early)
    stopNonFinite(s.console, st.name50, r.stop->quantity);
}

void chatwinOutputs(RunState& s, Station& st) {
  const ChatwinResults& cw = *st.results.chatwin;
  writeNotices(s.console, cw.parameterNotices);
  Option screenPlot = st.test.chatwinPlot.screenPlot;
  if (cw.fitted) {
    const ChatwinSwitches& cs = st.test.chatwinPlot;
    const PlotSwitches& group = st.phase == 0 ? st.test.dataPlot : st.test.interpolatedPlot;
    ChatwinTable t;
    t.samples = st.conditioned.size();
    t.fit = &cw;
    t.plotShowing = group.onScreen();
    t.titleName = st.phase == 0 ? st.name50 : st.test.interpolatedName;
    if (on(cs.tableOnScreen)) {
      showChatwinTable(s.console, t, [&] { plot::closeGraphicsWindow(s.console, s.plots); });
    }
    if (on(cs.tableFile))
      s.gate.writeLines({text::trimmed(chatwinTableFileName(st.name50)), "Chatwin table file", ""},
                        chatwinTableFileLines(t));
    if (on(cs.tableOnScreen)) s.console.clear();
    // The statistics' notices come after the table, then the plots.
    writeNotices(s.console, cw.fitNotices);
    plot::PlotContext ctx = plotContext(s, st);
    Option postscript = cs.postscript;
    plot::chatwinPlots(ctx, cw.listed(), cw.listedTimes, cw.listedFits, cw.listedParameters,
                       plot::chatwinTexts(cw), st.phase, s.stationCounter, screenPlot, postscript);
  }
  // The graphics window is closed when a data plot or the Chatwin plot was
  // on the screen and the results are echoed there, or when only the
  // interpolated plot was on the screen (unless the Chatwin plot and both
  // data-plot kinds were asked for); the Chatwin screen switch as the
  // Chatwin plots left it.
  const TestDescription& t = st.test;
  const PlotSwitches& d = t.dataPlot;
  const bool close = d.onScreen() || on(screenPlot)
                         ? t.echo()
                         : on(st.setup.knotOption) && t.interpolatedPlot.onScreen() &&
                               !(screenPlot != Option::Off && d.points != Option::Off &&
                                 d.curve != Option::Off);
  if (close) {
    plot::closeGraphicsWindow(s.console, s.plots);
    s.console.focus();
  }
}

namespace {

// The results-listing copy of a report made after the reports of the
// station: the listing of the last station is still open; that of an
// earlier station has been closed after its print question and gets the
// lines appended.
void toStationListing(RunState& s, const Station& st, const std::vector<std::string>& lines) {
  const bool wasOpen = s.listing.isOpen();
  if (!wasOpen && !s.listing.openAppend(s.gate, listingRecord(st.test))) return;
  for (const auto& l : lines) s.listing.line(l);
  if (!wasOpen) s.listing.close();
}

// A load or standardized curve file asked for without the normalized one.
void prerequisiteReport(RunState& s, const Station& st) {
  reportCurveFilePrerequisite(s.console);
  toStationListing(s, st, curveFilePrerequisiteLines());
  if (st.test.echo()) {
    s.console.free("Press <RETURN> to continue program");
    s.console.waitEnter();
  }
}

void cxtfitFile(RunState& s, const Station& st) {
  const TestDescription& t = st.test;
  if (!on(t.cxtfitOption)) return;
  const StationResults& r = st.results;
  const FlowGeometry& g = *r.geometry;
  if (!on(t.stationTotals) || g.volume == 0) return;
  cxtfit::Inputs in;
  in.distance = st.setup.distance;
  in.peakTime = r.arrival.peakTime;
  in.volume = g.volume;
  in.dispersion = r.transport->dispersion;
  in.meanVelocity = r.transport->meanVelocity.perSecond;
  in.conductivity = g.conductivity;
  in.injectedMass = s.release.injectedMass;
  in.recoveredMass = r.mass->mass.micrograms;
  in.releaseDuration = s.release.durationHours;
  in.constantDischarge = st.setup.constantDischarge;
  in.meanDischarge = cxtfit::meanDischarge(st.conditioned.Q);
  in.releaseMode = s.release.mode;
  in.dischargeMode = t.dischargeMode;
  in.geometry = t.geometry;
  in.settings = cxtfit::normalizedSettings(t.cxtfitSettings);
  const cxtfit::Parameters p =
      cxtfit::parameters(in, st.conditioned.T, r.curves.outputConcentrations);
  requireFinite(s, st, p);
  const cxtfit::Heading h{st.setup.knotOption, st.name50, t.interpolatedName, s.release.mode};
  s.gate.writeLines({text::trimmed(t.cxtfitName), "CXTFIT input file", ""}, cxtfit::fileLines(h, p));
}

// One curve file (and with --curves-csv its CSV twin) and its plots.
void curveFile(RunState& s, const Station& st, const std::string& name50, const char* kind,
               const files::CurveColumns& columns, std::span<const float> x,
               std::span<const float> y, const plot::KindSelectors& selectors,
               int32_t& plotCounter) {
  requireFinite(s, st, upperKind(kind), x);
  requireFinite(s, st, upperKind(kind), y);
  const OutputRecord file{text::trimmed(name50), kind, ""};
  s.gate.writeLines(file, files::curveFileLines(x, y));
  if (s.options.curvesCsv)
    s.gate.writeLines(curveCsvRecord(file), files::curveCsvLines(columns, x, y));
  const TransitTimes& tt = *st.results.transit;
  const plot::CurveParameters params{tt.meanTimeInTimeUnit,       tt.standardDeviationInTimeUnit,
                                     tt.standardDeviation.hours, tt.skewness.value_or(0.0f),
                                     tt.kurtosis.value_or(0.0f), st.results.arrival.peakConcentration};
  plot::PlotContext ctx = plotContext(s, st);
  plot::curvePlot(ctx, x, y, st.conditioned.Q, static_cast<int32_t>(x.size()), selectors, params,
                  st.phase, s.stationCounter, plotCounter);
}

// The normalized curve file and its plots, then the load and the
// standardized curve files with theirs; these two need the normalized one
// and are refused with the prerequisite report without it.
void curveFiles(RunState& s, const Station& st) {
  const TestDescription& t = st.test;
  const bool normalized = on(t.normalizedOption);
  const bool load = on(t.loadOption), standardized = on(t.standardizedOption);
  // The screen plots of the curves made so far for the station: the prompt
  // before a plot comes with the first only.
  int32_t plotCounter = 0;
  if (normalized) {
    const StationResults& r = st.results;
    const AnalysisInputs in{t, st.setup, s.release};
    const CurveFileValues v = curves::curveFileValues(
        st.conditioned.T, r.curves.outputConcentrations, dischargeOf(in, st.conditioned),
        t.timeUnit, r.mass->mass.grams, *r.transit, r.arrival.peakConcentration, load);
    // The CSV columns name their units; a time-unit code outside the
    // table reads as seconds.
    const char* unit = units::timeUnitName(t.timeUnit);
    const std::string time = std::string("time_") + (unit ? unit : "s");
    curveFile(s, st, t.normalizedName, "normalized curve file",
              {time, "concentration_mg_per_L_per_kg_recovered"}, v.times, v.values, {1, 0, 0},
              plotCounter);
    if (load)
      curveFile(s, st, t.loadName, "load curve file", {time, "load_mg_per_s_per_kg_recovered"},
                v.times, v.loadValues, {0, 1, 0}, plotCounter);
    if (standardized)
      curveFile(s, st, t.standardizedName, "standardized curve file",
                {"time_standard_deviations_from_mean", "concentration_fraction_of_peak"},
                v.standardizedTimes, v.standardizedConcentrations, {0, 0, 1}, plotCounter);
  }
  if (load && !normalized) prerequisiteReport(s, st);
  if (standardized && !normalized) prerequisiteReport(s, st);
  if (t.standardizedPlot.onScreen() || t.loadPlot.onScreen() || t.normalizedPlot.onScreen())
    plot::closeGraphicsWindow(s.console, s.plots);
  s.console.maximize();
  s.console.focus();
}

// The samples the flow-path fit takes: the curve as the data pass read it
// (never knots, nor an extrapolated tail), background subtracted with
// negatives kept, in SI units, times since the tracer reached the flow
// zone.
struct FitSamples {
  std::vector<double> times, concentrations, discharges;
};

FitSamples fitSamples(const RunState& s, const Station& st) {
  Curve c = st.dataPass.samples;
  c.C = subtractBackground(st.test, c.C, true);
  const Curve si = units::toInternalUnits(st.test, c);
  const bool measured = st.test.dischargeMode == DischargeMode::Measured;
  const double arrival = static_cast<double>(s.release.flowZoneArrivalHours) * 3600;
  FitSamples f;
  for (int32_t i = 0; i < si.size(); ++i) {
    f.times.push_back(static_cast<double>(si.T[i]) - arrival);
    f.concentrations.push_back(si.C[i]);
    f.discharges.push_back(measured ? si.Q[i] : st.setup.constantDischarge);
  }
  return f;
}

// The flow-path fit (--fit) of the measured samples, its file and figure.
void fitStep(RunState& s, Station& st) {
  if (!s.options.fit) return;
  const FitSamples samples = fitSamples(s, st);
  const StationResults& r = st.results;
  FlowPathFitInput in;
  static_cast<FitOptions&>(in) = *s.options.fit;
  in.times = samples.times;
  in.concentrations = samples.concentrations;
  in.discharges = samples.discharges;
  in.distance = st.setup.distance;
  in.releaseDuration = s.release.mode == ReleaseMode::Instantaneous
                           ? 0.0
                           : static_cast<double>(s.release.durationHours) * 3600;
  in.recoveredMass = r.mass->mass.micrograms;
  in.meanTransitTime = static_cast<double>(r.transit->meanTime.hours) * 3600;
  in.momentDispersion = r.transport->momentDispersion;
  in.chatwinDispersion = r.chatwin->fitted ? r.chatwin->dispersion : 0.0f;
  in.peakTime = r.arrival.peakTime;
  st.fit = fitFlowPaths(in);

  files::FitFileHeading heading;
  heading.stationFile = text::trimmed(st.name50);
  heading.pathsAsked = in.paths;
  heading.samples = static_cast<int>(samples.times.size());
  heading.distance = in.distance;
  heading.releaseDuration = in.releaseDuration;
  heading.recoveredMass = in.recoveredMass;
  heading.momentDispersion = in.momentDispersion;
  heading.chatwinDispersion = in.chatwinDispersion;
  const std::string name =
      files::fitFileName(plot::postScriptFileName(st.name50, 85, plot::kSuffixFit));
  s.gate.writeLines({name, "flow-path fit file", ""}, files::fitFileLines(heading, *st.fit));
  plot::PlotContext ctx = plotContext(s, st);
  plot::fitPlot(ctx,
                {samples.times, samples.concentrations, samples.discharges, in.distance,
                 in.releaseDuration},
                *st.fit);
  reportFitNotes(s.console, st.name50, *st.fit);
  record(s).fit = st.fit;
}

}  // namespace

void writeListing(RunState& s, Station& st) {
  Console& c = s.console;
  const StationResults& r = st.results;
  if (!s.listing.open(s.gate, listingRecord(st.test))) {
    reportListingNotOpened(c, st.test.listingName);
    stopRun(c);
  }
  const ReportTarget out = reportTarget(s, st);
  const StationReport report{st.test, st.setup, st.name50};
  writeMassRecovery(out, report, r);
  if (r.stop && r.stoppedAt == AnalysisStage::Transit) {
    if (r.stop->kind == AnalysisStop::Kind::NoMassRecovered) stopNoMassRecovered(c);
    stopNonFinite(c, st.name50, r.stop->quantity);
  }
  writeNotices(c, r.transit->notices);
  writeTransitTimes(out, report, r);
  if (r.stop && r.stoppedAt == AnalysisStage::Transport)
    stopNonFinite(c, st.name50, r.stop->quantity);
  writeNotices(c, r.transport->notices);
  writeVelocitiesAndDispersion(out, *r.transport);
  countingErrorStop(c, s.stationCounter);
  if (r.stop) stopNonFinite(c, st.name50, r.stop->quantity);
  writeFlowGeometry(out, st.test, *r.geometry);
  writeRecovery(out, *r.recovery);

  // Look ahead: another station follows when the control file holds one
  // more line; its listing is then offered for printing and closed.
  std::string nextName;
  if (s.controlFile.lookAhead(nextName)) {
    requireListingWritten(s);
    askToPrint(c, s.listing, text::trimmed(st.test.listingName));
    s.listing.close();
    requireListingWritten(s);
  }
}

void stationFiles(RunState& s, Station& st) {
  cxtfitFile(s, st);
  curveFiles(s, st);
  requireListingWritten(s);
  fitStep(s, st);
}

void stationUncertainty(RunState& s, Station& st) {
  const UncertaintySpec& spec = s.options.uncertainty;
  if (spec.draws <= 0) return;
  const DrawStation draws{st.test, st.setup, s.release, st.dataPass, s.carried};
  UncertaintyResult u = drawUncertainty(
      draws, spec, numeric::streamSeed(spec.seed, static_cast<uint64_t>(s.stationCounter)));
  reportDrawsStopped(s.console, st.name50, u);
  record(s).uncertainty = std::move(u);
}

void finishStation(RunState& s, Station& st) {
  ++s.record.stationsInTotals;
  s.sums = addStation(s.sums, st.results, st.test);
  s.carried = st.results.carried;
  s.lastTest = st.test;
  s.lastStationFile = st.name50;
  s.lastResults = st.results;
  record(s).status = StationStatus::Analysed;
}

}  // namespace kaldero
