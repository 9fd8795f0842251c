#include "app/listing.h"

#include "app/console.h"

namespace kaldero {

bool ListingChannel::open(const std::string& path) {
  close();
  file_ = std::fopen(path.c_str(), "w");
  if (file_) path_ = path;
  return file_ != nullptr;
}

bool ListingChannel::openAppend(const std::string& path) {
  close();
  file_ = std::fopen(path.c_str(), "a");
  if (file_) path_ = path;
  return file_ != nullptr;
}

void ListingChannel::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

void ListingChannel::flush() {
  if (file_) std::fflush(file_);
}

void ListingChannel::line(std::string_view s) {
  if (!file_) return;
  if (!s.empty()) std::fwrite(s.data(), 1, s.size(), file_);
  std::fputc('\n', file_);
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
