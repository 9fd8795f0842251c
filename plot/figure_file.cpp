#include "plot/figure_file.h"

#include <cpgplot.h>
extern "C" {
#include <giza.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "figure/draw.h"
#include "plot/library_text.h"

namespace kaldero::plot {

namespace {

// A colour "#rgb" or "#rrggbb" as red, green, blue from 0 to 1; grey for
// anything else (a CSS colour name).
void rgbOf(std::string_view colour, double rgb[3]) {
  rgb[0] = rgb[1] = rgb[2] = 0.5;
  const auto hex = [&](std::size_t i) {
    const char c = colour[i];
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
  };
  if (colour.size() == 7 && colour[0] == '#') {
    for (int k = 0; k < 3; ++k)
      rgb[k] = (hex(1 + 2 * static_cast<std::size_t>(k)) * 16 +
                hex(2 + 2 * static_cast<std::size_t>(k))) / 255.0;
  } else if (colour.size() == 4 && colour[0] == '#') {
    for (int k = 0; k < 3; ++k) rgb[k] = hex(1 + static_cast<std::size_t>(k)) * 17 / 255.0;
  }
}

// The graphics library's view of a figure's canvas: the page the figure's
// size, world coordinates its units with y upwards (the canvas's run
// downwards).
class LibraryCanvas final : public figure::Canvas {
 public:
  explicit LibraryCanvas(double unitsToPoints) : scale_(unitsToPoints) {}

  void begin(double width, double height, std::string_view, std::string_view) override {
    width_ = width;
    height_ = height;
    cpgpage();
    cpgsvp(0, 1, 0, 1);
    cpgswin(0, static_cast<float>(width), 0, static_cast<float>(height));
    cpgbbuf();
    giza_set_font("Sans");
    fill({"#ffffff", 1}, width, height);
  }
  void end() override { cpgebuf(); }

  void stroke(const figure::Path& path, const figure::Pen& pen) override {
    colour(pen.colour, 1);
    giza_set_line_width(std::max(0.1, pen.width * scale_));
    cpgsls(pen.dash == figure::Dash::None ? 1 : pen.dash == figure::Dash::Short ? 4 : 2);
    giza_set_line_cap(pen.round ? 1 : 0);
    giza_set_fill(GIZA_FILL_SOLID);
    std::vector<double> xs, ys;
    for (const figure::Path::Part& part : path.parts()) {
      const auto& p = part.points;
      if (p.size() == 1) {
        giza_circle(p[0].x, y(p[0].y), pen.width / 2);
        continue;
      }
      xs.clear();
      ys.clear();
      for (const figure::Point& q : p) {
        xs.push_back(q.x);
        ys.push_back(y(q.y));
      }
      if (part.closed) {
        xs.push_back(p[0].x);
        ys.push_back(y(p[0].y));
      }
      giza_line(static_cast<int>(xs.size()), xs.data(), ys.data());
    }
    cpgsls(1);
  }

  void fill(const figure::Path& path, const figure::Paint& paint,
            const figure::Pen* outline) override {
    colour(paint.colour, paint.opacity);
    giza_set_fill(GIZA_FILL_SOLID);
    for (const figure::Path::Part& part : path.parts()) {
      if (part.points.size() < 3) continue;
      std::vector<double> xs, ys;
      for (const figure::Point& q : part.points) {
        xs.push_back(q.x);
        ys.push_back(y(q.y));
      }
      giza_polygon(static_cast<int>(xs.size()), xs.data(), ys.data());
    }
    if (outline) stroke(closed(path), *outline);
  }

  void circle(double x, double yc, double r, const figure::Paint& paint,
              const figure::Pen* outline) override {
    colour(paint.colour, paint.opacity);
    giza_set_fill(GIZA_FILL_SOLID);
    giza_circle(x, y(yc), r);
    if (outline) {
      colour(outline->colour, 1);
      giza_set_line_width(std::max(0.1, outline->width * scale_));
      giza_set_fill(GIZA_FILL_HOLLOW);
      giza_circle(x, y(yc), r);
    }
  }

  void text(double x, double yt, std::string_view utf8, const figure::Font& f) override {
    colour(f.colour.empty() ? "#000000" : f.colour, 1);
    // The library's character height is a 40th of the page's smaller side.
    cpgsch(static_cast<float>(f.size * 40 / std::min(width_, height_)));
    if (f.bold)
      giza_set_font_bold("Sans");
    else
      giza_set_font("Sans");
    const double just = f.anchor == figure::Anchor::Start ? 0 : f.anchor == figure::Anchor::Middle
                                                                  ? 0.5
                                                                  : 1;
    giza_ptext(x, y(yt), f.vertical ? 90 : 0, just, libraryText(utf8).c_str());
  }

 private:
  double y(double canvasY) const { return height_ - canvasY; }

  // Fills a rectangle of the page.
  void fill(const figure::Paint& paint, double w, double h) {
    figure::Path p;
    p.moveTo(0, 0);
    p.lineTo(w, 0);
    p.lineTo(w, h);
    p.lineTo(0, h);
    p.close();
    fill(p, paint, nullptr);
  }

  static figure::Path closed(const figure::Path& path) {
    figure::Path p;
    for (const figure::Path::Part& part : path.parts()) {
      p.moveTo(part.points[0].x, part.points[0].y);
      for (std::size_t i = 1; i < part.points.size(); ++i) p.lineTo(part.points[i].x, part.points[i].y);
      p.close();
    }
    return p;
  }

  // The colour index of a colour and opacity, defined at first use.
  void colour(std::string_view c, double opacity) {
    const std::string key = std::string(c) + "/" + std::to_string(opacity);
    auto it = indices_.find(key);
    if (it == indices_.end()) {
      const int index = 16 + static_cast<int>(indices_.size());
      double rgb[3];
      rgbOf(c, rgb);
      giza_set_colour_representation_alpha(index, rgb[0], rgb[1], rgb[2],
                                            std::clamp(opacity, 0.0, 1.0));
      it = indices_.emplace(key, index).first;
    }
    cpgsci(it->second);
  }

  double scale_;
  double width_ = 1, height_ = 1;
  std::map<std::string, int> indices_;
};

}  // namespace

std::optional<FigureSize> parseFigureSize(const std::string& text, FigureSize size) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos || x == 0 || x + 1 >= text.size()) return std::nullopt;
  const auto number = [](const std::string& s) -> std::optional<double> {
    if (s.empty() || s.find_first_not_of("0123456789.") != std::string::npos) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !(v >= 2 && v <= 100)) return std::nullopt;
    return v;
  };
  const std::optional<double> w = number(text.substr(0, x)), h = number(text.substr(x + 1));
  if (!w || !h) return std::nullopt;
  size.widthCm = *w;
  size.heightCm = *h;
  return size;
}

void figureFiles(PlotState& state, OutputGate& gate, figure::Figure figure,
                 const std::vector<PlotFormat>& formats, const FigureSize& size,
                 const std::function<OutputRecord(PlotFormat)>& name) {
  // The size is that of a figure of the usual proportions (560 by 360); a
  // taller one (a stack of panels) gets its paper taller alike.
  const double heightCm = size.heightCm * (figure.height / figure.width) / (360.0 / 560.0);
  figure.height = figure.width * heightCm / size.widthCm;
  PlotDevices& devices = state.devices;
  for (PlotFormat format : formats) {
    devices.setFileFormat(format);
    if (!devices.openFigure(gate, size.widthCm / 2.54, heightCm / 2.54, size.dpi)) continue;
    // The library's line widths are in its pixels, whatever the format.
    double pixels = 0, tall = 0;
    giza_get_paper_size(GIZA_UNITS_PIXELS, &pixels, &tall);
    LibraryCanvas canvas(pixels / figure.width);
    figure::draw(figure, canvas);
    devices.closePostScript();
    (void)devices.keepPostScript(gate, name(format));
  }
  devices.setFileFormat(PlotFormat::PostScript);
}

}  // namespace kaldero::plot
