// The record of a run as the driver keeps it: stations begun and finished,
// the stop report of a station that stopped, the stations not run after
// it, and the counts the end of the run reads.
#include "report/run_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kaldero {
namespace {

using Kind = ShownReport::Kind;

TEST(RunRecord, AFinishedStationKeepsItsFilesListingAndReports) {
  RunRecord run;
  run.folder = "north";
  EXPECT_FALSE(run.stationOpen());
  run.addRunReports({{Kind::Note, "before\n"}});
  run.startStation("A.DAT");
  ASSERT_TRUE(run.stationOpen());
  run.stations.back().status = StationStatus::Analysed;
  run.finishStation({{"A.OUT", "results listing", ""}, {"/tmp/A.PS", "data plot", "ps"}},
                    "listing\n", {{Kind::Warning, "careful\n"}});
  EXPECT_FALSE(run.stationOpen());
  const StationRecord& a = run.stations.back();
  EXPECT_EQ(a.stationFile, "A.DAT");
  // Named as the call knows them: relative names in the run's folder.
  ASSERT_EQ(a.outputs.size(), 2u);
  EXPECT_EQ(a.outputs[0].name, "north/A.OUT");
  EXPECT_EQ(a.outputs[1].name, "/tmp/A.PS");
  EXPECT_EQ(a.outputs[1].format, "ps");
  EXPECT_EQ(a.listing, "listing\n");
  EXPECT_EQ(a.stopReport, "");
  ASSERT_EQ(run.reports.size(), 1u);
  EXPECT_EQ(run.reports[0].text, "before\n");
  EXPECT_EQ(run.lastAnalysed(), &run.stations.back());
}

TEST(RunRecord, AStationThatStopsKeepsItsErrorsAndTheRestAreNotRun) {
  RunRecord run;
  run.startStation("A.DAT");
  run.stations.back().status = StationStatus::Analysed;
  run.finishStation({}, "", {});
  EXPECT_FALSE(run.stoppedInStation());
  run.recordNotRun({"X.DAT"});  // nothing stopped: nothing recorded
  EXPECT_EQ(run.stations.size(), 1u);
  run.startStation("B.DAT");
  run.finishStation({}, "", {{Kind::Error, "NO FILE\n"}, {Kind::Note, "a note\n"},
                             {Kind::Error, "STOPPED\n"}});
  EXPECT_EQ(run.stations.back().stopReport, "NO FILE\nSTOPPED\n");
  ASSERT_TRUE(run.stoppedInStation());
  run.recordNotRun({"C.DAT", "D.DAT"});
  ASSERT_EQ(run.stations.size(), 4u);
  EXPECT_EQ(run.stations[2].stationFile, "C.DAT");
  EXPECT_EQ(run.stations[3].status, StationStatus::NotRun);
  EXPECT_TRUE(run.stations[3].finished);
  EXPECT_EQ(run.stations[3].stopReport, "Not run: the run stopped at station B.DAT.");
  EXPECT_EQ(run.reachedStations(), 2);
  EXPECT_EQ(run.stoppedStations(), 1);
  EXPECT_EQ(run.lastAnalysed(), &run.stations[0]);
  RunRecord other;
  other.startStation("E.DAT");
  EXPECT_EQ(other.lastAnalysed(), nullptr);
  EXPECT_EQ(analysedStations({run, other, run}), 2);
}

}  // namespace
}  // namespace kaldero
