#include "report/transport_report.h"

#include <array>
#include <string>
#include <vector>

#include "core/file_reports.h"
#include "core/format.h"
#include "core/stop.h"
#include "core/text.h"
#include "report/listing_lines.h"

namespace kaldero {

using lines::continued;
using lines::g10;
using lines::kMicro;
using lines::labelled;

namespace {

constexpr int kLabel = 15;

// A time in seconds as a labelled line in the station's time unit; no line
// for a time unit code outside 1 to 4.
void timeLine(const ReportTarget& out, const TestDescription& t, std::string_view label,
              float seconds) {
  if (auto u = lines::timeUnit(t.timeUnit))
    out.echoLine(labelled(kLabel, label, g10(seconds / u->divisor), u->unit));
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

void meanTimeLines(const ReportTarget& out, const InDaysHoursMinutes& t, int w, int d) {
  out.echoEmpty(2);
  const std::string_view label = "The mean tracer transit time";
  out.echoLine(labelled(15, label, fmt::G(t.days, w, d), "d"));
  out.echoLine(continued(fmt::G(t.hours, w, d), "hrs"));
  out.echoLine(continued(fmt::G(t.minutes, w, d), "min"));
}

// Three lines of one quantity in three units, the first labelled.
void threeUnits(const ReportTarget& out, std::string_view label, std::array<float, 3> values,
                std::array<std::string_view, 3> units) {
  out.echoLine(labelled(15, label, g10(values[0]), units[0]));
  out.echoLine(continued(g10(values[1]), units[1]));
  out.echoLine(continued(g10(values[2]), units[2]));
}

// The console note that the dispersion was taken from the moments (CHTMSG).
void momentsNote(Console& c) {
  Console::ReportScope report(c, ShownReport::Kind::Note);
  c.free(fmt::FreeLine("      NOT ENOUGH STORAGE SPACE FOR CHATWIN ").text("PARAMETER OR"));
  c.free(fmt::FreeLine("      INSUFFICIENT NUMBER OF DATA POINTS FOR ").text("CHATWIN ESTIMATION"));
  c.empty();
  c.free(fmt::FreeLine("          DISPERSION ESTIMATED BY METHOD OF ").text("MOMENTS"));
  c.empty();
}

}  // namespace

void writeIntegrationLimits(const ReportTarget& out, const TestDescription& t, float lower,
                            float upper) {
  timeLine(out, t, "Lower integration limit", lower);
  timeLine(out, t, "Upper integration limit", upper);
  out.echoEmpty();
}

void writeMassRecovery(const ReportTarget& out, const StationReport& st,
                       const StationResults& results) {
  const TestDescription& t = st.test;
  const MassRecovery& r = *results.mass;
  const ArrivalAndPeak& a = results.arrival;
  const float sinuosity = st.setup.sinuosity;
  const std::string name40 = text::padded(st.stationFile, 40);

  out.echoEmpty(2);
  for (const auto& l : box(5, {"", "  Listing of output for: " + name40, ""})) out.echoLine(l);
  out.echoEmpty(2);

  out.echoEmpty();
  out.echoLine(text::blanks(10) + "Limits to integration for the data file: " + name40);
  out.echoEmpty();
  writeIntegrationLimits(out, t, r.limits.lower, r.limits.upper);

  const MassInUnits& m = r.mass;
  threeUnits(out, "The quantity of tracer recovered", {m.kilograms, m.grams, m.milligrams},
             {"kg", "g", "mg"});
  out.echoLine(continued(g10(m.micrograms), std::string(kMicro) + "g"));
  out.echoEmpty(2);
  if (m.pounds) out.echoLine(text::blanks(68) + "(" + g10(*m.pounds) + " lbs)");

  out.echoEmpty(2);
  const float L = results.distance.metres;
  const std::string_view label = "Distance from input to outflow point";
  if (L >= 1000.0f)
    out.echoLine(labelled(kLabel, label, g10(L / 1000.0f), "km"));
  else
    out.echoLine(labelled(kLabel, label, g10(L), "m"));
  if (results.distance.feet)
    out.echoLine(text::blanks(67) + "(" + g10(*results.distance.feet) + " ft)");

  if (t.sinuosityOption == 1 && sinuosity > 1.0f) {
    out.echoLine(text::blanks(kLabel) + "Corrected for sinuosity = " + fmt::F(sinuosity, 5, 2) +
                 "X");
    out.echoEmpty(2);
  } else if (t.sinuosityOption == 0 || (t.sinuosityOption == 1 && sinuosity == 1.0f)) {
    out.echoLine(text::blanks(kLabel) + "Uncorrected for sinuosity  ");
    out.echoEmpty(2);
  }

  if (r.limitsWarning > 0) {
    out.echoEmpty();
    out.echoLine(suspectLine());
    out.echoLine(recommendedLine());
  }
  out.echoPause();

  out.echoEmpty(4);
  timeLine(out, t, "Time to leading edge (first arrival)", a.firstArrival);
  out.echoEmpty(2);
  timeLine(out, t, "Time to peak tracer concentration", a.peakTime);
  const float cp = a.peakConcentration;
  const std::string_view peak = "For a peak tracer concentration";
  switch (t.concentrationUnit) {
    case ConcentrationUnit::GramsPerLitre:
      out.echoLine(labelled(kLabel, peak, g10(cp / 1e9f), "g/L"));
      break;
    case ConcentrationUnit::MilligramsPerLitre:
      out.echoLine(labelled(kLabel, peak, g10(cp / 1e6f), "mg/L"));
      break;
    case ConcentrationUnit::MicrogramsPerLitre:
      out.echoLine(labelled(kLabel, peak, g10(cp / 1e3f), std::string(kMicro) + "g/L"));
      break;
    case ConcentrationUnit::NanogramsPerLitre:
      out.echoLine(labelled(kLabel, peak, g10(cp), "ng/L"));
      break;
    default: break;
  }
  out.echoEmpty();
}

void writeLimitsWarning(const ReportTarget& out) {
  Console::ReportScope report(out.console, ShownReport::Kind::Warning);
  out.bothLine(kStars80);
  out.console.empty();
  out.console.line(suspectLine());
  out.console.line(recommendedLine());
  out.listing.empty();
  out.listing.line(suspectLine());
  out.listing.line(recommendedLine());
  out.bothEmpty();
  out.bothLine(kStars80);
}

void stopNoMassRecovered(Console& console) {
  Console::ReportScope report(console, ShownReport::Kind::Error);
  console.free(fmt::FreeLine("  PROGRAM STOPPED BECAUSE NO TRACER ").text("MASS RECOVERED!!!"));
  stopRun(console, "  STOPPED DUE TO ERROR IN DITRTI. TRACER MASS=0!!");
}

void writeTransitTimes(const ReportTarget& out, const StationReport& st,
                       const StationResults& results) {
  const MassRecovery& m = *results.mass;
  const TransitTimes& r = *results.transit;
  // The upper limit of a long release was lowered to the peak.
  if (m.limits.upper != m.momentLimits.upper) {
    out.bothEmpty(2);
    out.bothLine(text::blanks(10) + "Upper Limit to integration necessarily " + "changed!");
    out.bothEmpty();
    writeIntegrationLimits(out, st.test, m.momentLimits.lower, m.momentLimits.upper);
  }

  if (!r.infiltrationExceedsMean) {
    meanTimeLines(out, r.meanTime, 10, 5);
  } else {
    meanTimeLines(out, r.meanTime, 12, 6);
    out.echoEmpty(2);
    out.echoLine(text::blanks(20) + "TRACER INFILTRATION TIME EXCEEDS MEAN " + "TIME OF TRAVEL");
    out.echoEmpty(2);
  }
  out.echoEmpty(2);
  threeUnits(out, "Variance for mean tracer time",
             {r.varianceUnits.days, r.varianceUnits.hours, r.varianceUnits.minutes},
             {"d^2", "hrs^2", "min^2"});
  out.echoEmpty(2);
  threeUnits(out, "Standard deviation for tracer time",
             {r.standardDeviation.days, r.standardDeviation.hours, r.standardDeviation.minutes},
             {"d", "hrs", "min"});
  out.echoEmpty(2);

  if (r.limitsWarning > 0) writeLimitsWarning(out);
  out.echoPause();
}

void writeVelocitiesAndDispersion(const ReportTarget& out, const Transport& r) {
  const bool fromMoments = r.dispersionFromMoments;
  out.echoEmpty(4);
  threeUnits(out, "The mean tracer velocity",
             {r.meanVelocity.perDay, r.meanVelocity.perHour, r.meanVelocity.perSecond},
             {"m/d", "m/hr", "m/s"});
  if (r.velocitySpread) {
    const VelocityInUnits& s = *r.velocitySpread;
    out.echoEmpty();
    // The unit follows the number directly on this line.
    out.echoLine(labelled(15, "Standard deviation for tracer velocity", g10(s.perDay) + " m/d"));
    out.echoLine(continued(g10(s.perHour), "m/hr"));
    out.echoLine(continued(g10(s.perSecond), "m/s"));
  }
  if (r.limitsWarning > 0) writeLimitsWarning(out);
  // The console's note on the Chatwin method comes whenever it gave no
  // positive estimate.
  if (fromMoments || r.dispersionUndefined()) momentsNote(out.console);

  out.echoEmpty(3);
  const std::optional<float> dispersion =
      r.dispersionUndefined() ? std::nullopt : std::optional<float>(r.dispersion);
  out.echoLine(labelled(15, "Dispersion coefficient", g10(dispersion), "m^2/s"));
  out.echoLine(labelled(15, "Longitudinal dispersivity", g10(r.dispersivity), "m"));
  if (fromMoments) {
    out.echoEmpty();
    out.echoLine(text::blanks(16) + "Dispersion estimate is probably too large");
  }
  out.echoEmpty(2);
  out.echoLine(labelled(15, "Peclet number", g10(r.peclet)));
  if (r.pecletClass) out.echoLine(text::blanks(68) + *r.pecletClass);
  if (fromMoments) out.echoLine(text::blanks(16) + "Peclet estimate is probably too small");
  out.echoEmpty(2);
  threeUnits(out, "The maximum tracer velocity",
             {r.maxVelocityUnits.perDay, r.maxVelocityUnits.perHour, r.maxVelocityUnits.perSecond},
             {"m/d", "m/hr", "m/s"});
  out.echoEmpty(2);
  out.echoPause();
}

void writeRecovery(const ReportTarget& out, const Recovery& r) {
  out.bothEmpty();
  out.echoEmpty(3);
  for (const auto& l : recoveryLines(r.percent, r.accuracyIndex)) out.echoLine(l);
  out.echoPause();
  if (r.impossible) writeImpossibleCondition(out, 0);
  out.bothEmpty(2);
}

std::vector<std::string> recoveryLines(const std::optional<float>& percent,
                                       const std::optional<float>& accuracy) {
  const std::string_view label = "Percent recovery of tracer injected";
  return {labelled(kLabel, label, g10(percent), "%"),
          "",
          "",
          labelled(kLabel, "Accuracy index (0.0 = Perfect Recov.)", lines::G(accuracy, 10, 4)),
          "",
          ""};
}

void writeImpossibleCondition(const ReportTarget& out, int32_t flag) {
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
  if (out.echo) {
    Console::ReportScope report(out.console, ShownReport::Kind::Warning);
    for (const auto& l : block) out.console.line(l);
    out.console.empty();
    out.console.line(text::blanks(30) + "Press <RETURN> to continue program");
    out.console.empty(flag == 0 ? 11 : 7);
    out.console.waitEnter();
    out.console.clear();
  }
  for (const auto& l : block) out.listing.line(l);
}

}  // namespace kaldero
