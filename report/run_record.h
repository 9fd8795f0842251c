// What a run leaves for its results as data (JSON, CSV, HTML): for every
// station its header and setup, its results, the curve it analysed, its
// listing as written, the files it wrote and the reports the console
// showed; and the run's totals and end. The writers of the results files
// only format what the record holds.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/measured_series.h"
#include "core/console.h"
#include "core/output_gate.h"
#include "input/data_reduction.h"
#include "model/control.h"
#include "model/curve.h"
#include "model/flow_path_fit.h"
#include "model/results.h"
#include "model/setup.h"
#include "model/test_description.h"
#include "model/uncertainty.h"

namespace kaldero {

enum class StationStatus {
  Analysed,  // every step of the station ran
  Stopped,   // a report stopped the run at this station
  NotRun,    // the run stopped at an earlier station
};

struct StationRecord {
  std::string stationFile;  // as the control file names it
  StationStatus status = StationStatus::Stopped;
  bool headerRead = false;  // the test description was read
  bool finished = false;    // the record is complete
  std::string stopReport;   // the report that stopped the run at this station (or why not run)
  TestDescription test;
  StationSetup setup;
  std::optional<StationResults> results;  // when the analyses ran
  // What the data pass made of the data lines: the lines the header pass
  // counted, the reads of the measured record, the samples of the curve
  // the listing analyses (before any tail or knots) and how they were made.
  int64_t dataLines = 0;
  int64_t recordReads = 0;
  int32_t samplesAnalysed = 0;
  ReductionWords reduction;
  // The signed estimates of the measured record, or why there are none
  // (with the results as data).
  std::optional<SignedEstimates> signedEstimates;
  // The share of the recovered tracer on an extrapolated tail (0 to 1).
  std::optional<double> extrapolatedShare;
  std::string signedWhyNot;
  // Why the station's uncertainty draws were not made (a stated error
  // beyond the values of its record); empty when made or not asked for.
  std::string uncertaintyNotMade;
  // The measured record as the figures draw it (background subtracted with
  // its sign, internal units), when the analyses ran and a figure or a
  // results file may need it.
  std::optional<DrawnRecord> drawn;
  std::optional<FlowPathFitResult> fit;  // with --fit
  std::optional<UncertaintyResult> uncertainty;  // with --uncertainty
  std::string listing;                   // the results listing as written (Windows-1252)
  std::vector<OutputRecord> outputs;
  std::vector<ShownReport> reports;

  bool analysed() const { return status == StationStatus::Analysed; }
};

// A file of a run as the call knows it: with several control files each
// run works in its own folder, and its files are named from the call's.
OutputRecord asCalled(const std::string& folder, const OutputRecord& f);

// The text of the reports that stopped a station: the errors among those
// shown, one after the other.
std::string errorText(const std::vector<ShownReport>& shown);

struct RunRecord {
  std::string controlFile;  // as named on the command line or at the prompt
  std::string folder;       // the folder the run worked in (its control file's), "" the current one
  std::string controlSha256;  // of the control file, hexadecimal; empty when unread
  std::string startedAt;      // the local date and time the run started, ISO 8601
  ControlValues control;
  ReleaseSetup release;
  bool controlRead = false;
  std::vector<StationRecord> stations;
  std::optional<RunTotals> totals;  // when they were written
  std::vector<ShownReport> reports;  // shown outside any station
  std::vector<OutputRecord> runFiles;  // written outside any station
  // With --uncertainty: the errors stated and the run's seed.
  std::optional<UncertaintyRequest> uncertainty;
  // The detection limit given (--detection-limit), in each station's
  // concentration unit.
  std::optional<float> detectionLimit;
  // The reaches fitted (--fit-reaches): from one station to the next by
  // travel distance, or the pairs named (--reach); a pair that could not be
  // fitted has a fit without a model and the reason.
  struct Reach {
    std::string from, to;  // station data files
    double length = 0;     // m
    FlowPathFitResult fit;
    // The upstream flux at the last sample of its record over its peak: the
    // reach carries nothing after that sample, so a record that ends on a
    // high flux leaves the downstream tail short of tracer.
    double upstreamEndShare = 0;
    // The upstream flux the reach was fitted from (c q of every read,
    // ug/s) at its times (s since the release), for the reach's figure.
    std::vector<double> upstreamTimes, upstreamFlux;
    // The reach's fit file and figures.
    std::vector<OutputRecord> outputs;
  };
  bool reachesAsked = false;
  std::vector<Reach> reaches;
  // With --fit-joint: the first station of the reaches and every reach
  // fitted at once, or why not.
  std::optional<JointFitResult> joint;
  std::vector<OutputRecord> jointOutputs;  // its fit file
  // With --keep-going: the stations the run totals include.
  int stationsInTotals = 0;
  // Stations analysed whose every uncertainty draw stopped (exit status 1).
  int stationsWithoutDraws = 0;
  // Stations whose draws were not made: a stated error beyond the values of
  // their record.
  int stationsWithErrorsBeyond = 0;
  int exitStatus = 0;
  int filesNotWritten = 0;

  // The control file as read: its values, its name (trailing blanks
  // removed) and the checksum of the file of that name.
  void readControl(const ControlValues& values);
  // Reports shown outside any station.
  void addRunReports(std::vector<ShownReport> shown);
  // A station begins (its record is the last one until it is finished).
  void startStation(const std::string& stationFile);
  bool stationOpen() const { return !stations.empty() && !stations.back().finished; }
  // The end of the open station (analysed or stopped): the files it wrote
  // (named as the call knows them), its listing as written and the reports
  // shown; a station not analysed keeps the errors among them as its stop
  // report.
  void finishStation(const std::vector<OutputRecord>& written, const std::string& listing,
                     std::vector<ShownReport> shown);

  // The stations the control file listed and the run reached (analysed or
  // stopped), and those of them that stopped.
  int reachedStations() const;
  int analysedStations() const;
  int stoppedStations() const;
  // The last station analysed, if any.
  StationRecord* lastAnalysed();
  // Whether the run stopped in a station: the last station reached was
  // not analysed.
  bool stoppedInStation() const;
  // After a station that stopped the run: the stations the control file
  // still names, as not run, each saying where the run stopped.
  void recordNotRun(const std::vector<std::string>& remaining);
  // The same after an interrupt, which may come between stations too.
  void recordNotRun(const std::vector<std::string>& remaining, const std::string& why);
};

// The stations analysed in all the runs.
int analysedStations(const std::vector<RunRecord>& runs);

}  // namespace kaldero
