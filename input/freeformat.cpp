#include "input/freeformat.h"

#include <fast_float/fast_float.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kaldero {

namespace {

// Read block: large enough that a run makes few system calls, small enough
// that the block just read is still in the processor's cache when it is
// parsed.
constexpr std::size_t kBlock = 1 << 18;
// Readable bytes after the end of the buffer: the tokenizer reads whole
// 16-byte chunks, up to 15 bytes past the end of the data.
constexpr std::size_t kPad = 64;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A token as a report shows it: at most 40 characters.
std::string shown(std::string_view token) {
  return token.size() <= 40 ? std::string(token) : std::string(token.substr(0, 37)) + "...";
}

// A zero-filled buffer of n bytes and the readable slack after it.
std::unique_ptr<char[]> newBuffer(std::size_t n) { return std::make_unique<char[]>(n + kPad); }

#if defined(__SSE2__)

inline __m128i load16(const char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline uint64_t bitsOf(__m128i v) { return static_cast<uint32_t>(_mm_movemask_epi8(v)); }

// Line ends in [p, p + n), 16 bytes at a time: each comparison adds 1 to a
// byte counter, and the counters are summed before they can wrap.
int64_t countLineEnds(const char* p, std::size_t n) {
  const __m128i nl = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  int64_t total = 0;
  std::size_t i = 0;
  while (n - i >= 16) {
    const std::size_t stop = i + 16 * std::min<std::size_t>(255, (n - i) / 16);
    __m128i acc = zero;
    for (; i < stop; i += 16) acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(load16(p + i), nl));
    const __m128i sums = _mm_sad_epu8(acc, zero);
    total += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums));
  }
  for (; i < n; ++i) total += p[i] == '\n';
  return total;
}

#else

int64_t countLineEnds(const char* p, std::size_t n) { return std::count(p, p + n, '\n'); }

#endif

// The separators of a record, 64 characters at a time, as bit masks (bit j
// for character base + j): the tokenizer then finds the next token and its
// end with a shift and a bit scan instead of testing every character.
class Separators {
 public:
  // s must stay readable 16 bytes past s + len.
  Separators(const char* s, std::size_t len) : s_(s), len_(len) { classify(0); }

  // Whether the record is shorter than 64 characters and holds no comma,
  // slash or '*': its tokens are then simply the runs of characters between
  // blanks and tabs.
  bool plain() const { return len_ < 64 && (marks_ | star_) == 0; }
  // The token characters of a plain record.
  uint64_t tokenChars() const { return ~ends_; }

  // The first character at or after i that is not a blank or a tab; the
  // length of the record when there is none.
  std::size_t nextNonBlank(std::size_t i) {
    for (;;) {
      if (i - base_ >= 64) classify(i);
      // Beyond the record every bit counts as non-blank, so the scan stops
      // at its end.
      const uint64_t other = ~blank_ >> (i - base_);
      if (other) return std::min(len_, i + static_cast<std::size_t>(__builtin_ctzll(other)));
      i = base_ + 64;
    }
  }

  // The end of the token that starts at i: the first blank, tab, comma or
  // slash, or the end of the record. star tells whether the token holds a
  // '*'.
  std::size_t tokenEnd(std::size_t i, bool& star) {
    for (;;) {
      if (i - base_ >= 64) classify(i);
      const unsigned shift = static_cast<unsigned>(i - base_);
      const uint64_t ends = ends_ >> shift;
      const uint64_t stars = star_ >> shift;
      if (ends) {
        const unsigned k = static_cast<unsigned>(__builtin_ctzll(ends));
        star = star || (stars & ((uint64_t{1} << k) - 1)) != 0;
        return i + k;
      }
      star = star || stars != 0;
      i = base_ + 64;
    }
  }

 private:
  // The masks of the 64 characters from base on (fewer at the end of the
  // record; the bits beyond it are ends, not blanks). Kept out of line, so
  // that the token loop keeps its registers.
  [[gnu::noinline]] void classify(std::size_t base) {
    base_ = base;
    const std::size_t left = len_ - base;
    uint64_t blank = 0, ends = 0, marks = 0, star = 0;
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i slash = _mm_set1_epi8('/');
    const __m128i asterisk = _mm_set1_epi8('*');
    const std::size_t chunks = left >= 64 ? 4 : (left + 15) / 16;
    for (std::size_t c = 0; c < chunks; ++c) {
      const __m128i v = load16(s_ + base + 16 * c);
      const __m128i b = _mm_or_si128(_mm_cmpeq_epi8(v, space), _mm_cmpeq_epi8(v, tab));
      const __m128i m = _mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, slash));
      blank |= bitsOf(b) << (16 * c);
      marks |= bitsOf(m) << (16 * c);
      star |= bitsOf(_mm_cmpeq_epi8(v, asterisk)) << (16 * c);
    }
