// Prints a text file with the run driver's page layout on the default
// printer of the CUPS server the client library is set up for, as the
// end-to-end printing test needs it: print_file_tool FILE [carriage-control]
// Exit status 0 when the job was started, 1 otherwise.
#include <cstdio>
#include <string>

#include "core/console.h"
#include "core/listing_channel.h"
#include "core/output_gate.h"
#include "print/printing.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [carriage-control]\n", argv[0]);
    return 2;
  }
  kaldero::Console console(stdout, stdin);
  kaldero::OutputGate gate(console);
  kaldero::ListingChannel listing;
  // Open for appending: the file keeps its lines and is open for writing,
  // as a results listing is when it is printed.
  if (!listing.openAppend(gate, {argv[1], "results listing", ""})) return 2;
  kaldero::printing::PrintSettings s = kaldero::printing::printQuestionSettings();
  s.useDefaultPrinter = 1;
  s.carriageControl = argc > 2 ? 1 : 0;
  const int32_t job = kaldero::printing::printListing(console, listing, s);
  console.flush();
  return job > 0 ? 0 : 1;
}
