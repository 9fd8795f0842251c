// Page layout of a printed text file: margins, line height, tab expansion,
// carriage control, wrapping of long lines and page breaks.
//
// The layout works in device pixels of the page's printable area (origin at
// its top left corner, y growing downwards) and knows nothing of the
// drawing: a PageSink measures and draws the text. Texts are the bytes of
// the file, one byte a character.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kaldero::printing {

// The longest line read from the file in one piece.
inline constexpr std::size_t kMaxLineLength = 512;

// What the device tells about its page.
struct DeviceMetrics {
  int32_t dpiX = 600;  // pixels per inch, horizontally
  int32_t dpiY = 600;  // and vertically
  int32_t offsetX = 0;  // physical offset of the printable area from the paper edge
  int32_t offsetY = 0;
  int32_t printableWidth = 0;
  int32_t printableHeight = 0;
};

struct PageGeometry {
  int32_t left = 0;        // L: x of every printed line
  int32_t top = 0;         // T: y of the first line of a page
  int32_t lineHeight = 0;  // H
  int32_t bottom = 0;      // B: a line that would start below it goes to the next page
  int32_t textWidth = 0;   // W: the width a printed line may take
};

// The geometry for margins in inches, a line-spacing factor and the height
// of the text "Ay" in the chosen font (pixels). A margin that would leave
// no printable room is dropped to 0.
PageGeometry computeGeometry(const DeviceMetrics& d, float leftMarginInch, float topMarginInch,
                             float lineSpacing, int32_t textHeight);

class PageSink {
 public:
  virtual ~PageSink() = default;
  virtual void startPage() = 0;
  virtual void endPage() = 0;
  // Width of the text in device pixels.
  virtual int32_t width(std::string_view text) = 0;
  // Draws the text with its top left corner at (x, y), background untouched.
  virtual void draw(int32_t x, int32_t y, std::string_view text) = 0;
};

// The text with every tab replaced by blanks up to the next tab stop; tab
// stops are every tabWidth columns counted from the first column.
std::string expandTabs(std::string_view s, int32_t tabWidth);

// The print job's name: the file name after its last "\", ":" or "/".
std::string jobName(std::string_view path);

class PageLayout {
 public:
  // tabWidth below 1 counts as 4. With carriageControl the first character
  // of every line moves the paper: "1" new page, "0" one empty line before
  // the text, "-" two, "+" back onto the previous line (overprint), any
  // other character a normal advance.
  PageLayout(PageSink& sink, const PageGeometry& g, bool carriageControl, int32_t tabWidth);

  // Starts the first page.
  void begin();
  // One line of the file (without its line end). continuation marks a line
  // that continues the previous one past kMaxLineLength characters: it has
  // no carriage-control character.
  void addLine(std::string_view line, bool continuation = false);
  // Ends the last page.
  void finish();

  int32_t pageCount() const { return pages_; }

 private:
  void newPage();
  void print(std::string_view text);
  // Characters of text (at least one) that fit into the text width.
  std::size_t fitting(std::string_view text);

  PageSink& sink_;
  PageGeometry g_;
  bool carriageControl_;
  int32_t tabWidth_;
  int32_t y_ = 0;
  int32_t lastY_ = 0;       // y of the last line drawn on this page
  bool pageUsed_ = false;   // something was drawn on this page
  int32_t pages_ = 0;
};

// Feeds every line of the file, from its current position to its end, to
// the layout: lines longer than kMaxLineLength are taken in pieces of that
// length; a line end of "\r\n" counts as one.
void layoutFile(std::FILE* in, PageLayout& layout);

}  // namespace kaldero::printing
