#include "input/freeformat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace kaldero {

namespace {

constexpr std::size_t kBlock = 1 << 20;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool endsToken(char c) { return c == ' ' || c == '\t' || c == ',' || c == '/'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A token as a report shows it: at most 40 characters.
std::string shown(std::string_view token) {
  return token.size() <= 40 ? std::string(token) : std::string(token.substr(0, 37)) + "...";
}

}  // namespace

// ---------------------------------------------------------------- LineFile

LineFile::~LineFile() { close(); }

bool LineFile::open(const std::string& path) {
  close();
  // Opened without blocking, so that a FIFO or a device is refused at once
  // instead of waiting for a writer; a regular file never blocks anyway.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  fd_ = fd;
  if (cap_ < kBlock) {
    buf_ = std::make_unique_for_overwrite<char[]>(kBlock);
    cap_ = kBlock;
  }
  resetBuffer(0);
  line_ = 0;
  lineStart_ = 0;
  return true;
}

void LineFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  // A large buffer grown for a long line is not kept for the next file.
  if (cap_ > kBlock) {
    buf_.reset();
    cap_ = 0;
  }
}

void LineFile::resetBuffer(uint64_t offset) {
  bufOffset_ = offset;
  pos_ = end_ = 0;
  eof_ = false;
}

bool LineFile::fill() {
  if (eof_ || fd_ < 0) return false;
  if (pos_ > 0) {
    std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
    bufOffset_ += pos_;
    end_ -= pos_;
    pos_ = 0;
  }
  if (end_ == cap_) {
    auto bigger = std::make_unique_for_overwrite<char[]>(cap_ * 2);
    std::memcpy(bigger.get(), buf_.get(), end_);
    buf_ = std::move(bigger);
    cap_ *= 2;
  }
  for (;;) {
    ssize_t got = ::read(fd_, buf_.get() + end_, cap_ - end_);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      eof_ = true;
      return false;
    }
    end_ += static_cast<std::size_t>(got);
    return true;
  }
}

std::optional<std::string_view> LineFile::next() {
  if (fd_ < 0) return std::nullopt;
  std::size_t scanned = pos_;
  for (;;) {
    const char* nl = static_cast<const char*>(
        std::memchr(buf_.get() + scanned, '\n', end_ - scanned));
    if (nl || eof_) {
      std::size_t stop = nl ? static_cast<std::size_t>(nl - buf_.get()) : end_;
      if (!nl && stop == pos_) return std::nullopt;  // nothing left
      std::string_view s(buf_.get() + pos_, stop - pos_);
      lineStart_ = bufOffset_ + pos_;
      ++line_;
      pos_ = nl ? stop + 1 : stop;
      if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
      return s;
    }
    const std::size_t already = end_ - pos_;  // scanned, no line end in it
    fill();                                   // moves the unread data to the front
    scanned = pos_ + already;
  }
}

void LineFile::seekLine(uint64_t offset, int64_t lineNumber) {
  if (fd_ < 0) return;
  line_ = lineNumber;
  if (offset >= bufOffset_ && offset <= bufOffset_ + end_) {
    pos_ = static_cast<std::size_t>(offset - bufOffset_);
    return;
  }
  ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET);
  resetBuffer(offset);
}

int64_t LineFile::countRemaining() {
  int64_t n = 0;
  bool pending = false;  // characters after the last line end
  for (;;) {
    const char* p = buf_.get() + pos_;
    const char* e = buf_.get() + end_;
    while (p < e) {
      const char* nl = static_cast<const char*>(std::memchr(p, '\n', e - p));
      if (!nl) {
        pending = true;
        break;
      }
      ++n;
      pending = false;
      p = nl + 1;
    }
    pos_ = end_;
    if (!fill()) break;
  }
  if (pending) ++n;
  line_ += n;
  return n;
}

// ------------------------------------------------------------- conversions

bool parseInteger(std::string_view t, int32_t& out) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  std::size_t digitsFrom = t.front() == '-' ? 1 : 0;
  if (digitsFrom == t.size()) return false;
  for (std::size_t i = digitsFrom; i < t.size(); ++i)
    if (!isDigit(t[i])) return false;
  int32_t v = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return false;
  out = v;
  return true;
}

