// The two figures of a whole run (a campaign of stations), in every file
// format asked for, beside the control file and named after it: every
// station's concentration curve on one time axis ("_ALL"), and the
// cumulative recovered mass of each station and of their total as a
// fraction of the injected mass ("_RECOVERY"). Files only, never the
// screen.
#pragma once

#include <string>
#include <vector>

#include "analysis/campaign.h"
#include "core/output_gate.h"
#include "plot/plot_state.h"

namespace kaldero::plot {

// One station of the figures: its label in the legend (station file and
// distance), its concentration curve and its recovery curve.
struct CampaignPlotStation {
  std::string label;
  ConcentrationCurve concentration;
  RecoveryCurve recovery;  // empty without an injected mass
};

struct CampaignPlotData {
  std::string controlFile;  // the figures' names are made from it
  ConcentrationScale scale = ConcentrationScale::PerKgRecovered;
  std::vector<CampaignPlotStation> stations;
  RecoveryCurve total;  // of the stations the run totals include
};

// The two figures. The recovery figure needs an injected mass: without one
// it is not drawn, and the returned text says why (empty otherwise).
std::string campaignPlots(PlotState& state, OutputGate& gate, const CampaignPlotData& data);

// Most points drawn of one curve in a figure of n curves: a few thousand
// in all, at least a few hundred a curve.
std::size_t campaignPointsPerCurve(std::size_t curves);

}  // namespace kaldero::plot
