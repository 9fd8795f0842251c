// The results listing of a station, block by block from its results: the
// run stops where the analyses stopped, after the blocks written so far.
#include "report/station_listing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/stop.h"
#include "tests/support/station_fixture.h"

namespace kaldero {
namespace {

using testing::ReportCapture;
using testing::StationFixture;

// The results of a curve sampled every half hour for 30 h, its peak of
// 1000 ng/L at 10 h.
StationResults analysed(const StationFixture& f) {
  std::vector<float> T, C;
  for (int i = 0; i <= 60; ++i) {
    const float h = 0.5f * static_cast<float>(i);
    T.push_back(3600.0f * h);
    C.push_back(std::round(1000.0f * std::exp(-0.5f * (h - 10.0f) * (h - 10.0f) / 4.0f)));
  }
  return analyseStation(f.inputs(), testing::conditionedCurve(T, C), CarriedResults{});
}

// The listing as far as it was written, and the console text of the stop
// (empty when the run went on).
struct Written {
  std::string listing, stop;
};

Written write(const StationFixture& f, const StationResults& r) {
  ReportCapture out;
  const StationReport st{f.test, f.setup, f.stationFile};
  Written w;
  try {
    stopBeforeListing(out.console(), f.stationFile, r);
    writeTransportBlocks(out.target(), st, r);
    writeGeometryBlocks(out.target(), st, r);
  } catch (const Error& e) {
    EXPECT_EQ(e.exitStatus(), kExitStopped);
    w.stop = out.consoleText();
  }
  w.listing = out.listingText();
  return w;
}

bool has(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

TEST(StationListing, EveryBlockWhenTheAnalysesWentThrough) {
  const StationFixture f;
  const Written w = write(f, analysed(f));
  EXPECT_EQ(w.stop, "");
  EXPECT_TRUE(has(w.listing, "Listing of output for: ST.DAT"));
  EXPECT_TRUE(has(w.listing, "mean tracer transit time")) << w.listing;
  EXPECT_TRUE(has(w.listing, "Percent recovery of tracer injected")) << w.listing;
}

TEST(StationListing, TheRunStopsWhereTheAnalysesStopped) {
  const StationFixture f;
  const StationResults full = analysed(f);
  // A value not finite in the Chatwin step: before any block.
  StationResults r = full;
  r.stop = AnalysisStop{AnalysisStop::Kind::NonFinite, "Chatwin parameter"};
  r.stoppedAt = AnalysisStage::Chatwin;
  Written w = write(f, r);
  EXPECT_TRUE(has(w.stop, "Chatwin parameter")) << w.stop;
  EXPECT_EQ(w.listing, "");
  // No mass recovered for the transit times: the head only.
  r.stop = AnalysisStop{AnalysisStop::Kind::NoMassRecovered, ""};
  r.stoppedAt = AnalysisStage::Transit;
  w = write(f, r);
  EXPECT_TRUE(has(w.stop, "TRACER MASS=0")) << w.stop;
  EXPECT_TRUE(has(w.listing, "Listing of output for: ST.DAT"));
  EXPECT_FALSE(has(w.listing, "mean tracer transit time"));
  // A velocity not finite: the transit times, no velocities.
  r.stop = AnalysisStop{AnalysisStop::Kind::NonFinite, "Mean tracer velocity"};
  r.stoppedAt = AnalysisStage::Transport;
  w = write(f, r);
  EXPECT_TRUE(has(w.stop, "Mean tracer velocity")) << w.stop;
  EXPECT_TRUE(has(w.listing, "mean tracer transit time"));
  EXPECT_FALSE(has(w.listing, "Percent recovery of tracer injected"));
  // The geometry: after the velocities, before the flow geometry.
  r = full;
  r.stop = AnalysisStop{AnalysisStop::Kind::NonFinite, "Aquifer volume"};
  r.stoppedAt = AnalysisStage::Geometry;
  w = write(f, r);
  EXPECT_TRUE(has(w.stop, "Aquifer volume")) << w.stop;
  EXPECT_FALSE(has(w.listing, "Percent recovery of tracer injected"));
}

}  // namespace
}  // namespace kaldero
