// Pages drawn into a PDF document with cairo, for the print spooler.
//
// The document is drawn in the pixels of a virtual device of a given
// resolution whose printable area is that of the printer's paper, so that
// the page layout rounds as it would on the printer itself. The listing's
// bytes are Windows-1252 text; they are turned into UTF-8 for drawing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "print/page_layout.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace kaldero::printing {

// A sheet of paper and the unprintable borders of the printer, in points
// (1/72 inch). The default is an A4 sheet printable to its edges.
struct Paper {
  float width = 595.2756f;
  float height = 841.8898f;
  float left = 0, right = 0, top = 0, bottom = 0;
};

// The device metrics of the paper's printable area at dpi pixels per inch.
DeviceMetrics deviceFor(const Paper& paper, int32_t dpi);

// One Windows-1252 text as UTF-8. Control characters become blanks and the
// five unassigned code points a question mark.
std::string windows1252ToUtf8(std::string_view s);

class PdfPages : public PageSink {
 public:
  // face is a fontconfig family name (a face that is not installed is
  // replaced by the one fontconfig substitutes for it); sizePoints > 0.
  // title goes into the document information.
  PdfPages(const Paper& paper, int32_t dpi, const std::string& face, float sizePoints,
           const std::string& title);
  ~PdfPages() override;
  PdfPages(const PdfPages&) = delete;
  PdfPages& operator=(const PdfPages&) = delete;

  const DeviceMetrics& device() const { return device_; }
  // Height of the font's text cell (ascent plus descent), pixels.
  int32_t textHeight() const { return textHeight_; }
  // false once drawing has failed (no font, no memory).
  bool ok() const;

  // Ends the document and returns its bytes; empty when drawing failed.
  std::string finish();

  void startPage() override {}
  void endPage() override;
  int32_t width(std::string_view text) override;
  void draw(int32_t x, int32_t y, std::string_view text) override;

 private:
  DeviceMetrics device_;
  std::string pdf_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  float ascent_ = 0;  // of the font, pixels
  int32_t textHeight_ = 0;
};

// Blanks the transparency group that cairo gives every page. Nothing on
// these pages is transparent, but a PostScript stage of the spooler renders
// any page with such a group as one picture, and the text of the listing
// would reach the printer as an image. Blanks keep every byte offset of the
// document valid.
void removePageGroups(std::string& pdf);

}  // namespace kaldero::printing
