// The console texts of the notices the steps return, each with its wait for
// Enter where it has one.
#include "report/notices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file_reports.h"
#include "tests/support/capture.h"

namespace kaldero {
namespace {

struct Written {
  std::string text;
  int waits = 0;  // keyboard lines read
};

// Writes one notice on a console whose keyboard has three lines; the lines
// it read are counted by what is left to read.
Written write(const Notice& n) {
  testing::CapturedConsole cc("1\n2\n3\n");
  writeNotice(cc.console(), n);
  Written w;
  w.text = cc.output();
  const auto next = cc.console().readLine();
  w.waits = next ? std::stoi(*next) - 1 : 3;
  return w;
}

const std::string kPause = "\n" + std::string(30, ' ') + "Press <RETURN> to continue program\n\n";

TEST(Notices, IntegrationReportsAndTheirWaits) {
  Written w = write({Notice::Kind::IntegrationDerivatives, -1});
  EXPECT_EQ(w.text, kStars80 +
                        "\n\n AN ERROR CALLING PCHEZ FOR INTEGRATION, IERR =           -1\n"
                        "Error may be recoverable -- press RETURN.\n\n\n" +
                        kStars80 + "\n");
  EXPECT_EQ(w.waits, 1);
  w = write({Notice::Kind::IntegrationLimits, 3});
  EXPECT_EQ(w.text, kStars80 +
                        "\n\n AN ERROR CALLING PCHQA, IERR =            3\n\n"
                        "This error is a only a warning - press RETURN.\n\n\n" +
                        kStars80 + "\n");
  EXPECT_EQ(w.waits, 1);
  // An error code that is not a warning is shown without a wait.
  w = write({Notice::Kind::IntegrationLimits, -2});
  EXPECT_EQ(w.text,
            kStars80 + "\n\n AN ERROR CALLING PCHQA, IERR =           -2\n\n" + kStars80 + "\n");
  EXPECT_EQ(w.waits, 0);
}

TEST(Notices, InterpolationReportsWaitOnce) {
  Written w = write({Notice::Kind::InterpolationDerivatives, -3});
  EXPECT_EQ(w.text,
            "\n\n     AN ERROR CALLING PCHEZ, IERR =           -3\n\n"
            "     PROGRAM PAUSED DUE TO ERROR IN DATA MANIPULATION\n");
  EXPECT_EQ(w.waits, 1);
  w = write({Notice::Kind::InterpolationValues, -1});
  EXPECT_EQ(w.text,
            "\n\n     AN ERROR CALLING PCHEV, IERR =           -1\n\n"
            "     PROGRAM PAUSE DUE TO ERROR IN DATA MANIPULATION\n");
  EXPECT_EQ(w.waits, 1);
}

TEST(Notices, TailReports) {
  Written w = write({Notice::Kind::TailTimeDifference, 0, 3.0f, 5.0f});
  EXPECT_EQ(w.text,
            "X(N2)    X(N1)    S\n"
            "          ERROR IN GRACON: TIME DIFFERENCE   0.300D+01 AND   0.500D+01 -0.200D+01"
            " IS NOT POSITIVE CHECK DATA SET\n" +
                kPause);
  EXPECT_EQ(w.waits, 1);
  w = write({Notice::Kind::TailFunctionViolation, 0, 4.0f, 4.0f});
  EXPECT_EQ(w.text, " GRACON FUNCTION VIOLATION    4.00000000       4.00000000    \n");
  EXPECT_EQ(w.waits, 0);
}

TEST(Notices, IncompleteBetaReportsWaitOnce) {
  Written w = write({Notice::Kind::BetaBadArgument});
  EXPECT_EQ(w.text, "             BAD ARGUMENT X1 IN BETAI\n");
  EXPECT_EQ(w.waits, 1);
  w = write({Notice::Kind::BetaNoConvergence});
  EXPECT_EQ(w.text, " A1 OR B1 TOO BIG, OR MAXIT TOO SMALL IN BETACF\n");
  EXPECT_EQ(w.waits, 1);
  w = write({Notice::Kind::EmptyLine});
  EXPECT_EQ(w.text, "\n");
  EXPECT_EQ(w.waits, 0);
}

TEST(Notices, WrittenInTheirOrder) {
  testing::CapturedConsole cc("\n\n");
  writeNotices(cc.console(), {{Notice::Kind::EmptyLine},
                              {Notice::Kind::BetaBadArgument},
                              {Notice::Kind::EmptyLine},
                              {Notice::Kind::BetaNoConvergence}});
  EXPECT_EQ(cc.output(),
            "\n             BAD ARGUMENT X1 IN BETAI\n\n"
            " A1 OR B1 TOO BIG, OR MAXIT TOO SMALL IN BETACF\n");
  // Both waits were made, and no more.
  EXPECT_FALSE(cc.console().readLine().has_value());
}

}  // namespace
}  // namespace kaldero
