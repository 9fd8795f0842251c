#include "report/results_data.h"

#include "core/format.h"
#include "model/quantity_table.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/encoding.h"
#include "core/text.h"
#include "core/units.h"
#include "core/version.h"
#include "report/fit_data.h"

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

json testDescriptionDocument(const TestDescription& t, const ReductionWords* done) {
  const char* reductions[] = {"every line", "group means", "every k-th line"};
  const char* methods[] = {"exponential", "pchip", "zero time"};
  const int32_t rm = code(t.reductionMode), em = code(t.extrapolationMethod);
  return {
      {"time_unit", named(units::timeUnitName(t.timeUnit), code(t.timeUnit))},
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
      {"data_reduction",
       done ? json(done->why.empty() ? done->what : done->what + ": " + done->why)
            : rm >= 1 && rm <= 3 ? json(reductions[rm - 1])
                                 : named(nullptr, rm)},
      {"data_reduction_asked", rm >= 1 && rm <= 3 ? json(reductions[rm - 1]) : named(nullptr, rm)},
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

std::string name(QuantityId id) { return std::string(quantityName(id)); }

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
          {std::string(quantityName(QuantityId::DispersionCoefficient)), num(c.dispersion)}};
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

// "interrupted" for a call a signal ended (SIGINT, SIGTERM: exit status
// 128 + the signal), else "ended".
const char* runStatusName(int exitStatus) {
  return exitStatus == 130 || exitStatus == 143 ? "interrupted" : "ended";
}

const char* statusName(StationStatus status) {
  switch (status) {
    case StationStatus::Analysed: return "analysed";
    case StationStatus::NotRun: return "not run";
    default: return "stopped";
  }
}

std::vector<std::pair<std::string, ResultValue>> stationResults(const StationRecord& st) {
  const bool have = st.results && st.results->complete();
  std::vector<std::pair<std::string, ResultValue>> out =
      listingQuantities(have ? &*st.results : nullptr);
  for (auto& q : signedQuantities(have && st.signedEstimates ? &*st.signedEstimates : nullptr))
    out.push_back(std::move(q));
  return out;
}

namespace {

json statedError(const StatedError& e) {
  if (e.none()) return 0;
  return e.text;
}

// The law each stated error is drawn from, as --help and the README name
// them.
json perturbationLaws() {
  return {{"conc_error", "normal, each sample (AR(1) with conc_error_correlation); relative: "
                         "times the concentration"},
          {"discharge_error", "one a draw for the whole record: relative, the record divided by a "
                              "lognormal factor of mean 1 with that relative standard deviation "
                              "(the measurement is the truth times the factor); absolute, a "
                              "normal offset"},
          {"detection_limit", "readings below it censored: before the curve the rising limb "
                              "continued, after it the recession continued, between detected "
                              "readings uniform from the background to the limit"},
          {"discharge_noise", "normal, each sample"},
          {"background_error", "normal, one a draw"},
          {"time_error", "normal, each sample, the times then put in order"},
          {"tail_methods", "all: each draw's method drawn uniformly among those that apply"}};
}

json statedErrorsJson(const UncertaintyRequest& u) {
  return {{"conc_error", statedError(u.concentration)},
          {"conc_error_correlation", u.concentrationCorrelation},
          {"discharge_error", statedError(u.discharge)},
          {"discharge_noise", statedError(u.dischargeNoise)},
          {"background_error", statedError(u.background)},
          {"time_error", u.timeError},
          {"tail_methods", u.allTailMethods ? "all" : "own"},
          {"laws", perturbationLaws()}};
}

json uncertainty(const UncertaintyResult& r, const UncertaintyRequest& request) {
  json quantities = json::object();
  for (const QuantityInterval& q : r.quantities)
    quantities[q.name] = {{"p2_5", q.p2_5}, {"p50", q.p50}, {"p97_5", q.p97_5}, {"draws", q.values}};
  json stopped = json::array();
  for (const auto& [why, count] : r.stopped) stopped.push_back({{"reason", why}, {"draws", count}});
  return {{"draws", r.draws},
          {"seed", request.seed},
          {"station_seed", std::to_string(r.seed)},
          {"errors", statedErrorsJson(request)},
          {"draws_completed", r.completed},
          {"draws_tail_by_another_method", r.otherTailMethod},
          {"draws_stopped", stopped},
          {"quantities", quantities}};
}

// The files written, with their kinds (and a figure's format).
json outputs(const std::vector<OutputRecord>& files) {
  json list = json::array();
  for (const OutputRecord& f : files) {
    json o = {{"file", f.name}, {"kind", f.kind}};
    if (!f.format.empty()) o["format"] = f.format;
    list.push_back(o);
  }
  return list;
}

}  // namespace

// A reach's upstream errors carried into its intervals; null when the flux
// was taken as exact.
json upstreamErrors(const InputErrors& e) {
  if (!e.any()) return nullptr;
  return {{"offset_ug_per_L", e.offset * 1e-3},
          {"relative", e.relative},
          {"correlation_time_s", e.correlationTime}};
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
    s["outputs"] = outputs(st.outputs);
    // What the data pass made of the lines is known once it ran.
    const bool read = st.recordReads > 0 || st.samplesAnalysed > 0;
    s["test_description"] =
        st.headerRead ? testDescriptionDocument(st.test, read ? &st.reduction : nullptr)
                      : json(nullptr);
    s["data_lines"] = st.headerRead ? json(st.dataLines) : json(nullptr);
    s["samples_analysed"] = read ? json(st.samplesAnalysed) : json(nullptr);
    s[std::string(kExtrapolatedShareName)] =
        st.extrapolatedShare ? json(*st.extrapolatedShare) : json(nullptr);
    if (run.detectionLimit) s["detection_limit"] = num(*run.detectionLimit);
    if (st.results && st.results->complete()) {
      json results = json::object();
      for (const auto& [key, value] : stationResults(st)) results[key] = toJson(value);
      s["results"] = results;
      s["chatwin"] = chatwin(*st.results->chatwin);
      if (!st.signedWhyNot.empty()) s["signed_estimates_not_made"] = st.signedWhyNot;
    } else {
      s["results"] = nullptr;
      s["chatwin"] = nullptr;
    }
    if (st.fit) s["fit"] = fitDocument(*st.fit, run.release.flowZoneArrivalHours);
    if (st.uncertainty && run.uncertainty) s["uncertainty"] = uncertainty(*st.uncertainty, *run.uncertainty);
    if (!st.uncertaintyNotMade.empty()) s["uncertainty_not_made"] = st.uncertaintyNotMade;
    s["reports"] = reports(st.reports);
    stations.push_back(s);
  }
  doc["stations"] = stations;
  if (run.reachesAsked) {
    json reaches = json::array();
    for (const RunRecord::Reach& r : run.reaches)
      reaches.push_back({{"from", r.from},
                         {"to", r.to},
                         {"length_m", r.length},
                         {"upstream_flux_at_end_share", r.upstreamEndShare},
                         {"upstream_errors", upstreamErrors(r.fit.inputErrors)},
                         {"fit", fitDocument(r.fit, run.release.flowZoneArrivalHours)},
                         {"outputs", outputs(r.outputs)}});
    doc["reaches"] = reaches;
  }
  if (run.joint) {
    const JointFitResult& j = *run.joint;
    json parts = json::array();
    for (const JointFitPart& p : j.parts)
      parts.push_back({{"from", p.from.empty() ? json(nullptr) : json(p.from)},
                       {"to", p.to},
                       {"length_m", p.length},
                       {"fit", fitDocument(p.fit, run.release.flowZoneArrivalHours)}});
    doc["joint"] = {{"fitted", j.fitted},
                    {"reason", j.reason},
                    {"samples", j.samples},
                    {"parameters", j.parameters},
                    {"effective_samples", j.effectiveSamples},
                    {"t_quantile", j.tQuantile},
                    {"log_likelihood", j.logLikelihood},
                    {"settled", j.settled},
                    {"caution", j.caution},
                    {"parts", parts},
                    {"outputs", outputs(run.jointOutputs)}};
  }
  if (run.totals) {
    const RunTotals& t = *run.totals;
    const auto& b = t.volume;
    doc["totals"] = {
        {name(QuantityId::RecoveredMass), num(t.recoveredMassKg)},
        {name(QuantityId::Volume), b ? num(t.sums.aquiferVolume) : json(nullptr)},
        {name(QuantityId::SurfaceArea), b && b->surfaceArea ? num(*b->surfaceArea) : json(nullptr)},
        {"final_sorption_coefficient_m",
         b && b->finalSorption && b->finalSorption->computed ? num(b->finalSorption->value)
                                                             : json(nullptr)},
        {"stations_included", run.stationsInTotals},
        {name(QuantityId::PercentRecovery),
         t.percentRecovery ? num(*t.percentRecovery) : json(nullptr)},
        {name(QuantityId::AccuracyIndex), t.accuracyIndex ? num(*t.accuracyIndex) : json(nullptr)}};
  } else {
    doc["totals"] = nullptr;
  }
  doc["run"] = {{"exit_status", run.exitStatus},
                {"status", runStatusName(run.exitStatus)},
                {"stations_analysed", run.analysedStations()},
                {"files_not_written", run.filesNotWritten},
                {"outputs", outputs(run.runFiles)},
                {"reports", reports(run.reports)}};
  textsAsUtf8(doc);
  return doc;
}

