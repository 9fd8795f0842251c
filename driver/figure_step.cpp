#include "driver/figure_step.h"

#include <algorithm>

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

void campaignFigures(RunState& s) {
  if (!s.options.campaignFigures || !s.record.controlRead) return;
  const figures::Options& o = s.options.figureOptions;
  const std::optional<figure::Figure> all = figures::campaignConcentrationFigure(s.record, o);
  if (!all) return;
  const std::string control = text::trimmed(s.control.controlFileName);
  const auto length = static_cast<int32_t>(control.size());
  const std::vector<plot::PlotFormat> formats = figureFormats(s);
  const std::size_t before = s.gate.runFiles().size();
  figureFiles(s, *all, control, length, plot::kSuffixAll, formats);
  if (const std::optional<figure::Figure> recovery = figures::campaignRecoveryFigure(s.record, o))
    figureFiles(s, *recovery, control, length, plot::kSuffixRecovery, formats);
  else
    reportCampaignFigureNotDrawn(s.console, "NO INJECTED MASS TO TAKE THE RECOVERY AS A FRACTION OF");
  const std::vector<OutputRecord> files = s.gate.runFiles();
  for (std::size_t i = before; i < files.size(); ++i)
    s.record.runFiles.push_back(asCalled(s.record.folder, files[i]));
}

}  // namespace kaldero
