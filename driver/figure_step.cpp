#include "driver/figure_step.h"

#include <algorithm>
#include <functional>

#include "core/text.h"
#include "plot/figure_file.h"
#include "plot/plot_conventions.h"
#include "report/figures.h"
#include "report/run_messages.h"

namespace kaldero {

namespace {

// The formats of the figures drawn from their descriptions: those of
// --plots and of --figures, each once.
std::vector<plot::PlotFormat> figureFormats(const RunState& s) {
  std::vector<plot::PlotFormat> out = s.plots.formats;
  for (plot::PlotFormat f : s.options.figureFormats)
    if (std::find(out.begin(), out.end(), f) == out.end()) out.push_back(f);
  return out;
}

// The figure in every format, named from name (a buffer of length
// characters) with the suffix code.
void figureFiles(RunState& s, const figure::Figure& f, const std::string& name, int32_t length,
                 int32_t code, const std::vector<plot::PlotFormat>& formats) {
  plot::figureFiles(s.plots, s.gate, f, formats, s.options.figureSize, [&](plot::PlotFormat format) {
    return OutputRecord{plot::plotFileName(name, length, code, format), plot::plotKind(code),
                        plot::formatName(format)};
  });
}

}  // namespace

void stationFigures(RunState& s, const Station& st) {
  const StationRecord& r = s.record.stations.back();
  const figures::Options& o = s.options.figureOptions;
  // The fit figure in the formats of --plots and --figures.
  if (s.options.fit)
    if (const std::optional<figure::Figure> f = figures::fitFigure(s.record, r, o))
      figureFiles(s, *f, st.name50, 85, plot::kSuffixFit, figureFormats(s));
  const std::vector<plot::PlotFormat>& formats = s.options.figureFormats;
  if (formats.empty()) return;
  if (const auto f = figures::concentrationFigure(s.record, r, o))
    figureFiles(s, *f, st.name50, 85, plot::kSuffixConcentrationFigure, formats);
  if (const auto f = figures::recoveryFigure(s.record, r, o))
    figureFiles(s, *f, st.name50, 85, plot::kSuffixRecoveryFigure, formats);
  if (const auto f = figures::chatwinFigure(r, o))
    figureFiles(s, *f, st.name50, 85, plot::kSuffixChatwinFigure, formats);
}

void reachFigures(RunState& s, const RunRecord::Reach& reach) {
  const std::optional<figure::Figure> f = figures::reachFigure(reach, s.options.figureOptions);
  if (!f) return;
  plot::figureFiles(s.plots, s.gate, *f, figureFormats(s), s.options.figureSize,
                    [&](plot::PlotFormat format) {
                      return OutputRecord{plot::reachFileName(reach.to, reach.from, format),
                                          plot::plotKind(plot::kSuffixReach),
                                          plot::formatName(format)};
                    });
}

// The names of the campaign figures: from the control file's stem
// (CAMP_ALL.PS for CAMP.D), or from its whole name (CAMP.D_ALL.PS) when a
// stem name is taken already, as by the run of another control file of the
// same stem in the same folder.
std::function<OutputRecord(int32_t, plot::PlotFormat)> campaignNames(
    const RunState& s, const std::vector<plot::PlotFormat>& formats) {
  const std::string control = text::trimmed(s.control.controlFileName);
  const auto record = [control](bool whole, int32_t code, plot::PlotFormat format) {
    const std::string name = whole ? control + plot::plotFileSuffix(code, format)
                                   : plot::plotFileName(control, static_cast<int32_t>(control.size()),
                                                        code, format);
    return OutputRecord{name, plot::plotKind(code), plot::formatName(format)};
  };
  bool taken = false;
  for (const int32_t code : {plot::kSuffixAll, plot::kSuffixRecovery})
    for (const plot::PlotFormat format : formats)
      taken = taken || s.gate.refusal(record(false, code, format)).has_value();
  return [record, taken](int32_t code, plot::PlotFormat format) {
    return record(taken, code, format);
  };
}

void campaignFigures(RunState& s) {
  if (!s.options.campaignFigures || !s.record.controlRead) return;
  const figures::Options& o = s.options.figureOptions;
  const std::optional<figure::Figure> all = figures::campaignConcentrationFigure(s.record, o);
  if (!all) return;
  const std::vector<plot::PlotFormat> formats = figureFormats(s);
  const auto names = campaignNames(s, formats);
  const auto files = [&](const figure::Figure& f, int32_t code) {
    plot::figureFiles(s.plots, s.gate, f, formats, s.options.figureSize,
                      [&](plot::PlotFormat format) { return names(code, format); });
  };
  const std::vector<OutputRecord> written = runFilesWritten(s, [&] {
    files(*all, plot::kSuffixAll);
    if (const std::optional<figure::Figure> recovery =
            figures::campaignRecoveryFigure(s.record, o))
      files(*recovery, plot::kSuffixRecovery);
    else
      reportCampaignFigureNotDrawn(s.console,
                                   "NO INJECTED MASS TO TAKE THE RECOVERY AS A FRACTION OF");
  });
  s.record.runFiles.insert(s.record.runFiles.end(), written.begin(), written.end());
}

}  // namespace kaldero
