// What a back-end draws a figure with: straight-line paths, filled shapes,
// rectangles, circles and texts, in the figure's own coordinates (x to the
// right, y downwards, from 0 to the figure's width and height; sizes in the
// same units). The layout (figure/draw.h) decides every position; a
// back-end only renders. Colours are "#rrggbb" or "#rgb" (or a CSS name,
// which the SVG back-end writes as it is and the others draw grey).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kaldero::figure {

struct Point {
  double x = 0, y = 0;
};

// Subpaths of straight lines; a subpath of one point is a dot (drawn as a
// round mark as wide as the pen).
class Path {
 public:
  void moveTo(double x, double y) { parts_.push_back({{{x, y}}, false}); }
  void lineTo(double x, double y) {
    if (parts_.empty()) {
      moveTo(x, y);
      return;
    }
    const Point& last = parts_.back().points.back();
    if (last.x == x && last.y == y) return;
    parts_.back().points.push_back({x, y});
  }
  void dot(double x, double y) { moveTo(x, y); }
  void close() {
    if (!parts_.empty()) parts_.back().closed = true;
  }

  struct Part {
    std::vector<Point> points;
    bool closed = false;
  };
  const std::vector<Part>& parts() const { return parts_; }
  bool empty() const { return parts_.empty(); }

 private:
  std::vector<Part> parts_;
};

enum class Dash { None, Long, Medium, Short };  // 6-4, 5-3 and 4-3 units

struct Pen {
  std::string colour = "#000000";
  double width = 1;
  Dash dash = Dash::None;
  bool round = false;  // round caps and joins
};

struct Paint {
  std::string colour = "#000000";
  double opacity = 1;
};

enum class Anchor { Start, Middle, End };

struct Font {
  Font(double fontSize = 11, Anchor at = Anchor::Start) : size(fontSize), anchor(at) {}
  double size = 11;
  Anchor anchor = Anchor::Start;
  bool bold = false;
  bool vertical = false;  // read upwards, turned a quarter to the left
  std::string colour;     // default black
};

class Canvas {
 public:
  virtual ~Canvas() = default;
  // The figure's size, its accessible title and description.
  virtual void begin(double width, double height, std::string_view title,
                     std::string_view description) = 0;
  virtual void end() = 0;
  // A group of what is drawn between (a panel); a back-end may ignore it.
  virtual void beginGroup() {}
  virtual void endGroup() {}
  virtual void stroke(const Path& path, const Pen& pen) = 0;
  // The closed subpaths filled, with an outline when given.
  virtual void fill(const Path& path, const Paint& paint, const Pen* outline) = 0;
  virtual void circle(double x, double y, double radius, const Paint& paint,
                      const Pen* outline) = 0;
  // UTF-8 text; (x, y) is on its baseline, at its start, middle or end.
  virtual void text(double x, double y, std::string_view utf8, const Font& font) = 0;
};

// The width of a text, estimated (no font metrics in memory): an average
// advance of 0.58 em.
double textWidth(std::string_view utf8, double fontSize);

}  // namespace kaldero::figure
