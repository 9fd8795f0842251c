#include "driver/station_steps.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analysis/curve_files.h"
#include "analysis/cxtfit.h"
#include "analysis/finite_check.h"
#include "analysis/joint_fit.h"
#include "analysis/measured_series.h"
#include "analysis/station_fit.h"
#include "analysis/run_totals.h"
#include "analysis/station_analysis.h"
#include "analysis/uncertainty.h"
#include "conditioning/extrapolation.h"
#include "conditioning/interpolation.h"
#include "core/file_reports.h"
#include "core/interrupt.h"
#include "core/stop.h"
#include "files/curve_file.h"
#include "files/cxtfit_file.h"
#include "files/fit_file.h"
#include "files/interpolated_data.h"
#include "input/checks.h"
#include "input/data_reduction.h"
#include "input/output_names.h"
#include "core/units.h"
#include "driver/figure_step.h"
#include "input/units.h"
#include "numeric/random.h"
#include "plot/chatwin_plot.h"
#include "plot/curve_plot.h"
#include "plot/data_plot.h"
#include "print/print_question.h"
#include "report/chatwin_table.h"
#include "report/notices.h"
#include "report/run_messages.h"
#include "report/station_listing.h"

namespace kaldero {

namespace {

// The reads of the measured record a figure draws at most, and the reads
// the band of the draws' concentrations is made at.
constexpr std::size_t kDrawnReads = 4000;
constexpr std::size_t kBandReads = 400;

// Whether anything after the data pass takes the measured record: the
// analyses beyond the listing, the results as data and the figures.
bool keepsMeasuredRecord(const RunOptions& o) {
  return o.fit || o.uncertainty.draws > 0 || o.resultsFile || o.tableFile || o.reportFile ||
         o.campaignFigures;
}

plot::PlotContext plotContext(RunState& s, const Station& st) {
  return plot::PlotContext{s.console, s.plots, st.test, st.name50, s.gate};
}

AnalysisInputs analysisInputs(const RunState& s, const Station& st) {
  return AnalysisInputs{st.test, st.setup, s.release};
}

StationRecord& record(RunState& s) { return s.record.stations.back(); }

// Stops the station when a value is not a finite number: quantity names the
// first, if any.
void requireFinite(RunState& s, const Station& st, const std::optional<std::string>& quantity) {
  if (quantity) stopNonFinite(s.console, st.name50, *quantity);
}

// The flow-path fit file, named after the station's fit figure.
OutputRecord fitFileRecord(const Station& st) {
  return {files::fitFileName(plot::postScriptFileName(st.name50, 85, plot::kSuffixFit)),
          "flow-path fit file", ""};
}

// The plot files of the station, planned with its other outputs.
std::vector<OutputRecord> plannedFiles(const RunState& s, const Station& st) {
  std::vector<OutputRecord> plan = plannedOutputs(st.test, st.name50, s.options.curvesCsv);
  const bool fit = s.options.fit.has_value();
  for (OutputRecord& r : plot::plannedPlotFiles(st.test, st.name50, s.plots.formats, fit,
                                                s.options.figureFormats))
    plan.push_back(std::move(r));
  if (fit) plan.push_back(fitFileRecord(st));
  return plan;
}

// The data-reduction decision and the station's storage: the sample count
// is halved (and the reduction factor doubled) while the storage cannot be
// had.
void decideStorage(RunState& s, Station& st, int32_t dataLines) {
  const ReductionDecision d = decideReduction(dataLines, st.test, s.options.everyLine);
  if (!d.allocated) stopStationStorage(s.console);
  st.reduction = d;
}

// The measured record with its sign, for the results as data and the
// figures: its signed estimates and the reads a figure draws.
void measuredRecordResults(RunState& s, const Station& st) {
  const RunOptions& o = s.options;
  const bool asData = o.resultsFile || o.tableFile || o.reportFile || o.uncertainty.draws > 0;
  if (!asData && !o.campaignFigures) return;
  // The setup in internal units, as the analyses will take it.
  const StationSetup setup = units::internalSetup(st.test);
  const AnalysisInputs a{st.test, setup, s.release};
  StationRecord& r = record(s);
  if (asData) {
    Expected<SignedEstimates> e =
        o.detectionLimit ? censoredRecordEstimates(a, st.record, *o.detectionLimit)
                         : signedEstimates(a, st.record);
    if (e)
      r.signedEstimates = *e;
    else
      r.signedWhyNot = e.error().message;
  }
  r.drawn = drawnRecord(a, st.record, kDrawnReads);
}

// The data pass, the extrapolation of an unfinished tail and the knot count.
void readData(RunState& s, Station& st) {
  st.measured = st.file.readData(s.console, st.test, st.name50, st.reduction.n, st.reduction.k,
                                 st.reduction.mode, st.facts,
                                 keepsMeasuredRecord(s.options) ? &st.record : nullptr);
  StationRecord& r = record(s);
  r.dataLines = st.file.dataLines();
  r.recordReads = st.record.size();
  r.samplesAnalysed = st.measured.samples.size();
  r.reduction = reductionWords(st.reduction);
  measuredRecordResults(s, st);
  // Only the fit and the draws take the record further.
  if (!s.options.fit && s.options.uncertainty.draws == 0) st.record = MeasuredRecord{};
  reportDataWarnings(s.console, st.name50, st.facts);
  if (st.reduction.reduces())
    reportThinning(s.console, st.name50, r.dataLines, r.samplesAnalysed, st.reduction);
  if (!on(st.test.extrapolationOption)) return;
  if (st.measured.samples.size() > 0)
    st.lastMeasuredTime = st.measured.samples.T[st.measured.samples.size() - 1];
  Extrapolation e = extrapolateTail(st.test, st.facts.equalDischargeCount, st.measured);
  writeNotices(s.console, e.notices);
  requireFinite(s, st, e.nonFinite);
  if (e.errorCode > 0) stopExtrapolation(s.console, e.errorCode);
  st.measured = std::move(e.curve);
  st.tail = e.tail;
}

// The interpolated-data file. One that cannot be created stops the run, as
// a results listing does; one the name rule refuses is left out.
void writeInterpolatedData(RunState& s, const Station& st, const Curve& knots) {
  const OutputRecord file{text::trimmed(st.test.interpolatedName), "interpolated-data file", ""};
  if (s.gate.writeRequired(file, files::interpolatedDataLines(st.test.dischargeMode, knots)))
    return;
  reportListingNotOpened(s.console, st.test.interpolatedName);
  stopRun(s.console);
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
  requireFinite(s, st, nonFiniteKnots(k.knots));
  writeInterpolatedData(s, st, k.knots);
  if (!stationStorage(knots, 1)) stopKnotCurveStorage(c);
  st.knots = std::move(k.knots);
  writeProcessingBox(c, st.test.interpolatedName);
  if (!st.test.interpolatedPlot.any()) {
    c.secondPause();
    c.focus();
  } else {
    // The knot curve (without a group spread) is plotted with the
    // reduction factor in the place of the data-reduction mode word.
    plot::PlotContext ctx = plotContext(s, st);
    plot::dataPlot(ctx, *st.knots, nullptr, st.tail, st.phase(), st.reduction.k,
                   st.test.extrapolationMethod, s.stationCounter);
  }
}

// A load or standardized curve file asked for without the normalized one.
// The results-listing copy of the report: the listing of the last station
// is still open; that of an earlier station has been closed after its
// print question and gets the lines appended.
void prerequisiteReport(RunState& s, const Station& st) {
  reportCurveFilePrerequisite(s.console);
  s.listing.append(s.gate, listingRecord(st.test), curveFilePrerequisiteLines());
  if (st.test.echo()) continueAfterPrerequisite(s.console);
}

// The CXTFIT input file, when asked for and the station gives one.
void cxtfitFile(RunState& s, const Station& st) {
  const TestDescription& t = st.test;
  if (!on(t.cxtfitOption)) return;
  const StationResults& r = st.results;
  const std::optional<cxtfit::Inputs> in =
      cxtfit::inputsOf(analysisInputs(s, st), r, st.conditioned.Q);
  if (!in) return;
  const cxtfit::Parameters p =
      cxtfit::parameters(*in, st.conditioned.T, r.outputConcentrations);
  requireFinite(s, st, nonFinite(p));
  const cxtfit::Heading h{st.setup.knotOption, st.name50, t.interpolatedName, s.release.mode};
  s.gate.writeLines({text::trimmed(t.cxtfitName), "CXTFIT input file", ""}, cxtfit::fileLines(h, p));
}

// One curve file (and with --curves-csv its CSV twin) and its plots.
void curveFile(RunState& s, const Station& st, const std::string& name50, const char* kind,
               const files::CurveColumns& columns, std::span<const float> x,
               std::span<const float> y, const plot::KindSelectors& selectors,
               int32_t& plotCounter) {
  FiniteCheck finite;
  finite(upperKind(kind), x);
  finite(upperKind(kind), y);
  requireFinite(s, st, finite.first());
  const OutputRecord file{text::trimmed(name50), kind, ""};
  s.gate.writeLines(file, files::curveFileLines(x, y));
  if (s.options.curvesCsv)
    s.gate.writeLines(curveCsvRecord(file), files::curveCsvLines(columns, x, y));
  const StationResults& r = st.results;
  const plot::CurveParameters params =
      plot::curveParameters(*r.transit, r.arrival.peakConcentration);
  plot::PlotContext ctx = plotContext(s, st);
  plot::curvePlot(ctx, x, y, st.conditioned.Q, static_cast<int32_t>(x.size()), selectors, params,
                  st.phase(), s.stationCounter, plotCounter);
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
    const CurveFileValues v =
        curves::stationCurveValues(analysisInputs(s, st), st.conditioned, st.results, load);
    curveFile(s, st, t.normalizedName, "normalized curve file",
              files::normalizedColumns(t.timeUnit), v.times, v.values, {1, 0, 0}, plotCounter);
    if (load)
      curveFile(s, st, t.loadName, "load curve file", files::loadColumns(t.timeUnit), v.times,
                v.loadValues, {0, 1, 0}, plotCounter);
    if (standardized)
      curveFile(s, st, t.standardizedName, "standardized curve file",
                files::standardizedColumns(), v.standardizedTimes, v.standardizedConcentrations,
                {0, 0, 1}, plotCounter);
  }
  if (load && !normalized) prerequisiteReport(s, st);
  if (standardized && !normalized) prerequisiteReport(s, st);
  if (t.standardizedPlot.onScreen() || t.loadPlot.onScreen() || t.normalizedPlot.onScreen())
    plot::closeGraphicsWindow(s.console, s.plots);
  s.console.maximize();
  s.console.focus();
}

// The flow-path fit (--fit) of the measured samples, its file and figure.
void fitStep(RunState& s, Station& st) {
  if (!s.options.fit) return;
  const AnalysisInputs a = analysisInputs(s, st);
  const FitSamples samples = fitSamples(a, st.record);
  const FlowPathFitInput in = stationFitInput(*s.options.fit, samples, a, st.results);
  st.fit = fitFlowPaths(in);
  s.gate.writeLines(fitFileRecord(st),
                    files::fitFileLines(files::fitFileHeading(st.name50, in), *st.fit));
  reportFitNotes(s.console, st.name50, *st.fit);
  record(s).fit = st.fit;
  if (s.options.fitReaches) {
    FlowPathFitInput kept = in;
    kept.times = kept.concentrations = kept.discharges = {};
    s.reachStations.push_back({std::string(text::trimmed(st.name50)),
                               {samples, in.distance, in.meanTransitTime,
                                measurementErrors(*st.fit), in.releaseDuration},
                               kept, *st.fit});
  }
}

}  // namespace

