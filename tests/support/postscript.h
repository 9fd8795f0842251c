// Rendering PostScript files with Ghostscript for the plot tests, and a
// scratch working directory (the plots write their files there).
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace kaldero::testing {

// Runs the test body in another working directory.
class WorkingDir {
 public:
  explicit WorkingDir(const std::filesystem::path& dir) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~WorkingDir() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

inline bool ghostscriptAvailable() { return std::system("gs --version >/dev/null 2>&1") == 0; }

struct Page {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;

  // Pixels that are not white.
  int ink() const {
    int n = 0;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
      if (rgb[i] < 240 || rgb[i + 1] < 240 || rgb[i + 2] < 240) ++n;
    return n;
  }
  // Strongly red pixels: the curves are drawn in red.
  int red() const {
    int n = 0;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
      if (rgb[i] > 180 && rgb[i + 1] < 110 && rgb[i + 2] < 110) ++n;
    return n;
  }
};

// The first page of a PostScript file as Ghostscript renders it; nullopt
// when Ghostscript fails (an invalid file).
inline std::optional<Page> renderPostScript(const std::string& ps, int dpi = 50) {
  const std::string ppm = ps + ".ppm";
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -dFirstPage=1 -dLastPage=1 "
                          "-sDEVICE=ppmraw -r" + std::to_string(dpi) + " -sOutputFile='" + ppm +
                          "' '" + ps + "' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return std::nullopt;
  std::ifstream in(ppm, std::ios::binary);
  std::string magic;
  in >> magic;
  if (magic != "P6") return std::nullopt;
  auto number = [&in] {
    int v = 0;
    in >> std::ws;
    while (in.peek() == '#') {
      std::string comment;
      std::getline(in, comment);
      in >> std::ws;
    }
    in >> v;
    return v;
  };
  Page p;
  p.width = number();
  p.height = number();
  const int maxval = number();
  in.get();
  if (p.width <= 0 || p.height <= 0 || maxval != 255) return std::nullopt;
  p.rgb.resize(static_cast<std::size_t>(p.width) * p.height * 3);
  in.read(reinterpret_cast<char*>(p.rgb.data()), static_cast<std::streamsize>(p.rgb.size()));
  std::filesystem::remove(ppm);
  if (!in) return std::nullopt;
  return p;
}

// Writes the first page as a PNG.
inline bool writePng(const std::string& ps, const std::string& png, int dpi = 70) {
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -dFirstPage=1 -dLastPage=1 "
                          "-sDEVICE=png16m -r" + std::to_string(dpi) + " -sOutputFile='" + png +
                          "' '" + ps + "' >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// The texts of a PostScript file's first page as a PDF reader extracts
// them (Ghostscript makes the PDF, poppler's pdftotext reads it), one word
// group a line; nullopt when either tool fails or is missing.
inline std::optional<std::vector<std::string>> textsOfPostScript(const std::string& ps) {
  const std::string pdf = ps + ".pdf", txt = ps + ".txt";
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -dLastPage=1 -sDEVICE=pdfwrite "
                          "-sOutputFile='" + pdf + "' '" + ps + "' >/dev/null 2>&1 && "
                          "pdftotext -enc UTF-8 '" + pdf + "' '" + txt + "' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return std::nullopt;
  std::ifstream in(txt);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);)
    if (line.find_first_not_of(" \f") != std::string::npos) out.push_back(line);
  return out;
}

}  // namespace kaldero::testing
