#include "report/notices.h"

#include <string>

#include "core/file_reports.h"
#include "core/format.h"

namespace kaldero {

namespace {

// A failed call of the interpolation package outside an integral: the
// code, then a pause; processing goes on with what the call produced.
void interpolationError(Console& c, const std::string& routine, int32_t ierr,
                        const char* pauseText) {
  c.empty(2);
  c.free(fmt::FreeLine("    AN ERROR CALLING " + routine + ", IERR = ").num(ierr));
  c.empty();
  c.line(pauseText);
  c.waitEnter();
}

}  // namespace

void writeNotice(Console& c, const Notice& n) {
  if (n.kind == Notice::Kind::EmptyLine) {
    c.empty();
    return;
  }
  Console::ReportScope report(c, ShownReport::Kind::Warning);
  switch (n.kind) {
    case Notice::Kind::IntegrationDerivatives:
      c.line(kStars80);
      c.empty();
      c.free(fmt::FreeLine("AN ERROR CALLING PCHEZ FOR INTEGRATION, IERR = ").num(n.code));
      c.line("Error may be recoverable -- press RETURN.");
      c.waitEnter();
      c.empty(2);
      c.line(kStars80);
      break;
    case Notice::Kind::IntegrationLimits:
      c.line(kStars80);
      c.empty();
      c.free(fmt::FreeLine("AN ERROR CALLING PCHQA, IERR = ").num(n.code));
      if (n.code > 0) {
        c.empty();
        c.line("This error is a only a warning - press RETURN.");
        c.waitEnter();
        c.empty();
      }
      c.empty();
      c.line(kStars80);
      break;
    case Notice::Kind::InterpolationDerivatives:
      interpolationError(c, "PCHEZ", n.code, "     PROGRAM PAUSED DUE TO ERROR IN DATA MANIPULATION");
      break;
    case Notice::Kind::InterpolationValues:
      interpolationError(c, "PCHEV", n.code, "     PROGRAM PAUSE DUE TO ERROR IN DATA MANIPULATION");
      break;
    case Notice::Kind::TailTimeDifference: {
      auto e = [](float v) { return fmt::E(v, 11, 3, 'D'); };
      c.line("X(N2)    X(N1)    S");
      c.line(std::string(10, ' ') + "ERROR IN GRACON: TIME DIFFERENCE " + e(n.a) + " AND " +
             e(n.b) + e(n.a - n.b) + " IS NOT POSITIVE" + " CHECK DATA SET");
      c.pause();
      break;
    }
    case Notice::Kind::TailFunctionViolation:
      c.free(fmt::FreeLine("GRACON FUNCTION VIOLATION ").num(n.a).num(n.b));
      break;
    case Notice::Kind::BetaBadArgument:
      c.free("            BAD ARGUMENT X1 IN BETAI");
      c.waitEnter();
      break;
    case Notice::Kind::BetaNoConvergence:
      c.free("A1 OR B1 TOO BIG, OR MAXIT TOO SMALL IN BETACF");
      c.waitEnter();
      break;
    case Notice::Kind::EmptyLine:
      c.empty();
      break;
  }
}

void writeNotices(Console& c, const Notices& notices) {
  for (const Notice& n : notices) writeNotice(c, n);
}

}  // namespace kaldero
