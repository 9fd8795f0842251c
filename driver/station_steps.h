// The steps of one station, in the order of the station sequence. Each
// takes what it needs of the run and the station, calls the step's
// computation (input/, conditioning/, analysis/) and hands its results to
// the writers (report/, files/, plot/).
#pragma once

#include "driver/run_state.h"

namespace kaldero {

// The header and the plan of the station's outputs; false when the control
// file holds no further name.
bool openStation(RunState& s, Station& st);

// The data pass with any extrapolated tail, the data plots and the knot
// curve, then the curve analysed: background off, internal units.
void readAndConditionCurve(RunState& s, Station& st);

// Every analysis of the station, with the notices of the integrals.
void analyse(RunState& s, Station& st);

// The Chatwin table and plots.
void chatwinOutputs(RunState& s, Station& st);

// The results listing: every block of the analyses, then the print
// question when another station follows.
void writeListing(RunState& s, Station& st);

// The CXTFIT input file, the curve files with their plots, and the
// flow-path fit (--fit).
void stationFiles(RunState& s, Station& st);

// With --uncertainty: the draws of the station's analysis on perturbed
// copies of its curve.
void stationUncertainty(RunState& s, Station& st);

// The station's results go into the run sums and its record.
void finishStation(RunState& s, Station& st);
// After the last station (--fit-reaches): the reach from each station fitted
// to the next by travel distance, or the pairs named (--reach), and with
// --fit-joint the first of them and every reach fitted at once; each with
// its fit file and figures.
void reachFits(RunState& s);

}  // namespace kaldero
