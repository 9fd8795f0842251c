#include "driver/chatwin_step.h"

#include "analysis/chatwin.h"
#include "report/chatwin_table.h"
#include "core/console.h"
#include "driver/plot_steps.h"
#include "driver/run_state.h"
#include "plot/chatwin_plot.h"

namespace kaldero {

void chatwinStep(RunState& s) {
  AnalysisResults& r = s.results;
  const auto n = static_cast<std::size_t>(s.station.n);
  ChatwinInputs in;
  in.T = s.work.times().first(n);
  in.C = s.work.concentrations().first(n);
  in.n = s.station.n;
  in.zerothMoment = r.recoveredMass;
  in.firstMoment = r.firstMoment;
  in.velocityIntegral = r.distanceWeighted;
  in.flowZoneArrival = s.control.flowZoneArrival;
  in.peakParameter = r.chatwinPeak;
  in.peakIndex = r.peakIndex;
  in.distance = s.test.distance;
  in.timeUnit = s.test.timeUnit;
  // The parameters in segment 9, the fit points in segments 4 and 5, the
  // listed points in segments 6, 8 and 7.
  ChatwinWork work{s.work.segment(9), s.work.segment(4), s.work.segment(5),
                   s.work.segment(6), s.work.segment(8), s.work.segment(7)};

  int32_t nfit = 0;
  r.flowZoneVelocityCorrection = chatwinParameters(s.console, in, work, nfit);

  ChatwinReport report;
  report.table = [&](int32_t K, int32_t fitPoints, float R) {
    const Switches& cs = s.test.chatwinPlot;
    ChatwinTable t;
    t.onScreen = cs[0] == 1;
    t.toFile = cs[1] == 1;
    if (!t.onScreen && !t.toFile) return;
    const auto k = static_cast<std::size_t>(K);
    t.samples = s.station.n;
    t.TK = work.TK.first(k);
    t.PK = work.PK.first(k);
    t.FK = work.FK.first(k);
    t.fitPoints = fitPoints;
    t.residual = R;
    const Switches& group = s.phase == 0 ? s.test.dataPlot : s.test.interpolatedPlot;
    t.plotShowing = group[1] == 1 || group[2] == 1;
    t.titleName = s.phase == 0 ? s.station.stationFile : s.test.interpolatedName;
    t.stationName = s.station.stationFile;
    WriteOutcome file;
    writeChatwinTable(
        s.console, t, [&] { plot::closeGraphicsWindow(s.console, s.plots); }, &file);
    if (!file.ok()) ++s.filesNotWritten;
    if (t.onScreen) s.console.clear();
  };
  report.plot = [&](int32_t K, const std::string* texts) {
    plot::PlotContext ctx = plotContext(s);
    const auto k = static_cast<std::size_t>(K);
    plot::chatwinPlots(ctx, K, work.TK.first(k), work.FK.first(k), work.PK.first(k),
                       plot::ChatwinTexts{texts[0], texts[1], texts[2], texts[3], texts[4], texts[5]},
                       s.phase, s.stationCounter, s.test.chatwinPlot);
  };
  r.chatwinDispersion = chatwinFit(s.console, in, work, nfit, report);
}

}  // namespace kaldero
