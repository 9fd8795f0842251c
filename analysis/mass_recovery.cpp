#include "analysis/mass_recovery.h"

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/guards.h"
#include "analysis/integration.h"
#include "analysis/listing_lines.h"
#include "core/console.h"
#include "core/format.h"
#include "core/listing_channel.h"
#include "core/file_reports.h"
#include "core/stop.h"
#include "core/text.h"

namespace kaldero {

using lines::continued;
using lines::g10;
using lines::kMicro;
using lines::labelled;
using guard::ugToMg;

namespace {

constexpr int kLabel = 15;

// A time in seconds as a labelled line in the station's time unit; no line
// for a time unit code outside 1 to 4.
void timeLine(const AnalysisContext& ctx, std::string_view label, float seconds) {
  if (auto u = lines::timeUnit(ctx.test.timeUnit))
    ctx.echoLine(labelled(kLabel, label, g10(seconds / u->divisor, label), u->unit));
}

// The two lines that say a limit lay outside the sampled times.
const std::string& suspectLine() {
  static const std::string s =
      fmt::FreeLine("RESULTS MAY BE HIGHLY SUSPECT - LIMITS TO ").text("INTEGRATION OUTSIDE").str();
  return s;
}
const std::string& recommendedLine() {
  static const std::string s = fmt::FreeLine("RECOMMENDED VALUES.").str();
  return s;
}

}  // namespace

void MOMONE(const AnalysisContext& ctx, int32_t n, std::span<const float> X, std::span<float> F,
            std::span<float> D) {
  AnalysisResults& r = ctx.results;
  const int32_t mode = ctx.control.releaseMode;
  const float Td = ctx.control.releaseDuration;
  const float tp = r.peakTime;
  r.recordedUpperLimit = r.upperLimit;
  std::fill(D.begin(), D.end(), 0.0f);
  int32_t ierr = 0;
  if (mode == 1 || (mode == 2 && Td * 3600.0f < 0.5f * tp)) {
    for (int32_t i = 0; i < n; ++i) F[i] *= X[i];
    r.limitsWarning = 0;
    r.firstMoment = CURINT(ctx.console, r, n, X.data(), F.data(), D.data(), ctx.spline, ierr);
    for (int32_t i = 0; i < n; ++i)
      if (X[i] != 0) F[i] /= X[i];
  } else {
    // Long release: the shortfall below the peak, from the lower limit to
    // the peak sample.
    const int32_t k = r.peakIndex;
    std::vector<float> W(static_cast<std::size_t>(k > 0 ? k : 0));
    if (k >= 1) r.upperLimit = X[k - 1];
    for (int32_t i = 0; i < k; ++i) W[i] = 1.0f - guard::quotient(F[i], r.peakConcentration);
    r.limitsWarning = 0;
    r.firstMoment = CURINT(ctx.console, r, k, X.data(), W.data(), D.data(), ctx.spline, ierr);
  }
  if (mode == 2 && Td < 0.5f * tp / 3600.0f)
    r.comparisonTime = guard::quotient(r.firstMoment, r.recoveredMass) / 86400.0f * 24.0f;
  else if (mode == 2 && !(0.5f * tp / 3600.0f < Td))
    r.comparisonTime = r.firstMoment / 86400.0f * 24.0f;
  else
    r.comparisonTime = 0;
}

void DISINT(const AnalysisContext& ctx, int32_t n, std::span<const float> X,
            std::span<const float> F, std::span<float> D) {
  AnalysisResults& r = ctx.results;
  const int32_t mode = ctx.control.releaseMode;
  const float Td = ctx.control.releaseDuration;
  const float L = ctx.test.distance;
  const bool longRelease = 0.5f * r.peakTime / 3600.0f <= Td;
  const float shift = 0.5f * 3600.0f * Td;
  r.distanceWeighted = 0;
  std::vector<float> W(static_cast<std::size_t>(n), 0.0f);
  for (int32_t i = 0; i < n; ++i) {
    if (!(X[i] > 0)) continue;
    if (mode == 1) {
      W[i] = L * F[i];
    } else if (mode == 2 && longRelease) {
      r.distanceWeighted = L;
    } else if (mode == 2 && X[i] > shift) {
      // Samples up to half the release duration have no shifted time and
      // keep 0.
      W[i] = L * F[i] * X[i] / (X[i] - shift);
    }
  }
  if (mode == 1 || (mode == 2 && !longRelease)) {
    std::fill(D.begin(), D.end(), 0.0f);
    r.limitsWarning = 0;
    int32_t ierr = 0;
    r.distanceWeighted = CURINT(ctx.console, r, n, X.data(), W.data(), D.data(), ctx.spline, ierr);
  }
}

void LIMREP(const AnalysisContext& ctx, int32_t flag) {
  const AnalysisResults& r = ctx.results;
  timeLine(ctx, "Lower integration limit", r.lowerLimit);
  timeLine(ctx, "Upper integration limit", flag == 1 ? r.recordedUpperLimit : r.upperLimit);
  ctx.echoEmpty();
}

void MASREP(const AnalysisContext& ctx, float mass, float sinuosity) {
  AnalysisResults& r = ctx.results;
  const TestDescription& t = ctx.test;
  const std::string name40 = text::padded(ctx.stationFile, 40);

  ctx.echoEmpty(2);
  for (const auto& l : box(5, {"", "  Listing of output for: " + name40, ""})) ctx.echoLine(l);
  ctx.echoEmpty(2);

  ctx.echoEmpty();
  ctx.echoLine(text::blanks(10) + "Limits to integration for the data file: " + name40);
  ctx.echoEmpty();
  LIMREP(ctx, 1);

  ctx.echoLine(labelled(kLabel, "The quantity of tracer recovered",
                        g10(mass * 1e-9f, "The quantity of tracer recovered"), "kg"));
  ctx.echoLine(continued(g10(mass * 1e-6f, "The quantity of tracer recovered"), "g"));
  ctx.echoLine(continued(g10(mass * 1e-3f, "The quantity of tracer recovered"), "mg"));
  ctx.echoLine(continued(g10(mass, "The quantity of tracer recovered"), std::string(kMicro) + "g"));
  ctx.echoEmpty(2);
  if (ctx.control.massUnit == 1)
    ctx.echoLine(text::blanks(68) + "(" +
                 g10(mass * 2.2046f * 1e-9f, "The quantity of tracer recovered") + " lbs)");

  ctx.echoEmpty(2);
  const float L = t.distance;
  const std::string_view label = "Distance from input to outflow point";
  if (L >= 1000.0f)
    ctx.echoLine(labelled(kLabel, label, g10(L / 1000.0f, label), "km"));
  else
    ctx.echoLine(labelled(kLabel, label, g10(L, label), "m"));
  if (t.distanceUnit == 2) ctx.echoLine(text::blanks(67) + "(" + g10(L * 3.2808f, label) + " ft)");

  if (t.sinuosityOption == 1 && sinuosity > 1.0f) {
    ctx.echoLine(text::blanks(kLabel) + "Corrected for sinuosity = " + fmt::F(sinuosity, 5, 2) +
                 "X");
    ctx.echoEmpty(2);
  } else if (t.sinuosityOption == 0 || (t.sinuosityOption == 1 && sinuosity == 1.0f)) {
    ctx.echoLine(text::blanks(kLabel) + "Uncorrected for sinuosity  ");
    ctx.echoEmpty(2);
  }

  r.recoveredMassGrams = mass * 1e-6f;

  if (r.limitsWarning > 0) {
    ctx.echoEmpty();
    ctx.echoLine(suspectLine());
    ctx.echoLine(recommendedLine());
  }
  ctx.echoPause();

  ctx.echoEmpty(4);
  timeLine(ctx, "Time to leading edge (first arrival)", r.firstArrival);
  ctx.echoEmpty(2);
  timeLine(ctx, "Time to peak tracer concentration", r.peakTime);
  const float cp = r.peakConcentration;
  const std::string_view label2 = "For a peak tracer concentration";
  switch (t.concentrationUnit) {
    case 1:
      ctx.echoLine(labelled(kLabel, label2, g10(cp / 1e9f, label2), "g/L"));
      break;
    case 2:
      ctx.echoLine(labelled(kLabel, label2, g10(cp / 1e6f, label2), "mg/L"));
      break;
    case 3:
      ctx.echoLine(labelled(kLabel, label2, g10(cp / 1e3f, label2), std::string(kMicro) + "g/L"));
      break;
    case 4:
      ctx.echoLine(labelled(kLabel, label2, g10(cp, label2), "ng/L"));
      break;
    default: break;
  }
  ctx.echoEmpty();
}

void SUSWRN(const AnalysisContext& ctx) {
  ctx.bothLine(kStars80);
  ctx.console.empty();
  ctx.console.line(suspectLine());
  ctx.console.line(recommendedLine());
  ctx.listing.empty();
  ctx.listing.line(suspectLine());
  ctx.listing.line(recommendedLine());
  ctx.bothEmpty();
  ctx.bothLine(kStars80);
}

void NOMASS(Console& console) {
  console.free(fmt::FreeLine("  PROGRAM STOPPED BECAUSE NO TRACER ").text("MASS RECOVERED!!!"));
  stopRun(console, "  STOPPED DUE TO ERROR IN DITRTI. TRACER MASS=0!!");
}

void RECREP(const AnalysisContext& ctx, float mass) {
  AnalysisResults& r = ctx.results;
  const float Mi = ctx.control.injectedMass;
  // Without an injected mass there is no recovery to speak of; both values
  // are shown as 0 rather than as infinities.
  r.percentRecovery = guard::quotient(ugToMg(mass), Mi) * 100.0f;
  r.accuracyIndex = guard::quotient(Mi - ugToMg(mass), Mi);
  ctx.bothEmpty();
  ctx.echoEmpty(3);
  for (const auto& l : recoveryLines(r.percentRecovery, r.accuracyIndex)) ctx.echoLine(l);
  ctx.echoPause();
  if (r.percentRecovery > 100.0f) IMPCON(ctx, 0);
  ctx.bothEmpty(2);
}

std::vector<std::string> recoveryLines(float percent, float accuracy) {
  return {labelled(kLabel, "Percent recovery of tracer injected",
                   g10(percent, "Percent recovery of tracer injected"), "%"),
          "",
          "",
          labelled(kLabel, "Accuracy index (0.0 = Perfect Recov.)",
                   fmt::checkedG(accuracy, 10, 4, "Accuracy index")),
          "",
          ""};
}

void IMPCON(const AnalysisContext& ctx, int32_t flag) {
  std::vector<std::string> block{"$", "", "", "", "", ""};
  for (const auto& l :
       box(15, {"",
                "     AN IMPOSSIBLE CONDITION EXISTS!  CHECK YOUR UNITS FOR",
                "     CORRECTNESS OR CHECK TO SEE IF SAMPLE CONTAMINATION",
                "     HAS OCCURRED (i.e., HAS SOMEONE ELSE BEEN INJECTING",
                "     THE SAME TRACER MATERIAL IN THE AREA?).  ALSO CHECK",
                "     YOUR LIMITS TO INTEGRATION AND YOUR DISCHARGE ESTIMATES.",
                "     DISCHARGE ESTIMATION ERRORS ARE VERY COMMON.  TRACER",
                "     RECOVERY SHOULD NOT BE GREATER THAN 100% AND THE",
                "     ACCURACY INDEX SHOULD NOT BE LESS THAN ZERO.",
                ""}))
    block.push_back(l);
  if (ctx.echo()) {
    for (const auto& l : block) ctx.console.line(l);
    ctx.console.empty();
    ctx.console.line(text::blanks(30) + "Press <RETURN> to continue program");
    ctx.console.empty(flag == 0 ? 11 : 7);
    ctx.console.waitEnter();
    ctx.console.clear();
  }
  for (const auto& l : block) ctx.listing.line(l);
}

}  // namespace kaldero
