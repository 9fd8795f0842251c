#include "input/station_file.h"

#include <cmath>
#include <limits>

#include "core/console.h"
#include "core/format.h"
#include "core/file_reports.h"
#include "core/stop.h"
#include "core/text.h"
#include "core/header_layout.h"
#include "input/code_target.h"
#include "input/data_pass.h"
#include "core/units.h"

namespace kaldero {

namespace {

// Reading the header: every helper stops the run itself when the file
// cannot be read as the layout wants.
class HeaderReader {
 public:
  HeaderReader(Console& console, ListReader& reader, const std::string& stationName50)
      : c_(console), r_(reader), name_(stationName50) {}

  void label() { check(r_.skipLine()); }

  void text(std::string& out) { check(r_.readText(out)); }

  // A value line under rule A: it must be read whole.
  template <class... T>
  void values(T&... targets) {
    ReadStatus s = r_.read(targets...);
    check(s);
    if (s == ReadStatus::Error) readError();
  }

  // A value line with its own rule: false when the read failed.
  template <class... T>
  bool tryValues(T&... targets) {
    ReadStatus s = r_.read(targets...);
    check(s);
    return s == ReadStatus::Ok;
  }

  // A value line whose trailing values may be absent: true when read
  // whole, false when the read ran into the following line (the values are
  // absent; the caller steps back). Text on the line itself that cannot be
  // read as its values is a wrong format, never an absent value.
  template <class... T>
  bool optionalValues(T&... targets) {
    ReadStatus s = r_.read(targets...);
    check(s);
    if (s == ReadStatus::Error && r_.lastLine() == r_.firstLine()) unreadableLine();
    return s == ReadStatus::Ok;
  }

  void stepBack() { r_.stepBack(); }

  [[noreturn]] void wrongFormat() {
    Console::ReportScope report(c_, ShownReport::Kind::Error);
    reportWrongFormat(c_, FormatSelector::StationFile, "", name_);
    stopRun(c_);
  }

  // A wrong format found in the value of the line last read, said in words.
  [[noreturn]] void wrongValue(std::string_view what) {
    Console::ReportScope report(c_, ShownReport::Kind::Error);
    c_.empty();
    c_.free(fmt::FreeLine("READ ERROR IN FILE ")
                .text(text::trimmed(name_))
                .text(", LINE ")
                .text(std::to_string(r_.lastLine()))
                .text(": ")
                .text(what));
    wrongFormat();
  }

 private:
  // The end of the file inside the header is fatal wherever it comes.
  void check(ReadStatus s) {
    if (s != ReadStatus::End) return;
    Console::ReportScope report(c_, ShownReport::Kind::Error);
    c_.empty();
    c_.free(fmt::FreeLine("READ ERROR IN FILE ")
                .text(text::trimmed(name_))
                .text(": THE FILE ENDS BEFORE ITS 64 HEADER LINES"));
    c_.empty();
    stopRun(c_, "          PROGRAM STOPPED DUE TO A READ ERROR");
  }

  [[noreturn]] void unreadableLine() {
    Console::ReportScope report(c_, ShownReport::Kind::Error);
    c_.empty();
    c_.free(readErrorLine());
    wrongFormat();
  }

  fmt::FreeLine readErrorLine() const {
    return fmt::FreeLine("READ ERROR IN FILE ")
        .text(text::trimmed(name_))
        .text(", LINE ")
        .text(std::to_string(r_.lastLine()))
        .text(": \"")
        .text(r_.error())
        .text("\" IS NOT A VALUE OF THE KIND WANTED");
  }

  [[noreturn]] void readError() {
    Console::ReportScope report(c_, ShownReport::Kind::Error);
    c_.empty();
    c_.free(readErrorLine());
    c_.empty();
    stopRun(c_, "          PROGRAM STOPPED DUE TO A READ ERROR");
  }

