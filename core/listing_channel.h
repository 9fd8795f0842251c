// The results-listing channel: the output channel on which a station's
// results listing is written. Lines sent while no listing is open go nowhere
// (the console copy of a report is the one that counts then).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/checked_file.h"
#include "core/output_gate.h"

namespace kaldero {

class Console;

class ListingChannel {
 public:
  ListingChannel() = default;
  ListingChannel(const ListingChannel&) = delete;
  ListingChannel& operator=(const ListingChannel&) = delete;
  ~ListingChannel() = default;

  // Opens the listing for writing from its start through the gate (false
  // when it cannot be created; the caller reports that).
  bool open(OutputGate& gate, const OutputRecord& listing);
  // Opens it for appending, creating it when absent.
  bool openAppend(OutputGate& gate, const OutputRecord& listing);
  // Closes the listing; false when it was not written completely. Closing
  // a channel that is not open is true.
  bool close();
  bool isOpen() const { return file_.isOpen(); }
  // Hands what was written so far to the file, so that it can be read back
  // while the channel stays open; false when the listing is incomplete.
  bool flush();
  const std::string& path() const { return file_.path(); }

  // Whether every listing written through the channel so far is complete
  // (flushes the open one first). The first one that is not is named by
  // failedPath(), with the system's reason in failure().
  bool intact();
  const std::string& failedPath() const { return failedPath_; }
  const std::string& failure() const { return failure_; }

  void line(std::string_view s = {});
  void empty(int n = 1);
  // Lines for a station's listing after its reports: to the listing when it
  // is open, else appended to the closed file (opened through the gate,
  // then closed again; nothing when it cannot be opened).
  void append(OutputGate& gate, const OutputRecord& listing, const std::vector<std::string>& lines);

  // What the channel wrote since the last call (every line with its line
  // end), for the results files that show a listing.
  std::string takeTranscript();

 private:
  bool note(bool ok);

  CheckedFile file_;
  std::string transcript_;
  std::string failedPath_;
  std::string failure_;
};

// A listing line marked for the screen echo: written first to the console
// when echo is on, then to the listing.
void echoLine(Console& console, ListingChannel& listing, bool echo, std::string_view s);
void echoEmpty(Console& console, ListingChannel& listing, bool echo, int n = 1);
// A line written to both, the console first.
void bothLine(Console& console, ListingChannel& listing, std::string_view s);

// A results listing that could not be written completely (a full disk)
// stops the run with the report that says so: the user must not take an
// incomplete listing for the station's results. The gate no longer counts
// it among the files written.
void requireListingWritten(Console& console, OutputGate& gate, ListingChannel& listing);

}  // namespace kaldero
