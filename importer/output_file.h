// A file written under a temporary name in its destination folder and
// renamed over the destination only when every write and the close
// succeeded, so that a failed import never leaves a partial file. Until
// commit() the temporary is removed when the object goes away.
#pragma once

#include <string>
#include <string_view>

#include "importer/error.h"

namespace kaldero::importer {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

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

}  // namespace kaldero::importer
