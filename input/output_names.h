// The output files a station's test description names must not replace the
// run's input files (the control file and every station data file it
// lists) nor each other: a results listing named like a station data file
// still to come, or a curve file named like the results listing, would
// destroy data.
#pragma once

#include <string>
#include <vector>

#include "input/test_description.h"

namespace kaldero {

class Console;

// The Chatwin table file: the station data file name up to its first
// period, then "_CHT.OUT", blank-padded to 50. A name without a period keeps
// the whole name before the suffix, so that the table never replaces the
// station data file.
std::string chatwinTableFileName(const std::string& stationName50);

// The files the options of the test description make the station write
// (without trailing blanks): the results listing, and as asked the
// interpolated-data, CXTFIT, curve and Chatwin table files.
std::vector<std::string> plannedOutputs(const TestDescription& test,
                                        const std::string& stationName50);

// Whether two names denote the same file: the same existing file, or the
// same path once made absolute.
bool sameFile(const std::string& a, const std::string& b);

// False, after the name-reuse report, when an output would replace an input
// file or another output of the same station.
bool outputNamesAreSound(Console& console, const TestDescription& test,
                         const std::string& stationName50,
                         const std::vector<std::string>& inputFiles);

}  // namespace kaldero