namespace {

// The common case, decided exactly in single precision: at most 2^24 as the
// integer of the significant digits and a decimal exponent of at most 10
// either way, so that one float multiplication or division rounds once.
// Returns false when the token is not of that simple form; the full parser
// then decides.
bool quickReal(std::string_view t, float& out) {
  static constexpr float kPow10[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                     1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
  std::size_t i = 0;
  const std::size_t n = t.size();
  bool negative = false;
  if (i < n && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  // All digits go into m; leading zeros leave it 0, so only the
  // significant ones can make it too large.
  uint64_t m = 0;
  int scale = 0;
  const std::size_t intStart = i;
  for (; i < n && isDigit(t[i]); ++i) m = m * 10 + static_cast<uint64_t>(t[i] - '0');
  std::size_t digits = i - intStart;
  if (i < n && t[i] == '.') {
    const std::size_t fracStart = ++i;
    for (; i < n && isDigit(t[i]); ++i) m = m * 10 + static_cast<uint64_t>(t[i] - '0');
    scale = -static_cast<int>(i - fracStart);
    digits += i - fracStart;
  }
  const bool any = digits > 0;
  if (digits > 18) return false;
  if (!any) return false;
  if (i < n) {
    const char c = t[i];
    if (c != 'e' && c != 'E' && c != 'd' && c != 'D') return false;
    ++i;
    bool expNegative = false;
    if (i < n && (t[i] == '+' || t[i] == '-')) expNegative = t[i++] == '-';
    if (i == n || n - i > 3) return false;
    int e = 0;
    for (; i < n; ++i) {
      if (!isDigit(t[i])) return false;
      e = e * 10 + (t[i] - '0');
    }
    scale += expNegative ? -e : e;
  }
  if (m > (1u << 24)) return false;
  float v;
  if (m == 0) v = 0;
  else if (scale >= 0 && scale <= 10) v = static_cast<float>(m) * kPow10[scale];
  else if (scale < 0 && scale >= -10) v = static_cast<float>(m) / kPow10[-scale];
  else return false;
  out = negative ? -v : v;
  return true;
}

}  // namespace

bool parseReal(std::string_view t, float& out) {
  if (quickReal(t, out)) return true;
  // Accepted: [sign] (digits [. [digits]] | . digits) [exponent], where the
  // exponent is E, D or Q (either case) with an optional sign and digits, or
  // a sign and digits alone ("1.5+3" is 1.5e3).
  char buf[128];
  std::size_t n = 0;
  std::size_t i = 0;
  if (t.size() >= sizeof buf - 2) return false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    if (t[i] == '-') buf[n++] = '-';
    ++i;
  }
  std::size_t mantissaDigits = 0;
  while (i < t.size() && isDigit(t[i])) buf[n++] = t[i++], ++mantissaDigits;
  if (i < t.size() && t[i] == '.') {
    buf[n++] = t[i++];
    while (i < t.size() && isDigit(t[i])) buf[n++] = t[i++], ++mantissaDigits;
  }
  if (mantissaDigits == 0) return false;
  if (i < t.size()) {
    char c = t[i];
    bool letter = c == 'e' || c == 'E' || c == 'd' || c == 'D' || c == 'q' || c == 'Q';
    if (!letter && c != '+' && c != '-') return false;
    buf[n++] = 'e';
    if (letter) ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) buf[n++] = t[i++];
    std::size_t expDigits = 0;
    while (i < t.size() && isDigit(t[i])) buf[n++] = t[i++], ++expDigits;
    if (expDigits == 0 || i != t.size()) return false;
  }
  float v = 0;
  auto r = std::from_chars(buf, buf + n, v);
  if (r.ptr != buf + n) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Out of range either way: beyond single precision fails the read, a
    // value too small to represent becomes the nearest float (0 or tiny).
    double d = 0;
    auto rd = std::from_chars(buf, buf + n, d);
    if (rd.ptr != buf + n) return false;
    if (rd.ec == std::errc::result_out_of_range) {
      // The double overflowed or underflowed; decide from the exponent.
      const char* e = static_cast<const char*>(std::memchr(buf, 'e', n));
      if (!e || e[1] != '-') return false;
      d = 0;
    }
    if (!std::isfinite(d) || std::fabs(d) > std::numeric_limits<float>::max()) return false;
    v = static_cast<float>(d);
  } else if (r.ec != std::errc()) {
    return false;
  }
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

