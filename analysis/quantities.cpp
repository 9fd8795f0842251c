#include "analysis/quantities.h"

#include <cmath>
#include <cstdlib>

#include "core/format.h"
#include "model/quantity_table.h"

namespace kaldero {

double singlePrecision(float x) {
  // The shortest decimal that reads back as the same float (0.1, not
  // 0.100000001), as a double.
  return std::strtod(fmt::shortest(x).c_str(), nullptr);
}

namespace {

// A quantity as the results hold it: none, a number (in the results'
// unit, before the table's conversion) or a word.
using Raw = std::variant<std::monostate, float, std::string>;

ResultValue number(float x) {
  if (!std::isfinite(x)) return std::monostate{};
  return singlePrecision(x);
}

Raw opt(const std::optional<float>& x) { return x ? Raw{*x} : Raw{}; }

// A value the listing may repeat from an earlier station: only this
// station's own.
Raw own(const Carried& c) { return c.computed ? Raw{c.value} : Raw{}; }
Raw own(const std::optional<Carried>& c) { return c ? own(*c) : Raw{}; }

// The first of the flow forms' values that the station has.
template <class... T>
Raw firstOf(const std::optional<T>&... values) {
  Raw out;
  auto take = [&](const auto& v) {
    if (std::holds_alternative<std::monostate>(out) && v) out = Raw{*v};
  };
  (take(values), ...);
  return out;
}

// The listing's quantities in the units the results hold them, by id.
std::vector<std::pair<QuantityId, Raw>> rawQuantities(const StationResults* results) {
  using Q = QuantityId;
  static const StationResults kNone;
  const bool have = results != nullptr;
  const StationResults& r = have ? *results : kNone;
  auto v = [&](float x) { return have ? Raw{x} : Raw{}; };
  auto when = [&](const auto& x) { return have ? opt(x) : Raw{}; };
  const MassRecovery m = r.mass.value_or(MassRecovery{});
  const TransitTimes tt = r.transit.value_or(TransitTimes{});
  const Transport tr = r.transport.value_or(Transport{});
  const FlowGeometry g = r.geometry.value_or(FlowGeometry{});
  const Recovery rec = r.recovery.value_or(Recovery{});
  const ChatwinResults cw = r.chatwin.value_or(ChatwinResults{});
  // The values of the flow form the station described.
  using F = std::optional<float>;
  const auto& conduit = g.conduit;
  const auto& totals = conduit ? conduit->totals : std::optional<ConduitForm::Totals>{};
  const auto& fractures = g.fractures;
  const auto& described =
      fractures ? fractures->described : std::optional<FractureForm::Described>{};
  const MassTransfer mt = g.massTransfer.value_or(MassTransfer{});
  auto field = [](const auto& o, auto get) -> F { return o ? F(get(*o)) : F{}; };
  const bool noDispersion = tr.dispersionUndefined();
  return {
      {Q::RecoveredMass, v(m.mass.kilograms)},
      {Q::PercentRecovery, when(rec.percent)},
      {Q::AccuracyIndex, when(rec.accuracyIndex)},
      {Q::LowerIntegrationLimit, v(m.limits.lower)},
      {Q::UpperIntegrationLimit, v(m.limits.upper)},
      {Q::FirstArrival, v(r.arrival.firstArrival)},
      {Q::PeakTime, v(r.arrival.peakTime)},
      {Q::PeakConcentration, v(r.arrival.peakConcentration)},
      {Q::TravelDistance, v(r.distance.metres)},
      {Q::MeanTransitTime, v(tt.meanTime.hours)},
      {Q::TransitTimeVariance, v(tt.variance)},
      {Q::TransitTimeStandardDeviation, v(tt.standardDeviation.hours)},
      {Q::TransitTimeSkewness, when(tt.skewness)},
      {Q::TransitTimeKurtosis, when(tt.kurtosis)},
      {Q::MeanVelocity, v(tr.meanVelocity.perSecond)},
      {Q::VelocityStandardDeviation,
       when(field(tr.velocitySpread, [](const VelocityInUnits& x) { return x.perSecond; }))},
      {Q::MaximumVelocity, have ? own(tr.maxVelocity) : Raw{}},
      {Q::DispersionCoefficient, noDispersion ? Raw{} : v(tr.dispersion)},
      {Q::DispersionMethod,
       have && !noDispersion
           ? Raw{std::string(tr.dispersionFromMoments ? "moments" : "chatwin")}
           : Raw{}},
      {Q::MomentDispersionCoefficient, v(tr.momentDispersion)},
      {Q::ChatwinDispersionCoefficient, when(tr.chatwinDispersion)},
      {Q::Dispersivity, when(tr.dispersivity)},
      {Q::PecletNumber, when(tr.peclet)},
      {Q::PecletClass, have && tr.pecletClass ? Raw{*tr.pecletClass} : Raw{}},
      {Q::Volume, when(g.endedAtStart ? F{} : F(g.volume))},
      {Q::CrossSection,
       when(conduit ? F(conduit->crossSection)
                    : g.porous ? F(g.porous->crossSection)
                               : field(described, [](const auto& d) { return d.crossSection; }))},
      {Q::SurfaceArea,
       have ? firstOf(field(conduit, [](const auto& c) { return c.surfaceArea; }),
                      field(described, [](const auto& d) { return d.surfaceArea; }))
            : Raw{}},
      {Q::SorptionCoefficient,
       have ? firstOf(field(conduit, [](const auto& c) { return c.sorption; }),
                      field(described, [](const auto& d) { return d.sorption; }))
            : Raw{}},
      {Q::HeadLoss,
       have ? (g.porous ? own(g.porous->headLoss)
                        : firstOf(field(conduit, [](const auto& c) { return c.headLoss; }),
                                  field(described, [](const auto& d) { return d.headLoss; })))
            : Raw{}},
      {Q::FrictionFactor,
       have ? firstOf(field(conduit, [](const auto& c) { return c.friction; }),
                      field(described, [](const auto& d) { return d.friction; }))
            : Raw{}},
      {Q::ViscousSublayer,
       when(conduit ? conduit->sublayer : described ? described->sublayer : F{})},
      {Q::ReynoldsNumber,
       have ? (g.porous ? own(g.porous->reynolds)
                        : firstOf(field(totals, [](const auto& t) { return t.reynolds; }),
                                  field(described, [](const auto& d) { return d.reynolds; })))
            : Raw{}},
      {Q::TubeDiameter, when(field(totals, [](const auto& t) { return t.diameter.metres; }))},
      {Q::FissureHeight, when(field(described, [](const auto& d) { return d.fissureHeight; }))},
      {Q::TransportWidth, when(field(described, [](const auto& d) { return d.width.metres; }))},
      {Q::HydraulicConductivity,
       when(totals ? totals->conductivity : described ? described->conductivity : F{})},
      {Q::FroudeNumber,
       when(totals ? F(totals->froude) : fractures ? fractures->froude : F{})},
      {Q::HydraulicDepth,
       have ? firstOf(field(totals, [](const auto& t) { return t.depth.metres; }),
                      field(described, [](const auto& d) { return d.depth.metres; }))
            : Raw{}},
      {Q::ShearVelocity, have ? own(mt.shearVelocity) : Raw{}},
      {Q::SchmidtNumber, when(g.massTransfer ? F(mt.schmidt) : F{})},
      {Q::SherwoodNumber, when(g.massTransfer ? F(mt.sherwood) : F{})},
      {Q::MassTransferCoefficient, when(mt.coefficient)},
      {Q::DiffusionLayerThickness, have ? own(mt.diffusionLayer) : Raw{}},
  };
}

}  // namespace

std::vector<std::pair<std::string, ResultValue>> listingQuantities(const StationResults* results) {
  std::vector<std::pair<std::string, ResultValue>> out;
  for (auto& [id, raw] : rawQuantities(results)) {
    const QuantityRow& row = quantityRow(id);
    ResultValue value;
    if (const float* x = std::get_if<float>(&raw))
      value = number(*x / row.divisor);
    else if (std::string* t = std::get_if<std::string>(&raw))
      value = std::move(*t);
    out.emplace_back(std::string(row.name), std::move(value));
  }
  return out;
}

std::vector<std::pair<std::string, ResultValue>> signedQuantities(const SignedEstimates* e) {
  auto value = [](const std::optional<double>& x) {
    return x && std::isfinite(*x) ? ResultValue{*x} : ResultValue{};
  };
  return {
      {std::string(quantityName(QuantityId::SignedRecoveredMass)),
       e ? value(e->massMicrograms * 1e-9) : ResultValue{}},
      {std::string(quantityName(QuantityId::SignedMeanTransitTime)),
       e ? value(e->meanTransitHours) : ResultValue{}},
      {std::string(quantityName(QuantityId::SignedPercentRecovery)),
       e ? value(e->percentRecovery) : ResultValue{}},
      {std::string(quantityName(QuantityId::FirstArrivalAboveLimit)),
       e ? value(e->firstArrivalAboveLimitHours) : ResultValue{}},
  };
}

std::vector<std::string> numericQuantityNames() {
  std::vector<std::string> out;
  for (const QuantityRow& row : quantityTable())
    if (!row.text) out.emplace_back(row.name);
  return out;
}

}  // namespace kaldero