#else
    const std::size_t count = std::min<std::size_t>(left, 64);
    for (std::size_t j = 0; j < count; ++j) {
      const char ch = s_[base + j];
      const uint64_t bit = uint64_t{1} << j;
      if (ch == ' ' || ch == '\t') blank |= bit;
      if (ch == ',' || ch == '/') marks |= bit;
      if (ch == '*') star |= bit;
    }
#endif
    ends = blank | marks;
    if (left < 64) {
      const uint64_t beyond = ~uint64_t{0} << left;
      blank &= ~beyond;
      marks &= ~beyond;
      star &= ~beyond;
      ends |= beyond;
    }
    blank_ = blank;
    ends_ = ends;
    marks_ = marks;
    star_ = star;
  }

  const char* s_;
  std::size_t len_;
  std::size_t base_ = 0;
  uint64_t blank_ = 0;  // blanks and tabs
  uint64_t ends_ = 0;   // blanks, tabs, commas, slashes and beyond the record
  uint64_t marks_ = 0;  // commas and slashes
  uint64_t star_ = 0;
};

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
    buf_ = newBuffer(kBlock);
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
    auto bigger = newBuffer(cap_ * 2);
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
  std::string_view line;
  if (!nextLine(line)) return std::nullopt;
  return line;
}

bool LineFile::nextLine(std::string_view& line) {
  if (fd_ < 0) return false;
  std::size_t scanned = pos_;
  for (;;) {
    const char* nl = static_cast<const char*>(
        std::memchr(buf_.get() + scanned, '\n', end_ - scanned));
    if (nl || eof_) {
      std::size_t stop = nl ? static_cast<std::size_t>(nl - buf_.get()) : end_;
      if (!nl && stop == pos_) return false;  // nothing left
      std::size_t size = stop - pos_;
      if (size > 0 && buf_[stop - 1] == '\r') --size;
      line = std::string_view(buf_.get() + pos_, size);
      lineStart_ = bufOffset_ + pos_;
      ++line_;
      pos_ = nl ? stop + 1 : stop;
      return true;
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
  if (fd_ < 0) return 0;
  int64_t n = 0;
  bool pending = false;  // characters after the last line end
  for (;;) {
    if (end_ > pos_) {
      n += countLineEnds(buf_.get() + pos_, end_ - pos_);
      pending = buf_[end_ - 1] != '\n';
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

// Whether the digits of a number before its exponent include one that is
// not zero.
bool nonzeroMantissa(const char* b, const char* e) {
  for (; b != e; ++b) {
    if (*b >= '1' && *b <= '9') return true;
    if (*b == 'e' || *b == 'E') return false;
  }
  return false;
}

enum class Plain { Read, NotPlain, TooLarge };

// A negative number of the plain form whose single-precision value is zero
// although a digit is not: negative zero, or plain zero when the value is
// too small even for double precision, as the reader has always read it.
[[gnu::noinline]] float underflowed(const char* b, const char* e, float zero) {
  double wide = 0;
  fast_float::from_chars(b, e, wide);
  return wide == 0 ? 0.0f : zero;
}

// Reads [b, e) when it is wholly a number of the plain form
//   [-] (digits [. [digits]] | . digits) [(e | E) [sign] digits],
// correctly rounded to single precision. A value beyond single precision
// is TooLarge; a value too small for it becomes the nearest float, zero with
// the sign of the number (but plain zero for a negative one too small even
// for double precision).
[[gnu::always_inline]] inline Plain plainReal(const char* b, const char* e, float& out) {
  const char* d = b != e && *b == '-' ? b + 1 : b;
  // A digit or a point first keeps the library's infinities and NaN out.
  if (d == e || !(isDigit(*d) || *d == '.')) return Plain::NotPlain;
  float v = 0;
  const fast_float::from_chars_result r = fast_float::from_chars(b, e, v);
  if (r.ec != std::errc() || r.ptr != e) return Plain::NotPlain;
  if (std::isinf(v)) return Plain::TooLarge;
  // Only a negative number too small even for double precision reads
  // differently: as plain zero, not as negative zero.
  if (v == 0 && std::signbit(v) && nonzeroMantissa(d, e)) v = underflowed(b, e, v);
  out = v;
  return Plain::Read;
}

// The forms of a real other than the plain one, rewritten into it:
//   [sign] (digits [. [digits]] | . digits) [exponent],
// where the exponent is E, D or Q (either case) with an optional sign and
// digits, or a sign and digits alone ("1.5+3" is 1.5e3).
[[gnu::noinline]] bool otherReal(std::string_view t, float& out) {
  char small[128];
  std::string large;
  char* buf = small;
  if (t.size() + 1 > sizeof small) {
    large.resize(t.size() + 1);
    buf = large.data();
  }
  std::size_t n = 0;
  std::size_t i = 0;
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
  return plainReal(buf, buf + n, out) == Plain::Read;
}

[[gnu::always_inline]] inline bool readReal(std::string_view t, float& out) {
  switch (plainReal(t.data(), t.data() + t.size(), out)) {
    case Plain::Read: return true;
    case Plain::TooLarge: return false;
    case Plain::NotPlain: break;
  }
  return otherReal(t, out);
}

}  // namespace

bool parseReal(std::string_view t, float& out) { return readReal(t, out); }

// -------------------------------------------------------------- ListReader

bool ListReader::nextRecord() {
  if (!file_.nextLine(rec_)) return false;
  line_ = rec_;
  if (firstLine_ == 0) firstLine_ = file_.lineNumber();
  lastLine_ = file_.lineNumber();
  lastLineStart_ = file_.lineStart();
  return true;
}

inline bool ListReader::assign(const Target& t, std::string_view token) {
  if (t.isInt) {
    int32_t v;
    if (!parseInteger(token, v)) return false;
    *t.i = v;
  } else {
    float v;
    if (!readReal(token, v)) return false;
    *t.f = v;
  }
  return true;
}

ReadStatus ListReader::readItems(Target* items, int n) {
  firstLine_ = lastLine_ = 0;
  error_.clear();
  leftOver_ = false;
  assigned_ = 0;
  bool afterComma = true;  // a comma now would be a null value
  int k = 0;
  do {
    if (!nextRecord()) return ReadStatus::End;
    // The record lies in the file's buffer, readable 16 bytes past its end.
    const char* const s = rec_.data();
    const std::size_t len = rec_.size();
    Separators seps(s, len);
    if (seps.plain()) {
      // Tokens start where a token character follows a blank or the start
      // of the record, and run to the next blank.
      const uint64_t chars = seps.tokenChars();
      uint64_t starts = chars & ~(chars << 1);
      for (; starts != 0 && k < n; ++k) {
        const unsigned from = static_cast<unsigned>(__builtin_ctzll(starts));
        starts &= starts - 1;
        const unsigned to = from + static_cast<unsigned>(__builtin_ctzll(~(chars >> from)));
        const std::string_view token(s + from, to - from);
        if (!assign(items[k], token)) {
          error_ = shown(token);
          return ReadStatus::Error;
        }
        assigned_ |= 1u << k;
        afterComma = false;
      }
      // Token starts beyond the record's end do not count.
      if (k == n) leftOver_ = (starts & (len < 64 ? (uint64_t{1} << len) - 1 : ~uint64_t{0})) != 0;
      continue;
    }
    std::size_t at = 0;
    while (k < n) {
      at = seps.nextNonBlank(at);
      if (at >= len) break;  // on to the next record
      const char c = s[at];
      if (c == '/') return ReadStatus::Ok;
      if (c == ',') {
        ++at;
        if (afterComma) ++k;  // null value: the target keeps its contents
        afterComma = true;
        continue;
      }
      const std::size_t start = at;
      bool star = false;
      at = seps.tokenEnd(at, star);
      std::string_view token(s + start, at - start);
      afterComma = false;

      if (!star) {
        if (!assign(items[k], token)) {
          error_ = shown(token);
          return ReadStatus::Error;
        }
        assigned_ |= 1u << k;
        ++k;
      } else {
        // Repeat count: r*value or r* (r nulls).
        const std::size_t mark = token.find('*');
        int32_t repeat = 0;
        if (!parseInteger(token.substr(0, mark), repeat) || repeat <= 0 || token[0] == '-' ||
            token[0] == '+') {
          error_ = shown(token);
          return ReadStatus::Error;
        }
        token = token.substr(mark + 1);
        for (int32_t j = 0; j < repeat && k < n; ++j, ++k) {
          if (token.empty()) continue;
          if (!assign(items[k], token)) {
            error_ = shown(token);
            return ReadStatus::Error;
          }
          assigned_ |= 1u << k;
        }
      }
      // The separator after a value: blanks, and at most one comma.
      at = seps.nextNonBlank(at);
      if (at < len && s[at] == ',') {
        ++at;
        afterComma = true;
      }
    }
    if (k == n) {
      at = seps.nextNonBlank(at);
      leftOver_ = at < len && s[at] != '/';
    }
  } while (k < n);
  return ReadStatus::Ok;
}

bool ListReader::decimalCommaSeen() const {
  const std::string_view l = line_;
  if (l.find(',') == std::string_view::npos) return false;
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  bool commaInNumber = false, blankBetween = false;
  for (std::size_t i = 1; i + 1 < l.size(); ++i) {
    if (l[i] == ',' && digit(l[i - 1]) && digit(l[i + 1])) commaInNumber = true;
    if ((l[i] == ' ' || l[i] == '\t') && l[i - 1] != ' ' && l[i - 1] != '\t' &&
        l[i - 1] != ',' && l[i + 1] != ' ' && l[i + 1] != '\t' && l[i + 1] != ',')
      blankBetween = true;
  }
  return commaInNumber && blankBetween;
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
