#include "print/print_question.h"

#include <optional>

#include "core/console.h"
#include "core/listing_channel.h"
#include "print/printing.h"

namespace kaldero {

void askToPrint(Console& c, ListingChannel& listing, const std::string& listingName) {
  c.empty(4);
  c.write(std::string(15, ' ') + "DO YOU WANT TO PRINT THE FILE: " + listingName +
          "? (Y=YES, N=NO)   ");
  // The answer is read free-format: empty lines are skipped and the first
  // character of the first item is the answer; the end of input is "no".
  char answer = ' ';
  for (;;) {
    std::optional<std::string> l = c.readLine();
    if (!l) {
      c.line();
      break;
    }
    std::size_t i = l->find_first_not_of(" \t");
    if (i == std::string::npos) continue;
    answer = (*l)[i];
    if ((answer == '\'' || answer == '"') && i + 1 < l->size()) answer = (*l)[i + 1];
    break;
  }
  if (answer != 'Y' && answer != 'y') return;
  // The user chooses the printer; every failure is reported on the console
  // by the printing itself and the run goes on.
  (void)printing::printListing(c, listing, printing::printQuestionSettings());
}

void askToPrintAndClose(Console& c, OutputGate& gate, ListingChannel& listing,
                        const std::string& listingName) {
  requireListingWritten(c, gate, listing);
  askToPrint(c, listing, listingName);
  listing.close();
  requireListingWritten(c, gate, listing);
}

}  // namespace kaldero
