// The system's print spooler as the printing of a listing sees it: the
// printers it offers, the paper of a printer and a job that takes one PDF
// document.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "print/pdf_pages.h"

namespace kaldero::printing {

struct Printer {
  std::string name;      // queue name, with "/instance" for an instance
  bool isDefault = false;
};

struct PrinterList {
  bool serverReachable = true;
  std::vector<Printer> printers;
};

struct JobOptions {
  std::optional<int32_t> copies;
};

struct JobResult {
  enum class Stage { Started, NotStarted, NotSent };
  Stage stage = Stage::Started;
  int32_t job = 0;   // job number when started
  int32_t code = 0;  // the spooler's error code otherwise
};

class PrintService {
 public:
  virtual ~PrintService() = default;
  virtual PrinterList printers() = 0;
  // The printer's default paper with its unprintable borders; nullopt when
  // the printer cannot be asked.
  virtual std::optional<Paper> paper(const Printer& p) = 0;
  // One job named jobName holding the PDF document.
  virtual JobResult submit(const Printer& p, const std::string& jobName, const std::string& pdf,
                           const JobOptions& options) = 0;
};

}  // namespace kaldero::printing
