#include "analysis/uncertainty.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "analysis/quantities.h"
#include "analysis/station_analysis.h"
#include "conditioning/extrapolation.h"
#include "conditioning/interpolation.h"
#include "numeric/block_bootstrap.h"
#include "numeric/random.h"

namespace kaldero {

namespace {

// Why a draw stopped.
constexpr const char* kNoTracer = "no sample with tracer at the end of the curve";
constexpr const char* kTail = "the tail could not be extrapolated";
constexpr const char* kKnots = "fewer knots than samples";
constexpr const char* kTimes = "sample times no longer increasing";
constexpr const char* kNoMass = "no tracer mass recovered";
constexpr const char* kNonFinite = "a value beyond the program's numbers";

// An error applied to a value: relative errors scale it, absolute ones add.
float perturbed(float v, const StatedError& e, double deviate) {
  if (e.none()) return v;
  return e.relative ? static_cast<float>(v * (1.0 + e.value * deviate))
                    : static_cast<float>(v + e.value * deviate);
}

// The curve with the stated errors of one draw.
Curve perturbCurve(const Curve& c, const DrawStation& st, const UncertaintyRequest& request,
                   numeric::Random& rng, double rating) {
  Curve out = c;
  const std::size_t n = out.T.size();
  if (request.timeError != 0) {
    for (float& t : out.T) t = static_cast<float>(t + request.timeError * rng.normal());
    std::sort(out.T.begin(), out.T.end());
  }
  if (!request.concentration.none()) {
    // AR(1) errors of lag-1 correlation r, each of unit variance.
    const double r = request.concentrationCorrelation;
    const double innovation = std::sqrt(std::max(0.0, 1.0 - r * r));
    double e = 0;
    for (std::size_t i = 0; i < n; ++i) {
      e = i == 0 ? rng.normal() : r * e + innovation * rng.normal();
      // A negative concentration is read as 0, as the data pass reads one.
      out.C[i] = std::max(0.0f, perturbed(out.C[i], request.concentration, e));
    }
  }
  if (st.test.dischargeMode == DischargeMode::Measured) {
    for (std::size_t i = 0; i < n; ++i) {
      out.Q[i] = perturbed(out.Q[i], request.discharge, rating);
      if (!request.dischargeNoise.none()) out.Q[i] = perturbed(out.Q[i], request.dischargeNoise, rng.normal());
    }
  }
  return out;
}

// The tail methods a draw may take: the header's, or with allTailMethods
// every method that extends the station's own curve.
std::vector<ExtrapolationMethod> tailMethods(const DrawStation& st, const UncertaintyRequest& request) {
  const ExtrapolationMethod own = st.test.extrapolationMethod;
  if (!on(st.test.extrapolationOption) || !request.allTailMethods) return {own};
  std::vector<ExtrapolationMethod> out;
  for (ExtrapolationMethod m : {ExtrapolationMethod::Exponential, ExtrapolationMethod::Pchip,
                                ExtrapolationMethod::ZeroTime}) {
    TestDescription t = st.test;
    t.extrapolationMethod = m;
    // The curve as the data pass left it: with a tail extrapolated, it ends
    // on tracer.
    const MeasuredCurve c{st.dataPass.samples, {}};
    if (c.samples.size() < 2) continue;
    const Extrapolation e = extrapolateTail(t, 0, c);
    if (e.errorCode == 0 && !e.nonFinite) out.push_back(m);
  }
  if (out.empty()) out.push_back(own);
  return out;
}

// One draw: the perturbed curve through the data pass's last steps, the
// tail, the knots, the background, the internal units and the analyses.
// Returns why it stopped, or nothing and the results.
const char* draw(const DrawStation& st, const UncertaintyRequest& request,
                 const std::vector<ExtrapolationMethod>& methods, numeric::Random& rng,
                 StationResults& results) {
  const TestDescription& test = st.test;
  const double rating = request.discharge.none() ? 0.0 : rng.normal();
  Curve c = perturbCurve(st.dataPass.samples, st, request, rng, rating);
  TestDescription t = test;
  if (on(test.backgroundOption) && !request.background.none())
    t.background = perturbed(test.background, request.background, rng.normal());
  StationSetup setup = st.setup;
  if (test.dischargeMode == DischargeMode::Constant)
    setup.constantDischarge = perturbed(setup.constantDischarge, request.discharge, rating);

  if (on(test.extrapolationOption)) {
    c.truncate(withoutTracerlessEnd(c.C, c.size()));
    if (c.size() == 0) return kNoTracer;
  }
  const float spacing =
      on(test.knotOption) && c.size() > 0 ? knotSpacing(c.T, c.size(), test.knotIntervals) : 0.0f;
  if (on(test.extrapolationOption)) {
    t.extrapolationMethod = methods[methods.size() == 1 ? 0 : rng.below(methods.size())];
    const int32_t equal =
        test.dischargeMode == DischargeMode::Measured ? equalNeighbourDischarges(c.Q, c.size()) : 0;
    Extrapolation e = extrapolateTail(t, equal, MeasuredCurve{std::move(c), {}});
    if (e.nonFinite) return kNonFinite;
    if (e.errorCode > 0) return kTail;
    c = std::move(e.curve.samples);
  }
  if (on(setup.knotOption)) {
    const int32_t n = c.size();
    const int32_t knots = knotCount(c.T, n, spacing);
    if (knots < n) return kKnots;
    if (knots > n) {
      if (!interpolationStorage(n, knots)) return kKnots;
      c = interpolateOntoKnots(t, spacing, c, knots).knots;
    }
  }
  const Curve conditioned = conditionCurve(t, c);
  for (int32_t i = 0; i + 1 < conditioned.size(); ++i)
    if (!(conditioned.T[i] < conditioned.T[i + 1])) return kTimes;

  const AnalysisInputs in{t, setup, st.release};
  results = analyseStation(in, conditioned, st.previous);
  if (results.stop)
    return results.stop->kind == AnalysisStop::Kind::NoMassRecovered ? kNoMass : kNonFinite;
  return nullptr;
}

}  // namespace

QuantityInterval percentiles(std::vector<double>& v) {
  QuantityInterval q;
  q.values = static_cast<int>(v.size());
  if (v.empty()) return q;
  std::sort(v.begin(), v.end());
  q.p2_5 = numeric::quantileOfSorted(v, 0.025);
  q.p50 = numeric::quantileOfSorted(v, 0.5);
  q.p97_5 = numeric::quantileOfSorted(v, 0.975);
  return q;
}

UncertaintyResult drawUncertainty(const DrawStation& st, const UncertaintyRequest& request,
                                  uint64_t seed) {
  UncertaintyResult out;
  out.draws = request.draws;
  out.seed = seed;
  numeric::Random rng(seed);
  const std::vector<ExtrapolationMethod> methods = tailMethods(st, request);
  // One array a quantity: memory grows with the draws by one number a
  // quantity.
  std::vector<std::string> names;
  std::vector<std::vector<double>> values;
  std::map<std::string, int> stopped;
  for (int d = 0; d < request.draws; ++d) {
    StationResults r;
    if (const char* why = draw(st, request, methods, rng, r)) {
      ++stopped[why];
      continue;
    }
    ++out.completed;
    const auto quantities = listingQuantities(&r);
    if (names.empty()) {
      for (const auto& [name, value] : quantities) names.push_back(name);
      values.resize(names.size());
      for (auto& v : values) v.reserve(static_cast<std::size_t>(request.draws));
    }
    for (std::size_t i = 0; i < quantities.size() && i < values.size(); ++i)
      if (const double* x = std::get_if<double>(&quantities[i].second)) values[i].push_back(*x);
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (values[i].empty()) continue;
    QuantityInterval q = percentiles(values[i]);
    q.name = names[i];
    out.quantities.push_back(std::move(q));
  }
  for (const auto& [why, count] : stopped) out.stopped.emplace_back(why, count);
  return out;
}

}  // namespace kaldero
