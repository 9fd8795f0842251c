// The flow-path fit of a station (--fit): the curve as analysed is kept
// once it is conditioned and in internal units, and fitted at the end of
// the station; the fit file "_FIT.OUT" and the fit figure "_FIT" are
// written and the fit goes into the station's record for the results files.
// Nothing of this runs without --fit.
#pragma once

namespace kaldero {

struct RunState;

// Keeps the curve for the fit (after the conditioning steps and the
// conversion to internal units, before any step turns it into loads).
void keepCurveForFit(RunState& s);

// Fits, writes the fit file and figure, and records the fit.
void fitStep(RunState& s);

}  // namespace kaldero
