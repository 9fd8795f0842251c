// The program's name and version, as --version and the results show them.
#pragma once

#include <string_view>

namespace kaldero {

inline constexpr std::string_view kProgramName = "KALDERO";
inline constexpr std::string_view kProgramVersion = "2.0.0";

}  // namespace kaldero
