// A chain of two stations on one path for the joint fit's tests: each
// station fitted alone as a run fits it (the upstream one from the release,
// the reach from its measured flux), then both at once.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "analysis/joint_fit.h"
#include "analysis/station_fit.h"
#include "numeric/advection_dispersion.h"
#include "numeric/random.h"

namespace kaldero::testing {

// A station at L m on one path (v, D) from an instantaneous release of M
// ug, sampled every dt s to the last time, at Q m3/s, in closed form (paths
// of one v and D in series are one path of their summed length), with
// AR(1) noise of lag-1 phi and the given share of its peak.
inline FitSamples station(double L, double v, double D, double M, double Q, double dt,
                          double last, double noise, numeric::Random& rng, double phi = 0.8) {
  FitSamples s;
  double peak = 0;
  for (double t = dt; t <= last; t += dt) {
    s.times.push_back(t);
    s.concentrations.push_back(M / Q * numeric::diracResponse(t, L, v, D).value);
    s.discharges.push_back(Q);
    peak = std::max(peak, s.concentrations.back());
  }
  double e = rng.normal();
  for (double& c : s.concentrations) {
    e = phi * e + std::sqrt(1 - phi * phi) * rng.normal();
    c += noise * peak * e;
  }
  return s;
}

inline FitOptions onePath(ErrorModel errors = ErrorModel::Ar1) {
  FitOptions o;
  o.paths = 1;
  o.storage = StorageChoice::None;
  o.errors = errors;
  return o;
}

// A chain of two stations on one path, each fitted alone as a run fits
// them: the upstream station from the release, the reach from its measured
// flux; then both at once.
struct Chain {
  ReachEnd up, down;
  FlowPathFitInput upInput, reachInput;
  FlowPathFitResult upFit, reachFit;
  std::vector<double> flux;
  JointFitResult joint;

  Chain(double v, double D, double noise, uint64_t seed, FitOptions o = onePath(),
        double phi = 0.8) {
    numeric::Random rng(seed);
    const double M = 5e7;
    up = {station(150, v, D, M, 0.5, 3 * 150 / v / 300, 3 * 150 / v, noise, rng, phi), 150, 150 / v,
          {}, 0};
    down = {station(770, v, D, M, 0.5, 3 * 770 / v / 600, 3 * 770 / v, noise, rng, phi), 770,
            770 / v, {}, 0};
    static_cast<FitOptions&>(upInput) = o;
    upInput.times = up.samples.times;
    upInput.concentrations = up.samples.concentrations;
    upInput.discharges = up.samples.discharges;
    upInput.distance = 150;
    upInput.recoveredMass = M;
    upInput.meanTransitTime = 150 / v;
    upFit = fitFlowPaths(upInput);
    up.errors = measurementErrors(upFit);
    reachInput = reachFitInput(o, up, down, flux);
    reachFit = fitFlowPaths(reachInput);
    const JointStage stages[] = {{&upInput, &upFit, "", "UP.DAT", 150},
                                 {&reachInput, &reachFit, "UP.DAT", "DOWN.DAT", 620}};
    joint = fitJoint(stages);
  }
  // The inputs refer to the chain's own samples.
  Chain(const Chain&) = delete;
  Chain& operator=(const Chain&) = delete;

  const FittedPath& first() const { return joint.parts[0].fit.models[0].paths[0]; }
  const FittedPath& reach() const { return joint.parts[1].fit.models[0].paths[0]; }
};

}  // namespace kaldero::testing