bool openStation(RunState& s, Station& st) {
  Console& c = s.console;
  ++s.stationCounter;
  if (s.stationCounter <= 0) countingErrorStop(c, s.stationCounter);
  writeStationHeading(c);
  if (!s.controlFile.nextStationName(st.name50)) return false;
  writeStationFileLine(c, st.name50);
  s.record.addRunReports(c.takeReports());
  s.record.startStation(text::trimmed(st.name50));

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
    plot::PlotContext ctx = plotContext(s, st);
    plot::measuredDataPlots(ctx, st.measured, st.tail, st.reduction.mode,
                            st.test.extrapolationMethod, s.stationCounter);
  }
  st.setup = units::internalSetup(st.test);
  knotStep(s, st);
  // A long curve read whole sums its integrals in double precision.
  st.setup.wideSums =
      s.options.everyLine && (st.knots ? st.knots->size() : st.measured.samples.size()) > 6000;
  record(s).setup = st.setup;

  // Background, then internal units, in the arrays of the curve analysed
  // (nothing after takes it in the file's units).
  st.conditioned =
      conditionCurve(st.test, st.knots ? std::move(*st.knots) : std::move(st.measured.samples));
  const Curve& cv = st.conditioned;
  requireFinite(s, st, nonFiniteConditioned(cv, st.test.dischargeMode, st.setup));

  // Every integral needs strictly increasing times. The data plot makes
  // this test when it runs; without it, blank lines at the end of a file
  // (samples at time 0) would reach the integration. The times are
  // compared, and the report shows them, in the unit of the station data
  // file.
  const TimeUnit unit = st.test.timeUnit;
  for (int32_t i = 0; i + 1 < cv.size(); ++i)
    if (!(units::fromSeconds(cv.T[i], unit) < units::fromSeconds(cv.T[i + 1], unit))) {
      checkTimeOrder(c, units::toFileTimes(st.test, cv.T), cv.size());
      break;
    }
}

