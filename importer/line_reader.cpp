#include "importer/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kaldero::importer {

namespace {

// Twice the longest line, so that a full line always fits after a move.
constexpr std::size_t kBuffer = 2 * LineReader::kMaxLine;

}  // namespace

LineReader::~LineReader() {
  if (fd_ >= 0) ::close(fd_);
}

Status LineReader::open(const std::string& path) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_ = path;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return dataError(path, 0, 0, std::string("cannot open: ") + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return dataError(path, 0, 0, "not a regular file");
  }
  fd_ = fd;
  if (!buf_) buf_ = std::make_unique_for_overwrite<char[]>(kBuffer);
  return rewind();
}

Status LineReader::rewind() {
  if (::lseek(fd_, 0, SEEK_SET) != 0)
    return dataError(path_, 0, 0, std::string("cannot read: ") + std::strerror(errno));
  pos_ = end_ = 0;
  eof_ = false;
  line_ = 0;
  error_.reset();
  return std::nullopt;
}

bool LineReader::fill() {
  if (eof_) return false;
  if (pos_ > 0) {
    std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  for (;;) {
    const ssize_t got = ::read(fd_, buf_.get() + end_, kBuffer - end_);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      // The line being read starts at pos_: the column is that of its first
      // byte not read.
      error_ = dataError(path_, line_ + 1, static_cast<int64_t>(end_ - pos_) + 1,
                         std::string("cannot read: ") + std::strerror(errno));
      eof_ = true;
      return false;
    }
    if (got == 0) {
      eof_ = true;
      return false;
    }
    end_ += static_cast<std::size_t>(got);
    return true;
  }
}

std::optional<std::string_view> LineReader::next() {
  if (fd_ < 0 || error_) return std::nullopt;
  std::size_t scanned = pos_;
  for (;;) {
    const char* nl =
        static_cast<const char*>(std::memchr(buf_.get() + scanned, '\n', end_ - scanned));
    const std::size_t stop = nl ? static_cast<std::size_t>(nl - buf_.get()) : end_;
    if (stop - pos_ > kMaxLine) {
      // The column of the first character beyond the limit (after a
      // byte-order mark, as columns are counted).
      const bool bom = line_ == 0 && std::string_view(buf_.get() + pos_, stop - pos_)
                                         .starts_with("\xEF\xBB\xBF");
      error_ = dataError(path_, line_ + 1, static_cast<int64_t>(kMaxLine + 1 - (bom ? 3 : 0)),
                         "line longer than 1 MiB: not a logger export (binary data or no line "
                         "ends)");
      return std::nullopt;
    }
    if (nl || eof_) {
      if (!nl && stop == pos_) return std::nullopt;  // nothing left
      std::string_view s(buf_.get() + pos_, stop - pos_);
      pos_ = nl ? stop + 1 : stop;
      ++line_;
      if (line_ == 1 && s.starts_with("\xEF\xBB\xBF")) s.remove_prefix(3);
      if (line_ == 1 && (s.starts_with("\xFF\xFE") || s.starts_with("\xFE\xFF"))) {
        error_ = dataError(path_, 1, 1,
                           "UTF-16 text (a byte-order mark): save the file as UTF-8 text");
        return std::nullopt;
      }
      if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
      if (const void* zero = std::memchr(s.data(), '\0', s.size())) {
        const int64_t column = static_cast<const char*>(zero) - s.data() + 1;
        error_ = dataError(path_, line_, column,
                           "a zero byte: not a text file (binary data, or UTF-16 text without a "
                           "byte-order mark: save the file as UTF-8 text)");
        return std::nullopt;
      }
      return s;
    }
    const std::size_t already = end_ - pos_;
    if (!fill() && error_) return std::nullopt;
    scanned = pos_ + already;
  }
}

}  // namespace kaldero::importer
