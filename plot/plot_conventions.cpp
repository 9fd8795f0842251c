#include "plot/plot_conventions.h"

#include "core/console.h"
#include "core/text.h"

namespace kaldero::plot {

std::string postScriptFileName(std::string_view name, int32_t length, int32_t code) {
  static const char* const suffixes[] = {"_DAT.PS", "_INT.PS", "_CHT.PS", "_NRM.PS",
                                         "_LOD.PS", "_STN.PS", "_FIT.PS"};
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
  const char* suffix = code >= 0 && code <= 6 ? suffixes[code] : ".PS";
  return buffer.substr(0, start) + base + suffix;
}

std::string plotFileName(std::string_view name, int32_t length, int32_t code, PlotFormat format) {
  std::string file = postScriptFileName(name, length, code);
  if (format != PlotFormat::PostScript && file.size() >= 3 &&
      file.compare(file.size() - 3, 3, ".PS") == 0)
    file.replace(file.size() - 3, 3, formatExtension(format));
  return file;
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

void keepPostScript(PlotContext& ctx, std::string_view name, int32_t length, int32_t code) {
  const std::string file = plotFileName(name, length, code, ctx.state.devices.fileFormat());
  switch (ctx.state.devices.keepPostScript(ctx.console, file, ctx.inputFiles, ctx.earlierOutputs)) {
    case PlotDevices::Kept::Yes:
      ctx.state.keptFiles.push_back(file);
      break;
    case PlotDevices::Kept::Failed:
      ++ctx.state.filesNotWritten;
      break;
    default:
      break;
  }
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
