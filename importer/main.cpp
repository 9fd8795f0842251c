// kaldero-import: turns a field-logger export into a KALDERO station data
// file. This file only reads the command line, calls the importer library
// and reports; exit status 0 on success, 1 for bad data or a file that
// cannot be read or written, 2 for bad options.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "core/interrupt.h"
#include "core/scratch_files.h"
#include "core/text.h"
#include "core/version.h"
#include "importer/datetime.h"
#include "importer/import.h"
#include "importer/numbers.h"

using namespace kaldero::importer;

namespace {

constexpr int kDataError = 1;
constexpr int kOptionError = 2;

// The folder of a file to write ("" for the working folder).
std::string outputFolder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int optionFailure(const std::string& message) {
  std::cerr << "kaldero-import: " << kaldero::text::terminalSafe(message) << "\n";
  return kOptionError;
}

std::string shortNumber(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

std::string plural(int64_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

void report(const ImportSummary& s, const ImportOptions& o) {
  std::cout << "kaldero-import: wrote " << s.stationPath << ": " << plural(s.samples, "sample")
            << " from " << shortNumber(s.firstTime) << " to " << shortNumber(s.lastTime) << " "
            << s.timeUnit << " after the release (" << s.releaseStamp << ")\n";
  for (const std::string& n : s.notes) std::cout << "  " << kaldero::text::terminalSafe(n) << "\n";
  std::cout << "  dropped: " << plural(s.beforeRelease, "row") << " before the release, "
            << plural(s.missing, "row") << " with a missing value";
  if (s.missing > 0) std::cout << " (the first on line " << s.firstMissingLine << ")";
  std::cout << "\n";
  if (s.longestGap > 0)
    std::cout << "  longest interval between samples: " << formatDuration(s.longestGap)
              << " (lines " << s.gapFromLine << " and " << s.gapToLine << ")\n";
  if (o.discharge == DischargeSource::File) {
    std::cout << "  discharge records used from " << s.dischargeFirst << " to " << s.dischargeLast
              << "; " << plural(s.dischargeMissing, "record") << " without a value skipped\n";
    if (s.beforeDischarge > 0 || s.afterDischarge > 0)
      std::cout << "  no discharge there, no extrapolation: " << plural(s.beforeDischarge, "row")
                << " before the first discharge record and " << plural(s.afterDischarge, "row")
                << " after the last dropped\n";
    if (s.longestBridge > 0)
      std::cout << "  longest discharge interval interpolated across: "
                << formatDuration(s.longestBridge) << " (" << o.dischargePath << " lines "
                << s.bridgeFromLine << " and " << s.bridgeToLine << ")\n";
  }
  if (o.control) std::cout << "  control file " << o.control->path << ": " << s.controlAction << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Builds a KALDERO station data file from a field-logger export.\n"
               "See docs/import.md for every option and the header options file."};
  // One version for the importer and the program it writes for.
  app.set_version_flag("--version", "kaldero-import (" + std::string(kaldero::kProgramName) + ") " +
                                        std::string(kaldero::kProgramVersion));
  ImportOptions o;
  std::string datetimeCol, dateCol, timeCol, dateOrder = "dmy", concentrationCol, concentrationUnit;
  std::string discharge, dischargeCol, dischargeUnit, qDatetimeCol, qDateCol, qTimeCol, qFormat;
  std::string timeUnit = "h", distance, listing, header, delimiter, control, mass, releaseText,
              title, arrival;
  int64_t skipLines = 0;

  app.add_option("LOGGERFILE", o.loggerPath, "The logger export")->required();
  app.add_option("-o,--output", o.stationPath, "The station data file to write")->required();
  app.add_option("--injection", o.injection,
                 "Release date-time: ISO 8601 (2016-04-13T10:00) or a form of the time stamps "
                 "(13.04.2016 10:00)")
      ->required();
  auto* dtOpt = app.add_option("--datetime-column", datetimeCol,
                               "Column of the time stamps: number or header name (default 1)");
  auto* dOpt = app.add_option("--date-column", dateCol, "Column of the dates, when apart");
  auto* tOpt = app.add_option("--time-column", timeCol, "Column of the times of day, when apart");
  dOpt->excludes(dtOpt);
  tOpt->excludes(dtOpt);
  app.add_option("--date-order", dateOrder, "Order of D/M/YYYY dates: dmy (default) or mdy")
      ->check(CLI::IsMember({"dmy", "mdy"}));
  app.add_option("--datetime-format", o.format.strptime,
                 "strptime format of the time stamps (date and time columns joined by a blank)");
  app.add_option("--concentration-column", concentrationCol, "Column of the concentrations")
      ->required();
  app.add_option("--concentration-unit", concentrationUnit, "g/L, mg/L, ug/L (ppb) or ng/L")
      ->required();
  auto* qConst = app.add_option("--discharge", discharge, "Constant discharge \"VALUE UNIT\"");
  auto* qCol = app.add_option("--discharge-column", dischargeCol,
                              "Column of the discharges (in the logger file or --discharge-file)");
  auto* qUnit = app.add_option("--discharge-unit", dischargeUnit,
                               "m3/d, m3/h, m3/min, m3/s, L/s, gpd, gpm, ft3/d, ft3/h, ft3/min, ft3/s");
  auto* qFile = app.add_option("--discharge-file", o.dischargePath,
                               "A discharge logger, interpolated onto the time stamps");
  auto* qDt = app.add_option("--discharge-datetime-column", qDatetimeCol,
                             "Time stamp column of the discharge file (default 1)");
  auto* qD = app.add_option("--discharge-date-column", qDateCol, "Date column of the discharge file");
  auto* qT = app.add_option("--discharge-time-column", qTimeCol, "Time column of the discharge file");
  auto* qF = app.add_option("--discharge-datetime-format", qFormat,
                            "strptime format of the discharge file's time stamps");
  qConst->excludes(qCol)->excludes(qFile)->excludes(qUnit);
  qD->excludes(qDt);
  qT->excludes(qDt);
  for (auto* opt : {qDt, qD, qT, qF}) opt->needs(qFile);
  qFile->needs(qCol);
  app.add_option("--time-unit", timeUnit, "Time unit of the station file: d, h (default), min, s")
      ->check(CLI::IsMember({"d", "h", "min", "s"}));
  app.add_option("--distance", distance, "Travel distance \"VALUE UNIT\" (m, ft, km, mi)")->required();
  auto* listingOpt = app.add_option("--listing", listing, "Results listing name (default: NAME.OUT)");
  auto* headerOpt = app.add_option("--header", header, "Header options file (TOML)");
  auto* delimOpt = app.add_option("--delimiter", delimiter, "comma, semicolon or tab (default: detected)")
                       ->check(CLI::IsMember({"comma", "semicolon", "tab"}));
  bool decimalComma = false;
  auto* commaOpt = app.add_flag("--decimal-comma", decimalComma,
                                "Values have a decimal comma (default: detected)");
  auto* skipOpt = app.add_option("--skip-lines", skipLines, "Lines before the header row")
                      ->check(CLI::NonNegativeNumber);
  auto* controlOpt = app.add_option("--control", control, "Control file to write or extend");
  auto* massOpt = app.add_option("--mass", mass, "Injected mass \"VALUE UNIT\" (lb, kg, g, mg)");
  auto* releaseOpt =
      app.add_option("--release", releaseText, "instantaneous or pulse:HOURS");
  auto* titleOpt = app.add_option("--title", title, "Title line of a new control file");
  auto* arrivalOpt = app.add_option("--arrival", arrival, "Flow-zone arrival time in hours (default 0)");
  for (auto* opt : {massOpt, releaseOpt, titleOpt, arrivalOpt}) opt->needs(controlOpt);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : kOptionError;
  }

  // Columns.
  if (dOpt->count() != tOpt->count())
    return optionFailure("--date-column and --time-column go together");
  if (dtOpt->count()) o.datetime = ColumnRef::parse(datetimeCol);
  if (dOpt->count()) {
    o.date = ColumnRef::parse(dateCol);
    o.time = ColumnRef::parse(timeCol);
  }
  o.format.order = dateOrder == "mdy" ? DateOrder::MonthDay : DateOrder::DayMonth;
  o.concentration = ColumnRef::parse(concentrationCol);
  for (const std::string* c :
       {&datetimeCol, &dateCol, &timeCol, &concentrationCol, &dischargeCol, &qDatetimeCol,
        &qDateCol, &qTimeCol}) {
    const ColumnRef ref = ColumnRef::parse(*c);
    if (!c->empty() && ref.number == 0 && ref.name.empty())
      return optionFailure("a column option is blank");
    if (ref.number == 0 && !ref.name.empty() &&
        ref.name.find_first_not_of("0123456789") == std::string::npos)
      return optionFailure("column \"" + ref.name + "\": columns are numbered from 1");
  }
  auto cUnit = findUnit(Quantity::Concentration, concentrationUnit);
  if (!cUnit)
    return optionFailure("--concentration-unit \"" + concentrationUnit + "\" is not one of " +
                         unitNames(Quantity::Concentration));
  o.concentrationUnit = *cUnit;

  // Discharge.
  std::string why;
  if (qConst->count()) {
    auto m = parseMeasure(Quantity::Discharge, discharge, why);
    if (!m) return optionFailure("--discharge: " + why);
    o.discharge = DischargeSource::Constant;
    o.constantDischarge = m->value;
    o.dischargeUnit = m->unit;
  } else if (qCol->count()) {
    if (!qUnit->count()) return optionFailure("--discharge-column needs --discharge-unit");
    auto u = findUnit(Quantity::Discharge, dischargeUnit);
    if (!u)
      return optionFailure("--discharge-unit \"" + dischargeUnit + "\" is not one of " +
                           unitNames(Quantity::Discharge));
    o.dischargeUnit = *u;
    o.dischargeColumn = ColumnRef::parse(dischargeCol);
    o.discharge = qFile->count() ? DischargeSource::File : DischargeSource::Column;
    if (qDt->count()) o.dischargeDatetime = ColumnRef::parse(qDatetimeCol);
    if (qD->count() != qT->count())
      return optionFailure("--discharge-date-column and --discharge-time-column go together");
    if (qD->count()) {
      o.dischargeDate = ColumnRef::parse(qDateCol);
      o.dischargeTime = ColumnRef::parse(qTimeCol);
    }
    o.dischargeFormat.order = o.format.order;
    o.dischargeFormat.strptime = qFormat;
  } else {
    return optionFailure(
        "no discharge: give --discharge \"VALUE UNIT\", --discharge-column COL, or "
        "--discharge-file FILE --discharge-column COL (with --discharge-unit)");
  }

  // Station.
  o.timeUnit = *findUnit(Quantity::Time, timeUnit);
  auto d = parseMeasure(Quantity::Distance, distance, why);
  if (!d) return optionFailure("--distance: " + why);
  o.distance = *d;
  if (listingOpt->count()) o.listing = listing;
  if (headerOpt->count()) o.headerOptionsPath = header;

  // Layout.
  if (delimOpt->count())
    o.layout.delimiter = delimiter == "tab" ? '\t'
                         : delimiter == "semicolon" ? ';'
                                                                        : ',';
  o.layout.decimalComma = commaOpt->count() > 0;
  if (skipOpt->count()) o.layout.skipLines = skipLines;

  // Control file.
  if (controlOpt->count()) {
    ControlRequest c;
    c.path = control;
    if (massOpt->count()) {
      auto m = parseMeasure(Quantity::Mass, mass, why);
      if (!m) return optionFailure("--mass: " + why);
      if (!(m->value > 0)) return optionFailure("--mass must be above 0");
      c.mass = *m;
    }
    if (releaseOpt->count()) {
      auto r = parseRelease(releaseText, why);
      if (!r) return optionFailure("--release: " + why);
      c.release = *r;
    }
    if (titleOpt->count()) c.title = title;
    if (arrivalOpt->count()) {
      // Read as the other numbers are: "nan" and "inf" are no number.
      double hours = 0;
      if (!parseNumber(arrival, hours))
        return optionFailure("--arrival: \"" + arrival + "\" is not a number of hours");
      c.arrivalHours = hours;
    }
    o.control = c;
  }

  // SIGINT and SIGTERM stop the import with no station file written (the
  // temporary one is removed).
  kaldero::interrupt::install();
  for (const std::string& f : kaldero::removeStaleScratchFiles(outputFolder(o.stationPath)))
    std::cout << "kaldero-import: removed " << kaldero::text::terminalSafe(f)
              << ", a scratch file that an import which no longer exists left\n";
  std::optional<Expected<ImportSummary>> imported;
  try {
    imported.emplace(importStation(o));
  } catch (const kaldero::interrupt::Interrupted& i) {
    std::cerr << "kaldero-import: interrupted (" << i.name() << "): no station file written\n";
    return i.exitStatus();
  }
  const Expected<ImportSummary>& result = *imported;
  if (!result) {
    const Error& e = result.error();
    if (e.file.empty()) return optionFailure(e.message);
    std::cerr << kaldero::text::terminalSafe(e.text()) << "\n";
    return e.kind == ErrorKind::Option ? kOptionError : kDataError;
  }
  report(*result, o);
  return 0;
}
