// The output steps of the station sequence: the CXTFIT input file, the
// normalized, load and standardized curve files with their plots, and the
// closing of the graphics window after the Chatwin plots and after the
// curve plots, so that the console output that follows can be read.
#pragma once

#include <string>
#include <string_view>

#include "core/checked_file.h"
#include "model/setup.h"
#include "model/test_description.h"

namespace kaldero {

struct RunState;

// An output file that could not be written is reported on the console and
// counted for the exit status; the run goes on.
void noteOutcome(RunState& s, std::string_view what, const std::string& name,
                 const WriteOutcome& outcome);

// Whether the graphics window is closed after the Chatwin step: when a
// data plot or the Chatwin plot was on the screen and the results are
// echoed there, or when only the interpolated plot was on the screen
// (unless the Chatwin plot and both data-plot kinds were asked for). The
// Chatwin screen-plot switch is read as the Chatwin plots left it.
bool closeAfterChatwinWanted(const TestDescription& t, const StationSetup& setup);
void closeAfterChatwin(RunState& s);

// The CXTFIT input file, when the station asks for it and its volume
// estimate adds to the run totals. The curve is given back as
// concentrations when it holds tracer loads.
void cxtfitStep(RunState& s);

// The normalized curve file and its plots, then the load and the
// standardized curve files with theirs; these two need what the normalized
// step leaves in the work segments and are refused with the prerequisite
// report without it.
void curveFileSteps(RunState& s);

// After the curve plots: the graphics window is closed when one of them was
// on the screen.
void closeAfterCurvePlots(RunState& s);

}  // namespace kaldero
