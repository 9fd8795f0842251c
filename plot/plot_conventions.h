// What every plot shares: the context a plot is drawn in, the screen-window
// identifiers, the PostScript file names, the console prompts around plots
// and closing the graphics windows before console output.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/output_gate.h"
#include "model/test_description.h"
#include "plot/plot_state.h"

namespace kaldero {
class Console;
}

namespace kaldero::plot {

struct PlotContext {
  Console& console;
  PlotState& state;
  const TestDescription& test;
  std::string stationFile;  // station data file name, 50 characters
  OutputGate& gate;         // every plot file is kept through it
};

// The plot functions take the first-plot flag of the station loop (1 at the
// first station, when a plot opens its window). The devices open a window
// whenever its identifier has none open and reuse it otherwise, so the flag
// changes nothing: a window closed before console output, or one a first
// station never opened, is opened again when next needed.
//
// Screen windows: the data plot 1 (phase 0) and 2 (phase 1); the Chatwin
// plot 2 and 3; the normalized, load and standardized plots 3, 4 and 5 in
// phase 0 and one more in any other phase.
inline int32_t dataWindow(int32_t phase) { return phase == 0 ? 1 : 2; }
inline int32_t chatwinWindow(int32_t phase) { return phase == 0 ? 2 : 3; }
// kind: 0 normalized concentration, 1 normalized load, 2 standardized curve.
inline int32_t curveWindow(int32_t kind, int32_t phase) { return 3 + kind + (phase == 0 ? 0 : 1); }

// Suffix codes of the PostScript files.
enum PostScriptSuffix : int32_t {
  kSuffixData = 0,          // "_DAT.PS"
  kSuffixInterpolated = 1,  // "_INT.PS"
  kSuffixChatwin = 2,       // "_CHT.PS"
  kSuffixNormalized = 3,    // "_NRM.PS"
  kSuffixLoad = 4,          // "_LOD.PS"
  kSuffixStandardized = 5,  // "_STN.PS"
  kSuffixFit = 6,           // "_FIT.PS", the flow-path fit figure (--fit)
  kSuffixAll = 7,           // "_ALL.PS", all stations' curves (named after the control file)
  kSuffixRecovery = 8,      // "_RECOVERY.PS", the campaign's recovery curves
  // The report figures of a station as files (--figures).
  kSuffixConcentrationFigure = 9,  // "_CONC.PS"
  kSuffixRecoveryFigure = 10,      // "_REC.PS"
  kSuffixChatwinFigure = 11,       // "_CHW.PS"
  // A reach fit's figure (--fit-reaches), named after the downstream and
  // the upstream station: "B_A_RCH.PS".
  kSuffixReach = 12,  // "_RCH.PS"
  // A joint fit of a chain (--fit-joint), named after its first station;
  // only its fit file, "A_JNT.OUT".
  kSuffixJoint = 13,  // "_JNT.PS"
};

// The PostScript file name made from a file name in a buffer of length
// characters: the part up to the first period (or, without a period, up to
// the first run of five blanks) with its blanks made "_", followed by the
// suffix of the code. A directory part of the name is kept as it is; the
// rule applies to the last path component. Returned without trailing
// blanks.
std::string postScriptFileName(std::string_view name, int32_t length, int32_t code);

// The name of a reach's figure from the downstream and the upstream
// station data files: the downstream station's name by the rule above,
// with the upstream station's (its last path component, by the same rule)
// before the suffix: "B_A_RCH.PS" for B.DAT from A.DAT.
std::string reachFileName(std::string_view downstream, std::string_view upstream,
                          PlotFormat format);

// The file name of a plot in another format: the PostScript name with the
// format's extension in place of ".PS".
std::string plotFileName(std::string_view name, int32_t length, int32_t code, PlotFormat format);

// What the code and format add to a name: "_ALL.PS", "_ALL.png", ...
std::string plotFileSuffix(int32_t code, PlotFormat format);

// What a plot of the suffix code is ("data plot", "Chatwin plot", ...).
const char* plotKind(int32_t code);

// The plot files a station may write, in every format: as the plot
// switches of its header ask, and the flow-path fit figure with fit; then
// the report figures of the station (its fit figure with them) in every
// figure format.
std::vector<OutputRecord> plannedPlotFiles(const TestDescription& test,
                                           const std::string& stationFile50,
                                           const std::vector<PlotFormat>& formats, bool fit,
                                           const std::vector<PlotFormat>& figureFormats = {});

// Ends the PostScript pass: moves the finished file to the PostScript name
// made from name (in a buffer of length characters) with the suffix code
// (in the file format of the pass, with its extension).
void keepPostScript(PlotContext& ctx, std::string_view name, int32_t length, int32_t code);

// The file passes of a plot: draw() draws it on the file device once for
// every format asked for (PostScript first), each file kept under the name
// made from name with the suffix code.
void filePasses(PlotContext& ctx, std::string_view name, int32_t length, int32_t code,
                const std::function<void()>& draw);

// The prompts of the plots: seven empty lines, then 10 blanks, the text, one
// blank and the first 40 characters of the file name; waits for Enter.
inline constexpr std::string_view kPlotPrompt = "PRESS RETURN FOR A GRAPHICAL PLOT OF";
inline constexpr std::string_view kListingPrompt = "CHECK THE TIME-CONCENTRATION DATA";
void plotPrompt(Console& console, std::string_view text, std::string_view fileName);

// Closes the graphics windows so that the console output that follows can
// be read, and clears the console screen.
void closeGraphicsWindow(Console& console, PlotState& state);

}  // namespace kaldero::plot
