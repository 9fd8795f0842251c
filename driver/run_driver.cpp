#include "driver/run_driver.h"

#include <filesystem>
#include <string>

#include "analysis/finite_check.h"
#include "analysis/run_totals.h"
#include "core/console.h"
#include "core/folder_lock.h"
#include "core/interrupt.h"
#include "core/scratch_files.h"
#include "core/stop.h"
#include "core/text.h"
#include "core/run_clock.h"
#include "driver/figure_step.h"
#include "driver/run_state.h"
#include "driver/station_steps.h"
#include "input/output_names.h"
#include "input/units.h"
#include "print/print_question.h"
#include "report/results_files.h"
#include "report/run_messages.h"
#include "report/totals_report.h"

namespace kaldero {

namespace fs = std::filesystem;

namespace {

// At the end of a station (analysed) or when the run stops in it: the files
// it wrote and the reports shown. False when there is no station left
// unfinished (the reports shown since belong to the run).
bool finishStationRecord(RunState& s) {
  if (!s.record.stationOpen()) {
    s.record.addRunReports(s.console.takeReports());
    return false;
  }
  const std::vector<OutputRecord> written = s.gate.takeStationFiles();
  s.gate.endStation();
  const std::string listing = s.listing.takeTranscript();
  s.record.finishStation(written, listing, s.console.takeReports());
  return true;
}

// One pass of the station loop; false when the control file holds no
// further name. With --keep-going a station that stops is recorded as
// stopped and the next one follows.
// An interrupt (SIGINT, SIGTERM) is taken between the steps, where no file
// is half written.
bool processStation(RunState& s) {
  Station st;
  try {
    interrupt::check();
    if (!openStation(s, st)) return false;
    for (void (*step)(RunState&, Station&) :
         {readAndConditionCurve, analyse, chatwinOutputs, writeListing, stationFiles,
          stationUncertainty, finishStation}) {
      interrupt::check();
      step(s, st);
    }
    // Drawn from the finished record, as the report draws them at the end.
    interrupt::check();
    stationFigures(s, st);
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

// The run totals, appended to the listing of the last analysed station.
void writeTotals(RunState& s, StationRecord& last) {
  Console& c = s.console;
  const std::string name50 = text::padded(last.stationFile);
  const RunTotals totals = runTotals(s.sums, *last.results, last.test, s.release.injectedMass);
  if (const std::optional<std::string> q = nonFinite(totals)) stopNonFinite(c, name50, *q);
  if (totals.impossible && !last.test.echo()) reportImpossibleTotal(c, *totals.percentRecovery);
  s.listing.openAppend(s.gate, listingRecord(last.test));
  const ReportTarget out{c, s.listing, last.test.echo()};
  writeRunTotals(out, totals, name50);
  const int reached = s.record.reachedStations();
  if (s.record.stationsInTotals < reached)
    writeTotalsIncluded(out, s.record.stationsInTotals, reached);
  s.record.totals = totals;
  last.listing += s.listing.takeTranscript();
  askToPrintAndClose(c, s.gate, s.listing, text::trimmed(last.test.listingName));
}

int endOfRun(RunState& s) {
  Console& c = s.console;
  // Without any station analysed there is no results listing to add totals
  // to.
  if (StationRecord* last = s.record.lastAnalysed(); last && last->results) writeTotals(s, *last);
  c.focus();
  writeEndBox(c);
  // A stated error beyond the values of a station's record makes the
  // run's status 2, as the command line's errors do. With --keep-going a
  // station that stopped makes it 1; so does a station whose every
  // uncertainty draw stopped.
  if (s.record.stationsWithErrorsBeyond > 0) return kExitBadOptions;
  return s.record.stoppedStations() > 0 || s.record.stationsWithoutDraws > 0 ? kExitStopped
                                                                             : kExitNormal;
}

void readControlFile(RunState& s, const std::optional<std::string>& name) {
  s.record.startedAt = runStartTime();
  if (s.controlFile.readLeadingBlock(s.console, s.control, name) != 0) stopRun(s.console);
  s.record.readControl(s.control);
  s.release = units::internalRelease(s.control);
  s.record.release = s.release;
  if (s.options.uncertainty.draws > 0) s.record.uncertainty = s.options.uncertainty;
  s.record.detectionLimit = s.options.detectionLimit;
  for (const std::string& station : s.controlFile.remainingNames())
    s.gate.addInput(station, "station data file");
  s.gate.addInput(text::trimmed(s.control.controlFileName), "control file");
}

// One control file, start to end; its record and exit status. A report
// that stops it ends this run only.
int runControlFile(Session& session, const std::optional<std::string>& name,
                   const std::string& folder, std::vector<RunRecord>& records,
                   const FolderLock& callFolder) {
  session.gate.startRun();
  RunState s(session);
  s.record.folder = folder;
  // Scratch files an earlier, killed run left in this folder.
  for (const std::string& f : removeStaleScratchFiles("")) reportScratchRemoved(s.console, f);
  int status = kExitNormal;
  std::optional<interrupt::Interrupted> interrupted;
  FolderLock lock;
  try {
    // The run's own folder, when it is not the call's (locked already).
    if (!callFolder.holds("") && !lock.acquire("")) stopFolderInUse(s.console);
    writeBanner(s.console);
    readControlFile(s, name);
    if (!folder.empty()) s.record.controlFile = folder + "/" + s.record.controlFile;
    while (processStation(s)) {
    }
    interrupt::check();
    reachFits(s);
    status = endOfRun(s);
  } catch (const Error& stop) {
    status = stop.exitStatus();
  } catch (const interrupt::Interrupted& i) {
    interrupted = i;
    status = i.exitStatus();
  }
  const std::string why = interrupted ? "Interrupted (" + interrupted->name() + ")" : "";
  if (finishStationRecord(s)) {
    StationRecord& st = s.record.stations.back();
    // The station the interrupt came in.
    if (interrupted && !st.analysed() && st.stopReport.empty())
      st.stopReport = why + " while this station was analysed.";
    stationSummary(s.console, st);
  }
  // The stations after one that stopped the run, or after an interrupt,
  // are listed as not run; an interrupted run draws no campaign figure.
  if (interrupted) {
    if (s.record.controlRead)
      s.record.recordNotRun(s.controlFile.remainingNames(), "Not run: " + why + ".");
  } else {
    if (s.record.stoppedInStation()) s.record.recordNotRun(s.controlFile.remainingNames());
    campaignFigures(s);
  }
  s.record.exitStatus = status;
  records.push_back(std::move(s.record));
  return status;
}

// The folder of a control file and its name in that folder; a single
// control file is run in the current folder, as named.
std::pair<std::string, std::string> splitFolder(const std::string& path, bool several) {
  const fs::path p(path);
  if (!several || !p.has_parent_path()) return {"", path};
  return {p.parent_path().string(), p.filename().string()};
}

}  // namespace

int runAll(Console& console, const RunOptions& o) {
  Session s(console, o);
  FolderLock callFolder;
  if (!callFolder.acquire("")) {
    reportFolderInUse(s.console);
    s.console.flush();
    return kExitStopped;
  }
  s.plots.formats = o.plotFormats;
  // Batch mode draws no screen plot: the screen passes go to the null device
  // (the files are written as always).
  if (o.batch) s.plots.devices.setScreenDevice("/null");
  if (o.uncertainty.draws > 0) reportUncertaintySeed(s.console, o.uncertainty);
  std::vector<RunRecord> records;
  int worst = kExitNormal;
  if (o.controlFiles.empty()) {
    worst = runControlFile(s, std::nullopt, "", records, callFolder);
  } else {
    const fs::path home = fs::current_path();
    for (const std::string& file : o.controlFiles) {
      // Each control file's station files and outputs are relative to its
      // own folder.
      const auto [folder, name] = splitFolder(file, o.controlFiles.size() > 1);
      std::error_code ec;
      if (!folder.empty()) fs::current_path(folder, ec);
      worst = worseExitStatus(worst, ec ? kExitStopped : runControlFile(s, name, folder, records, callFolder));
      fs::current_path(home, ec);
      // An interrupt ends the call: the control files after it are not run.
      if (interrupt::received() != 0) break;
    }
  }
  if (interrupt::received() != 0) worst = interrupt::Interrupted{interrupt::received()}.exitStatus();
  // The count of files not written ends a run that came to its end (a run
  // that stopped says why instead).
  if (s.gate.notWritten() > 0 && worst != kExitStopped && interrupt::received() == 0) {
    reportFilesNotWritten(s.console, s.gate.notWritten());
    worst = kExitFilesNotWritten;
  }
  const int status = writeResultsFiles(s.console, s.gate, records,
                                       {o.resultsFile, o.tableFile, o.reportFile, o.figureOptions},
                                       worst);
  if (interrupt::received() != 0)
    reportInterrupted(s.console, interrupt::Interrupted{interrupt::received()}.name(), records,
                      s.gate.runFiles());
  runSummary(s.console, analysedStations(records), status);
  s.console.flush();
  return status;
}

}  // namespace kaldero