// The record keeps what the results files show of a station's results:
// not the concentrations of the station's own output files, nor the
// Chatwin table's points unless the report draws them (the arrays of a
// curve of every line of a long record are large). They are set aside
// while the rest is copied.
void keepResults(RunState& s, Station& st) {
  StationResults& r = st.results;
  std::vector<float> output;
  output.swap(r.outputConcentrations);
  std::vector<float>* listed[4] = {};
  std::vector<float> aside[4];
  if (!s.options.reportFile && s.options.figureFormats.empty() && r.chatwin) {
    ChatwinResults& cw = *r.chatwin;
    std::vector<float>* arrays[4] = {&cw.listedTimes, &cw.listedParameters, &cw.listedFits,
                                     &cw.listedResiduals};
    for (int i = 0; i < 4; ++i) {
      listed[i] = arrays[i];
      aside[i].swap(*arrays[i]);
    }
  }
  record(s).results = r;
  output.swap(r.outputConcentrations);
  for (int i = 0; i < 4; ++i)
    if (listed[i]) aside[i].swap(*listed[i]);
}

void analyse(RunState& s, Station& st) {
  st.results = analyseStation(analysisInputs(s, st), st.conditioned, s.carried);
  keepResults(s, st);
  const StationResults& r = st.results;
  reportStationWarnings(s.console, st.name50, r.warnings, st.test.echo());
  if (st.lastMeasuredTime) {
    const double last = *st.lastMeasuredTime * units::timeFactor(st.test.timeUnit);
    record(s).extrapolatedShare = extrapolatedLoadShare(
        st.conditioned, last, st.test.dischargeMode == DischargeMode::Measured);
    if (record(s).extrapolatedShare && *record(s).extrapolatedShare > 0)
      reportExtrapolatedShare(s.console, st.name50, *record(s).extrapolatedShare);
  }
  if (r.mass) writeNotices(s.console, r.mass->notices);
  stopBeforeListing(s.console, st.name50, r);
}

