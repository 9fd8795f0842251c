// The results of a run as data: a JSON document (--results) and a CSV table
// with one row per station (--table). Numbers are written as the shortest
// decimals that read back as the same single-precision value (doubles of
// the fit: the shortest that read back as the same double); a quantity that does not apply to a
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

#include "analysis/quantities.h"
#include "report/run_record.h"

namespace kaldero {

// The quantities of the results listing of a station, by name, in the order
// of the listing, then the signed estimates of its measured record (the
// same names in every station, null where they do not apply).
std::vector<std::pair<std::string, ResultValue>> stationResults(const StationRecord& station);

// The results document of the run.
nlohmann::json resultsDocument(const RunRecord& run);

// The results document of several runs (one control file each): their
// documents as "runs", and the call's end in "run". One run gives its own
// document.
nlohmann::json resultsDocument(const std::vector<RunRecord>& runs, int exitStatus,
                               int filesNotWritten, const std::vector<ShownReport>& shown);

// The CSV table: a header line of the names (control_file with several
// runs, then station_file and status; with --uncertainty every number's
// NAME_p2_5 and NAME_p97_5 after the others), then one row per station;
// with reach fits, a row per reach after its run's stations (status
// "reach", the downstream station file, the fit columns, then reach_from
// and reach_length_m, which are empty in the stations' rows).
std::string resultsTable(const std::vector<RunRecord>& runs);

// The test description of a station as the results document shows it
// (names and units for the codes; the plot switches as groups of yes/no);
// its data_reduction says what the data pass did when done is given, else
// what the header asks (data_reduction_asked).
nlohmann::json testDescriptionDocument(const TestDescription& test,
                                       const ReductionWords* done = nullptr);

// "d", "h", "min", "s"; "kg", "g", "mg" or "lb"; "instantaneous", "pulse",
// "step" (nullptr for a code without a name).
const char* massUnitName(MassUnit unit);
const char* releaseModeName(ReleaseMode mode);

// "analysed", "stopped" or "not run".
const char* statusName(StationStatus status);


}  // namespace kaldero
