#include "plot/plot_device.h"

#include <cpgplot.h>
extern "C" {
#include <giza.h>
}
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string_view>
#include <system_error>

#include "core/output_gate.h"

namespace kaldero::plot {

namespace fs = std::filesystem;

namespace {

// Opens a device with the page prompt off: an interactive device would
// otherwise wait for a key on every new page and on closing, reading the
// keyboard input that belongs to the console.
int openDevice(const std::string& device) {
  const int id = cpgopen(device.c_str());
  if (id > 0) cpgask(0);
  return id;
}

// The graphics library does not report a failed write of its files: a
// complete file ends as its format ends (the end-of-file comment of
// PostScript and PDF, the end chunk of PNG, the closing tag of SVG).
bool completePlotFile(const std::string& path, PlotFormat format) {
  std::string_view end;
  switch (format) {
    case PlotFormat::PostScript:
    case PlotFormat::Pdf:
      end = "%%EOF\n";
      break;
    case PlotFormat::Png:
      end = std::string_view("IEND\xAE\x42\x60\x82", 8);
      break;
    case PlotFormat::Svg:
      end = "</svg>\n";
      break;
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char tail[16] = {};
  bool complete = false;
  if (std::fseek(f, -static_cast<long>(end.size()), SEEK_END) == 0)
    complete = std::fread(tail, 1, end.size(), f) == end.size() &&
               std::string_view(tail, end.size()) == end;
  std::fclose(f);
  return complete;
}

const char* deviceOf(PlotFormat format) {
  switch (format) {
    case PlotFormat::Png:
      return "/PNG";
    case PlotFormat::Svg:
      return "/SVG";
    case PlotFormat::Pdf:
      return "/PDF";
    default:
      return "/PS";
  }
}

}  // namespace

const char* formatName(PlotFormat format) {
  switch (format) {
    case PlotFormat::Png:
      return "png";
    case PlotFormat::Svg:
      return "svg";
    case PlotFormat::Pdf:
      return "pdf";
    default:
      return "ps";
  }
}

const char* formatExtension(PlotFormat format) {
  switch (format) {
    case PlotFormat::Png:
      return ".png";
    case PlotFormat::Svg:
      return ".svg";
    case PlotFormat::Pdf:
      return ".pdf";
    default:
      return ".PS";
  }
}

std::optional<std::vector<PlotFormat>> parseFormatList(const std::string& list) {
  // A list ending in a comma has a name missing, which getline would not
  // show.
  if (!list.empty() && list.back() == ',') return std::nullopt;
  std::vector<PlotFormat> out;
  std::stringstream in(list);
  std::string name;
  while (std::getline(in, name, ',')) {
    PlotFormat f;
    if (name == "ps")
      f = PlotFormat::PostScript;
    else if (name == "png")
      f = PlotFormat::Png;
    else if (name == "svg")
      f = PlotFormat::Svg;
    else if (name == "pdf")
      f = PlotFormat::Pdf;
    else
      return std::nullopt;
    if (std::find(out.begin(), out.end(), f) == out.end()) out.push_back(f);
  }
  if (out.empty()) return std::nullopt;
  return out;
}

PlotDevices::~PlotDevices() {
  closeScreens();
  if (psId_ > 0) closePostScript();
  dropScratch();
}

const std::string& PlotDevices::screenDevice() {
  if (!screenDevice_) screenDevice_ = xDisplayAvailable() ? "/xw" : "/null";
  return *screenDevice_;
}

bool PlotDevices::selectScreen(int32_t window) {
  auto it = windows_.find(window);
  if (it != windows_.end()) {
    cpgslct(it->second);
    cpgeras();
    cpgask(0);
    return true;
  }
  const int id = openDevice(screenDevice());
  if (id <= 0) return false;
  windows_[window] = id;
  return true;
}

void PlotDevices::closeScreens() {
  for (const auto& [window, id] : windows_) {
    cpgslct(id);
    cpgask(0);
    cpgclos();
  }
  windows_.clear();
}

bool PlotDevices::openPostScript(OutputGate& gate) {
  return openScratch(gate, [&](const std::string& name) {
    return openDevice(name + deviceOf(fileFormat_));
  });
}

bool PlotDevices::openFigure(OutputGate& gate, double widthInches, double heightInches, int dpi) {
  return openScratch(gate, [&](const std::string& name) {
    // Opened at its size: a size set after the device is open would begin
    // a second page (and a second file of the SVG device).
    const int id = fileFormat_ == PlotFormat::Png
                       ? giza_open_device_size(deviceOf(fileFormat_), name.c_str(),
                                               widthInches * dpi, heightInches * dpi,
                                               GIZA_UNITS_PIXELS)
                       : giza_open_device_size(deviceOf(fileFormat_), name.c_str(), widthInches,
                                               heightInches, GIZA_UNITS_INCHES);
    if (id > 0) cpgask(0);
    return id;
  });
}

bool PlotDevices::openScratch(OutputGate& gate,
                              const std::function<int(const std::string&)>& open) {
  if (psId_ > 0) closePostScript();
  dropScratch();
  const std::optional<std::string> name = gate.scratchFile(formatName(fileFormat_));
  if (!name) return false;
  scratch_ = *name;
  psId_ = open(scratch_);
  if (psId_ <= 0) {
    psId_ = 0;
    gate.discard(scratch_, "CANNOT OPEN THE PLOT DEVICE; PLOT NOT WRITTEN");
    scratch_.clear();
    return false;
  }
  return true;
}

void PlotDevices::closePostScript() {
  if (psId_ <= 0) return;
  cpgslct(psId_);
  cpgclos();
  psId_ = 0;
}

bool PlotDevices::keepPostScript(OutputGate& gate, const OutputRecord& file) {
  if (psId_ > 0) closePostScript();
  if (scratch_.empty()) return false;
  const bool complete = completePlotFile(scratch_, fileFormat_);
  const bool kept = gate.keep(scratch_, file, complete);
  scratch_.clear();
  return kept;
}

void PlotDevices::dropScratch() {
  if (scratch_.empty()) return;
  std::error_code ec;
  fs::remove(scratch_, ec);
  scratch_.clear();
}

}  // namespace kaldero::plot
