#include "report/results_data.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/encoding.h"
#include "core/text.h"
#include "core/version.h"

namespace kaldero {

using nlohmann::json;

namespace {

ResultValue number(float x) {
  if (!std::isfinite(x)) return std::monostate{};
  return singlePrecision(x);
}

json toJson(const ResultValue& v) {
  if (std::holds_alternative<double>(v)) return std::get<double>(v);
  if (std::holds_alternative<std::string>(v)) return std::get<std::string>(v);
  return nullptr;
}

json num(float x) { return toJson(number(x)); }

std::string name(const std::string& padded) { return text::trimmed(padded); }


const char* concentrationUnitName(ConcentrationUnit u) {
  switch (u) {
    case ConcentrationUnit::GramsPerLitre:
      return "g/L";
    case ConcentrationUnit::MilligramsPerLitre:
      return "mg/L";
    case ConcentrationUnit::MicrogramsPerLitre:
      return "ug/L";
    case ConcentrationUnit::NanogramsPerLitre:
      return "ng/L";
    default:
      return nullptr;
  }
}

const char* dischargeUnitName(DischargeUnit u) {
  static const char* const names[] = {"m3/d", "m3/h",  "m3/min", "m3/s",    "gpd",
                                      "gpm",  "ft3/d", "ft3/h",  "ft3/min", "ft3/s"};
  const int32_t c = code(u);
  return c >= 1 && c <= 10 ? names[c - 1] : nullptr;
}

const char* distanceUnitName(DistanceUnit u) {
  switch (u) {
    case DistanceUnit::Metres:
      return "m";
    case DistanceUnit::Feet:
      return "ft";
    case DistanceUnit::Kilometres:
      return "km";
    case DistanceUnit::Miles:
      return "mi";
    default:
      return nullptr;
  }
}

}  // namespace

const char* timeUnitName(TimeUnit u) {
  switch (u) {
    case TimeUnit::Days:
      return "d";
    case TimeUnit::Hours:
      return "h";
    case TimeUnit::Minutes:
      return "min";
    case TimeUnit::Seconds:
      return "s";
    default:
      return nullptr;
  }
}

const char* massUnitName(MassUnit u) {
  switch (u) {
    case MassUnit::Pounds:
      return "lb";
    case MassUnit::Kilograms:
      return "kg";
    case MassUnit::Grams:
      return "g";
    default:
      return "mg";
  }
}

namespace {

const char* flowFormName(FlowForm f) {
  switch (f) {
    case FlowForm::Conduit:
      return "conduit";
    case FlowForm::ConduitZone:
      return "conduit zone";
    case FlowForm::PorousZone:
      return "porous zone";
    case FlowForm::Fractures:
      return "fractures";
    default:
      return nullptr;
  }
}

}  // namespace

const char* releaseModeName(ReleaseMode m) {
  switch (m) {
    case ReleaseMode::Instantaneous:
      return "instantaneous";
    case ReleaseMode::Pulse:
      return "pulse";
    case ReleaseMode::Step:
      return "step";
    default:
      return nullptr;
  }
}

namespace {

// A name, or the code when the code has none.
json named(const char* n, int32_t c) {
  if (n) return n;
  return "code " + std::to_string(c);
}

json switches(const PlotSwitches& s) {
  return {{"listing", on(s.listing)},
          {"points", on(s.points)},
          {"curve", on(s.curve)},
          {"postscript", on(s.postscript)}};
}

}  // namespace

json testDescriptionDocument(const TestDescription& t) {
  const char* reductions[] = {"every line", "group means", "every k-th line"};
  const char* methods[] = {"exponential", "pchip", "zero time"};
  const int32_t rm = code(t.reductionMode), em = code(t.extrapolationMethod);
  return {
      {"time_unit", named(timeUnitName(t.timeUnit), code(t.timeUnit))},
      {"concentration_unit",
       named(concentrationUnitName(t.concentrationUnit), code(t.concentrationUnit))},
      {"background_subtracted", on(t.backgroundOption)},
      {"background", num(t.background)},
      {"discharge_mode", t.dischargeMode == DischargeMode::Measured ? json("measured")
                         : t.dischargeMode == DischargeMode::Constant
                             ? json("constant")
                             : named(nullptr, code(t.dischargeMode))},
      {"discharge_unit", named(dischargeUnitName(t.dischargeUnit), code(t.dischargeUnit))},
      {"constant_discharge",
       t.dischargeMode == DischargeMode::Constant ? num(t.constantDischarge) : json(nullptr)},
      {"station_totals", on(t.stationTotals)},
      {"distance", num(t.distance)},
      {"distance_unit", named(distanceUnitName(t.distanceUnit), code(t.distanceUnit))},
      {"sinuosity_corrected", t.sinuosityOption == 1},
      {"sinuosity", num(t.sinuosity)},
      {"flow_form", named(flowFormName(t.geometry), code(t.geometry))},
      {"porosity", num(t.porosity)},
      {"conductivity_unit_code", code(t.conductivityUnit)},
      {"conductivity", num(t.conductivity)},
      {"results_listing", name(t.listingName)},
      {"knots", on(t.knotOption)},
      {"knot_intervals", on(t.knotOption) ? json(t.knotIntervals) : json(nullptr)},
      {"interpolated_data_file", name(t.interpolatedName)},
      {"extrapolation", on(t.extrapolationOption)
                            ? (em >= 1 && em <= 3 ? json(methods[em - 1]) : named(nullptr, em))
                            : json("none")},
      {"data_plot", switches(t.dataPlot)},
      {"interpolated_plot", switches(t.interpolatedPlot)},
      {"chatwin",
       {{"table_on_screen", on(t.chatwinPlot.tableOnScreen)},
        {"table_file", on(t.chatwinPlot.tableFile)},
        {"screen_plot", on(t.chatwinPlot.screenPlot)},
        {"postscript", on(t.chatwinPlot.postscript)}}},
      {"cxtfit_file", on(t.cxtfitOption) ? json(name(t.cxtfitName)) : json(nullptr)},
      {"normalized_file", on(t.normalizedOption) ? json(name(t.normalizedName)) : json(nullptr)},
      {"load_file", on(t.loadOption) ? json(name(t.loadName)) : json(nullptr)},
      {"standardized_file",
       on(t.standardizedOption) ? json(name(t.standardizedName)) : json(nullptr)},
      {"screen_echo", on(t.screenEcho)},
      {"data_reduction", rm >= 1 && rm <= 3 ? json(reductions[rm - 1]) : named(nullptr, rm)},
  };
}

namespace {

const char* kindName(ShownReport::Kind k) {
  switch (k) {
    case ShownReport::Kind::Error:
      return "error";
    case ShownReport::Kind::Warning:
      return "warning";
    default:
      return "note";
  }
}

json reports(const std::vector<ShownReport>& shown) {
  json out = json::array();
  for (const ShownReport& r : shown) out.push_back({{"kind", kindName(r.kind)}, {"text", r.text}});
  return out;
}

json chatwin(const ChatwinResults& c) {
  if (!c.fitted) return {{"fitted", false}, {"points_used", c.fitPoints}};
  const int32_t listed = c.listed();
  return {{"fitted", true},
          {"intercept_s05", num(c.intercept)},
          {"slope", num(c.slope)},
          {"r", num(c.r)},
          {"r_squared", num(c.r2)},
          {"probability", num(c.probability)},
          {"z", num(c.z)},
          {"points_used", c.fitPoints},
          {"points_listed", listed},
          {"residual_s05", num(c.residual)},
          {"dispersion_coefficient_m2_per_s", num(c.dispersion)}};
}

json interval(const Estimate& e) { return json::array({e.lower, e.upper}); }

json fit(const FlowPathFitResult& f) {
  const PathModelFit* best = f.best();
  if (!best) return {{"fitted", false}, {"reason", f.reason}};
  json paths = json::array();
  for (const FittedPath& p : best->paths)
    paths.push_back({{"velocity_m_per_s", p.velocity.value},
                     {"velocity_ci95", interval(p.velocity)},
                     {"dispersion_m2_per_s", p.dispersion.value},
                     {"dispersion_ci95", interval(p.dispersion)},
                     {"mass_kg", p.mass.value * 1e-9},
                     {"mass_kg_ci95", json::array({p.mass.lower * 1e-9, p.mass.upper * 1e-9})},
                     {"mass_fraction", p.massFraction.value},
                     {"mass_fraction_ci95", interval(p.massFraction)},
                     {"dispersivity_m", p.dispersivity.value},
                     {"dispersivity_ci95", interval(p.dispersivity)},
                     {"peclet_number", p.peclet.value},
                     {"peclet_ci95", interval(p.peclet)}});
  json models = json::array();
  for (const PathModelFit& m : f.models) {
    json one = {{"paths", m.pathCount}, {"fitted", m.fitted}};
    if (m.fitted)
      one.update({{"r_squared", m.rSquared}, {"rmse", m.rmse * 1e-3}, {"aicc", m.aicc}});
    else
      one["reason"] = m.reason;
    models.push_back(one);
  }
  return {{"fitted", true},
          {"chosen_paths", best->pathCount},
          {"paths", paths},
          {"r_squared", best->rSquared},
          {"rmse", best->rmse * 1e-3},  // ug/L, as the concentrations
          {"aicc", best->aicc},
          {"degrees_of_freedom", best->degreesOfFreedom},
          {"models", models}};
}

// Every text of the document as valid UTF-8: names and report texts come
// from the input files as bytes (a Windows-1252 station name, say), and the
// JSON writer refuses text that is not UTF-8.
void textsAsUtf8(json& j) {
  if (j.is_string())
    j = text::utf8Text(j.get_ref<const std::string&>());
  else if (j.is_structured())
    for (json& member : j) textsAsUtf8(member);
}

}  // namespace

const char* statusName(StationStatus status) {
  switch (status) {
    case StationStatus::Analysed: return "analysed";
    case StationStatus::NotRun: return "not run";
    default: return "stopped";
  }
}

double singlePrecision(float x) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(x));
  return std::strtod(buf, nullptr);
}

