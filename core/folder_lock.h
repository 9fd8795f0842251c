// One run at a time in a folder: two runs writing the same output names at
// once would each replace, append to and mix the other's files (a listing
// with the run totals twice), and the output gate, which knows the files of
// its own call only, could not tell. A run holds an advisory lock on each
// folder it works in (flock on the folder itself, so that no lock file is
// left behind); a second run in the same folder is refused.
#pragma once

#include <string>

namespace kaldero {

class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

  // Takes the folder's lock; false when another process holds it. A
  // folder that cannot be opened or locked (a file system without locks)
  // is not refused: true then.
  bool acquire(const std::string& folder);

  // Whether folder is the one this lock holds (the same folder by another
  // path too).
  bool holds(const std::string& folder) const;

 private:
  int fd_ = -1;
};

}  // namespace kaldero
