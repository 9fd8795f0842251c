// The import: a logger export (and perhaps a discharge logger) in, a station
// data file (and perhaps a control file) out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "importer/control_file.h"
#include "importer/error.h"
#include "importer/station_header.h"
#include "importer/table.h"
#include "importer/units.h"

namespace kaldero::importer {

enum class DischargeSource { Constant, Column, File };

struct ImportOptions {
  std::string loggerPath;
  std::string stationPath;
  std::string injection;  // ISO 8601, or a form of the time stamps (format)

  // The logger file: time stamp columns, layout, date-time format.
  ColumnRef datetime{1, {}};
  std::optional<ColumnRef> date, time;
  LayoutOptions layout;
  DateTimeFormat format;

  ColumnRef concentration;
  Unit concentrationUnit;

  DischargeSource discharge = DischargeSource::Constant;
  double constantDischarge = 0;  // in dischargeUnit
  Unit dischargeUnit;
  ColumnRef dischargeColumn;
  // The discharge file (DischargeSource::File): its own time stamp columns
  // and format; its layout is always detected.
  std::string dischargePath;
  ColumnRef dischargeDatetime{1, {}};
  std::optional<ColumnRef> dischargeDate, dischargeTime;
  DateTimeFormat dischargeFormat;

  Unit timeUnit;
  Measure distance;
  std::optional<std::string> listing;
  std::optional<std::string> headerOptionsPath;

  std::optional<ControlRequest> control;
};

struct ImportSummary {
  std::string stationPath;
  int64_t samples = 0;
  int64_t beforeRelease = 0;
  int64_t missing = 0;           // rows with a missing value (or time stamp)
  int64_t firstMissingLine = 0;
  double firstTime = 0, lastTime = 0;  // elapsed, in the station's time unit
  int64_t longestGap = 0;        // microseconds between two written samples
  int64_t gapFromLine = 0, gapToLine = 0;
  std::string releaseStamp;      // the injection as read
  std::string timeUnit;
  // The discharge file: rows dropped outside its records, the longest
  // interval interpolated across, records without a value.
  int64_t beforeDischarge = 0, afterDischarge = 0;
  std::string dischargeFirst, dischargeLast;  // "line N (stamp)"
  int64_t dischargeMissing = 0;
  int64_t longestBridge = 0, bridgeFromLine = 0, bridgeToLine = 0;
  // The control file: created, extended or already naming the station.
  std::string controlAction;
  std::vector<std::string> notes;  // the layout found, for the user
};

// Checks every option, reads the logger file(s) and writes the station file
// (and the control file) whole or not at all.
Expected<ImportSummary> importStation(const ImportOptions& options);

}  // namespace kaldero::importer