  Console& c_;
  ListReader& r_;
  const std::string& name_;
};

}  // namespace

int32_t StationFile::readHeader(Console& console, TestDescription& t,
                                const std::string& stationName50, int32_t& dataLines) {
  HeaderReader h(console, reader_, stationName50);
  // The codes are read as the integers of the file (CodeTarget) and become
  // their enumerations at the end of each read.
  const auto conduit = [&] {
    return t.geometry == FlowForm::Conduit || t.geometry == FlowForm::ConduitZone;
  };
  auto switches = [&](PlotSwitches& s) {
    h.values(CodeTarget(s.listing).raw(), CodeTarget(s.points).raw(), CodeTarget(s.curve).raw(),
             CodeTarget(s.postscript).raw());
  };
  // The lines in the order of the header layout; a line whose trailing
  // values are absent is read again as the next line (step back).
  for (int line = 1; line <= header::kLines; ++line) {
    if (header::isLabel(line)) {
      h.label();
      continue;
    }
    switch (line) {
      case header::TimeUnit: h.values(CodeTarget(t.timeUnit).raw()); break;
      case header::ConcentrationUnit: h.values(CodeTarget(t.concentrationUnit).raw()); break;
      case header::Background:
        if (!h.optionalValues(CodeTarget(t.backgroundOption).raw(), t.background) ||
            t.background < 0) {
          if (on(t.backgroundOption)) h.wrongFormat();
          h.stepBack();
        }
        break;
      case header::DischargeMode: h.values(CodeTarget(t.dischargeMode).raw()); break;
      case header::DischargeUnit: {
        const bool constant = t.dischargeMode == DischargeMode::Constant;
        const bool unitRead =
            constant ? h.tryValues(CodeTarget(t.dischargeUnit).raw(), t.constantDischarge)
                     : h.tryValues(CodeTarget(t.dischargeUnit).raw());
        if (!unitRead) h.wrongFormat();
        if (t.dischargeMode == DischargeMode::Measured) t.constantDischarge = 0;
        break;
      }
      case header::StationTotals: h.values(CodeTarget(t.stationTotals).raw()); break;
      case header::Distance:
        h.values(CodeTarget(t.distanceUnit).raw(), t.distance);
        // The distance in metres (times the largest sinuosity factor) must
        // be a number of the program: every velocity and dispersion is
        // made from it.
        if (!std::isfinite(t.distance * units::distanceFactor(t.distanceUnit) * 3.0f))
          h.wrongValue(
              "THE TRAVEL DISTANCE IS BEYOND THE RANGE OF THE PROGRAM'S NUMBERS IN METRES");
        break;
      case header::Sinuosity:
        if (!h.optionalValues(t.sinuosityOption, t.sinuosity) ||
            (t.sinuosityOption == 0 && t.sinuosity == 0)) {
          if (t.sinuosityOption == 0 || t.sinuosityOption == 1) t.sinuosity = 1.0f;
          h.stepBack();
        } else if (t.sinuosityOption > 0 && (t.sinuosity <= 0 || t.sinuosity > 1.5f)) {
          h.wrongFormat();
        }
        break;
      case header::FlowForm:
        if (!h.optionalValues(CodeTarget(t.geometry).raw(), t.porosity) || t.porosity <= 0 ||
            t.porosity > 1.0f) {
          if (conduit()) {
            t.porosity = 1.0f;
          } else if (t.porosity < 0 || t.porosity > 1.0f) {
            h.wrongFormat();
          }
          h.stepBack();
        }
        break;
      case header::Conductivity: {
        const bool withConductivity =
            t.geometry == FlowForm::PorousZone || t.geometry == FlowForm::Fractures;
        const bool read =
            withConductivity
                ? h.optionalValues(CodeTarget(t.conductivityUnit).raw(), t.conductivity)
                : h.optionalValues(CodeTarget(t.conductivityUnit).raw());
        if (!read) {
          if (code(t.conductivityUnit) < 0 || code(t.conductivityUnit) > 3) h.wrongFormat();
          h.stepBack();
        } else if (conduit()) {
          t.conductivity = 0;
        }
        break;
      }
      case header::ListingName:
        h.text(t.listingName);
        if (t.listingName == stationName50) {
          reportListingNameReused(console, t.listingName);
          return 1;
        }
        break;
      case header::Knots:
        if (!h.optionalValues(CodeTarget(t.knotOption).raw(), t.knotIntervals) ||
            t.knotIntervals <= 0) {
          if (on(t.knotOption) && t.knotIntervals == 0) h.wrongFormat();
          h.stepBack();
        }
        break;
      case header::InterpolatedName:
        h.text(t.interpolatedName);
        if (t.interpolatedName == stationName50 || t.interpolatedName == t.listingName) {
          reportInterpolatedNameReused(console, t.interpolatedName);
          return 1;
        }
        break;
      case header::Extrapolation: {
        // (A code is its enumeration only after the statement that read it.)
        const bool tailRead = h.optionalValues(CodeTarget(t.extrapolationOption).raw(),
                                               CodeTarget(t.extrapolationMethod).raw());
        if (!tailRead || code(t.extrapolationMethod) <= 0) {
          if (on(t.extrapolationOption)) h.wrongFormat();
          h.stepBack();
        }
        // Only methods 1 to 3 extend a tail; another one would leave it
        // unmade.
        if (on(t.extrapolationOption) && code(t.extrapolationMethod) > 3) h.wrongFormat();
        break;
      }
      case header::DataPlot: switches(t.dataPlot); break;
      case header::InterpolatedPlot: switches(t.interpolatedPlot); break;
      case header::ChatwinPlot: {
        ChatwinSwitches& cw = t.chatwinPlot;
        h.values(CodeTarget(cw.tableOnScreen).raw(), CodeTarget(cw.tableFile).raw(),
                 CodeTarget(cw.screenPlot).raw(), CodeTarget(cw.postscript).raw());
        break;
      }
      case header::Cxtfit:
        h.values(CodeTarget(t.cxtfitOption).raw(), t.cxtfitSettings[0], t.cxtfitSettings[1]);
        break;
      case header::CxtfitName: h.text(t.cxtfitName); break;
      case header::NormalizedFile: h.values(CodeTarget(t.normalizedOption).raw()); break;
      case header::NormalizedName: h.text(t.normalizedName); break;
      case header::NormalizedPlot: switches(t.normalizedPlot); break;
      case header::LoadFile: h.values(CodeTarget(t.loadOption).raw()); break;
      case header::LoadName: h.text(t.loadName); break;
      case header::LoadPlot: switches(t.loadPlot); break;
      case header::StandardizedFile: h.values(CodeTarget(t.standardizedOption).raw()); break;
      case header::StandardizedName: h.text(t.standardizedName); break;
      case header::StandardizedPlot: switches(t.standardizedPlot); break;
      case header::ScreenEcho: h.values(CodeTarget(t.screenEcho).raw()); break;
      case header::Reduction: h.values(CodeTarget(t.reductionMode).raw()); break;
      default: h.label(); break;
    }
  }
  // Only modes 1 to 3 make samples; any other mode would leave the curve
  // empty.
  if (code(t.reductionMode) < 1 || code(t.reductionMode) > 3) h.wrongFormat();

  const int64_t lines = file_.countRemaining();
  if (lines > std::numeric_limits<int32_t>::max() / 16) {
    Console::ReportScope report(console, ShownReport::Kind::Error);
    console.empty();
    console.free(fmt::FreeLine("FILE ")
                     .text(text::trimmed(stationName50))
                     .text(" HAS TOO MANY DATA LINES TO BE PROCESSED"));
    stopRun(console, "          PROGRAM STOPPED");
  }
  dataLines = static_cast<int32_t>(lines);
  dataLines_ = lines;
  return 0;
}

MeasuredRecord StationFile::readRecord(Console& console, const TestDescription& t,
                                      const std::string& stationName50, int64_t dataLines) {
  MeasuredRecord r;
  r.dischargeColumn = t.dischargeMode != DischargeMode::Constant;
  r.dataLines = dataLines;
  // Every data line is at most one read: the record never grows beyond
  // this.
  try {
    const auto lines = static_cast<std::size_t>(std::max<int64_t>(dataLines, 0));
    r.T.reserve(lines);
    r.C.reserve(lines);
    if (r.dischargeColumn) r.Q.reserve(lines);
  } catch (const std::bad_alloc&) {
    Console::ReportScope report(console, ShownReport::Kind::Error);
    file_.close();
    console.empty();
    console.free(fmt::FreeLine("FILE ")
                     .text(text::trimmed(stationName50))
                     .text(" HAS TOO MANY DATA LINES TO BE HELD IN MEMORY"));
    stopRun(console, "          PROGRAM STOPPED");
  }
  file_.rewind();
  for (int i = 0; i < 64; ++i) reader_.skipLine();
  const uint32_t every = r.dischargeColumn ? 7u : 3u;
  for (;;) {
    float tv = 0, cv = 0, qv = 0;
    const ReadStatus s = r.dischargeColumn ? reader_.read(tv, cv, qv) : reader_.read(tv, cv);
    const int64_t at = r.size();
    if (s == ReadStatus::Error) {
      r.unreadable = MeasuredRecord::Unreadable{at, reader_.lastLine(), reader_.error()};
      break;
    }
    const uint32_t assigned = reader_.assignedMask();
    if (s == ReadStatus::End) {
      if (assigned != 0) r.endRead = MeasuredRecord::EndRead{assigned, tv, cv, qv};
      break;
    }
    if (assigned != every) r.partial.push_back({at, assigned});
    if (r.extraValues.read < 0 && reader_.valuesLeftOver())
      r.extraValues = {at, reader_.lastLine()};
    if (r.decimalComma.read < 0 && reader_.decimalCommaSeen())
      r.decimalComma = {at, reader_.lastLine()};
    r.T.push_back(tv);
    r.C.push_back(cv);
    if (r.dischargeColumn) r.Q.push_back(qv);
  }
  file_.close();
  return r;
}

MeasuredCurve StationFile::readData(Console& console, const TestDescription& t,
                                   const std::string& stationName50, int32_t wanted, int32_t k,
                                   ReductionMode mode, DataPassFacts& facts,
                                   MeasuredRecord* keep) {
  MeasuredRecord record = readRecord(console, t, stationName50, dataLines_);
  // What a stop reports of the record is kept before it may give up its
  // arrays.
  const std::optional<MeasuredRecord::Unreadable> unreadable = record.unreadable;
  DataPassCurve pass = keep ? curveFromRecord(record, t, wanted, k, mode)
                            : curveFromRecord(std::move(record), t, wanted, k, mode);
  facts = pass.facts;
  auto stop = [&](const fmt::FreeLine& what) {
    Console::ReportScope report(console, ShownReport::Kind::Error);
    console.empty();
    console.free(what);
    reportWrongFormat(console, FormatSelector::StationFile, "", stationName50);
    stopRun(console);
  };
  const std::string name = text::trimmed(stationName50);
  switch (pass.stop) {
    case DataPassCurve::Stop::None: break;
    case DataPassCurve::Stop::Unreadable:
      stop(fmt::FreeLine("READ ERROR IN FILE ")
               .text(name)
               .text(", LINE ")
               .text(std::to_string(unreadable->line))
               .text(": \"")
               .text(unreadable->token)
               .text("\" IS NOT A NUMBER"));
      break;
    case DataPassCurve::Stop::FewerThanTwoSamples:
      stop(fmt::FreeLine("FILE ").text(name).text(" HOLDS FEWER THAN TWO SAMPLES"));
      break;
    case DataPassCurve::Stop::NoTracer:
      stop(fmt::FreeLine("FILE ").text(name).text(" HOLDS NO SAMPLE WITH A POSITIVE CONCENTRATION"));
      break;
  }
  if (keep) *keep = std::move(record);
  return std::move(pass.curve);
}

void checkTimeOrder(Console& c, std::span<const float> T, int32_t n) {
  for (int32_t i = 0; i + 1 < n; ++i) {
    if (T[i] < T[i + 1]) continue;
    Console::ReportScope report(c, ShownReport::Kind::Error);
    auto g = [](float v) { return fmt::G(v, 9, 4); };
    const std::string col(26, ' ');
    c.empty(3);
    c.line(std::string("  TIME DATA NOT STRICTLY INCREASING -- PROGRAM") +
           " NECESSARILY STOPPED.  CHECK");
    c.line(std::string("  DATA FILE FOR TYPOGRAPHICAL ERRORS -- ALSO") +
           " CHECK FOR BLANK LINES IN FILE.");
    c.empty();
    c.line("         *NOTE* BLANK LINES ARE READ AS ZERO TIME.");
    c.empty(2);
    c.line(col + "TIME DATA");
    c.line(col + "---------");
    if (T[i] != T[0] && i >= 1) c.line(col + g(T[i - 1]));
    c.line(col + g(T[i]));
    c.line(std::string(12, ' ') + "**ERROR**>" + "    " + g(T[i + 1]) + "  " + "<**ERROR**");
    const bool third = i + 2 < n;
    if (third) c.line(col + g(T[i + 2]));
    if (i + 3 < n && T[i + 2] != T[n - 2] && T[i + 2] < T[i + 3]) c.line(col + g(T[i + 3]));
    c.empty(2);
    std::string signs = std::string(12, ' ') + g(T[i]) + " >" + std::string(6, ' ') + g(T[i + 1]);
    if (third) signs += " <" + std::string(6, ' ') + g(T[i + 2]);
    c.line(signs);
    c.empty();
    c.line(std::string(14, ' ') + g(T[i]) + " NOT LESS THAN" + std::string(5, ' ') +
           g(T[i + 1]) + " !");
    c.empty(2);
    stopRun(c, "          STOPPED DUE TO TIME DATA FILE ERROR(S)!!!");
  }
}

}  // namespace kaldero
