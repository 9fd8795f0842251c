// Degenerate stations through the station steps: whatever the data, every
// result is a finite number, so that no listing line or output file has to
// refuse one.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/dispersion.h"
#include "core/error.h"
#include "core/format.h"
#include "tests/support/station_fixture.h"
#include "tests/support/station_run.h"

namespace kaldero {
namespace {

// Every number of a station's results, by name.
class Numbers {
 public:
  void operator()(const std::string& name, float v) {
    if (!std::isfinite(v)) bad_.push_back(name);
  }
  void operator()(const std::string& name, const std::optional<float>& v) {
    if (v) (*this)(name, *v);
  }
  void operator()(const std::string& name, const Carried& v) { (*this)(name, v.value); }
  void operator()(const std::string& name, const std::optional<Carried>& v) {
    if (v) (*this)(name, v->value);
  }
  void operator()(const std::string& name, const std::vector<float>& vs) {
    for (float v : vs) (*this)(name, v);
  }
  void operator()(const std::string& name, const IntegrationLimits& l) {
    (*this)(name + ".lower", l.lower);
    (*this)(name + ".upper", l.upper);
  }
  void operator()(const std::string& name, const InDaysHoursMinutes& t) {
    (*this)(name, t.days);
    (*this)(name, t.hours);
    (*this)(name, t.minutes);
  }
  void operator()(const std::string& name, const VelocityInUnits& v) {
    (*this)(name, v.perDay);
    (*this)(name, v.perHour);
    (*this)(name, v.perSecond);
  }
  void operator()(const std::string& name, const Length& l) {
    (*this)(name, l.metres);
    (*this)(name, l.feet);
  }
  void operator()(const std::string& name, const FlowFormHydraulics& h) {
    for (const Carried* c : {&h.headLoss, &h.friction, &h.reynolds, &h.sublayer, &h.shearVelocity})
      (*this)(name, *c);
  }
  const std::vector<std::string>& bad() const { return bad_; }

