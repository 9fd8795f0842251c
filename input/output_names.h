// The output files a station's test description names must not replace the
// run's input files (the control file and every station data file it
// lists) nor each other: a results listing named like a station data file
// still to come, or a curve file named like the results listing, would
// destroy data.
#pragma once

#include <sys/types.h>

#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "model/test_description.h"

namespace kaldero {

class Console;

// The Chatwin table file, beside the station data file: the file-name part
// of the station data file name up to its first period, then "_CHT.OUT",
// after the station's folder; blank-padded to 50. A name without a period
// keeps the whole name before the suffix, so that the table never replaces
// the station data file.
std::string chatwinTableFileName(const std::string& stationName50);

// Files of the run found by their identity (device and inode) when they
// exist and by their absolute, normalized path in any case: whether a name
// denotes a member costs a fixed number of system calls, whatever the size
// of the set.
class FileSet {
 public:
  void add(const std::string& path);
  bool contains(const std::string& path) const;
  bool empty() const { return paths_.empty(); }

 private:
  std::set<std::pair<dev_t, ino_t>> ids_;
  std::unordered_set<std::string> paths_;
};

// The files the options of the test description make the station write
// (without trailing blanks): the results listing, and as asked the
// interpolated-data, CXTFIT, curve and Chatwin table files.
std::vector<std::string> plannedOutputs(const TestDescription& test,
                                        const std::string& stationName50);

// Whether two names denote the same file: the same existing file, or the
// same path once made absolute.
bool sameFile(const std::string& a, const std::string& b);

// False, after the name-reuse report, when an output would replace an input
// file of the run, a file an earlier station of the run wrote, or another
// output of the same station.
bool outputNamesAreSound(Console& console, const TestDescription& test,
                         const std::string& stationName50, const FileSet& inputFiles,
                         const FileSet& earlierOutputs);

}  // namespace kaldero
