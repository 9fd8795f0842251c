#include "figure/svg.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "core/encoding.h"
#include "figure/canvas.h"
#include "figure/draw.h"

namespace kaldero::figure {
namespace {

// ---------------------------------------------------------------- texts

// Text for XML content and attribute values, on one line.
std::string xmlText(std::string_view in) { return text::markupText(in, true); }

// A coordinate in tenths of a unit, written briefly: "12.3", "-4", and in
// path data (`bare`) ".5" for 0.5.
void appendTenths(std::string& out, long long t, bool bare) {
  if (t < 0) {
    out += '-';
    t = -t;
  }
  const long long whole = t / 10, tenth = t % 10;
  if (whole != 0 || !bare || tenth == 0) out += std::to_string(whole);
  if (tenth != 0) {
    out += '.';
    out += static_cast<char>('0' + tenth);
  }
}

long long tenths(double v) {
  // Coordinates are clipped to the viewBox before they get here; the clamp
  // keeps a stray value from overflowing the conversion, NaN is never
  // written.
  if (!std::isfinite(v)) return 0;
  return std::llround(std::clamp(v, -1e7, 1e7) * 10);
}

std::string num(double v) {
  std::string s;
  appendTenths(s, tenths(v), false);
  return s;
}

// Path data in tenths of a unit: absolute at the start, then relative
// moves and lines, with h and v for axis-parallel lines and repeated
// commands left implicit; a subpath of one point is a line of no length,
// which a round cap draws as a dot.
class PathData {
 public:
  explicit PathData(const Path& path) {
    for (const Path::Part& part : path.parts()) {
      const std::vector<Point>& p = part.points;
      moveTo(p[0].x, p[0].y);
      if (p.size() == 1) {
        command('h');
        number(0);
      }
      for (std::size_t i = 1; i < p.size(); ++i) lineTo(p[i].x, p[i].y);
      if (part.closed) close();
    }
  }
  const std::string& str() const { return d_; }

 private:
  void moveTo(double x, double y) {
    const long long qx = tenths(x), qy = tenths(y);
    if (d_.empty()) {
      command('M');
      number(qx);
      number(qy);
    } else {
      command('m');
      number(qx - x_);
      number(qy - y_);
    }
    x_ = startX_ = qx;
    y_ = startY_ = qy;
  }
  void lineTo(double x, double y) {
    const long long qx = tenths(x), qy = tenths(y);
    if (qx == x_ && qy == y_) return;
    if (qy == y_) {
      command('h');
      number(qx - x_);
    } else if (qx == x_) {
      command('v');
      number(qy - y_);
    } else {
      command('l');
      number(qx - x_);
      number(qy - y_);
    }
    x_ = qx;
    y_ = qy;
  }
  void close() {
    command('z');
    x_ = startX_;
    y_ = startY_;
  }
  void command(char c) {
    if (c != last_ || c == 'm' || c == 'M' || c == 'z') d_ += c;
    last_ = c;
  }
  void number(long long t) {
    if (!d_.empty() && t >= 0 &&
        (std::isdigit(static_cast<unsigned char>(d_.back())) || d_.back() == '.'))
      d_ += ' ';
    appendTenths(d_, t, true);
  }

  std::string d_;
  char last_ = 0;
  long long x_ = 0, y_ = 0, startX_ = 0, startY_ = 0;
};

// An opacity as ".85"; nothing for 1.
std::string opacity(double o) {
  if (!(o < 1)) return {};
  char b[16];
  std::snprintf(b, sizeof b, "%.2g", std::max(0.0, o));
  std::string s = b;
  if (s.rfind("0.", 0) == 0) s.erase(0, 1);
  return s;
}

std::string sanitizedPrefix(std::string_view prefix) {
  std::string out;
  for (const char c : prefix)
    out += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '_';
  if (out.empty() || !std::isalpha(static_cast<unsigned char>(out[0]))) out.insert(0, "c");
  return out;
}

const char* dashArray(Dash d) {
  switch (d) {
    case Dash::Long: return "6 4";
    case Dash::Medium: return "5 3";
    case Dash::Short: return "4 3";
    default: return nullptr;
  }
}

class SvgCanvas final : public Canvas {
 public:
  explicit SvgCanvas(std::string_view idPrefix) : prefix_(sanitizedPrefix(idPrefix)) {}

