// The least a reader of a station data file must do: read the file in
// large blocks, find each line, and parse its numbers with fast_float
// (the time, the concentration and the discharge after the 64 header
// lines). The end-to-end benchmark of --every-line compares the program
// with it. Prints the lines, a checksum and the seconds taken.
// Usage: bare_parse FILE
#include <fast_float/fast_float.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bare_parse FILE\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const int fd = open(argv[1], O_RDONLY);
  if (fd < 0) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<char> buffer(1 << 20);
  std::size_t kept = 0;
  double sum = 0;
  long lines = 0;
  for (;;) {
    const ssize_t got = read(fd, buffer.data() + kept, buffer.size() - kept);
    const std::size_t end = kept + (got > 0 ? static_cast<std::size_t>(got) : 0);
    std::size_t at = 0;
    for (;;) {
      const char* line = buffer.data() + at;
      const char* stop = static_cast<const char*>(std::memchr(line, '\n', end - at));
      if (!stop) break;
      if (++lines > 64) {
        const char* p = line;
        for (int k = 0; k < 3 && p < stop; ++k) {
          while (p < stop && (*p == ' ' || *p == '\t' || *p == ',')) ++p;
          float v = 0;
          const auto r = fast_float::from_chars(p, stop, v);
          if (r.ec != std::errc()) break;
          sum += v;
          p = r.ptr;
        }
      }
      at = static_cast<std::size_t>(stop - buffer.data()) + 1;
    }
    std::memmove(buffer.data(), buffer.data() + at, end - at);
    kept = end - at;
    if (got <= 0) break;
  }
  close(fd);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%ld lines, checksum %.6g, %.3f s\n", lines, sum, seconds);
  return 0;
}
