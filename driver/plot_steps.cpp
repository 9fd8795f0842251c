#include "driver/plot_steps.h"

#include "driver/run_state.h"
#include "core/text.h"
#include "plot/data_plot.h"

namespace kaldero {

plot::PlotContext plotContext(RunState& s) {
  return plot::PlotContext{s.console,    s.plots,         s.test, s.station.stationFile,
                           s.inputFiles, s.earlierOutputs};
}

void dataPlotStep(RunState& s, int32_t modeWord) {
  plot::PlotContext ctx = plotContext(s);
  const CurveSegments seg = s.work.curve();
  const plot::DataCurve curve{seg.T, seg.C, seg.Q, seg.sT, seg.sC, seg.sQ, s.station.n};
  plot::dataPlot(ctx, curve, s.station.tail, s.phase, modeWord, s.test.extrapolationMethod,
                 s.stationCounter);
}

}  // namespace kaldero
