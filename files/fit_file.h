// The flow-path fit file of a station (--fit): what was fitted (samples,
// models tried, error model), for every model tried (number of paths, with
// or without a storage zone) its RMSE, R^2, AICc and residual lag-1 or why
// it gave no fit, and a note when the criterion still improves at the
// largest model; for each fitted model its paths (velocity, dispersion
// coefficient, dispersivity, Peclet number, mean travel time, mass and
// fraction of the recovered mass), the storage zone (capacity ratio,
// exchange rate), the fitted total mass beside the recovered mass, the
// baseline, all with 95 % intervals (and bootstrap intervals when made),
// and the error statistics (AR(1) coefficient, effective samples,
// Durbin-Watson, lag-1). The chosen model is marked; a curve that could not
// be fitted at all gives the reason instead.
#pragma once

#include <string>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "model/flow_path_fit.h"

namespace kaldero::files {

// What the file says about the station besides the fit.
struct FitFileHeading {
  std::string stationFile;
  int samples = 0;             // samples fitted
  double distance = 0;         // m
  double releaseDuration = 0;  // s, 0 for an instantaneous release
  double recoveredMass = 0;    // ug
  // Dispersion coefficients of the other analyses for comparison, m^2/s;
  // 0 where there is none.
  double momentDispersion = 0;
  double chatwinDispersion = 0;
  // A reach fit (--fit-reaches): the upstream station data file whose
  // measured flux the reach was fitted from, and its reads; stationFile is
  // the downstream station, recoveredMass the mass that passed upstream.
  std::string upstreamFile;
  int upstreamReads = 0;
  // A part of a joint fit (--fit-joint): fitted with the other parts of its
  // chain, a reach from the modelled flux of its upstream station.
  bool joint = false;
};

// The heading of a station's fit from the fit's input: the station data
// file name (trailing blanks removed), the samples, distance, release
// duration, recovered mass and the other analyses' dispersion coefficients.
FitFileHeading fitFileHeading(const std::string& stationName50, const FlowPathFitInput& in);

// The heading of a reach's fit: the downstream and upstream station data
// files (as the run names them) and the fit's input.
FitFileHeading reachFitFileHeading(const std::string& downstream, const std::string& upstream,
                                   const FlowPathFitInput& in);

std::vector<std::string> fitFileLines(const FitFileHeading& heading, const FlowPathFitResult& fit);

// The joint fit file of a chain (--fit-joint): what was fitted together,
// then each part as a fit file gives it (headings in the order of the
// parts, each marked joint); a chain that could not be fitted gives the
// reason.
std::vector<std::string> jointFitFileLines(const JointFitResult& joint,
                                           const std::vector<FitFileHeading>& headings);

// The fit file's name: the station's fit plot name ("_FIT.PS") with
// "_FIT.OUT".
std::string fitFileName(const std::string& plotName);

}  // namespace kaldero::files
