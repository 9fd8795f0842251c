// The output files a station's test description names: the results listing
// and, as its options ask, the interpolated-data, CXTFIT, curve and Chatwin
// table files.
#pragma once

#include <string>
#include <vector>

#include "core/output_gate.h"
#include "model/test_description.h"

namespace kaldero {

// The Chatwin table file, beside the station data file: the file-name part
// of the station data file name up to its first period, then "_CHT.OUT",
// after the station's folder; blank-padded to 50. A name without a period
// keeps the whole name before the suffix, so that the table never replaces
// the station data file.
std::string chatwinTableFileName(const std::string& stationName50);

// The files the options of the test description make the station write
// (without trailing blanks), in the order of the header, the results
// listing first; with curvesCsv each curve file is followed by its CSV twin
// (the name with ".csv" added).
std::vector<OutputRecord> plannedOutputs(const TestDescription& test,
                                         const std::string& stationName50,
                                         bool curvesCsv = false);

// The CSV twin of a curve file (--curves-csv): its name with ".csv" added
// ("ST.NRM" gives "ST.NRM.csv", so that the three curves of a station keep
// apart), its kind "normalized curve CSV file" for "normalized curve file".
OutputRecord curveCsvRecord(const OutputRecord& curveFile);

// The results listing of the station.
OutputRecord listingRecord(const TestDescription& test);

}  // namespace kaldero
