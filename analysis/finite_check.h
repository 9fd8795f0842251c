// Whether the results of a step are finite numbers. A quantity beyond the
// range of single precision (about 3.4E+38) is never written: the station
// stops with a report naming the quantity, by the listing label it would
// have been written under. The checks cover every number the writers show.
#pragma once

#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "analysis/cxtfit.h"
#include "model/curve.h"
#include "model/results.h"
#include "model/setup.h"

namespace kaldero {

class FiniteCheck {
 public:
  void operator()(std::string_view quantity, float x) {
    if (!first_ && !std::isfinite(x)) first_ = std::string(quantity);
  }
  void operator()(std::string_view quantity, const std::optional<float>& x) {
    if (x) (*this)(quantity, *x);
  }
  void operator()(std::string_view quantity, std::span<const float> xs) {
    for (float x : xs) (*this)(quantity, x);
  }
  // The first quantity that is not finite.
  const std::optional<std::string>& first() const { return first_; }

 private:
  std::optional<std::string> first_;
};

void check(FiniteCheck& c, const ArrivalAndPeak& r);
void check(FiniteCheck& c, const TravelDistance& r);
void check(FiniteCheck& c, const MassRecovery& r);
void check(FiniteCheck& c, const ChatwinResults& r);
void check(FiniteCheck& c, const TransitTimes& r);
void check(FiniteCheck& c, const Transport& r);
void check(FiniteCheck& c, const FlowGeometry& r);
void check(FiniteCheck& c, const Recovery& r);
void check(FiniteCheck& c, const RunTotals& r);
void check(FiniteCheck& c, const cxtfit::Parameters& p);

// The first value of the knot curve (in the units of the station data
// file) that is not finite, by the name the report gives it.
std::optional<std::string> nonFiniteKnots(const Curve& knots);
// The same of the conditioned curve and the constants of the setup
// (internal units); the discharges only when they were measured.
std::optional<std::string> nonFiniteConditioned(const Curve& conditioned, DischargeMode mode,
                                                const StationSetup& setup);

// The first quantity of r that is not finite, if any.
template <class R>
std::optional<std::string> nonFinite(const R& r) {
  FiniteCheck c;
  check(c, r);
  return c.first();
}

}  // namespace kaldero
