// The tool of the browser and size checks of the HTML report.
//
//   report_example render OUTDIR [STATIONS]
//     renders the report of a hand-made run record (report_fixture.h): the
//     two-station example (A.DAT analysed with a flow-path fit, B.DAT
//     stopped the run), or with STATIONS a campaign of that many stations.
//     Writes OUTDIR/report.html, and for the browser: measure-1280.html and
//     measure-400.html (the report in a frame of that width; a script of
//     the outer page writes the frame's scroll width, window width and the
//     summary table's top into attributes of its root element, for
//     --dump-dom), print-a4.html and print-letter.html (copies of the
//     report with the paper size fixed).
//   report_example sizes OUTDIR
//     renders the two-station example and a campaign of 2,000 stations,
//     prints their sizes and fails when one is over its target (1.5 MB and
//     10 MB).
//   report_example colour IMAGE.png RRGGBB
//     counts the pixels of a screenshot near the colour: "pixels N".
#include <cairo.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "report/html_report.h"
#include "tests/report/report_fixture.h"

namespace {

using kaldero::RunRecord;

constexpr std::size_t kTwoStationTarget = 1500000;
constexpr std::size_t kCampaignTarget = 10000000;

bool write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// A page that shows the report in a frame of the given width and, once the
// frame has loaded, writes into attributes of its own root element the
// frame's scroll width and window width, the summary table's top and the
// first elements outside the width (not inside a box that scrolls). The
// report itself is unchanged: its policy allows no script; the frame's
// document has this page's origin, so the script can read it.
std::string measuringPage(const std::string& report, int width) {
  std::string doc;
  for (const char c : report) {
    if (c == '&')
      doc += "&amp;";
    else if (c == '"')
      doc += "&quot;";
    else
      doc += c;
  }
  const std::string w = std::to_string(width);
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body style=\"margin:0\">\n"
         "<iframe id=\"f\" style=\"border:0;width:" +
         w + "px;height:1400px\" srcdoc=\"" + doc + "\"></iframe>\n" + R"(<script>
document.getElementById('f').addEventListener('load', function () {
  var f = this.contentWindow, d = f.document.documentElement, r = document.documentElement;
  var t = f.document.querySelector('table.summary');
  r.setAttribute('data-scroll-width', d.scrollWidth);
  r.setAttribute('data-window-width', f.innerWidth);
  r.setAttribute('data-summary-top', t ? Math.round(t.getBoundingClientRect().top + f.scrollY) : -1);
  var wide = [];
  f.document.querySelectorAll('body *').forEach(function (e) {
    var b = e.getBoundingClientRect();
    if (b.right > f.innerWidth + 1 && wide.length < 5 && !e.closest('.scroll'))
      wide.push(e.tagName + '.' + e.className + ':' + Math.round(b.right));
  });
  r.setAttribute('data-too-wide', wide.join(' '));
  // The figures' text as drawn, in CSS pixels: the SVG's font size times
  // the scale of its viewBox; and the smallest heading's size.
  var smallest = 1e9, largest = 0;
  f.document.querySelectorAll('figure.plot svg').forEach(function (svg) {
    var box = svg.viewBox.baseVal, w = svg.getBoundingClientRect().width;
    if (!box || !box.width || !w) return;
    svg.querySelectorAll('text').forEach(function (t) {
      var px = parseFloat(f.getComputedStyle(t).fontSize) * w / box.width;
      smallest = Math.min(smallest, px);
      largest = Math.max(largest, px);
    });
  });
  var h3 = f.document.querySelector('h3');
  r.setAttribute('data-figure-text', smallest <= largest ?
      smallest.toFixed(1) + ' ' + largest.toFixed(1) : '');
  r.setAttribute('data-heading-size', h3 ? parseFloat(f.getComputedStyle(h3).fontSize).toFixed(1) : '');
});
</script>
</body></html>
)";
}

