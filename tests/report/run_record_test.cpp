// The record of a run as the driver keeps it: a station finished with its
// files and, when it stopped, its stop report; the stations not run after
// it; the counts the end of the run reads.
#include "report/run_record.h"

#include <gtest/gtest.h>

namespace kaldero {
namespace {

using Kind = ShownReport::Kind;

TEST(RunRecord, AStationThatStopsKeepsItsErrorsAndTheRestAreNotRun) {
  RunRecord run;
  run.folder = "north";
  run.startStation("A.DAT");
  run.stations.back().status = StationStatus::Analysed;
  run.finishStation({{"A.OUT", "results listing", ""}, {"/tmp/A.PS", "data plot", "ps"}},
                    "listing\n", {});
  EXPECT_FALSE(run.stationOpen());
  // Named as the call knows them: relative names in the run's folder.
  EXPECT_EQ(run.stations[0].outputs[0].name, "north/A.OUT");
  EXPECT_EQ(run.stations[0].outputs[1].name, "/tmp/A.PS");
  EXPECT_FALSE(run.stoppedInStation());
  run.recordNotRun({"X.DAT"});  // nothing stopped: nothing recorded
  EXPECT_EQ(run.stations.size(), 1u);
  run.startStation("B.DAT");
  run.finishStation({}, "", {{Kind::Error, "NO FILE\n"}, {Kind::Note, "a note\n"},
                             {Kind::Error, "STOPPED\n"}});
  EXPECT_EQ(run.stations[1].stopReport, "NO FILE\nSTOPPED\n");
  ASSERT_TRUE(run.stoppedInStation());
  run.recordNotRun({"C.DAT", "D.DAT"});
  ASSERT_EQ(run.stations.size(), 4u);
  EXPECT_EQ(run.stations[3].stationFile, "D.DAT");
  EXPECT_EQ(run.stations[3].status, StationStatus::NotRun);
  EXPECT_EQ(run.stations[3].stopReport, "Not run: the run stopped at station B.DAT.");
  EXPECT_EQ(run.reachedStations(), 2);
  EXPECT_EQ(run.stoppedStations(), 1);
  EXPECT_EQ(run.lastAnalysed(), &run.stations[0]);
  EXPECT_EQ(analysedStations({run, RunRecord{}, run}), 2);
}

}  // namespace
}  // namespace kaldero
