// The derived curves of a station: the normalized concentration and the
// normalized load per kilogram recovered against the time in the station's
// time unit, and the standardized curve (time in standard deviations from
// the mean transit time, concentration as a fraction of the peak). Their
// files are written by files/curve_file.h.
#pragma once

#include <span>

#include "analysis/inputs.h"
#include "analysis/tracer_load.h"
#include "model/curve.h"
#include "model/results.h"

namespace kaldero::curves {

// The curves of the n samples (T in s, C the output concentrations in
// ng/L): the times in the station's time unit, C * 0.001 / recovered grams
// (mg/L per kg recovered), the standardized times and concentrations and,
// when load is true, the load C times the discharge (the measured one in
// discharge mode Measured, the constant one otherwise) per recovered grams
// (mg/s per kg recovered). A recovered mass of 0 gives values of 0; a curve
// without spread standardized times of 0; one without a peak standardized
// concentrations of 0.
CurveFileValues curveFileValues(std::span<const float> T, std::span<const float> C,
                                const DischargeOf& discharge, TimeUnit timeUnit,
                                float recoveredGrams, const TransitTimes& transit,
                                float peakConcentration, bool load);

// The same curves of a station: its conditioned curve, the output
// concentrations of its results and their discharges, in its time unit.
CurveFileValues stationCurveValues(const AnalysisInputs& in, const Curve& conditioned,
                                   const StationResults& r, bool load);

}  // namespace kaldero::curves
