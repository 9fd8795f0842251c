#include "input/checks.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "core/listing_channel.h"
#include "core/output_gate.h"
#include "core/stop.h"
#include "core/text.h"
#include "tests/support/capture.h"
#include "tests/support/temp_file.h"

namespace kaldero {
namespace {

TEST(ReleaseTimeCheck, InstantaneousReleaseWithADurationIsCorrected) {
  testing::ScratchDir dir;
  testing::CapturedConsole cc;
  OutputGate gate(cc.console());
  ListingChannel listing;
  ASSERT_TRUE(listing.open(gate, {dir.path("L.OUT"), "results listing", ""}));
  ControlValues v;
  ReleaseSetup release;
  release.mode = ReleaseMode::Instantaneous;
  release.durationHours = 2.5f;
  releaseTimeCheck(cc.console(), listing, v, release);
  EXPECT_EQ(release.durationHours, 0.0f);
  const std::string report =
      "\n   Release time corrected to zero time for instantaneous tracer release!\n\n";
  EXPECT_EQ(cc.output(), report + "Press RETURN to resume program execution.\n\n");
  listing.close();
  EXPECT_EQ(dir.read("L.OUT"), report + "\n");
  // Corrected once: the next station sees no report.
  testing::CapturedConsole again;
  releaseTimeCheck(again.console(), listing, v, release);
  EXPECT_EQ(again.output(), "");
}

TEST(ReleaseTimeCheck, PulseReleaseWithoutDurationStops) {
  testing::CapturedConsole cc;
  ListingChannel listing;
  ControlValues v;
  v.controlFileName = text::padded("KALDERO.D");
  ReleaseSetup release;
  release.mode = ReleaseMode::Pulse;
  EXPECT_THROW(releaseTimeCheck(cc.console(), listing, v, release), Error);
  EXPECT_EQ(cc.output(), "\n   ERROR IN FILE:" + text::padded("KALDERO.D") +
                             "\n   Release time must exceed 0 for a pulse release!\n\n"
                             "         PROGRAM STOPPED DUE TO ERROR IN INPUT FILE\n");
}

TEST(ReleaseTimeCheck, OtherCombinationsPass) {
  for (auto [mode, duration] : {std::pair{ReleaseMode::Step, 4.0f},
                                {ReleaseMode::Pulse, 0.5f},
                                {ReleaseMode::Instantaneous, 0.0f},
                                {ReleaseMode{0}, -1.0f}}) {
    testing::CapturedConsole cc;
    ListingChannel listing;
    ControlValues v;
    ReleaseSetup release;
    release.mode = mode;
    release.durationHours = duration;
    releaseTimeCheck(cc.console(), listing, v, release);
    EXPECT_EQ(cc.output(), "");
    EXPECT_EQ(release.durationHours, duration);
  }
}

TEST(CountingError, StopsWhenTheCounterIsNotPositive) {
  testing::CapturedConsole cc;
  countingErrorStop(cc.console(), 1);
  EXPECT_EQ(cc.output(), "");
  EXPECT_THROW(countingErrorStop(cc.console(), 0), Error);
  EXPECT_EQ(cc.output(), "\n         COUNTING ERROR -- NUMBER =            0\n"
                         "     INJECTION QUANTITY CORRECTION NOT CORRECT\n\n"
                         "                             PROGRAM STOPPED\n");
}

}  // namespace
}  // namespace kaldero
