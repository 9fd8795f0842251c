// Errors of the importer, returned as values: where (file, line, column) and
// what. Nothing in the library prints; the command line shows text().
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace kaldero::importer {

// What kind of fault: a bad option (or header options file) or bad data.
// The command line maps them to exit statuses 2 and 1.
enum class ErrorKind { Data, Option };

struct Error {
  std::string file;     // empty for an option
  int64_t line = 0;     // 1-based; 0 when the error is not on a line
  int64_t column = 0;   // 1-based character position; 0 when not on a column
  std::string message;
  ErrorKind kind = ErrorKind::Data;

  // "file:line:column: message", the position parts left out when unknown.
  std::string text() const;
};

Error dataError(std::string file, int64_t line, int64_t column, std::string message);
Error optionError(std::string message);

// A value or the error that prevented it.
template <class T>
class Expected {
 public:
  Expected(T value) : v_(std::move(value)) {}
  Expected(Error error) : v_(std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(v_); }
  const T& value() const { return std::get<0>(v_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  const Error& error() const { return std::get<1>(v_); }

 private:
  std::variant<T, Error> v_;
};

// No error, or one.
using Status = std::optional<Error>;

}  // namespace kaldero::importer
