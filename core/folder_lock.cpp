#include "core/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kaldero {

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // the lock goes with the descriptor
}

bool FolderLock::acquire(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return true;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return !held;
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  return true;
}

bool FolderLock::holds(const std::string& folder) const {
  struct stat a {}, b {};
  return fd_ >= 0 && ::fstat(fd_, &a) == 0 &&
         ::stat(folder.empty() ? "." : folder.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

}  // namespace kaldero
