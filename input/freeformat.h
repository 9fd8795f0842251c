// Reading the control file and the station data files.
//
// LineFile reads a text file in blocks and hands out one line at a time
// (line end and a trailing carriage return removed), remembering where each
// line starts so that the reader can go back to it. Its memory is one block,
// larger only while a line is longer than a block.
//
// ListReader reads values free-format from a LineFile: every read starts on a
// new line; values are separated by blanks, tabs or commas; the rest of the
// last line used is ignored; a line with fewer values than wanted continues
// onto the following lines; a slash ends the read early and two commas in a
// row (or a leading comma) leave a value unchanged; "r*v" repeats v r times.
// A token that is not a number of the wanted kind fails the read, as do
// NaN, infinities and reals beyond single precision; a real too small for
// single precision becomes the nearest float. Reals are correctly rounded to
// single precision and may have an exponent letter E, D or Q, or a signed
// exponent without a letter ("1.5+3" is 1.5e3). Values read before a
// failure or the end of the file keep their new contents.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kaldero {

class LineFile {
 public:
  LineFile() = default;
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;
  ~LineFile();

  // Opens a regular file for reading; false when it does not exist, is not a
  // regular file or cannot be read.
  bool open(const std::string& path);
  bool isOpen() const { return fd_ >= 0; }
  void close();

  // The next line, or nullopt at the end of the file. The view stays valid
  // until the next call.
  std::optional<std::string_view> next();

  // Number of the line last returned (1 for the first line of the file).
  int64_t lineNumber() const { return line_; }
  // File offset at which the line last returned starts.
  uint64_t lineStart() const { return lineStart_; }

  // Positions the file so that next() returns the line that starts at
  // offset, which is line number lineNumber + 1.
  void seekLine(uint64_t offset, int64_t lineNumber);
  void rewind() { seekLine(0, 0); }

  // Number of lines from the current position to the end of the file (an
  // unterminated last line counts); leaves the file at its end.
  int64_t countRemaining();

 private:
  friend class ListReader;
  // next() for the reader, without the optional.
  bool nextLine(std::string_view& line);
  bool fill();
  void resetBuffer(uint64_t offset);

  int fd_ = -1;
  // cap_ bytes of data and a readable slack after them, so that a line may
  // be scanned 16 bytes at a time up to its end.
  std::unique_ptr<char[]> buf_;
  std::size_t cap_ = 0;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  uint64_t bufOffset_ = 0;  // file offset of buf_[0]
  bool eof_ = false;
  int64_t line_ = 0;
  uint64_t lineStart_ = 0;
};

enum class ReadStatus { Ok, Error, End };

class ListReader {
 public:
  explicit ListReader(LineFile& file) : file_(file) {}

  // Reads the values in order (int32_t or float targets).
  template <class... T>
  ReadStatus read(T&... targets) {
    Target items[] = {Target(targets)...};
    return readItems(items, sizeof...(T));
  }
  ReadStatus readReals(float* targets, int n);

  // Reads one line and ignores it (a label line).
  ReadStatus skipLine();
  // Reads one line as text: its first n characters, blank-padded.
  ReadStatus readText(std::string& out, std::size_t n = 50);

  // Goes back to the start of the last line from which the last read took or
  // tried to take a value, so that it is read again as the next line. A read
  // that stayed on the line it started on is not undone: reading goes on
  // with the following line.
  void stepBack();

  // After a read that succeeded: whether its last line holds values beyond
  // those read (they are ignored), and whether that line looks like numbers
  // written with a decimal comma: a comma between two digits on a line
  // whose values are separated by blanks ("365 0,01 21,60").
  bool valuesLeftOver() const { return leftOver_; }
  bool decimalCommaSeen() const;
  // The targets the last read assigned, bit i for the i-th (a null value
  // or an early "/" leaves a target unassigned; so does the end of the
  // file or a failure before it is reached).
  uint32_t assignedMask() const { return assigned_; }

  // Lines on which the last read started and ended.
  int64_t firstLine() const { return firstLine_; }
  int64_t lastLine() const { return lastLine_; }
  // What made the last read fail.
  const std::string& error() const { return error_; }

  LineFile& file() { return file_; }

 private:
  struct Target {
    Target() : isInt(false) {}
    Target(int32_t& v) : isInt(true), i(&v) {}
    Target(float& v) : isInt(false), f(&v) {}
    bool isInt;
    int32_t* i = nullptr;
    float* f = nullptr;
  };

  ReadStatus readItems(Target* items, int n);
  bool nextRecord();
  bool assign(const Target& t, std::string_view token);

  LineFile& file_;
  std::string_view rec_;
  std::string_view line_;  // the whole of the last record read
  bool leftOver_ = false;
  uint32_t assigned_ = 0;
  int64_t firstLine_ = 0;
  int64_t lastLine_ = 0;
  uint64_t lastLineStart_ = 0;
  std::string error_;
};

// Token conversions of the reader, exposed for the tests.
bool parseInteger(std::string_view token, int32_t& out);
bool parseReal(std::string_view token, float& out);

}  // namespace kaldero
