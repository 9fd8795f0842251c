// Reads a text file line by line in large blocks, so that memory stays flat
// whatever the size of the file. A line's end (LF or CR LF) is removed, and
// a UTF-8 byte-order mark at the start of the file is skipped. A zero byte,
// a UTF-16 byte-order mark or a line longer than kMaxLine is refused at its
// line and column: the file is no text export.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "importer/error.h"

namespace kaldero::importer {

class LineReader {
 public:
  // Lines longer than this are refused (a binary file or no line ends).
  static constexpr std::size_t kMaxLine = 1 << 20;

  LineReader() = default;
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;
  ~LineReader();

  // Opens a regular file; the error names it.
  Status open(const std::string& path);
  // Back to the first line.
  Status rewind();

  // The next line (valid until the next call), nullopt at the end of the
  // file or on an error (then error() says what).
  std::optional<std::string_view> next();
  const Status& error() const { return error_; }

  // Number of the line last returned, 1 for the first.
  int64_t lineNumber() const { return line_; }
  const std::string& path() const { return path_; }

 private:
  bool fill();

  std::string path_;
  int fd_ = -1;
  std::unique_ptr<char[]> buf_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  int64_t line_ = 0;
  Status error_;
};

}  // namespace kaldero::importer
