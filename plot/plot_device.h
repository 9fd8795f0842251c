// The graphics devices of the plots: the screen windows, kept open between
// plots under the identifier of the plot that uses them, and the PostScript
// pass, which draws into a scratch file that is then moved to the plot's
// final file name.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kaldero {
class OutputGate;
struct OutputRecord;
}

namespace kaldero::plot {

// The file formats of the plots: PostScript, and the graphics library's PNG,
// SVG and PDF devices.
enum class PlotFormat { PostScript, Png, Svg, Pdf };
// "ps", "png", "svg", "pdf".
const char* formatName(PlotFormat format);
// The file-name extension: ".PS" for PostScript (as the plot file names
// have always had it), ".png", ".svg", ".pdf" for the others.
const char* formatExtension(PlotFormat format);
// A comma-separated list of format names ("ps,png"), each format kept once
// in the order first named; nothing when a name is none of them or is
// missing ("", "ps,", "ps,,png").
std::optional<std::vector<PlotFormat>> parseFormatList(const std::string& list);

// Whether the X display named by DISPLAY can be opened.
bool xDisplayAvailable();

class PlotDevices {
 public:
  PlotDevices() = default;
  PlotDevices(const PlotDevices&) = delete;
  PlotDevices& operator=(const PlotDevices&) = delete;
  // Closes the windows still open and drops an unkept PostScript file.
  ~PlotDevices();

  // The device of the screen windows: "/xw" when the X display named by
  // DISPLAY can be opened, "/null" otherwise (so a run without a display
  // still writes its files). Decided at the first screen plot.
  const std::string& screenDevice();
  // Fixes the screen device (tests).
  void setScreenDevice(std::string device) { screenDevice_ = std::move(device); }

  // Screen pass: makes the window with this identifier the current device,
  // erased and with the page prompt off. An open window is reused; a window
  // that is not open (the first plot of its kind, or closed since) is
  // opened. False when no window can be had.
  bool selectScreen(int32_t window);
  bool screenOpen(int32_t window) const { return windows_.count(window) != 0; }
  // Closes every screen window.
  void closeScreens();

  // The format of the file pass (PostScript unless set).
  void setFileFormat(PlotFormat format) { fileFormat_ = format; }
  PlotFormat fileFormat() const { return fileFormat_; }

  // File pass (the PostScript pass): opens the device of the file format on
  // a fresh scratch file of the gate. False, with a console line, when no
  // file can be made.
  bool openPostScript(OutputGate& gate);
  // The same for a figure of the given size on paper (inches), a PNG file
  // at dpi dots an inch.
  bool openFigure(OutputGate& gate, double widthInches, double heightInches, int dpi);
  bool postScriptOpen() const { return psId_ > 0; }
  // Ends drawing on the PostScript device; the file is complete.
  void closePostScript();
  // Hands the finished file to the gate to be kept under its final name
  // (the name rule applies; a file the device could not write completely,
  // on a full disk, is not kept). True when kept.
  bool keepPostScript(OutputGate& gate, const OutputRecord& file);

 private:
  void dropScratch();
  // The scratch file of the file pass and its device, opened by open(name,
  // device); false when none could be had.
  bool openScratch(OutputGate& gate, const std::function<int(const std::string&)>& open);

  std::map<int32_t, int> windows_;  // plot window identifier -> device
  std::optional<std::string> screenDevice_;
  int psId_ = 0;
  std::string scratch_;  // the file of the file pass not yet kept
  PlotFormat fileFormat_ = PlotFormat::PostScript;
};

}  // namespace kaldero::plot
