// Bootstrap intervals of a fitted model (see analysis/flow_path_fit.h): a
// sieve bootstrap of the residuals' AR(1) process. The model's residuals
// (weighted when the errors grow with the signal) are whitened by their
// fitted AR(1) process into innovations; the innovations, centred, are
// resampled with replacement and coloured again by the same process, then
// unweighted and added to the fitted curve; each resample is refitted from
// the optimum (same model, same error model), and the 2.5 and 97.5 %
// percentiles of each quantity over the refits that converge are its
// interval (numeric/resampling.h). The resamples come from a
// std::mt19937_64 with the seed given, so that a run repeats exactly.
#include <algorithm>
#include <cmath>
#include <random>

#include "analysis/flow_path_model.h"
#include "numeric/resampling.h"

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
  // The weighted residuals and the fit's own AR(1) process (none for
  // independent errors: the plain residual bootstrap).
  std::vector<double> u(n);
  for (std::size_t i = 0; i < n; ++i) u[i] = fit.residuals[i] * c.weight(i);
  const bool correlated = fit.errors.model != ErrorModel::Independent;
  const numeric::Ar1Sieve sieve(c.t, u, correlated ? fit.errors.correlationTime : 0.0);
  fit.bootstrap.replicates = replicates;
  fit.bootstrap.lag1 = correlated ? fit.errors.lag1.value : 0.0;
  fit.bootstrap.seed = seed;

  std::mt19937_64 rng(seed);
  std::vector<Quantities> refits;
  Curve resampled = c;
  std::vector<double> e(n);
  for (int b = 0; b < replicates; ++b) {
    sieve.resample(rng, e);
    for (std::size_t i = 0; i < n; ++i) resampled.y[i] = fit.modelValues[i] + e[i] / c.weight(i);
    Problem problem(resampled, form, bounds, optimum);
    bool converged = false;
    const double cost = problem.solve(kRefitIterations, &converged);
    if (!converged || !std::isfinite(cost)) {
      ++fit.bootstrap.failed;
      continue;
    }
    refits.push_back(byVelocity(quantitiesOf(c, form, problem.parameters(), recoveredMass), form.bypass));
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
  if (fit.decay) setInterval(fit.decayRate, gather([](const Quantities& q) { return q.decayRate; }));
  if (fit.baseline) setInterval(fit.baselineOffset, gather([](const Quantities& q) { return q.baseline; }));
}

}  // namespace kaldero::flowfit
