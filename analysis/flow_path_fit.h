// Flow paths fitted to a breakthrough curve: one to three one-dimensional
// advection-dispersion paths (numeric/advection_dispersion.h), each with its
// own velocity v, dispersion coefficient D and mass M, fitted by ordinary
// least squares on the concentrations.
//
// The parameters are fitted as ln v, ln D and ln M, which keeps them
// positive (Levenberg-Marquardt, Ceres Solver, analytic derivatives). The
// starts come from the moment and Chatwin results of the other analyses and
// from the curve's own moments; with several paths, also from the curve
// split at its peaks, the curve split at quantiles of its mass, and the fit
// with one path fewer plus a path where the residual is largest, each also
// with narrower paths. The masses of every start are set by linear least
// squares; the best starts are iterated briefly, the best of them to
// convergence. The paths are then ordered by velocity, which makes the
// solution unique.
//
// A number of paths gives no fit, with the reason, when the optimum leaves
// the range the curve allows (v beyond a factor 1e3 of the curve's mean
// velocity, D or M beyond a factor 1e6 of its moment values), when it does
// not settle within the iteration limit, when the parameters cannot be told
// apart (a Jacobian without full rank), or when a path is not resolved: one
// of its v, D, M is within t standard errors of zero (a spike fitted to noise,
// two paths sharing one peak). The last rule is what keeps the AICc from
// choosing paths made of noise, to which it is otherwise prone with these
// models.
//
// Uncertainty: the covariance of (ln v, ln D, ln M) at the optimum is
// s^2 (J^T J)^-1, s^2 = RSS / (n - k), k = 3 N. Standard errors of v, D, M and
// of the derived quantities (mass fraction, dispersivity D/v, Peclet number
// v L / D) follow by the delta method; as all are positive and their
// logarithms are linear in the fitted parameters, the 95 % interval is
// exp(ln x +- t se(ln x)) with the 0.975 quantile t of Student's distribution
// with n - k degrees of freedom. For small relative errors it is the usual
// x +- t se(x); it never reaches below zero.
//
// Model choice: AICc = n ln(RSS/n) + 2k + 2k(k+1)/(n - k - 1), the smallest
// of the fitted numbers of paths wins. An RMSE below 1e-9 of the peak
// concentration counts as exact (the RSS is not taken smaller), so that on a
// curve the model reproduces to rounding a path more is not chosen for
// rounding noise.
//
// Computes only: no console, no files.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "model/flow_path_fit.h"
#include "numeric/advection_dispersion.h"

namespace kaldero {

struct FlowPathFitInput {
  std::span<const double> times;           // s since the start of the release
  std::span<const double> concentrations;  // ng/L
  std::span<const double> discharges;      // m^3/s, one per sample
  double distance = 0;                     // travel distance L, m
  double releaseDuration = 0;              // Td, s; 0 for an instantaneous release
  double recoveredMass = 0;                // ug; mass fractions are of this mass
                                           // (of the fitted total when 0)
  // Starting hints from the other analyses; 0 when there is none.
  double meanTransitTime = 0;    // s
  double momentDispersion = 0;   // m^2/s
  double chatwinDispersion = 0;  // m^2/s
  double peakTime = 0;           // s
  int paths = kAutomaticPaths;
};

// Never throws for bad data: a curve that cannot be fitted gives a result
// with no chosen model and the reason. No fitted model holds a number that
// is not finite.
FlowPathFitResult fitFlowPaths(const FlowPathFitInput& in);

// The fitted paths as model parameters, for drawing the curve and its parts.
std::vector<numeric::FlowPath> modelPaths(const PathModelFit& fit);

}  // namespace kaldero
