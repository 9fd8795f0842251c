// The control file's leading block and station list, and the prompt for its
// name.
#include "input/control_file.h"

#include <gtest/gtest.h>

#include "core/text.h"
#include "tests/support/capture.h"
#include "tests/support/temp_file.h"

namespace kaldero {
namespace {

std::string controlText(const std::string& line6, const std::string& names = "") {
  return "TITLE\n250.5\nMASS UNIT\n3\nRELEASE\n" + line6 +
         "\nFLOW-ZONE ARRIVAL TIME\n1.5\nSTATIONS\n" + names;
}

struct Leading {
  int32_t status = -1;
  ControlValues v;
  std::string console;
  std::vector<std::string> names;
};

Leading readLeading(const std::string& contents) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  dir.write("C.D", contents);
  testing::CapturedConsole cc;
  Leading out;
  ControlFile f;
  out.status = f.readLeadingBlock(cc.console(), out.v, std::string("C.D"));
  std::string name;
  while (out.status == 0 && f.nextStationName(name)) out.names.push_back(name);
  out.console = cc.output();
  return out;
}

TEST(ControlFile, ReadsTheLeadingBlockAndTheNames) {
  Leading r = readLeading(controlText("2 0.5", "A.DAT\nB.DAT\n"));
  EXPECT_EQ(r.status, 0);
  EXPECT_FLOAT_EQ(r.v.injectedMass, 250.5f);
  EXPECT_EQ(r.v.massUnit, MassUnit::Grams);
  EXPECT_EQ(r.v.releaseMode, ReleaseMode::Pulse);
  EXPECT_FLOAT_EQ(r.v.releaseDuration, 0.5f);
  EXPECT_FLOAT_EQ(r.v.flowZoneArrival, 1.5f);
  ASSERT_EQ(r.names.size(), 2u);
  EXPECT_EQ(r.names[1], text::padded("B.DAT"));
  EXPECT_EQ(r.console, "");
}

TEST(ControlFile, ReleaseLine) {
  // Mode 1 alone: duration 0, line 7 is read as the label.
  Leading r = readLeading(controlText("1"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.v.releaseDuration, 0.0f);
  EXPECT_FLOAT_EQ(r.v.flowZoneArrival, 1.5f);
  // Accepted as read; the release-time check corrects it later.
  r = readLeading(controlText("1 2.5"));
  EXPECT_FLOAT_EQ(r.v.releaseDuration, 2.5f);
  EXPECT_FLOAT_EQ(r.v.flowZoneArrival, 1.5f);
  // A negative duration on the line itself: 0, and reading goes on.
  r = readLeading(controlText("1 -1"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.v.releaseDuration, 0.0f);
  EXPECT_FLOAT_EQ(r.v.flowZoneArrival, 1.5f);
  r = readLeading(controlText("0 -1"));
  EXPECT_EQ(r.status, 0);
  EXPECT_FLOAT_EQ(r.v.flowZoneArrival, 1.5f);
  // Pulse release without its duration: no report here.
  r = readLeading(controlText("2"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.v.releaseDuration, 0.0f);
  EXPECT_FLOAT_EQ(r.v.flowZoneArrival, 1.5f);
  EXPECT_EQ(r.console, "");
}

TEST(ControlFile, PulseReleaseWithoutPositiveDurationIsAWrongFormat) {
  Leading r = readLeading(controlText("2 0"));
  EXPECT_EQ(r.status, 1);
  const std::string name = r.v.controlFileName;
  EXPECT_EQ(name.size(), 50u);
  EXPECT_EQ(r.console, "\n\n\n\n\n" + std::string(80, '*') + "\n\n         FILE " + name +
                           "\n         HAS A WRONG FORMAT!!!\n\n         CHECK THE FILE " + name +
                           "\n         FOR TYPOGRAPHICAL ERRORS.\n\n"
                           "        CHECK END-OF-FILE FOR BLANK LINES.\n\n" +
                           std::string(80, '*') + "\n\n\n\n\n\n\n");
}

TEST(ControlFile, UnreadableValuesAreAWrongFormat) {
  EXPECT_EQ(readLeading("TITLE\ntwo grams\n").status, 1);
  EXPECT_EQ(readLeading("TITLE\n2\nL\n3\nL\n1\nL\nsoon\nL\n").status, 1);
}

// Text on the release line that is not its values stops the run naming the
// line: neither release mode 0 nor a silently kept duration.
TEST(ControlFile, UnreadableReleaseLineIsAWrongFormat) {
  for (const std::string line6 : {"abc", "2 half-an-hour", "1,x"}) {
    const Leading r = readLeading(controlText(line6));
    EXPECT_EQ(r.status, 1) << line6;
    EXPECT_NE(r.console.find("READ ERROR IN FILE C.D, LINE 6: \""), std::string::npos) << line6;
    EXPECT_NE(r.console.find("HAS A WRONG FORMAT!!!"), std::string::npos) << line6;
  }
}

TEST(ControlFile, EndOfFileInsideTheLeadingBlockMeansNoStations) {
  Leading r = readLeading("TITLE\n5\nLABEL\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_FLOAT_EQ(r.v.injectedMass, 5.0f);
  EXPECT_TRUE(r.names.empty());
  r = readLeading(controlText("1 0"));  // nine lines, no names
  EXPECT_TRUE(r.names.empty());
}

TEST(ControlFile, NamesAreTheFirstFiftyCharacters) {
  const std::string longName(60, 'n');
  Leading r = readLeading(controlText("1", longName + "\n\nLAST\r\n"));
  ASSERT_EQ(r.names.size(), 3u);
  EXPECT_EQ(r.names[0], std::string(50, 'n'));
  EXPECT_EQ(r.names[1], std::string(50, ' '));
  EXPECT_EQ(r.names[2], text::padded("LAST"));
}

TEST(ControlFile, LookAheadLeavesTheNextNameInPlace) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  dir.write("C.D", controlText("1", "A\nB\n"));
  testing::CapturedConsole cc;
  ControlFile f;
  ControlValues v;
  ASSERT_EQ(f.readLeadingBlock(cc.console(), v, std::string("C.D")), 0);
  std::string name, next;
  ASSERT_TRUE(f.nextStationName(name));
  EXPECT_TRUE(f.lookAhead(next));
  EXPECT_EQ(next, text::padded("B"));
  EXPECT_EQ(name, text::padded("A"));
  ASSERT_TRUE(f.nextStationName(name));
  EXPECT_EQ(name, text::padded("B"));
  EXPECT_FALSE(f.lookAhead(next));
  EXPECT_FALSE(f.nextStationName(name));
}

const std::string kPrompt =
    "\n" + std::string(15, ' ') + "ENTER INPUT FILE NAME DEFAULT = KALDERO.D):   ";

std::string notFound(const std::string& name50) {
  return "\n\n\n\n\n" + std::string(80, '*') + "\n\n         FILE " + name50 +
         "\n\n              HAS NOT BEEN FOUND IN THE CURRENT  DIRECTORY!!!\n\n"
         "                CHECK PATH STATEMENT AND FOR  ERRORS IN FILE.\n\n"
         "                      ALSO CHECK SPELLING OF  FILENAME.\n\n" +
         std::string(80, '*') + "\n\n\n\n\n\n\n";
}

TEST(ControlFilePrompt, EnterTakesTheDefaultAndMissingNamesAreAskedAgain) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  dir.write("RUN.D", controlText("1"));
  const std::string good = "RUN.D";
  testing::CapturedConsole cc("\n" + good + "\n");
  ControlFile f;
  ControlValues v;
  // KALDERO.D does not exist in the test's working directory.
  ASSERT_FALSE(std::filesystem::exists("KALDERO.D"));
  EXPECT_EQ(f.readLeadingBlock(cc.console(), v, std::nullopt), 0);
  EXPECT_EQ(cc.output(), kPrompt + "\n\n" + std::string(50, ' ') +
                             "*** INPUT FILE NAME NOT FOUND ***\n\n\n" + std::string(15, ' ') +
                             "RECHECK INPUT FILE NAME: " + text::padded("KALDERO.D") + "\n\n\n" +
                             kPrompt);
  EXPECT_EQ(v.controlFileName, text::padded(good));
}

TEST(ControlFilePrompt, EndOfInputEndsTheRunWithTheNotFoundReport) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  testing::CapturedConsole cc("missing.d\n");
  ControlFile f;
  ControlValues v;
  EXPECT_EQ(f.readLeadingBlock(cc.console(), v, std::nullopt), 1);
  const std::string second = "\n\n" + std::string(50, ' ') + "*** INPUT FILE NAME NOT FOUND ***\n\n\n" +
                             std::string(15, ' ') + "RECHECK INPUT FILE NAME: " +
                             text::padded("missing.d") + "\n\n\n";
  // The end of input at the second prompt is Enter: the default does not
  // open either, and the run ends.
  EXPECT_EQ(cc.output(), kPrompt + second + kPrompt + "\n" + notFound(text::padded("KALDERO.D")));
  EXPECT_EQ(v.controlFileName, text::padded("KALDERO.D"));
}

TEST(ControlFilePrompt, EndOfInputAtTheFirstPromptOpensTheDefault) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  dir.write("KALDERO.D", controlText("1"));
  testing::CapturedConsole cc;
  ControlFile f;
  ControlValues v;
  EXPECT_EQ(f.readLeadingBlock(cc.console(), v, std::nullopt), 0);
  EXPECT_EQ(cc.output(), kPrompt);
  EXPECT_FLOAT_EQ(v.flowZoneArrival, 1.5f);
}

TEST(ControlFilePrompt, CommandLineNameIsUsedWithoutAPromptOrReportedAndStops) {
  testing::CapturedConsole cc;
  ControlFile f;
  ControlValues v;
  EXPECT_EQ(f.readLeadingBlock(cc.console(), v, std::string("nope.d")), 1);
  EXPECT_EQ(cc.output(), notFound(text::padded("nope.d")));
  const std::string longName(60, 'x');
  testing::CapturedConsole cc2;
  EXPECT_EQ(f.readLeadingBlock(cc2.console(), v, longName), 1);
  EXPECT_EQ(v.controlFileName, std::string(50, 'x'));
}

}  // namespace
}  // namespace kaldero
