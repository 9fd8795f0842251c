// The SHA-256 checksum of a file (OpenSSL's implementation), so that a
// report can name exactly which input it was made from.
#pragma once

#include <optional>
#include <string>

namespace kaldero {

// The checksum in lower-case hexadecimal, or nothing when the file cannot
// be read.
std::optional<std::string> sha256OfFile(const std::string& path);

}  // namespace kaldero
