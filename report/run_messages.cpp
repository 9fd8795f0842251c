#include "report/run_messages.h"

#include "model/quantity_table.h"

#include <cstdio>

#include "core/console.h"
#include "core/file_reports.h"
#include "core/format.h"
#include "core/stop.h"
#include "core/text.h"
#include "report/run_record.h"

namespace kaldero {

namespace {

[[noreturn]] void storageStop(Console& c, const std::string& what, const std::string& advice) {
  Console::ReportScope report(c, ShownReport::Kind::Error);
  c.empty(5);
  c.line(kStars80);
  c.empty();
  c.line(what);
  c.empty();
  c.line(advice);
  c.empty();
  c.line(kStars80);
  c.empty(5);
  stopRun(c);
}

}  // namespace

void writeBanner(Console& c) {
  c.empty(8);
  for (const auto& l : box(15, {"",
                                std::string(29, ' ') + "KLD.EXE",
                                "",
                                "       PROGRAM TO CALCULATE TOTAL TRACER-MASS RECOVERY AND",
                                "       HYDRAULIC AND GEOMETRIC PARAMETERS FROM GROUND-WATER",
                                "       TRACER TESTS IN VARIOUS HYDROLOGIC SYSTEMS",
                                ""}))
    c.line(l);
}

void writeStationHeading(Console& c) {
  c.empty();
  c.free("PROCESSING OF NEXT SAMPLING STATION DATA ");
}

void writeStationFileLine(Console& c, const std::string& name50) { c.free("FILE = " + name50); }

void continueAfterPrerequisite(Console& c) {
  c.free("Press <RETURN> to continue program");
  c.waitEnter();
}

void reportCampaignFigureNotDrawn(Console& c, const std::string& why) {
  c.line(" THE CAMPAIGN RECOVERY FIGURE IS NOT DRAWN: " + why);
}

void writeEndBox(Console& c) {
  c.empty(8);
  for (const auto& l : box(15, {"",
                                "       KALDERO IS NOW FINISHED PROCESSING ALL FILES; YOU",
                                "       MAY NOW EXAMINE EACH FILE CREATED BY KALDERO FOR",
                                "       THE RESULTS OF EACH SAMPLING STATION FILE PROCESSED",
                                "",
                                "               (USE A TEXT VIEWER OR TEXT EDITOR)",
                                ""}))
    c.line(l);
}

void writeProcessingBox(Console& c, const std::string& name50) {
  c.empty(2);
  for (const auto& l : box(5, {"", "  PROCESSING: " + text::rightAligned(name50, 51), ""}))
    c.line(l);
}

void stopFewerKnotsThanSamples(Console& c) {
  Console::ReportScope report(c, ShownReport::Kind::Error);
  c.free("NUMBER OF KNOTS LESS THAN ORIGINAL DATA SET SIZE");
  c.free("PROGRAM STOPPED");
  stopRun(c);
}

void noteKnotsEqualSamples(Console& c) {
  Console::ReportScope report(c, ShownReport::Kind::Note);
  c.free("NUMBER OF KNOTS EQUAL ORIGINAL DATA SET SIZE");
  c.free("PROGRAM USING ORIGINAL DATA SET");
}

void stopStationStorage(Console& c) {
  Console::ReportScope report(c, ShownReport::Kind::Error);
  c.free("NOT ENOUGH STORAGE SPACE FOR THE STATION DATA");
  stopRun(c, "                             PROGRAM STOPPED");
}

void stopInterpolationStorage(Console& c) {
  storageStop(c, "       NOT ENOUGH STORAGE SPACE FOR INTERPOLATION!!!",
              std::string("   DECREASE THE NUMBER OF KNOTS IN YOUR DATA INPUT ") + "FILE.");
}

void stopKnotCurveStorage(Console& c) {
  storageStop(c, "              NOT ENOUGH STORAGE SPACE FOR AA!!!",
              std::string("   SELECTIVELY REMOVE INDIVIDUAL DATA POINTS FROM ") +
                  "YOUR ORIGINAL DATA FILE.");
}

void stopExtrapolation(Console& c, int32_t errorCode) {
  Console::ReportScope report(c, ShownReport::Kind::Error);
  c.free(fmt::FreeLine("DATA EXTRAPOLATION ERROR ").num(errorCode));
  stopRun(c, " SEE FILE LOG");
}

void stopNonFinite(Console& c, std::string_view stationName50, std::string_view quantity) {
  {
    Console::ReportScope report(c, ShownReport::Kind::Error);
    reportNonFiniteQuantity(c, stationName50, quantity);
  }
  stopRun(c, "          PROGRAM STOPPED");
}

namespace {

std::string number(float x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.5G", static_cast<double>(x));
  return text;
}

std::string warningText(const StationWarning& w) {
  using K = StationWarning::Kind;
  switch (w.kind) {
    case K::NegativeDischarge:
      return "THE DISCHARGE IS NEGATIVE (THE FIRST AT " + number(w.a) +
             " H): THE RECOVERED MASS AND EVERY RESULT MADE FROM IT ARE NOT PHYSICAL";
    case K::ArrivalAfterPeak:
      return "THE FLOW-ZONE ARRIVAL TIME (" + number(w.a) + " H) IS AFTER THE PEAK (" +
             number(w.b) +
             " H): THE MEAN TRANSIT TIME, THE VELOCITIES AND THE DISPERSION ARE NOT PHYSICAL";
    case K::NegativeDistance:
      return "THE TRAVEL DISTANCE IS NEGATIVE (" + number(w.a) +
             " M): THE VELOCITIES AND THE DISPERSION ARE NOT PHYSICAL";
    case K::NegativeInjectedMass:
      return "THE INJECTED MASS IS NEGATIVE (" + number(w.a) +
             " MG): THE PERCENT RECOVERY IS NOT PHYSICAL";
    case K::NoInjectedMass:
      return "THE INJECTED MASS IS 0 (NOT KNOWN): THE PERCENT RECOVERY AND THE ACCURACY INDEX "
             "ARE UNDEFINED, THE SORPTION COEFFICIENTS (0) ARE NOT MEANINGFUL";
    case K::NoMeanVelocity:
      return "THE MEAN VELOCITY IS 0: THE DISPERSIVITY IS UNDEFINED";
    case K::NoDispersion:
      return "THE DISPERSION COEFFICIENT IS 0: THE PECLET NUMBER IS UNDEFINED";
    case K::NegativeMomentDispersion:
      return "THE MOMENT ESTIMATE OF THE DISPERSION COEFFICIENT (" + number(w.a) +
             " M^2/S) IS NOT POSITIVE, NO ESTIMATE: " +
             (w.b > 0 ? "THE CHATWIN ESTIMATE (" + number(w.b) + " M^2/S) IS REPORTED"
                      : std::string("THE DISPERSION COEFFICIENT, THE DISPERSIVITY AND THE "
                                    "PECLET NUMBER ARE UNDEFINED"));
    case K::ReleaseLongerThanCurve:
      return "THE RELEASE (" + number(w.a) + " H) IS LONGER THAN THE CURVE (LAST SAMPLE AT " +
             number(w.b) +
             " H): THE PULSE CORRECTIONS OF THE VELOCITIES AND THE DISPERSION DO NOT HOLD";
    case K::RecoveryAbove100:
      return "THE RECOVERY OF " + number(w.a) +
             " % IS GREATER THAN 100 %, AN IMPOSSIBLE CONDITION: CHECK THE UNITS, THE "
             "DISCHARGES, THE INTEGRATION LIMITS AND THE INJECTED MASS";
  }
  return {};
}

void warning(Console& c, std::string_view stationName50, const std::string& text) {
  Console::ReportScope report(c, ShownReport::Kind::Warning);
  c.free(fmt::FreeLine("WARNING: ").text(text::trimmed(stationName50)).text(": ").text(text));
}

}  // namespace

void reportStationWarnings(Console& c, std::string_view stationName50,
                           const std::vector<StationWarning>& warnings, bool listingShown) {
  for (const StationWarning& w : warnings)
    // The listing on the console shows its own box for an impossible
    // recovery.
    if (!(listingShown && w.kind == StationWarning::Kind::RecoveryAbove100))
      warning(c, stationName50, warningText(w));
}

void reportImpossibleTotal(Console& c, float percent) {
  Console::ReportScope report(c, ShownReport::Kind::Warning);
  c.free(fmt::FreeLine("WARNING: THE RUN TOTALS: ")
             .text(warningText({StationWarning::Kind::RecoveryAbove100, percent})));
}

void reportDataWarnings(Console& c, std::string_view stationName50, const DataPassFacts& f) {
  if (f.extraValuesLine > 0)
    warning(c, stationName50,
            "LINE " + std::to_string(f.extraValuesLine) +
                " (AND MAYBE OTHERS) HOLDS MORE VALUES THAN THE COLUMNS OF THE HEADER; THE "
                "EXTRA VALUES ARE IGNORED");
  if (f.decimalCommaLine > 0)
    warning(c, stationName50,
            "LINE " + std::to_string(f.decimalCommaLine) +
                " (AND MAYBE OTHERS) HAS A COMMA BETWEEN DIGITS: A DECIMAL COMMA IS READ AS A "
                "SEPARATOR OF VALUES, NOT AS A DECIMAL POINT");
}

namespace {

std::string upperCase(std::string s) {
  for (char& ch : s)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return s;
}

}  // namespace

void reportThinning(Console& c, std::string_view stationName50, int64_t dataLines,
                    int32_t samples, const ReductionDecision& d) {
  const ReductionWords w = reductionWords(d);
  const std::string how = d.asked == ReductionMode::EveryLine
                              ? "--every-line ANALYSES EVERY LINE"
                              : "DATA-REDUCTION MODE 1 WITH --every-line ANALYSES EVERY LINE";
  warning(c, stationName50,
          std::to_string(dataLines) + " DATA LINES ARE ANALYSED AS " + std::to_string(samples) +
              " SAMPLES, " + upperCase(w.what) + " (" + upperCase(w.why) + "); " + how);
}

void reportUncertaintySeed(Console& c, const UncertaintyRequest& request) {
  Console::ReportScope report(c, ShownReport::Kind::Note);
  c.free("UNCERTAINTY OF THE RESULTS: " + std::to_string(request.draws) +
         " DRAWS A STATION, SEED " + std::to_string(request.seed));
}

void reportErrorBeyondRecord(Console& c, std::string_view stationName50, const std::string& why) {
  Console::ReportScope report(c, ShownReport::Kind::Error);
  c.free(fmt::FreeLine("UNCERTAINTY: ")
             .text(text::trimmed(stationName50))
             .text(": " + why + "; THE STATION'S DRAWS ARE NOT MADE (EXIT STATUS 2)"));
}

void reportDrawsStopped(Console& c, std::string_view stationName50, const UncertaintyResult& u) {
  if (u.otherTailMethod > 0) {
    Console::ReportScope report(c, ShownReport::Kind::Note);
    c.free(fmt::FreeLine("UNCERTAINTY: ")
               .text(text::trimmed(stationName50))
               .text(": " + std::to_string(u.otherTailMethod) + " OF " + std::to_string(u.draws) +
                     " DRAWS EXTRAPOLATED THEIR TAIL BY ANOTHER METHOD (THE ONE DRAWN FAILED)"));
  }
  if (u.stopped.empty()) return;
  std::string why;
  for (const auto& [reason, count] : u.stopped)
    why += (why.empty() ? "" : "; ") + std::to_string(count) + " " + reason;
  // Every draw stopped: the station has no interval, and the run ends
  // with exit status 1.
  const bool all = u.completed == 0;
  Console::ReportScope report(c, all ? ShownReport::Kind::Error : ShownReport::Kind::Note);
  c.free(fmt::FreeLine("UNCERTAINTY: ")
             .text(text::trimmed(stationName50))
             .text(": " + std::to_string(u.draws - u.completed) + " OF " +
                   std::to_string(u.draws) + " DRAWS STOPPED (" + why + ")" +
                   (all ? "; THE STATION HAS NO INTERVALS (EXIT STATUS 1)" : "")));
}

void reportOutsideIntervals(Console& c, std::string_view stationName50,
                            const std::vector<OutsideInterval>& outside) {
  if (outside.empty()) return;
  auto g = [](double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.5G", v);
    return std::string(b);
  };
  std::string list;
  for (const OutsideInterval& o : outside)
    list += (list.empty() ? "" : ", ") + o.name + " " + g(o.value) + " [" + g(o.low) + ", " +
            g(o.high) + "]";
  warning(c, stationName50,
          "THE LISTING'S VALUES LIE OUTSIDE THEIR OWN 95 % INTERVALS OF THE DRAWS: " + list +
              "; THE DRAWS MOVE THEM (EACH DRAW'S DATA PASS SETS NEGATIVE CONCENTRATIONS TO 0 AS "
              "THE LISTING'S DOES, AND CHOOSES A TAIL OR A DISPERSION ESTIMATE AGAIN): READ THE "
              "INTERVALS, AND FOR THE MASS AND THE MEAN TRANSIT TIME THE SIGNED ESTIMATES");
}

void reportFitNotes(Console& c, std::string_view stationName50, const FlowPathFitResult& fit) {
  if (!fit.stillImprovingAtLargest) return;
  const PathModelFit* best = fit.best();
  Console::ReportScope report(c, ShownReport::Kind::Note);
  c.free(fmt::FreeLine("FLOW-PATH FIT: ")
             .text(text::trimmed(stationName50))
             .text(": THE CRITERION STILL IMPROVES AT THE LARGEST MODEL TRIED (" +
                   (best ? best->label() : std::string("?")) +
                   "); THE EXTRA PATHS DESCRIBE THE CURVE'S SHAPE RATHER THAN SEPARATE ROUTES"));
}

void reportReachFit(Console& c, const std::string& from, const std::string& to, double length,
                    const FlowPathFitResult& fit, double endShare) {
  if (endShare > 0.05) {
    Console::ReportScope report(c, ShownReport::Kind::Warning);
    c.free(fmt::FreeLine("REACH FIT: ")
               .text("THE RECORD OF " + from + " ENDS ON A FLUX OF " +
                     fmt::general(100 * endShare, 2) + " % OF ITS PEAK: THE REACH TO " + to +
                     " CARRIES NONE AFTER IT, SO THE FITTED TAIL IS SHORT OF TRACER"));
  }
  const PathModelFit* best = fit.best();
  Console::ReportScope report(c, best ? ShownReport::Kind::Note : ShownReport::Kind::Warning);
  std::string what = from + " TO " + to;
  what += length > 0 ? " (" + fmt::general(length, 4) + " M): " : std::string(": ");
  if (!best) {
    what += "NOT FITTED: " + fit.reason;
  } else {
    what += "MODEL " + best->label() + ", R2 " + fmt::general(best->rSquared, 4);
    if (!best->resolved || !best->settled) what += " (" + best->caution + ")";
  }
  c.free(fmt::FreeLine("REACH FIT: ").text(what));
}

void reportJointFit(Console& c, const JointFitResult& joint) {
  Console::ReportScope report(c, joint.fitted ? ShownReport::Kind::Note : ShownReport::Kind::Warning);
  if (!joint.fitted) {
    c.free(fmt::FreeLine("JOINT FIT: ").text("NOT FITTED: " + joint.reason));
    return;
  }
  std::string what;
  for (const JointFitPart& p : joint.parts) {
    const PathModelFit& m = p.fit.models.front();
    what += (what.empty() ? "" : "; ") + (p.from.empty() ? "RELEASE" : p.from) + " TO " + p.to +
            " (" + fmt::general(p.length, 4) + " M): MODEL " + m.label() + ", R2 " +
            fmt::general(m.rSquared, 4);
  }
  if (!joint.caution.empty()) what += " (" + joint.caution + ")";
  c.free(fmt::FreeLine("JOINT FIT: ").text(what));
}

void writeTotalsIncluded(const ReportTarget& out, int included, int listed) {
  out.echoLine(text::blanks(15) + "The run totals include " + std::to_string(included) + " of " +
               std::to_string(listed) + " stations (the others stopped).");
  out.echoEmpty(2);
}

void reportFilesNotWritten(Console& c, int lost) {
  Console::ReportScope report(c, ShownReport::Kind::Warning);
  c.empty();
  c.free(std::to_string(lost) + (lost == 1 ? " OUTPUT FILE" : " OUTPUT FILES") +
         " COULD NOT BE WRITTEN (SEE THE REPORTS ABOVE);");
  c.free("THE RESULTS LISTINGS ARE COMPLETE.");
}

void stationSummary(Console& c, const StationRecord& st) {
  if (!c.batch()) return;
  char line[512];
  if (!st.analysed()) {
    std::snprintf(line, sizeof line, " %s: stopped (see the report above)", st.stationFile.c_str());
    c.summary(line);
    return;
  }
  const StationResults& r = *st.results;
  char percent[32] = "undefined";
  if (r.recovery->percent) std::snprintf(percent, sizeof percent, "%.5g", *r.recovery->percent);
  std::snprintf(line, sizeof line,
                " %s: analysed; recovered %.5g kg (%s %%); mean transit time %.5g h; "
                "dispersion coefficient %.5g m^2/s; listing %s",
                st.stationFile.c_str(), r.mass->mass.kilograms, percent, r.transit->meanTime.hours,
                r.transport->dispersion, text::trimmed(st.test.listingName).c_str());
  std::string summary = line;
  if (st.uncertainty)
    if (const QuantityInterval* m = st.uncertainty->find(quantityName(QuantityId::RecoveredMass))) {
      std::snprintf(line, sizeof line, "; recovered mass 95 %% interval [%.5g, %.5g] kg", m->p2_5,
                    m->p97_5);
      summary += line;
    }
  if (st.fit) {
    if (const PathModelFit* best = st.fit->best()) {
      std::snprintf(line, sizeof line, "; flow-path fit: %s, R^2 %.4f, residual lag-1 %.3f",
                    best->description().c_str(), best->rSquared, best->errors.residualLag1);
      summary += line;
      if (st.fit->stillImprovingAtLargest) summary += " (still improving at the largest model)";
    } else {
      summary += "; no flow-path fit: " + st.fit->reason;
    }
  }
  c.summary(summary);
}

void runSummary(Console& c, int analysed, int status) {
  if (!c.batch()) return;
  char line[160];
  std::snprintf(line, sizeof line, " %d station%s analysed; exit status %d", analysed,
                analysed == 1 ? "" : "s", status);
  c.summary(line);
}

namespace {

constexpr const char* kFolderInUse =
    " ANOTHER RUN OF THE PROGRAM IS WRITING IN THIS FOLDER; TWO RUNS AT ONCE WOULD MIX "
    "THEIR FILES -- RUN NOT STARTED. RUN AGAIN WHEN THE OTHER HAS ENDED.";

}  // namespace

void reportFolderInUse(Console& c) {
  Console::ReportScope report(c, ShownReport::Kind::Error);
  c.line(kFolderInUse);
}

void stopFolderInUse(Console& c) { stopRun(c, kFolderInUse); }

void reportExtrapolatedShare(Console& c, std::string_view stationName50, double share) {
  char pct[32];
  std::snprintf(pct, sizeof pct, "%.3G", 100 * share);
  warning(c, stationName50,
          std::string("AN EXTRAPOLATED TAIL CARRIES ") + pct +
              " % OF THE RECOVERED MASS: THE MASS DEPENDS ON THE EXTRAPOLATION, AND TRACER "
              "STILL ARRIVING AFTER THE TAIL IS NOT COUNTED, SO READ IT AS A LOWER BOUND");
}

void reportScratchRemoved(Console& c, const std::string& name) {
  Console::ReportScope report(c, ShownReport::Kind::Note);
  c.free(fmt::FreeLine("REMOVED ").text(name).text(
      ", A SCRATCH FILE THAT A RUN WHICH NO LONGER EXISTS LEFT IN THIS FOLDER"));
}

void reportInterrupted(Console& c, const std::string& signalName,
                       const std::vector<RunRecord>& records,
                       const std::vector<OutputRecord>& callFiles) {
  Console::ReportScope report(c, ShownReport::Kind::Error);
  c.empty();
  c.free(fmt::FreeLine("INTERRUPTED (").text(signalName).text(
      "): THE RUN ENDED BETWEEN TWO STEPS; EVERY FILE IT WROTE IS COMPLETE:"));
  std::vector<std::string> names;
  for (const RunRecord& run : records) {
    for (const StationRecord& st : run.stations)
      for (const OutputRecord& f : st.outputs) names.push_back(f.name);
    for (const OutputRecord& f : run.runFiles) names.push_back(f.name);
  }
  for (const OutputRecord& f : callFiles)
    if (f.kind == "results file" || f.kind == "results table" || f.kind == "HTML report")
      names.push_back(f.name);
  if (names.empty()) c.line("   (NONE)");
  for (const std::string& n : names) c.free(fmt::FreeLine("   ").text(n));
}

}  // namespace kaldero
