#include "input/checks.h"

#include "core/console.h"
#include "core/format.h"
#include "core/listing_channel.h"
#include "core/stop.h"

namespace kaldero {

void releaseTimeCheck(Console& c, ListingChannel& l, const ControlValues& v,
                      ReleaseSetup& release) {
  if (release.mode == ReleaseMode::Instantaneous && release.durationHours != 0) {
    Console::ReportScope report(c, ShownReport::Kind::Warning);
    release.durationHours = 0;
    bothLine(c, l, "");
    bothLine(c, l, "   Release time corrected to zero time for instantaneous tracer release!");
    bothLine(c, l, "");
    c.line("Press RETURN to resume program execution.");
    c.waitEnter();
    bothLine(c, l, "");
  } else if (release.mode == ReleaseMode::Pulse && !(release.durationHours > 0)) {
    Console::ReportScope report(c, ShownReport::Kind::Error);
    bothLine(c, l, "");
    bothLine(c, l, "   ERROR IN FILE:" + v.controlFileName);
    bothLine(c, l, "   Release time must exceed 0 for a pulse release!");
    bothLine(c, l, "");
    stopRun(c, "         PROGRAM STOPPED DUE TO ERROR IN INPUT FILE");
  }
}

void countingErrorStop(Console& c, int32_t counter) {
  if (counter >= 1) return;
  Console::ReportScope report(c, ShownReport::Kind::Error);
  c.empty();
  c.line(fmt::FreeLine("        COUNTING ERROR -- NUMBER = ").num(counter).str());
  c.line("     INJECTION QUANTITY CORRECTION NOT CORRECT");
  c.empty();
  stopRun(c, "                             PROGRAM STOPPED");
}

}  // namespace kaldero
