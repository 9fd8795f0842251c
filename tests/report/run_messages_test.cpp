// The run's console messages that decide what a user reads of a run's end:
// the draws that stopped (an error when every one did), and the interrupt.
#include "report/run_messages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "report/run_record.h"
#include "tests/support/capture.h"

namespace kaldero {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(RunMessages, DrawsThatStoppedAreANoteUnlessEveryOneDid) {
  UncertaintyResult u;
  u.draws = 100;
  u.completed = 56;
  u.stopped = {{"no tracer mass recovered", 44}};
  {
    testing::CapturedConsole cc;
    reportDrawsStopped(cc.console(), "ST.DAT", u);
    EXPECT_THAT(cc.output(), HasSubstr("ST.DAT: 44 OF 100 DRAWS STOPPED (44 no tracer mass recovered)"));
    EXPECT_THAT(cc.output(), Not(HasSubstr("NO INTERVALS")));
    const std::vector<ShownReport> shown = cc.console().takeReports();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, ShownReport::Kind::Note);
  }
  u.completed = 0;
  u.stopped = {{"no tracer mass recovered", 60}, {"the tail could not be extrapolated", 40}};
  testing::CapturedConsole cc;
  reportDrawsStopped(cc.console(), "ST.DAT", u);
  EXPECT_THAT(cc.output(), HasSubstr("100 OF 100 DRAWS STOPPED (60 no tracer mass recovered; 40 the "
                                     "tail could not be extrapolated); THE STATION HAS NO INTERVALS"));
  const std::vector<ShownReport> shown = cc.console().takeReports();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].kind, ShownReport::Kind::Error);
}

TEST(RunMessages, DrawsWhoseTailTookAnotherMethodAreSaid) {
  UncertaintyResult u;
  u.draws = u.completed = 400;
  u.otherTailMethod = 12;
  testing::CapturedConsole cc;
  reportDrawsStopped(cc.console(), "ST.DAT", u);
  EXPECT_THAT(cc.output(), HasSubstr("ST.DAT: 12 OF 400 DRAWS EXTRAPOLATED THEIR TAIL BY ANOTHER "
                                     "METHOD (THE ONE DRAWN FAILED)"));
}

TEST(RunMessages, AnInterruptNamesEveryFileWritten) {
  RunRecord run;
  StationRecord& st = run.stations.emplace_back();
  st.outputs = {{"A/ST.OUT", "results listing", ""}, {"A/ST_DAT.png", "data plot", "png"}};
  run.runFiles = {{"A/K_ALL.png", "campaign concentration plot", "png"}};
  const std::vector<OutputRecord> call{{"A/K_ALL.png", "campaign concentration plot", "png"},
                                       {"r.json", "results file", ""}};
  testing::CapturedConsole cc;
  reportInterrupted(cc.console(), "SIGTERM", {run}, call);
  const std::string out = cc.output();
  EXPECT_THAT(out, HasSubstr("INTERRUPTED (SIGTERM)"));
  for (const char* f : {"A/ST.OUT", "A/ST_DAT.png", "A/K_ALL.png", "r.json"})
    EXPECT_THAT(out, HasSubstr(std::string("   ") + f + "\n")) << f;
  // The campaign figure once, from the run's record.
  EXPECT_EQ(out.find("K_ALL.png"), out.rfind("K_ALL.png"));
}

}  // namespace
}  // namespace kaldero
