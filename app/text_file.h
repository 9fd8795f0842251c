// Output text files written in one go: an existing file is overwritten.
#pragma once

#include <string>
#include <vector>

namespace kaldero {

// Writes the lines, each followed by a line end; false when the file cannot
// be created or written completely.
bool writeTextFile(const std::string& path, const std::vector<std::string>& lines);

}  // namespace kaldero
