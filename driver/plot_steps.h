// The plot steps of the station loop, on the run state: what the driver and
// the steps that draw plots hand to the plot functions.
#pragma once

#include <cstdint>

#include "plot/plot_conventions.h"

namespace kaldero {

struct RunState;

// The context of a plot of the current station: the console, the run's plot
// state, the test description, the station data file name, and the control
// and station data files as the files a PostScript file must never replace.
plot::PlotContext plotContext(RunState& s);

// The data-plot step on the curve now held in the station work array, for
// the processing phase s.phase (0 the measured curve, 1 the interpolated
// curve): the time-order test, then the listing, the screen plot and the
// PostScript file as the plot switches of the phase ask. modeWord is the
// data-reduction mode word (error bars for group means when it is 2); the
// station counter is the first-plot flag.
void dataPlotStep(RunState& s, int32_t modeWord);

}  // namespace kaldero
