#include "plot/data_listing.h"

#include <string>

#include "core/console.h"
#include "core/format.h"
#include "core/text.h"

namespace kaldero::plot {

namespace {

using text::blanks;
using text::repeated;

constexpr int32_t kRowsPerPage = 15;

// A value outside the range the fixed-point columns show.
bool outsideFixed(float v) { return v <= 0.001f || v > 1000.0f; }

void header(Console& c, DischargeMode dischargeMode) {
  if (dischargeMode == DischargeMode::Measured) {
    c.line(blanks(17) + "SAMPLE" + blanks(10) + "TIME" + blanks(10) + "CONCENTRATION" +
           blanks(8) + "DISCHARGE");
    c.line(blanks(17) + repeated('-', 6) + blanks(7) + repeated('-', 10) + blanks(7) +
           repeated('-', 13) + blanks(8) + repeated('-', 9));
  } else if (dischargeMode == DischargeMode::Constant) {
    c.line(blanks(27) + "SAMPLE" + blanks(10) + "TIME" + blanks(10) + "CONCENTRATION");
    c.line(blanks(27) + repeated('-', 6) + blanks(7) + repeated('-', 10) + blanks(7) +
           repeated('-', 13));
  }
}

void row(Console& c, DischargeMode dischargeMode, int32_t i, float t, float conc, float q) {
  using fmt::F;
  using fmt::G;
  using fmt::I;
  if (dischargeMode == DischargeMode::Measured) {
    if (outsideFixed(q) || (conc != 0.0f && (outsideFixed(t) || outsideFixed(conc))))
      c.line(blanks(15) + I(i, 6) + blanks(11) + G(t, 10, 4) + blanks(8) + G(conc, 10, 4) +
             blanks(8) + G(q, 10, 4));
    else
      c.line(blanks(16) + I(i, 6) + blanks(7) + F(t, 10, 4) + blanks(8) + F(conc, 10, 4) +
             blanks(9) + F(q, 10, 4));
  } else if (dischargeMode == DischargeMode::Constant) {
    if ((t != 0.0f && outsideFixed(t)) || (conc != 0.0f && outsideFixed(conc)))
      c.line(blanks(25) + I(i, 6) + blanks(11) + G(t, 10, 4) + blanks(8) + G(conc, 10, 4));
    else
      c.line(blanks(26) + I(i, 6) + blanks(7) + F(t, 10, 4) + blanks(8) + F(conc, 10, 4));
  }
}

// The wait between pages and after the list when the screen echo is on.
void pageWait(Console& c, bool echo) {
  if (!echo) return;
  c.continuePrompt();
  c.waitEnter();
  c.clear();
  c.empty(9);
}

}  // namespace

void dataListing(Console& c, const TestDescription& test, std::span<const float> T,
                 std::span<const float> C, std::span<const float> Q, int32_t n) {
  const DischargeMode mode = test.dischargeMode;
  const bool echo = test.echo();
  for (int32_t i = 1; i <= n; ++i) {
    if ((i - 1) % kRowsPerPage == 0) {
      c.empty(4);
      header(c, mode);
    }
    row(c, mode, i, T[i - 1], C[i - 1], mode == DischargeMode::Measured ? Q[i - 1] : 0.0f);
    if (i % kRowsPerPage == 0 && i < n) {
      c.empty();
      pageWait(c, echo);
    }
  }
  c.empty(2);
  c.line(blanks(38) + "END OF DATA FILE");
  c.line(blanks(17) + repeated('-', 73));
  c.empty(3);
  pageWait(c, echo);
  c.clear();
}

}  // namespace kaldero::plot
