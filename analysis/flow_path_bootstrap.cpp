// Moving-block bootstrap intervals of a fitted model (see
// analysis/flow_path_fit.h and numeric/block_bootstrap.h): the model's
// residuals, centred, are resampled in blocks of consecutive samples whose
// length follows their lag-1 autocorrelation; each resample added to the
// fitted curve is refitted from the optimum (same model, same error model),
// and the 2.5 and 97.5 % percentiles of each quantity over the refits that
// converge are its interval. The resamples come from a std::mt19937_64 with
// the seed given, so that a run repeats exactly.
#include <algorithm>
#include <cmath>
#include <random>

#include "analysis/flow_path_model.h"
#include "numeric/ar1_errors.h"
#include "numeric/block_bootstrap.h"

namespace kaldero::flowfit {

namespace {

constexpr int kRefitIterations = 50;

void setInterval(Estimate& e, std::vector<double> values) {
  if (values.empty()) return;
  e.bootstrapped = true;
  e.bootstrapLower = numeric::empiricalQuantile(values, 0.025);
  e.bootstrapUpper = numeric::empiricalQuantile(std::move(values), 0.975);
}

}  // namespace

void bootstrapIntervals(const Curve& c, const ModelForm& form, const Bounds& bounds,
                        const Parameters& optimum, double recoveredMass, int replicates,
                        unsigned long long seed, PathModelFit& fit) {
  const std::size_t n = c.size();
  if (fit.residuals.size() != n || fit.modelValues.size() != n || replicates <= 0) return;
  std::vector<double> residuals = fit.residuals;
  double mean = 0;
  for (double r : residuals) mean += r;
  mean /= static_cast<double>(n);
  for (double& r : residuals) r -= mean;
  const std::size_t block =
      numeric::blockLength(std::max(numeric::lag1Autocorrelation(residuals), 0.0), n);
  fit.bootstrap.replicates = replicates;
  fit.bootstrap.blockLength = static_cast<int>(block);
  fit.bootstrap.seed = seed;

  std::mt19937_64 rng(seed);
  std::vector<Quantities> refits;
  Curve resampled = c;
  for (int b = 0; b < replicates; ++b) {
    const std::vector<std::size_t> index = numeric::blockResample(n, block, rng);
    for (std::size_t i = 0; i < n; ++i) resampled.y[i] = fit.modelValues[i] + residuals[index[i]];
    Problem problem(resampled, form, bounds, optimum);
    bool converged = false;
    const double cost = problem.solve(kRefitIterations, &converged);
    if (!converged || !std::isfinite(cost)) {
      ++fit.bootstrap.failed;
      continue;
    }
    refits.push_back(
        byVelocity(quantitiesOf(c, toPathSet(c, form, problem.parameters()), recoveredMass)));
  }
  if (refits.empty()) return;
  auto gather = [&](auto get) {
    std::vector<double> v;
    for (const Quantities& q : refits) v.push_back(get(q));
    return v;
  };
  for (std::size_t j = 0; j < fit.paths.size(); ++j) {
    FittedPath& f = fit.paths[j];
    Estimate* target[kPathQuantities] = {&f.velocity, &f.dispersion,   &f.mass,
                                         &f.massFraction, &f.dispersivity, &f.peclet,
                                         &f.meanTravelTime, &f.storageRatio, &f.exchangeRate};
    for (int k = 0; k < kPathQuantities; ++k) {
      if (!f.storage && (k == kStorageRatio || k == kExchangeRate)) continue;
      setInterval(*target[k], gather([&](const Quantities& q) { return q.paths[j][static_cast<std::size_t>(k)]; }));
    }
  }
  setInterval(fit.totalMass, gather([](const Quantities& q) { return q.totalMass; }));
  if (fit.baseline) setInterval(fit.baselineOffset, gather([](const Quantities& q) { return q.baseline; }));
}

}  // namespace kaldero::flowfit
