// Results as data: the record of every station for the JSON results, the
// CSV table and the HTML report, the files themselves at the end of the
// run, and the summary lines of batch mode.
#pragma once

#include "driver/run_driver.h"

namespace kaldero {

struct RunState;

// At the start of a station: the reports shown until now belong to the
// run, and the station gets its record.
void beginStationRecord(RunState& s);

// Once the station's header is read, before anything is written: the files
// of its names that exist already, so that a station that stops does not
// count a file of an earlier run as its own.
void noteExistingOutputs(RunState& s);

// At the end of a station (analysed) or when the run stops in it: its
// header, setup, results, the files it wrote and the reports shown. False
// when there is no station left unfinished (the reports shown since belong
// to the run).
bool finishStationRecord(RunState& s, bool analysed);

// In batch mode: one line for the station just finished or stopped.
void stationSummary(RunState& s);

// At the end of the run, stopped or not: the results files the options
// ask for, and in batch mode the summary of the run. Returns the exit
// status, made 4 when a results file could not be written.
int finishRun(RunState& s, const RunOptions& options, int status);

}  // namespace kaldero
