#include "importer/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kaldero::importer {

namespace {

constexpr std::size_t kFlushAt = 1 << 20;

std::string failure(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

OutputFile::~OutputFile() { discard(); }

Status OutputFile::create(const std::string& path) {
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
  std::string pattern = dir + "." + base + ".XXXXXX";
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

void OutputFile::flush() {
  std::size_t done = 0;
  while (!error_ && done < buf_.size()) {
    const ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) error_ = dataError(path_, 0, 0, failure("cannot write"));
    else done += static_cast<std::size_t>(n);
  }
  buf_.clear();
}

void OutputFile::write(std::string_view text) {
  if (fd_ < 0 || error_) return;
  buf_.append(text);
  if (buf_.size() >= kFlushAt) flush();
}

Status OutputFile::commit() {
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

void OutputFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

}  // namespace kaldero::importer
