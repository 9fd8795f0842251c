#include "report/transport_report.h"

#include <string>
#include <vector>

#include "core/file_reports.h"
#include "core/format.h"
#include "core/stop.h"
#include "core/text.h"
#include "analysis/dispersion.h"
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
    out.echoLine(labelled(kLabel, label, g10(seconds / u->divisor, label), u->unit));
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

void meanTimeLines(const ReportTarget& out, const AnalysisResults& r, int w, int d) {
  out.echoEmpty(2);
  const std::string_view label = "The mean tracer transit time";
  out.echoLine(labelled(15, label, fmt::checkedG(r.meanTimeDays, w, d, label), "d"));
  out.echoLine(continued(fmt::checkedG(r.meanTimeHours, w, d, label), "hrs"));
  out.echoLine(continued(fmt::checkedG(r.meanTimeMinutes, w, d, label), "min"));
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

void writeIntegrationLimits(const ReportTarget& out, const TestDescription& t,
                            const AnalysisResults& r, bool recorded) {
  timeLine(out, t, "Lower integration limit", r.lowerLimit);
  timeLine(out, t, "Upper integration limit", recorded ? r.recordedUpperLimit : r.upperLimit);
  out.echoEmpty();
}

void writeMassRecovery(const ReportTarget& out, const StationReport& st, const AnalysisResults& r) {
  const TestDescription& t = st.test;
  const float mass = r.recoveredMass;
  const float sinuosity = st.setup.sinuosity;
  const std::string name40 = text::padded(st.stationFile, 40);

  out.echoEmpty(2);
  for (const auto& l : box(5, {"", "  Listing of output for: " + name40, ""})) out.echoLine(l);
  out.echoEmpty(2);

  out.echoEmpty();
  out.echoLine(text::blanks(10) + "Limits to integration for the data file: " + name40);
  out.echoEmpty();
  writeIntegrationLimits(out, t, r, true);

  const std::string_view recovered = "The quantity of tracer recovered";
  out.echoLine(labelled(kLabel, recovered, g10(mass * 1e-9f, recovered), "kg"));
  out.echoLine(continued(g10(mass * 1e-6f, recovered), "g"));
  out.echoLine(continued(g10(mass * 1e-3f, recovered), "mg"));
  out.echoLine(continued(g10(mass, recovered), std::string(kMicro) + "g"));
  out.echoEmpty(2);
  if (st.control.massUnit == MassUnit::Pounds)
    out.echoLine(text::blanks(68) + "(" + g10(mass * 2.2046f * 1e-9f, recovered) + " lbs)");

  out.echoEmpty(2);
  const float L = st.setup.distance;
  const std::string_view label = "Distance from input to outflow point";
  if (L >= 1000.0f)
    out.echoLine(labelled(kLabel, label, g10(L / 1000.0f, label), "km"));
  else
    out.echoLine(labelled(kLabel, label, g10(L, label), "m"));
  if (t.distanceUnit == DistanceUnit::Feet)
    out.echoLine(text::blanks(67) + "(" + g10(L * 3.2808f, label) + " ft)");

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
  timeLine(out, t, "Time to leading edge (first arrival)", r.firstArrival);
  out.echoEmpty(2);
  timeLine(out, t, "Time to peak tracer concentration", r.peakTime);
  const float cp = r.peakConcentration;
  const std::string_view peak = "For a peak tracer concentration";
  switch (t.concentrationUnit) {
    case ConcentrationUnit::GramsPerLitre:
      out.echoLine(labelled(kLabel, peak, g10(cp / 1e9f, peak), "g/L"));
      break;
    case ConcentrationUnit::MilligramsPerLitre:
      out.echoLine(labelled(kLabel, peak, g10(cp / 1e6f, peak), "mg/L"));
      break;
    case ConcentrationUnit::MicrogramsPerLitre:
      out.echoLine(labelled(kLabel, peak, g10(cp / 1e3f, peak), std::string(kMicro) + "g/L"));
      break;
    case ConcentrationUnit::NanogramsPerLitre:
      out.echoLine(labelled(kLabel, peak, g10(cp, peak), "ng/L"));
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

void writeTransitTimes(const ReportTarget& out, const StationReport& st, const AnalysisResults& r) {
  if (r.recordedUpperLimit != r.upperLimit) {
    out.bothEmpty(2);
    out.bothLine(text::blanks(10) + "Upper Limit to integration necessarily " + "changed!");
    out.bothEmpty();
    writeIntegrationLimits(out, st.test, r, false);
  }

  if (r.meanTimeDays > 0) {
    meanTimeLines(out, r, 10, 5);
  } else {
    meanTimeLines(out, r, 12, 6);
    out.echoEmpty(2);
    out.echoLine(text::blanks(20) + "TRACER INFILTRATION TIME EXCEEDS MEAN " + "TIME OF TRAVEL");
    out.echoEmpty(2);
  }
  const float sigma = r.standardDeviation;
  out.echoEmpty(2);
  const std::string_view variance = "Variance for mean tracer time";
  out.echoLine(labelled(15, variance, g10(r.variance / 576.0f, variance), "d^2"));
  out.echoLine(continued(g10(r.variance, variance), "hrs^2"));
  out.echoLine(continued(g10(r.variance * 3600.0f, variance), "min^2"));
  out.echoEmpty(2);
  const std::string_view deviation = "Standard deviation for tracer time";
  out.echoLine(labelled(15, deviation, g10(sigma / 24.0f, deviation), "d"));
  out.echoLine(continued(g10(sigma, deviation), "hrs"));
  out.echoLine(continued(g10(sigma * 60.0f, deviation), "min"));
  out.echoEmpty(2);

  if (r.limitsWarning > 0) writeLimitsWarning(out);
  out.echoPause();
}

void writeVelocitiesAndDispersion(const ReportTarget& out, const AnalysisResults& r) {
  const float v = r.meanVelocity;
  const float vh = r.meanVelocityHour;
  const float dv = r.flowZoneVelocityCorrection;
  const bool fromMoments = r.dispersionFromMoments;
  out.echoEmpty(4);
  const std::string_view mean = "The mean tracer velocity";
  out.echoLine(labelled(15, mean, g10(r.meanVelocityDay, mean), "m/d"));
  out.echoLine(continued(g10(vh, mean), "m/hr"));
  out.echoLine(continued(g10(v, mean), "m/s"));
  const float s = r.velocitySpread;
  if (r.pulseRegime && s > 0) {
    out.echoEmpty();
    const std::string_view spread = "Standard deviation for tracer velocity";
    out.echoLine(labelled(15, spread, g10(24.0f * (s + 3600.0f * dv), spread) + " m/d"));
    out.echoLine(continued(g10(s + 3600.0f * dv, spread), "m/hr"));
    out.echoLine(continued(g10(s / 3600.0f + dv, spread), "m/s"));
  }
  if (r.limitsWarning > 0) writeLimitsWarning(out);
  if (fromMoments) momentsNote(out.console);

  out.echoEmpty(3);
  out.echoLine(labelled(15, "Dispersion coefficient", g10(r.dispersion, "Dispersion coefficient"),
                        "m^2/s"));
  out.echoLine(labelled(15, "Longitudinal dispersivity",
                        g10(r.dispersivity, "Longitudinal dispersivity"), "m"));
  if (fromMoments) {
    out.echoEmpty();
    out.echoLine(text::blanks(16) + "Dispersion estimate is probably too large");
  }
  out.echoEmpty(2);
  out.echoLine(labelled(15, "Peclet number", g10(r.peclet, "Peclet number")));
  if (r.pecletFormed) {
    const std::string_view cls = pecletClass(r.peclet);
    if (!cls.empty()) out.echoLine(text::blanks(68) + std::string(cls));
  }
  if (fromMoments) out.echoLine(text::blanks(16) + "Peclet estimate is probably too small");
  out.echoEmpty(2);
  const std::string_view maximum = "The maximum tracer velocity";
  out.echoLine(labelled(15, maximum, g10(r.kept.maxVelocityDay, maximum), "m/d"));
  out.echoLine(continued(g10(r.kept.maxVelocityHour, maximum), "m/hr"));
  out.echoLine(continued(g10(r.kept.maxVelocity, maximum), "m/s"));
  out.echoEmpty(2);
  out.echoPause();
}

void writeRecovery(const ReportTarget& out, const AnalysisResults& r) {
  out.bothEmpty();
  out.echoEmpty(3);
  for (const auto& l : recoveryLines(r.percentRecovery, r.accuracyIndex)) out.echoLine(l);
  out.echoPause();
  if (r.percentRecovery > 100.0f) writeImpossibleCondition(out, 0);
  out.bothEmpty(2);
}

std::vector<std::string> recoveryLines(float percent, float accuracy) {
  const std::string_view label = "Percent recovery of tracer injected";
  return {labelled(kLabel, label, g10(percent, label), "%"),
          "",
          "",
          labelled(kLabel, "Accuracy index (0.0 = Perfect Recov.)",
                   fmt::checkedG(accuracy, 10, 4, "Accuracy index")),
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
