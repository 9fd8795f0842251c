#include "core/listing_channel.h"

#include "core/console.h"

namespace kaldero {

bool ListingChannel::open(const std::string& path) {
  close();
  return note(file_.open(path));
}

bool ListingChannel::openAppend(const std::string& path) {
  close();
  return note(file_.open(path, CheckedFile::Mode::Append));
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
  if (file_.isOpen()) file_.line(s);
}

void ListingChannel::empty(int n) {
  for (int i = 0; i < n; ++i) line();
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

}  // namespace kaldero
