// The console texts of the run itself: the banner, the processing boxes,
// the end-of-run box, the reports of the knot decision, of storage that
// cannot be had and of a tail that cannot be extrapolated, the stop for a
// quantity beyond the program's numbers, the count of files not written,
// and the summary lines of batch mode.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/uncertainty.h"
#include "input/data_reduction.h"
#include "model/flow_path_fit.h"
#include "model/results.h"
#include "model/setup.h"
#include "model/uncertainty.h"
#include "report/report_target.h"

namespace kaldero {

class Console;
struct StationRecord;
struct RunRecord;
struct OutputRecord;

void writeBanner(Console& console);
// The start of a station: the heading before its name is read, then the
// line with the station data file name (50 characters).
void writeStationHeading(Console& console);
void writeStationFileLine(Console& console, const std::string& name50);
void writeEndBox(Console& console);
// The box that says which curve is processed (the station data file or the
// interpolated-data file, 50 characters).
void writeProcessingBox(Console& console, const std::string& name50);

// The knot decision: fewer knots than samples stops the run; as many uses
// the measured curve (a note).
[[noreturn]] void stopFewerKnotsThanSamples(Console& console);
void noteKnotsEqualSamples(Console& console);

// Storage that cannot be had for the station data, for the interpolation
// or for the knot curve: a report and a stop.
[[noreturn]] void stopStationStorage(Console& console);
[[noreturn]] void stopInterpolationStorage(Console& console);
[[noreturn]] void stopKnotCurveStorage(Console& console);

// A tail that cannot be extrapolated (the error code of the method).
[[noreturn]] void stopExtrapolation(Console& console, int32_t errorCode);

// A quantity of the station beyond the range of the program's numbers.
[[noreturn]] void stopNonFinite(Console& console, std::string_view stationName50,
                                std::string_view quantity);

// The warnings of a station: inputs that cannot be physical or quantities
// left undefined (each a warning report naming the station), and data lines
// with more values than the header's columns or written with decimal
// commas.
// listingShown: the listing is echoed on the console (it shows the
// impossible recovery in a box of its own).
void reportStationWarnings(Console& console, std::string_view stationName50,
                           const std::vector<StationWarning>& warnings, bool listingShown);
// The run's recovery above 100 %, when the listing is not shown on the
// console.
void reportImpossibleTotal(Console& console, float percent);
void reportDataWarnings(Console& console, std::string_view stationName50,
                        const DataPassFacts& facts);
// The data lines the data-reduction decision thinned: how many, into how
// many samples, how and why.
void reportThinning(Console& console, std::string_view stationName50, int64_t dataLines,
                    int32_t samples, const ReductionDecision& decision);

// With --uncertainty: the draws and the seed (at the start), and the draws
// of a station whose analysis stopped, by why.
void reportUncertaintySeed(Console& console, const UncertaintyRequest& request);

// Another run of the program works in this folder (the lock of
// core/folder_lock): said, and for a run of several, the run stops.
void reportFolderInUse(Console& console);
[[noreturn]] void stopFolderInUse(Console& console);

// The recovered mass rests partly on an extrapolated tail: its share, and
// that the mass is a lower bound.
void reportExtrapolatedShare(Console& console, std::string_view stationName50, double share);

// A scratch file that a killed run left in the folder, removed.
void reportScratchRemoved(Console& console, const std::string& name);

// The call ended by a signal: what it says, and every file the runs and the
// results options wrote (the runs' record and the files of the call).
void reportInterrupted(Console& console, const std::string& signalName,
                       const std::vector<RunRecord>& records,
                       const std::vector<OutputRecord>& callFiles);
// A stated error beyond the values of the station's record: its draws are
// not made, and the run ends with exit status 2.
void reportErrorBeyondRecord(Console& console, std::string_view stationName50,
                             const std::string& why);
// A reach fitted (--fit-reaches): its stations, length, model and R2, or
// why it could not be fitted; and a warning when the upstream record ends
// on a flux above 5 % of its peak (endShare), after which the reach carries
// nothing.
// The joint fit of a chain (--fit-joint): each part's model and R2, or why
// it was not made.
void reportJointFit(Console& console, const JointFitResult& joint);
void reportReachFit(Console& console, const std::string& from, const std::string& to,
                    double length, const FlowPathFitResult& fit, double endShare);
void reportDrawsStopped(Console& console, std::string_view stationName50,
                        const UncertaintyResult& result);
// The listing's values that lie outside their own 95 % intervals.
void reportOutsideIntervals(Console& console, std::string_view stationName50,
                            const std::vector<OutsideInterval>& outside);

// With --fit: a note when the criterion still improves at the largest model
// tried (the batch summary line says it too).
void reportFitNotes(Console& console, std::string_view stationName50, const FlowPathFitResult& fit);

// With --keep-going, after the run totals: how many of the stations they
// include (echoed like the totals).
void writeTotalsIncluded(const ReportTarget& out, int included, int listed);

// After the curve-file prerequisite report with the echo on: the prompt,
// then the wait for the key.
void continueAfterPrerequisite(Console& console);

// A campaign figure that could not be drawn, and why.
void reportCampaignFigureNotDrawn(Console& console, const std::string& why);

// At the end of a run that could not write every file: how many.
void reportFilesNotWritten(Console& console, int count);

// Batch mode: the line of a station, and the last line of the run.
void stationSummary(Console& console, const StationRecord& station);
void runSummary(Console& console, int analysed, int status);

}  // namespace kaldero
