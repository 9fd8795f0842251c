#include "analysis/quantities.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace kaldero {

double singlePrecision(float x) {
  // The shortest decimal that reads back as the same float (0.1, not
  // 0.100000001), as a double.
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, x);
  *r.ptr = '\0';
  return std::strtod(buf, nullptr);
}

namespace {

ResultValue number(float x) {
  if (!std::isfinite(x)) return std::monostate{};
  return singlePrecision(x);
}

ResultValue opt(const std::optional<float>& x) { return x ? number(*x) : ResultValue{}; }

// A value the listing may repeat from an earlier station: only this
// station's own.
ResultValue own(const Carried& c) { return c.computed ? number(c.value) : ResultValue{}; }
ResultValue own(const std::optional<Carried>& c) { return c ? own(*c) : ResultValue{}; }

// The first of the flow forms' values that the station has.
template <class... T>
ResultValue firstOf(const std::optional<T>&... values) {
  ResultValue out;
  auto take = [&](const auto& v) {
    if (std::holds_alternative<std::monostate>(out) && v) out = number(*v);
  };
  (take(values), ...);
  return out;
}

}  // namespace

std::vector<std::pair<std::string, ResultValue>> listingQuantities(const StationResults* results) {
  static const StationResults kNone;
  const bool have = results != nullptr;
  const StationResults& r = have ? *results : kNone;
  auto v = [&](float x) { return have ? number(x) : ResultValue{}; };
  auto when = [&](const auto& x) { return have ? opt(x) : ResultValue{}; };
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
  return {
      {"recovered_mass_kg", v(m.mass.kilograms)},
      {"percent_recovery", when(rec.percent)},
      {"accuracy_index", when(rec.accuracyIndex)},
      {"lower_integration_limit_h", v(m.limits.lower / 3600.0f)},
      {"upper_integration_limit_h", v(m.limits.upper / 3600.0f)},
      {"first_arrival_h", v(r.arrival.firstArrival / 3600.0f)},
      {"peak_time_h", v(r.arrival.peakTime / 3600.0f)},
      {"peak_concentration_ug_per_L", v(r.arrival.peakConcentration / 1e3f)},
      {"travel_distance_m", v(r.distance.metres)},
      {"mean_transit_time_h", v(tt.meanTime.hours)},
      {"transit_time_variance_h2", v(tt.variance)},
      {"transit_time_standard_deviation_h", v(tt.standardDeviation.hours)},
      {"transit_time_skewness", when(tt.skewness)},
      {"transit_time_kurtosis", when(tt.kurtosis)},
      {"mean_velocity_m_per_s", v(tr.meanVelocity.perSecond)},
      {"velocity_standard_deviation_m_per_s",
       when(field(tr.velocitySpread, [](const VelocityInUnits& x) { return x.perSecond; }))},
      {"maximum_velocity_m_per_s", have ? own(tr.maxVelocity) : ResultValue{}},
      {"dispersion_coefficient_m2_per_s", v(tr.dispersion)},
      {"dispersion_method",
       have ? ResultValue{std::string(tr.dispersionFromMoments ? "moments" : "chatwin")}
            : ResultValue{}},
      {"moment_dispersion_coefficient_m2_per_s", v(tr.momentDispersion)},
      {"chatwin_dispersion_coefficient_m2_per_s", when(tr.chatwinDispersion)},
      {"dispersivity_m", when(tr.dispersivity)},
      {"peclet_number", when(tr.peclet)},
      {"peclet_class", have && tr.pecletClass ? ResultValue{*tr.pecletClass} : ResultValue{}},
      {"volume_m3", when(g.endedAtStart ? F{} : F(g.volume))},
      {"cross_section_m2",
       when(conduit ? F(conduit->crossSection)
                    : g.porous ? F(g.porous->crossSection)
                               : field(described, [](const auto& d) { return d.crossSection; }))},
      {"surface_area_m2",
       have ? firstOf(field(conduit, [](const auto& c) { return c.surfaceArea; }),
                      field(described, [](const auto& d) { return d.surfaceArea; }))
            : ResultValue{}},
      {"sorption_coefficient_m",
       have ? firstOf(field(conduit, [](const auto& c) { return c.sorption; }),
                      field(described, [](const auto& d) { return d.sorption; }))
            : ResultValue{}},
      {"head_loss_m",
       have ? (g.porous ? own(g.porous->headLoss)
                        : firstOf(field(conduit, [](const auto& c) { return c.headLoss; }),
                                  field(described, [](const auto& d) { return d.headLoss; })))
            : ResultValue{}},
      {"friction_factor",
       have ? firstOf(field(conduit, [](const auto& c) { return c.friction; }),
                      field(described, [](const auto& d) { return d.friction; }))
            : ResultValue{}},
      {"viscous_sublayer_mm",
       when(conduit ? conduit->sublayer : described ? described->sublayer : F{})},
      {"reynolds_number",
       have ? (g.porous ? own(g.porous->reynolds)
                        : firstOf(field(totals, [](const auto& t) { return t.reynolds; }),
                                  field(described, [](const auto& d) { return d.reynolds; })))
            : ResultValue{}},
      {"tube_diameter_m", when(field(totals, [](const auto& t) { return t.diameter.metres; }))},
      {"fissure_height_m", when(field(described, [](const auto& d) { return d.fissureHeight; }))},
      {"transport_width_m", when(field(described, [](const auto& d) { return d.width.metres; }))},
      {"hydraulic_conductivity_m_per_s",
       when(totals ? totals->conductivity : described ? described->conductivity : F{})},
      {"froude_number",
       when(totals ? F(totals->froude) : fractures ? fractures->froude : F{})},
      {"hydraulic_depth_m",
       have ? firstOf(field(totals, [](const auto& t) { return t.depth.metres; }),
                      field(described, [](const auto& d) { return d.depth.metres; }))
            : ResultValue{}},
      {"shear_velocity_m_per_s", have ? own(mt.shearVelocity) : ResultValue{}},
      {"schmidt_number", when(g.massTransfer ? F(mt.schmidt) : F{})},
      {"sherwood_number", when(g.massTransfer ? F(mt.sherwood) : F{})},
      {"mass_transfer_coefficient_m_per_s", when(mt.coefficient)},
      {"diffusion_layer_thickness_mm", have ? own(mt.diffusionLayer) : ResultValue{}},
  };
}

std::vector<std::pair<std::string, ResultValue>> signedQuantities(const SignedEstimates* e) {
  auto value = [](const std::optional<double>& x) {
    return x && std::isfinite(*x) ? ResultValue{*x} : ResultValue{};
  };
  return {
      {"signed_recovered_mass_kg", e ? value(e->massMicrograms * 1e-9) : ResultValue{}},
      {"signed_mean_transit_time_h", e ? value(e->meanTransitHours) : ResultValue{}},
      {"signed_percent_recovery", e ? value(e->percentRecovery) : ResultValue{}},
  };
}

std::vector<std::string> numericQuantityNames() {
  std::vector<std::string> out;
  for (const auto& [name, value] : listingQuantities(nullptr))
    if (name != "dispersion_method" && name != "peclet_class") out.push_back(name);
  for (const auto& [name, value] : signedQuantities(nullptr)) out.push_back(name);
  return out;
}

}  // namespace kaldero
