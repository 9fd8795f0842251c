// Bytes presented to the readers as a file: an anonymous in-memory file,
// opened through its /proc/self/fd name like any other file.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace kaldero::fuzzing {

class MemoryFile {
 public:
  MemoryFile(const uint8_t* data, std::size_t size) {
    fd_ = memfd_create("kaldero-fuzz", MFD_CLOEXEC);
    std::size_t done = 0;
    while (fd_ >= 0 && done < size) {
      ssize_t n = ::write(fd_, data + done, size - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
  }
  ~MemoryFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_ = -1;
};

}  // namespace kaldero::fuzzing
