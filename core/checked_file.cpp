#include "core/checked_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kaldero {

CheckedFile::~CheckedFile() {
  if (file_) std::fclose(file_);
}

void CheckedFile::fail(int err) {
  if (failed_) return;
  failed_ = true;
  error_ = std::strerror(err != 0 ? err : EIO);
}

bool CheckedFile::open(const std::string& path, Mode mode) {
  if (file_) close();
  failed_ = false;
  error_.clear();
  path_ = path;
  const int flags =
      O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | (mode == Mode::Append ? O_APPEND : O_TRUNC);
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) {
    fail(errno);
    return false;
  }
  // Opened without blocking so that a FIFO nobody reads is refused; the
  // writes themselves block as usual.
  const int fl = ::fcntl(fd, F_GETFL);
  if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  file_ = ::fdopen(fd, mode == Mode::Append ? "a" : "w");
  if (!file_) {
    fail(errno);
    ::close(fd);
    return false;
  }
  return true;
}

void CheckedFile::write(std::string_view s) {
  if (!file_ || s.empty()) return;
  errno = 0;
  if (std::fwrite(s.data(), 1, s.size(), file_) != s.size()) fail(errno);
}

void CheckedFile::line(std::string_view s) {
  write(s);
  if (!file_) return;
  errno = 0;
  if (std::fputc('\n', file_) == EOF) fail(errno);
}

bool CheckedFile::flush() {
  if (!file_) return false;
  errno = 0;
  if (std::fflush(file_) != 0) fail(errno);
  return !failed_;
}

bool CheckedFile::close() {
  if (!file_) return false;
  flush();
  errno = 0;
  if (std::fclose(file_) != 0) fail(errno);
  file_ = nullptr;
  return !failed_;
}

}  // namespace kaldero
