// The flow-path fit file of a station (--fit): for every number of paths
// tried its fit statistics or why it gave no fit, and for each fitted path
// the velocity, dispersion coefficient, dispersivity, Peclet number, mass and
// fraction of the recovered mass with their 95 % intervals. The chosen
// number of paths is marked; a curve that could not be fitted at all gives
// the reason instead.
#pragma once

#include <string>
#include <vector>

#include "model/flow_path_fit.h"

namespace kaldero::files {

// What the file says about the station besides the fit.
struct FitFileHeading {
  std::string stationFile;
  int pathsAsked = 0;          // 1 to 3, or kAutomaticPaths
  int samples = 0;             // samples fitted
  double distance = 0;         // m
  double releaseDuration = 0;  // s, 0 for an instantaneous release
  double recoveredMass = 0;    // ug
  // Dispersion coefficients of the other analyses for comparison, m^2/s;
  // 0 where there is none.
  double momentDispersion = 0;
  double chatwinDispersion = 0;
};

std::vector<std::string> fitFileLines(const FitFileHeading& heading, const FlowPathFitResult& fit);

// The fit file's name: the station's fit plot name ("_FIT.PS") with
// "_FIT.OUT".
std::string fitFileName(const std::string& plotName);

}  // namespace kaldero::files