int render(const std::string& outDir, std::size_t stations) {
  const RunRecord run =
      stations == 0 ? kaldero::testing::twoStationExample() : kaldero::testing::campaign(stations);
  kaldero::html::ReportOptions options;
  options.resultsFile = "results.json";
  options.tableFile = "results.csv";
  const std::string page = kaldero::html::renderReport({&run}, options);
  const bool ok =
      write(outDir + "/report.html", page) &&
      write(outDir + "/measure-1280.html", measuringPage(page, 1280)) &&
      write(outDir + "/measure-400.html", measuringPage(page, 400)) &&
      write(outDir + "/print-a4.html", replaced(page, "</style>", "@page{size:A4}</style>")) &&
      write(outDir + "/print-letter.html",
            replaced(page, "</style>", "@page{size:letter}</style>"));
  if (!ok) std::cerr << "cannot write to " << outDir << "\n";
  std::cout << "bytes " << page.size() << "\n";
  return ok ? 0 : 1;
}

int sizes(const std::string& outDir) {
  std::filesystem::create_directories(outDir);
  int status = 0;
  for (const std::size_t n : {std::size_t{2}, std::size_t{2000}}) {
    const auto begin = std::chrono::steady_clock::now();
    const RunRecord run =
        n == 2 ? kaldero::testing::twoStationExample() : kaldero::testing::campaign(n);
    const auto built = std::chrono::steady_clock::now();
    const std::string page = kaldero::html::renderReport({&run}, {});
    const auto rendered = std::chrono::steady_clock::now();
    write(outDir + "/report-" + std::to_string(n) + ".html", page);
    const std::size_t target = n == 2 ? kTwoStationTarget : kCampaignTarget;
    using ms = std::chrono::milliseconds;
    std::printf(
        "%zu stations: %zu bytes (%.2f MB; target under %.1f MB), %zu <svg> figures, "
        "record built in %lld ms, page rendered in %lld ms\n",
        n, page.size(), page.size() / 1e6, target / 1e6,
        [&] {
          std::size_t count = 0;
          for (std::size_t at = page.find("<svg "); at != std::string::npos;
               at = page.find("<svg ", at + 1))
            ++count;
          return count;
        }(),
        static_cast<long long>(std::chrono::duration_cast<ms>(built - begin).count()),
        static_cast<long long>(std::chrono::duration_cast<ms>(rendered - built).count()));
    if (page.size() >= target) {
      std::printf("FAILED: the report of %zu stations is over its target\n", n);
      status = 1;
    }
  }
  return status;
}

int countColour(const std::string& png, const std::string& hex) {
  cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS || hex.size() != 6) {
    std::cerr << "cannot read " << png << "\n";
    cairo_surface_destroy(image);
    return 1;
  }
  const long rgb = std::strtol(hex.c_str(), nullptr, 16);
  const int wr = (rgb >> 16) & 0xFF, wg = (rgb >> 8) & 0xFF, wb = rgb & 0xFF;
  const int width = cairo_image_surface_get_width(image);
  const int height = cairo_image_surface_get_height(image);
  const int stride = cairo_image_surface_get_stride(image);
  const unsigned char* data = cairo_image_surface_get_data(image);
  long pixels = 0;
  for (int y = 0; y < height; ++y) {
    const auto* row =
        reinterpret_cast<const std::uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < width; ++x) {
      const int r = (row[x] >> 16) & 0xFF, g = (row[x] >> 8) & 0xFF, b = row[x] & 0xFF;
      if (std::abs(r - wr) <= 24 && std::abs(g - wg) <= 24 && std::abs(b - wb) <= 24) ++pixels;
    }
  }
  cairo_surface_destroy(image);
  std::cout << "pixels " << pixels << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if ((args.size() == 2 || args.size() == 3) && args[0] == "render")
    return render(args[1], args.size() == 3 ? std::stoul(args[2]) : 0);
  if (args.size() == 2 && args[0] == "sizes") return sizes(args[1]);
  if (args.size() == 3 && args[0] == "colour") return countColour(args[1], args[2]);
  std::cerr << "usage: report_example render OUTDIR [STATIONS]\n"
               "       report_example sizes OUTDIR\n"
               "       report_example colour IMAGE.png RRGGBB\n";
  return 2;
}
