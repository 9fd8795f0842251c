// Degenerate stations through the station steps: whatever the data, every
// result is a finite number, so that no listing line or output file has to
// refuse one.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/dispersion.h"
#include "core/format.h"
#include "core/stop.h"
#include "tests/support/station_fixture.h"
#include "tests/support/station_run.h"

namespace kaldero {
namespace {

// The name of every result that is not a finite number.
std::vector<std::string> nonFinite(const AnalysisResults& r) {
  const std::pair<const char*, float> values[] = {
      {"lowerLimit", r.lowerLimit},
      {"upperLimit", r.upperLimit},
      {"recordedUpperLimit", r.recordedUpperLimit},
      {"firstArrival", r.firstArrival},
      {"peakConcentration", r.peakConcentration},
      {"peakTime", r.peakTime},
      {"chatwinPeak", r.chatwinPeak},
      {"recoveredMass", r.recoveredMass},
      {"recoveredMassGrams", r.recoveredMassGrams},
      {"firstMoment", r.firstMoment},
      {"comparisonTime", r.comparisonTime},
      {"distanceWeighted", r.distanceWeighted},
      {"meanTimeDays", r.meanTimeDays},
      {"meanTimeHours", r.meanTimeHours},
      {"meanTimeMinutes", r.meanTimeMinutes},
      {"variance", r.variance},
      {"standardDeviation", r.standardDeviation},
      {"longReleaseMoment", r.longReleaseMoment},
      {"zerothMoment", r.zerothMoment},
      {"skewness", r.skewness},
      {"kurtosis", r.kurtosis},
      {"meanVelocity", r.meanVelocity},
      {"meanVelocityHour", r.meanVelocityHour},
      {"meanVelocityDay", r.meanVelocityDay},
      {"velocitySpread", r.velocitySpread},
      {"momentDispersion", r.momentDispersion},
      {"dispersion", r.dispersion},
      {"dispersivity", r.dispersivity},
      {"peclet", r.peclet},
      {"aquiferVolume", r.aquiferVolume},
      {"surfaceArea", r.surfaceArea},
      {"crossSection", r.crossSection},
      {"sorption", r.sorption},
      {"froude", r.froude},
      {"schmidt", r.schmidt},
      {"sherwood", r.sherwood},
      {"massTransfer", r.massTransfer},
      {"geometry.diameter", r.geometry.diameter},
      {"geometry.depth", r.geometry.depth},
      {"geometry.conduitConductivity", r.geometry.conduitConductivity},
      {"geometry.conductivity", r.geometry.conductivity},
      {"geometry.width", r.geometry.width},
      {"geometry.fractureConductivity", r.geometry.fractureConductivity},
      {"geometry.shearVelocity", r.geometry.shearVelocity},
      {"percentRecovery", r.percentRecovery},
      {"accuracyIndex", r.accuracyIndex},
      {"kept.maxVelocity", r.kept.maxVelocity},
      {"kept.maxVelocityHour", r.kept.maxVelocityHour},
      {"kept.maxVelocityDay", r.kept.maxVelocityDay},
      {"kept.diffusionLayer", r.kept.diffusionLayer},
  };
  std::vector<std::string> out;
  for (const auto& [name, v] : values)
    if (!std::isfinite(v)) out.push_back(name);
  for (const auto* hy : {&r.kept.conduit, &r.kept.porous, &r.kept.fracture})
    for (float v : {hy->headLoss, hy->friction, hy->reynolds, hy->sublayer, hy->shearVelocity})
      if (!std::isfinite(v)) out.push_back("hydraulics");
  return out;
}

std::vector<std::string> nonFinite(const RunTotals& t) {
  std::vector<std::string> out;
  for (float v : {t.recoveredMass, t.aquiferVolume, t.surfaceArea, t.recoveredMassKg,
                  t.finalSorption, t.percentRecovery, t.accuracyIndex})
    if (!std::isfinite(v)) out.push_back("totals");
  return out;
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
    } catch (const fmt::NonFiniteQuantity& q) {
      ADD_FAILURE() << s.name << ": " << q.quantity << " is not a finite number";
    }
    EXPECT_EQ(nonFinite(run.results()), std::vector<std::string>{}) << s.name;
    EXPECT_EQ(nonFinite(run.state().totals), std::vector<std::string>{}) << s.name;
    const std::string listing = run.listing();
    EXPECT_FALSE(showsNonFinite(listing)) << s.name << "\n" << listing;
    EXPECT_FALSE(showsNonFinite(run.console())) << s.name;
  }
}

TEST(FiniteResults, NoMassStopsBeforeAnyTransitTime) {
  // A single sample and a curve without discharge both recover nothing.
  for (const auto& [T, C, Q] :
       {std::tuple<std::vector<float>, std::vector<float>, std::vector<float>>{{0}, {100}, {1}},
        {kT, kC, {0, 0, 0, 0, 0, 0}}}) {
    testing::StationRun run;
    run.test().dischargeMode = DischargeMode::Measured;
    EXPECT_THROW(run.run(T, C, Q), RunStopped);
    EXPECT_EQ(run.results().recoveredMass, 0.0f);
    EXPECT_NE(run.console().find("PROGRAM STOPPED BECAUSE NO TRACER MASS RECOVERED!!!"),
              std::string::npos);
    EXPECT_EQ(nonFinite(run.results()), std::vector<std::string>{});
    EXPECT_FALSE(showsNonFinite(run.listing()));
  }
}

TEST(FiniteResults, MeanTimeCorrectedToZero) {
  testing::StationFixture f;
  f.results.meanTimeHours = 0;
  f.results.variance = 4;
  f.results.firstMoment = 0;
  f.results.distanceWeighted = 1000;
  f.results.zerothMoment = 1;
  f.results.lowerLimit = 0;
  f.results.upperLimit = 18000;
  std::vector<float> D(6);
  velocitiesAndDispersion(f.notices, f.results, f.inputs(), 6, kT, kC, D);
  EXPECT_EQ(nonFinite(f.results), std::vector<std::string>{});
  EXPECT_EQ(f.results.meanVelocity, 0.0f);
  EXPECT_FALSE(f.results.pecletFormed);
}

}  // namespace
}  // namespace kaldero
