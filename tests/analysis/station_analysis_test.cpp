// The analysis of a station as one chain of steps: where it stops (no
// recovered mass, a quantity beyond the range of the numbers, named by its
// listing label), and the values it carries from station to station.
#include "analysis/station_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "analysis/finite_check.h"
#include "core/error.h"
#include "report/listing_lines.h"
#include "tests/support/station_fixture.h"
#include "tests/support/station_run.h"

namespace kaldero {
namespace {

using testing::conditionedCurve;
using testing::StationFixture;
using testing::StationRun;

const std::vector<float> kT{0, 3600, 7200, 10800, 14400, 18000};
const std::vector<float> kC{0, 1000, 4000, 2000, 500, 100};

// Which steps have results.
std::vector<bool> stepsWithResults(const StationResults& r) {
  return {r.mass.has_value(),      r.chatwin.has_value(),  r.transit.has_value(),
          r.transport.has_value(), r.geometry.has_value(), r.recovery.has_value()};
}

TEST(AnalyseStation, EveryStepOfACompleteStation) {
  StationFixture f;
  const StationResults r = analyseStation(f.inputs(), conditionedCurve(kT, kC), CarriedResults{});
  EXPECT_TRUE(r.complete());
  EXPECT_EQ(r.stoppedAt, AnalysisStage::Done);
  EXPECT_EQ(stepsWithResults(r), std::vector<bool>(6, true));
  EXPECT_EQ(r.distance.metres, 1000.0f);
  EXPECT_FALSE(r.distance.feet.has_value());
  // The station's own values are carried to the next one.
  EXPECT_TRUE(r.carried.maxVelocity.computed);
  EXPECT_EQ(r.carried.maxVelocity.value, r.transport->maxVelocity.value);
  EXPECT_TRUE(r.carried.conduit.reynolds.computed);
}

TEST(AnalyseStation, NoRecoveredMassStopsAtTheTransitTimes) {
  // Concentrations without tracer, and a curve without discharge.
  for (const auto& [C, Q, mode] :
       {std::tuple{std::vector<float>(6, 0.0f), std::vector<float>{}, DischargeMode::Constant},
        std::tuple{kC, std::vector<float>(6, 0.0f), DischargeMode::Measured}}) {
    StationFixture f;
    f.test.dischargeMode = mode;
    CarriedResults previous;
    previous.maxVelocity = {0.5f, true};
    const StationResults r = analyseStation(f.inputs(), conditionedCurve(kT, C, Q), previous);
    ASSERT_TRUE(r.stop.has_value());
    EXPECT_EQ(r.stop->kind, AnalysisStop::Kind::NoMassRecovered);
    EXPECT_EQ(r.stoppedAt, AnalysisStage::Transit);
    EXPECT_FALSE(r.complete());
    // The mass and the Chatwin method before it have their results, the
    // steps after it none.
    EXPECT_EQ(stepsWithResults(r), (std::vector<bool>{true, true, false, false, false, false}));
    EXPECT_EQ(r.mass->mass.micrograms, 0.0f);
    // What the earlier stations left stays, not computed by this one.
    EXPECT_EQ(r.carried.maxVelocity.value, 0.5f);
    EXPECT_FALSE(r.carried.maxVelocity.computed);
  }
}

// A quantity beyond single precision stops the analysis at the step that
// computes it, named by the label of the listing line it would have been
// written under; the steps before keep their results.
TEST(AnalyseStation, AQuantityBeyondRangeNamesItsListingLabel) {
  struct Case {
    const char* what;
    std::function<void(StationFixture&)> setUp;
    std::vector<float> C;
    AnalysisStage stage;
    std::string label;
  };
  const std::vector<Case> cases{
      {"a distance in feet beyond range",
       [](StationFixture& f) {
         f.test.distanceUnit = DistanceUnit::Feet;
         f.setup.distance = 3e38f;
       },
       kC, AnalysisStage::Arrival, "Distance from input to outflow point"},
      {"concentrations whose integral overflows", [](StationFixture&) {},
       {0, 3e38f, 3e38f, 3e38f, 1, 1}, AnalysisStage::Mass, "The quantity of tracer recovered"},
      {"a first moment that overflows", [](StationFixture&) {},
       {0, 1e34f, 1e34f, 1e33f, 1, 1}, AnalysisStage::Transit, "The mean tracer transit time"},
      {"a distance-weighted integral that overflows",
       [](StationFixture& f) { f.setup.distance = 1e33f; }, kC, AnalysisStage::Transport,
       "The mean tracer velocity"},
      {"a dispersion that overflows", [](StationFixture& f) { f.setup.distance = 1e30f; }, kC,
       AnalysisStage::Transport, "Dispersion coefficient"},
  };
  for (const Case& c : cases) {
    StationFixture f;
    c.setUp(f);
    const StationResults r = analyseStation(f.inputs(), conditionedCurve(kT, c.C), {});
    ASSERT_TRUE(r.stop.has_value()) << c.what;
    EXPECT_EQ(r.stop->kind, AnalysisStop::Kind::NonFinite) << c.what;
    EXPECT_EQ(r.stop->quantity, c.label) << c.what;
    EXPECT_EQ(r.stoppedAt, c.stage) << c.what;
    // The step that stopped keeps its result (to show what it could), the
    // later ones have none.
    const std::vector<bool> steps = stepsWithResults(r);
    const auto stage = static_cast<std::size_t>(c.stage);
    for (std::size_t i = 0; i < steps.size(); ++i)
      EXPECT_EQ(steps[i], i + 1 <= stage) << c.what << ": step " << i;
  }
  // Each label is the one a listing line shows.
  StationRun run;
  run.test().normalizedOption = Option::On;
  run.run(kT, kC);
  const std::string listing = run.listing();
  for (const Case& c : cases)
    EXPECT_NE(listing.find(std::string(15, ' ') + c.label + " "), std::string::npos) << c.label;
}

TEST(AnalyseStation, TheRunStopsWithTheReportBeforeTheValueIsListed) {
  // Through the listing: the transit times are written, then the report
  // names the velocity and the run stops; no velocity line is written.
  StationRun run;
  run.setup().distance = 1e33f;
  try {
    run.run(kT, kC);
    FAIL() << "the run went on";
  } catch (const Error& e) {
    EXPECT_EQ(e.exitStatus(), 1);
  }
  EXPECT_NE(run.consoleText().find("GIVES A VALUE OF \"The mean tracer velocity\""),
            std::string::npos)
      << run.consoleText();
  const std::string listing = run.listing();
  EXPECT_NE(listing.find("The mean tracer transit time"), std::string::npos);
  EXPECT_EQ(listing.find("The mean tracer velocity"), std::string::npos);
  EXPECT_EQ(listing.find(std::string(10, '*') + " "), std::string::npos);  // no field of stars
}

TEST(FiniteCheck, NamesTheFirstQuantityThatIsNotFinite) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  FiniteCheck c;
  c("first", 1.0f);
  c("absent", std::optional<float>{});
  EXPECT_FALSE(c.first().has_value());
  c("second", std::vector<float>{1, nan, 2});
  c("third", inf);
  EXPECT_EQ(c.first(), "second");

