#include "core/console.h"

#include <gtest/gtest.h>

#include "tests/support/capture.h"

namespace kaldero {
namespace {

TEST(Console, PauseShowsThePromptAndReadsOneLine) {
  testing::CapturedConsole cc("first\nsecond\n");
  cc.console().pause();
  EXPECT_EQ(cc.output(), "\n" + std::string(30, ' ') + "Press <RETURN> to continue program\n\n");
  EXPECT_EQ(cc.console().readLine().value(), "second");
}

TEST(Console, EndOfInputCountsAsEnterAndStaysEnded) {
  testing::CapturedConsole cc("last");
  EXPECT_EQ(cc.console().readLine().value(), "last");
  EXPECT_FALSE(cc.console().readLine().has_value());
  cc.console().pause();  // does not block
  cc.console().waitEnter();
  EXPECT_FALSE(cc.console().readLine().has_value());
}

TEST(Console, NoInputAtAll) {
  testing::CapturedConsole cc;
  EXPECT_FALSE(cc.console().readLine().has_value());
}

TEST(Console, CarriageReturnOfAWindowsLineIsDropped) {
  testing::CapturedConsole cc("Y\r\n");
  EXPECT_EQ(cc.console().readLine().value(), "Y");
}

TEST(Console, ClearAndSecondPauseDoNothingOffATerminal) {
  testing::CapturedConsole cc;
  cc.console().clear();
  cc.console().secondPause();
  EXPECT_EQ(cc.output(), "");
}

TEST(Console, FreeFormatLinesBeginWithOneBlank) {
  testing::CapturedConsole cc;
  cc.console().free("FILE = ");
  cc.console().line("as is");
  cc.console().empty(2);
  EXPECT_EQ(cc.output(), " FILE = \nas is\n\n\n");
}

}  // namespace
}  // namespace kaldero
