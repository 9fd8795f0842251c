#include "driver/chatwin_step.h"

#include "analysis/chatwin.h"
#include "driver/plot_steps.h"
#include "driver/output_steps.h"
#include "driver/run_state.h"
#include "plot/chatwin_plot.h"
#include "report/chatwin_table.h"
#include "report/notices.h"

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
  in.flowZoneArrival = s.release.flowZoneArrivalHours;
  in.peakParameter = r.chatwinPeak;
  in.peakIndex = r.peakIndex;
  in.distance = s.setup.distance;
  in.timeUnit = s.test.timeUnit;
  ChatwinWork work = s.work.chatwinWork();

  Notices notices;
  int32_t nfit = 0;
  r.flowZoneVelocityCorrection = chatwinParameters(notices, in, work, nfit);
  writeNotices(s.console, notices);

  notices.clear();
  r.chatwin = chatwinFit(notices, in, work, nfit);
  r.chatwinDispersion = r.chatwin.dispersion;
  if (!r.chatwin.fitted) return;
  const auto K = static_cast<std::size_t>(r.chatwin.listed);

  // The table, on the console and in its file as the switches ask.
  const ChatwinSwitches& cs = s.test.chatwinPlot;
  ChatwinTable t;
  t.onScreen = on(cs.tableOnScreen);
  t.toFile = on(cs.tableFile);
  if (t.onScreen || t.toFile) {
    t.samples = s.station.n;
    t.TK = work.TK.first(K);
    t.PK = work.PK.first(K);
    t.FK = work.FK.first(K);
    t.fitPoints = nfit;
    t.residual = r.chatwin.residual;
    const PlotSwitches& group = s.phase == 0 ? s.test.dataPlot : s.test.interpolatedPlot;
    t.plotShowing = group.onScreen();
    t.titleName = s.phase == 0 ? s.station.stationFile : s.test.interpolatedName;
    t.stationName = s.station.stationFile;
    WriteOutcome file;
    writeChatwinTable(s.console, t, [&] { plot::closeGraphicsWindow(s.console, s.plots); },
                      &file);
    if (!file.ok()) ++s.filesNotWritten;
    if (t.onScreen) s.console.clear();
  }

  // The statistics' notices come after the table, then the plots.
  writeNotices(s.console, notices);
  plot::PlotContext ctx = plotContext(s);
  plot::chatwinPlots(ctx, r.chatwin.listed, work.TK.first(K), work.FK.first(K), work.PK.first(K),
                     plot::chatwinTexts(r.chatwin), s.phase, s.stationCounter,
                     s.setup.chatwinScreenPlot, s.setup.chatwinPostScript);
}

}  // namespace kaldero
