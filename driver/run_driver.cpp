#include "driver/run_driver.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "analysis/finite_check.h"
#include "analysis/run_totals.h"
#include "core/checksum.h"
#include "core/console.h"
#include "core/file_reports.h"
#include "core/stop.h"
#include "core/text.h"
#include "core/units.h"
#include "driver/campaign_step.h"
#include "driver/run_state.h"
#include "driver/station_steps.h"
#include "input/output_names.h"
#include "print/print_question.h"
#include "report/results_files.h"
#include "report/run_messages.h"
#include "report/totals_report.h"

namespace kaldero {

namespace fs = std::filesystem;

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
    st.outputs.push_back(asCalled(s.record.folder, f));
  s.gate.endStation();
  st.listing += s.listing.takeTranscript();
  st.reports = s.console.takeReports();
  if (!st.analysed()) st.stopReport = stopText(st.reports);
  return true;
}

// One pass of the station loop; false when the control file holds no
// further name. With --keep-going a station that stops is recorded as
// stopped and the next one follows.
bool processStation(RunState& s) {
  Station st;
  try {
    if (!openStation(s, st)) return false;
    readAndConditionCurve(s, st);
    analyse(s, st);
    chatwinOutputs(s, st);
    writeListing(s, st);
    stationFiles(s, st);
    stationUncertainty(s, st);
    finishStation(s, st);
  } catch (const Error&) {
    if (!s.options.keepGoing) throw;
    // The station's own listing, if it opened one, is closed; the run goes
    // on with the next station.
    s.listing.close();
  }
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

// The run totals, appended to the last analysed station's listing.
void writeTotals(RunState& s) {
  Console& c = s.console;
  const RunTotals totals = runTotals(s.sums, *s.lastResults, *s.lastTest, s.release.injectedMass);
  if (const std::optional<std::string> q = nonFinite(totals)) stopNonFinite(c, s.lastStationFile, *q);
  s.listing.openAppend(s.gate, listingRecord(*s.lastTest));
  const ReportTarget out{c, s.listing, s.lastTest->echo()};
  writeRunTotals(out, totals, s.lastStationFile);
  int listed = 0;
  for (const StationRecord& st : s.record.stations) listed += st.status != StationStatus::NotRun;
  if (s.record.stationsInTotals < listed)
    writeTotalsIncluded(out, s.record.stationsInTotals, listed);
  s.record.totals = totals;
  for (auto it = s.record.stations.rbegin(); it != s.record.stations.rend(); ++it)
    if (it->analysed()) {
      it->listing += s.listing.takeTranscript();
      break;
    }
  requireListingWritten(s);
  askToPrint(c, s.listing, text::trimmed(s.lastTest->listingName));
  s.listing.close();
  requireListingWritten(s);
}

int endOfRun(RunState& s) {
  Console& c = s.console;
  // Without any station analysed there is no results listing to add totals
  // to.
  if (s.lastTest && s.lastResults) writeTotals(s);
  c.focus();
  writeEndBox(c);
  int stopped = 0;
  for (const StationRecord& st : s.record.stations) stopped += st.status == StationStatus::Stopped;
  // With --keep-going a station that stopped makes the run's status 1.
  if (stopped > 0) return kExitStopped;
  return kExitNormal;
}

// The stations after one that stopped the run are listed as not run.
void recordNotRun(RunState& s) {
  if (s.record.stations.empty() || s.record.stations.back().analysed()) return;
  const std::string stopped = s.record.stations.back().stationFile;
  for (const std::string& name : s.controlFile.remainingNames()) {
    StationRecord& st = s.record.stations.emplace_back();
    st.stationFile = name;
    st.status = StationStatus::NotRun;
    st.finished = true;
    st.stopReport = "Not run: the run stopped at station " + stopped + ".";
  }
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

void readControlFile(RunState& s, const std::optional<std::string>& name) {
  s.record.startedAt = startTime();
  if (s.controlFile.readLeadingBlock(s.console, s.control, name) != 0) stopRun(s.console);
  s.record.controlFile = text::trimmed(s.control.controlFileName);
  s.record.controlSha256 = sha256OfFile(s.record.controlFile).value_or("");
  s.release = ReleaseSetup{s.control.releaseMode, s.control.releaseDuration,
                           s.control.flowZoneArrival,
                           s.control.injectedMass * units::massFactor(s.control.massUnit),
                           s.control.massUnit};
  s.record.control = s.control;
  s.record.controlRead = true;
  if (s.options.uncertainty.draws > 0) s.record.uncertainty = s.options.uncertainty;
  for (const std::string& station : s.controlFile.remainingNames())
    s.gate.addInput(station, "station data file");
  s.gate.addInput(text::trimmed(s.control.controlFileName), "control file");
}

// One control file, start to end; its record and exit status. A report
// that stops it ends this run only.
int runControlFile(Session& session, const std::optional<std::string>& name,
                   const std::string& folder, std::vector<RunRecord>& records) {
  RunState s(session);
  s.record.folder = folder;
  int status = kExitNormal;
  try {
    writeBanner(s.console);
    readControlFile(s, name);
    if (!folder.empty()) s.record.controlFile = folder + "/" + s.record.controlFile;
    while (processStation(s)) {
    }
    status = endOfRun(s);
  } catch (const Error& stop) {
    status = stop.exitStatus();
  }
  if (finishStationRecord(s)) stationSummary(s.console, s.record.stations.back());
  recordNotRun(s);
  campaignFigures(s);
  s.record.release = s.release;
  s.record.exitStatus = status;
  records.push_back(std::move(s.record));
  return status;
}

// The folder of a control file and its name in that folder.
std::pair<std::string, std::string> splitFolder(const std::string& path) {
  const fs::path p(path);
  if (!p.has_parent_path()) return {"", path};
  return {p.parent_path().string(), p.filename().string()};
}

}  // namespace

Run::Run(Console& console, const RunOptions& options)
    : session_(std::make_unique<Session>(console, options)) {
  Session& s = *session_;
  s.plots.formats = options.plotFormats;
  // Batch mode draws no screen plot: the screen passes go to the null device
  // (the files are written as always).
  if (options.batch) s.plots.devices.setScreenDevice("/null");
}

Run::~Run() = default;

int Run::execute() {
  Session& s = *session_;
  const RunOptions& o = s.options;
  if (o.uncertainty.draws > 0) reportUncertaintySeed(s.console, o.uncertainty);
  std::vector<RunRecord> records;
  int worst = kExitNormal;
  auto worse = [](int a, int b) {
    // Stopped (1) is worse than files not written (4), which is worse than
    // a normal end.
    auto rank = [](int x) { return x == kExitNormal ? 0 : x == kExitFilesNotWritten ? 1 : 2; };
    return rank(b) > rank(a) ? b : a;
  };
  if (o.controlFiles.empty()) {
    worst = runControlFile(s, std::nullopt, "", records);
  } else {
    const fs::path home = fs::current_path();
    for (const std::string& file : o.controlFiles) {
      // Each control file's station files and outputs are relative to its
      // own folder.
      const auto [folder, name] = o.controlFiles.size() > 1 ? splitFolder(file)
                                                            : std::pair<std::string, std::string>{
                                                                  "", file};
      std::error_code ec;
      if (!folder.empty()) fs::current_path(folder, ec);
      worst = worse(worst, ec ? kExitStopped : runControlFile(s, name, folder, records));
      fs::current_path(home, ec);
    }
  }
  // The count of files not written ends a run that came to its end (a run
  // that stopped says why instead).
  if (s.gate.notWritten() > 0 && worst != kExitStopped) {
    reportFilesNotWritten(s.console, s.gate.notWritten());
    worst = kExitFilesNotWritten;
  }
  const int status = writeResultsFiles(s.console, s.gate, records,
                                       {o.resultsFile, o.tableFile, o.reportFile}, worst);
  int analysed = 0;
  for (const RunRecord& r : records)
    for (const StationRecord& st : r.stations) analysed += st.analysed() ? 1 : 0;
  runSummary(s.console, analysed, status);
  s.console.flush();
  return status;
}

}  // namespace kaldero
