#include "driver/campaign_step.h"

#include "analysis/campaign.h"
#include "core/text.h"
#include "plot/campaign_plot.h"
#include "report/run_messages.h"

namespace kaldero {

namespace {

// What the figures show of the record: every analysed station (with
// --keep-going a station that stopped is left out) and their total.
plot::CampaignPlotData campaignData(const RunState& s) {
  plot::CampaignPlotData d;
  d.controlFile = text::trimmed(s.control.controlFileName);
  d.scale = s.options.campaignScale;
  std::vector<RecoveryCurve> curves;
  for (const StationRecord& st : s.record.stations) {
    if (!st.analysed() || !st.drawn || !st.results || !st.results->mass) continue;
    const DrawnRecord& cv = *st.drawn;
    const MassRecovery& m = *st.results->mass;
    plot::CampaignPlotStation& p = d.stations.emplace_back();
    p.label = campaignLabel(st.stationFile, st.setup.distance);
    p.concentration = stationConcentrationCurve(cv.t, cv.c, m.mass.grams, d.scale);
    p.recovery = stationRecoveryCurve(cv.t, cv.recovered, s.release.injectedMass);
    curves.push_back(p.recovery);
  }
  d.total = totalRecoveryCurve(curves);
  return d;
}

}  // namespace

void campaignFigures(RunState& s) {
  if (!s.options.campaignFigures || !s.record.controlRead) return;
  const plot::CampaignPlotData d = campaignData(s);
  if (d.stations.empty()) return;
  const std::size_t before = s.gate.runFiles().size();
  const std::string why = plot::campaignPlots(s.plots, s.gate, d);
  if (!why.empty()) reportCampaignFigureNotDrawn(s.console, why);
  const std::vector<OutputRecord> files = s.gate.runFiles();
  for (std::size_t i = before; i < files.size(); ++i)
    s.record.runFiles.push_back(asCalled(s.record.folder, files[i]));
}

}  // namespace kaldero
