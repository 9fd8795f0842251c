#include "analysis/run_totals.h"

#include <string>
#include <vector>

#include "analysis/guards.h"
#include "analysis/listing_lines.h"
#include "analysis/mass_recovery.h"
#include "core/console.h"
#include "core/listing_channel.h"
#include "core/file_reports.h"
#include "core/text.h"

namespace kaldero {

using lines::continued;
using lines::g10;
using lines::labelled;

namespace {

// Lines that go to the console when the screen echo is on, then to the
// listing.
void echoLines(const AnalysisContext& ctx, const std::vector<std::string>& lines) {
  for (const auto& l : lines) ctx.echoLine(l);
}

}  // namespace

void addStationToTotals(RunTotals& totals, const AnalysisResults& r, const TestDescription& t) {
  totals.recoveredMass += r.recoveredMass;
  if (t.stationTotals == 1) {
    totals.aquiferVolume += r.aquiferVolume;
    totals.surfaceArea += r.surfaceArea;
  }
}

void writeTotals(const AnalysisContext& ctx, RunTotals& totals) {
  ctx.listing.openAppend(text::trimmed(ctx.test.listingName));
  ctx.console.focus();
  std::vector<std::string> head{"", ""};
  for (const auto& l :
       box(5, {"", "  LISTING OF TOTAL ESTIMATES FOR: " + text::padded(ctx.stationFile, 31), ""}))
    head.push_back(l);
  head.insert(head.end(), {"", ""});
  for (const auto& l : head) ctx.listing.line(l);
  if (ctx.echo())
    for (const auto& l : head) ctx.console.line(l);

  const float total = totals.recoveredMass;
  totals.recoveredMassKg = total * 1e-9f;
  ctx.echoLine(labelled(15, "Total quantity of tracer recovered",
                        g10(totals.recoveredMassKg, "Total quantity of tracer recovered"), "kg"));
  ctx.echoLine(continued(g10(total * 1e-6f, "Total quantity of tracer recovered"), "g"));
  if (total * 0.001f < 1000.0f)
    ctx.echoLine(continued(g10(total * 0.001f, "Total quantity of tracer recovered"), "mg"));
  if (total < 1000.0f)
    ctx.echoLine(continued(g10(total, "Total quantity of tracer recovered"),
                           std::string(lines::kMicro) + "g"));
}

int32_t writeVolumeAndSorption(const AnalysisContext& ctx, RunTotals& totals) {
  const float last = ctx.results.aquiferVolume;
  if (last == 0) return 0;
  const TestDescription& t = ctx.test;
  const float V = totals.aquiferVolume;
  const float A = totals.surfaceArea;
  const int32_t code = t.geometry;
  const bool aquifer = code == 1 || code == 3 || code == 4;
  const std::vector<std::string> volume{
      "", "",
      aquifer ? labelled(15, "Total aquifer volume estimate",
                         g10(V, "Total aquifer volume estimate"), "m^3")
              : labelled(15, "Total transport zone volume estimate",
                         g10(V, "Total transport zone volume estimate"), "m^3"),
      ""};
  if (ctx.echo())
    for (const auto& l : volume) ctx.console.line(l);
  ctx.listing.empty(2);
  for (const auto& l : volume) ctx.listing.line(l);

  if (code != 3) {
    if (t.stationTotals == 1) {
      const float M = ctx.control.injectedMass;
      const float R = guard::ugToMg(totals.recoveredMass);
      const float rv = guard::quotient(R, V);
      float kd = guard::quotient(V * (guard::quotient(M, V) - rv), rv * A);
      if (kd < 0) kd = 0;
      totals.finalSorption = kd;
    }
    echoLines(ctx, {labelled(15, "Total aquifer surface area estimate",
                             g10(A, "Total aquifer surface area estimate"), "m"),
                    "",
                    labelled(15, "Final tracer sorption coefficient",
                             g10(totals.finalSorption, "Final tracer sorption coefficient"), "m"),
                    "", ""});
  }

  int32_t flag = 0;
  if (last != V) {
    flag = 1;
    ctx.bothEmpty();
    for (const auto& l : box(15, {"",
                                  "       ALL PRELIMINARY SORPTION COEFFICIENT ESTIMATES",
                                  "       ARE INVALID BECAUSE TRACER MASS WAS RECOVERED AT",
                                  "       MORE THAN ONE LOCATION!!!",
                                  "",
                                  "  ONLY FINAL SORPTION COEFFICIENT ESTIMATE SHOULD BE CONSIDERED",
                                  ""}))
      ctx.bothLine(l);
  }
  ctx.listing.empty(2);
  ctx.console.empty(2);
  return flag;
}

void writeRunRecovery(const AnalysisContext& ctx, const RunTotals& totals, int32_t flag) {
  const float M = ctx.control.injectedMass;
  const float R = guard::ugToMg(totals.recoveredMass);
  const float percent = guard::quotient(R, M) * 100.0f;
  const float accuracy = guard::quotient(M - R, M);
  ctx.listing.empty(2);
  echoLines(ctx, recoveryLines(percent, accuracy));
  if (ctx.echo()) {
    ctx.console.pause();
    ctx.console.focus();
  }
  if (percent > 100.0f) IMPCON(ctx, flag);
}

}  // namespace kaldero
