#include "core/file_identity.h"

#include <sys/stat.h>

#include <filesystem>

namespace kaldero {

std::string normalizedPath(const std::string& path) {
  std::error_code ec;
  const auto p = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
  return ec ? std::filesystem::path(path).lexically_normal().string() : p.string();
}

void FileSet::add(const std::string& path) {
  if (path.empty()) return;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) ids_.emplace(st.st_dev, st.st_ino);
  paths_.insert(normalizedPath(path));
}

bool FileSet::contains(const std::string& path) const {
  if (path.empty() || paths_.empty()) return false;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && ids_.count({st.st_dev, st.st_ino})) return true;
  return paths_.count(normalizedPath(path)) != 0;
}

bool sameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  if (a == b) return true;
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  std::error_code ea, eb;
  const auto pa = std::filesystem::weakly_canonical(a, ea);
  const auto pb = std::filesystem::weakly_canonical(b, eb);
  return !ea && !eb && pa == pb;
}

}  // namespace kaldero
