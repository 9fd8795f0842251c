// The print service of CUPS: the destinations of the CUPS server the
// client library is set up for (or the one given), their default paper and
// jobs sent as PDF documents.
#pragma once

#include <string>

#include "print/print_service.h"

typedef struct cups_dest_s cups_dest_t;

namespace kaldero::printing {

class CupsPrintService : public PrintService {
 public:
  // server: a host name or socket path; empty for the client's default.
  explicit CupsPrintService(const std::string& server = {});
  ~CupsPrintService() override;
  CupsPrintService(const CupsPrintService&) = delete;
  CupsPrintService& operator=(const CupsPrintService&) = delete;

  PrinterList printers() override;
  std::optional<Paper> paper(const Printer& p) override;
  JobResult submit(const Printer& p, const std::string& jobName, const std::string& pdf,
                   const JobOptions& options) override;

 private:
  cups_dest_t* find(const Printer& p);

  cups_dest_t* dests_ = nullptr;
  int numDests_ = 0;
};

}  // namespace kaldero::printing
