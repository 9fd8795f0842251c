// The analysis steps of the station sequence as the run driver calls them:
// each computes its results (analysis/), shows the notices of the way and
// writes its part of the results listing (report/), in the order of the
// station sequence, with the conversions between concentration and tracer
// load that the release regime asks for in between.
#pragma once

#include "analysis/inputs.h"

namespace kaldero {

struct RunState;

// What the analyses read of the station.
AnalysisInputs analysisInputs(const RunState& s);

// After the unit conversion: the integration limits, first arrival and
// peak, the recovered mass and the first-moment and distance-weighted
// integrals; the curve is left as concentrations where the Chatwin step
// needs them.
void integrateCurve(RunState& s);

// After the Chatwin step: back to tracer load for the pulse regime (noted in
// the station state, so that the output files can give the concentrations
// back).
void loadForReports(RunState& s);

// After the results listing has been opened: its head with the recovered
// mass, the transit times (the run stops when no mass was recovered), the
// velocities and the dispersion.
void transportSteps(RunState& s);

// Flow geometry and the station's percent recovery.
void geometryAndRecoverySteps(RunState& s);

// At the end of a station: its results go into the run totals.
void addToRunTotals(RunState& s);

// At the end of the run: the totals, volume and sorption, and recovery
// blocks appended to the last station's results listing.
void writeRunTotals(RunState& s);

}  // namespace kaldero
