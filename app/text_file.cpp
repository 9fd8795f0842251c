#include "app/text_file.h"

#include <cstdio>

namespace kaldero {

bool writeTextFile(const std::string& path, const std::vector<std::string>& lines) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  for (const auto& l : lines) {
    std::fwrite(l.data(), 1, l.size(), f);
    std::fputc('\n', f);
  }
  const bool written = std::ferror(f) == 0;
  return std::fclose(f) == 0 && written;
}

}  // namespace kaldero
