// Where the reports of the analyses go: the console and the station's
// results listing. A line marked for the screen echo goes to the console
// first when the screen-echo option is on, then to the listing.
#pragma once

#include <string_view>

#include "core/console.h"
#include "core/listing_channel.h"

namespace kaldero {

struct ReportTarget {
  Console& console;
  ListingChannel& listing;
  bool echo = false;  // the screen-echo option

  void echoLine(std::string_view s) const { kaldero::echoLine(console, listing, echo, s); }
  void echoEmpty(int n = 1) const { kaldero::echoEmpty(console, listing, echo, n); }
  // A line that goes to the console and to the listing in any case.
  void bothLine(std::string_view s) const { kaldero::bothLine(console, listing, s); }
  void bothEmpty(int n = 1) const {
    for (int i = 0; i < n; ++i) bothLine({});
  }
  // The pause that follows a block of results when the screen echo is on:
  // the continue prompt, a wait for Enter and a cleared console.
  void echoPause() const {
    if (!echo) return;
    console.pause();
    console.clear();
  }
};

}  // namespace kaldero
