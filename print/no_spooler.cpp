// A build without the print spooler (cmake -DKALDERO_PRINT=OFF): the print
// question is answered as on a machine without a reachable print server, so
// the run and its files are the same as with printing built in.
#include "print/printing.h"

namespace kaldero::printing {

namespace {

class NoSpooler final : public PrintService {
 public:
  PrinterList printers() override { return {false, {}}; }
  std::optional<Paper> paper(const Printer&) override { return std::nullopt; }
  JobResult submit(const Printer&, const std::string&, const std::string&,
                   const JobOptions&) override {
    return {JobResult::Stage::NotStarted, 0, 0};
  }
};

}  // namespace

int32_t printListing(Console& c, ListingChannel& listing, const PrintSettings& settings) {
  NoSpooler none;
  return printListing(c, listing, settings, none);
}

}  // namespace kaldero::printing
