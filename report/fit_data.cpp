#include "report/fit_data.h"

#include "model/quantity_table.h"

namespace kaldero {

using nlohmann::json;

namespace {

json interval(double low, double high) { return json::array({low, high}); }
json interval(const Estimate& e, double scale = 1) {
  return interval(e.lower * scale, e.upper * scale);
}
json bootstrapInterval(const Estimate& e, double scale = 1) {
  if (!e.bootstrapped) return nullptr;
  return interval(e.bootstrapLower * scale, e.bootstrapUpper * scale);
}

// name, its 95 % interval (interval, name_ci95 unless given) and its
// bootstrap interval (interval_bootstrap) of an estimate, in the unit of
// the name (scale from the fit's own units).
void estimate(json& o, const std::string& name, const Estimate& e, double scale = 1,
              std::string intervalName = "") {
  if (intervalName.empty()) intervalName = name + "_ci95";
  o[name] = e.value * scale;
  o[intervalName] = interval(e, scale);
  o[intervalName + "_bootstrap"] = bootstrapInterval(e, scale);
}

void nullEstimate(json& o, const std::string& name) {
  o[name] = nullptr;
  o[name + "_ci95"] = nullptr;
  o[name + "_ci95_bootstrap"] = nullptr;
}

json path(const FittedPath& p) {
  json o = json::object();
  o["storage"] = p.storage;
  o["bypass"] = p.bypass;
  o["resolved"] = p.resolved();
  for (const PathQuantityRow& q : pathQuantityTable()) {
    const std::string name(q.name);
    if (q.storageOnly && !p.storage)
      nullEstimate(o, name);
    else
      estimate(o, name, p.*q.estimate, q.scale, std::string(q.intervalName));
  }
  return o;
}

const char* errorModelName(ErrorModel m) {
  switch (m) {
    case ErrorModel::Independent:
      return "independent";
    case ErrorModel::Ar1:
      return "ar1";
    case ErrorModel::Ar1Gls:
      return "ar1-gls";
    case ErrorModel::Ar1Relative:
      return "ar1-relative";
  }
  return "ar1";
}

const char* storageName(StorageChoice s) {
  switch (s) {
    case StorageChoice::None:
      return "none";
    case StorageChoice::Allowed:
      return "allowed";
    case StorageChoice::Forced:
      return "forced";
    case StorageChoice::PerPath:
      return "per path";
  }
  return "allowed";
}

const char* zonesName(ZoneLayout z) {
  switch (z) {
    case ZoneLayout::None:
      return "none";
    case ZoneLayout::Shared:
      return "shared";
    case ZoneLayout::PerPath:
      return "per path";
  }
  return "none";
}

json errors(const ErrorStatistics& e) {
  const bool relative = e.model == ErrorModel::Ar1Relative;
  return {{"model", errorModelName(e.model)},
          {"offset_error_ug_per_L", relative ? json(e.offsetError * 1e-3) : json(nullptr)},
          {"relative_error", relative ? json(e.relativeError) : json(nullptr)},
          {"lag1", e.lag1.value},
          {"lag1_ci95", interval(e.lag1)},
          {"correlation_time_s", e.correlationTime},
          {"median_spacing_s", e.medianSpacing},
          {"effective_samples", e.effectiveSamples},
          {"durbin_watson", e.durbinWatson},
          {"residual_lag1", e.residualLag1},
          {"whitened_lag1", e.whitenedLag1}};
}

json model(const PathModelFit& m) {
  json o = {{"model", m.label()}, {"paths", m.pathCount}, {"storage", m.storage()},
            {"zones", zonesName(m.zones)}, {"decay", m.decay}, {"fitted", m.fitted}};
  if (!m.fitted) {
    o["reason"] = m.reason;
    return o;
  }
  o.update({{"resolved", m.resolved},
            {"settled", m.settled},
            {"caution", m.caution.empty() ? json(nullptr) : json(m.caution)},
            {"rmse", m.rmse * 1e-3},
            {"r_squared", m.rSquared},
            {"aicc", m.aicc},
            {"lag1", m.errors.residualLag1}});
  return o;
}

}  // namespace

json fitDocument(const FlowPathFitResult& f, double arrivalHours) {
  json o = {{"samples_fitted", f.samplesFitted},
            {"sample_source", f.sampleSource == SampleSource::Knots ? "knots" : "measured"},
            {"paths_asked", f.pathsAsked == kAutomaticPaths ? json("auto") : json(f.pathsAsked)},
            {"storage_asked", storageName(f.storage)},
            {"error_model", errorModelName(f.errorModel)},
            {"intervals",
             f.intervals == IntervalMethod::Bootstrap ? "covariance and bootstrap" : "covariance"},
            {"baseline", f.baseline},
            {"decay_asked", f.decay},
            {"still_improving_at_largest", f.stillImprovingAtLargest}};
  json models = json::array();
  for (const PathModelFit& m : f.models) models.push_back(model(m));
  o["models"] = models;
  const PathModelFit* best = f.best();
  o["fitted"] = best != nullptr;
  if (!best) {
    o["reason"] = f.reason;
    return o;
  }
  json paths = json::array();
  for (const FittedPath& p : best->paths) paths.push_back(path(p));
  o.update({{"chosen_model", best->label()},
            {"chosen_paths", best->pathCount},
            {"storage", best->storage()},
            {"zones", zonesName(best->zones)},
            {"decay", best->decay},
            {"resolved", best->resolved},
            {"settled", best->settled},
            {"caution", best->caution.empty() ? json(nullptr) : json(best->caution)},
            {"chosen_unresolved", f.chosenUnresolved},
            {"paths", paths},
            {"r_squared", best->rSquared},
            {"rmse", best->rmse * 1e-3},  // ug/L, as the concentrations
            {"aicc", best->aicc},
            {"degrees_of_freedom", best->degreesOfFreedom},
            {std::string(quantityName(QuantityId::RecoveredMass)),
             f.recoveredMass > 0 ? json(f.recoveredMass * 1e-9) : json(nullptr)}});
  estimate(o, "total_mass_kg", best->totalMass, 1e-9);
  if (best->baseline)
    estimate(o, "baseline_ug_per_L", best->baselineOffset, 1e-3);
  else
    nullEstimate(o, "baseline_ug_per_L");
  if (best->decay)
    estimate(o, "decay_rate_per_s", best->decayRate);
  else
    nullEstimate(o, "decay_rate_per_s");
  o["errors"] = errors(best->errors);
  if (f.intervals == IntervalMethod::Bootstrap)
    o["bootstrap"] = {{"replicates", best->bootstrap.replicates},
                      {"failed", best->bootstrap.failed},
                      {"method", "sieve AR(1)"},
                      {"lag1", best->bootstrap.lag1},
                      {"seed", std::to_string(best->bootstrap.seed)}};
  else
    o["bootstrap"] = nullptr;
  json times = json::array(), fitted = json::array(), residuals = json::array();
  const std::size_t n =
      std::min({f.times.size(), best->modelValues.size(), best->residuals.size()});
  for (std::size_t i = 0; i < n; ++i) {
    times.push_back(f.times[i] / 3600 + arrivalHours);
    fitted.push_back(best->modelValues[i] * 1e-3);
    residuals.push_back(best->residuals[i] * 1e-3);
  }
  o["residuals"] = {{"times_h", times}, {"fitted_ug_per_L", fitted}, {"residuals_ug_per_L", residuals}};
  return o;
}

std::vector<std::pair<std::string, ResultValue>> fitColumns(const FlowPathFitResult* f,
                                                             bool bypass) {
  const PathModelFit* best = f ? f->best() : nullptr;
  std::vector<std::pair<std::string, ResultValue>> out;
  auto value = [&](const std::string& name, bool has, double v) {
    out.emplace_back(name, has ? ResultValue(v) : ResultValue());
  };
  auto withInterval = [&](const std::string& name, const Estimate* e, double scale) {
    value(name, e, e ? e->value * scale : 0);
    value(name + "_ci95_low", e, e ? e->lower * scale : 0);
    value(name + "_ci95_high", e, e ? e->upper * scale : 0);
  };
  out.emplace_back("fit_model", best ? ResultValue(best->label()) : ResultValue());
  value("fit_r_squared", best, best ? best->rSquared : 0);
  value("fit_rmse_ug_per_L", best, best ? best->rmse * 1e-3 : 0);
  value("fit_residual_lag1", best, best ? best->errors.residualLag1 : 0);
  value("fit_effective_samples", best, best ? best->errors.effectiveSamples : 0);
  out.emplace_back("fit_still_improving_at_largest",
                   best ? ResultValue(f->stillImprovingAtLargest ? "true" : "false")
                        : ResultValue());
  withInterval("fit_total_mass_kg", best ? &best->totalMass : nullptr, 1e-9);
  // The paths, then with bypass columns a reach's bypass (the paths' own
  // columns never hold it).
  const std::size_t reachPaths = best ? best->paths.size() - (best->bypass ? 1 : 0) : 0;
  const FittedPath* bypassPath = best && best->bypass ? &best->paths.back() : nullptr;
  for (int k = 0; k <= kMaxPaths; ++k) {
    if (k == kMaxPaths && !bypass) break;
    const FittedPath* p = k == kMaxPaths ? bypassPath
                          : best && k < static_cast<int>(reachPaths)
                              ? &best->paths[static_cast<std::size_t>(k)]
                              : nullptr;
    const std::string pre =
        k == kMaxPaths ? std::string("fit_bypass_") : "fit_path" + std::to_string(k + 1) + "_";
    for (const PathQuantityRow& q : pathQuantityTable())
      if (q.inCsv)
        withInterval(pre + std::string(q.name),
                     p && (p->storage || !q.storageOnly) ? &(p->*q.estimate) : nullptr, q.scale);
  }
  // One zone shared by the paths; zones of their own are in the paths'
  // columns.
  const FittedPath* zone = best && best->zones == ZoneLayout::Shared && !best->paths.empty()
                               ? &best->paths[0]
                               : nullptr;
  withInterval("fit_storage_ratio", zone ? &zone->storageRatio : nullptr, 1);
  withInterval("fit_exchange_rate_per_s", zone ? &zone->exchangeRate : nullptr, 1);
  withInterval("fit_decay_rate_per_s", best && best->decay ? &best->decayRate : nullptr, 1);
  return out;
}

}  // namespace kaldero
