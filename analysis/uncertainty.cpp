#include "analysis/uncertainty.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "analysis/measured_series.h"
#include "analysis/quantities.h"
#include "analysis/station_analysis.h"
#include "conditioning/extrapolation.h"
#include "conditioning/interpolation.h"
#include "core/format.h"
#include "core/interrupt.h"
#include "core/units.h"
#include "input/data_pass.h"
#include "model/quantity_table.h"
#include "numeric/random.h"
#include "numeric/resampling.h"

namespace kaldero {

namespace {

// Why a draw stopped.
constexpr const char* kNoTracer = "no sample with tracer at the end of the curve";
constexpr const char* kDataPass = "fewer than two samples in the data pass";
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

// The rating error applied to a discharge: a relative one is a factor of
// the lognormal law of mean 1 whose relative standard deviation is the
// stated error (so that a discharge stays positive however large the
// error), an absolute one a normal offset in the station's unit. The
// measured discharge being the true one times the factor, the true one is
// the measured over it: a draw divides by a factor drawn from the law, so
// that the draws spread about the measurement as the truth does (the 2.5
// and 97.5 % points of a factor's inverse are not those of the factor
// inverted when the law is skewed: with a 30 % error, multiplying would
// cover the truth in 94 % of stations, with its median 4 % low).
float rated(float q, const StatedError& e, double deviate) {
  if (e.none() || !e.relative) return perturbed(q, e, deviate);
  const double s2 = std::log1p(e.value * e.value);
  return static_cast<float>(q / std::exp(std::sqrt(s2) * deviate - 0.5 * s2));
}

// The record with the stated errors of one draw, into out (the station's
// record as it is, its values perturbed; concentrations keep their sign).
void perturbRecord(const DrawStation& st, const UncertaintyRequest& request, numeric::Random& rng,
                   double rating, MeasuredRecord& out) {
  const MeasuredRecord& r = st.record;
  out.T = r.T;
  out.C = r.C;
  out.Q = r.Q;
  const std::size_t n = out.T.size();
  if (request.timeError != 0) {
    for (float& t : out.T) t = static_cast<float>(t + request.timeError * rng.normal());
    std::sort(out.T.begin(), out.T.end());
  }
  if (!request.concentration.none()) {
    // AR(1) errors of lag-1 correlation r, each of unit variance.
    const double phi = request.concentrationCorrelation;
    const double innovation = std::sqrt(std::max(0.0, 1.0 - phi * phi));
    double e = 0;
    for (std::size_t i = 0; i < n; ++i) {
      e = i == 0 ? rng.normal() : phi * e + innovation * rng.normal();
      out.C[i] = perturbed(out.C[i], request.concentration, e);
    }
  }
  if (st.test.dischargeMode == DischargeMode::Measured && r.dischargeColumn) {
    for (std::size_t i = 0; i < n; ++i) {
      out.Q[i] = rated(out.Q[i], request.discharge, rating);
      if (!request.dischargeNoise.none())
        out.Q[i] = perturbed(out.Q[i], request.dischargeNoise, rng.normal());
    }
  }
}

// The station's own data pass on a record, as the listing's curve was made.
DataPassCurve dataPassOf(const DrawStation& st, const MeasuredRecord& record) {
  return curveFromRecord(record, st.test, st.reduction.n, st.reduction.k, st.reduction.mode);
}

// The tail methods a draw may take: the header's, or with allTailMethods
// every method that extends the station's own curve.
std::vector<ExtrapolationMethod> tailMethods(const DrawStation& st, const UncertaintyRequest& request) {
  const ExtrapolationMethod own = st.test.extrapolationMethod;
  if (!on(st.test.extrapolationOption) || !request.allTailMethods) return {own};
  // The curve as the data pass left it: with a tail extrapolated, it ends
  // on tracer.
  const DataPassCurve pass = dataPassOf(st, st.record);
  std::vector<ExtrapolationMethod> out;
  for (ExtrapolationMethod m : {ExtrapolationMethod::Exponential, ExtrapolationMethod::Pchip,
                                ExtrapolationMethod::ZeroTime}) {
    TestDescription t = st.test;
    t.extrapolationMethod = m;
    const MeasuredCurve c{pass.curve.samples, {}};
    if (pass.stop != DataPassCurve::Stop::None || c.samples.size() < 2) continue;
    const Extrapolation e = extrapolateTail(t, 0, c);
    if (e.errorCode == 0 && !e.nonFinite) out.push_back(m);
  }
  if (out.empty()) out.push_back(own);
  return out;
}

// What one draw gives: its signed estimates (from the perturbed record)
// and the results of its analysis, or why the analysis stopped.
struct Draw {
  std::optional<SignedEstimates> signedEstimates;
  std::vector<double> band;  // the concentrations at the band's reads, ng/L
  StationResults results;
  const char* stopped = nullptr;
  bool otherTailMethod = false;  // the tail came from a method other than the one drawn
  std::optional<double> extrapolatedShare;  // of the load, with a tail extrapolated
};

// The perturbed concentrations at the band's reads, background subtracted
// (with the draw's background), in ng/L.
void bandValues(const DrawStation& st, const TestDescription& t, const MeasuredRecord& record,
                std::vector<double>& out) {
  out.clear();
  const double cf = units::concentrationFactor(t.concentrationUnit);
  const double background = on(t.backgroundOption) ? static_cast<double>(t.background) : 0.0;
  for (std::size_t i : st.bandReads)
    if (i < record.C.size()) out.push_back((static_cast<double>(record.C[i]) - background) * cf);
}

// One draw: the perturbed record, its signed estimates, then the data
// pass, the tail, the knots, the background, the internal units and the
// analyses.
void draw(const DrawStation& st, const UncertaintyRequest& request,
          const std::vector<ExtrapolationMethod>& methods,
          const std::vector<ExtrapolationMethod>& others, numeric::Random& rng,
          MeasuredRecord& record, Draw& out) {
  const TestDescription& test = st.test;
  const double rating = request.discharge.none() ? 0.0 : rng.normal();
  perturbRecord(st, request, rng, rating, record);
  TestDescription t = test;
  if (on(test.backgroundOption) && !request.background.none())
    t.background = perturbed(test.background, request.background, rng.normal());
  StationSetup setup = st.setup;
  if (test.dischargeMode == DischargeMode::Constant)
    setup.constantDischarge = rated(setup.constantDischarge, request.discharge, rating);
  const AnalysisInputs in{t, setup, st.release};
  // The band is of the readings as perturbed, before any is censored.
  if (!st.bandReads.empty()) bandValues(st, t, record, out.band);
  if (st.detectionLimit) {
    if (Expected<SignedEstimates> e =
            censoredEstimates(in, record, *st.detectionLimit, &rng, st.record.C))
      out.signedEstimates = *e;
  } else if (Expected<SignedEstimates> e = signedEstimates(in, record)) {
    out.signedEstimates = *e;
  }

  DataPassCurve pass = dataPassOf(st, record);
  switch (pass.stop) {
    case DataPassCurve::Stop::None: break;
    case DataPassCurve::Stop::NoTracer: out.stopped = kNoTracer; return;
    default: out.stopped = kDataPass; return;
  }
  Curve c = std::move(pass.curve.samples);
  const float spacing = pass.facts.knotSpacing;
  std::optional<double> lastMeasured;  // s since the release, with a tail extrapolated
  if (on(test.extrapolationOption)) {
    lastMeasured = static_cast<double>(c.T[c.size() - 1]) * units::timeFactor(test.timeUnit);
    // The draw's method, then each other method that extends the
    // station's own curve, before the draw counts as stopped: noise that
    // defeats one fit of the falling limb need not defeat them all.
    const ExtrapolationMethod drawn = methods[methods.size() == 1 ? 0 : rng.below(methods.size())];
    std::vector<ExtrapolationMethod> order{drawn};
    for (ExtrapolationMethod m : others)
      if (m != drawn) order.push_back(m);
    std::optional<Extrapolation> tail;
    const char* why = kTail;
    for (ExtrapolationMethod m : order) {
      t.extrapolationMethod = m;
      Extrapolation e = extrapolateTail(t, pass.facts.equalDischargeCount, MeasuredCurve{c, {}});
      if (e.nonFinite) {
        why = kNonFinite;
        continue;
      }
      if (e.errorCode > 0) continue;
      out.otherTailMethod = m != drawn;
      tail = std::move(e);
      break;
    }
    if (!tail) {
      out.stopped = why;
      return;
    }
    c = std::move(tail->curve.samples);
  }
  if (on(setup.knotOption)) {
    const int32_t n = c.size();
    const int32_t knots = knotCount(c.T, n, spacing);
    if (knots < n || (knots > n && !interpolationStorage(n, knots))) {
      out.stopped = kKnots;
      return;
    }
    if (knots > n) c = interpolateOntoKnots(t, spacing, c, knots).knots;
  }
  const Curve conditioned = conditionCurve(t, c);
  for (int32_t i = 0; i + 1 < conditioned.size(); ++i)
    if (!(conditioned.T[i] < conditioned.T[i + 1])) {
      out.stopped = kTimes;
      return;
    }
  out.results = analyseStation(in, conditioned, st.previous);
  if (lastMeasured)
    out.extrapolatedShare = extrapolatedLoadShare(
        conditioned, *lastMeasured, test.dischargeMode == DischargeMode::Measured);
  if (out.results.stop)
    out.stopped =
        out.results.stop->kind == AnalysisStop::Kind::NoMassRecovered ? kNoMass : kNonFinite;
}

// The dispersion coefficient, dispersivity and Peclet number of a draw by
// the listing's method, computed as the listing computes them (single
// precision); none where the draw has no positive estimate by it.
struct HeldDispersion {
  std::optional<float> dispersion, dispersivity, peclet;
};

HeldDispersion heldDispersion(const StationResults& r, bool fromMoments) {
  HeldDispersion out;
  if (!r.transport) return out;
  const Transport& t = *r.transport;
  const float d = fromMoments ? t.momentDispersion : t.chatwinDispersion.value_or(0.0f);
  if (!(d > 0)) return out;
  out.dispersion = d;
  const float v = t.meanVelocity.perSecond;
  if (v != 0) out.dispersivity = d / v;
  out.peclet = v * r.distance.metres / d;
  return out;
}

// The dispersion method the draws hold: the listing's; with a detection
// limit, that of the station's record with its readings below the limit
// censored, which the draws perturb (the listing's record, its negatives
// set to 0, may choose the other).
std::optional<bool> heldMethod(const DrawStation& st, const std::vector<ExtrapolationMethod>& methods,
                               const std::vector<ExtrapolationMethod>& others, uint64_t seed,
                               MeasuredRecord& buffer) {
  if (!st.detectionLimit) return st.dispersionFromMoments;
  numeric::Random rng(seed);
  Draw own;
  draw(st, UncertaintyRequest{}, {methods.front()}, others, rng, buffer, own);
  if (own.stopped || !own.results.transport || own.results.transport->dispersionUndefined())
    return st.dispersionFromMoments;
  return own.results.transport->dispersionFromMoments;
}

}  // namespace

// The percentiles of single-precision values, as those of their values in
// the results (singlePrecision of each): the order statistics are the
// floats', and only the two each point lies between are converted.
QuantityInterval percentiles(std::vector<float>& v) {
  QuantityInterval q;
  q.values = static_cast<int>(v.size());
  if (v.empty()) return q;
  std::sort(v.begin(), v.end());
  const auto point = [&](double p) {
    const double h = (static_cast<double>(v.size()) - 1) * p;
    const auto lo = static_cast<std::size_t>(std::floor(h));
    const std::size_t hi = std::min(lo + 1, v.size() - 1);
    const double pair[] = {singlePrecision(v[lo]), singlePrecision(v[hi])};
    return numeric::quantileOfSorted(pair, h - static_cast<double>(lo));
  };
  q.p2_5 = point(0.025);
  q.p50 = point(0.5);
  q.p97_5 = point(0.975);
  return q;
}

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

std::optional<std::string> errorBeyondRecord(const UncertaintyRequest& request,
                                             const MeasuredRecord& r) {
  // The record's values are floats, and said as such.
  const auto largest = [](const std::vector<float>& v) {
    float m = 0;
    for (float x : v) m = std::max(m, std::fabs(x));
    return m;
  };
  const char* const concentration = "the largest concentration of the record";
  const char* const discharge = "the largest discharge of the record";
  const float c = largest(r.C), q = r.dischargeColumn ? largest(r.Q) : 0.0f;
  const struct {
    const char* option;
    const StatedError& error;
    float limit;
    const char* what;
  } checks[] = {{"--conc-error", request.concentration, c, concentration},
                {"--background-error", request.background, c, concentration},
                {"--discharge-error", request.discharge, q, discharge},
                {"--discharge-noise", request.dischargeNoise, q, discharge}};
  for (const auto& k : checks) {
    // Without a discharge column the discharge errors meet no record.
    if (k.what == discharge && !r.dischargeColumn) continue;
    const StatedError& e = k.error;
    if (e.none() || e.relative || !(e.value > static_cast<double>(k.limit))) continue;
    return std::string(k.option) + " " + e.text + " is beyond " + k.what + " (" +
           fmt::shortest(k.limit) + " in the station's unit), which cannot be meant";
  }
  if (request.timeError > 0 && r.T.size() > 0) {
    const auto [low, high] = std::minmax_element(r.T.begin(), r.T.end());
    const float span = *high - *low;
    if (request.timeError > static_cast<double>(span))
      return "--time-error " + fmt::shortest(request.timeError) +
             " is beyond the time the record spans (" + fmt::shortest(span) +
             " in the station's unit), which cannot be meant";
  }
  return std::nullopt;
}

std::vector<OutsideInterval> listingOutsideIntervals(const StationResults& results,
                                                     const UncertaintyResult& draws) {
  std::vector<OutsideInterval> out;
  if (!results.complete()) return out;
  for (const auto& [name, value] : listingQuantities(&results)) {
    const double* x = std::get_if<double>(&value);
    const QuantityInterval* q = draws.find(name);
    if (x && q && (*x < q->p2_5 || *x > q->p97_5)) out.push_back({name, *x, q->p2_5, q->p97_5});
  }
  return out;
}

UncertaintyResult drawUncertainty(const DrawStation& st, const UncertaintyRequest& request,
                                  uint64_t seed) {
  UncertaintyResult out;
  out.draws = request.draws;
  out.seed = seed;
  numeric::Random rng(seed);
  const std::vector<ExtrapolationMethod> methods = tailMethods(st, request);
  UncertaintyRequest every = request;
  every.allTailMethods = true;
  const std::vector<ExtrapolationMethod> others = tailMethods(st, every);
  // One array a quantity: memory grows with the draws by one number a
  // quantity. The names are those of the listing, then the signed
  // estimates.
  std::vector<std::string> names;
  for (const auto& [name, value] : listingQuantities(nullptr)) names.push_back(name);
  const std::size_t listed = names.size();
  for (const auto& [name, value] : signedQuantities(nullptr)) names.push_back(name);
  // The listing's quantities are single-precision numbers: kept as floats
  // (exactly, half the memory of doubles); the signed estimates as doubles.
  std::vector<std::vector<float>> values(listed);
  std::vector<std::vector<double>> signedValues(names.size() - listed);
  for (auto& v : values) v.reserve(static_cast<std::size_t>(request.draws));
  for (auto& v : signedValues) v.reserve(static_cast<std::size_t>(request.draws));
  std::map<std::string, int> stopped;
  MeasuredRecord record = st.record;  // the buffer of every draw's record
  const std::optional<bool> held = heldMethod(st, methods, others, seed, record);
  std::vector<double> shares;  // the extrapolated share of the load, of each draw
  // The band's values, read by read, of the first draws.
  std::vector<std::vector<double>> band(st.bandReads.size());
  Draw d;
  for (int k = 0; k < request.draws; ++k) {
    // A long series of draws stops at an interrupt (SIGINT, SIGTERM).
    interrupt::check();
    d = Draw{};
    draw(st, request, methods, others, rng, record, d);
    if (d.otherTailMethod) ++out.otherTailMethod;
    if (k < UncertaintyResult::kBandDraws)
      for (std::size_t i = 0; i < d.band.size() && i < band.size(); ++i) band[i].push_back(d.band[i]);
    const auto signedDraw = signedQuantities(d.signedEstimates ? &*d.signedEstimates : nullptr);
    for (std::size_t i = 0; i < signedDraw.size() && i < signedValues.size(); ++i)
      if (const double* x = std::get_if<double>(&signedDraw[i].second))
        signedValues[i].push_back(*x);
    if (d.stopped) {
      ++stopped[d.stopped];
      continue;
    }
    ++out.completed;
    if (d.extrapolatedShare) shares.push_back(*d.extrapolatedShare);
    auto quantities = listingQuantities(&d.results);
    if (held) {
      const HeldDispersion h = heldDispersion(d.results, *held);
      for (auto& [name, value] : quantities) {
        const auto as = [&](const std::optional<float>& x) {
          value = x ? ResultValue{singlePrecision(*x)} : ResultValue{};
        };
        if (name == quantityName(QuantityId::DispersionCoefficient)) as(h.dispersion);
        if (name == quantityName(QuantityId::Dispersivity)) as(h.dispersivity);
        if (name == quantityName(QuantityId::PecletNumber)) as(h.peclet);
      }
    }
    for (std::size_t i = 0; i < quantities.size() && i < listed; ++i)
      if (const double* x = std::get_if<double>(&quantities[i].second))
        values[i].push_back(static_cast<float>(*x));
  }
  const auto interval = [&](auto& v, const std::string& name) {
    if (v.empty()) return;
    QuantityInterval q = percentiles(v);
    q.name = name;
    out.quantities.push_back(std::move(q));
    std::decay_t<decltype(v)>().swap(v);  // released as soon as it is used
  };
  for (std::size_t i = 0; i < listed; ++i) interval(values[i], names[i]);
  for (std::size_t i = 0; i < signedValues.size(); ++i) interval(signedValues[i], names[listed + i]);
  interval(shares, std::string(kExtrapolatedShareName));
  for (const auto& [why, count] : stopped) out.stopped.emplace_back(why, count);
  const double tf = units::timeFactor(st.test.timeUnit);
  for (std::size_t i = 0; i < band.size(); ++i) {
    if (band[i].empty() || st.bandReads[i] >= st.record.T.size()) continue;
    const QuantityInterval q = percentiles(band[i]);
    out.bandTimes.push_back(static_cast<double>(st.record.T[st.bandReads[i]]) * tf);
    out.bandLow.push_back(q.p2_5);
    out.bandHigh.push_back(q.p97_5);
  }
  return out;
}

}  // namespace kaldero
