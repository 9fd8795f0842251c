// The results of a run as data: a JSON document (--results) and a CSV table
// with one row per station (--table). Numbers are written at full single
// precision (9 significant digits); a quantity that does not apply to a
// station is null (an empty CSV field). The names carry their units; the
// schema of the document is docs/results.schema.json. Texts are UTF-8:
// bytes of names and reports that are not UTF-8 are read as Windows-1252.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "report/run_record.h"

namespace kaldero {

// A value of the results: none, a number or a text.
using ResultValue = std::variant<std::monostate, double, std::string>;

// The quantities of the results listing of a station, by name, in the order
// of the listing (the same names in every station, null where they do not
// apply).
std::vector<std::pair<std::string, ResultValue>> stationResults(const StationRecord& station);

// The results document of the run.
nlohmann::json resultsDocument(const RunRecord& run);

// The CSV table: a header line of the names (station_file and status
// first), then one row per station.
std::string resultsTable(const RunRecord& run);

// The test description of a station as the results document shows it
// (names and units for the codes; the plot switches as groups of yes/no).
nlohmann::json testDescriptionDocument(const TestDescription& test);

// "d", "h", "min", "s"; "kg", "g", "mg" or "lb"; "instantaneous", "pulse",
// "step" (nullptr for a code without a name).
const char* timeUnitName(TimeUnit unit);
const char* massUnitName(MassUnit unit);
const char* releaseModeName(ReleaseMode mode);

// "analysed", "stopped" or "not run".
const char* statusName(StationStatus status);

// A number at single precision: the double nearest to its 9 significant
// digits, so that the JSON text shows no more digits than the float holds.
double singlePrecision(float x);

}  // namespace kaldero
