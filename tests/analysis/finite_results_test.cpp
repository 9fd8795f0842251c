// Degenerate stations through the station steps: whatever the data, no
// number field of a listing or of the console shows NaN or an infinity.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "analysis/dispersion.h"
#include "core/stop.h"
#include "tests/support/analysis_context.h"
#include "tests/support/analysis_run.h"

namespace kaldero {
namespace {

bool showsNonFinite(const std::string& text) {
  return text.find("NaN") != std::string::npos || text.find("Inf") != std::string::npos;
}

const std::vector<float> kT{0, 3600, 7200, 10800, 14400, 18000};
const std::vector<float> kC{0, 1000, 4000, 2000, 500, 100};

struct Scenario {
  const char* name;
  std::function<void(testing::AnalysisRun&)> setUp;
  std::vector<float> T = kT, C = kC, Q = {};
};

TEST(FiniteResults, DegenerateStations) {
  const std::vector<Scenario> scenarios{
      {"no travel distance", [](auto& r) { r.test().distance = 0; }},
      {"no travel distance, porous zone",
       [](auto& r) {
         r.test().distance = 0;
         r.test().geometry = 3;
         r.test().conductivityUnit = 1;
         r.test().conductivity = 1e-3f;
       }},
      {"no travel distance, fractures",
       [](auto& r) {
         r.test().distance = 0;
         r.test().geometry = 4;
       }},
      {"discharge missing at some samples",
       [](auto& r) { r.test().dischargeMode = 1; }, kT, kC, {1, 0, 2, 0, 1, 0}},
      {"negative discharges",
       [](auto& r) { r.test().dischargeMode = 1; }, kT, kC, {-1, -2, 1, -1, -3, -1}},
      {"two samples", [](auto&) {}, {0, 3600}, {0, 500}},
      {"flow-zone arrival after the peak",
       [](auto& r) { r.control().flowZoneArrival = 4; }},
      {"flow-zone arrival after every sample",
       [](auto& r) { r.control().flowZoneArrival = 50; }},
      {"long release peaking at the first sample",
       [](auto& r) {
         r.control().releaseMode = 2;
         r.control().releaseDuration = 100;
         r.test().normalizedOption = 1;
       },
       kT, {5000, 1000, 500, 100, 50, 10}},
      {"long release starting after time 0",
       [](auto& r) {
         r.control().releaseMode = 2;
         r.control().releaseDuration = 3;
         r.test().normalizedOption = 1;
       },
       {3600, 7200, 10800, 14400}, {0, 4000, 4000, 100}},
      {"step release", [](auto& r) { r.control().releaseMode = 3; }},
      {"pulse as long as the curve",
       [](auto& r) {
         r.control().releaseMode = 2;
         r.control().releaseDuration = 2.4f;
       }},
      {"no injected mass", [](auto& r) { r.control().injectedMass = 0; }},
      {"fractures without volume, negative fissure height",
       [](auto& r) {
         r.test().geometry = 4;
         r.test().stationTotals = 0;
         r.test().conductivity = -2;
       }},
      {"porous zone with porosity 0 and screen echo",
       [](auto& r) {
         r.test().geometry = 3;
         r.test().conductivityUnit = 3;
         r.test().conductivity = 0.5f;
         r.test().porosity = 0;
         r.test().screenEcho = 1;
       }},
  };
  for (const auto& s : scenarios) {
    testing::AnalysisRun run;
    s.setUp(run);
    run.run(s.T, s.C, s.Q);
    run.finish();
    const std::string listing = run.listing();
    EXPECT_FALSE(showsNonFinite(listing)) << s.name << "\n" << listing;
    EXPECT_FALSE(showsNonFinite(run.console())) << s.name;
  }
}

TEST(FiniteResults, NoMassStopsBeforeAnyTransitTime) {
  // A single sample and a curve without discharge both recover nothing.
  for (const auto& [T, C, Q] : {std::tuple<std::vector<float>, std::vector<float>, std::vector<float>>{
                                    {0}, {100}, {1}},
                                {kT, kC, {0, 0, 0, 0, 0, 0}}}) {
    testing::AnalysisRun run;
    run.test().dischargeMode = 1;
    EXPECT_THROW(run.run(T, C, Q), RunStopped);
    EXPECT_NE(run.console().find("PROGRAM STOPPED BECAUSE NO TRACER MASS RECOVERED!!!"),
              std::string::npos);
    EXPECT_FALSE(showsNonFinite(run.listing()));
  }
}

TEST(FiniteResults, MeanTimeCorrectedToZero) {
  testing::ContextFixture f;
  f.results.meanTimeHours = 0;
  f.results.variance = 4;
  f.results.firstMoment = 0;
  f.results.distanceWeighted = 1000;
  f.results.zerothMoment = 1;
  f.results.lowerLimit = 0;
  f.results.upperLimit = 18000;
  std::vector<float> D(6);
  velocitiesAndDispersion(f.ctx(), 6, kT, kC, D, 0.0f, 0.0f);
  EXPECT_FALSE(showsNonFinite(f.listingText()));
}

}  // namespace
}  // namespace kaldero
