#include "plot/plot_conventions.h"

#include "core/console.h"
#include "core/text.h"

#include <algorithm>

namespace kaldero::plot {

namespace {

const char* postScriptSuffix(int32_t code) {
  static const char* const suffixes[] = {"_DAT.PS",  "_INT.PS", "_CHT.PS",      "_NRM.PS",
                                         "_LOD.PS",  "_STN.PS", "_FIT.PS",      "_ALL.PS",
                                         "_RECOVERY.PS", "_CONC.PS", "_REC.PS", "_CHW.PS",
                                         "_RCH.PS", "_JNT.PS"};
  return code >= 0 && code <= kSuffixJoint ? suffixes[code] : ".PS";
}

// The extension of the format in place of a name's ".PS".
std::string inFormat(std::string file, PlotFormat format) {
  if (format != PlotFormat::PostScript && file.size() >= 3 &&
      file.compare(file.size() - 3, 3, ".PS") == 0)
    file.replace(file.size() - 3, 3, formatExtension(format));
  return file;
}

}  // namespace

std::string postScriptFileName(std::string_view name, int32_t length, int32_t code) {
  const std::string buffer = text::padded(name, length > 0 ? static_cast<std::size_t>(length) : 0);
  // A directory part stays as it is: a period or a blank in a folder name
  // must not cut the name short.
  const std::size_t slash = buffer.substr(0, text::trimmedLength(buffer)).rfind('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  std::string base = buffer.substr(start);
  std::size_t end = base.find('.');
  if (end == std::string::npos) end = base.find("     ");
  // A name that fills the whole buffer gets its suffix after its last
  // character rather than losing it.
  if (end == std::string::npos) end = text::trimmedLength(base);
  base.resize(end);
  for (char& ch : base)
    if (ch == ' ') ch = '_';
  return buffer.substr(0, start) + base + postScriptSuffix(code);
}

std::string plotFileName(std::string_view name, int32_t length, int32_t code, PlotFormat format) {
  return inFormat(postScriptFileName(name, length, code), format);
}

std::string reachFileName(std::string_view downstream, std::string_view upstream,
                          PlotFormat format) {
  const std::string down = postScriptFileName(downstream, 85, kSuffixReach);
  std::string up = postScriptFileName(upstream, 85, kSuffixReach);
  up = up.substr(up.rfind('/') == std::string::npos ? 0 : up.rfind('/') + 1);
  const std::size_t suffix = std::string_view(postScriptSuffix(kSuffixReach)).size();
  // Both stems, then the suffix once.
  return inFormat(down.substr(0, down.size() - suffix) + "_" + up, format);
}

std::string plotFileSuffix(int32_t code, PlotFormat format) {
  return inFormat(postScriptSuffix(code), format);
}

void filePasses(PlotContext& ctx, std::string_view name, int32_t length, int32_t code,
                const std::function<void()>& draw) {
  PlotDevices& devices = ctx.state.devices;
  for (PlotFormat format : ctx.state.formats) {
    devices.setFileFormat(format);
    draw();
    keepPostScript(ctx, name, length, code);
  }
  devices.setFileFormat(PlotFormat::PostScript);
}

const char* plotKind(int32_t code) {
  static const char* const kinds[] = {"data plot",
                                      "interpolated-data plot",
                                      "Chatwin plot",
                                      "normalized concentration plot",
                                      "normalized load plot",
                                      "standardized curve plot",
                                      "flow-path fit plot",
                                      "campaign concentration plot",
                                      "campaign recovery plot",
                                      "concentration figure",
                                      "recovery figure",
                                      "Chatwin figure",
                                      "reach fit plot",
                                      "joint fit plot"};
  return code >= 0 && code <= kSuffixJoint ? kinds[code] : "plot";
}

void keepPostScript(PlotContext& ctx, std::string_view name, int32_t length, int32_t code) {
  const PlotFormat format = ctx.state.devices.fileFormat();
  const OutputRecord file{plotFileName(name, length, code, format), plotKind(code),
                          formatName(format)};
  (void)ctx.state.devices.keepPostScript(ctx.gate, file);
}

std::vector<OutputRecord> plannedPlotFiles(const TestDescription& t,
                                           const std::string& stationFile50,
                                           const std::vector<PlotFormat>& formats, bool fit,
                                           const std::vector<PlotFormat>& figureFormats) {
  // The station's own plots take their names from the station data file
  // (in a buffer of 85 characters), the curve plots from the curve files
  // (80).
  struct Plot {
    std::string name;
    int32_t length;
    int32_t code;
  };
  std::vector<Plot> plots;
  const auto station = [&](int32_t code) { plots.push_back({stationFile50, 85, code}); };
  const auto curve = [&](const std::string& name, int32_t code) {
    plots.push_back({name, 80, code});
  };
  if (on(t.dataPlot.postscript)) station(kSuffixData);
  if (on(t.knotOption) && on(t.interpolatedPlot.postscript)) station(kSuffixInterpolated);
  if (on(t.chatwinPlot.postscript)) station(kSuffixChatwin);
  if (on(t.normalizedOption)) {
    if (on(t.normalizedPlot.postscript)) curve(t.normalizedName, kSuffixNormalized);
    if (on(t.loadOption) && on(t.loadPlot.postscript)) curve(t.loadName, kSuffixLoad);
    if (on(t.standardizedOption) && on(t.standardizedPlot.postscript))
      curve(t.standardizedName, kSuffixStandardized);
  }
  if (fit) station(kSuffixFit);
  std::vector<OutputRecord> out;
  const auto add = [&](const Plot& p, PlotFormat f) {
    const OutputRecord r{plotFileName(p.name, p.length, p.code, f), plotKind(p.code), formatName(f)};
    if (std::find_if(out.begin(), out.end(), [&](const OutputRecord& o) { return o.name == r.name; }) ==
        out.end())
      out.push_back(r);
  };
  for (const Plot& p : plots)
    for (PlotFormat f : formats) add(p, f);
  std::vector<Plot> figures;
  for (int32_t code : {kSuffixConcentrationFigure, kSuffixRecoveryFigure, kSuffixChatwinFigure})
    figures.push_back({stationFile50, 85, code});
  if (fit) figures.push_back({stationFile50, 85, kSuffixFit});
  for (const Plot& p : figures)
    for (PlotFormat f : figureFormats) add(p, f);
  return out;
}

void plotPrompt(Console& console, std::string_view text, std::string_view fileName) {
  console.empty(7);
  console.line(text::blanks(10) + std::string(text) + " " + text::padded(fileName, 40));
  console.waitEnter();
}

void closeGraphicsWindow(Console& console, PlotState& state) {
  state.devices.closeScreens();
  console.maximize();
  console.clear();
}

}  // namespace kaldero::plot
