#include "importer/import.h"

#include <fast_float/fast_float.h>
#include <sys/stat.h>

#include <filesystem>

#include "importer/discharge_track.h"
#include "importer/header_options.h"
#include "core/interrupt.h"
#include "core/checked_file.h"

namespace kaldero::importer {

namespace {

std::string baseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(path, ec).parent_path();
  auto canonical = std::filesystem::weakly_canonical(p, ec);
  return ec ? p.string() : canonical.string();
}

// True when both paths name one existing file.
bool sameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string delimiterWord(char d) {
  return d == '\t' ? "tab" : d == ';' ? "semicolon" : "comma";
}

// The caption of the data columns (header line 64).
std::string caption(const ImportOptions& o, const Layout& L) {
  auto named = [&](int index, const char* otherwise) {
    if (index >= 0 && static_cast<std::size_t>(index) < L.names.size() && !L.names[index].empty())
      return L.names[index];
    return std::string(otherwise);
  };
  std::string s = "TIME (" + std::string(o.timeUnit.caption) + ")   " +
                  named(L.valueIndex[0], "CONCENTRATION") + " (" +
                  std::string(o.concentrationUnit.caption) + ")";
  if (o.discharge == DischargeSource::Column)
    s += "   " + named(L.valueIndex[1], "DISCHARGE") + " (" +
         std::string(o.dischargeUnit.caption) + ")";
  else if (o.discharge == DischargeSource::File)
    s += "   DISCHARGE (" + std::string(o.dischargeUnit.caption) + ")";
  return s;
}

std::string describeLayout(const Layout& L, bool dateAndTime, const std::string& what) {
  std::string s = what + ": " + delimiterWord(L.delimiter) + "-delimited";
  if (L.mark == DecimalMark::Comma) s += ", decimal comma";
  s += L.headerLine ? ", header row on line " + std::to_string(L.headerLine) : ", no header row";
  s += ", data from line " + std::to_string(L.firstDataLine) + "; time stamps from ";
  if (dateAndTime)
    s += L.describe(L.dateIndex) + " and " + L.describe(L.timeIndex);
  else
    s += L.describe(L.datetimeIndex);
  return s;
}

// The options that can be checked before any file is read.
Status checkOptions(const ImportOptions& o, const std::string& stationName) {
  if (stationName.empty()) return optionError("-o must name a file, not a folder");
  if (stationName.size() > kMaxNameLength)
    return optionError("the station file name \"" + stationName + "\" is longer than " +
                       std::to_string(kMaxNameLength) +
                       " characters, more than a control file line holds");
  if (!(o.distance.value > 0)) return optionError("--distance must be above 0");
  if (const std::string why = singlePrecisionProblem(
          o.distance.value, programFactor(Quantity::Distance, o.distance.unit.code), "m");
      !why.empty())
    return optionError("--distance \"" + formatNumber(o.distance.value) + " " +
                       std::string(o.distance.unit.name) + "\" " + why);
  if (o.discharge == DischargeSource::Constant) {
    if (!(o.constantDischarge > 0)) return optionError("--discharge must be above 0");
    // As written in the header (in the unit code's unit), then in m3/s.
    if (const std::string why = singlePrecisionProblem(
            o.constantDischarge * o.dischargeUnit.factor,
            programFactor(Quantity::Discharge, o.dischargeUnit.code), "m3/s");
        !why.empty())
      return optionError("--discharge \"" + formatNumber(o.constantDischarge) + " " +
                         std::string(o.dischargeUnit.name) + "\" " + why);
  }
  // An output that is a device, a pipe or a folder is never replaced.
  struct stat st {};
  if (::stat(o.stationPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return optionError("-o " + o.stationPath +
                       " is not a regular file (a device, a pipe or a folder): the station file "
                       "would replace it");
  // The station file replaces no input: a rename over the logger file would
  // lose the export it was made from.
  std::vector<std::pair<std::string, std::string>> inputs = {{"the logger file", o.loggerPath}};
  if (o.discharge == DischargeSource::File) inputs.push_back({"the discharge file", o.dischargePath});
  if (o.headerOptionsPath) inputs.push_back({"the header options file", *o.headerOptionsPath});
  if (o.control) inputs.push_back({"the control file", o.control->path});
  for (const auto& [what, path] : inputs)
    if (path == o.stationPath || sameFile(path, o.stationPath))
      return optionError("-o " + o.stationPath + " is " + what + ": the station file would replace it");
  if (o.control) {
    if (o.control->path == o.loggerPath || sameFile(o.control->path, o.loggerPath) ||
        (o.discharge == DischargeSource::File && sameFile(o.control->path, o.dischargePath)))
      return optionError("--control " + o.control->path + " is an input file");
    if (folderOf(o.control->path) != folderOf(o.stationPath))
      return optionError("--control " + o.control->path + " and -o " + o.stationPath +
                         " must be in one folder: the program opens the station files named in a "
                         "control file in the folder it runs in");
  }
  return std::nullopt;
}

}  // namespace

Expected<ImportSummary> importStation(const ImportOptions& o) {
  ImportSummary sum;
  sum.stationPath = o.stationPath;
  sum.timeUnit = o.timeUnit.name;

  // The release in ISO 8601 or in any form the time stamps take.
  const StampParse release = parseInjection(o.injection, o.format);
  if (!release.stamp)
    return optionError(
        "--injection \"" + o.injection + "\" is not a date-time" +
        (release.why.empty()
             ? " in ISO 8601 (2016-04-13T10:00, 2016-04-13 10:00:00) or in a form of the time "
               "stamps (13.04.2016 10:00, 13/04/2016 10:00" +
                   std::string(o.format.strptime.empty() ? "" : ", --datetime-format") + ")"
             : ": " + release.why));
  const Stamp injection = *release.stamp;
  sum.releaseStamp = formatStamp(injection);

  const std::string stationName = baseName(o.stationPath);
  if (auto e = checkOptions(o, stationName)) return *e;

  // The header.
  StationHeader h;
  setDefaultNames(h, stationName);
  if (o.headerOptionsPath)
    if (auto e = applyHeaderOptions(*o.headerOptionsPath, h)) return *e;
  if (o.listing) h.listingName = *o.listing;
  h.timeUnit = o.timeUnit.code;
  h.concentrationUnit = o.concentrationUnit.code;
  h.measuredDischarge = o.discharge != DischargeSource::Constant;
  h.dischargeUnit = o.dischargeUnit.code;
  h.constantDischarge = o.constantDischarge * o.dischargeUnit.factor;
  h.distanceUnit = o.distance.unit.code;
  h.distance = o.distance.value;
  if (auto e = checkHeader(h, stationName)) return *e;

  std::optional<ControlPlan> control;
  if (o.control) {
    auto plan = planControlFile(*o.control, stationName,
                                "TRACER TEST: " + upper(stationName) + " FROM " + baseName(o.loggerPath));
    if (!plan) return plan.error();
    control = std::move(*plan);
  }

  // The input files.
  TableSource source;
  source.path = o.loggerPath;
  source.datetime = o.datetime;
  source.date = o.date;
  source.time = o.time;
  source.layout = o.layout;
  source.format = o.format;
  source.values.push_back(o.concentration);
  if (o.discharge == DischargeSource::Column) source.values.push_back(o.dischargeColumn);
  TableReader table;
  if (auto e = table.open(source)) return *e;

  DischargeTrack track;
  if (o.discharge == DischargeSource::File) {
    TableSource q;
    q.path = o.dischargePath;
    q.datetime = o.dischargeDatetime;
    q.date = o.dischargeDate;
    q.time = o.dischargeTime;
    q.format = o.dischargeFormat;
    q.values.push_back(o.dischargeColumn);
    if (auto e = track.open(q, o.dischargeUnit.factor)) return *e;
    const DischargeTrack::Record& first = *track.first();
    if (first.stamp.zoned != injection.zoned)
      return dataError(q.path, first.line, first.stampColumn,
                       first.stamp.zoned
                           ? "the time stamps have a time zone but --injection has none: give the "
                             "release with its offset"
                           : "the time stamps have no time zone but --injection has one: give the "
                             "release as the loggers' clock showed it, without a zone");
    sum.dischargeFirst = "line " + std::to_string(first.line) + " (" + formatStamp(first.stamp) + ")";
  }

  h.columnCaption = caption(o, table.layout());
  AtomicFile out;
  if (auto e = out.create(o.stationPath)) return *e;
  out.write(headerText(h));

  const double unit = static_cast<double>(o.timeUnit.micros);
  bool zoneChecked = false;
  int64_t rows = 0;
  int64_t lastRowLine = 0, lastStampColumn = 1;
  Stamp lastStamp;
  float lastTime = 0;
  int64_t lastWritten = 0, lastWrittenLine = 0;
  char line[128];
  for (;;) {
    const TableReader::Next n = table.next();
    if (n == TableReader::Next::Failed) return table.error();
    if (n == TableReader::Next::End) break;
    ++rows;
    // An interrupt leaves no station file: the temporary goes with out.
    if ((rows & 4095) == 0) interrupt::check();
    if (table.stampMissing()) {
      if (!sum.firstMissingLine) sum.firstMissingLine = table.line();
      ++sum.missing;
      continue;
    }
    const Stamp& s = table.stamp();
    lastRowLine = table.line();
    lastStampColumn = table.stampColumn();
    lastStamp = s;
    if (!zoneChecked) {
      if (s.zoned != injection.zoned)
        return table.errorAt(
            table.stampColumn(),
            s.zoned ? "the time stamps have a time zone but --injection has none: give the release "
                      "with its offset (e.g. 2016-04-13T10:00+02:00)"
                    : "the time stamps have no time zone (they are clock readings) but --injection "
                      "has one: give the release as the logger's clock showed it, without a zone");
      zoneChecked = true;
    }
    if (s.micros < injection.micros) {
      ++sum.beforeRelease;
      continue;
    }
    std::optional<double> c, q;
    if (!table.value(0, c)) return table.error();
    if (o.discharge == DischargeSource::Column && !table.value(1, q)) return table.error();
    // A negative discharge is refused as --discharge is, also on a row
    // without a concentration: it is no measurement the program can use.
    if (q && *q < 0) {
      const Layout& L = table.layout();
      return table.errorAt(table.valueColumn(1), "the discharge " + formatNumber(*q) + " in " +
                                                     L.describe(L.valueIndex[1]) +
                                                     " is below 0: a discharge cannot be negative");
    }
    if (!c || (o.discharge == DischargeSource::Column && !q)) {
      if (!sum.firstMissingLine) sum.firstMissingLine = table.line();
      ++sum.missing;
      continue;
    }
    if (!inSinglePrecision(*c))
      return table.errorAt(table.valueColumn(0), "the concentration " + formatNumber(*c) +
                                                     " is beyond the program's single precision");
    if (q) {
      *q *= o.dischargeUnit.factor;
      if (!inSinglePrecision(*q))
        return table.errorAt(table.valueColumn(1), "the discharge is beyond the program's single precision");
    }
    if (o.discharge == DischargeSource::File) {
      auto d = track.at(s);
      if (!d) return d.error();
      if (d->where == DischargeTrack::Where::Before) {
        ++sum.beforeDischarge;
        continue;
      }
      if (d->where == DischargeTrack::Where::After) {
        ++sum.afterDischarge;
        continue;
      }
      q = d->q;
    }

    const double elapsed = static_cast<double>(s.micros - injection.micros) / unit;
    std::size_t len = formatNumber(elapsed, line);
    // The program reads times in single precision and stops on times that
    // do not increase: two stamps that read as one time are refused here,
    // with their lines, rather than there.
    float asRead = 0;
    fast_float::from_chars(line, line + len, asRead);
    if (sum.samples > 0 && !(asRead > lastTime))
      return table.errorAt(
          table.stampColumn(),
          "this time stamp is " + formatDuration(s.micros - lastWritten) + " after that of line " +
              std::to_string(lastWrittenLine) + ": " + formatDuration(s.micros - injection.micros) +
              " after the release, the program's single precision (about 7 digits) cannot tell "
              "the two times apart; keep fewer rows (e.g. every k-th)");
    if (sum.samples > 0 && s.micros - lastWritten > sum.longestGap) {
      sum.longestGap = s.micros - lastWritten;
      sum.gapFromLine = lastWrittenLine;
      sum.gapToLine = table.line();
    }
    line[len++] = ' ';
    line[len++] = ' ';
    len += formatNumber(*c, line + len);
    if (q) {
      line[len++] = ' ';
      line[len++] = ' ';
      len += formatNumber(*q, line + len);
    }
    line[len++] = '\n';
    out.write(std::string_view(line, len));
    if (sum.samples == 0) sum.firstTime = elapsed;
    sum.lastTime = elapsed;
    lastTime = asRead;
    lastWritten = s.micros;
    lastWrittenLine = table.line();
    ++sum.samples;
  }

  const std::string& path = o.loggerPath;
  if (rows == 0)
    return dataError(path, table.layout().firstDataLine, 1,
                     "no data rows" + (table.layout().headerLine
                                           ? " after the header row (line " +
                                                 std::to_string(table.layout().headerLine) + ")"
                                           : std::string()));
  if (sum.samples == 0 && lastRowLine > 0 && lastStamp.micros < injection.micros)
    return dataError(path, lastRowLine, lastStampColumn,
                     "no row after the release (" + formatStamp(injection) +
                         "): the last time stamp, on this line, is " + formatStamp(lastStamp));
  if (sum.samples < 2) {
    std::string why = std::to_string(sum.samples) + " sample" + (sum.samples == 1 ? "" : "s") +
                      " after the release; the program needs at least two (" +
                      std::to_string(sum.beforeRelease) + " rows before the release, " +
                      std::to_string(sum.missing) + " with a missing value";
    if (o.discharge == DischargeSource::File)
      why += ", " + std::to_string(sum.beforeDischarge + sum.afterDischarge) +
             " outside the discharge records";
    return dataError(path, lastRowLine > 0 ? lastRowLine : table.layout().firstDataLine, 1,
                     why + ")");
  }

  // The layouts as found (the decimal mark is settled by the values read).
  sum.notes.push_back(describeLayout(table.layout(), o.date.has_value(), baseName(o.loggerPath)) +
                      "; concentration from " + table.layout().describe(table.layout().valueIndex[0]) +
                      (o.discharge == DischargeSource::Column
                           ? "; discharge from " + table.layout().describe(table.layout().valueIndex[1])
                           : ""));
  if (o.discharge == DischargeSource::File) {
    const Layout& ql = track.table().layout();
    sum.notes.push_back(describeLayout(ql, o.dischargeDate.has_value(), baseName(o.dischargePath)) +
                        "; discharge from " + ql.describe(ql.valueIndex[0]));
    sum.dischargeMissing = track.missingValues();
    sum.longestBridge = track.longestBridge();
    sum.bridgeFromLine = track.bridgeFrom();
    sum.bridgeToLine = track.bridgeTo();
    if (track.last())
      sum.dischargeLast = "line " + std::to_string(track.last()->line) + " (" +
                          formatStamp(track.last()->stamp) + ")";
  }

  AtomicFile controlOut;
  if (control && !control->alreadyListed) {
    if (auto e = controlOut.create(o.control->path)) return *e;
    controlOut.write(control->text);
  }
  interrupt::check();
  if (auto e = out.commit()) return *e;
  if (control && !control->alreadyListed) {
    if (auto e = controlOut.commit()) {
      // The pair is written together or not at all.
      std::filesystem::remove(o.stationPath);
      return *e;
    }
  }
  if (control)
    sum.controlAction = control->alreadyListed ? "already names " + stationName
                        : control->exists      ? stationName + " added"
                                               : "created with " + stationName;
  return sum;
}

}  // namespace kaldero::importer
