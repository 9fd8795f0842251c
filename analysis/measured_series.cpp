#include "analysis/measured_series.h"

#include <cmath>

#include "conditioning/detection_limit.h"
#include "core/units.h"
#include "numeric/decimation.h"
#include "numeric/pchip.h"

namespace kaldero {

namespace {

// One read of the record in internal units, double precision.
class InternalUnits {
 public:
  InternalUnits(const AnalysisInputs& in, const MeasuredRecord& r) : r_(r) {
    const TestDescription& t = in.test;
    tf_ = units::timeFactor(t.timeUnit);
    cf_ = units::concentrationFactor(t.concentrationUnit);
    background_ = on(t.backgroundOption) ? static_cast<double>(t.background) : 0.0;
    measured_ = t.dischargeMode == DischargeMode::Measured && r.dischargeColumn;
    unit_ = t.dischargeUnit;
    constant_ = t.dischargeMode == DischargeMode::Constant
                    ? static_cast<double>(in.setup.constantDischarge)
                    : 1.0;
  }
  double t(std::size_t i) const { return static_cast<double>(r_.T[i]) * tf_; }
  double c(std::size_t i) const { return (static_cast<double>(r_.C[i]) - background_) * cf_; }
  double q(std::size_t i) const {
    return measured_ ? static_cast<double>(units::dischargeToSI(r_.Q[i], unit_)) : constant_;
  }
  std::size_t size() const { return r_.T.size(); }

 private:
  const MeasuredRecord& r_;
  double tf_ = 1, cf_ = 1, background_ = 0, constant_ = 1;
  bool measured_ = false;
  DischargeUnit unit_{0};
};

// The first read at which the times do not increase, or the size.
std::size_t firstNotIncreasing(const InternalUnits& u) {
  for (std::size_t i = 1; i < u.size(); ++i)
    if (!(u.t(i) > u.t(i - 1))) return i;
  return u.size();
}

}  // namespace

MeasuredSeries measuredSeries(const AnalysisInputs& in, const MeasuredRecord& r) {
  const InternalUnits u(in, r);
  MeasuredSeries s;
  const std::size_t n = u.size();
  s.t.resize(n);
  s.c.resize(n);
  s.q.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    s.t[i] = u.t(i);
    s.c[i] = u.c(i);
    s.q[i] = u.q(i);
  }
  return s;
}

Expected<SignedEstimates> signedEstimates(const AnalysisInputs& in, const MeasuredRecord& r) {
  const InternalUnits u(in, r);
  const std::size_t n = u.size();
  if (n < 2) return reasonError("the record holds fewer than two samples");
  if (const std::size_t i = firstNotIncreasing(u); i < n)
    return reasonError("the record's times do not increase at its sample " +
                       std::to_string(i + 1));
  numeric::MonotoneIntegral load, moment;
  for (std::size_t i = 0; i < n; ++i) {
    const double t = u.t(i), f = u.c(i) * u.q(i);
    load.add(t, f);
    moment.add(t, f * t);
  }
  const double mass = load.finish(), first = moment.finish();
  if (!std::isfinite(mass) || !std::isfinite(first))
    return reasonError("an integral of the record is beyond the range of numbers");
  SignedEstimates e;
  e.massMicrograms = mass;
  if (mass > 0)
    e.meanTransitHours =
        first / mass / 3600.0 - static_cast<double>(in.release.flowZoneArrivalHours);
  // ug against the injected mg, as the listing's recovery.
  if (in.release.injectedMass != 0)
    e.percentRecovery = mass * 0.001 / static_cast<double>(in.release.injectedMass) * 100.0;
  return e;
}

Expected<SignedEstimates> censoredEstimates(const AnalysisInputs& in, MeasuredRecord& record,
                                            float detectionLimit, numeric::Random* rng,
                                            std::span<const float> original) {
  const TestDescription& t = in.test;
  const Censoring censoring(record.T, record.C, detectionLimit,
                            on(t.backgroundOption) ? t.background : 0.0f, original);
  replaceCensored(censoring, record.T, record.C, rng);
  Expected<SignedEstimates> e = signedEstimates(in, record);
  if (e && censoring.firstDetected())
    e->firstArrivalAboveLimitHours = static_cast<double>(record.T[*censoring.firstDetected()]) *
                                     units::timeFactor(t.timeUnit) / 3600.0;
  return e;
}

Expected<SignedEstimates> censoredRecordEstimates(const AnalysisInputs& in,
                                                  const MeasuredRecord& record,
                                                  float detectionLimit) {
  MeasuredRecord copy = record;
  return censoredEstimates(in, copy, detectionLimit);
}

DrawnRecord drawnRecord(const AnalysisInputs& in, const MeasuredRecord& r, std::size_t maxPoints) {
  const InternalUnits u(in, r);
  DrawnRecord out;
  const std::size_t n = u.size();
  out.reads = n;
  // The shape of the line is that of the file's values: the conversion to
  // internal units is increasing in both.
  const std::vector<std::size_t> kept = numeric::decimateInOnePass(
      std::span<const float>(r.T), std::span<const float>(r.C), maxPoints);
  out.index = kept;
  for (std::size_t i : kept) {
    out.t.push_back(u.t(i));
    out.c.push_back(u.c(i));
    out.q.push_back(u.q(i));
  }
  if (n < 2 || firstNotIncreasing(u) < n) return out;
  // The mass recovered up to each kept read, from the integral of every
  // read.
  numeric::MonotoneIntegral load;
  std::size_t next = 0;
  auto takeClosed = [&] {
    while (next < kept.size() && kept[next] <= load.closedIntervals()) {
      out.recovered.push_back(kept[next] == 0 ? 0.0 : load.value());
      ++next;
    }
  };
  for (std::size_t i = 0; i < n; ++i) {
    load.add(u.t(i), u.c(i) * u.q(i));
    takeClosed();
  }
  load.finish();
  takeClosed();
  return out;
}

}  // namespace kaldero