void chatwinOutputs(RunState& s, Station& st) {
  const ChatwinResults& cw = *st.results.chatwin;
  writeNotices(s.console, cw.parameterNotices);
  Option screenPlot = st.test.chatwinPlot.screenPlot;
  if (cw.fitted) {
    const ChatwinTable t = chatwinTable(cw, st.conditioned.size(), st.test, st.name50, st.phase());
    writeChatwinTable(s.console, s.gate, t, st.test, st.name50,
                      [&] { plot::closeGraphicsWindow(s.console, s.plots); });
    // The statistics' notices come after the table, then the plots.
    writeNotices(s.console, cw.fitNotices);
    plot::PlotContext ctx = plotContext(s, st);
    Option postscript = st.test.chatwinPlot.postscript;
    plot::chatwinPlots(ctx, cw.listed(), cw.listedTimes, cw.listedFits, cw.listedParameters,
                       plot::chatwinTexts(cw), st.phase(), s.stationCounter, screenPlot,
                       postscript);
  }
  // The Chatwin screen switch counts as the Chatwin plots left it.
  if (plot::closesAfterChatwin(st.test, st.setup.knotOption, screenPlot)) {
    plot::closeGraphicsWindow(s.console, s.plots);
    s.console.focus();
  }
}

void writeListing(RunState& s, Station& st) {
  Console& c = s.console;
  if (!s.listing.open(s.gate, listingRecord(st.test))) {
    reportListingNotOpened(c, st.test.listingName);
    stopRun(c);
  }
  const ReportTarget out{c, s.listing, st.test.echo()};
  const StationReport report{st.test, st.setup, st.name50};
  writeTransportBlocks(out, report, st.results);
  countingErrorStop(c, s.stationCounter);
  writeGeometryBlocks(out, report, st.results);
  // Look ahead: another station follows when the control file holds one
  // more line; its listing is then offered for printing and closed.
  std::string nextName;
  if (s.controlFile.lookAhead(nextName))
    askToPrintAndClose(c, s.gate, s.listing, text::trimmed(st.test.listingName));
}

