// Stations of one test fitted together along a chain (--fit-joint): the
// first station from the release and every reach below it at once. A
// reach fitted alone carries the upstream station's measured flux; in the
// joint fit it carries the upstream station's modelled flux (its fitted
// paths, or for a reach further down the chain the modelled flux of the
// reach above it), so that the first station's paths are shared by every
// station below it and each station's samples inform every part above it.
//
// The parts keep the models their own fits chose (paths, zones, bypass,
// baseline) and start from their optima; no criterion chooses again.
//
// Errors: each station its own variance and AR(1) process (as the default
// error model of a single fit): the curves fitted by least squares of the
// residuals over each station's standard deviation (the Gaussian
// likelihood of independent stations; the deviations re-estimated from the
// joint residuals and the curves refitted once), each station's AR(1)
// coefficient then estimated from its residuals by restricted maximum
// likelihood; the covariance of every parameter together the sandwich
// H^-1 (sum_s s_s^2 J_s^T R_s J_s / sigma_s^4) H^-1, H = sum_s J_s^T J_s /
// sigma_s^2, R_s a station's fitted correlation and s_s^2 its whitened
// variance. A reach's mass shares are of the modelled flux that passed the
// station above it, so they carry the upstream parameters' errors. The
// intervals take Student's t with the stations' effective samples less the
// parameters of every part.
//
// Derivatives: each station's residuals by its own part's parameters
// analytically (as a single fit takes them), by the parameters of the parts
// above it by central differences.
//
// Computes only: no console, no files.
#pragma once

#include <span>
#include <string>

#include "analysis/flow_path_fit.h"
#include "model/flow_path_fit.h"

namespace kaldero {

// A part of the chain: the first a station fitted from the release, each
// further one the reach from the station of the part before it. The input
// (as its own fit took it; a reach's with the upstream station's measured
// flux, which sets its grid) and its own fit must outlive the call.
struct JointStage {
  const FlowPathFitInput* input = nullptr;
  const FlowPathFitResult* fit = nullptr;
  std::string from, to;  // station data files; from empty for the first
  double length = 0;     // m
};

// Never throws for bad data: a chain that cannot be fitted gives a result
// with fitted false and the reason.
JointFitResult fitJoint(std::span<const JointStage> stages);

}  // namespace kaldero
