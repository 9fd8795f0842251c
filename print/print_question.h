// The print question asked after a station's results listing: only "Y" or
// "y" prints it (on the printer the user then chooses); the end of input
// is "no".
#pragma once

#include <string>

namespace kaldero {

class Console;
class ListingChannel;

// listingName: the name of the listing as the question shows it.
void askToPrint(Console& console, ListingChannel& listing, const std::string& listingName);

}  // namespace kaldero
