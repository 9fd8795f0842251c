// The results-listing channel: the output channel on which a station's
// results listing is written. Lines sent while no listing is open go nowhere
// (the console copy of a report is the one that counts then).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace kaldero {

class Console;

class ListingChannel {
 public:
  ListingChannel() = default;
  ListingChannel(const ListingChannel&) = delete;
  ListingChannel& operator=(const ListingChannel&) = delete;
  ~ListingChannel() { close(); }

  // Opens path for writing from its start (false when it cannot be created).
  bool open(const std::string& path);
  // Opens path for appending, creating it when absent.
  bool openAppend(const std::string& path);
  void close();
  bool isOpen() const { return file_ != nullptr; }
  // Hands what was written so far to the file, so that it can be read back
  // while the channel stays open.
  void flush();
  const std::string& path() const { return path_; }

  void line(std::string_view s = {});
  void empty(int n = 1);

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
};

// A listing line marked for the screen echo: written first to the console
// when echo is on, then to the listing.
void echoLine(Console& console, ListingChannel& listing, bool echo, std::string_view s);
void echoEmpty(Console& console, ListingChannel& listing, bool echo, int n = 1);
// A line written to both, the console first.
void bothLine(Console& console, ListingChannel& listing, std::string_view s);

}  // namespace kaldero
