#include "plot/plot_device.h"

#include <cpgplot.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "core/console.h"
#include "input/output_names.h"

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

// The word of the console lines about a plot file.
std::string fileWord(PlotFormat format) {
  return format == PlotFormat::PostScript ? "POSTSCRIPT FILE " : "PLOT FILE ";
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

bool PlotDevices::openPostScript(Console& console) {
  if (psId_ > 0) closePostScript();
  dropScratch();
  std::string name = std::string(".kaldero-plot-XXXXXX.") + formatName(fileFormat_);
  const int fd =
      mkstemps(name.data(), static_cast<int>(std::string(formatName(fileFormat_)).size()) + 1);
  if (fd < 0) {
    Console::ReportScope report(console, ShownReport::Kind::Warning);
    console.free("CANNOT CREATE A POSTSCRIPT FILE IN THE WORKING DIRECTORY; PLOT NOT WRITTEN");
    return false;
  }
  // The file is kept under its final name: give it the permissions of any
  // other output file rather than the private ones of a scratch file.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  ::close(fd);
  scratch_ = name;
  psId_ = openDevice(scratch_ + deviceOf(fileFormat_));
  if (psId_ <= 0) {
    psId_ = 0;
    dropScratch();
    Console::ReportScope report(console, ShownReport::Kind::Warning);
    console.free("CANNOT OPEN THE POSTSCRIPT DEVICE; PLOT NOT WRITTEN");
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

PlotDevices::Kept PlotDevices::keepPostScript(Console& console, const std::string& finalName,
                                              const FileSet& inputs,
                                              const FileSet& earlierOutputs) {
  if (psId_ > 0) closePostScript();
  if (scratch_.empty()) return Kept::Nothing;
  const fs::path target(finalName);
  if (inputs.contains(finalName)) {
    Console::ReportScope report(console, ShownReport::Kind::Warning);
    console.free(fileWord(fileFormat_) + finalName +
                 " NOT WRITTEN: THAT NAME IS AN INPUT FILE OF THIS RUN");
    dropScratch();
    return Kept::Refused;
  }
  if (earlierOutputs.contains(finalName)) {
    Console::ReportScope report(console, ShownReport::Kind::Warning);
    console.free(fileWord(fileFormat_) + finalName +
                 " NOT WRITTEN: AN EARLIER STATION OF THIS RUN WROTE THAT FILE");
    dropScratch();
    return Kept::Refused;
  }
  if (!completePlotFile(scratch_, fileFormat_)) {
    Console::ReportScope report(console, ShownReport::Kind::Warning);
    console.free(fileWord(fileFormat_) + finalName +
                 " COULD NOT BE WRITTEN COMPLETELY: THE PLOT IS NOT KEPT");
    dropScratch();
    return Kept::Failed;
  }
  std::error_code ec;
  fs::rename(scratch_, target, ec);
  if (ec) {
    // The target may lie on another file system: copy, then drop the scratch.
    ec.clear();
    fs::copy_file(scratch_, target, fs::copy_options::overwrite_existing, ec);
  }
  if (ec) {
    Console::ReportScope report(console, ShownReport::Kind::Warning);
    console.free(fileWord(fileFormat_) + finalName + " COULD NOT BE WRITTEN");
    dropScratch();
    return Kept::Failed;
  }
  dropScratch();
  return Kept::Yes;
}

void PlotDevices::dropScratch() {
  if (scratch_.empty()) return;
  std::error_code ec;
  fs::remove(scratch_, ec);
  scratch_.clear();
}

}  // namespace kaldero::plot
