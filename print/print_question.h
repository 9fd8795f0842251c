// The print question asked after a station's results listing: only "Y" or
// "y" prints it (on the printer the user then chooses); the end of input
// is "no".
#pragma once

#include <string>

namespace kaldero {

class Console;
class ListingChannel;
class OutputGate;

// listingName: the name of the listing as the question shows it.
void askToPrint(Console& console, ListingChannel& listing, const std::string& listingName);

// The end of a results listing: the question, then the listing closed. A
// listing not written completely (a full disk), found before the question
// or at the close, stops the run instead.
void askToPrintAndClose(Console& console, OutputGate& gate, ListingChannel& listing,
                        const std::string& listingName);

}  // namespace kaldero
