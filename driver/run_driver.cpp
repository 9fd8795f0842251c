#include "driver/run_driver.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include "analysis/finite_check.h"
#include "analysis/run_totals.h"
#include "core/checksum.h"
#include "core/console.h"
#include "core/file_reports.h"
#include "core/stop.h"
#include "core/text.h"
#include "driver/run_state.h"
#include "driver/station_steps.h"
#include "input/output_names.h"
#include "core/units.h"
#include "print/print_question.h"
#include "report/results_files.h"
#include "report/run_messages.h"
#include "report/totals_report.h"

namespace kaldero {

namespace {

// The reports that stopped the run: the errors among those shown.
std::string stopText(const std::vector<ShownReport>& shown) {
  std::string text;
  for (const ShownReport& r : shown)
    if (r.kind == ShownReport::Kind::Error) text += r.text;
  return text;
}

// At the end of a station (analysed) or when the run stops in it: the files
// it wrote and the reports shown. False when there is no station left
// unfinished (the reports shown since belong to the run).
bool finishStationRecord(RunState& s) {
  if (s.record.stations.empty() || s.record.stations.back().finished) {
    for (ShownReport& r : s.console.takeReports()) s.record.reports.push_back(std::move(r));
    return false;
  }
  StationRecord& st = s.record.stations.back();
  st.finished = true;
  for (const OutputRecord& f : s.gate.takeStationFiles())
    st.outputs.push_back({f.name, f.kind, f.format});
  s.gate.endStation();
  st.reports = s.console.takeReports();
  st.listing += s.listing.takeTranscript();
  if (!st.analysed()) st.stopReport = stopText(st.reports);
  return true;
}

// One pass of the station loop; false when the control file holds no
// further name.
bool processStation(RunState& s) {
  Station st;
  if (!openStation(s, st)) return false;
  readAndConditionCurve(s, st);
  analyse(s, st);
  chatwinOutputs(s, st);
  writeListing(s, st);
  stationFiles(s, st);
  finishStation(s, st);
  finishStationRecord(s);
  stationSummary(s.console, s.record.stations.back());
  return true;
}

// A results listing that could not be written completely stops the run.
void requireListingWritten(RunState& s) {
  if (s.listing.intact()) return;
  s.gate.incomplete(s.listing.failedPath());
  reportListingNotWritten(s.console, text::padded(s.listing.failedPath()), s.listing.failure());
  stopRun(s.console);
}

int endOfRun(RunState& s) {
  Console& c = s.console;
  // Without any station there is no results listing to add totals to.
  if (s.listing.isOpen() && s.lastTest && s.lastResults) {
    const RunTotals totals =
        runTotals(s.sums, *s.lastResults, *s.lastTest, s.release.injectedMass);
    if (const std::optional<std::string> q = nonFinite(totals))
      stopNonFinite(c, s.lastStationFile, *q);
    s.listing.openAppend(s.gate, listingRecord(*s.lastTest));
    writeRunTotals(ReportTarget{c, s.listing, s.lastTest->echo()}, totals, s.lastStationFile);
    s.record.totals = totals;
    s.record.stations.back().listing += s.listing.takeTranscript();
    requireListingWritten(s);
    askToPrint(c, s.listing, text::trimmed(s.lastTest->listingName));
    s.listing.close();
    requireListingWritten(s);
  }
  c.focus();
  writeEndBox(c);
  if (s.gate.notWritten() == 0) return kExitNormal;
  reportFilesNotWritten(c, s.gate.notWritten());
  return kExitFilesNotWritten;
}

// The results files the options ask for, and in batch mode the summary of
// the run; the exit status, made 4 when a results file could not be
// written.
int finishRun(RunState& s, int status) {
  if (finishStationRecord(s)) stationSummary(s.console, s.record.stations.back());
  // The stations after one that stopped the run are listed as not run.
  if (!s.record.stations.empty() && !s.record.stations.back().analysed()) {
    const std::string stopped = s.record.stations.back().stationFile;
    for (const std::string& name : s.controlFile.remainingNames()) {
      StationRecord& st = s.record.stations.emplace_back();
      st.stationFile = name;
      st.status = StationStatus::NotRun;
      st.finished = true;
      st.stopReport = "Not run: the run stopped at station " + stopped + ".";
    }
  }
  s.record.release = s.release;
  const RunOptions& o = s.options;
  status = writeResultsFiles(s.console, s.gate, s.record, {o.resultsFile, o.tableFile, o.reportFile},
                             status);
  int analysed = 0;
  for (const StationRecord& st : s.record.stations) analysed += st.analysed() ? 1 : 0;
  runSummary(s.console, analysed, status);
  s.console.flush();
  return status;
}

// The local date and time the run started, ISO 8601; SOURCE_DATE_EPOCH (in
// seconds since 1970) fixes it, for files that must come out the same byte
// for byte.
std::string startTime() {
  std::time_t now = std::time(nullptr);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) now = std::strtoll(epoch, nullptr, 10);
  std::tm local{};
  localtime_r(&now, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  return text;
}

void readControlFile(RunState& s) {
  s.record.startedAt = startTime();
  if (s.controlFile.readLeadingBlock(s.console, s.control, s.options.controlFile) != 0)
    stopRun(s.console);
  s.record.controlFile = text::trimmed(s.control.controlFileName);
  s.record.controlSha256 = sha256OfFile(s.record.controlFile).value_or("");
  s.release = ReleaseSetup{s.control.releaseMode, s.control.releaseDuration,
                           s.control.flowZoneArrival,
                           s.control.injectedMass * units::massFactor(s.control.massUnit),
                           s.control.massUnit};
  s.record.control = s.control;
  s.record.release = s.release;
  s.record.controlRead = true;
  for (const std::string& name : s.controlFile.remainingNames())
    s.gate.addInput(name, "station data file");
  s.gate.addInput(text::trimmed(s.control.controlFileName), "control file");
}

}  // namespace

Run::Run(Console& console, const RunOptions& options)
    : state_(std::make_unique<RunState>(console, options)) {
  RunState& s = *state_;
  s.plots.formats = options.plotFormats;
  // Batch mode draws no screen plot: the screen passes go to the null device
  // (the files are written as always).
  if (options.batch) s.plots.devices.setScreenDevice("/null");
}

Run::~Run() = default;

int Run::execute() {
  RunState& s = *state_;
  writeBanner(s.console);
  readControlFile(s);
  while (processStation(s)) {
  }
  return finishRun(s, endOfRun(s));
}

int Run::stopped(const Error& error) { return finishRun(*state_, error.exitStatus()); }

}  // namespace kaldero
