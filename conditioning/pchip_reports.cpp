#include "conditioning/pchip_reports.h"

#include <string>

#include "core/console.h"
#include "core/format.h"

namespace kaldero {

namespace {

void report(Console& c, const std::string& routine, int32_t ierr, const char* pauseText) {
  c.empty(2);
  c.free(fmt::FreeLine("    AN ERROR CALLING " + routine + ", IERR = ").num(ierr));
  c.empty();
  c.line(pauseText);
  c.waitEnter();
}

}  // namespace

void reportPCHEZError(Console& c, int32_t ierr) {
  report(c, "PCHEZ", ierr, "     PROGRAM PAUSED DUE TO ERROR IN DATA MANIPULATION");
}

void reportPCHEVError(Console& c, int32_t ierr) {
  report(c, "PCHEV", ierr, "     PROGRAM PAUSE DUE TO ERROR IN DATA MANIPULATION");
}

}  // namespace kaldero