void stationFiles(RunState& s, Station& st) {
  cxtfitFile(s, st);
  curveFiles(s, st);
  requireListingWritten(s.console, s.gate, s.listing);
  fitStep(s, st);
}

void stationUncertainty(RunState& s, Station& st) {
  const UncertaintyRequest& request = s.options.uncertainty;
  if (request.draws <= 0) return;
  if (std::optional<std::string> why = errorBeyondRecord(request, st.record)) {
    reportErrorBeyondRecord(s.console, st.name50, *why);
    record(s).uncertaintyNotMade = *why;
    ++s.record.stationsWithErrorsBeyond;
    return;
  }
  // The band of the concentration figure: at most kBandReads of the reads
  // it draws.
  std::vector<std::size_t> band;
  if (const std::optional<DrawnRecord>& drawn = record(s).drawn) {
    const std::size_t step = drawn->index.size() / kBandReads + 1;
    for (std::size_t i = 0; i < drawn->index.size(); i += step) band.push_back(drawn->index[i]);
  }
  DrawStation draws{st.test, st.setup, s.release, st.record, st.reduction, s.carried, band};
  if (const std::optional<Transport>& t = st.results.transport; t && !t->dispersionUndefined())
    draws.dispersionFromMoments = t->dispersionFromMoments;
  draws.detectionLimit = s.options.detectionLimit;
  const auto stream = static_cast<uint64_t>(s.stationCounter);
  UncertaintyResult u = drawUncertainty(draws, request, numeric::streamSeed(request.seed, stream));
  u.stream = stream;
  reportDrawsStopped(s.console, st.name50, u);
  if (u.completed == 0) ++s.record.stationsWithoutDraws;
  reportOutsideIntervals(s.console, st.name50, listingOutsideIntervals(st.results, u));
  record(s).uncertainty = std::move(u);
}

