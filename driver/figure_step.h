// The figures drawn from their descriptions (report/figures.h) as files:
// every station's report figures with --figures, its flow-path fit figure
// with --fit, and at the end of a run the figures of all its stations
// (--plots or --figures), beside the control file and named after it; each
// file listed in the run's record.
#pragma once

#include "driver/run_state.h"

namespace kaldero {

// The station's report figures (--figures) and its fit figure (--fit), in
// the formats of --plots and --figures; the station's record holds what
// they draw.
void stationFigures(RunState& s, const Station& st);

// A reach's figure (--fit-reaches) in the formats of --plots and --figures,
// named after its downstream and upstream stations.
void reachFigures(RunState& s, const RunRecord::Reach& reach);

// The campaign figures of the stations analysed in the run (none when no
// station was analysed); a figure that cannot be drawn is said on the
// console.
void campaignFigures(RunState& s);

}  // namespace kaldero
