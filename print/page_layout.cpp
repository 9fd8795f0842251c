#include "print/page_layout.h"

#include <cmath>

namespace kaldero::printing {

namespace {

// A margin in pixels measured from the paper edge, made relative to the
// printable area. One that leaves no room is dropped; one that lies inside
// the unprintable border starts at the edge of the printable area.
int32_t marginPixels(float inches, int32_t dpi, int32_t offset, int32_t printable) {
  int32_t m = static_cast<int32_t>(std::lround(inches * static_cast<float>(dpi))) - offset;
  if (m > printable || m < 0) m = 0;
  return m;
}

}  // namespace

PageGeometry computeGeometry(const DeviceMetrics& d, float leftMarginInch, float topMarginInch,
                             float lineSpacing, int32_t textHeight) {
  PageGeometry g;
  g.left = marginPixels(leftMarginInch, d.dpiX, d.offsetX, d.printableWidth);
  g.top = marginPixels(topMarginInch, d.dpiY, d.offsetY, d.printableHeight);
  g.lineHeight =
      static_cast<int32_t>(std::lround(lineSpacing * static_cast<float>(textHeight)));
  g.bottom = d.printableHeight - (g.top + g.lineHeight);
  g.textWidth = d.printableWidth - 2 * g.left;
  return g;
}

std::string expandTabs(std::string_view s, int32_t tabWidth) {
  if (tabWidth < 1) tabWidth = 4;
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    if (ch == '\t') {
      const std::size_t stop = (out.size() / tabWidth + 1) * tabWidth;
      out.append(stop - out.size(), ' ');
    } else {
      out += ch;
    }
  }
  return out;
}

std::string jobName(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\:/");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

PageLayout::PageLayout(PageSink& sink, const PageGeometry& g, bool carriageControl,
                       int32_t tabWidth)
    : sink_(sink), g_(g), carriageControl_(carriageControl),
      tabWidth_(tabWidth < 1 ? 4 : tabWidth) {}

void PageLayout::begin() {
  sink_.startPage();
  ++pages_;
  y_ = g_.top;
  lastY_ = g_.top;
  pageUsed_ = false;
}

void PageLayout::newPage() {
  sink_.endPage();
  begin();
}

void PageLayout::finish() { sink_.endPage(); }

void PageLayout::addLine(std::string_view line, bool continuation) {
  std::string text = expandTabs(line, tabWidth_);
  if (text.empty()) text = " ";
  if (carriageControl_ && !continuation) {
    const char control = text[0];
    text.erase(0, 1);
    // The rest of the line is still one printed line when it is empty.
    if (text.empty()) text = " ";
    switch (control) {
      case '1':
        // A new page, unless nothing has been printed on this one yet (the
        // usual first line of a listing would otherwise leave a blank sheet).
        if (pageUsed_) newPage();
        break;
      case '0':
        y_ += g_.lineHeight;
        break;
      case '-':
        y_ += 2 * g_.lineHeight;
        break;
      case '+':
        if (pageUsed_) y_ = lastY_;
        break;
      default:
        break;
    }
  }
  print(text);
}

std::size_t PageLayout::fitting(std::string_view text) {
  if (sink_.width(text) <= g_.textWidth) return text.size();
  // The widest prefix that fits; a single character always goes, so that a
  // text width too small for any character still makes progress.
  std::size_t lo = 1, hi = text.size() - 1;
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    if (sink_.width(text.substr(0, mid)) <= g_.textWidth)
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

void PageLayout::print(std::string_view text) {
  while (!text.empty()) {
    if (y_ > g_.bottom) newPage();
    const std::size_t n = fitting(text);
    sink_.draw(g_.left, y_, text.substr(0, n));
    pageUsed_ = true;
    lastY_ = y_;
    y_ += g_.lineHeight;
    text.remove_prefix(n);
  }
}

void layoutFile(std::FILE* in, PageLayout& layout) {
  auto emit = [&](std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    layout.addLine(line.substr(0, kMaxLineLength));
    for (std::size_t at = kMaxLineLength; at < line.size(); at += kMaxLineLength)
      layout.addLine(line.substr(at, kMaxLineLength), true);
  };
  std::string line;
  int ch;
  while ((ch = std::fgetc(in)) != EOF) {
    if (ch == '\n') {
      emit(line);
      line.clear();
    } else {
      line += static_cast<char>(ch);
    }
  }
  // A last line without its line end.
  if (!line.empty()) emit(line);
}

}  // namespace kaldero::printing
