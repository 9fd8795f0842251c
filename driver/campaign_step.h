// The end of a run with --plots: the figures of all its stations, beside
// the control file and named after it, listed in the run's record.
#pragma once

#include "driver/run_state.h"

namespace kaldero {

// The campaign figures of the stations analysed in the run (none when no
// station was analysed); a figure that cannot be drawn is said on the
// console.
void campaignFigures(RunState& s);

}  // namespace kaldero
