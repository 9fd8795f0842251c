// The analysis of one station, every step in the order of the station
// sequence, from the conditioned curve (background subtracted, internal
// units): first arrival and peak, the recovered mass and the moment
// integrals, the Chatwin method, the transit times, velocities and
// dispersion, the flow geometry and the percent recovery. It computes only:
// the driver shows the notices and writes the reports from the results.
//
// The analysis stops at the first step that finds no recovered mass or a
// quantity that is not a finite number; the steps before it keep their
// results, so that the reports of the run come out as far as they go.
#pragma once

#include "analysis/inputs.h"
#include "analysis/tracer_load.h"
#include "model/curve.h"
#include "model/results.h"

namespace kaldero {

// The curve the analyses take, from the curve analysed in the units of the
// station data file (the measured curve or the knot curve): background
// subtracted (negative results as 0), in internal units.
Curve conditionCurve(const TestDescription& test, Curve fileCurve);

// previous: what the station before left (the listings repeat some values
// of it where this station computes none).
StationResults analyseStation(const AnalysisInputs& in, const Curve& conditioned,
                              const CarriedResults& previous);

// The discharges of the conditioned curve as the load conversions take
// them.
DischargeOf dischargeOf(const AnalysisInputs& in, const Curve& conditioned);

}  // namespace kaldero
