// The file-name reports that several steps share, and the boxes and frames
// of console reports.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/checked_file.h"

namespace kaldero {

class Console;

inline const std::string kStars80(80, '*');
inline const std::string kStars67(67, '*');

// A box 67 characters wide indented by indent blanks: a border, the boxed
// lines (each an asterisk, the text padded to 65, an asterisk), a border.
std::vector<std::string> box(int indent, const std::vector<std::string>& inner);
// One boxed line: "*", the text padded to 65, "*".
std::string boxed(std::string_view inner);

enum class FormatSelector { ControlFile = 1, StationFile = 2 };

void reportControlFileNotFound(Console& c, std::string_view controlName50);
void reportWrongFormat(Console& c, FormatSelector selector, std::string_view controlName50,
                       std::string_view stationName50);
void reportStationFileNotFound(Console& c, std::string_view stationName50);
void reportListingNotOpened(Console& c, std::string_view listingName50);
void reportListingNameReused(Console& c, std::string_view listingName50);
void reportInterpolatedNameReused(Console& c, std::string_view interpName50);

// The lines of the curve-file prerequisite report that go to the console
// and, in the same order, to the results-listing channel.
std::vector<std::string> curveFilePrerequisiteLines();
void reportCurveFilePrerequisite(Console& c);

// An output file of a station that could not be written: one console line,
// " THE <what> <name> CANNOT BE CREATED: <reason>" or "... COULD NOT BE
// WRITTEN COMPLETELY: <reason>"; the run goes on without the file.
void reportFileNotWritten(Console& c, std::string_view what, std::string_view name,
                          const WriteOutcome& outcome);

// A quantity of a station that is not a finite number (it overflowed single
// precision): named with the station data file instead of being written.
void reportNonFiniteQuantity(Console& c, std::string_view stationName50, std::string_view quantity);

// A results listing that could not be written completely (a full disk, a
// failing device): the listing is incomplete and the run stops after this
// report.
void reportListingNotWritten(Console& c, std::string_view listingName50, std::string_view reason);

}  // namespace kaldero
