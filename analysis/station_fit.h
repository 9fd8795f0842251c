// What the flow-path fit of a station is given (--fit): the samples it fits
// and the hints the station's other analyses give it. Computes only: no
// console, no files.
#pragma once

#include <vector>

#include "analysis/flow_path_fit.h"
#include "analysis/inputs.h"
#include "model/measured_record.h"
#include "model/results.h"

namespace kaldero {

// The samples the flow-path fit takes: every read of the measured record
// (never thinned, never knots, nor an extrapolated tail), background
// subtracted with its sign (so that noise about the background is not
// biased upwards), in internal units (s, ng/L, m3/s), times since the
// tracer reached the flow zone; the constant discharge of the setup at
// every sample unless the discharges were measured.
struct FitSamples {
  std::vector<double> times, concentrations, discharges;
  double arrival = 0;  // s after the release: the times count from it
};
FitSamples fitSamples(const AnalysisInputs& in, const MeasuredRecord& record);

// The fit's input: the options, the samples (which must outlive it), the
// travel distance, the release duration in s (0 for an instantaneous
// release), the recovered mass and, as starting hints, the mean transit
// time, the peak time and the dispersion coefficients of the moments and of
// the Chatwin line (0 when no line was fitted). r holds every step up to the
// transport.
FlowPathFitInput stationFitInput(const FitOptions& options, const FitSamples& samples,
                                 const AnalysisInputs& in, const StationResults& r);

// A station as an end of a reach: its samples (fitSamples), travel
// distance (m), the listing's mean transit time (s) and its measurement
// errors as its own fit estimated them (measurementErrors).
struct ReachEnd {
  FitSamples samples;
  double distance = 0;
  double meanTime = 0;
  InputErrors errors;
  double releaseDuration = 0;  // s, of the run's release (for a bypass)
};

// A station's measurement errors from its fit's chosen model: the residuals'
// standard deviation (or, for errors growing with the signal, its offset
// and relative parts) and AR(1) correlation time. They hold what the model
// misses as well as the noise, so they are the larger the poorer the fit.
// None without a fit.
InputErrors measurementErrors(const FlowPathFitResult& fit);

// A reach between two stations of a run (--fit-reaches): the downstream
// station's samples fitted as the upstream station's measured flux (c q,
// every read, signed) passed through paths as long as the difference of
// their distances, the upstream station's errors carried into the
// intervals. Both sample sets come from fitSamples of one run (one time
// axis). flux receives the upstream flux (ug/s), which the input refers to,
// as it does to the samples and to the upstream discharges. The grid's step
// is the smaller median spacing of the two stations, or 1/1022 of the
// downstream record when that is longer. The hint: the difference of the
// stations' mean transit times. With options.reachBypass, the bypass over
// the downstream station's distance.
FlowPathFitInput reachFitInput(const FitOptions& options, const ReachEnd& upstream,
                               const ReachEnd& downstream, std::vector<double>& flux);
// The input refers to the ends' samples: never to those of a temporary.
FlowPathFitInput reachFitInput(const FitOptions&, ReachEnd&&, const ReachEnd&,
                               std::vector<double>&) = delete;
FlowPathFitInput reachFitInput(const FitOptions&, const ReachEnd&, ReachEnd&&,
                               std::vector<double>&) = delete;
FlowPathFitInput reachFitInput(const FitOptions&, ReachEnd&&, ReachEnd&&,
                               std::vector<double>&) = delete;

}  // namespace kaldero