 private:
  std::vector<std::string> bad_;
};

// The name of every result that is not a finite number.
std::vector<std::string> nonFinite(const StationResults& r) {
  Numbers n;
  n("distance", r.distance.metres);
  n("distance.feet", r.distance.feet);
  const ArrivalAndPeak& a = r.arrival;
  for (auto [name, v] : {std::pair{"firstArrival", a.firstArrival},
                         {"peakConcentration", a.peakConcentration},
                         {"peakTime", a.peakTime},
                         {"chatwinPeak", a.chatwinPeak}})
    n(name, v);
  if (const auto& m = r.mass) {
    n("limits", m->limits);
    n("momentLimits", m->momentLimits);
    for (auto [name, v] : {std::pair{"mass.micrograms", m->mass.micrograms},
                           {"mass.milligrams", m->mass.milligrams},
                           {"mass.grams", m->mass.grams},
                           {"mass.kilograms", m->mass.kilograms},
                           {"firstMoment", m->firstMoment},
                           {"comparisonTime", m->comparisonTime},
                           {"distanceWeighted", m->distanceWeighted}})
      n(name, v);
    n("mass.pounds", m->mass.pounds);
  }
  if (const auto& c = r.chatwin) {
    n("flowZoneVelocityCorrection", c->flowZoneVelocityCorrection);
    for (const auto* v :
         {&c->listedTimes, &c->listedParameters, &c->listedFits, &c->listedResiduals})
      n("chatwin listed points", *v);
    for (auto [name, v] : {std::pair{"chatwin.residual", c->residual},
                           {"chatwin.fitResidual", c->fitResidual},
                           {"chatwin.intercept", c->intercept},
                           {"chatwin.slope", c->slope},
                           {"chatwin.r", c->r},
                           {"chatwin.r2", c->r2},
                           {"chatwin.probability", c->probability},
                           {"chatwin.z", c->z},
                           {"chatwin.dispersion", c->dispersion}})
      n(name, v);
  }
  if (const auto& t = r.transit) {
    n("meanTime", t->meanTime);
    n("variance", t->variance);
    n("varianceUnits", t->varianceUnits);
    n("standardDeviation", t->standardDeviation);
    n("longReleaseMoment", t->longReleaseMoment);
    n("zerothMoment", t->zerothMoment);
    n("skewness", t->skewness);
    n("kurtosis", t->kurtosis);
    n("meanTimeInTimeUnit", t->meanTimeInTimeUnit);
    n("standardDeviationInTimeUnit", t->standardDeviationInTimeUnit);
  }
  if (const auto& v = r.transport) {
    n("meanVelocity", v->meanVelocity);
    if (v->velocitySpread) n("velocitySpread", *v->velocitySpread);
    n("momentDispersion", v->momentDispersion);
    n("chatwinDispersion", v->chatwinDispersion);
    n("dispersion", v->dispersion);
    n("dispersivity", v->dispersivity);
    n("peclet", v->peclet);
    n("maxVelocity", v->maxVelocity);
    n("maxVelocityUnits", v->maxVelocityUnits);
  }
  if (const auto& g = r.geometry) {
    n("volumeLimits", g->volumeLimits);
    n("volume", g->volume);
    n("surfaceArea", g->surfaceArea);
    n("conductivity", g->conductivity);
    if (const auto& c = g->conduit) {
      for (auto [name, v] : {std::pair{"conduit.volume", c->volume},
                             {"conduit.crossSection", c->crossSection},
                             {"conduit.surfaceArea", c->surfaceArea},
                             {"conduit.sorption", c->sorption},
                             {"conduit.headLoss", c->headLoss},
                             {"conduit.friction", c->friction}})
        n(name, v);
      n("conduit.sublayer", c->sublayer);
      if (c->volumeLimits) n("conduit.volumeLimits", *c->volumeLimits);
      if (const auto& t = c->totals) {
        n("conduit.reynolds", t->reynolds);
        n("conduit.diameter", t->diameter);
        n("conduit.conductivity", t->conductivity);
        n("conduit.froude", t->froude);
        n("conduit.depth", t->depth);
      }
    }
    if (const auto& p = g->porous) {
      n("porous.volume", p->volume);
      n("porous.crossSection", p->crossSection);
      n("porous.headLoss", p->headLoss);
      n("porous.reynolds", p->reynolds);
    }
    if (const auto& f = g->fractures) {
      n("fractures.froude", f->froude);
      if (const auto& d = f->described) {
        for (auto [name, v] : {std::pair{"fractures.volume", d->volume},
                               {"fractures.crossSection", d->crossSection},
                               {"fractures.fissureHeight", d->fissureHeight},
                               {"fractures.surfaceArea", d->surfaceArea},
                               {"fractures.sorption", d->sorption},
                               {"fractures.headLoss", d->headLoss},
                               {"fractures.friction", d->friction},
                               {"fractures.reynolds", d->reynolds}})
          n(name, v);
        n("fractures.sublayer", d->sublayer);
        n("fractures.width", d->width);
        n("fractures.conductivity", d->conductivity);
        n("fractures.depth", d->depth);
      }
    }
    if (g->porosityReset) n("porosityReset", g->porosityReset->percent);
    if (const auto& m = g->massTransfer) {
      n("massTransfer.shearVelocity", m->shearVelocity);
      n("massTransfer.schmidt", m->schmidt);
      n("massTransfer.sherwood", m->sherwood);
      n("massTransfer.coefficient", m->coefficient);
      n("massTransfer.diffusionLayer", m->diffusionLayer);
    }
  }
  if (const auto& p = r.recovery) {
    n("percentRecovery", p->percent);
    n("accuracyIndex", p->accuracyIndex);
  }
  n("output concentrations", r.outputConcentrations);
  n("carried.maxVelocity", r.carried.maxVelocity);
  n("carried.conduit", r.carried.conduit);
  n("carried.porous", r.carried.porous);
  n("carried.fracture", r.carried.fracture);
  n("carried.diffusionLayer", r.carried.diffusionLayer);
  return n.bad();
}

std::vector<std::string> nonFinite(const RunTotals& t) {
  Numbers n;
  n("totals", t.sums.recoveredMass);
  n("totals", t.sums.aquiferVolume);
  n("totals", t.sums.surfaceArea);
  n("totals", t.recoveredMassKg);
  n("totals", t.recoveredMassG);
  n("totals", t.recoveredMassMg);
  n("totals", t.recoveredMassUg);
  if (t.volume) {
    n("totals", t.volume->surfaceArea);
    n("totals", t.volume->finalSorption);
  }
  n("totals", t.percentRecovery);
  n("totals", t.accuracyIndex);
  return n.bad();
}

bool showsNonFinite(const std::string& text) {
  return text.find("NaN") != std::string::npos || text.find("Inf") != std::string::npos;
}

const std::vector<float> kT{0, 3600, 7200, 10800, 14400, 18000};
const std::vector<float> kC{0, 1000, 4000, 2000, 500, 100};

struct Scenario {
  const char* name;
  std::function<void(testing::StationRun&)> setUp;
  std::vector<float> T = kT, C = kC, Q = {};
};

TEST(FiniteResults, DegenerateStations) {
  const std::vector<Scenario> scenarios{
      {"no travel distance",
       [](auto& r) {
         r.test().distance = 0;
         r.setup().distance = 0;
       }},
      {"no travel distance, porous zone",
       [](auto& r) {
         r.test().distance = 0;
         r.setup().distance = 0;
         r.test().geometry = FlowForm::PorousZone;
         r.test().conductivityUnit = ConductivityUnit::Code1;
         r.test().conductivity = 1e-3f;
       }},
      {"no travel distance, fractures",
       [](auto& r) {
         r.test().distance = 0;
         r.setup().distance = 0;
         r.test().geometry = FlowForm::Fractures;
       }},
      {"discharge missing at some samples",
       [](auto& r) { r.test().dischargeMode = DischargeMode::Measured; },
       kT,
       kC,
       {1, 0, 2, 0, 1, 0}},
      {"negative discharges",
       [](auto& r) { r.test().dischargeMode = DischargeMode::Measured; },
       kT,
       kC,
       {-1, -2, 1, -1, -3, -1}},
      {"two samples", [](auto&) {}, {0, 3600}, {0, 500}},
      {"flow-zone arrival after the peak", [](auto& r) { r.release().flowZoneArrivalHours = 4; }},
      {"flow-zone arrival after every sample",
       [](auto& r) { r.release().flowZoneArrivalHours = 50; }},
      {"long release peaking at the first sample",
       [](auto& r) {
         r.release().mode = ReleaseMode::Pulse;
         r.release().durationHours = 100;
         r.test().normalizedOption = Option::On;
       },
       kT, {5000, 1000, 500, 100, 50, 10}},
      {"long release starting after time 0",
       [](auto& r) {
         r.release().mode = ReleaseMode::Pulse;
         r.release().durationHours = 3;
         r.test().normalizedOption = Option::On;
       },
       {3600, 7200, 10800, 14400},
       {0, 4000, 4000, 100}},
      {"step release", [](auto& r) { r.release().mode = ReleaseMode::Step; }},
      {"pulse as long as the curve",
       [](auto& r) {
         r.release().mode = ReleaseMode::Pulse;
         r.release().durationHours = 2.4f;
       }},
      {"no injected mass", [](auto& r) { r.release().injectedMass = 0; }},
      {"fractures without volume, negative fissure height",
       [](auto& r) {
         r.test().geometry = FlowForm::Fractures;
         r.test().stationTotals = Option::Off;
         r.test().conductivity = -2;
       }},
      {"porous zone with porosity 0 and screen echo",
       [](auto& r) {
         r.test().geometry = FlowForm::PorousZone;
         r.test().conductivityUnit = ConductivityUnit::Code3;
         r.test().conductivity = 0.5f;
         r.test().porosity = 0;
         r.test().screenEcho = Option::On;
       }},
  };
  for (const auto& s : scenarios) {
    testing::StationRun run;
    s.setUp(run);
    try {
      run.run(s.T, s.C, s.Q);
      run.finish();
    } catch (const Error& e) {
      ADD_FAILURE() << s.name << ": stopped: " << e.message << "\n" << run.consoleText();
    }
    EXPECT_TRUE(run.results().complete()) << s.name;
    EXPECT_EQ(nonFinite(run.results()), std::vector<std::string>{}) << s.name;
    ASSERT_TRUE(run.totals().has_value()) << s.name;
    EXPECT_EQ(nonFinite(*run.totals()), std::vector<std::string>{}) << s.name;
    const std::string listing = run.listing();
    EXPECT_FALSE(showsNonFinite(listing)) << s.name << "\n" << listing;
    EXPECT_FALSE(showsNonFinite(run.consoleText())) << s.name;
  }
}

TEST(FiniteResults, NoMassStopsBeforeAnyTransitTime) {
  // A single sample and a curve without discharge both recover nothing.
  for (const auto& [T, C, Q] :
       {std::tuple<std::vector<float>, std::vector<float>, std::vector<float>>{{0}, {100}, {1}},
        {kT, kC, {0, 0, 0, 0, 0, 0}}}) {
    testing::StationRun run;
    run.test().dischargeMode = DischargeMode::Measured;
    EXPECT_THROW(run.run(T, C, Q), Error);
    const StationResults& r = run.results();
    ASSERT_TRUE(r.mass.has_value());
    EXPECT_EQ(r.mass->mass.micrograms, 0.0f);
    ASSERT_TRUE(r.stop.has_value());
    EXPECT_EQ(r.stop->kind, AnalysisStop::Kind::NoMassRecovered);
    EXPECT_EQ(r.stoppedAt, AnalysisStage::Transit);
    EXPECT_FALSE(r.transit.has_value());
    EXPECT_NE(run.consoleText().find("PROGRAM STOPPED BECAUSE NO TRACER MASS RECOVERED!!!"),
              std::string::npos);
    EXPECT_EQ(nonFinite(r), std::vector<std::string>{});
    EXPECT_FALSE(showsNonFinite(run.listing()));
  }
}

TEST(FiniteResults, MeanTimeCorrectedToZero) {
  testing::StationFixture f;
  MassRecovery mass;
  mass.firstMoment = 0;
  mass.distanceWeighted = 1000;
  mass.limits = mass.momentLimits = {0, 18000};
  TransitTimes transit;
  transit.meanTime.hours = 0;
  transit.variance = 4;
  transit.zerothMoment = 1;
  const Transport r =
      velocitiesAndDispersion(f.inputs(), kT, kC, mass, transit, ChatwinResults{}, Carried{});
  StationResults station;
  station.transport = r;
  // No first moment: a velocity of 0 and no dispersivity (the station
  // analysis warns of it), never a value beyond the numbers.
  EXPECT_EQ(nonFinite(station), std::vector<std::string>{});
  EXPECT_EQ(r.meanVelocity.perSecond, 0.0f);
  EXPECT_FALSE(r.dispersivity.has_value());
}

}  // namespace
}  // namespace kaldero
