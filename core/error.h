// The one error type of both programs: what went wrong and where (file,
// line, column), with a kind that decides the exit status. Functions that
// can fail return it as a value (Expected, Status); a report that ends a
// run of the analysis program throws it, after the report has been shown,
// and the main program catches it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace kaldero {

// The kind of fault, and the exit status it gives.
enum class ErrorKind : int {
  Data = 1,    // bad input data, or a report that stopped the run
  Option = 2,  // a bad command-line option (or options file)
  Memory = 3,  // the machine ran out of memory
};

struct Error {
  std::string file;     // empty when the error is not in a file
  int64_t line = 0;     // 1-based; 0 when the error is not on a line
  int64_t column = 0;   // 1-based character position; 0 when not on a column
  std::string message;
  ErrorKind kind = ErrorKind::Data;

  // "file:line:column: message", the position parts left out when unknown.
  std::string text() const;
  int exitStatus() const { return static_cast<int>(kind); }
};

Error dataError(std::string file, int64_t line, int64_t column, std::string message);
Error optionError(std::string message);
// Why a step beyond the listing gives no result (a fit not made, estimates
// not made): a data fault at no file position.
Error reasonError(std::string message);

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

}  // namespace kaldero
