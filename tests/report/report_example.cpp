// The tool of the browser test of the HTML report.
//
//   report_example render RESULTS.json LISTING OUTDIR
//     draws three SVG figures with the graphics library (a box, a red curve
//     and text each: two for the first station of the results, one for the
//     second), then writes OUTDIR/report.html from the results, LISTING as
//     the first station's listing and the figures.
//   report_example red IMAGE.png
//     counts the red pixels of a screenshot and the red curves (sets of
//     red pixels apart from each other, eight cells of 6 x 6 pixels or
//     more) and prints "pixels N" and "curves K".
#include <cairo.h>
#include <cpgplot.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "report/html_report.h"

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A figure: box, axes labels, a red curve and a title, written as SVG.
bool drawFigure(const std::string& path, const char* title, double peakTime, bool points) {
  if (cpgopen((path + "/SVG").c_str()) <= 0) return false;
  std::vector<float> t(200), c(200);
  for (size_t i = 0; i < t.size(); ++i) {
    t[i] = 0.06f * static_cast<float>(i);
    const double x = t[i] / peakTime;
    c[i] = static_cast<float>(4.6 * x * std::exp(1.0 - x));
  }
  cpgenv(0.0f, 12.0f, 0.0f, 5.0f, 0, 0);
  cpglab("Time (h)", "Concentration (ug/L)", title);
  if (points) {
    for (size_t i = 0; i < t.size(); i += 10) cpgpt1(t[i], c[i] * 1.03f, 17);
  }
  cpgsci(2);
  cpgslw(3);
  cpgline(static_cast<int>(t.size()), t.data(), c.data());
  cpgsci(1);
  cpgtext(8.0f, 4.6f, "Peak < 5 & rising");
  cpgclos();
  return true;
}

int render(const std::string& resultsPath, const std::string& listingPath,
           const std::string& outDir) {
  const nlohmann::json results = nlohmann::json::parse(readFile(resultsPath));
  struct Drawn {
    std::string station, file, title;
    double peak;
    bool points;
  };
  const std::vector<Drawn> drawn = {
      {"A.DAT", "A_NRM.svg", "Normalized concentration", 3.5, false},
      {"A.DAT", "A_FIT.svg", "Model fit: two flow paths", 3.0, true},
      {"B.DAT", "B_DAT.svg", "Station data", 5.0, false},
  };
  std::vector<kaldero::html::StationPage> pages = {{"A.DAT", readFile(listingPath), {}, {}},
                                                   {"B.DAT", "", {}, {}}};
  for (const Drawn& d : drawn) {
    const std::string path = outDir + "/" + d.file;
    if (!drawFigure(path, d.title.c_str(), d.peak, d.points)) {
      std::cerr << "cannot draw " << path << "\n";
      return 1;
    }
    auto& page = pages[d.station == "A.DAT" ? 0 : 1];
    page.figures.push_back({d.title, readFile(path)});
  }
  std::ofstream(outDir + "/report.html", std::ios::binary)
      << kaldero::html::renderReport(results, pages);
  return 0;
}

int countRed(const std::string& png) {
  cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    std::cerr << "cannot read " << png << "\n";
    cairo_surface_destroy(image);
    return 1;
  }
  const int width = cairo_image_surface_get_width(image);
  const int height = cairo_image_surface_get_height(image);
  const int stride = cairo_image_surface_get_stride(image);
  const unsigned char* data = cairo_image_surface_get_data(image);
  // Cells of kCell x kCell pixels holding red; a curve is a set of
  // neighbouring cells (the eight around a cell).
  constexpr int kCell = 6;
  constexpr int kMinCells = 8;
  const int columns = (width + kCell - 1) / kCell, rows = (height + kCell - 1) / kCell;
  std::vector<char> red(static_cast<size_t>(columns) * rows, 0);
  long pixels = 0;
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < width; ++x) {
      const int r = (row[x] >> 16) & 0xFF, g = (row[x] >> 8) & 0xFF, b = row[x] & 0xFF;
      // The graphics library's red (238, 44, 44), also where antialiased
      // into white; not the page's dark red texts.
      if (r >= 200 && r - g >= 90 && std::abs(g - b) <= 30) {
        ++pixels;
        red[static_cast<size_t>(y / kCell) * columns + x / kCell] = 1;
      }
    }
  }
  int curves = 0;
  std::vector<int> stack;
  for (int start = 0; start < columns * rows; ++start) {
    if (red[start] != 1) continue;
    int cells = 0;
    red[start] = 2;
    stack.push_back(start);
    while (!stack.empty()) {
      const int cell = stack.back();
      stack.pop_back();
      ++cells;
      const int cx = cell % columns, cy = cell / columns;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = cx + dx, ny = cy + dy;
          if (nx < 0 || ny < 0 || nx >= columns || ny >= rows) continue;
          const int next = ny * columns + nx;
          if (red[next] == 1) {
            red[next] = 2;
            stack.push_back(next);
          }
        }
      }
    }
    // Specks (a curve's end cut off by an axis) are not curves.
    if (cells >= kMinCells) ++curves;
  }
  cairo_surface_destroy(image);
  std::cout << "pixels " << pixels << "\ncurves " << curves << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 4 && args[0] == "render") return render(args[1], args[2], args[3]);
  if (args.size() == 2 && args[0] == "red") return countRed(args[1]);
  std::cerr << "usage: report_example render RESULTS.json LISTING OUTDIR\n"
               "       report_example red IMAGE.png\n";
  return 2;
}
