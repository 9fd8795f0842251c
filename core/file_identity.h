// Whether names denote the same file: by identity (device and inode) when
// the files exist, and by their absolute, normalized path in any case.
#pragma once

#include <sys/types.h>

#include <set>
#include <string>
#include <unordered_set>
#include <utility>

namespace kaldero {

// Files found by their identity when they exist and by their absolute,
// normalized path in any case: whether a name denotes a member costs a fixed
// number of system calls, whatever the size of the set.
class FileSet {
 public:
  void add(const std::string& path);
  bool contains(const std::string& path) const;
  bool empty() const { return paths_.empty(); }

 private:
  std::set<std::pair<dev_t, ino_t>> ids_;
  std::unordered_set<std::string> paths_;
};

// Whether two names denote the same file: the same existing file, or the
// same path once made absolute.
bool sameFile(const std::string& a, const std::string& b);

// The absolute, normalized form of a path (symbolic links of the existing
// part resolved).
std::string normalizedPath(const std::string& path);

}  // namespace kaldero