namespace {

const RunState::ReachStation* fittedStation(const RunState& s, const std::string& name) {
  for (const RunState::ReachStation& r : s.reachStations)
    if (r.name == name) return &r;
  return nullptr;
}

// The reach between two fitted stations: its fit, file and figures.
RunRecord::Reach fitReach(RunState& s, const RunState::ReachStation& up,
                          const RunState::ReachStation& down) {
  std::vector<double> flux;
  const FlowPathFitInput in = reachFitInput(*s.options.fit, up.end, down.end, flux);
  RunRecord::Reach reach;
  reach.from = up.name;
  reach.to = down.name;
  reach.length = down.end.distance - up.end.distance;
  reach.fit = fitFlowPaths(in);
  const double peak = flux.empty() ? 0.0 : *std::max_element(flux.begin(), flux.end());
  if (peak > 0) reach.upstreamEndShare = std::max(0.0, flux.back() / peak);
  for (const double t : up.end.samples.times)
    reach.upstreamTimes.push_back(t + up.end.samples.arrival);
  reach.upstreamFlux = std::move(flux);
  reportReachFit(s.console, reach.from, reach.to, reach.length, reach.fit,
                 reach.upstreamEndShare);
  reach.outputs = runFilesWritten(s, [&] {
    const OutputRecord file{
        files::fitFileName(plot::reachFileName(down.name, up.name, plot::PlotFormat::PostScript)),
        "reach fit file", ""};
    s.gate.writeLines(file, files::fitFileLines(
                                files::reachFitFileHeading(down.name, up.name, in), reach.fit));
    reachFigures(s, reach);
  });
  return reach;
}

// A pair named with --reach: its reach, or why it was not fitted.
RunRecord::Reach namedReach(RunState& s, const std::string& from, const std::string& to) {
  const RunState::ReachStation* up = fittedStation(s, from);
  const RunState::ReachStation* down = fittedStation(s, to);
  std::string why;
  if (!up || !down)
    why = (!up ? from : to) + " was not fitted (not a station of the run, or not analysed)";
  else if (!(down->end.distance > up->end.distance))
    why = to + " is not farther from the release than " + from;
  if (why.empty()) return fitReach(s, *up, *down);
  RunRecord::Reach reach;
  reach.from = from;
  reach.to = to;
  reach.length = up && down ? down->end.distance - up->end.distance : 0.0;
  reach.fit = fitNotMade(*s.options.fit, why);
  reportReachFit(s.console, from, to, std::max(reach.length, 0.0), reach.fit, 0);
  return reach;
}

// The first station of the reaches fitted and every reach at once, when
// the reaches form one chain down from it, each reach fitted; the headings
// of its fit file into headings.
JointFitResult jointFit(const RunState& s, std::vector<files::FitFileHeading>& headings) {
  const std::vector<RunRecord::Reach>& reaches = s.record.reaches;
  JointFitResult none;
  if (reaches.empty()) {
    none.reason = "no reach was fitted";
    return none;
  }
  for (std::size_t k = 1; k < reaches.size(); ++k)
    if (reaches[k].from != reaches[k - 1].to) {
      none.reason = "the reaches do not form one chain (" + reaches[k].from + " follows " +
                    reaches[k - 1].to + ")";
      return none;
    }
  std::vector<const RunState::ReachStation*> stations;
  stations.push_back(fittedStation(s, reaches.front().from));
  for (const RunRecord::Reach& r : reaches) stations.push_back(fittedStation(s, r.to));
  for (std::size_t k = 0; k < stations.size(); ++k)
    if (!stations[k]) {
      none.reason = (k ? reaches[k - 1].to : reaches.front().from) + " was not fitted";
      return none;
    }
  // The inputs as the stations' and the reaches' own fits took them.
  std::vector<FlowPathFitInput> inputs(stations.size());
  std::vector<std::vector<double>> fluxes(stations.size());
  inputs[0] = stations[0]->input;
  inputs[0].times = stations[0]->end.samples.times;
  inputs[0].concentrations = stations[0]->end.samples.concentrations;
  inputs[0].discharges = stations[0]->end.samples.discharges;
  std::vector<JointStage> stages;
  stages.push_back({&inputs[0], &stations[0]->fit, "", stations[0]->name,
                    stations[0]->end.distance});
  headings.push_back(files::fitFileHeading(stations[0]->name, inputs[0]));
  for (std::size_t k = 1; k < stations.size(); ++k) {
    inputs[k] = reachFitInput(*s.options.fit, stations[k - 1]->end, stations[k]->end, fluxes[k]);
    stages.push_back({&inputs[k], &reaches[k - 1].fit, reaches[k - 1].from, reaches[k - 1].to,
                      reaches[k - 1].length});
    headings.push_back(
        files::reachFitFileHeading(reaches[k - 1].to, reaches[k - 1].from, inputs[k]));
  }
  for (files::FitFileHeading& h : headings) h.joint = true;
  return fitJoint(stages);
}

// The joint fit (--fit-joint), its console line and, when the chain has a
// first station, its fit file named after it.
void jointFitStep(RunState& s) {
  std::vector<files::FitFileHeading> headings;
  s.record.joint = jointFit(s, headings);
  reportJointFit(s.console, *s.record.joint);
  if (headings.empty()) return;
  s.record.jointOutputs = runFilesWritten(s, [&] {
    const OutputRecord file{files::fitFileName(plot::postScriptFileName(
                                headings.front().stationFile, 85, plot::kSuffixJoint)),
                            "joint fit file", ""};
    s.gate.writeLines(file, files::jointFitFileLines(*s.record.joint, headings));
  });
}

// The reaches by travel distance, or the pairs named.
void fittedReaches(RunState& s) {
  if (!s.options.reaches.empty()) {
    for (const auto& [from, to] : s.options.reaches) {
      interrupt::check();
      s.record.reaches.push_back(namedReach(s, from, to));
    }
    return;
  }
  // By travel distance; stations at one distance have no reach between them.
  std::vector<const RunState::ReachStation*> order;
  for (const RunState::ReachStation& r : s.reachStations) order.push_back(&r);
  std::stable_sort(order.begin(), order.end(),
                   [](const auto* a, const auto* b) { return a->end.distance < b->end.distance; });
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    if (!(order[i + 1]->end.distance > order[i]->end.distance)) continue;
    interrupt::check();
    s.record.reaches.push_back(fitReach(s, *order[i], *order[i + 1]));
  }
}

}  // namespace

void reachFits(RunState& s) {
  if (!s.options.fitReaches) return;
  s.record.reachesAsked = true;
  fittedReaches(s);
  if (!s.options.fitJoint) return;
  interrupt::check();
  jointFitStep(s);
}

void finishStation(RunState& s, Station& st) {
  ++s.record.stationsInTotals;
  s.sums = addStation(s.sums, st.results, st.test);
  s.carried = st.results.carried;
  record(s).status = StationStatus::Analysed;
}

}  // namespace kaldero
