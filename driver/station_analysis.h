// The analysis steps of the station sequence as the run driver calls them,
// with the conversions between concentration and tracer load that the
// release regime asks for in between.
#pragma once

#include "analysis/context.h"

namespace kaldero {

struct RunState;

// The context of the analyses for the current station.
AnalysisContext analysisContext(RunState& s);

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
// mass, the transit times, the velocities and the dispersion.
void reportTransport(RunState& s);

// After the injected mass is in milligrams: flow geometry and the station's
// percent recovery.
void reportGeometryAndRecovery(RunState& s);

// At the end of a station: its results go into the run totals.
void addToRunTotals(RunState& s);

// At the end of the run: the totals, volume and sorption, and recovery
// blocks appended to the last station's results listing.
void writeRunTotals(RunState& s);

}  // namespace kaldero
