// Printing a text file that the program has open for writing (a results
// listing) on a printer the user chooses, with a fixed page layout.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "print/print_service.h"

namespace kaldero {

class Console;
class ListingChannel;

namespace printing {

// The caller's settings; an absent one takes its default.
struct PrintSettings {
  // Bit 0 set: the default printer without asking; clear: the user chooses.
  // Default: all bits set.
  std::optional<int32_t> useDefaultPrinter;
  // Bit 0 set: the first character of every line is a carriage-control
  // character. Default off.
  std::optional<int32_t> carriageControl;
  std::optional<float> leftMargin;    // inches, used when not negative; default 0.5
  std::optional<float> topMargin;     // inches, used when not negative; default 0.5
  std::optional<float> lineSpacing;   // used when in (0, 10); default 1.0
  std::optional<std::string> fontFace;  // used when at most 32 characters long
  std::optional<int32_t> fontSize;    // points; negative counts as 0, 0 the default size
  std::optional<int32_t> tabWidth;    // columns; below 1 counts as 4
  // Applied when the default printer is used: 1 portrait, 2 landscape; copies.
  std::optional<int32_t> orientation;
  std::optional<int32_t> copies;
};

// The settings of the program's print question: the user chooses the
// printer; no carriage control, margins of 1.0 inch (left) and 0.5 inch
// (top), single spacing, "Courier New" at 9 points, tabs every 4 columns.
PrintSettings printQuestionSettings();

// Results other than a job number.
inline constexpr int32_t kNotOpen = -1;        // no open formatted sequential file
inline constexpr int32_t kCancelled = 0;       // the user cancelled the printer choice
inline constexpr int32_t kNoPrinter = -2;      // no server, no printer, no default printer
inline constexpr int32_t kNoPages = -3;        // the pages could not be drawn
inline constexpr int32_t kNotStarted = -4;     // the print job could not be started
inline constexpr int32_t kNotSent = -5;        // the document did not reach the job
inline constexpr int32_t kNoPrinterSettings = -6;  // default printer not open for its settings

// The face used when none (or one of more than 32 characters) is given and
// the size in points used for a size of 0.
inline constexpr const char* kDefaultFace = "monospace";
inline constexpr float kDefaultFontSize = 12;
// Resolution of the device the pages are laid out for.
inline constexpr int32_t kDeviceDpi = 600;

struct Layout {
  bool askUser = false;
  bool carriageControl = false;
  float leftMargin = 0.5f;
  float topMargin = 0.5f;
  float lineSpacing = 1.0f;
  std::string fontFace = kDefaultFace;
  float fontSize = kDefaultFontSize;
  int32_t tabWidth = 4;
};

// The settings with their defaults and validity rules applied.
Layout resolve(const PrintSettings& s);

// The printer-choice dialogue: the printers listed with the default
// marked, then a number, Enter for the default (the first printer when
// none is the default) or 0 to cancel. End of input cancels. result is
// kCancelled or kNoPrinter when no printer is returned.
std::optional<Printer> choosePrinter(Console& c, const PrinterList& list, int32_t& result);

// Prints the file open on the listing channel (flushed and read from its
// start; the channel stays open at its end). Returns the job number or one
// of the results above.
int32_t printListing(Console& c, ListingChannel& listing, const PrintSettings& settings,
                     PrintService& service);
// The same on the system's CUPS server.
int32_t printListing(Console& c, ListingChannel& listing, const PrintSettings& settings);

}  // namespace printing
}  // namespace kaldero
