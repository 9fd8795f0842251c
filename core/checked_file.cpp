#include "core/checked_file.h"

#include "core/scratch_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

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

namespace {

constexpr std::size_t kFlushAt = 1 << 20;

std::string failure(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

AtomicFile::~AtomicFile() { discard(); }

Status AtomicFile::create(const std::string& path) {
  discard();
  path_ = path;
  error_.reset();
  buf_.clear();
  buf_.reserve(kFlushAt + 4096);
  // A hidden name beside the destination, so that the rename stays within
  // one file system.
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  // With the process id, so that a later import can remove it should this
  // one be killed (core/scratch_files.h).
  std::string pattern = dir + "." + base + "." + scratchTag() + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return dataError(path, 0, 0, failure("cannot create"));
  temp_ = name.data();
  fd_ = fd;
  // mkstemp makes the file private; give it the mode a new file would get.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);
  return std::nullopt;
}

void AtomicFile::flush() {
  std::size_t done = 0;
  while (!error_ && done < buf_.size()) {
    const ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) error_ = dataError(path_, 0, 0, failure("cannot write"));
    else done += static_cast<std::size_t>(n);
  }
  buf_.clear();
}

void AtomicFile::write(std::string_view text) {
  if (fd_ < 0 || error_) return;
  buf_.append(text);
  if (buf_.size() >= kFlushAt) flush();
}

Status AtomicFile::commit() {
  if (fd_ < 0) return dataError(path_, 0, 0, "not open");
  flush();
  if (!error_ && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS)
    error_ = dataError(path_, 0, 0, failure("cannot write"));
  if (::close(fd_) != 0 && !error_) error_ = dataError(path_, 0, 0, failure("cannot close"));
  fd_ = -1;
  if (!error_ && ::rename(temp_.c_str(), path_.c_str()) != 0)
    error_ = dataError(path_, 0, 0, failure("cannot rename the finished file into place"));
  if (error_) {
    Status e = error_;
    ::unlink(temp_.c_str());
    temp_.clear();
    return e;
  }
  temp_.clear();
  return std::nullopt;
}

void AtomicFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

}  // namespace kaldero
