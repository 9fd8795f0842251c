// The file back-end of the figures (figure/figure.h): a figure drawn with
// the graphics library in every format asked for (PostScript, PNG, SVG,
// PDF), through the output gate, laid out exactly as the HTML report lays
// it out (figure/draw.h). The page is the figure's size on paper; the line
// widths and text sizes keep their proportions to it, so that a figure of
// 16 x 10 cm at 300 dots an inch prints as sharply as a report needs.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/output_gate.h"
#include "figure/figure.h"
#include "plot/library_text.h"
#include "plot/plot_state.h"

namespace kaldero::plot {

// The size of the files' figures: on paper (cm), and the resolution of the
// PNG files (dots an inch).
struct FigureSize {
  double widthCm = 16, heightCm = 10;
  int dpi = 150;
};

// "WxH" in cm (each 2 to 100, e.g. "16x10"); nothing for any other text.
std::optional<FigureSize> parseFigureSize(const std::string& text, FigureSize size = {});

// The figure in every format, each file kept under `names[format]`'s
// name (the name rule of the gate applies). The description's width sets
// the units of its texts; its height is made the size's proportion.
void figureFiles(PlotState& state, OutputGate& gate, figure::Figure figure,
                 const std::vector<PlotFormat>& formats, const FigureSize& size,
                 const std::function<OutputRecord(PlotFormat)>& name);

}  // namespace kaldero::plot
