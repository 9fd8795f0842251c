#include "report/totals_report.h"

#include <string>
#include <vector>

#include "core/file_reports.h"
#include "core/text.h"
#include "report/listing_lines.h"
#include "report/transport_report.h"

namespace kaldero {

using lines::continued;
using lines::g10;
using lines::labelled;

namespace {

// Lines that go to the console when the screen echo is on, then to the
// listing.
void echoLines(const ReportTarget& out, const std::vector<std::string>& lines) {
  for (const auto& l : lines) out.echoLine(l);
}

void totalsBlock(const ReportTarget& out, const RunTotals& totals,
                 const std::string& stationFile) {
  out.console.focus();
  std::vector<std::string> head{"", ""};
  for (const auto& l :
       box(5, {"", "  LISTING OF TOTAL ESTIMATES FOR: " + text::padded(stationFile, 31), ""}))
    head.push_back(l);
  head.insert(head.end(), {"", ""});
  for (const auto& l : head) out.listing.line(l);
  if (out.echo)
    for (const auto& l : head) out.console.line(l);

  const std::string_view label = "Total quantity of tracer recovered";
  out.echoLine(labelled(15, label, g10(totals.recoveredMassKg), "kg"));
  out.echoLine(continued(g10(totals.recoveredMassG), "g"));
  if (totals.recoveredMassMg) out.echoLine(continued(g10(*totals.recoveredMassMg), "mg"));
  if (totals.recoveredMassUg)
    out.echoLine(continued(g10(*totals.recoveredMassUg), std::string(lines::kMicro) + "g"));
}

void volumeAndSorptionBlock(const ReportTarget& out, const RunTotals& totals) {
  if (!totals.volume) return;
  const RunTotals::VolumeBlock& b = *totals.volume;
  const std::string_view label =
      b.aquifer ? "Total aquifer volume estimate" : "Total transport zone volume estimate";
  const std::vector<std::string> volume{"", "",
                                        labelled(15, label, g10(totals.sums.aquiferVolume), "m^3"),
                                        ""};
  if (out.echo)
    for (const auto& l : volume) out.console.line(l);
  out.listing.empty(2);
  for (const auto& l : volume) out.listing.line(l);

  if (b.surfaceArea && b.finalSorption) {
    echoLines(out, {labelled(15, "Total aquifer surface area estimate", g10(*b.surfaceArea), "m^2"),
                    "",
                    labelled(15, "Final tracer sorption coefficient",
                             g10(b.finalSorption->value), "m"),
                    "", ""});
  }

  if (b.severalVolumes) {
    Console::ReportScope report(out.console, ShownReport::Kind::Warning);
    out.bothEmpty();
    for (const auto& l : box(15, {"",
                                  "       ALL PRELIMINARY SORPTION COEFFICIENT ESTIMATES",
                                  "       ARE INVALID BECAUSE TRACER MASS WAS RECOVERED AT",
                                  "       MORE THAN ONE LOCATION!!!",
                                  "",
                                  "  ONLY FINAL SORPTION COEFFICIENT ESTIMATE SHOULD BE CONSIDERED",
                                  ""}))
      out.bothLine(l);
  }
  out.listing.empty(2);
  out.console.empty(2);
}

void runRecoveryBlock(const ReportTarget& out, const RunTotals& totals) {
  out.listing.empty(2);
  echoLines(out, recoveryLines(totals.percentRecovery, totals.accuracyIndex));
  if (out.echo) {
    out.console.pause();
    out.console.focus();
  }
  if (totals.impossible)
    writeImpossibleCondition(out, totals.volume && totals.volume->severalVolumes ? 1 : 0);
}

}  // namespace

void writeRunTotals(const ReportTarget& out, const RunTotals& totals,
                    const std::string& lastStationFile) {
  totalsBlock(out, totals, lastStationFile);
  volumeAndSorptionBlock(out, totals);
  runRecoveryBlock(out, totals);
}

}  // namespace kaldero
