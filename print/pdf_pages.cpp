#include "print/pdf_pages.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>

#include "core/encoding.h"

namespace kaldero::printing {

namespace {

int32_t pixels(float points, int32_t dpi) {
  return static_cast<int32_t>(std::lround(points * static_cast<float>(dpi) / 72.0f));
}

cairo_status_t append(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

DeviceMetrics deviceFor(const Paper& paper, int32_t dpi) {
  DeviceMetrics d;
  d.dpiX = d.dpiY = dpi;
  d.offsetX = pixels(paper.left, dpi);
  d.offsetY = pixels(paper.top, dpi);
  d.printableWidth = pixels(paper.width - paper.left - paper.right, dpi);
  d.printableHeight = pixels(paper.height - paper.top - paper.bottom, dpi);
  return d;
}

std::string windows1252ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b == 0x7F) {
      out += ' ';
    } else if (b < 0x80) {
      out += ch;
    } else if (b < 0xA0) {
      const char32_t c = text::windows1252CodePoint(b);
      if (c == 0)
        out += '?';
      else
        text::appendUtf8(out, c);
    } else {
      text::appendUtf8(out, b);
    }
  }
  return out;
}

PdfPages::PdfPages(const Paper& paper, int32_t dpi, const std::string& face, float sizePoints,
                   const std::string& title)
    : device_(deviceFor(paper, dpi)) {
  surface_ = cairo_pdf_surface_create_for_stream(append, &pdf_, paper.width, paper.height);
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE,
                                 windows1252ToUtf8(title).c_str());
  cr_ = cairo_create(surface_);
  // User space: device pixels from the top left corner of the printable area.
  const float scale = 72.0f / static_cast<float>(dpi);
  cairo_scale(cr_, scale, scale);
  cairo_translate(cr_, device_.offsetX, device_.offsetY);
  cairo_select_font_face(cr_, face.c_str(), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr_, sizePoints / scale);
  cairo_set_source_rgb(cr_, 0, 0, 0);
  cairo_font_extents_t fe;
  cairo_font_extents(cr_, &fe);
  ascent_ = static_cast<float>(fe.ascent);
  textHeight_ = static_cast<int32_t>(
      std::lround(static_cast<float>(fe.ascent) + static_cast<float>(fe.descent)));
}

PdfPages::~PdfPages() {
  if (cr_) cairo_destroy(cr_);
  if (surface_) cairo_surface_destroy(surface_);
}

bool PdfPages::ok() const {
  return cairo_status(cr_) == CAIRO_STATUS_SUCCESS &&
         cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
}

void PdfPages::endPage() { cairo_show_page(cr_); }

int32_t PdfPages::width(std::string_view text) {
  cairo_text_extents_t te;
  cairo_text_extents(cr_, windows1252ToUtf8(text).c_str(), &te);
  return static_cast<int32_t>(std::lround(static_cast<float>(te.x_advance)));
}

void PdfPages::draw(int32_t x, int32_t y, std::string_view text) {
  cairo_move_to(cr_, x, y + ascent_);
  cairo_show_text(cr_, windows1252ToUtf8(text).c_str());
}

std::string PdfPages::finish() {
  const bool good = ok();
  cairo_destroy(cr_);
  cr_ = nullptr;
  cairo_surface_finish(surface_);
  const bool written = cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface_);
  surface_ = nullptr;
  if (!good || !written) return {};
  removePageGroups(pdf_);
  return std::move(pdf_);
}

void removePageGroups(std::string& pdf) {
  static constexpr std::string_view kGroup =
      "/Group <<\n"
      "      /Type /Group\n"
      "      /S /Transparency\n"
      "      /I true\n"
      "      /CS /DeviceRGB\n"
      "   >>";
  for (std::size_t at = pdf.find(kGroup); at != std::string::npos;
       at = pdf.find(kGroup, at + kGroup.size())) {
    // Only in the dictionary of a page object.
    const std::size_t object = pdf.rfind(" obj\n", at);
    const std::size_t page = pdf.rfind("<< /Type /Page ", at);
    if (object == std::string::npos || page == std::string::npos || page < object) continue;
    if (pdf.find("endobj", object) < at) continue;
    pdf.replace(at, kGroup.size(), kGroup.size(), ' ');
  }
}

}  // namespace kaldero::printing
