#include "print/printing.h"

#include <cstdio>
#include <memory>

#include "core/console.h"
#include "core/format.h"
#include "core/listing_channel.h"
#include "print/page_layout.h"
#include "print/pdf_pages.h"

namespace kaldero::printing {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// The number typed at the printer choice, or -1 for anything else.
int32_t parseChoice(const std::string& s, std::size_t count) {
  const std::size_t b = s.find_first_not_of(" \t");
  const std::size_t e = s.find_last_not_of(" \t");
  int32_t n = 0;
  for (std::size_t i = b; i <= e; ++i) {
    if (s[i] < '0' || s[i] > '9') return -1;
    n = n * 10 + (s[i] - '0');
    if (n > static_cast<int32_t>(count)) return -1;
  }
  return n;
}

// The paper turned a quarter to the left.
Paper landscape(const Paper& p) {
  Paper l;
  l.width = p.height;
  l.height = p.width;
  l.left = p.top;
  l.right = p.bottom;
  l.top = p.right;
  l.bottom = p.left;
  return l;
}

// Says why no printer can be chosen; false when there is one.
bool reportNoPrinter(Console& c, const PrinterList& list) {
  if (!list.serverReachable)
    c.free("NO PRINT SERVER CAN BE REACHED; THE FILE WAS NOT PRINTED.");
  else if (list.printers.empty())
    c.free("NO PRINTER IS INSTALLED; THE FILE WAS NOT PRINTED.");
  else
    return false;
  return true;
}

}  // namespace

PrintSettings printQuestionSettings() {
  PrintSettings s;
  s.useDefaultPrinter = 0;
  s.carriageControl = 0;
  s.leftMargin = 1.0f;
  s.topMargin = 0.5f;
  s.lineSpacing = 1.0f;
  s.fontFace = "Courier New";
  s.fontSize = 9;
  s.tabWidth = 4;
  return s;
}

Layout resolve(const PrintSettings& s) {
  Layout l;
  l.askUser = s.useDefaultPrinter && (*s.useDefaultPrinter & 1) == 0;
  l.carriageControl = s.carriageControl && (*s.carriageControl & 1) != 0;
  if (s.leftMargin && *s.leftMargin >= 0) l.leftMargin = *s.leftMargin;
  if (s.topMargin && *s.topMargin >= 0) l.topMargin = *s.topMargin;
  if (s.lineSpacing && *s.lineSpacing > 0 && *s.lineSpacing < 10) l.lineSpacing = *s.lineSpacing;
  if (s.fontFace && !s.fontFace->empty() && s.fontFace->size() <= 32) l.fontFace = *s.fontFace;
  if (s.fontSize && *s.fontSize > 0) l.fontSize = static_cast<float>(*s.fontSize);
  if (s.tabWidth && *s.tabWidth >= 1) l.tabWidth = *s.tabWidth;
  return l;
}

std::optional<Printer> choosePrinter(Console& c, const PrinterList& list, int32_t& result) {
  result = kNoPrinter;
  if (reportNoPrinter(c, list)) return std::nullopt;
  std::size_t def = 0;
  bool hasDefault = false;
  c.empty();
  c.free("PRINTERS:");
  for (std::size_t i = 0; i < list.printers.size(); ++i) {
    const Printer& p = list.printers[i];
    if (p.isDefault && !hasDefault) {
      def = i;
      hasDefault = true;
    }
    c.line(fmt::I(static_cast<int64_t>(i + 1), 6) + "  " + p.name +
           (p.isDefault ? "  (DEFAULT)" : ""));
  }
  const std::string prompt = hasDefault
                                 ? " PRINTER NUMBER (<RETURN> FOR THE DEFAULT, 0 TO CANCEL): "
                                 : " PRINTER NUMBER (<RETURN> FOR PRINTER 1, 0 TO CANCEL): ";
  for (;;) {
    c.write(prompt);
    const std::optional<std::string> answer = c.readLine();
    if (!answer) {
      c.line();
      result = kCancelled;
      return std::nullopt;
    }
    if (answer->find_first_not_of(" \t") == std::string::npos) return list.printers[def];
    const int32_t n = parseChoice(*answer, list.printers.size());
    if (n == 0) {
      result = kCancelled;
      return std::nullopt;
    }
    if (n > 0) return list.printers[n - 1];
    c.free("NOT A PRINTER NUMBER: " + *answer);
  }
}

int32_t printListing(Console& c, ListingChannel& listing, const PrintSettings& settings,
                     PrintService& service) {
  // Only a file that is open can be printed; what was written so far is
  // read back from its start through a reading handle of its own.
  if (!listing.isOpen() || listing.path().empty()) return kNotOpen;
  listing.flush();
  std::unique_ptr<std::FILE, FileCloser> in(std::fopen(listing.path().c_str(), "rb"));
  if (!in) return kNotOpen;
  const std::string name = jobName(listing.path());
  const Layout layout = resolve(settings);

  // The printer.
  const PrinterList list = service.printers();
  std::optional<Printer> printer;
  int32_t result = kNoPrinter;
  if (layout.askUser) {
    printer = choosePrinter(c, list, result);
  } else if (!reportNoPrinter(c, list)) {
    for (const Printer& p : list.printers)
      if (p.isDefault) {
        printer = p;
        break;
      }
    if (!printer) c.free("NO DEFAULT PRINTER IS SET; THE FILE WAS NOT PRINTED.");
  }
  if (!printer) return result;

  // Its paper, turned and copied as asked when the default printer is used.
  std::optional<Paper> paper = service.paper(*printer);
  JobOptions options;
  if (!layout.askUser && (settings.orientation || settings.copies)) {
    if (!paper) {
      c.free("THE SETTINGS OF PRINTER " + printer->name +
             " CANNOT BE READ; THE FILE WAS NOT PRINTED.");
      return kNoPrinterSettings;
    }
    if (settings.orientation == 2) paper = landscape(*paper);
    if (settings.copies && *settings.copies > 0) options.copies = settings.copies;
  }
  if (!paper) paper = Paper{};

  // The pages.
  PdfPages pages(*paper, kDeviceDpi, layout.fontFace, layout.fontSize, name);
  const PageGeometry g = computeGeometry(pages.device(), layout.leftMargin, layout.topMargin,
                                         layout.lineSpacing, pages.textHeight());
  PageLayout lines(pages, g, layout.carriageControl, layout.tabWidth);
  lines.begin();
  layoutFile(in.get(), lines);
  lines.finish();
  const std::string pdf = pages.finish();
  if (pdf.empty()) {
    c.free("THE PAGES COULD NOT BE PREPARED; THE FILE WAS NOT PRINTED.");
    return kNoPages;
  }

  // The job.
  const JobResult job = service.submit(*printer, name, pdf, options);
  switch (job.stage) {
    case JobResult::Stage::Started:
      c.free(fmt::FreeLine("FILE " + name + " SENT TO PRINTER " + printer->name + " AS JOB")
                 .num(job.job));
      return job.job;
    case JobResult::Stage::NotStarted:
      c.free(fmt::FreeLine("StartDoc failed, code=").num(job.code));
      return kNotStarted;
    case JobResult::Stage::NotSent:
      break;
  }
  c.free(fmt::FreeLine("THE FILE DID NOT REACH THE PRINTER, CODE=").num(job.code));
  return kNotSent;
}

}  // namespace kaldero::printing