namespace {

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

std::vector<std::pair<std::string, ResultValue>> stationResults(const StationRecord& st) {
  static const StationResults kNone;
  const bool have = st.results && st.results->complete();
  const StationResults& r = have ? *st.results : kNone;
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
      {"percent_recovery", v(rec.percent)},
      {"accuracy_index", v(rec.accuracyIndex)},
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
      {"dispersivity_m", v(tr.dispersivity)},
      {"peclet_number", when(tr.pecletFormed ? F(tr.peclet) : F{})},
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

json resultsDocument(const RunRecord& run) {
  json doc;
  doc["program"] = std::string(kProgramName);
  doc["version"] = std::string(kProgramVersion);
  if (run.controlRead) {
    const ControlValues& c = run.control;
    doc["control"] = {{"file", name(c.controlFileName)},
                      {"title", c.title},
                      {"injected_mass", num(c.injectedMass)},
                      {"mass_unit", massUnitName(c.massUnit)},
                      {"injected_mass_mg", num(run.release.injectedMass)},
                      {"release_mode", named(releaseModeName(c.releaseMode), code(c.releaseMode))},
                      {"release_duration_h", num(run.release.durationHours)},
                      {"flow_zone_arrival_h", num(c.flowZoneArrival)}};
  } else {
    doc["control"] = nullptr;
  }
  json stations = json::array();
  for (const StationRecord& st : run.stations) {
    json s;
    s["station_file"] = st.stationFile;
    s["status"] = statusName(st.status);
    s["stop_report"] = st.stopReport.empty() ? json(nullptr) : json(st.stopReport);
    json outputs = json::array();
    for (const OutputFile& f : st.outputs) {
      json o = {{"file", f.name}, {"kind", f.kind}};
      if (!f.format.empty()) o["format"] = f.format;
      outputs.push_back(o);
    }
    s["outputs"] = outputs;
    s["test_description"] = st.headerRead ? testDescriptionDocument(st.test) : json(nullptr);
    if (st.results && st.results->complete()) {
      json results = json::object();
      for (const auto& [key, value] : stationResults(st)) results[key] = toJson(value);
      s["results"] = results;
      s["chatwin"] = chatwin(*st.results->chatwin);
    } else {
      s["results"] = nullptr;
      s["chatwin"] = nullptr;
    }
    if (st.fit) s["fit"] = fit(*st.fit);
    s["reports"] = reports(st.reports);
    stations.push_back(s);
  }
  doc["stations"] = stations;
  if (run.totals) {
    const RunTotals& t = *run.totals;
    const auto& b = t.volume;
    doc["totals"] = {
        {"recovered_mass_kg", num(t.recoveredMassKg)},
        {"volume_m3", b ? num(t.sums.aquiferVolume) : json(nullptr)},
        {"surface_area_m2", b && b->surfaceArea ? num(*b->surfaceArea) : json(nullptr)},
        {"final_sorption_coefficient_m",
         b && b->finalSorption && b->finalSorption->computed ? num(b->finalSorption->value)
                                                             : json(nullptr)},
        {"percent_recovery", num(t.percentRecovery)},
        {"accuracy_index", num(t.accuracyIndex)}};
  } else {
    doc["totals"] = nullptr;
  }
  int analysed = 0;
  for (const StationRecord& st : run.stations) analysed += st.analysed() ? 1 : 0;
  doc["run"] = {{"exit_status", run.exitStatus},
                {"stations_analysed", analysed},
                {"files_not_written", run.filesNotWritten},
                {"reports", reports(run.reports)}};
  textsAsUtf8(doc);
  return doc;
}

namespace {

// A CSV field, in UTF-8 as the JSON texts: quoted when it holds a
// separator, a quote or a line end.
std::string csvField(const std::string& bytes) {
  const std::string s = text::utf8Text(bytes);
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string csvValue(const ResultValue& v) {
  if (std::holds_alternative<double>(v)) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", std::get<double>(v));
    return buf;
  }
  if (std::holds_alternative<std::string>(v)) return csvField(std::get<std::string>(v));
  return {};
}

}  // namespace

std::string resultsTable(const RunRecord& run) {
  const std::vector<std::pair<std::string, ResultValue>> names = stationResults(StationRecord{});
  std::string out = "station_file,status";
  for (const auto& [key, value] : names) out += "," + key;
  out += "\n";
  for (const StationRecord& st : run.stations) {
    out += csvField(st.stationFile) + "," + statusName(st.status);
    for (const auto& [key, value] : stationResults(st)) out += "," + csvValue(value);
    out += "\n";
  }
  return out;
}

}  // namespace kaldero