// -------------------------------------------------------------- ListReader

bool ListReader::nextRecord() {
  auto l = file_.next();
  if (!l) return false;
  rec_ = *l;
  at_ = 0;
  if (firstLine_ == 0) firstLine_ = file_.lineNumber();
  lastLine_ = file_.lineNumber();
  lastLineStart_ = file_.lineStart();
  return true;
}

bool ListReader::assign(const Target& t, std::string_view token) {
  if (t.isInt) {
    int32_t v;
    if (!parseInteger(token, v)) return false;
    *t.i = v;
  } else {
    float v;
    if (!parseReal(token, v)) return false;
    *t.f = v;
  }
  return true;
}

ReadStatus ListReader::readItems(Target* items, int n) {
  firstLine_ = lastLine_ = 0;
  error_.clear();
  if (!nextRecord()) return ReadStatus::End;
  bool afterComma = true;  // a comma now would be a null value
  int k = 0;
  while (k < n) {
    while (at_ < rec_.size() && isBlank(rec_[at_])) ++at_;
    if (at_ >= rec_.size()) {
      if (!nextRecord()) return ReadStatus::End;
      continue;
    }
    char c = rec_[at_];
    if (c == '/') return ReadStatus::Ok;
    if (c == ',') {
      ++at_;
      if (afterComma) ++k;  // null value: the target keeps its contents
      afterComma = true;
      continue;
    }
    std::size_t start = at_;
    bool star = false;
    for (; at_ < rec_.size(); ++at_) {
      const char ch = rec_[at_];
      if (endsToken(ch)) break;
      if (ch == '*') star = true;
    }
    std::string_view token = rec_.substr(start, at_ - start);
    afterComma = false;

    // Repeat count: r*value or r* (r nulls).
    int repeat = 1;
    if (star) {
      const std::size_t at = token.find('*');
      int32_t r = 0;
      if (!parseInteger(token.substr(0, at), r) || r <= 0 || token[0] == '-' || token[0] == '+') {
        error_ = shown(token);
        return ReadStatus::Error;
      }
      repeat = r;
      token = token.substr(at + 1);
    }
    for (int j = 0; j < repeat && k < n; ++j, ++k) {
      if (token.empty()) continue;
      if (!assign(items[k], token)) {
        error_ = shown(token);
        return ReadStatus::Error;
      }
    }
    // The separator after a value: blanks, and at most one comma.
    while (at_ < rec_.size() && isBlank(rec_[at_])) ++at_;
    if (at_ < rec_.size() && rec_[at_] == ',') {
      ++at_;
      afterComma = true;
    }
  }
  return ReadStatus::Ok;
}

ReadStatus ListReader::readReals(float* targets, int n) {
  Target items[8];
  if (n > 8) n = 8;
  for (int i = 0; i < n; ++i) items[i] = Target(targets[i]);
  return readItems(items, n);
}

ReadStatus ListReader::skipLine() {
  firstLine_ = lastLine_ = 0;
  error_.clear();
  return nextRecord() ? ReadStatus::Ok : ReadStatus::End;
}

ReadStatus ListReader::readText(std::string& out, std::size_t n) {
  firstLine_ = lastLine_ = 0;
  error_.clear();
  if (!nextRecord()) return ReadStatus::End;
  out.assign(rec_.substr(0, n));
  out.resize(n, ' ');
  return ReadStatus::Ok;
}

void ListReader::stepBack() {
  if (lastLine_ > firstLine_) file_.seekLine(lastLineStart_, lastLine_ - 1);
}

}  // namespace kaldero
