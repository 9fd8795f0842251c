// The checked writer: every output file of the program is written through
// it (opened by the output gate, core/output_gate.h), so that a file that
// cannot be created, written or closed completely is never taken for a file
// that was written.
//
// Opening never blocks (a FIFO without a reader is refused instead of
// waiting for one), every write is checked, and the close flushes and
// reports the first failure with its reason.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace kaldero {

class CheckedFile {
 public:
  enum class Mode { Replace, Append };

  CheckedFile() = default;
  CheckedFile(const CheckedFile&) = delete;
  CheckedFile& operator=(const CheckedFile&) = delete;
  // Closes a file still open; its outcome is then lost, so callers close.
  ~CheckedFile();

  // Opens path for writing (an existing file is replaced, or appended to);
  // false when it cannot be opened, with the reason in error().
  bool open(const std::string& path, Mode mode = Mode::Replace);
  bool isOpen() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

  void write(std::string_view s);
  // s followed by a line end.
  void line(std::string_view s = {});
  // Hands what was written so far to the system; false when that, or an
  // earlier write, failed.
  bool flush();
  // Flushes and closes; true only when the file was opened and every write
  // and the close succeeded. A file that was never opened gives false.
  bool close();

  // Whether a write has failed since the file was opened.
  bool failed() const { return failed_; }
  // The reason of the first failure (the system's text), or empty.
  const std::string& error() const { return error_; }

 private:
  void fail(int err);

  std::FILE* file_ = nullptr;
  std::string path_;
  bool failed_ = false;
  std::string error_;
};

// What became of a file written in one go.
struct WriteOutcome {
  enum class Status { Written, NotCreated, Incomplete };
  Status status = Status::Written;
  std::string error;  // the system's reason when not written

  bool ok() const { return status == Status::Written; }
};

// A file written under a temporary name beside its destination and renamed
// over it only when every write and the close succeeded, so that a failed
// write never leaves a partial file and never spoils the file it replaces
// (the station and control files of the import). Until commit() the
// temporary is removed when the object goes away.
class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();

  Status create(const std::string& path);
  // Buffered; the first failure is kept and returned by commit().
  void write(std::string_view text);
  // Flushes, closes and renames over the destination.
  Status commit();
  // Removes the temporary (nothing happens after a commit).
  void discard();

  const std::string& path() const { return path_; }
  const std::string& temporaryPath() const { return temp_; }

 private:
  void flush();

  std::string path_, temp_;
  int fd_ = -1;
  std::string buf_;
  Status error_;
};

}  // namespace kaldero