namespace {

// A CSV field, in UTF-8 as the JSON texts: quoted when it holds a
// separator, a quote or a line end. A text that a spreadsheet would take
// as a formula (a leading =, +, -, @, tab or carriage return, as a station
// file named "=1+2.DAT") is written with a leading ' so that it stays text.
std::string csvField(const std::string& bytes) {
  std::string s = text::utf8Text(bytes);
  if (!s.empty() && std::string_view("=+-@\t\r").find(s.front()) != std::string_view::npos)
    s.insert(s.begin(), '\'');
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string csvValue(double v) { return fmt::shortest(v); }

std::string csvValue(const ResultValue& v) {
  if (std::holds_alternative<double>(v)) return csvValue(std::get<double>(v));
  if (std::holds_alternative<std::string>(v)) return csvField(std::get<std::string>(v));
  return {};
}

}  // namespace

std::string resultsTable(const std::vector<RunRecord>& runs) {
  const std::vector<std::pair<std::string, ResultValue>> names = stationResults(StationRecord{});
  // With several control files each row names its own; with the
  // uncertainty, every number has the 2.5, 50 and 97.5 % points of its
  // draws.
  const bool several = runs.size() > 1;
  bool intervals = false;
  for (const RunRecord& run : runs) intervals = intervals || run.uncertainty.has_value();
  // The quantities with intervals: every number of the results, then the
  // share of the load on an extrapolated tail.
  std::vector<std::string> intervalNames = numericQuantityNames();
  intervalNames.emplace_back(kExtrapolatedShareName);
  // With a flow-path fit at any station, the chosen model's parameters.
  bool fits = false;
  for (const RunRecord& run : runs)
    for (const StationRecord& st : run.stations) fits = fits || st.fit.has_value();
  std::string out = several ? "control_file,station_file,status" : "station_file,status";
  for (const auto& [key, value] : names) out += "," + key;
  out += "," + std::string(kExtrapolatedShareName);
  // The draws of each station: how many, how many stopped, and the seed
  // given (each station's draws use a stream of their own made from it).
  if (intervals) {
    out += ",uncertainty_draws,uncertainty_draws_stopped,uncertainty_seed";
    for (const std::string& n : intervalNames)
      out += "," + n + "_p2_5," + n + "_p50," + n + "_p97_5";
  }
  // With a reach fitted with bypasses, their columns.
  bool bypass = false;
  for (const RunRecord& run : runs)
    for (const RunRecord::Reach& r : run.reaches)
      bypass = bypass || r.fit.bypassTried();
  if (fits)
    for (const auto& [key, value] : fitColumns(nullptr, bypass)) out += "," + key;
  // With reach fits, a row per reach after the stations of its run: the
  // downstream station file, status "reach", the reach's fit in the fit
  // columns, and the upstream station and the reach length last.
  bool reaches = false;
  for (const RunRecord& run : runs) reaches = reaches || !run.reaches.empty();
  if (reaches) out += ",reach_from,reach_length_m";
  out += "\n";
  const std::size_t intervalFields = intervals ? 3 + 3 * intervalNames.size() : 0;
  for (const RunRecord& run : runs) {
    for (const StationRecord& st : run.stations) {
      if (several) out += csvField(run.controlFile) + ",";
      out += csvField(st.stationFile) + "," + statusName(st.status);
      for (const auto& [key, value] : stationResults(st)) out += "," + csvValue(value);
      out += "," + (st.extrapolatedShare ? csvValue(*st.extrapolatedShare) : std::string());
      if (intervals) {
        const UncertaintyResult* u = st.uncertainty ? &*st.uncertainty : nullptr;
        if (u && run.uncertainty)
          out += "," + std::to_string(u->draws) + "," + std::to_string(u->draws - u->completed) +
                 "," + std::to_string(run.uncertainty->seed);
        else
          out += ",,,";
        for (const std::string& n : intervalNames) {
          const QuantityInterval* q = st.uncertainty ? st.uncertainty->find(n) : nullptr;
          out += q ? "," + csvValue(q->p2_5) + "," + csvValue(q->p50) + "," + csvValue(q->p97_5)
                   : ",,,";
        }
      }
      if (fits)
        for (const auto& [key, value] : fitColumns(st.fit ? &*st.fit : nullptr, bypass))
          out += "," + csvValue(value);
      if (reaches) out += ",,";
      out += "\n";
    }
    for (const RunRecord::Reach& r : run.reaches) {
      if (several) out += csvField(run.controlFile) + ",";
      out += csvField(r.to) + ",reach";
      // No listing values, extrapolated share or draws of a reach.
      out += std::string(names.size() + 1 + intervalFields, ',');
      if (fits)
        for (const auto& [key, value] : fitColumns(&r.fit, bypass)) out += "," + csvValue(value);
      out += "," + csvField(r.from) + "," + csvValue(r.length) + "\n";
    }
  }
  return out;
}

json resultsDocument(const std::vector<RunRecord>& runs, int exitStatus, int filesNotWritten,
                     const std::vector<ShownReport>& shown) {
  if (runs.size() == 1) return resultsDocument(runs.front());
  json doc;
  doc["program"] = std::string(kProgramName);
  doc["version"] = std::string(kProgramVersion);
  json list = json::array();
  for (const RunRecord& run : runs) {
    json one = resultsDocument(run);
    one.erase("program");
    one.erase("version");
    one["control_file"] = run.controlFile;
    one["folder"] = run.folder;
    list.push_back(std::move(one));
  }
  doc["runs"] = std::move(list);
  doc["run"] = {{"exit_status", exitStatus},
                {"status", runStatusName(exitStatus)},
                {"stations_analysed", analysedStations(runs)},
                {"files_not_written", filesNotWritten},
                {"reports", reports(shown)}};
  textsAsUtf8(doc);
  return doc;
}

}  // namespace kaldero