  // Every displayed form of a value is checked: the hours of a mean time,
  // a velocity per day, a spread that is shown, a length in feet, a
  // carried hydraulic value.
  TransitTimes t;
  t.meanTime.hours = inf;
  EXPECT_EQ(nonFinite(t), "The mean tracer transit time");
  t = TransitTimes{};
  t.kurtosis = nan;
  EXPECT_EQ(nonFinite(t), "kurtosis of the transit time");
  Transport v;
  v.maxVelocityUnits.perDay = inf;
  EXPECT_EQ(nonFinite(v), "The maximum tracer velocity");
  v = Transport{};
  v.velocitySpread = VelocityInUnits{1, inf, 1};
  EXPECT_EQ(nonFinite(v), "Standard deviation for tracer velocity");
  FlowGeometry g;
  g.fractures = FractureForm{};
  g.fractures->described = FractureForm::Described{};
  g.fractures->described->width.feet = inf;
  EXPECT_EQ(nonFinite(g), "Based on an estimated transport width");
  g = FlowGeometry{};
  g.porous = PorousForm{};
  g.porous->headLoss = Carried{nan, false};
  EXPECT_EQ(nonFinite(g), "Hydraulic head loss along channel");
  // A Chatwin method without a line has nothing to show.
  ChatwinResults cw;
  cw.intercept = nan;
  EXPECT_FALSE(nonFinite(cw).has_value());
  cw.fitted = true;
  EXPECT_EQ(nonFinite(cw), "Chatwin fit intercept");
  // A geometry step that ended at its start shows nothing either.
  g = FlowGeometry{};
  g.conduit = ConduitForm{};
  g.conduit->volume = inf;
  EXPECT_EQ(nonFinite(g), "Flow-channel volume estimate");
  g.endedAtStart = true;
  EXPECT_FALSE(nonFinite(g).has_value());
  // The run totals name the volume by the flow form's label.
  RunTotals totals;
  totals.volume = RunTotals::VolumeBlock{};
  totals.volume->aquifer = false;
  totals.sums.aquiferVolume = inf;
  EXPECT_EQ(nonFinite(totals), "Total transport zone volume estimate");
}

// ----------------------------------------------------- carried values

TEST(CarriedResults, TheNextStationStartsWithTheValuesNotComputed) {
  CarriedResults c;
  c.maxVelocity = {0.25f, true};
  c.conduit.headLoss = {3, true};
  c.porous.reynolds = {7, true};
  c.fracture.shearVelocity = {0.5f, true};
  c.diffusionLayer = {0.001f, true};
  const CarriedResults next = c.forNextStation();
  EXPECT_EQ(next.maxVelocity.value, 0.25f);
  EXPECT_EQ(next.conduit.headLoss.value, 3.0f);
  EXPECT_EQ(next.porous.reynolds.value, 7.0f);
  EXPECT_EQ(next.fracture.shearVelocity.value, 0.5f);
  EXPECT_EQ(next.diffusionLayer.value, 0.001f);
  for (const Carried* v : {&next.maxVelocity, &next.conduit.headLoss, &next.porous.reynolds,
                           &next.fracture.shearVelocity, &next.diffusionLayer,
                           &next.conduit.friction})
    EXPECT_FALSE(v->computed);
}

// The maximum-velocity lines of a listing.
std::string maxVelocityLines(float v) {
  return lines::labelled(15, "The maximum tracer velocity", lines::g10(v * 86400), "m/d") + "\n" +
         lines::continued(lines::g10(v * 3600), "m/hr") + "\n" +
         lines::continued(lines::g10(v), "m/s") + "\n";
}

TEST(CarriedResults, AMaximumVelocityOfThePreviousStationIsListedButNotComputed) {
  StationRun run;
  run.test().listingName = text::padded("ST1.OUT");
  run.run(kT, kC);
  const float first = run.results().transport->maxVelocity.value;
  ASSERT_TRUE(run.results().transport->maxVelocity.computed);
  EXPECT_FLOAT_EQ(first, 1000.0f / 3600.0f);  // the first sample with tracer, at 1 h
  // The second station's tracer reaches the flow zone after every sample:
  // no sample gives a maximum velocity.
  run.test().listingName = text::padded("ST2.OUT");
  run.release().flowZoneArrivalHours = 10;
  run.run(kT, kC);
  const Carried second = run.results().transport->maxVelocity;
  EXPECT_EQ(second.value, first);
  EXPECT_FALSE(second.computed);
  EXPECT_NE(run.file("ST2.OUT").find(maxVelocityLines(first)), std::string::npos)
      << run.file("ST2.OUT");
  EXPECT_EQ(run.carried().maxVelocity.value, first);
  // A third station that has one computes its own.
  run.test().listingName = text::padded("ST3.OUT");
  run.release().flowZoneArrivalHours = 0;
  run.setup().distance = 500;
  run.run(kT, kC);
  EXPECT_TRUE(run.results().transport->maxVelocity.computed);
  EXPECT_FLOAT_EQ(run.results().transport->maxVelocity.value, 500.0f / 3600.0f);
}

TEST(FiniteCheck, TheCurvesBeforeTheAnalysesByTheirReportNames) {
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(nonFiniteKnots(Curve{{0, 1}, {1, 2}, {1, 1}}), std::nullopt);
  EXPECT_EQ(nonFiniteKnots(Curve{{0, 1}, {1, 2}, {1, inf}}), "interpolated discharge");
  EXPECT_EQ(nonFiniteKnots(Curve{{0, inf}, {1, inf}, {1, inf}}), "knot time");
  StationSetup setup;
  setup.distance = 1000;
  const Curve cv{{0, 3600}, {1, 2}, {NAN, 1}};
  // The discharges count only when they were measured.
  EXPECT_EQ(nonFiniteConditioned(cv, DischargeMode::Constant, setup), std::nullopt);
  EXPECT_EQ(nonFiniteConditioned(cv, DischargeMode::Measured, setup), "discharge in m3/s");
  setup.constantDischarge = inf;
  EXPECT_EQ(nonFiniteConditioned(cv, DischargeMode::Constant, setup),
            "constant discharge in m3/s");
  setup.constantDischarge = 1;
  setup.distance = inf;
  EXPECT_EQ(nonFiniteConditioned(cv, DischargeMode::Constant, setup), "travel distance in metres");
  EXPECT_EQ(nonFiniteConditioned(Curve{{0, 1}, {inf, 1}, {1, 1}}, DischargeMode::Constant, setup),
            "concentration in ng/L");
}

// The kinds of the station's warnings, in order.
std::vector<StationWarning::Kind> warningKinds(const StationResults& r) {
  std::vector<StationWarning::Kind> out;
  for (const StationWarning& w : r.warnings) out.push_back(w.kind);
  return out;
}

TEST(AnalyseStation, AReleaseLongerThanTheCurveAndAnImpossibleRecoveryAreWarned) {
  using K = StationWarning::Kind;
  StationFixture f;
  const StationResults plain =
      analyseStation(f.inputs(), conditionedCurve(kT, kC), CarriedResults{});
  EXPECT_TRUE(plain.warnings.empty());
  // A release of 1e36 h over a curve of 5 h.
  f.release.mode = ReleaseMode::Pulse;
  f.release.durationHours = 1e36f;
  const StationResults pulse =
      analyseStation(f.inputs(), conditionedCurve(kT, kC), CarriedResults{});
  const std::vector<K> kinds = warningKinds(pulse);
  ASSERT_FALSE(kinds.empty());
  EXPECT_EQ(kinds[0], K::ReleaseLongerThanCurve);
  EXPECT_FLOAT_EQ(pulse.warnings[0].b, 5.0f);
  // Recovered more than injected.
  StationFixture small;
  small.release.injectedMass = 1e-3f * small.release.injectedMass;
  const StationResults above =
      analyseStation(small.inputs(), conditionedCurve(kT, kC), CarriedResults{});
  ASSERT_TRUE(above.recovery && above.recovery->impossible);
  EXPECT_EQ(warningKinds(above), std::vector<K>{K::RecoveryAbove100});
  EXPECT_FLOAT_EQ(above.warnings[0].a, *above.recovery->percent);
}

}  // namespace
}  // namespace kaldero