  void begin(double width, double height, std::string_view title,
             std::string_view description) override {
    std::string labelledBy = prefix_ + "title";
    if (!description.empty()) labelledBy += " " + prefix_ + "desc";
    out_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + num(width) + " " +
            num(height) + "\" width=\"100%\" role=\"img\" aria-labelledby=\"" + labelledBy +
            "\" font-family=\"system-ui,sans-serif\" font-size=\"11\">";
    out_ += "<title id=\"" + prefix_ + "title\">" + xmlText(title) + "</title>";
    if (!description.empty())
      out_ += "<desc id=\"" + prefix_ + "desc\">" + xmlText(description) + "</desc>";
    out_ += "<rect width=\"" + num(width) + "\" height=\"" + num(height) + "\" fill=\"#fff\"/>";
  }
  void end() override { out_ += "</svg>"; }
  void beginGroup() override { out_ += "<g>"; }
  void endGroup() override { out_ += "</g>"; }

  void stroke(const Path& path, const Pen& pen) override {
    if (path.empty()) return;
    out_ += "<path d=\"" + PathData(path).str() + "\" fill=\"none\" stroke=\"" + pen.colour + "\"";
    if (pen.width != 1) out_ += " stroke-width=\"" + num(pen.width) + "\"";
    if (pen.round) out_ += " stroke-linejoin=\"round\" stroke-linecap=\"round\"";
    if (const char* d = dashArray(pen.dash)) out_ += std::string(" stroke-dasharray=\"") + d + "\"";
    out_ += "/>";
  }
  void fill(const Path& path, const Paint& paint, const Pen* outline) override {
    if (path.empty()) return;
    out_ += "<path d=\"" + PathData(path).str() + "\" fill=\"" + paint.colour + "\"";
    if (const std::string o = opacity(paint.opacity); !o.empty())
      out_ += " fill-opacity=\"" + o + "\"";
    outlineOf(outline);
    out_ += "/>";
  }
  void circle(double x, double y, double r, const Paint& paint, const Pen* outline) override {
    out_ += "<circle cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"" + num(r) + "\" fill=\"" +
            paint.colour + "\"";
    outlineOf(outline);
    out_ += "/>";
  }
  void text(double x, double y, std::string_view utf8, const Font& f) override {
    out_ += "<text";
    if (f.vertical)
      out_ += " transform=\"rotate(-90)\" x=\"" + num(-y) + "\" y=\"" + num(x) + "\"";
    else
      out_ += " x=\"" + num(x) + "\" y=\"" + num(y) + "\"";
    if (f.anchor == Anchor::Middle) out_ += " text-anchor=\"middle\"";
    if (f.anchor == Anchor::End) out_ += " text-anchor=\"end\"";
    if (f.size != 11) out_ += " font-size=\"" + num(f.size) + "\"";
    if (f.bold) out_ += " font-weight=\"600\"";
    if (!f.colour.empty()) out_ += " fill=\"" + f.colour + "\"";
    out_ += ">" + xmlText(utf8) + "</text>";
  }

  std::string take() { return std::move(out_); }

 private:
  void outlineOf(const Pen* outline) {
    if (!outline) return;
    out_ += " stroke=\"" + outline->colour + "\"";
    if (outline->width != 1) out_ += " stroke-width=\"" + num(outline->width) + "\"";
  }

  std::string prefix_;
  std::string out_;
};

}  // namespace

std::string renderSvg(const Figure& figure, std::string_view idPrefix) {
  SvgCanvas c(idPrefix);
  draw(figure, c);
  return c.take();
}

std::string renderSvg(const IntervalFigure& figure, std::string_view idPrefix) {
  SvgCanvas c(idPrefix);
  draw(figure, c);
  return c.take();
}

}  // namespace kaldero::figure
