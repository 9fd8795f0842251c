#include "core/listing_channel.h"

#include "core/console.h"
#include "core/file_reports.h"
#include "core/stop.h"
#include "core/text.h"

namespace kaldero {

bool ListingChannel::open(OutputGate& gate, const OutputRecord& listing) {
  close();
  return note(gate.open(file_, listing, CheckedFile::Mode::Replace, true));
}

bool ListingChannel::openAppend(OutputGate& gate, const OutputRecord& listing) {
  close();
  return note(gate.open(file_, listing, CheckedFile::Mode::Append, true));
}

bool ListingChannel::note(bool ok) {
  if (!ok && failedPath_.empty()) {
    failedPath_ = file_.path();
    failure_ = file_.error();
  }
  return ok;
}

bool ListingChannel::close() { return !file_.isOpen() || note(file_.close()); }

bool ListingChannel::flush() { return !file_.isOpen() || note(file_.flush()); }

bool ListingChannel::intact() {
  flush();
  return failedPath_.empty();
}

void ListingChannel::line(std::string_view s) {
  if (!file_.isOpen()) return;
  file_.line(s);
  transcript_ += s;
  transcript_ += '\n';
}

std::string ListingChannel::takeTranscript() {
  std::string out;
  out.swap(transcript_);
  return out;
}

void ListingChannel::empty(int n) {
  for (int i = 0; i < n; ++i) line();
}

void ListingChannel::append(OutputGate& gate, const OutputRecord& listing,
                            const std::vector<std::string>& lines) {
  const bool wasOpen = isOpen();
  if (!wasOpen && !openAppend(gate, listing)) return;
  for (const std::string& l : lines) line(l);
  if (!wasOpen) close();
}

void echoLine(Console& console, ListingChannel& listing, bool echo, std::string_view s) {
  if (echo) console.line(s);
  listing.line(s);
}

void echoEmpty(Console& console, ListingChannel& listing, bool echo, int n) {
  for (int i = 0; i < n; ++i) echoLine(console, listing, echo, {});
}

void bothLine(Console& console, ListingChannel& listing, std::string_view s) {
  console.line(s);
  listing.line(s);
}

void requireListingWritten(Console& console, OutputGate& gate, ListingChannel& listing) {
  if (listing.intact()) return;
  gate.incomplete(listing.failedPath());
  reportListingNotWritten(console, text::padded(listing.failedPath()), listing.failure());
  stopRun(console);
}

}  // namespace kaldero
