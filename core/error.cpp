#include "core/error.h"

namespace kaldero {

std::string Error::text() const {
  std::string s;
  if (!file.empty()) {
    s = file;
    if (line > 0) {
      s += ':' + std::to_string(line);
      if (column > 0) s += ':' + std::to_string(column);
    }
    s += ": ";
  }
  return s + message;
}

Error dataError(std::string file, int64_t line, int64_t column, std::string message) {
  return Error{std::move(file), line, column, std::move(message), ErrorKind::Data};
}

Error optionError(std::string message) {
  return Error{"", 0, 0, std::move(message), ErrorKind::Option};
}

Error reasonError(std::string message) { return dataError({}, 0, 0, std::move(message)); }

}  // namespace kaldero
