// A canvas that keeps what the layout draws, for tests that check where
// things land (frames, lines, texts) without reading any back-end's
// output, and that compare a back-end's output with the layout.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "figure/canvas.h"

namespace kaldero::testing {

struct DrawnOp {
  enum class Kind { Stroke, Fill, Circle, Text };
  Kind kind = Kind::Stroke;
  figure::Path path;
  figure::Pen pen;
  figure::Paint paint;
  bool outlined = false;
  double x = 0, y = 0, r = 0;
  std::string text;
  figure::Font font;
};

class RecordingCanvas final : public figure::Canvas {
 public:
  void begin(double width, double height, std::string_view title,
             std::string_view description) override {
    width_ = width;
    height_ = height;
    title_ = title;
    description_ = description;
  }
  void end() override { ended_ = true; }
  void stroke(const figure::Path& path, const figure::Pen& pen) override {
    DrawnOp op;
    op.path = path;
    op.pen = pen;
    ops_.push_back(std::move(op));
  }
  void fill(const figure::Path& path, const figure::Paint& paint,
            const figure::Pen* outline) override {
    DrawnOp op;
    op.kind = DrawnOp::Kind::Fill;
    op.path = path;
    op.paint = paint;
    op.outlined = outline != nullptr;
    if (outline) op.pen = *outline;
    ops_.push_back(std::move(op));
  }
  void circle(double x, double y, double r, const figure::Paint& paint,
              const figure::Pen* outline) override {
    DrawnOp op;
    op.kind = DrawnOp::Kind::Circle;
    op.x = x, op.y = y, op.r = r;
    op.paint = paint;
    op.outlined = outline != nullptr;
    ops_.push_back(std::move(op));
  }
  void text(double x, double y, std::string_view utf8, const figure::Font& font) override {
    DrawnOp op;
    op.kind = DrawnOp::Kind::Text;
    op.x = x, op.y = y;
    op.text = utf8;
    op.font = font;
    ops_.push_back(std::move(op));
  }

  const std::vector<DrawnOp>& ops() const { return ops_; }
  double width() const { return width_; }
  double height() const { return height_; }
  const std::string& title() const { return title_; }
  const std::string& description() const { return description_; }
  bool ended() const { return ended_; }

  // The strokes in a colour.
  std::vector<const DrawnOp*> strokes(const std::string& colour) const {
    std::vector<const DrawnOp*> out;
    for (const DrawnOp& op : ops_)
      if (op.kind == DrawnOp::Kind::Stroke && op.pen.colour == colour) out.push_back(&op);
    return out;
  }
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const DrawnOp& op : ops_)
      if (op.kind == DrawnOp::Kind::Text) out.push_back(op.text);
    return out;
  }
  const DrawnOp* textOp(const std::string& s) const {
    for (const DrawnOp& op : ops_)
      if (op.kind == DrawnOp::Kind::Text && op.text == s) return &op;
    return nullptr;
  }

  // The plot frames, top to bottom: the closed rectangles the frame colour
  // strokes.
  struct Box {
    double x0, y0, x1, y1;
  };
  std::vector<Box> frames() const {
    std::vector<Box> out;
    for (const DrawnOp* op : strokes("#444444"))
      for (const auto& part : op->path.parts()) {
        if (!part.closed || part.points.size() != 4) continue;
        Box b{INFINITY, INFINITY, -INFINITY, -INFINITY};
        for (const auto& p : part.points)
          b = {std::min(b.x0, p.x), std::min(b.y0, p.y), std::max(b.x1, p.x), std::max(b.y1, p.y)};
        out.push_back(b);
      }
    std::sort(out.begin(), out.end(), [](const Box& a, const Box& b) { return a.y0 < b.y0; });
    return out;
  }

 private:
  std::vector<DrawnOp> ops_;
  double width_ = 0, height_ = 0;
  std::string title_, description_;
  bool ended_ = false;
};

// Every point of the strokes in a colour, in drawing order.
inline std::vector<figure::Point> strokePoints(const RecordingCanvas& c,
                                               const std::string& colour) {
  std::vector<figure::Point> out;
  for (const DrawnOp* op : c.strokes(colour))
    for (const auto& part : op->path.parts())
      out.insert(out.end(), part.points.begin(), part.points.end());
  return out;
}

}  // namespace kaldero::testing
